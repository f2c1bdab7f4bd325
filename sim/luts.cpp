#include "sim/luts.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace qvsim {

double sanitizeGamma(double gamma) {
  return std::isfinite(gamma) && gamma > 0.0 ? gamma : 1.0;
}

namespace {

// std::lround of a value in [0, 255], without the library call: the truncation of a
// non-negative value is its floor, and x - floor(x) is exact for such x, so halves round
// up (away from zero) exactly as lround does.
std::uint8_t roundLevel(double x) {
  const int whole = static_cast<int>(x);
  return static_cast<std::uint8_t>(whole + (x - whole >= 0.5 ? 1 : 0));
}

}  // namespace

void buildLevels(std::uint8_t (&level)[kInputLevels], int low, int high, double gamma) {
  if (low >= high) {
    for (int v = 0; v < kInputLevels; ++v) level[v] = v >= low ? 255 : 0;
    return;
  }
  const double exponent = 1.0 / sanitizeGamma(gamma);
  const double lowD = low;
  const double span = static_cast<double>(high) - lowD;
  // pow(t, 1) is t exactly, so a linear table needs no pow at all; ranging a table is
  // then a few microseconds instead of a few hundred (AutoMinMax and WhiteBalance range
  // three tables after every call).
  const bool linear = exponent == 1.0;
  for (int v = 0; v < kInputLevels; ++v) {
    double t = (v - lowD) / span;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    // pow of a value in [0, 1] with a positive (possibly infinite) exponent stays in
    // [0, 1], so the rounded level is 0..255.
    level[v] = roundLevel(255.0 * (linear ? t : std::pow(t, exponent)));
  }
}

LinearLevels findLinearLevels(const std::uint8_t (&level)[kInputLevels], int low, int high) {
  if (low < 0 || high > kInputLevels - 1 || low >= high) return LinearLevels{};
  const int span = high - low;
  // Level of d = v - low, for d in 0..span (below and above the window the clamp gives
  // the levels at its ends).
  const auto target = [&](int d) { return static_cast<std::int64_t>(level[low + d]); };
  // The finest shift whose multiplier, about 255 * 2^shift / span, stays within its
  // limit, so that d * multiplier fits 32 bits; then one coarser. Candidates that fail
  // do so within a few values of d, so the search stays cheap.
  int finest = 24;
  while (finest > 0 && 255.0 * static_cast<double>(1u << finest) / span > kMaxMultiplier) --finest;
  for (int shift = finest; shift >= std::max(finest - 1, 0); --shift) {
    const double ideal = 255.0 * static_cast<double>(1u << shift) / span;
    for (int step = 0; step <= 2; ++step) {
      const std::int64_t multiplier =
          static_cast<std::int64_t>(std::llround(ideal)) + (step == 0 ? 0 : (step == 1 ? -1 : 1));
      if (multiplier < 0 || multiplier > kMaxMultiplier) continue;
      // Every d bounds the addend: level * 2^shift <= d * m + a < (level + 1) * 2^shift.
      std::int64_t lowest = 0, highest = (std::int64_t{1} << 32) - 1;
      for (int d = 0; d <= span && lowest <= highest; ++d) {
        const std::int64_t product = d * multiplier;
        lowest = std::max(lowest, (target(d) << shift) - product);
        highest = std::min(highest, ((target(d) + 1) << shift) - 1 - product);
      }
      // The sum must stay within 32 bits, in which the conversions compute it.
      if (lowest > highest || span * multiplier + lowest > 0xFFFFFFFFll) continue;
      const LinearLevels candidate{true, low, span, static_cast<std::uint32_t>(multiplier),
                                   static_cast<std::uint32_t>(lowest), shift};
      // The check that decides: the form gives every level of the table.
      bool every = true;
      for (int v = 0; v < kInputLevels && every; ++v) {
        const std::uint32_t d = static_cast<std::uint32_t>(std::min(std::max(v - low, 0), span));
        every = ((d * candidate.multiplier + candidate.addend) >> shift) == level[v];
      }
      if (every) return candidate;
    }
  }
  return LinearLevels{};
}

namespace {

struct ControlPoint {
  int r, g, b;
};

// Evenly spaced over levels 0..255; the luminance of each point exceeds the one before,
// so the linear blend between them rises steadily too.
constexpr ControlPoint kPalette[] = {
    {68, 1, 84},    {71, 44, 122},  {59, 82, 139},  {44, 114, 142}, {33, 145, 140},
    {39, 173, 129}, {94, 201, 98},  {170, 220, 50}, {253, 231, 37},
};
constexpr int kSegments = static_cast<int>(sizeof kPalette / sizeof kPalette[0]) - 1;

int blend(int a, int b, int weight, int scale) {
  // Rounded a + (b - a) * weight / scale for weight in 0..scale.
  const int num = a * (scale - weight) + b * weight;
  return (num + scale / 2) / scale;
}

}  // namespace

std::uint32_t pseudoColour(int level) {
  level = level < 0 ? 0 : (level > 255 ? 255 : level);
  // Position along the palette in units of 1/255 of a segment.
  const int position = level * kSegments;
  const int segment = position / 255 < kSegments ? position / 255 : kSegments - 1;
  const int weight = position - segment * 255;
  const ControlPoint &a = kPalette[segment];
  const ControlPoint &b = kPalette[segment + 1];
  const auto r = static_cast<std::uint32_t>(blend(a.r, b.r, weight, 255));
  const auto g = static_cast<std::uint32_t>(blend(a.g, b.g, weight, 255));
  const auto bl = static_cast<std::uint32_t>(blend(a.b, b.b, weight, 255));
  return (r << 16) | (g << 8) | bl;
}

}  // namespace qvsim
