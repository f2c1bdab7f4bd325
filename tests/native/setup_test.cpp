// Set-up, triggering and stopping against the fake vendor libraries.
#include <gtest/gtest.h>

#include <climits>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"

namespace {

using Names = std::vector<std::string>;

std::vector<std::int32_t> settings(int mode, int videoMode) {
  //                         mode  hb vb s3  s4 video     6   r   g    b   min max  lut col
  return std::vector<std::int32_t>{mode, 2, 4, 30, 5, videoMode, 77, 80, 100, 120, 10, 4000, 150, 80};
}

class SetUpTest : public testing::Test {
 protected:
  void SetUp() override {
    fake::install();
    std::array<int, 4> result{};
    ASSERT_EQ(qv::bringUpCamera(result), 0);
    fake::vendor.calls.clear();
  }
  int setUp(const std::vector<std::int32_t> &s) { return qv::setUpCamera(s.data(), s.size()); }
};

TEST_F(SetUpTest, VideoModeAppliesModeRangesTablesStartsAndPauses) {
  fake::vendor.failWith["START_CAMERA"] = 9;
  EXPECT_EQ(setUp(settings(0, 1)), 9);  // START_CAMERA's result, not acted on
  EXPECT_EQ(fake::vendor.names(),
            (Names{"STOP_CAMERA", "SETMODE", "CREATE_COLORLUT_EX", "CONVERT_SET_COL_EX",
                   "CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX", "CONVERT_SET_EX", "CONVERT_SET_EX",
                   "START_CAMERA", "sleep"}));
  const fake::Call *mode = fake::vendor.last("SETMODE");
  EXPECT_EQ(mode->args,
            (std::vector<long long>{mode->args[0], 0x30, 0, 30, 2, 4, 5, 0, 12, 0}));
  EXPECT_EQ(fake::vendor.sleeps, (std::vector<int>{1200}));
  EXPECT_EQ(qv::camera().videoMode, 1);
  EXPECT_EQ(qv::red, 80);
  EXPECT_EQ(qv::green, 100);
  EXPECT_EQ(qv::blue, 120);
  EXPECT_EQ(qv::displayMin, 10);
  EXPECT_EQ(qv::displayMax, 4000);
  EXPECT_DOUBLE_EQ(qv::lutParam, 1.5);
  EXPECT_DOUBLE_EQ(qv::colorParam, 80.0);
  const fake::Call *color = fake::vendor.last("CONVERT_SET_COL_EX");
  EXPECT_EQ(color->args, (std::vector<long long>{color->args[0], 50, 50, 50, 4094, 3276, 2730, 0}));
  EXPECT_EQ(color->reals, (std::vector<double>{1.5, 80.0}));
}

TEST_F(SetUpTest, ModeWordsReachTheDriver) {
  for (auto [mode, video, word] : {std::tuple{0, 0, 0x31}, {0, 1, 0x30}, {5, 0, 0x51}}) {
    SetUp();
    setUp(settings(mode, video));
    EXPECT_EQ(fake::vendor.last("SETMODE")->args[1], word) << mode << "," << video;
  }
}

TEST_F(SetUpTest, TriggeredModeDiscardsTwoFramesWhoseStatusMasksStart) {
  fake::vendor.failWith["START_CAMERA"] = 9;
  fake::vendor.lastWord = 1;  // both discarded frames come out incomplete
  EXPECT_EQ(setUp(settings(3, 0)), 0);
  EXPECT_EQ(fake::vendor.count("TRIGGER_CAMERA"), 4);
  EXPECT_EQ(fake::vendor.count("ADD_BUFFER_TO_LIST"), 2);
  EXPECT_EQ(fake::vendor.names().back(), "sleep");
  EXPECT_EQ(fake::vendor.waitTimeouts, (std::vector<int>{5000, 5000}));
}

TEST_F(SetUpTest, TriggeredModeReturnsTheLastRecordedStatus) {
  fake::vendor.nextResults["ADD_BUFFER_TO_LIST"] = {0, 6};  // second discarded frame fails
  EXPECT_EQ(setUp(settings(3, 0)), 6);
}

TEST_F(SetUpTest, FailingStopOrSetModeKeepsTheEarlierModeAndTables) {
  for (const char *failing : {"STOP_CAMERA", "SETMODE"}) {
    SetUp();
    qv::camera().videoMode = 1;
    fake::vendor.failWith[failing] = 7;
    EXPECT_EQ(setUp(settings(3, 0)), 7) << failing;
    EXPECT_EQ(qv::lastStatus, 7);
    EXPECT_EQ(qv::camera().videoMode, 1);
    EXPECT_DOUBLE_EQ(qv::lutParam, 1.0);
    EXPECT_DOUBLE_EQ(qv::colorParam, 100.0);
    // The factors and bounds are kept before the driver is asked.
    EXPECT_EQ(qv::red, 80);
    EXPECT_EQ(qv::displayMax, 4000);
    EXPECT_EQ(fake::vendor.count("SETMODE"), std::string(failing) == "SETMODE" ? 1 : 0);
    EXPECT_EQ(fake::vendor.count("CREATE_BWLUT_EX") + fake::vendor.count("START_CAMERA") +
                  static_cast<int>(fake::vendor.sleeps.size()),
              0);
  }
}

TEST_F(SetUpTest, ShortOrNullSettingsChangeNothing) {
  std::vector<std::int32_t> shortSettings = settings(3, 1);
  shortSettings.pop_back();
  qv::lastStatus = 5;
  EXPECT_EQ(setUp(shortSettings), qv::kStatusBadSettings);
  EXPECT_EQ(qv::setUpCamera(nullptr, 0), qv::kStatusBadSettings);
  EXPECT_TRUE(fake::vendor.calls.empty());
  EXPECT_EQ(qv::lastStatus, 5);
  EXPECT_EQ(qv::red, 0);
  EXPECT_EQ(qv::displayMax, 4095);
}

TEST_F(SetUpTest, ExtremeSettingsAreSafe) {
  for (int v : {INT_MIN, INT_MAX, 0, -1}) {
    SetUp();
    const std::vector<std::int32_t> s(14, v);
    setUp(s);
    EXPECT_EQ(fake::vendor.count("SETMODE"), 1) << v;
  }
}

TEST_F(SetUpTest, RunCocAsVideoTriggersOnlyInTriggeredMode) {
  qv::camera().videoMode = 1;
  qv::lastStatus = 42;
  EXPECT_EQ(qv::runCocAsVideo(), 42);
  EXPECT_TRUE(fake::vendor.calls.empty());

  qv::camera().videoMode = 0;
  fake::vendor.failWith["TRIGGER_CAMERA"] = 3;
  EXPECT_EQ(qv::runCocAsVideo(), 3);
  EXPECT_EQ(qv::lastStatus, 3);
  EXPECT_EQ(fake::vendor.names(), Names{"TRIGGER_CAMERA"});
}

TEST_F(SetUpTest, StopCocReturnsStopAndLeavesLastStatus) {
  qv::lastStatus = 42;
  fake::vendor.failWith["STOP_CAMERA"] = 7;
  EXPECT_EQ(qv::stopCoc(), 7);
  EXPECT_EQ(qv::lastStatus, 42);
}

TEST(SetUpNotLoadedTest, CallsNothingAndReturnsMinus56) {
  fake::install();
  qv::resetState();
  const std::vector<std::int32_t> s = settings(3, 1);
  EXPECT_EQ(qv::setUpCamera(s.data(), s.size()), qv::kStatusNotLoaded);
  EXPECT_EQ(qv::runCocAsVideo(), qv::kStatusNotLoaded);
  EXPECT_EQ(qv::stopCoc(), qv::kStatusNotLoaded);
  EXPECT_TRUE(fake::vendor.calls.empty());
  EXPECT_EQ(qv::red, 0);
}

TEST(SetUpWithoutConversionTest, SkipsTheTables) {
  fake::installDriverOnly();
  const std::vector<std::int32_t> s = settings(3, 1);
  EXPECT_EQ(qv::setUpCamera(s.data(), s.size()), 0);
  EXPECT_EQ(fake::vendor.names(), (Names{"STOP_CAMERA", "SETMODE", "START_CAMERA", "sleep"}));
}

}  // namespace
