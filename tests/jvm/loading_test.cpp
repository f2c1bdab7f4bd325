// Loading the vendor libraries from the library's own folder, each case in a child
// process with its own JVM and a freshly loaded library.
#include <gtest/gtest.h>

#include <algorithm>

#include "jvm/fixture.h"
#include "jvm/harness.h"

namespace jvmtest {
namespace {

struct Seen {
  std::string init;
  std::vector<std::string> loaded;
};

Seen parse(const ChildResult &child) {
  Seen seen;
  std::size_t start = 0, end;
  while ((end = child.output.find('\n', start)) != std::string::npos) {
    const std::string line = child.output.substr(start, end - start);
    if (line.rfind("init ", 0) == 0) seen.init = line.substr(5);
    if (line.rfind("loaded ", 0) == 0) seen.loaded.push_back(line.substr(7));
    start = end + 1;
  }
  std::sort(seen.loaded.begin(), seen.loaded.end());
  EXPECT_EQ(child.exitCode, 0) << child.output;
  EXPECT_EQ(child.output.find("WARNING"), std::string::npos) << child.output;
  return seen;
}

std::string inFolder(const Folder &folder, const std::string &file) {
  return (folder.path() / file).string();
}

TEST(LoadingTest, DriverFromOwnFolderEvenWithAnotherOnTheSearchPath) {
  Folder own("own"), other("other");
  own.copyBuilt(kAllFiles);
  other.copyBuilt({"libpccam.so", "libqvsim.so"});
  const Seen seen = parse(runChild(own.path(), {"LD_LIBRARY_PATH=" + other.path().string()}));
  EXPECT_EQ(seen.init, "0 1392 1040 0");
  EXPECT_EQ(seen.loaded, (std::vector<std::string>{inFolder(own, "libpccam.so"),
                                                   inFolder(own, "libpcocnv.so")}));
}

TEST(LoadingTest, DriverByBareNameWhenMissingFromOwnFolder) {
  Folder own("own"), other("other");
  own.copyBuilt({"libQuorvaneNative.so", "libpcocnv.so", "libqvsim.so"});
  other.copyBuilt({"libpccam.so", "libqvsim.so"});
  const Seen seen = parse(runChild(own.path(), {"LD_LIBRARY_PATH=" + other.path().string()}));
  EXPECT_EQ(seen.init, "0 1392 1040 0");
  EXPECT_EQ(seen.loaded, (std::vector<std::string>{inFolder(other, "libpccam.so"),
                                                   inFolder(own, "libpcocnv.so")}));
}

TEST(LoadingTest, ConversionLibraryOnlyFromOwnFolder) {
  Folder own("own"), other("other");
  own.copyBuilt({"libQuorvaneNative.so", "libpccam.so", "libqvsim.so"});
  other.copyBuilt({"libpcocnv.so", "libqvsim.so"});
  const Seen seen = parse(runChild(own.path(), {"LD_LIBRARY_PATH=" + other.path().string()}));
  EXPECT_EQ(seen.init, "-56 0 0 0");
  // The driver stays loaded after the conversion library failed.
  EXPECT_EQ(seen.loaded, std::vector<std::string>{inFolder(own, "libpccam.so")});
}

TEST(LoadingTest, NoDriverAnywhere) {
  Folder own("own");
  own.copyBuilt({"libQuorvaneNative.so", "libpcocnv.so", "libqvsim.so"});
  const Seen seen = parse(runChild(own.path(), {"LD_LIBRARY_PATH="}));
  EXPECT_EQ(seen.init, "-56 0 0 0");
  EXPECT_TRUE(seen.loaded.empty());
}

TEST(LoadingTest, MissingEntryPoints) {
  {
    Folder own("no_unmap");
    own.copyBuilt(kAllFiles);
    own.copyVariant("libpccam.so", "UNMAP_BUFFER");
    const Seen seen = parse(runChild(own.path()));
    EXPECT_EQ(seen.init, "1 0 0 0");
    EXPECT_TRUE(seen.loaded.empty());  // no vendor library stays loaded
  }
  {
    Folder own("no_autobalance");
    own.copyBuilt(kAllFiles);
    own.copyVariant("libpcocnv.so", "AUTOBALANCE");
    const Seen seen = parse(runChild(own.path()));
    EXPECT_EQ(seen.init, "1 0 0 0");
    EXPECT_EQ(seen.loaded, std::vector<std::string>{inFolder(own, "libpccam.so")});
  }
}

TEST(LoadingTest, FolderNamedLikeTheLibrary) {
  // The vendor libraries lie beside the library file, not beside a folder whose name
  // contains the library's file name.
  Folder root("named");
  root.copyBuilt({"libpccam.so", "libqvsim.so"}, "libQuorvaneNative.so.d");
  root.copyBuilt(kAllFiles, "libQuorvaneNative.so.d/LIBQUORVANENATIVE.SO.d");
  const fs::path own = root.path() / "libQuorvaneNative.so.d/LIBQUORVANENATIVE.SO.d";
  const Seen seen = parse(runChild(own, {"LD_LIBRARY_PATH="}));
  EXPECT_EQ(seen.init, "0 1392 1040 0");
  EXPECT_EQ(seen.loaded, (std::vector<std::string>{(own / "libpccam.so").string(),
                                                   (own / "libpcocnv.so").string()}));
}

TEST(LoadingTest, FolderTooLongForThePathBuffersLoadsNothing) {
  Folder root("long");
  fs::path own = root.path();
  while (own.string().size() < 262) own /= std::string(40, 'd');
  root.copyBuilt(kAllFiles, fs::relative(own, root.path()));
  const Seen seen = parse(runChild(own, {"LD_LIBRARY_PATH="}));
  EXPECT_EQ(seen.init, "-56 0 0 0");
  EXPECT_TRUE(seen.loaded.empty());
}

}  // namespace
}  // namespace jvmtest
