// What the simulated sensor sees. A SceneGenerator fills one frame of 12-bit words
// (0..4095, one per pixel, rows without padding) at the image size the driver reports.
// Two kinds exist:
//   - the structured test scene: a chart with gradients, a grey step wedge, line-pair
//     groups, a Siemens star, a neutral grey patch, colour patches, a hue gradient and
//     a bright object that moves with the frame number; with shot and read noise, a
//     small black level, and on a colour sensor an RGGB mosaic under a warm light;
//   - the pattern: every pixel is qvsim_pattern_value(x, y, width, frame), no noise.
// The scene is laid out over the whole sensor; a binned image averages the sensor
// pixels each of its pixels covers, so the whole scene stays visible.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace qvsim_driver {

struct FrameParams {
  unsigned frame = 0;        // frame number: moves the bright object, seeds the noise
  int sensorWidth = 0;       // full sensor size, the frame of the scene layout
  int sensorHeight = 0;
  int hbin = 1;              // sensor pixels per image pixel, across and down
  int vbin = 1;
  bool color = false;        // RGGB mosaic: R at even row/even column, B at odd/odd
  int exposureMs = 0;        // 0 renders like 1 ms (the shortest exposure)
  int gainPercent = 100;     // analogue gain, 100 = unity
  double readNoiseDn = 2.5;  // read noise, standard deviation in counts
  std::uint64_t seed = 1;    // noise seed
};

// A rectangle in fractions of the image width and height.
struct SceneRect {
  double x0, y0, x1, y1;
};

// The neutral grey patch (reflectance 0.45): under the warm light its R sites average
// above its G sites and those above its B sites.
inline constexpr SceneRect kGreyPatch{0.84, 0.15, 0.96, 0.52};

// Light falling on the scene, relative to neutral, per colour channel.
inline constexpr double kWarmLightRed = 1.35;
inline constexpr double kWarmLightGreen = 1.0;
inline constexpr double kWarmLightBlue = 0.7;

// Counts above the black level of a white (reflectance 1) surface at the reference
// exposure and unity gain; the signal scales linearly with exposure and gain.
inline constexpr double kWhiteCounts = 3400.0;
inline constexpr int kReferenceExposureMs = 20;
// What every pixel reads with no light.
inline constexpr int kBlackLevel = 32;
inline constexpr int kMaxCount = 4095;

class SceneGenerator {
 public:
  virtual ~SceneGenerator() = default;
  // Writes width * height words to dst. width and height are the image size, at least 1.
  virtual void render(std::uint16_t *dst, int width, int height, const FrameParams &params) = 0;
};

// The structured scene. It keeps the noise-free chart for the last geometry it drew,
// so a frame costs one pass of scaling and noise; it is not safe for use by two threads
// at once.
class StructuredScene final : public SceneGenerator {
 public:
  void render(std::uint16_t *dst, int width, int height, const FrameParams &params) override;

 private:
  void rebuildChart(int width, int height, const FrameParams &params);

  // Chart signal per image pixel, as a fraction of kWhiteCounts, for the pixel's own
  // colour channel (or luminance on a monochrome sensor), light and vignetting included.
  std::vector<float> chart_;
  int chartWidth_ = 0, chartHeight_ = 0, chartSensorW_ = 0, chartSensorH_ = 0;
  int chartHbin_ = 0, chartVbin_ = 0;
  bool chartColor_ = false;
  std::vector<float> objectRow_;  // the moving object's signal along one row
};

// The pattern: fully predictable values from qvsim_pattern_value.
class PatternScene final : public SceneGenerator {
 public:
  void render(std::uint16_t *dst, int width, int height, const FrameParams &params) override;
};

std::unique_ptr<SceneGenerator> makeScene(bool pattern);

}  // namespace qvsim_driver
