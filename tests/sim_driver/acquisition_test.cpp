// The simulated camera's timeline: video and triggered frames, queue order, partial
// buffers, fast mode and scripted acquisitions. Pattern frames make every pixel
// predictable: the k-th frame written since qvsim_reset has number frameNumber(k).
#include <atomic>
#include <thread>

#include "harness.h"

namespace simtest {
namespace {

using qv::platform::WaitResult;

using AcquisitionTest = SimDriverTest;

class VideoTest : public SimDriverTest, public ::testing::WithParamInterface<int> {};

TEST_P(VideoTest, FramesFillQueuedBuffersInOrderWithConsecutiveNumbers) {
  open();
  setMode(kVideo, GetParam());
  const MappedBuffer a = buffer(), b = buffer();
  ASSERT_EQ(0, add(a));
  ASSERT_EQ(0, add(b));
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_TRUE(signalled(a.event));
  ASSERT_TRUE(signalled(b.event));
  EXPECT_EQ(2u, status(a));
  EXPECT_EQ(2u, status(b));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(0)), pixels(a, kWidth * kHeight));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(1)), pixels(b, kWidth * kHeight));

  ASSERT_EQ(0, add(a));
  ASSERT_TRUE(signalled(a.event));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(2)), pixels(a, kWidth * kHeight));
}

INSTANTIATE_TEST_SUITE_P(Exposures, VideoTest, ::testing::Values(0, 3));

TEST_F(AcquisitionTest, AStoppedCameraDeliversNothingAndKeepsTheQueue) {
  open();
  const MappedBuffer a = buffer(), b = buffer();
  ASSERT_EQ(0, add(a));
  EXPECT_EQ(WaitResult::TimedOut, waitFor(a.event, 100));
  EXPECT_EQ(0, TRIGGER_CAMERA(board_));
  ASSERT_EQ(0, START_CAMERA(board_));
  EXPECT_EQ(0, TRIGGER_CAMERA(board_));  // video mode: no effect
  ASSERT_TRUE(signalled(a.event));

  ASSERT_EQ(0, STOP_CAMERA(board_));
  ASSERT_EQ(0, add(b));
  EXPECT_EQ(WaitResult::TimedOut, waitFor(b.event, 100));
  EXPECT_EQ(1u, status(b));
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_TRUE(signalled(b.event));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(1)), pixels(b, kWidth * kHeight));
}

TEST_F(AcquisitionTest, TriggeredModeTakesOneFramePerTrigger) {
  open();
  setMode(kTriggered, 0);
  const MappedBuffer a = buffer();
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(a));
  EXPECT_EQ(WaitResult::TimedOut, waitFor(a.event, 200));
  EXPECT_EQ(1u, status(a));
  ASSERT_EQ(0, TRIGGER_CAMERA(board_));
  ASSERT_TRUE(signalled(a.event));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(0)), pixels(a, kWidth * kHeight));
}

TEST_F(AcquisitionTest, TriggersDuringAnExposureAreIgnored) {
  open();
  setMode(kTriggered, 300);
  const MappedBuffer a = buffer(), b = buffer();
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(a));
  ASSERT_EQ(0, add(b));
  for (int i = 0; i < 3; ++i) ASSERT_EQ(0, TRIGGER_CAMERA(board_));
  ASSERT_TRUE(signalled(a.event));
  // Only one exposure ran: the second buffer waits for a new trigger.
  EXPECT_EQ(WaitResult::TimedOut, waitFor(b.event, 700));
  EXPECT_EQ(1u, status(b));
  ASSERT_EQ(0, TRIGGER_CAMERA(board_));
  ASSERT_TRUE(signalled(b.event));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(1)), pixels(b, kWidth * kHeight));
}

TEST_F(AcquisitionTest, TriggersDuringAnExposureDoNotRestartIt) {
  open();
  setMode(kTriggered, 300);
  const MappedBuffer a = buffer();
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(a));
  // Triggers keep coming faster than the exposure lasts; the first one's frame arrives.
  bool arrived = false;
  for (int i = 0; i < 100 && !arrived; ++i) {
    ASSERT_EQ(0, TRIGGER_CAMERA(board_));
    arrived = waitFor(a.event, 50) == WaitResult::Signalled;
  }
  EXPECT_TRUE(arrived);
}

TEST_F(AcquisitionTest, AFrameFillsNoMoreThanTheQueuedSize) {
  open();
  const MappedBuffer a = buffer();
  const int half = kFrameBytes / 2 + 2;  // not a whole number of rows
  ASSERT_EQ(0, add(a, half));
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_TRUE(signalled(a.event));
  const std::vector<std::uint16_t> expected = patternFrame(kWidth, kHeight, frameNumber(0));
  const std::vector<std::uint16_t> got = pixels(a, kWidth * kHeight);
  EXPECT_TRUE(std::equal(got.begin(), got.begin() + half / 2, expected.begin()));
  EXPECT_TRUE(std::all_of(got.begin() + half / 2, got.end(), [](std::uint16_t v) { return v == kSentinel; }));
}

TEST_F(AcquisitionTest, FastModeCompletesWithoutTouchingPixels) {
  qvsim_set_int("fast", 1);
  open();
  const MappedBuffer a = buffer();
  ASSERT_EQ(0, add(a));
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_TRUE(signalled(a.event));
  EXPECT_EQ(2u, status(a));
  const std::vector<std::uint16_t> got = pixels(a, kWidth * kHeight);
  EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](std::uint16_t v) { return v == kSentinel; }));
  EXPECT_EQ(frameNumber(1), qvsim_next_frame_number());  // the frame still took its number
}

TEST_F(AcquisitionTest, RemovedOrFreedBuffersReceiveNothing) {
  open();
  setMode(kTriggered, 0);
  const MappedBuffer a = buffer(), b = buffer(), c = buffer();
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(a));
  ASSERT_EQ(0, add(b));
  ASSERT_EQ(0, add(c));
  ASSERT_EQ(0, REMOVE_BUFFER_FROM_LIST(board_, a.number));
  ASSERT_EQ(0, FREE_BUFFER(board_, b.number));
  ASSERT_EQ(0, TRIGGER_CAMERA(board_));
  ASSERT_TRUE(signalled(c.event));
  EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(0)), pixels(c, kWidth * kHeight));
  EXPECT_EQ(0x2000u, status(a));
  EXPECT_EQ(kSentinel, a.pixels[0]);
}

TEST_F(AcquisitionTest, CallsFromAnotherThreadWhileFramesFlow) {
  open();
  setMode(kVideo, 1);
  const MappedBuffer a = buffer(), b = buffer();
  ASSERT_EQ(0, START_CAMERA(board_));
  std::atomic<bool> done{false};
  std::thread other([&] {
    int w, h, iw, ih, bits, word;
    while (!done.load()) {
      GETSIZES(board_, &w, &h, &iw, &ih, &bits);
      GETBUFFER_STATUS(board_, b.number, 0, &word, 4);
      TRIGGER_CAMERA(board_);
      ADD_BUFFER_TO_LIST(board_, b.number, b.bytes, 0, 0);
    }
  });
  for (int i = 0; i < 20; ++i) {
    ASSERT_EQ(0, add(a));
    ASSERT_TRUE(signalled(a.event));
    EXPECT_EQ(2u, status(a) & 3);
  }
  done = true;
  other.join();
}

// ---- Scripts ----------------------------------------------------------------------

struct ScriptCase {
  const char *name;
  std::vector<QvSimStep> steps;
  int repeatLast;
  int queries;
};

class ScriptTest : public SimDriverTest, public ::testing::WithParamInterface<ScriptCase> {};

// Before each status query the event is set exactly when that query's step signals,
// and then a new frame is in the buffer; the query reports the step's word. After the
// script the buffer's own status shows again (queued: the camera is stopped).
TEST_P(ScriptTest, StepsSignalWriteAndReport) {
  const ScriptCase &c = GetParam();
  open();
  const MappedBuffer b = buffer();
  qvsim_script(c.steps.data(), static_cast<int>(c.steps.size()), c.repeatLast);
  ASSERT_EQ(0, add(b));
  const int count = static_cast<int>(c.steps.size());
  std::vector<std::uint16_t> expected(static_cast<std::size_t>(kWidth * kHeight), kSentinel);
  unsigned frames = 0;
  for (int i = 0; i < c.queries; ++i) {
    const bool active = i < count || c.repeatLast != 0;
    const QvSimStep &step = c.steps[static_cast<std::size_t>(std::min(i, count - 1))];
    const bool signal = active && step.signal != 0;
    EXPECT_EQ(signal, waitFor(b.event, 0) == WaitResult::Signalled) << "query " << i;
    if (signal) expected = patternFrame(kWidth, kHeight, frameNumber(frames++));
    EXPECT_EQ(expected, pixels(b, kWidth * kHeight)) << "query " << i;
    EXPECT_EQ(active ? step.statusWord : 1u, status(b)) << "query " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptTest,
    ::testing::Values(ScriptCase{"OneFrame", {{1, 2}}, 0, 3},
                      ScriptCase{"TimeoutThenFrame", {{0, 1}, {1, 2}}, 0, 3},
                      ScriptCase{"OverrunTwiceThenFrame", {{0, 0x1001}, {0, 0x1001}, {1, 2}}, 0, 4},
                      ScriptCase{"SignalButNotComplete", {{1, 1}, {0, 2}}, 0, 3},
                      ScriptCase{"NeverSignals", {{0, 1}}, 1, 5},
                      ScriptCase{"FrameEveryTime", {{0, 0}, {1, 2}}, 1, 5}),
    [](const ::testing::TestParamInfo<ScriptCase> &c) { return std::string(c.param.name); });

TEST_F(AcquisitionTest, RequeueingDuringAScriptArmsNothingAgain) {
  open();
  const MappedBuffer b = buffer();
  const QvSimStep steps[] = {{0, 0x1000}, {1, 2}};
  qvsim_script(steps, 2, 0);
  ASSERT_EQ(0, add(b));
  EXPECT_EQ(0x1000u, status(b));  // arms step 1: one frame written
  ASSERT_EQ(0, REMOVE_BUFFER_FROM_LIST(board_, b.number));
  ASSERT_EQ(0, add(b));
  EXPECT_EQ(frameNumber(1), qvsim_next_frame_number());
}

TEST_F(AcquisitionTest, TheTimelineWaitsWhileAScriptRuns) {
  const struct {
    int modeWord, exposureMs;
  } modes[] = {{kVideo, 0}, {kVideo, 3}, {kTriggered, 0}};
  for (const auto &m : modes) {
    SCOPED_TRACE(testing::Message() << "mode word " << m.modeWord << ", " << m.exposureMs << " ms");
    SetUp();
    open();
    setMode(m.modeWord, m.exposureMs);
    const MappedBuffer b = buffer();
    const QvSimStep steps[] = {{0, 1}};
    qvsim_script(steps, 1, 0);
    ASSERT_EQ(0, START_CAMERA(board_));
    ASSERT_EQ(0, add(b));
    ASSERT_EQ(0, TRIGGER_CAMERA(board_));  // that frame is lost to the script
    EXPECT_EQ(WaitResult::TimedOut, waitFor(b.event, 200));
    EXPECT_EQ(kSentinel, b.pixels[0]);
    // Consuming the only step ends the script; the timeline then delivers a frame.
    EXPECT_EQ(1u, status(b));
    ASSERT_EQ(0, TRIGGER_CAMERA(board_));
    ASSERT_TRUE(signalled(b.event));
    EXPECT_EQ(patternFrame(kWidth, kHeight, frameNumber(0)), pixels(b, kWidth * kHeight));
    ASSERT_EQ(0, CLOSEBOARD(&board_));
  }
}

TEST_F(AcquisitionTest, ClearingTheScriptHandsBackToTheTimeline) {
  open();
  const MappedBuffer b = buffer();
  const QvSimStep steps[] = {{0, 1}};
  qvsim_script(steps, 1, 1);
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(b));
  EXPECT_EQ(WaitResult::TimedOut, waitFor(b.event, 200));
  qvsim_script(nullptr, 0, 0);
  ASSERT_TRUE(signalled(b.event));
  EXPECT_EQ(2u, status(b));
}

}  // namespace
}  // namespace simtest
