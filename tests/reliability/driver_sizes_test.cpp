// Sizes a driver may report, however absurd, against the in-process fakes: bring-up and
// acquisition never multiply them into an overflow (UBSan in the sanitizer build), hand
// the driver no wrapped-around size, and queue nothing that the buffer cannot hold.
#include <gtest/gtest.h>

#include <climits>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"
#include "tables/tables.h"

namespace {

struct Sizes {
  int width;
  int height;
};

void PrintTo(const Sizes &s, std::ostream *os) { *os << s.width << " x " << s.height; }

const Sizes kAbsurd[] = {{INT_MIN, INT_MIN}, {INT_MAX, INT_MAX}, {INT_MIN, INT_MAX},
                         {-64, -48},         {-64, 48},          {0, 48},
                         {64, 0},            {65536, 65536},     {INT_MAX, 1}};

class DriverSizes : public testing::TestWithParam<Sizes> {};

TEST_P(DriverSizes, FullSizeThatIsNotAPositiveIntSizeAllocatesNothing) {
  fake::install();
  fake::vendor.fullWidth = GetParam().width;
  fake::vendor.fullHeight = GetParam().height;
  fake::vendor.failWith["ALLOCATE_BUFFER"] = 9;  // the driver refuses; the request is kept
  std::array<int, 4> result{};
  EXPECT_EQ(qv::bringUpCamera(result), 9);
  const fake::Call *allocate = fake::vendor.last("ALLOCATE_BUFFER");
  ASSERT_NE(allocate, nullptr);
  EXPECT_EQ(allocate->args[2], 0) << "size asked for";
  EXPECT_EQ(qv::acquireFrame(), qv::kStatusFrameIncomplete);
  EXPECT_EQ(fake::vendor.count("ADD_BUFFER_TO_LIST"), 0);
}

TEST_P(DriverSizes, ImageSizeBeyondTheBufferIsNeverQueuedOrRead) {
  fake::install();
  std::array<int, 4> result{};
  ASSERT_EQ(qv::bringUpCamera(result), 0);
  fake::vendor.imageWidth = GetParam().width;
  fake::vendor.imageHeight = GetParam().height;
  EXPECT_EQ(qv::acquireFrame(), qv::kStatusFrameIncomplete);
  EXPECT_EQ(fake::vendor.count("ADD_BUFFER_TO_LIST"), 0);
  EXPECT_FALSE(qv::frameReadable());
  std::int32_t region[4] = {0, 0, INT_MAX, INT_MAX};
  EXPECT_EQ(qv::whiteBalance(region, 4)[3], qv::kStatusWhiteBalanceFailed);
  EXPECT_EQ(fake::vendor.count("AUTOBALANCE"), 0);
  // Nothing is counted. With the fixed threshold that gives the defaults; the tenth of
  // the image follows the reported size, so a negative one stops both searches at once.
  EXPECT_EQ(qv::autoMinMax(0, region, 4), (std::array<int, 2>{0, 4095}));
  const std::array<int, 2> tenth = qv::autoMinMax(1, region, 4);
  EXPECT_TRUE(tenth[0] == 0 && (tenth[1] == 4095 || tenth[1] == 4094));
}

INSTANTIATE_TEST_SUITE_P(Absurd, DriverSizes, testing::ValuesIn(kAbsurd));

}  // namespace
