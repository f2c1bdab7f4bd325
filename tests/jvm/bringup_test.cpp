// Bring-up and release through the Java-style calls of the harness and the simulator:
// a real JVM on Linux, the Windows suite's own JNI environment there (tests/win32/compat).
#include <gtest/gtest.h>

#include "jvm/harness.h"

namespace jvmtest {
namespace {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

class BringUpTest : public testing::Test {
 protected:
  void SetUp() override {
    loadBuiltLibrary();
    sim().reset();
  }
};

TEST_F(BringUpTest, InitReportsTheSimulatedSensorAndReleaseGivesAllBack) {
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

TEST_F(BringUpTest, ColourFlagAndGeometryComeFromTheSimulator) {
  sim().setInt("color", 1);
  sim().setInt("width", 640);
  sim().setInt("height", 480);
  EXPECT_EQ(initCamera(), (Ints{0, 640, 480, 1}));
  EXPECT_EQ(releaseCamera(), 0);
}

TEST_F(BringUpTest, FailingDriverCallEndsBringUpWithItsStatus) {
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

TEST_F(BringUpTest, ReleaseRunsAllStepsAndReportsCloseBoard) {
  ASSERT_EQ(initCamera()[0], 0);
  sim().fail("STOP_CAMERA", 7, 0, 1);
  EXPECT_EQ(releaseCamera(), 0);
  EXPECT_EQ(sim().count("CLOSEBOARD"), 1);
}

TEST_F(BringUpTest, EveryMethodBeforeBringUpFindsNothingLoaded) {
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

}  // namespace
}  // namespace jvmtest
