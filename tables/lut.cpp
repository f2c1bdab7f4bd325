// The three display tables of the conversion library and the arithmetic of their ranges.
#include <cstdint>

#include "camera/state.h"
#include "tables/tables.h"
#include "vendor/entry_points.h"

namespace qv {

namespace {

constexpr double kColorLimit = 4095.0;
constexpr int kColorLow = 50;

int truncateToInt(double value) {
  if (!(value > -2147483648.0)) return INT32_MIN;  // also NaN, which cannot arise here
  if (value >= 2147483647.0) return INT32_MAX;
  return static_cast<int>(value);
}

double quotient(int green, int factor) {
  return factor == 0 ? 1.0 : static_cast<double>(green) / static_cast<double>(factor);
}

}  // namespace

ColorBounds colorBounds(int redFactor, int greenFactor, int blueFactor, int max) {
  const double r = quotient(greenFactor, redFactor) * max;
  const double b = quotient(greenFactor, blueFactor) * max;
  double scale = 1.0;
  if (r > kColorLimit && r > b) scale = kColorLimit / r;
  if (b > kColorLimit && b > r) scale = kColorLimit / b;
  // Each product is its own rounded double before truncation.
  const double redBound = r * scale;
  const double greenBound = max * scale;
  const double blueBound = b * scale;
  return {truncateToInt(redBound), truncateToInt(greenBound), truncateToInt(blueBound)};
}

void updateColorLut(int redFactor, int greenFactor, int blueFactor, int max) {
  if (!conversionLoaded()) return;
  const ColorBounds bounds = colorBounds(redFactor, greenFactor, blueFactor, max);
  if (colorLut == nullptr) colorLut = conversion.CREATE_COLORLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  if (colorLut == nullptr) return;
  conversion.CONVERT_SET_COL_EX(colorLut, kColorLow, kColorLow, kColorLow, bounds.red,
                                bounds.green, bounds.blue, 0, lutParam, colorParam);
}

void updateBwLuts(int min, int max) {
  if (!conversionLoaded()) return;
  if (bwLut == nullptr) bwLut = conversion.CREATE_BWLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  if (bwLut == nullptr) return;
  if (pseudoLut == nullptr)
    pseudoLut = conversion.CREATE_PSEUDOLUT_EX(kLutBits, kLutLow, kLutHigh, 0);
  if (pseudoLut == nullptr) return;
  conversion.CONVERT_SET_EX(bwLut, min, max, 0, lutParam);
  conversion.CONVERT_SET_EX(static_cast<char *>(pseudoLut) + kPseudoLutRangeOffset, min, max, 0,
                            lutParam);
}

}  // namespace qv
