// Bring-up, release and library loading through a real JVM and the simulator.
#include <gtest/gtest.h>

#include <algorithm>

#include "jvm/fixture.h"
#include "jvm/harness.h"

namespace jvmtest {
namespace {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

class BringUpJvmTest : public testing::Test {
 protected:
  void SetUp() override {
    loadBuiltLibrary();
    sim().reset();
  }
};

TEST_F(BringUpJvmTest, InitReportsTheSimulatedSensorAndReleaseGivesAllBack) {
  EXPECT_EQ(initCamera(), (Ints{0, 1392, 1040, 0}));
  const QvSimCall allocate = sim().last("ALLOCATE_BUFFER");
  EXPECT_EQ(allocate.arg[1] != 0, true);  // the address of the buffer number
  EXPECT_EQ(sim().names(), (Names{"INITBOARD", "GETSIZES", "GETBOARDVAL", "ALLOCATE_BUFFER",
                                  "MAP_BUFFER", "SETBUFFER_EVENT"}));
  EXPECT_EQ(sim().last("GETBOARDVAL").arg[1], 14);
  EXPECT_EQ(sim().last("MAP_BUFFER").arg[2], 1392 * 1040 * 2);
  sim().journalClear();
  EXPECT_EQ(releaseCamera(), 0);
  EXPECT_EQ(sim().names(), (Names{"STOP_CAMERA", "UNMAP_BUFFER", "FREE_BUFFER", "CLOSEBOARD"}));
  // Only bring-up may follow a release: everything else finds nothing loaded.
  EXPECT_EQ(stopCoc(), -56);
}

TEST_F(BringUpJvmTest, ColourFlagAndGeometryComeFromTheSimulator) {
  sim().setInt("color", 1);
  sim().setInt("width", 640);
  sim().setInt("height", 480);
  EXPECT_EQ(initCamera(), (Ints{0, 640, 480, 1}));
  EXPECT_EQ(releaseCamera(), 0);
}

TEST_F(BringUpJvmTest, FailingDriverCallEndsBringUpWithItsStatus) {
  const std::pair<const char *, Ints> cases[] = {
      {"INITBOARD", {7, 0, 0, 0}},
      {"GETSIZES", {7, 0, 0, 0}},
      {"GETBOARDVAL", {7, 1392, 1040, 0}},
      {"ALLOCATE_BUFFER", {7, 1392, 1040, 0}},
      {"MAP_BUFFER", {7, 1392, 1040, 0}},
      {"SETBUFFER_EVENT", {0, 1392, 1040, 0}},
  };
  for (const auto &[entry, expected] : cases) {
    sim().reset();
    sim().fail(entry, 7, 0, 1);
    EXPECT_EQ(initCamera(), expected) << entry;
    releaseCamera();
  }
}

TEST_F(BringUpJvmTest, ReleaseRunsAllStepsAndReportsCloseBoard) {
  ASSERT_EQ(initCamera()[0], 0);
  sim().fail("STOP_CAMERA", 7, 0, 1);
  EXPECT_EQ(releaseCamera(), 0);
  EXPECT_EQ(sim().count("CLOSEBOARD"), 1);
}

TEST_F(BringUpJvmTest, EveryMethodBeforeBringUpFindsNothingLoaded) {
  Ints s = settings();
  std::vector<short> raw(16);
  std::vector<signed char> grey(16);
  std::vector<int> rgb(16);
  Ints region{0, 0, 4, 4};
  EXPECT_EQ(setUpCamera(&s), -56);
  EXPECT_EQ(runCocAsVideo(), -56);
  EXPECT_EQ(stopCoc(), -56);
  EXPECT_EQ(releaseCamera(), -56);
  EXPECT_EQ(acquire(&raw), -54);
  EXPECT_EQ(acquire8(&grey), -54);
  EXPECT_EQ(acquireRgb(&rgb), -54);
  EXPECT_EQ(whiteBalance(&region), (Ints{100, 100, 100, -1609420799}));
  EXPECT_EQ(autoMinMax(0, &region), (Ints{0, 4095}));
  EXPECT_EQ(sim().journalCount(), 0);
}

// ---- Loading, each in a child process with its own JVM and a fresh library ----

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
