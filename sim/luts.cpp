#include "sim/luts.h"

#include <cmath>

namespace qvsim {

double sanitizeGamma(double gamma) {
  return std::isfinite(gamma) && gamma > 0.0 ? gamma : 1.0;
}

void buildLevels(std::uint8_t (&level)[kInputLevels], int low, int high, double gamma) {
  if (low >= high) {
    for (int v = 0; v < kInputLevels; ++v) level[v] = v >= low ? 255 : 0;
    return;
  }
  const double exponent = 1.0 / sanitizeGamma(gamma);
  const double lowD = low;
  const double span = static_cast<double>(high) - lowD;
  for (int v = 0; v < kInputLevels; ++v) {
    double t = (v - lowD) / span;
    t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
    // pow of a value in [0, 1] with a positive (possibly infinite) exponent stays in
    // [0, 1], so the rounded level is 0..255.
    level[v] = static_cast<std::uint8_t>(std::lround(255.0 * std::pow(t, exponent)));
  }
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
