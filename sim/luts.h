// Lookup tables of the simulated conversion library: a 12-bit value through a window
// [low, high] and a gamma to an 8-bit level, and the pseudo-colour palette over the
// 256 levels. Tables are built when a window is set, so that converting a frame is
// a pure lookup per pixel.
#pragma once

#include <cstdint>

namespace qvsim {

inline constexpr int kInputLevels = 4096;  // 12-bit input
inline constexpr unsigned kInputMask = 0xFFFu;

// gamma <= 0 or not finite counts as 1.
double sanitizeGamma(double gamma);

// level[v] = round(255 * clamp((v - low) / (high - low), 0, 1) ^ (1 / gamma)) for every
// v in 0..4095. When low >= high the window is a step at low: 0 below it, 255 from it.
void buildLevels(std::uint8_t (&level)[kInputLevels], int low, int high, double gamma);

// An exact arithmetic form of a table of levels, for conversions that compute instead of
// looking up: for every v in 0..4095,
//   level[v] == (min(max(v - low, 0), span) * multiplier + addend) >> shift.
// Tables with a gamma of 1 usually have one; `exists` is false when none was found.
inline constexpr std::int64_t kMaxMultiplier = std::int64_t{1} << 20;  // 12 + 20 bits fit 32
struct LinearLevels {
  bool exists = false;
  int low = 0;   // 0..4095
  int span = 0;  // 1..4095 - low
  std::uint32_t multiplier = 0;  // at most kMaxMultiplier
  std::uint32_t addend = 0;
  int shift = 0;
};

// Looks for the form of a table built by buildLevels(level, low, high, gamma) and checks
// it against all 4096 levels; only a form that reproduces every one is returned.
LinearLevels findLinearLevels(const std::uint8_t (&level)[kInputLevels], int low, int high);

// 0x00RRGGBB of pseudo-colour level 0..255: a perceptual map from dark violet through
// blue and green to yellow, interpolated between fixed control points. Its luminance
// rises with the level.
std::uint32_t pseudoColour(int level);

}  // namespace qvsim
