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
  for (int row = window.y0; row < window.y1; ++row) {
    const std::uint16_t *line = frame + static_cast<std::ptrdiff_t>(row) * stride;
    for (int column = window.x0; column < window.x1; ++column) {
      const std::uint16_t value = line[column];
      if (value < kHistogramSize) ++histogram[value];
    }
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
