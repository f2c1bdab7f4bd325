// The display range from a histogram of a region of the last frame.
#include <cstdint>

#include "camera/state.h"
#include "tables/tables.h"

namespace qv {

namespace {
constexpr long long kFixedThreshold = 50;
}

std::array<int, 2> autoMinMax(int proportional, const std::int32_t *region, std::size_t count) {
  if (region == nullptr || count < kRegionCount) return {displayMin, displayMax};

  // Only the part of the region inside the last image is read; before any frame, or
  // after the buffer is gone, that part is empty.
  Histogram histogram{};
  if (frameReadable()) {
    const Window window =
        clipRegion({region[0], region[1], region[2], region[3]}, imageWidth, imageHeight);
    addToHistogram(histogram, static_cast<const std::uint16_t *>(frameBuffer), imageWidth,
                   window);
  }
  const long long threshold =
      proportional != 0 ? static_cast<long long>(imageWidth) * imageHeight / 10 : kFixedThreshold;
  const DisplayRange range = histogramBounds(histogram, threshold);

  displayMin = range.min;
  displayMax = range.max;
  updateColorLut(red, green, blue, displayMax);
  updateBwLuts(displayMin, displayMax);
  return {displayMin, displayMax};
}

}  // namespace qv
