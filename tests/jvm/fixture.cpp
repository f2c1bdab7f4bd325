#include "jvm/fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include "jvm/harness.h"

namespace jvmtest {

Folder::Folder(const std::string &name)
    : path_(fs::path(testing::TempDir()) / ("qv_" + std::to_string(getpid()) + "_" + name)) {
  fs::remove_all(path_);
  fs::create_directories(path_);
}

Folder::~Folder() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void Folder::copyBuilt(const std::vector<std::string> &files, const fs::path &below) const {
  fs::create_directories(path_ / below);
  for (const std::string &file : files)
    fs::copy_file(fs::path(outDir()) / file, path_ / below / file,
                  fs::copy_options::overwrite_existing);
}

void Folder::copyVariant(const std::string &library, const std::string &missingEntry) const {
  fs::copy_file(fs::path(QV_TEST_VARIANT_DIR) / ("no-" + missingEntry) / library, path_ / library,
                fs::copy_options::overwrite_existing);
}

}  // namespace jvmtest
