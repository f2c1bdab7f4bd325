// The colour table's upper bounds for any four ints: no undefined behaviour (UBSan
// checks every float-to-int conversion), and the properties the arithmetic promises:
// red and blue play mirrored parts, a factor of 0 counts as one equal to green, equal
// factors give the display maximum three times, the green bound is never larger than
// the maximum, and after the scaling no bound above 4095 stands alone.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "tables/tables.h"

namespace {

bool same(const qv::ColorBounds &a, const qv::ColorBounds &b) {
  return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

long long magnitude(int v) { return std::llabs(static_cast<long long>(v)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  fuzz::Input in(data, size);
  const int red = in.anyInt(), green = in.anyInt(), blue = in.anyInt(), max = in.anyInt();
  const qv::ColorBounds bounds = qv::colorBounds(red, green, blue, max);

  const qv::ColorBounds mirrored = qv::colorBounds(blue, green, red, max);
  FUZZ_CHECK(mirrored.red == bounds.blue && mirrored.blue == bounds.red &&
             mirrored.green == bounds.green);

  if (red == 0) FUZZ_CHECK(same(bounds, qv::colorBounds(green, green, blue, max)));
  if (blue == 0) FUZZ_CHECK(same(bounds, qv::colorBounds(red, green, green, max)));

  const qv::ColorBounds equal = qv::colorBounds(red, red, red, max);
  FUZZ_CHECK(equal.red == max && equal.green == max && equal.blue == max);

  FUZZ_CHECK(magnitude(bounds.green) <= magnitude(max));

  // Scaling brings the larger outer bound down to 4095 (4094 after rounding); only a
  // tie, which is never scaled, leaves both above it.
  if (bounds.red > 4095 || bounds.blue > 4095) FUZZ_CHECK(bounds.red == bounds.blue);
  return 0;
}
