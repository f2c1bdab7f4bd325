// WhiteBalance and AutoMinMax with any region over a small frame, through the
// in-process fake vendor libraries. The driver's buffer is exactly as large as the
// fake allocates it, which may be less than the image it reports; AddressSanitizer
// catches any word read outside it. Properties: the width and height are written back
// rounded, and only they; a failure gives the neutral factors; AUTOBALANCE gets whole
// 2 x 2 cells inside the image, each row starting with 4078 and going on with the
// frame's own words; the display bounds lie within 0..4095.
#include <algorithm>
#include <vector>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "fakes/fake_vendor.h"
#include "fuzz/fuzz_input.h"
#include "tables/tables.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  fake::install();
  fake::Vendor &v = fake::vendor;
  v.fullWidth = in.inRange(1, 40);
  v.fullHeight = in.inRange(1, 32);
  // Mostly the full size, sometimes binned or larger than the sensor, now and then any
  // size at all (0, negative, huge).
  const std::uint8_t shape = in.byte();
  v.imageWidth = shape < 160 ? v.fullWidth : (shape < 240 ? in.inRange(1, 48) : in.anyInt());
  v.imageHeight = shape < 160 ? v.fullHeight : (shape < 240 ? in.inRange(1, 40) : in.anyInt());
  // A driver that allocates less than it was asked for.
  if (in.byte() % 8 == 0) v.allocatedSize = 2 * in.inRange(1, v.fullWidth * v.fullHeight);
  v.balanceSlots[0] = static_cast<int>(in.raw32());
  v.balanceSlots[1] = static_cast<int>(in.raw32());
  v.balanceSlots[2] = static_cast<int>(in.raw32());
  if (in.byte() % 4 == 0) v.failWith["AUTOBALANCE"] = 3;

  std::array<int, 4> up{};
  if (qv::bringUpCamera(up) != 0) return 0;
  for (std::uint16_t &word : v.buffer) {
    const std::uint8_t b = in.byte();
    word = static_cast<std::uint16_t>(b < 248 ? b * 16 + (b & 15) : 0xFFF0u + b % 8);
  }
  const bool taken = qv::acquireFrame() == 0;
  const bool readable = qv::frameReadable();
  FUZZ_CHECK(taken == readable);
  FUZZ_CHECK(!readable || qv::frameBufferBytes >= 2LL * qv::imageWidth * qv::imageHeight);
  if (in.byte() % 4 == 0) qv::updateColorLut(100, 100, 100, 4095);  // a colour table

  // Regions: mostly near the image, sometimes anywhere; arrays of 0 to 5 elements.
  const auto coordinate = [&in](int extent) {
    return in.byte() % 4 == 0 ? in.anyInt() : in.inRange(-extent, 2 * extent);
  };
  std::vector<std::int32_t> region(static_cast<std::size_t>(in.inRange(0, 5)));
  for (std::size_t i = 0; i < region.size(); ++i)
    region[i] = coordinate(std::clamp(i % 2 == 0 ? v.imageWidth : v.imageHeight, 1, 64));
  const std::vector<std::int32_t> passed = region;
  const int factors[] = {qv::red, qv::green, qv::blue};
  v.calls.clear();

  const std::array<int, 4> balance = qv::whiteBalance(region.data(), region.size());
  if (region.size() < qv::kRegionCount) {
    FUZZ_CHECK(region == passed);
    FUZZ_CHECK(balance[0] == factors[0] && balance[1] == factors[1] && balance[2] == factors[2]);
    FUZZ_CHECK(balance[3] == qv::kStatusWhiteBalanceFailed && v.calls.empty());
  } else {
    FUZZ_CHECK(region[0] == passed[0] && region[1] == passed[1]);
    FUZZ_CHECK(region[2] == qv::roundToEven(passed[2]) && region[3] == qv::roundToEven(passed[3]));
    for (std::size_t i = 4; i < region.size(); ++i) FUZZ_CHECK(region[i] == passed[i]);
    FUZZ_CHECK(balance[3] == 0 || balance[3] == qv::kStatusWhiteBalanceFailed);
    if (balance[3] != 0) FUZZ_CHECK(balance[0] == 100 && balance[1] == 100 && balance[2] == 100);
    const fake::Call *call = v.last("AUTOBALANCE");
    if (!readable) FUZZ_CHECK(call == nullptr);
    if (call != nullptr) {
      const int width = static_cast<int>(call->args[1]), height = static_cast<int>(call->args[2]);
      FUZZ_CHECK(taken && width > 0 && height > 0 && width % 2 == 0 && height % 2 == 0);
      FUZZ_CHECK(width <= qv::imageWidth && height <= qv::imageHeight);
      FUZZ_CHECK(v.balanceWords.size() == static_cast<std::size_t>(width) * height);
      // The copied window starts where the rounded region meets the image.
      const int x0 = std::max(qv::roundToEven(passed[0]), 0);
      const int y0 = std::max(qv::roundToEven(passed[1]), 0);
      for (int row = 0; row < height; ++row) {
        const std::uint16_t *copied = v.balanceWords.data() + static_cast<std::size_t>(row) * width;
        FUZZ_CHECK(copied[0] == qv::kRowMarker);
        for (int column = 1; column < width; ++column)
          FUZZ_CHECK(copied[column] ==
                     v.buffer[static_cast<std::size_t>(y0 + row) * qv::imageWidth + x0 + column]);
      }
    }
  }

  region = passed;
  const int proportional = in.anyInt();
  const std::array<int, 2> range = qv::autoMinMax(proportional, region.data(), region.size());
  FUZZ_CHECK(region == passed);
  FUZZ_CHECK(range[0] >= 0 && range[0] <= 4095 && range[1] >= 0 && range[1] <= 4095);
  if (region.size() >= qv::kRegionCount) FUZZ_CHECK(qv::displayMin == range[0] && qv::displayMax == range[1]);
  return 0;
}
