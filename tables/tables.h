// Display tables and the two automatic adjustments that work on the last frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qv {

// ---- Pure arithmetic, free of any state ----------------------------------------------

struct ColorBounds {
  int red;
  int green;
  int blue;
};

// The colour table's upper bounds for factors red, green, blue and display maximum max:
// red and blue bounds are (green / factor) x max, and when one of them is above 4095
// and strictly the larger, all three are scaled down so that it becomes 4095. A factor
// of 0 counts as equal to green. Each bound is truncated toward zero and clamped into
// the int range.
ColorBounds colorBounds(int red, int green, int blue, int max);

struct Region {
  int x;
  int y;
  int width;
  int height;
};

// Rounds toward zero to a multiple of 2 (5 -> 4, -3 -> -2).
int roundToEven(int value);

// The part of a region that lies inside a width x height image, as half-open column
// and row ranges; empty when x0 >= x1 or y0 >= y1.
struct Window {
  int x0;
  int y0;
  int x1;
  int y1;
  bool empty() const { return x0 >= x1 || y0 >= y1; }
  int width() const { return x1 - x0; }
  int height() const { return y1 - y0; }
};
Window clipRegion(const Region &region, int imageWidth, int imageHeight);

inline constexpr int kHistogramSize = 4096;
using Histogram = std::array<std::uint32_t, kHistogramSize>;

struct DisplayRange {
  int min;
  int max;
};

// Adds every word of the window of a frame with row stride `stride` to histogram;
// words above 4095 are not counted.
void addToHistogram(Histogram &histogram, const std::uint16_t *frame, int stride,
                    const Window &window);

// Lower bound: the first index from 0 up where the running sum exceeds threshold
// (default 0); upper bound: the first from 4094 down (default 4095). Counter 4095 is
// never summed.
DisplayRange histogramBounds(const Histogram &histogram, long long threshold);

// ---- Tables in the conversion library ----------------------------------------------

// Creates the colour table when needed and sets its range. Skipped while the
// conversion library is not loaded.
void updateColorLut(int red, int green, int blue, int max);
// Creates the black-and-white table, then the pseudo-colour table, when needed, and
// sets both ranges. Skipped while the conversion library is not loaded.
void updateBwLuts(int min, int max);

// ---- Automatic adjustments over the last frame ---------------------------------------

inline constexpr std::size_t kRegionCount = 4;
inline constexpr int kRowMarker = 4078;

// region: {x, y, width, height}, count elements (null allowed); the rounded width and
// height are written back. Returns {red, green, blue, status}.
std::array<int, 4> whiteBalance(std::int32_t *region, std::size_t count);

// region: {x, y, width, height}. Returns {displayMin, displayMax}.
std::array<int, 2> autoMinMax(int proportional, const std::int32_t *region, std::size_t count);

}  // namespace qv
