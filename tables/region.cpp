// Region rounding and clipping, and the histogram bound search.
#include <algorithm>
#include <cstdint>

#include "tables/tables.h"

namespace qv {

int roundToEven(int value) { return (value / 2) * 2; }

Window clipRegion(const Region &region, int imageWidth, int imageHeight) {
  // 64-bit ends: x + width must not overflow for any pair of ints.
  const auto clip = [](int start, int length, int limit, int &lo, int &hi) {
    const std::int64_t end = std::int64_t{start} + length;
    lo = static_cast<int>(std::clamp<std::int64_t>(start, 0, std::max(limit, 0)));
    hi = static_cast<int>(std::clamp<std::int64_t>(end, 0, std::max(limit, 0)));
  };
  Window window{};
  clip(region.x, region.width, imageWidth, window.x0, window.x1);
  clip(region.y, region.height, imageHeight, window.y0, window.y1);
  return window;
}

void addToHistogram(Histogram &histogram, const std::uint16_t *frame, int stride,
                    const Window &window) {
  if (window.empty()) return;
  // The bounds are copied: the counters are unsigned ints, which the compiler must
  // assume may alias the window's ints, so it would reload them after every count.
  const int x0 = window.x0, x1 = window.x1, y0 = window.y0, y1 = window.y1;
  const auto count = [&histogram](std::uint16_t value) {
    if (value < kHistogramSize) ++histogram[value];
  };
  for (int row = y0; row < y1; ++row) {
    const std::uint16_t *line = frame + static_cast<std::ptrdiff_t>(row) * stride;
    int column = x0;
    // Four words a turn: a one-word loop body is so short that its speed depends on
    // where the code happens to lie (twice as slow when it straddles a 64-byte line).
    for (; x1 - column >= 4; column += 4) {
      count(line[column]);
      count(line[column + 1]);
      count(line[column + 2]);
      count(line[column + 3]);
    }
    for (; column < x1; ++column) count(line[column]);
  }
}

DisplayRange histogramBounds(const Histogram &histogram, long long threshold) {
  constexpr int kTop = kHistogramSize - 2;  // 4094: the searches never add counter 4095
  DisplayRange range{0, kHistogramSize - 1};
  long long sum = 0;
  for (int i = 0; i <= kTop; ++i) {
    sum += histogram[static_cast<std::size_t>(i)];
    if (sum > threshold) {
      range.min = i;
      break;
    }
  }
  sum = 0;
  for (int j = kTop; j >= 0; --j) {
    sum += histogram[static_cast<std::size_t>(j)];
    if (sum > threshold) {
      range.max = j;
      break;
    }
  }
  return range;
}

}  // namespace qv
