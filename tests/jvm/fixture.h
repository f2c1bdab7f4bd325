// Library folders for the loading cases: copies of the built library and simulator,
// arranged as a user's installation might be.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace jvmtest {

namespace fs = std::filesystem;

// A fresh, empty folder below the test temp folder, removed when the object goes.
class Folder {
 public:
  explicit Folder(const std::string &name);
  ~Folder();
  Folder(const Folder &) = delete;
  Folder &operator=(const Folder &) = delete;
  const fs::path &path() const { return path_; }
  // Copies files of the built output folder (by file name) into this folder, or into
  // its sub-folder `below`.
  void copyBuilt(const std::vector<std::string> &files, const fs::path &below = {}) const;
  // Copies a built variant of a vendor library that lacks one entry point.
  void copyVariant(const std::string &library, const std::string &missingEntry) const;

 private:
  fs::path path_;
};

// All four files a working installation has.
inline const std::vector<std::string> kAllFiles{"libQuorvaneNative.so", "libpccam.so",
                                                "libpcocnv.so", "libqvsim.so"};

}  // namespace jvmtest
