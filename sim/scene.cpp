// The simulated sensor's scenes: the structured test chart with noise, and the pattern.
#include "sim/scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include "sim/control.h"

namespace qvsim_driver {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
  double r, g, b;
};

constexpr Rgb grey(double level) { return {level, level, level}; }

constexpr Rgb kBackground = grey(0.20);
constexpr double kBarDark = 0.04;
constexpr double kBarLight = 0.90;

bool inside(double u, double v, double x0, double y0, double x1, double y1) {
  return u >= x0 && u < x1 && v >= y0 && v < y1;
}

Rgb hsv(double hue, double saturation, double value) {
  const double h = (hue - std::floor(hue)) * 6.0;
  const int sector = static_cast<int>(h) % 6;
  const double f = h - std::floor(h);
  const double p = value * (1.0 - saturation);
  const double q = value * (1.0 - saturation * f);
  const double t = value * (1.0 - saturation * (1.0 - f));
  switch (sector) {
    case 0: return {value, t, p};
    case 1: return {q, value, p};
    case 2: return {p, value, t};
    case 3: return {p, q, value};
    case 4: return {t, p, value};
    default: return {value, p, q};
  }
}

// Two rows of four patches: primaries, secondaries, skin and foliage tones.
constexpr Rgb kPatches[8] = {
    {0.70, 0.08, 0.08}, {0.10, 0.60, 0.12}, {0.08, 0.12, 0.65}, {0.80, 0.75, 0.10},
    {0.65, 0.12, 0.55}, {0.10, 0.60, 0.70}, {0.75, 0.55, 0.45}, {0.30, 0.42, 0.12},
};

// Reflectance of the chart at sensor position (x, y) of a w x h sensor. The layout is
// in fractions of the sensor size; line-pair periods are in sensor pixels, so binning
// blurs the finest groups as on a real sensor.
Rgb chartAt(double x, double y, int w, int h) {
  const double u = x / w, v = y / h;
  const double shortSide = std::min(w, h);

  // Luminance gradient across the top, black to white.
  if (inside(u, v, 0.04, 0.03, 0.96, 0.11)) return grey((u - 0.04) / 0.92);

  // Grey step wedge along the bottom, eleven steps.
  if (inside(u, v, 0.04, 0.89, 0.96, 0.97)) {
    const int step = std::min(10, static_cast<int>((u - 0.04) / 0.92 * 11.0));
    return grey(0.02 + 0.096 * step);
  }

  // Line-pair groups: five rows with periods of 32, 16, 8, 4 and 2 sensor pixels;
  // vertical bars on the left, horizontal bars on the right.
  if (inside(u, v, 0.04, 0.15, 0.40, 0.52)) {
    constexpr double rowHeight = 0.37 / 5.0;
    const int group = std::min(4, static_cast<int>((v - 0.15) / rowHeight));
    const double top = 0.15 + group * rowHeight;
    const double within = (v - top) / rowHeight;
    if (within < 0.12 || within > 0.88) return kBackground;
    const double halfPeriod = static_cast<double>(16 >> group);
    long long bar;
    if (u < 0.215) {
      bar = static_cast<long long>(std::floor((x - 0.04 * w) / halfPeriod));
    } else if (u >= 0.225) {
      bar = static_cast<long long>(std::floor((y - (top + 0.12 * rowHeight) * h) / halfPeriod));
    } else {
      return kBackground;
    }
    return grey((bar & 1) != 0 ? kBarDark : kBarLight);
  }

  if (inside(u, v, kGreyPatch.x0, kGreyPatch.y0, kGreyPatch.x1, kGreyPatch.y1))
    return grey(0.45);

  // Siemens star with 32 spoke pairs and an unresolvable grey centre.
  {
    const double dx = x - 0.63 * w, dy = y - 0.335 * h;
    const double radius = 0.17 * shortSide;
    const double r2 = dx * dx + dy * dy;
    if (r2 < radius * radius) {
      if (r2 < 0.0009 * radius * radius) return grey(0.5);
      const double turn = std::atan2(dy, dx) / (2.0 * kPi) + 0.5;
      const int sector = static_cast<int>(turn * 64.0);
      return grey((sector & 1) != 0 ? kBarDark : kBarLight);
    }
  }

  // Colour patches, 2 x 4 cells with a gap of background around each patch.
  if (inside(u, v, 0.46, 0.58, 0.96, 0.82)) {
    const double cu = (u - 0.46) / 0.125, cv = (v - 0.58) / 0.12;
    const int col = std::min(3, static_cast<int>(cu)), row = std::min(1, static_cast<int>(cv));
    const double fu = cu - col, fv = cv - row;
    if (fu < 0.1 || fu > 0.9 || fv < 0.1 || fv > 0.9) return kBackground;
    return kPatches[row * 4 + col];
  }

  // Hue around the circle from left to right, saturation rising downwards.
  if (inside(u, v, 0.04, 0.58, 0.40, 0.82)) return hsv((u - 0.04) / 0.36, (v - 0.58) / 0.24, 0.75);

  return kBackground;
}

// Light falling off towards the corners, as through a real lens.
double vignetting(double u, double v) {
  const double du = u - 0.5, dv = v - 0.5;
  return 1.0 - 0.5 * (du * du + dv * dv);
}

double luminance(const Rgb &c) { return 0.299 * c.r + 0.587 * c.g + 0.114 * c.b; }

// Colour channel of image pixel (x, y) in the RGGB mosaic: 0 red, 1 green, 2 blue.
int mosaicChannel(int x, int y) {
  const bool oddRow = (y & 1) != 0, oddColumn = (x & 1) != 0;
  if (!oddRow && !oddColumn) return 0;
  if (oddRow && oddColumn) return 2;
  return 1;
}

double channelOf(const Rgb &c, int channel) {
  switch (channel) {
    case 0: return c.r * kWarmLightRed;
    case 2: return c.b * kWarmLightBlue;
    default: return c.g * kWarmLightGreen;
  }
}

// The bright object: a soft-edged disc on a closed figure-eight path through the middle
// of the frame, clear of the grey patch, one full round every 512 frames. 512 divides
// 2^32, so the path stays smooth where the frame counter wraps.
constexpr unsigned kObjectPeriodFrames = 512;
constexpr double kObjectPeak = 1.4;
constexpr Rgb kObjectColor{1.0, 0.96, 0.88};

struct Object {
  double cx, cy;    // centre in sensor pixels
  double radius;    // sensor pixels
  double edge;      // width of the soft rim
};

Object objectAt(unsigned frame, int w, int h) {
  const double angle = 2.0 * kPi * (frame % kObjectPeriodFrames) / kObjectPeriodFrames;
  const double radius = 0.035 * std::min(w, h);
  return {w * (0.5 + 0.29 * std::cos(angle)), h * (0.5 + 0.36 * std::sin(2.0 * angle)),
          radius, 0.4 * radius};
}

std::uint64_t splitmix(std::uint64_t &state) {
  std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

// Noise deviates: the sum of the four 16-bit parts of one 64-bit splitmix draw is close
// to normal, with this mean and standard deviation (Irwin-Hall with four terms).
constexpr float kGaussMean = 131070.0f;
constexpr float kGaussScale = 1.0f / 37837.6f;

}  // namespace

void StructuredScene::rebuildChart(int width, int height, const FrameParams &params) {
  const int w = params.sensorWidth, h = params.sensorHeight;
  const int hb = std::max(1, params.hbin), vb = std::max(1, params.vbin);
  chart_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0.0f);
  const double samples = static_cast<double>(hb) * vb;
  for (int oy = 0; oy < height; ++oy) {
    for (int ox = 0; ox < width; ++ox) {
      const int channel = params.color ? mosaicChannel(ox, oy) : -1;
      double sum = 0.0;
      // Average of the sensor pixels this image pixel covers (pixel centres).
      for (int j = 0; j < vb; ++j) {
        const double y = (static_cast<double>(oy) * vb + j + 0.5);
        for (int i = 0; i < hb; ++i) {
          const double x = (static_cast<double>(ox) * hb + i + 0.5);
          const Rgb c = chartAt(x, y, w, h);
          const double signal = channel < 0 ? luminance(c) : channelOf(c, channel);
          sum += signal * vignetting(x / w, y / h);
        }
      }
      chart_[static_cast<std::size_t>(oy) * static_cast<std::size_t>(width) +
             static_cast<std::size_t>(ox)] = static_cast<float>(sum / samples);
    }
  }
  chartWidth_ = width;
  chartHeight_ = height;
  chartSensorW_ = w;
  chartSensorH_ = h;
  chartHbin_ = hb;
  chartVbin_ = vb;
  chartColor_ = params.color;
}

void StructuredScene::render(std::uint16_t *dst, int width, int height, const FrameParams &params) {
  if (dst == nullptr || width <= 0 || height <= 0 || params.sensorWidth <= 0 ||
      params.sensorHeight <= 0)
    return;
  const int hb = std::max(1, params.hbin), vb = std::max(1, params.vbin);
  if (width != chartWidth_ || height != chartHeight_ || params.sensorWidth != chartSensorW_ ||
      params.sensorHeight != chartSensorH_ || hb != chartHbin_ || vb != chartVbin_ ||
      params.color != chartColor_)
    rebuildChart(width, height, params);

  // Counts per unit of chart signal for this exposure and gain.
  const double gain = std::max(1, params.gainPercent) / 100.0;
  const double exposure = std::max(1, params.exposureMs);
  const float scale = static_cast<float>(kWhiteCounts * exposure / kReferenceExposureMs * gain);

  // Noise by noise-free level: shot noise with variance gain/4 counts per count above
  // black (4 electrons per count at unity gain), plus read noise.
  std::array<float, kMaxCount + 1> sigma;
  const double read2 = params.readNoiseDn * params.readNoiseDn;
  for (int level = 0; level <= kMaxCount; ++level) {
    const double photo = std::max(0, level - kBlackLevel);
    sigma[static_cast<std::size_t>(level)] = static_cast<float>(std::sqrt(photo * gain / 4.0 + read2));
  }

  // The noise depends on the seed and the frame number only.
  std::uint64_t rng = params.seed * 0xD1B54A32D192ED03ull ^ (static_cast<std::uint64_t>(params.frame) + 1) * 0x8CB92BA72F3D8DD7ull;
  splitmix(rng);

  // The object's position and colour in image pixels.
  const Object object = objectAt(params.frame, params.sensorWidth, params.sensorHeight);
  const double objX = object.cx / hb, objY = object.cy / vb;
  const double reachX = (object.radius + object.edge) / hb, reachY = (object.radius + object.edge) / vb;
  const int rowFirst = std::max(0, static_cast<int>(std::floor(objY - reachY)));
  const int rowLast = std::min(height - 1, static_cast<int>(std::ceil(objY + reachY)));
  const int colFirst = std::max(0, static_cast<int>(std::floor(objX - reachX)));
  const int colLast = std::min(width - 1, static_cast<int>(std::ceil(objX + reachX)));
  objectRow_.assign(static_cast<std::size_t>(width), 0.0f);

  const float black = static_cast<float>(kBlackLevel);
  const float top = static_cast<float>(kMaxCount);
  for (int y = 0; y < height; ++y) {
    const bool objectRow = y >= rowFirst && y <= rowLast;
    if (objectRow) {
      for (int x = colFirst; x <= colLast; ++x) {
        const double dx = (x + 0.5 - objX) * hb, dy = (y + 0.5 - objY) * vb;
        const double t = std::clamp((object.radius - std::sqrt(dx * dx + dy * dy)) / object.edge + 0.5, 0.0, 1.0);
        const double shape = t * t * (3.0 - 2.0 * t);
        const double c = params.color ? channelOf(kObjectColor, mosaicChannel(x, y)) : luminance(kObjectColor);
        objectRow_[static_cast<std::size_t>(x)] = static_cast<float>(kObjectPeak * shape * c);
      }
    }
    const float *chartRow = chart_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    const float *objectSignal = objectRow_.data();
    std::uint16_t *out = dst + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    // The hot loop, written out by hand (no helper calls) so that it stays fast in
    // unoptimised builds too.
    for (int x = 0; x < width; ++x) {
      float clean = (chartRow[x] + objectSignal[x]) * scale + black;
      if (clean > top) clean = top;
      std::uint64_t z = (rng += 0x9E3779B97F4A7C15ull);
      z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
      z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
      z ^= z >> 31;
      const std::uint32_t sum = static_cast<std::uint32_t>((z & 0xFFFF) + ((z >> 16) & 0xFFFF) +
                                                           ((z >> 32) & 0xFFFF) + (z >> 48));
      float noisy = clean + sigma[static_cast<std::size_t>(clean)] *
                                ((static_cast<float>(sum) - kGaussMean) * kGaussScale);
      if (noisy < 0.0f) noisy = 0.0f;
      if (noisy > top) noisy = top;
      out[x] = static_cast<std::uint16_t>(noisy + 0.5f);
    }
    if (objectRow) std::fill(objectRow_.begin() + colFirst, objectRow_.begin() + colLast + 1, 0.0f);
  }
}

void PatternScene::render(std::uint16_t *dst, int width, int height, const FrameParams &params) {
  if (dst == nullptr) return;
  const int frame = static_cast<int>(params.frame);
  for (int y = 0; y < height; ++y) {
    std::uint16_t *out = dst + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    for (int x = 0; x < width; ++x)
      out[x] = static_cast<std::uint16_t>(qvsim_pattern_value(x, y, width, frame));
  }
}

std::unique_ptr<SceneGenerator> makeScene(bool pattern) {
  if (pattern) return std::make_unique<PatternScene>();
  return std::make_unique<StructuredScene>();
}

}  // namespace qvsim_driver
