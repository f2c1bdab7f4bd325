// Region rounding and clipping for any ints, and the histogram of the clipped window
// over a frame of exactly the image's size (AddressSanitizer catches any word read
// outside it). Properties: rounding goes toward zero to an even number; the window
// never lies outside the image or the region, and holds every pixel that lies in both.
#include <algorithm>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "tables/tables.h"

namespace {

bool within(long long value, long long start, long long length) {
  return value >= start && value < start + length;
}

void checkRounding(int value) {
  const int rounded = qv::roundToEven(value);
  const long long v = value, r = rounded;
  FUZZ_CHECK(r % 2 == 0);
  FUZZ_CHECK(v - r >= -1 && v - r <= 1);
  FUZZ_CHECK(r == 0 || (r > 0) == (v > 0));
  FUZZ_CHECK(std::llabs(r) <= std::llabs(v));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  const qv::Region region{in.anyInt(), in.anyInt(), in.anyInt(), in.anyInt()};
  for (int value : {region.x, region.y, region.width, region.height}) checkRounding(value);

  // Any image size for the window alone.
  const int anyWidth = in.anyInt(), anyHeight = in.anyInt();
  const qv::Window window = qv::clipRegion(region, anyWidth, anyHeight);
  if (!window.empty()) {
    FUZZ_CHECK(window.x0 >= 0 && window.x1 <= anyWidth && window.y0 >= 0 && window.y1 <= anyHeight);
    FUZZ_CHECK(window.x0 >= region.x && window.y0 >= region.y);
    FUZZ_CHECK(window.x1 <= static_cast<long long>(region.x) + region.width);
    FUZZ_CHECK(window.y1 <= static_cast<long long>(region.y) + region.height);
  }
  // Every edge of region and image, and a point from the input: inside both exactly
  // when inside the window.
  const long long xs[] = {region.x - 1LL, region.x, static_cast<long long>(region.x) + region.width - 1,
                          static_cast<long long>(region.x) + region.width, -1, 0, anyWidth - 1LL,
                          anyWidth, in.anyInt()};
  const long long ys[] = {region.y - 1LL, region.y, static_cast<long long>(region.y) + region.height - 1,
                          static_cast<long long>(region.y) + region.height, -1, 0, anyHeight - 1LL,
                          anyHeight, in.anyInt()};
  for (long long x : xs) {
    const bool inBothX = within(x, region.x, region.width) && within(x, 0, anyWidth);
    const bool inWindowX = !window.empty() && within(x, window.x0, window.width());
    for (long long y : ys) {
      const bool inBoth = inBothX && within(y, region.y, region.height) && within(y, 0, anyHeight);
      const bool inWindow = inWindowX && within(y, window.y0, window.height());
      FUZZ_CHECK(inBoth == inWindow);
    }
  }

  // A small frame of exactly width x height words: the histogram counts the words of
  // the region's part inside it that are at most 4095, and reads nothing else.
  const int width = in.inRange(0, 48), height = in.inRange(0, 40);
  const std::size_t words = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::unique_ptr<std::uint16_t[]> frame(new std::uint16_t[words]);
  for (std::size_t i = 0; i < words; ++i) {
    const std::uint8_t b = in.byte();
    frame[i] = static_cast<std::uint16_t>(b < 240 ? b * 17 : 0xF000u + b);  // some above 4095
  }
  const qv::Window inside = qv::clipRegion(region, width, height);
  qv::Histogram histogram{};
  qv::addToHistogram(histogram, frame.get(), width, inside);
  unsigned long long counted = 0;
  for (std::uint32_t c : histogram) counted += c;
  unsigned long long expected = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (within(x, region.x, region.width) && within(y, region.y, region.height) &&
          frame[static_cast<std::size_t>(y) * width + x] < qv::kHistogramSize)
        ++expected;
  FUZZ_CHECK(counted == expected);
  return 0;
}
