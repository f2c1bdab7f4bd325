// Bring-up and release against the fake vendor libraries.
#include <gtest/gtest.h>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"
#include "tables/tables.h"

namespace {

using Names = std::vector<std::string>;

class BringUpTest : public testing::Test {
 protected:
  void SetUp() override { fake::install(); }
  std::array<int, 4> bringUp() {
    std::array<int, 4> result{};
    result[0] = qv::bringUpCamera(result);
    return result;
  }
};

TEST_F(BringUpTest, ReportsSizesAndColourAndKeepsLastStatus) {
  qv::lastStatus = 1234;
  for (auto [boardValue, isColor] : {std::pair{3, 1}, {2, 0}, {1, 1}}) {
    fake::install();
    qv::lastStatus = 1234;
    fake::vendor.boardValue = boardValue;
    EXPECT_EQ(bringUp(), (std::array<int, 4>{0, 64, 48, isColor})) << boardValue;
    EXPECT_EQ(qv::camera().isColor, isColor);
    EXPECT_EQ(qv::lastStatus, 1234);
  }
  EXPECT_EQ(fake::vendor.names(),
            (Names{"INITBOARD", "GETSIZES", "GETBOARDVAL", "ALLOCATE_BUFFER", "MAP_BUFFER",
                   "SETBUFFER_EVENT"}));
  EXPECT_EQ(fake::vendor.last("INITBOARD")->args[0], 0);
  EXPECT_EQ(fake::vendor.last("GETBOARDVAL")->args[1], 14);
  EXPECT_EQ(qv::camera().pictureEvent, fake::vendor.event);
  EXPECT_EQ(qv::frameBuffer, fake::vendor.buffer.data());
}

TEST_F(BringUpTest, AllocatesFullSizeFromMinusOneAndMapsWhatTheDriverLeft) {
  fake::vendor.allocatedSize = 8000;  // the driver may change the size
  EXPECT_EQ(bringUp()[0], 0);
  const fake::Call *allocate = fake::vendor.last("ALLOCATE_BUFFER");
  EXPECT_EQ(allocate->args[1], -1);
  EXPECT_EQ(allocate->args[2], 64 * 48 * 2);
  const fake::Call *map = fake::vendor.last("MAP_BUFFER");
  EXPECT_EQ(map->args[1], 3);  // the number ALLOCATE_BUFFER wrote
  EXPECT_EQ(map->args[2], 8000);
  EXPECT_EQ(map->args[3], 0);
  EXPECT_EQ(qv::camera().bufferNumber, 3);
  EXPECT_EQ(qv::frameBufferBytes, 8000);
}

TEST_F(BringUpTest, FirstFailingCallEndsBringUpAndKeepsWhatWasFilled) {
  struct Case {
    const char *failing;
    std::array<int, 4> result;
    int callsMade;
  };
  const Case cases[] = {
      {"INITBOARD", {7, 0, 0, 0}, 1},
      {"GETSIZES", {7, 0, 0, 0}, 2},
      {"GETBOARDVAL", {7, 64, 48, 0}, 3},
      {"ALLOCATE_BUFFER", {7, 64, 48, 0}, 4},
      {"MAP_BUFFER", {7, 64, 48, 0}, 5},
      {"SETBUFFER_EVENT", {0, 64, 48, 0}, 6},  // not examined
  };
  for (const Case &c : cases) {
    fake::install();
    fake::vendor.failWith[c.failing] = 7;
    EXPECT_EQ(bringUp(), c.result) << c.failing;
    EXPECT_EQ(static_cast<int>(fake::vendor.calls.size()), c.callsMade) << c.failing;
    EXPECT_EQ(fake::vendor.count("CLOSEBOARD") + fake::vendor.count("FREE_BUFFER"), 0);
  }
}

TEST(ReleaseTest, RunsEveryStepInOrderAndReturnsCloseBoard) {
  fake::install();
  std::array<int, 4> result{};
  qv::bringUpCamera(result);
  qv::updateColorLut(100, 100, 100, 4095);
  qv::updateBwLuts(0, 4095);
  fake::vendor.calls.clear();
  fake::vendor.failWith["STOP_CAMERA"] = 7;
  fake::vendor.failWith["UNMAP_BUFFER"] = 8;
  fake::vendor.failWith["CLOSEBOARD"] = 5;

  EXPECT_EQ(qv::releaseCamera(), 5);
  EXPECT_EQ(fake::vendor.names(),
            (Names{"DELETE_COLORLUT_EX", "DELETE_BWLUT_EX", "DELETE_PSEUDOLUT_EX", "STOP_CAMERA",
                   "UNMAP_BUFFER", "FREE_BUFFER", "CLOSEBOARD"}));
  EXPECT_EQ(fake::vendor.last("DELETE_PSEUDOLUT_EX")->args[0],
            reinterpret_cast<std::intptr_t>(fake::pseudoHandle()));
  EXPECT_EQ(qv::lastStatus, 5);
  EXPECT_EQ(qv::colorLut, nullptr);
  EXPECT_EQ(qv::bwLut, nullptr);
  EXPECT_EQ(qv::pseudoLut, nullptr);
  EXPECT_EQ(qv::frameBuffer, nullptr);
  EXPECT_FALSE(qv::driverLoaded());
  EXPECT_FALSE(qv::conversionLoaded());
}

TEST(ReleaseTest, DeletesNoTableThatWasNeverCreated) {
  fake::install();
  EXPECT_EQ(qv::releaseCamera(), 0);
  EXPECT_EQ(fake::vendor.names(),
            (Names{"STOP_CAMERA", "UNMAP_BUFFER", "FREE_BUFFER", "CLOSEBOARD"}));
}

TEST(ReleaseTest, WithNothingLoadedCallsNothing) {
  fake::install();
  qv::resetState();
  qv::lastStatus = 3;
  EXPECT_EQ(qv::releaseCamera(), qv::kStatusNotLoaded);
  EXPECT_TRUE(fake::vendor.calls.empty());
  EXPECT_EQ(qv::lastStatus, 3);
}

TEST(ReleaseTest, WithoutConversionLibraryReleasesTheDriver) {
  fake::installDriverOnly();
  EXPECT_EQ(qv::releaseCamera(), 0);
  EXPECT_EQ(fake::vendor.names(),
            (Names{"STOP_CAMERA", "UNMAP_BUFFER", "FREE_BUFFER", "CLOSEBOARD"}));
}

}  // namespace
