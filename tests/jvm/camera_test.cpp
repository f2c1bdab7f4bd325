// Frames, set-up, triggering and the automatic adjustments through the Java-style calls
// of the harness, on the simulator in pattern mode, where every pixel is predictable.
// On Linux the calls go through a real JVM; the Windows suite runs the same cases
// through its own JNI environment (tests/win32/compat).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "jvm/harness.h"
#include "vendor/conversion.h"

namespace jvmtest {
namespace {

using Ints = std::vector<int>;
using Names = std::vector<std::string>;

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kPixels = kWidth * kHeight;

using simapi::Conversion;

// The frame the library converted last: the journal holds its address in the mapped
// driver buffer, which stays valid until release.
const std::uint16_t *lastConvertedFrame(const char *conversionName) {
  return reinterpret_cast<const std::uint16_t *>(
      static_cast<std::intptr_t>(sim().last(conversionName).arg[3]));
}

class CameraTest : public testing::Test {
 protected:
  void SetUp() override {
    loadBuiltLibrary();
    sim().reset();
    sim().setInt("width", kWidth);
    sim().setInt("height", kHeight);
    sim().setInt("pattern", 1);
    sim().setInt("exposure_ms", 1);
  }
  void TearDown() override { releaseCamera(); }
  void bringUp(int color = 0) {
    sim().setInt("color", color);
    ASSERT_EQ(initCamera(), (Ints{0, kWidth, kHeight, color}));
  }
  // lastStatus as Java can see it: RunCOCAsVIDEO returns it untouched in video mode.
  int lastStatusInVideoMode() { return runCocAsVideo(); }
};

// A pattern frame: every pixel follows from the first one's frame number.
void expectPatternFrame(const std::vector<short> &frame, int width, int height) {
  const int first = frame[0] & 0xFFF;
  // 5 * f = first (mod 4096), and 5 * 3277 = 1 (mod 4096).
  const int frameNumber = (first * 3277) % 4096;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(frame[static_cast<std::size_t>(y * width + x)],
                sim().patternValue(x, y, width, frameNumber))
          << x << "," << y;
}

TEST_F(CameraTest, VideoFramesRawGreyAndPseudoColour) {
  bringUp();
  Ints s = settings(1);
  s[10] = 100;   // displayMin
  s[11] = 3000;  // displayMax
  s[12] = 150;   // lutParam 1.5
  EXPECT_EQ(setUpCamera(&s), 0);
  EXPECT_EQ(sim().last("SETMODE").arg[1], 0x30);
  EXPECT_DOUBLE_EQ(sim().last("CONVERT_SET_EX").real[0], 1.5);

  std::vector<short> raw(kPixels + 1, -1);
  EXPECT_EQ(acquire(&raw), 0);
  expectPatternFrame(raw, kWidth, kHeight);
  EXPECT_EQ(raw.back(), -1);
  EXPECT_EQ(sim().last("ADD_BUFFER_TO_LIST").arg[2], kPixels * 2);

  // The grey and pseudo-colour frames are what the tables give for the frame taken.
  const Conversion &c = conversion();
  void *bw = c.createBw(12, 0, 255, 0);
  void *pseudo = c.createPseudo(12, 0, 255, 0);
  c.set(bw, 100, 3000, 0, 1.5);
  c.set(static_cast<char *>(pseudo) + 8, 100, 3000, 0, 1.5);

  std::vector<signed char> grey(kPixels);
  EXPECT_EQ(acquire8(&grey), 0);
  std::vector<signed char> expectedGrey(kPixels);
  ASSERT_EQ(c.to8(0, kWidth, kHeight, lastConvertedFrame("CONV_BUF_12TO8_EX"),
                  expectedGrey.data(), bw),
            0);
  EXPECT_EQ(grey, expectedGrey);
  EXPECT_EQ(lastStatusInVideoMode(), 0);

  std::vector<int> rgb(kPixels);
  EXPECT_EQ(acquireRgb(&rgb), 0);
  EXPECT_EQ(sim().count("CONV_BUF_12TOCOL_EX"), 0);
  std::vector<int> expectedRgb(kPixels);
  ASSERT_EQ(c.toPseudo(18, kWidth, kHeight, lastConvertedFrame("CONV_BUF_12TOPSEUDO_EX"),
                       expectedRgb.data(), pseudo),
            0);
  EXPECT_EQ(rgb, expectedRgb);
  // Two triggers per acquisition, in video mode too.
  EXPECT_EQ(sim().count("TRIGGER_CAMERA"), 6);
}

TEST_F(CameraTest, ColourCameraInTriggeredModeConvertsThroughTheColourTable) {
  bringUp(1);
  Ints s = settings(0);
  s[7] = 80;
  s[9] = 120;
  s[11] = 4000;
  s[13] = 80;
  sim().journalClear();
  EXPECT_EQ(setUpCamera(&s), 0);
  EXPECT_EQ(sim().last("SETMODE").arg[1], 0x31);
  EXPECT_EQ(sim().count("TRIGGER_CAMERA"), 4);  // two discarded frames
  // 4094, not 4095: 5000 x (4095 / 5000) is 4094.9999999999995 in double precision,
  // which the 32-bit Windows build must compute in SSE2 rather than x87 precision.
  const QvSimCall range = sim().last("CONVERT_SET_COL_EX");
  EXPECT_EQ((std::vector<long long>(range.arg + 1, range.arg + 7)),
            (std::vector<long long>{50, 50, 50, 4094, 3276, 2730}));
  EXPECT_DOUBLE_EQ(range.real[1], 80.0);

  EXPECT_EQ(runCocAsVideo(), 0);
  EXPECT_EQ(sim().count("TRIGGER_CAMERA"), 5);
  std::vector<int> rgb(kPixels);
  EXPECT_EQ(acquireRgb(&rgb), 0);
  EXPECT_EQ(sim().count("CONV_BUF_12TOPSEUDO_EX"), 0);

  const Conversion &c = conversion();
  void *color = c.createColor(12, 0, 255, 0);
  c.setColor(color, 50, 50, 50, 4094, 3276, 2730, 0, 1.0, 80.0);
  std::vector<int> expected(kPixels);
  ASSERT_EQ(c.toColor(2, kWidth, kHeight, lastConvertedFrame("CONV_BUF_12TOCOL_EX"),
                      expected.data(), color),
            0);
  EXPECT_EQ(rgb, expected);
  EXPECT_EQ(stopCoc(), 0);
}

// Scripts one acquisition. A final quiet step that repeats keeps the sensor's own
// frames out, so no late frame can leave the event set for the next acquisition.
void scriptOne(std::vector<QvSimStep> steps) {
  steps.push_back({0, 0});
  sim().script(steps.data(), static_cast<int>(steps.size()), 1);
}

TEST_F(CameraTest, ScriptedStatusWords) {
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  std::vector<short> raw(kPixels);

  // Signalled without a complete frame: taken off the list, -54, lastStatus 0.
  scriptOne({{1, 1}});
  sim().journalClear();
  EXPECT_EQ(acquire(&raw), -54);
  EXPECT_EQ(sim().names().back(), "REMOVE_BUFFER_FROM_LIST");
  EXPECT_EQ(lastStatusInVideoMode(), 0);

  // One time-out with the re-queue flag and a complete frame: queued again, success.
  scriptOne({{0, 0x2002}});
  sim().journalClear();
  EXPECT_EQ(acquire(&raw), 0);
  EXPECT_EQ(sim().names(), (Names{"GETSIZES", "ADD_BUFFER_TO_LIST", "TRIGGER_CAMERA",
                                  "TRIGGER_CAMERA", "GETBUFFER_STATUS",
                                  "REMOVE_BUFFER_FROM_LIST", "ADD_BUFFER_TO_LIST"}));

  // Failed queueing: no trigger, the status is in lastStatus, nothing converted.
  sim().fail("ADD_BUFFER_TO_LIST", 7, 0, 1);
  sim().journalClear();
  std::vector<signed char> grey(kPixels, 3);
  EXPECT_EQ(acquire8(&grey), -54);
  EXPECT_EQ(sim().count("TRIGGER_CAMERA") + sim().count("CONV_BUF_12TO8_EX"), 0);
  EXPECT_EQ(grey[0], 3);
  EXPECT_EQ(lastStatusInVideoMode(), 7);

  // A failed conversion still returns 0, with its status in lastStatus.
  scriptOne({{1, 2}});
  sim().fail("CONV_BUF_12TO8_EX", 5, 0, 1);
  EXPECT_EQ(acquire8(&grey), 0);
  EXPECT_EQ(lastStatusInVideoMode(), 5);
}

TEST_F(CameraTest, AnEventHandleNoWaitAcceptsEndsTheAcquisitionAtOnce) {
  sim().setInt("invalid_event", 1);
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  // Were the failed wait taken for a time-out, the status queries would repeat.
  const QvSimStep queued[] = {{0, 1}};
  sim().script(queued, 1, 1);
  sim().journalClear();
  std::vector<short> raw(kPixels);
  EXPECT_EQ(acquire(&raw), -54);
  EXPECT_EQ(sim().count("GETBUFFER_STATUS"), 1);
}

TEST_F(CameraTest, ShortAndNullArraysAreNotWritten) {
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  std::vector<short> raw(kPixels - 1, -1);
  std::vector<signed char> grey(kPixels - 1, -1);
  std::vector<int> rgb(kPixels - 1, -1);
  EXPECT_EQ(acquire(&raw), -54);
  EXPECT_EQ(acquire8(&grey), -54);
  EXPECT_EQ(acquireRgb(&rgb), -54);
  EXPECT_EQ(acquire(nullptr), -54);
  EXPECT_EQ(acquire8(nullptr), -54);
  EXPECT_EQ(acquireRgb(nullptr), -54);
  EXPECT_EQ(std::count(raw.begin(), raw.end(), -1), kPixels - 1);
  EXPECT_EQ(std::count(grey.begin(), grey.end(), -1), kPixels - 1);
  EXPECT_EQ(std::count(rgb.begin(), rgb.end(), -1), kPixels - 1);
  Ints shortSettings(13, 1);
  EXPECT_EQ(setUpCamera(&shortSettings), -57);
  EXPECT_EQ(setUpCamera(nullptr), -57);
}

TEST_F(CameraTest, ImageLargerThanTheBufferFailsWithoutCopying) {
  sim().setInt("oversize", 16);
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  std::vector<short> raw((kWidth + 16) * kHeight, -1);
  EXPECT_EQ(acquire(&raw), -54);
  EXPECT_EQ(raw[0], -1);
  Ints region{0, 0, kWidth + 16, kHeight};
  EXPECT_EQ(whiteBalance(&region), (Ints{100, 100, 100, -1609420799}));
}

TEST_F(CameraTest, SetUpFailuresAndTriggering) {
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);

  // SETMODE failing: its status, camera left in video mode.
  sim().fail("SETMODE", 7, 0, 1);
  Ints triggered = settings(0);
  EXPECT_EQ(setUpCamera(&triggered), 7);
  sim().journalClear();
  EXPECT_EQ(runCocAsVideo(), 7);  // still video mode: nothing sent, lastStatus back
  EXPECT_EQ(sim().journalCount(), 0);

  // Triggered mode: a failing start is masked by the discarded frames, the second of
  // which ends incomplete and leaves lastStatus 0.
  sim().fail("START_CAMERA", 9, 0, 1);
  const QvSimStep discarded[] = {{1, 2}, {1, 1}};
  sim().script(discarded, 2, 0);
  EXPECT_EQ(setUpCamera(&triggered), 0);
  sim().journalClear();
  EXPECT_EQ(runCocAsVideo(), 0);
  EXPECT_EQ(sim().names(), Names{"TRIGGER_CAMERA"});

  // StopCOC reports STOP_CAMERA and leaves lastStatus alone.
  sim().fail("STOP_CAMERA", 4, 0, 1);
  EXPECT_EQ(stopCoc(), 4);
  sim().fail("TRIGGER_CAMERA", 6, 0, 1);
  EXPECT_EQ(runCocAsVideo(), 6);
}

TEST_F(CameraTest, WhiteBalanceAndAutoRangeOnTheLastFrame) {
  bringUp(1);
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  std::vector<short> raw(kPixels);
  ASSERT_EQ(acquire(&raw), 0);

  Ints region{3, 5, 11, 7};
  const Ints balance = whiteBalance(&region);
  ASSERT_EQ(balance.size(), 4u);
  EXPECT_EQ(balance[3], 0);
  EXPECT_EQ(region, (Ints{3, 5, 10, 6}));
  const QvSimCall call = sim().last("AUTOBALANCE");
  EXPECT_EQ(call.arg[1], 10);
  EXPECT_EQ(call.arg[2], 6);

  Ints whole{0, 0, kWidth, kHeight};
  const Ints range = autoMinMax(0, &whole);
  ASSERT_EQ(range.size(), 2u);
  EXPECT_LT(range[0], range[1]);
  EXPECT_EQ(sim().last("CONVERT_SET_EX").arg[1], range[0]);
  EXPECT_EQ(sim().last("CONVERT_SET_EX").arg[2], range[1]);
  // Failing AUTOBALANCE: neutral factors, stored, and ranged with the new maximum.
  sim().fail("AUTOBALANCE", 3, 0, 1);
  EXPECT_EQ(whiteBalance(&region), (Ints{100, 100, 100, -1609420799}));
  EXPECT_EQ(sim().last("CONVERT_SET_COL_EX").arg[5], range[1]);
  EXPECT_EQ(whiteBalance(nullptr), (Ints{100, 100, 100, -1609420799}));
  EXPECT_EQ(autoMinMax(0, nullptr), range);
}

TEST_F(CameraTest, ReleaseDeletesEveryTable) {
  bringUp();
  Ints s = settings(1);
  ASSERT_EQ(setUpCamera(&s), 0);
  sim().journalClear();
  EXPECT_EQ(releaseCamera(), 0);
  EXPECT_EQ(sim().names(), (Names{"DELETE_COLORLUT_EX", "DELETE_BWLUT_EX", "DELETE_PSEUDOLUT_EX",
                                  "STOP_CAMERA", "UNMAP_BUFFER", "FREE_BUFFER", "CLOSEBOARD"}));
  EXPECT_EQ(initCamera()[0], 0);
  sim().journalClear();
  EXPECT_EQ(releaseCamera(), 0);
  EXPECT_EQ(sim().count("DELETE_BWLUT_EX"), 0);  // a new bring-up starts without tables
}

}  // namespace
}  // namespace jvmtest
