// Display tables, white balance and automatic range against the fake conversion library
// and a frame written straight into the fake driver buffer.
#include <gtest/gtest.h>

#include <climits>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"
#include "tables/tables.h"

namespace {

using Names = std::vector<std::string>;
long long address(const void *p) { return reinterpret_cast<std::intptr_t>(p); }

class TablesTest : public testing::Test {
 protected:
  void SetUp() override { fake::install(); }
};

TEST_F(TablesTest, TablesAreCreatedOnceAndPseudoIsRangedPastItsHeader) {
  qv::lutParam = 2.0;
  qv::updateBwLuts(10, 20);
  qv::updateBwLuts(30, 40);
  EXPECT_EQ(fake::vendor.names(),
            (Names{"CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX", "CONVERT_SET_EX", "CONVERT_SET_EX",
                   "CONVERT_SET_EX", "CONVERT_SET_EX"}));
  EXPECT_EQ(fake::vendor.calls[0].args, (std::vector<long long>{12, 0, 255, 0}));
  const fake::Call &bw = fake::vendor.calls[4];
  const fake::Call &pseudo = fake::vendor.calls[5];
  EXPECT_EQ(bw.args, (std::vector<long long>{address(fake::bwHandle()), 30, 40, 0}));
  EXPECT_EQ(pseudo.args,
            (std::vector<long long>{address(fake::pseudoHandle()) + 8, 30, 40, 0}));
  EXPECT_EQ(pseudo.reals, std::vector<double>{2.0});

  qv::updateColorLut(100, 100, 100, 4095);
  qv::updateColorLut(100, 100, 100, 4095);
  EXPECT_EQ(fake::vendor.count("CREATE_COLORLUT_EX"), 1);
  EXPECT_EQ(fake::vendor.count("CONVERT_SET_COL_EX"), 2);
}

TEST_F(TablesTest, FailedCreationStopsTheRangingAndIsTriedAgain) {
  fake::vendor.failWith["CREATE_BWLUT_EX"] = 1;
  qv::updateBwLuts(0, 100);
  EXPECT_EQ(fake::vendor.names(), Names{"CREATE_BWLUT_EX"});

  fake::install();
  fake::vendor.failWith["CREATE_PSEUDOLUT_EX"] = 1;
  qv::updateBwLuts(0, 100);  // the new black-and-white table is not ranged either
  EXPECT_EQ(fake::vendor.names(), (Names{"CREATE_BWLUT_EX", "CREATE_PSEUDOLUT_EX"}));
  EXPECT_EQ(qv::bwLut, fake::bwHandle());
  EXPECT_EQ(qv::pseudoLut, nullptr);
  fake::vendor.failWith.clear();
  qv::updateBwLuts(0, 100);
  EXPECT_EQ(fake::vendor.count("CREATE_BWLUT_EX"), 1);
  EXPECT_EQ(fake::vendor.count("CREATE_PSEUDOLUT_EX"), 2);
  EXPECT_EQ(fake::vendor.count("CONVERT_SET_EX"), 2);

  fake::vendor.failWith["CREATE_COLORLUT_EX"] = 1;
  qv::updateColorLut(100, 100, 100, 4095);
  qv::updateColorLut(100, 100, 100, 4095);
  EXPECT_EQ(fake::vendor.count("CREATE_COLORLUT_EX"), 2);
  EXPECT_EQ(fake::vendor.count("CONVERT_SET_COL_EX"), 0);
}

TEST_F(TablesTest, SkippedWithoutConversionLibrary) {
  fake::installDriverOnly();
  qv::updateBwLuts(0, 100);
  qv::updateColorLut(1, 2, 3, 4);
  EXPECT_TRUE(fake::vendor.calls.empty());
}

// A camera brought up on the fake with a 640 x 16 frame whose word at (x, y) is
// y * 640 + x, after one acquisition.
class FrameTest : public testing::Test {
 protected:
  static constexpr int kWidth = 640;
  static constexpr int kHeight = 16;
  void SetUp() override {
    fake::install();
    fake::vendor.fullWidth = fake::vendor.imageWidth = kWidth;
    fake::vendor.fullHeight = fake::vendor.imageHeight = kHeight;
    std::array<int, 4> result{};
    ASSERT_EQ(qv::bringUpCamera(result), 0);
    for (std::size_t i = 0; i < fake::vendor.buffer.size(); ++i)
      fake::vendor.buffer[i] = static_cast<std::uint16_t>(i & 0xFFF);
    ASSERT_EQ(qv::acquireFrame(), 0);
    fake::vendor.calls.clear();
  }
  void fill(int x, int y, int w, int h, std::uint16_t value) {
    for (int row = y; row < y + h; ++row)
      for (int col = x; col < x + w; ++col)
        fake::vendor.buffer[static_cast<std::size_t>(row * kWidth + col)] = value;
  }
  std::array<int, 4> balance(std::vector<std::int32_t> &region) {
    return qv::whiteBalance(region.data(), region.size());
  }
};

TEST_F(FrameTest, WhiteBalanceRoundsWritesBackAndMarksEveryRow) {
  fill(0, 0, kWidth, kHeight, 0);
  std::vector<std::int32_t> region{3, 5, 11, 7};
  fake::vendor.balanceSlots[0] = 0x0001FFFF;  // low half 0xFFFF: -1
  fake::vendor.balanceSlots[1] = 100;
  fake::vendor.balanceSlots[2] = 0x7FFF;
  EXPECT_EQ(balance(region), (std::array<int, 4>{-1, 100, 32767, 0}));
  EXPECT_EQ(region, (std::vector<std::int32_t>{3, 5, 10, 6}));
  const fake::Call *call = fake::vendor.last("AUTOBALANCE");
  EXPECT_EQ(call->args, (std::vector<long long>{0, 10, 6, call->args[3], 0, 0, 2, 98, 30}));
  // Six rows of ten, each starting with the marker, the rest the frame's zeros.
  std::vector<std::uint16_t> expected(60, 0);
  for (std::size_t row = 0; row < 6; ++row) expected[row * 10] = qv::kRowMarker;
  EXPECT_EQ(fake::vendor.balanceWords, expected);
  EXPECT_EQ(qv::red, -1);
  EXPECT_EQ(qv::blue, 32767);
}

TEST_F(FrameTest, WhiteBalanceCopiesRowsAtTheImageStride) {
  qv::colorLut = fake::colorHandle();
  std::vector<std::int32_t> region{0, 2, 4, 2};
  EXPECT_EQ(balance(region)[3], 0);
  const std::vector<std::uint16_t> expected{4078, 2 * 640 + 1, 2 * 640 + 2, 2 * 640 + 3,
                                            4078, 3 * 640 + 1, 3 * 640 + 2, 3 * 640 + 3};
  EXPECT_EQ(fake::vendor.balanceWords, expected);
  EXPECT_EQ(fake::vendor.last("AUTOBALANCE")->args[4], address(fake::colorHandle()));
  // The colour table is ranged with the new factors and the current maximum.
  const fake::Call *range = fake::vendor.last("CONVERT_SET_COL_EX");
  EXPECT_EQ(range->args, (std::vector<long long>{range->args[0], 50, 50, 50, 4095, 4095, 4095, 0}));
}

TEST_F(FrameTest, WhiteBalanceFailuresGiveNeutralFactorsStoredAndRanged) {
  struct Case {
    const char *what;
    std::vector<std::int32_t> region;
    bool failCall;
    bool balanceCalled;
  };
  const Case cases[] = {
      {"AUTOBALANCE fails", {0, 0, 8, 8}, true, true},
      {"outside the image", {700, 0, 8, 8}, false, false},
      {"width rounds to 0", {0, 0, 1, 8}, false, false},
      {"negative height", {0, 0, 8, -6}, false, false},
      {"overflowing", {INT_MAX, INT_MAX, INT_MAX, INT_MAX}, false, false},
      {"one column inside", {639 - 1, 0, 4, 4}, false, true},
  };
  for (const Case &c : cases) {
    SetUp();
    qv::red = qv::green = qv::blue = 7;
    if (c.failCall) fake::vendor.failWith["AUTOBALANCE"] = 3;
    fake::vendor.balanceSlots[0] = 150;
    std::vector<std::int32_t> region = c.region;
    const std::array<int, 4> result = balance(region);
    EXPECT_EQ(fake::vendor.count("AUTOBALANCE"), c.balanceCalled ? 1 : 0) << c.what;
    if (c.balanceCalled && !c.failCall) continue;
    EXPECT_EQ(result, (std::array<int, 4>{100, 100, 100, -1609420799})) << c.what;
    EXPECT_EQ(qv::red, 100) << c.what;
    EXPECT_EQ(qv::blue, 100) << c.what;
    EXPECT_EQ(fake::vendor.count("CONVERT_SET_COL_EX"), 1) << c.what;
    EXPECT_EQ(region[2], qv::roundToEven(c.region[2])) << c.what;
  }
}

TEST_F(FrameTest, WhiteBalanceWithoutFrameOrRegion) {
  qv::red = 1;
  qv::green = 2;
  qv::blue = 3;
  EXPECT_EQ(qv::whiteBalance(nullptr, 0), (std::array<int, 4>{1, 2, 3, -1609420799}));
  std::vector<std::int32_t> shortRegion{0, 0, 5};
  EXPECT_EQ(balance(shortRegion)[3], -1609420799);
  EXPECT_EQ(shortRegion, (std::vector<std::int32_t>{0, 0, 5}));
  EXPECT_TRUE(fake::vendor.calls.empty());

  qv::frameBuffer = nullptr;  // as after ReleaseCamera
  std::vector<std::int32_t> region{0, 0, 8, 8};
  EXPECT_EQ(balance(region), (std::array<int, 4>{100, 100, 100, -1609420799}));
  EXPECT_EQ(fake::vendor.count("AUTOBALANCE"), 0);
}

struct RangeCase {
  const char *what;
  int proportional;
  std::vector<std::array<int, 5>> patches;  // x, y, w, h, value
  std::vector<std::int32_t> region;
  int min, max;
};

class AutoRangeTest : public FrameTest, public testing::WithParamInterface<RangeCase> {};

TEST_P(AutoRangeTest, FindsAndStoresBounds) {
  const RangeCase &c = GetParam();
  for (const auto &p : c.patches)
    fill(p[0], p[1], p[2], p[3], static_cast<std::uint16_t>(p[4]));
  EXPECT_EQ(qv::autoMinMax(c.proportional, c.region.data(), c.region.size()),
            (std::array<int, 2>{c.min, c.max}))
      << c.what;
  EXPECT_EQ(qv::displayMin, c.min);
  EXPECT_EQ(qv::displayMax, c.max);
  const fake::Call *bw = fake::vendor.last("CONVERT_SET_EX");
  ASSERT_NE(bw, nullptr);
  EXPECT_EQ(bw->args[1], c.min);
  EXPECT_EQ(bw->args[2], c.max);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AutoRangeTest,
    testing::Values(
        RangeCase{"1000 pixels at 100", 0, {{0, 0, 125, 8, 100}}, {0, 0, 125, 8}, 100, 100},
        RangeCase{"50 pixels", 0, {}, {0, 0, 25, 2}, 0, 4095},
        RangeCase{"proportional, small region", 1, {{0, 0, 100, 5, 7}}, {0, 0, 100, 5}, 0, 4095},
        RangeCase{"proportional, whole image", 1, {{0, 0, 640, 16, 9}}, {0, 0, 640, 16}, 9, 9},
        RangeCase{"all 4095", 0, {{0, 0, 100, 8, 4095}}, {0, 0, 100, 8}, 0, 4095},
        RangeCase{"60 + 60", 0, {{0, 0, 60, 1, 200}, {0, 1, 60, 1, 3000}}, {0, 0, 60, 2}, 200,
                  3000},
        RangeCase{"50 + 50 cross over", 0, {{0, 0, 50, 1, 200}, {0, 1, 50, 1, 3000}},
                  {0, 0, 50, 2}, 3000, 200},
        RangeCase{"words above 4095 are not counted", 0, {{0, 0, 100, 8, 5000}}, {0, 0, 100, 8},
                  0, 4095},
        RangeCase{"clipped at the image edge", 0, {{600, 0, 40, 16, 300}}, {600, 0, 5000, 5000},
                  300, 300},
        RangeCase{"negative and overflowing", 0, {{0, 0, 20, 16, 77}},
                  {-100, -5, 120, INT_MAX}, 77, 77},
        RangeCase{"nothing inside", 0, {}, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 4095}));

TEST_F(FrameTest, AutoRangeIsUsedByTheNextWhiteBalanceAndReplacedBySetUp) {
  fill(0, 0, 125, 8, 1000);
  std::vector<std::int32_t> region{0, 0, 125, 8};
  qv::red = qv::green = qv::blue = 100;
  ASSERT_EQ(qv::autoMinMax(0, region.data(), region.size()), (std::array<int, 2>{1000, 1000}));
  EXPECT_EQ(fake::vendor.last("CONVERT_SET_COL_EX")->args[6], 1000);
  std::vector<std::int32_t> balanceRegion{0, 0, 8, 8};
  balance(balanceRegion);
  EXPECT_EQ(fake::vendor.last("CONVERT_SET_COL_EX")->args[5], 1000);

  const std::vector<std::int32_t> s{3, 1, 1, 0, 0, 1, 0, 100, 100, 100, 5, 3000, 100, 100};
  qv::setUpCamera(s.data(), s.size());
  EXPECT_EQ(qv::displayMin, 5);
  EXPECT_EQ(qv::displayMax, 3000);
}

TEST_F(FrameTest, AutoRangeWithoutRegionKeepsBounds) {
  qv::displayMin = 12;
  qv::displayMax = 34;
  std::vector<std::int32_t> shortRegion{0, 0, 5};
  EXPECT_EQ(qv::autoMinMax(0, shortRegion.data(), shortRegion.size()),
            (std::array<int, 2>{12, 34}));
  EXPECT_EQ(qv::autoMinMax(0, nullptr, 0), (std::array<int, 2>{12, 34}));
  EXPECT_TRUE(fake::vendor.calls.empty());
}

}  // namespace
