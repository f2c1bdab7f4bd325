#include "reliability/jvm_support.h"

#include <algorithm>

namespace reliability {

using namespace jvmtest;

void configure(int color, bool invalidEvent) {
  loadBuiltLibrary();
  sim().reset();
  sim().setInt("width", kWidth);
  sim().setInt("height", kHeight);
  sim().setInt("pattern", 1);
  sim().setInt("exposure_ms", 1);
  sim().setInt("color", color);
  sim().setInt("invalid_event", invalidEvent ? 1 : 0);
}

void scriptFrames(std::vector<QvSimStep> steps) {
  sim().script(steps.data(), static_cast<int>(steps.size()), 0);
}

int lastStatus() {
  sim().journalClear();
  const int status = runCocAsVideo();
  EXPECT_EQ(sim().journalCount(), 0) << "RunCOCAsVIDEO reached the driver: not in video mode";
  return status;
}

Ints storedBounds() { return autoMinMax(0, nullptr); }

Ints storedFactors() {
  Ints factors = whiteBalance(nullptr);
  EXPECT_EQ(factors.size(), 4u);
  if (factors.size() == 4) {
    EXPECT_EQ(factors[3], kWhiteBalanceFailed);
    factors.pop_back();
  }
  return factors;
}

void expectPatternFrame(const std::vector<short> &frame) {
  ASSERT_EQ(frame.size(), static_cast<std::size_t>(kPixels));
  // 5 * f = first (mod 4096), and 5 * 3277 = 1 (mod 4096).
  const int frameNumber = ((frame[0] & 0xFFF) * 3277) % 4096;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      ASSERT_EQ(frame[static_cast<std::size_t>(y * kWidth + x)],
                sim().patternValue(x, y, kWidth, frameNumber))
          << "pixel " << x << "," << y;
}

void expectRecovers(int color) {
  SCOPED_TRACE("recovery: release, init, set-up, acquire");
  sim().clearFaults();
  releaseCamera();
  ASSERT_EQ(initCamera(), (Ints{0, kWidth, kHeight, color}));
  Ints s = scriptedSettings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  scriptOneFrame();
  std::vector<short> raw(kPixels, -1);
  ASSERT_EQ(acquire(&raw), 0);
  expectPatternFrame(raw);
  EXPECT_EQ(lastStatus(), 0);
}

Names namesOf(const std::vector<QvSimCall> &calls) {
  Names names;
  for (const QvSimCall &call : calls) names.emplace_back(call.name);
  return names;
}

int countOf(const std::vector<QvSimCall> &calls, const std::string &name) {
  return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                        [&](const QvSimCall &c) { return name == c.name; }));
}

constexpr int kLongExposureMs = 60000;

Ints scriptedSettings(int videoMode) {
  //      mode hbin vbin exposure         gain video     -  r    g    b    min max   lut  col
  return {3, 1, 1, kLongExposureMs, 100, videoMode, 0, 100, 100, 100, 0, 4095, 100, 100};
}

Ints distinctSettings(int videoMode) {
  //      mode hbin vbin exposure         gain video     -  r   g    b    min  max   lut  col
  return {3, 1, 1, kLongExposureMs, 100, videoMode, 0, 80, 100, 120, 100, 3000, 150, 80};
}

}  // namespace reliability
