// The structured scene as a program sees it through the driver: range, structure,
// binning, the warm colour cast, noise, exposure and gain, and the moving object.
#include <cmath>

#include "harness.h"
#include "sim/scene.h"

namespace simtest {
namespace {

constexpr int kSensorW = 1392;
constexpr int kSensorH = 1040;

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint16_t> pixels;
};

struct Stats {
  double mean = 0, sd = 0;
  int count = 0;
};

// Statistics over a rectangle given in fractions of the image; channel -1 takes every
// pixel, 0/1/2 only the red, green or blue sites of the RGGB mosaic.
Stats statsOver(const Image &image, const qvsim_driver::SceneRect &rect, int channel = -1) {
  const int x0 = static_cast<int>(rect.x0 * image.width), x1 = static_cast<int>(rect.x1 * image.width);
  const int y0 = static_cast<int>(rect.y0 * image.height), y1 = static_cast<int>(rect.y1 * image.height);
  double sum = 0, sum2 = 0;
  int n = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const int site = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);
      if (channel >= 0 && site != channel) continue;
      const double v = image.pixels[static_cast<std::size_t>(y * image.width + x)];
      sum += v;
      sum2 += v * v;
      ++n;
    }
  }
  Stats s;
  s.count = n;
  if (n > 0) {
    s.mean = sum / n;
    s.sd = std::sqrt(std::max(0.0, sum2 / n - s.mean * s.mean));
  }
  return s;
}

// The inner part of the grey patch, clear of its edges at any binning.
constexpr qvsim_driver::SceneRect kPatchInside{
    qvsim_driver::kGreyPatch.x0 + 0.02, qvsim_driver::kGreyPatch.y0 + 0.03,
    qvsim_driver::kGreyPatch.x1 - 0.02, qvsim_driver::kGreyPatch.y1 - 0.03};
constexpr qvsim_driver::SceneRect kWhole{0, 0, 1, 1};

class SceneTest : public SimDriverTest {
 protected:
  void SetUp() override {
    SimDriverTest::SetUp();
    qvsim_set_int("pattern", 0);
    qvsim_set_int("width", kSensorW);
    qvsim_set_int("height", kSensorH);
  }

  // One triggered frame with the given mode; opens the board on first use.
  Image grab(int hbin = 1, int vbin = 1, int exposureMs = 20, int gain = 100) {
    if (board_ == nullptr) {
      open();
      frameBuffer_ = buffer(kSensorW * kSensorH * 2);
    }
    EXPECT_EQ(0, STOP_CAMERA(board_));
    setMode(kTriggered, exposureMs, hbin, vbin, gain);
    EXPECT_EQ(0, START_CAMERA(board_));
    Image image;
    int fw, fh, bits;
    EXPECT_EQ(0, GETSIZES(board_, &fw, &fh, &image.width, &image.height, &bits));
    EXPECT_EQ(0, add(frameBuffer_));
    EXPECT_EQ(0, TRIGGER_CAMERA(board_));
    EXPECT_TRUE(signalled(frameBuffer_.event));
    image.pixels = pixels(frameBuffer_, image.width * image.height);
    return image;
  }

  MappedBuffer frameBuffer_;
};

struct SceneCase {
  int color, bin;
};

class SceneSanityTest : public SceneTest, public ::testing::WithParamInterface<SceneCase> {};

TEST_P(SceneSanityTest, TwelveBitStructuredAndTheWholeSceneAtAnyBinning) {
  qvsim_set_int("color", GetParam().color);
  const Image full = grab();
  const Image binned = grab(GetParam().bin, GetParam().bin);
  EXPECT_EQ(kSensorW / GetParam().bin, binned.width);
  for (const Image *image : {&full, &binned}) {
    EXPECT_TRUE(std::all_of(image->pixels.begin(), image->pixels.end(),
                            [](std::uint16_t v) { return v <= 4095; }));
    const auto [low, high] = std::minmax_element(image->pixels.begin(), image->pixels.end());
    EXPECT_LT(*low, 200);   // dark bars
    EXPECT_GT(*high, 2500);  // white bars and the bright object
    EXPECT_GT(statsOver(*image, kWhole).sd, 300.0);
  }
  // Binning averages: the same scene at the same brightness.
  EXPECT_NEAR(statsOver(full, kWhole).mean, statsOver(binned, kWhole).mean,
              0.03 * statsOver(full, kWhole).mean);
  EXPECT_NEAR(statsOver(full, kPatchInside).mean, statsOver(binned, kPatchInside).mean,
              0.03 * statsOver(full, kPatchInside).mean);
}

INSTANTIATE_TEST_SUITE_P(Sensors, SceneSanityTest,
                         ::testing::Values(SceneCase{0, 2}, SceneCase{0, 4}, SceneCase{1, 2},
                                           SceneCase{1, 4}));

TEST_F(SceneTest, ColourMosaicShowsTheWarmLightOnTheGreyPatch) {
  qvsim_set_int("color", 1);
  for (const int bin : {1, 2}) {
    const Image image = grab(bin, bin);
    const double black = qvsim_driver::kBlackLevel;
    const double r = statsOver(image, kPatchInside, 0).mean - black;
    const double g = statsOver(image, kPatchInside, 1).mean - black;
    const double b = statsOver(image, kPatchInside, 2).mean - black;
    EXPECT_GT(r, g) << "bin " << bin;
    EXPECT_GT(g, b) << "bin " << bin;
    EXPECT_NEAR(qvsim_driver::kWarmLightRed, r / g, 0.05) << "bin " << bin;
    EXPECT_NEAR(qvsim_driver::kWarmLightBlue, b / g, 0.05) << "bin " << bin;
  }
}

TEST_F(SceneTest, MonochromeGreyPatchIsFlatWithBelievableNoise) {
  const Image image = grab();
  double means[3];
  for (int c = 0; c < 3; ++c) means[c] = statsOver(image, kPatchInside, c).mean;
  EXPECT_NEAR(means[0], means[1], 0.01 * means[1]);
  EXPECT_NEAR(means[2], means[1], 0.01 * means[1]);
  // Shot noise of ~1300 counts at 4 electrons per count is ~18 counts.
  const Stats patch = statsOver(image, kPatchInside);
  EXPECT_GT(patch.sd, 10.0);
  EXPECT_LT(patch.sd, 40.0);
}

TEST_F(SceneTest, NoiseDependsOnSeedAndFrameOnly) {
  const Image first = grab();
  const Image second = grab();
  EXPECT_NE(first.pixels, second.pixels);  // the next frame has fresh noise
  ASSERT_EQ(0, CLOSEBOARD(&board_));

  SetUp();  // frame numbers start over
  EXPECT_EQ(first.pixels, grab().pixels);
  ASSERT_EQ(0, CLOSEBOARD(&board_));

  SetUp();
  qvsim_set_int("seed", 2);
  const Image reseeded = grab();
  EXPECT_NE(first.pixels, reseeded.pixels);
  EXPECT_NEAR(statsOver(first, kWhole).mean, statsOver(reseeded, kWhole).mean, 2.0);
}

struct ScaleCase {
  int exposureMs, gain;
  double factor;  // signal above black relative to 20 ms at unity gain
};

TEST_F(SceneTest, ExposureAndGainScaleTheSignal) {
  const double black = qvsim_driver::kBlackLevel;
  const double reference = statsOver(grab(), kPatchInside).mean - black;
  const ScaleCase cases[] = {{10, 100, 0.5}, {40, 100, 2.0}, {20, 200, 2.0}, {20, 50, 0.5}, {10, 400, 2.0}};
  for (const ScaleCase &c : cases) {
    const double signal = statsOver(grab(1, 1, c.exposureMs, c.gain), kPatchInside).mean - black;
    EXPECT_NEAR(c.factor, signal / reference, 0.03 * c.factor)
        << c.exposureMs << " ms, gain " << c.gain;
  }
}

TEST_F(SceneTest, TheBrightObjectMovesFromFrameToFrame) {
  // Only the object reaches saturation at this exposure on a monochrome sensor.
  double previousX = 0, previousY = 0;
  for (int k = 0; k < 3; ++k) {
    const Image image = grab();
    double sx = 0, sy = 0;
    int n = 0;
    for (int y = 0; y < image.height; ++y)
      for (int x = 0; x < image.width; ++x)
        if (image.pixels[static_cast<std::size_t>(y * image.width + x)] >= 4000) {
          sx += x;
          sy += y;
          ++n;
        }
    ASSERT_GT(n, 100) << "frame " << k;
    const double cx = sx / n, cy = sy / n;
    if (k > 0) {
      EXPECT_GT(std::hypot(cx - previousX, cy - previousY), 2.0) << "frame " << k;
    }
    previousX = cx;
    previousY = cy;
  }
}

}  // namespace
}  // namespace simtest
