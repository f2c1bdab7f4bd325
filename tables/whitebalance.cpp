// Colour factors from a region of the last frame, through the conversion library.
#include <cstdint>
#include <new>
#include <vector>

#include "camera/state.h"
#include "camera/status.h"
#include "tables/tables.h"
#include "vendor/entry_points.h"

namespace qv {

namespace {

constexpr int kNeutralFactor = 100;

// The low 16 bits of a factor slot, sign-extended.
int factorFromSlot(int slot) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(slot & 0xFFFF));
}

// The region's words as AUTOBALANCE takes them: row after row, each starting with the
// row marker in place of its first pixel. Fails when nothing of the region lies in the
// image, when no frame is there to read, or when the buffer cannot be had.
bool copyRegion(const Region &region, std::vector<std::uint16_t> &words, int &width,
                int &height) {
  if (region.width <= 0 || region.height <= 0 || !frameReadable()) return false;
  const Window window = clipRegion(region, imageWidth, imageHeight);
  // Whole 2 x 2 mosaic cells only, also where the image edge cuts the region.
  width = roundToEven(window.width());
  height = roundToEven(window.height());
  if (window.empty() || width <= 0 || height <= 0) return false;
  try {
    words.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  } catch (const std::bad_alloc &) {
    return false;
  }
  const auto *frame = static_cast<const std::uint16_t *>(frameBuffer);
  std::size_t next = 0;
  for (int row = window.y0; row < window.y0 + height; ++row) {
    const std::uint16_t *line = frame + static_cast<std::ptrdiff_t>(row) * imageWidth;
    words[next++] = kRowMarker;
    for (int column = window.x0 + 1; column < window.x0 + width; ++column) words[next++] = line[column];
  }
  return true;
}

}  // namespace

std::array<int, 4> whiteBalance(std::int32_t *region, std::size_t count) {
  if (region == nullptr || count < kRegionCount) return {red, green, blue, kStatusWhiteBalanceFailed};

  const Region rounded{roundToEven(region[0]), roundToEven(region[1]), roundToEven(region[2]),
                       roundToEven(region[3])};
  region[2] = rounded.width;
  region[3] = rounded.height;

  int r = kNeutralFactor, g = kNeutralFactor, b = kNeutralFactor;
  int status = kStatusWhiteBalanceFailed;
  std::vector<std::uint16_t> words;
  int width = 0, height = 0;
  if (conversionLoaded() && copyRegion(rounded, words, width, height)) {
    int redSlot = 0, greenSlot = 0, blueSlot = 0;
    const int result = conversion.AUTOBALANCE(0, width, height, words.data(), colorLut, 0, 2, 98,
                                              30, &redSlot, &greenSlot, &blueSlot);
    if (result == 0) {
      r = factorFromSlot(redSlot);
      g = factorFromSlot(greenSlot);
      b = factorFromSlot(blueSlot);
      status = kStatusOk;
    }
  }
  updateColorLut(r, g, b, displayMax);
  red = r;
  green = g;
  blue = b;
  return {r, g, b, status};
}

}  // namespace qv
