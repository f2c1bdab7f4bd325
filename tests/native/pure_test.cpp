// The pure arithmetic: colour bounds, the mode word, region rounding and clipping, and
// the histogram bound search, each against hand-computed tables.
#include <gtest/gtest.h>

#include <climits>

#include "camera/camera.h"
#include "tables/tables.h"

namespace {

struct BoundsCase {
  int red, green, blue, max;
  int redBound, greenBound, blueBound;
};

class ColorBoundsTest : public testing::TestWithParam<BoundsCase> {};

TEST_P(ColorBoundsTest, MatchesHandComputedBounds) {
  const BoundsCase c = GetParam();
  const qv::ColorBounds b = qv::colorBounds(c.red, c.green, c.blue, c.max);
  EXPECT_EQ(b.red, c.redBound);
  EXPECT_EQ(b.green, c.greenBound);
  EXPECT_EQ(b.blue, c.blueBound);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ColorBoundsTest,
    testing::Values(BoundsCase{100, 100, 100, 4095, 4095, 4095, 4095},  // nothing scaled
                    BoundsCase{50, 100, 100, 4095, 4095, 2047, 2047},   // red largest
                    BoundsCase{100, 100, 50, 4095, 2047, 2047, 4095},   // blue largest
                    BoundsCase{50, 100, 50, 4095, 8190, 4095, 8190},    // equal: strict, unscaled
                    BoundsCase{7, 7, 7, 5000, 5000, 5000, 5000},        // green never limits
                    // 5000 x (4095 / 5000) is 4094.9999999999995 in double precision.
                    BoundsCase{80, 100, 120, 4000, 4094, 3276, 2730},
                    // A zero factor counts as equal to green.
                    BoundsCase{0, 100, 0, 4095, 4095, 4095, 4095},
                    BoundsCase{0, 100, 200, 4095, 4095, 4095, 2047},
                    // Extremes stay inside the int range.
                    BoundsCase{1, INT_MAX, 1, INT_MAX, INT_MAX, INT_MAX, INT_MAX},
                    BoundsCase{1, INT_MIN, 1, INT_MAX, INT_MIN, INT_MAX, INT_MIN},
                    // A negative bound below a huge positive one is scaled with it.
                    BoundsCase{-1, INT_MAX, 1, INT_MAX, -4095, 0, 4095}));

struct ModeCase {
  int mode, videoMode, word;
};

TEST(ModeWordTest, TriggeredBitAndModeFromBitFour) {
  const ModeCase cases[] = {{0, 0, 0x31}, {0, 1, 0x30}, {5, 0, 0x51}, {3, 7, 0x30},
                            {1, -1, 0x10}, {-1, 0, static_cast<int>(0xFFFFFFF1u)},
                            {INT_MAX, 0, static_cast<int>(0xFFFFFFF1u)}};
  for (const ModeCase &c : cases)
    EXPECT_EQ(qv::modeWord(c.mode, c.videoMode), c.word) << c.mode << "," << c.videoMode;
}

TEST(RegionTest, RoundsTowardZeroToEven) {
  const int cases[][2] = {{5, 4}, {-3, -2}, {4, 4}, {1, 0}, {-1, 0}, {0, 0},
                          {INT_MAX, INT_MAX - 1}, {INT_MIN, INT_MIN}};
  for (const auto &c : cases) EXPECT_EQ(qv::roundToEven(c[0]), c[1]) << c[0];
}

struct ClipCase {
  qv::Region region;
  int x0, y0, x1, y1;
};

TEST(RegionTest, ClipsToTheImageWithoutOverflow) {
  const ClipCase cases[] = {
      {{2, 4, 10, 6}, 2, 4, 12, 10},               // inside
      {{-5, -5, 10, 10}, 0, 0, 5, 5},              // over the top left
      {{90, 40, 50, 50}, 90, 40, 100, 50},         // over the bottom right
      {{200, 0, 10, 10}, 100, 0, 100, 10},         // beside: empty
      {{10, 10, -4, 5}, 10, 10, 6, 15},            // negative width: empty
      {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, 100, 50, 100, 50},
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}, 0, 0, 0, 0},
      {{-10, 0, INT_MAX, 3}, 0, 0, 100, 3},
  };
  for (const ClipCase &c : cases) {
    const qv::Window w = qv::clipRegion(c.region, 100, 50);
    EXPECT_EQ(w.x0, c.x0);
    EXPECT_EQ(w.y0, c.y0);
    EXPECT_EQ(w.x1, c.x1);
    EXPECT_EQ(w.y1, c.y1);
    EXPECT_LE(w.x1, 100);
    EXPECT_LE(w.y1, 50);
  }
  EXPECT_TRUE(qv::clipRegion({0, 0, 10, 10}, 0, 0).empty());
}

struct HistogramCase {
  const char *what;
  std::vector<std::pair<int, int>> counts;  // value, pixels
  long long threshold;
  int min, max;
};

class HistogramBoundsTest : public testing::TestWithParam<HistogramCase> {};

TEST_P(HistogramBoundsTest, FindsBounds) {
  const HistogramCase &c = GetParam();
  qv::Histogram h{};
  for (auto [value, pixels] : c.counts) h[static_cast<std::size_t>(value)] += static_cast<unsigned>(pixels);
  const qv::DisplayRange r = qv::histogramBounds(h, c.threshold);
  EXPECT_EQ(r.min, c.min) << c.what;
  EXPECT_EQ(r.max, c.max) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, HistogramBoundsTest,
    testing::Values(HistogramCase{"1000 at 100", {{100, 1000}}, 50, 100, 100},
                    HistogramCase{"50 pixels", {{100, 50}}, 50, 0, 4095},
                    HistogramCase{"empty", {}, 50, 0, 4095},
                    HistogramCase{"all 4095 are never summed", {{4095, 100000}}, 50, 0, 4095},
                    HistogramCase{"reached exactly does not stop", {{10, 50}, {20, 1}}, 50, 20, 10},
                    HistogramCase{"60 and 60", {{200, 60}, {3000, 60}}, 50, 200, 3000},
                    HistogramCase{"50 and 50 cross", {{200, 50}, {3000, 50}}, 50, 3000, 200},
                    HistogramCase{"4094 counts", {{4094, 51}}, 50, 4094, 4094},
                    HistogramCase{"0 counts", {{0, 51}}, 50, 0, 0},
                    HistogramCase{"threshold zero", {{7, 1}}, 0, 7, 7}));

TEST(HistogramTest, CountsOnlyTheWindowAndOnly12BitWords) {
  // 4 x 3 frame, stride 4; the window is columns 1..2 of rows 1..2.
  const std::uint16_t frame[] = {1, 1, 1, 1,  //
                                 1, 5, 4096, 1,  //
                                 1, 65535, 5, 1};
  qv::Histogram h{};
  qv::addToHistogram(h, frame, 4, qv::Window{1, 1, 3, 3});
  EXPECT_EQ(h[5], 2u);
  EXPECT_EQ(h[1], 0u);
  unsigned total = 0;
  for (unsigned v : h) total += v;
  EXPECT_EQ(total, 2u);
}

}  // namespace
