// The simulated driver's board, mode and buffer calls, argument checks and faults.
#include <dirent.h>

#include <functional>
#include <string>

#include "harness.h"

namespace simtest {
namespace {

// Threads of this process, or -1 where the system does not list them.
int threadCount() {
  DIR *dir = opendir("/proc/self/task");
  if (dir == nullptr) return -1;
  int count = 0;
  while (dirent *entry = readdir(dir)) {
    if (entry->d_name[0] != '.') ++count;
  }
  closedir(dir);
  return count;
}

using BoardTest = SimDriverTest;

TEST_F(BoardTest, OpensOnlyBoardZeroAndReportsTheSensor) {
  void *other = reinterpret_cast<void *>(0x1);
  EXPECT_NE(0, INITBOARD(1, &other));
  EXPECT_NE(0, INITBOARD(-1, &other));
  EXPECT_EQ(reinterpret_cast<void *>(0x1), other);
  EXPECT_NE(0, INITBOARD(0, nullptr));

  open();
  ASSERT_NE(nullptr, board_);
  int fw = 0, fh = 0, iw = 0, ih = 0, bits = 0;
  ASSERT_EQ(0, GETSIZES(board_, &fw, &fh, &iw, &ih, &bits));
  EXPECT_EQ((std::vector<int>{kWidth, kHeight, kWidth, kHeight, 12}),
            (std::vector<int>{fw, fh, iw, ih, bits}));
  EXPECT_NE(0, GETSIZES(board_, &fw, &fh, nullptr, &ih, &bits));

  int value = -7;
  EXPECT_NE(0, GETBOARDVAL(board_, 13, &value));
  EXPECT_EQ(-7, value);
  EXPECT_NE(0, GETBOARDVAL(board_, kBoardValueColor, nullptr));
}

TEST_F(BoardTest, ColourFlagFollowsTheSetting) {
  for (const int color : {0, 1}) {
    qvsim_set_int("color", color);
    open();
    int value = -1;
    ASSERT_EQ(0, GETBOARDVAL(board_, kBoardValueColor, &value));
    EXPECT_EQ(color, value & 1) << "color " << color;
    ASSERT_EQ(0, CLOSEBOARD(&board_));
  }
}

TEST_F(BoardTest, RefusesSettingsOutOfRange) {
  const struct {
    const char *key;
    int value;
  } cases[] = {{"width", 0}, {"width", -4}, {"width", 8193}, {"height", 0},
               {"height", 100000}, {"exposure_ms", -1}, {"exposure_ms", 60001}};
  for (const auto &c : cases) {
    SetUp();
    qvsim_set_int(c.key, c.value);
    void *handle = nullptr;
    EXPECT_NE(0, INITBOARD(0, &handle)) << c.key << " " << c.value;
    EXPECT_EQ(nullptr, handle);
  }
}

TEST_F(BoardTest, CloseWritesNullAndTheHandleDiesWithIt) {
  open();
  void *kept = board_;
  ASSERT_EQ(0, CLOSEBOARD(&board_));
  EXPECT_EQ(nullptr, board_);
  int value = 0;
  EXPECT_NE(0, GETBOARDVAL(kept, kBoardValueColor, &value));
  EXPECT_NE(0, START_CAMERA(kept));
  EXPECT_NE(0, CLOSEBOARD(&kept));
  EXPECT_NE(0, CLOSEBOARD(&board_));  // null handle
  EXPECT_NE(0, CLOSEBOARD(nullptr));
  EXPECT_NE(0, GETBOARDVAL(nullptr, kBoardValueColor, &value));

  // A handle from before is refused even when the board is open again.
  open();
  EXPECT_NE(kept, board_);
  EXPECT_NE(0, GETBOARDVAL(kept, kBoardValueColor, &value));
  EXPECT_EQ(0, GETBOARDVAL(board_, kBoardValueColor, &value));
}

TEST_F(BoardTest, OpeningAgainGivesTheSameBoardAfresh) {
  open();
  const MappedBuffer first = buffer();
  setMode(kTriggered, 7, 2, 2);
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(first));
  const int threads = threadCount();

  void *again = nullptr;
  ASSERT_EQ(0, INITBOARD(0, &again));
  EXPECT_EQ(board_, again);
  EXPECT_EQ(threads, threadCount());
  // Stopped, default mode, empty queue; the old buffer is still there.
  int fw, fh, iw = 0, ih = 0, bits;
  ASSERT_EQ(0, GETSIZES(board_, &fw, &fh, &iw, &ih, &bits));
  EXPECT_EQ(kWidth, iw);
  EXPECT_EQ(0, SETMODE(board_, kVideo, 0, 0, 1, 1, 0, 0, 12, 0));
  EXPECT_EQ(0u, status(first) & 3);
  const MappedBuffer second = buffer();
  EXPECT_EQ(1, second.number);
}

TEST_F(BoardTest, OpenAndCloseLeaveNoThreadBehind) {
  const int before = threadCount();
  if (before < 0) GTEST_SKIP() << "no thread list here";
  for (int i = 0; i < 50; ++i) {
    open();
    if (i % 2 == 1) {
      // Close while running, with a buffer queued and another one free.
      const MappedBuffer b = buffer();
      buffer();
      setMode(kVideo, 1);
      ASSERT_EQ(0, START_CAMERA(board_));
      ASSERT_EQ(0, add(b));
    }
    ASSERT_EQ(0, CLOSEBOARD(&board_));
  }
  EXPECT_EQ(before, threadCount());
}

struct BinningCase {
  int fullW, fullH, hbin, vbin, imageW, imageH;
};

class BinningTest : public SimDriverTest, public ::testing::WithParamInterface<BinningCase> {};

TEST_P(BinningTest, ImageSizeAndFrameFollowTheBinning) {
  const BinningCase c = GetParam();
  qvsim_set_int("width", c.fullW);
  qvsim_set_int("height", c.fullH);
  open();
  setMode(kVideo, 0, c.hbin, c.vbin);
  int fw = 0, fh = 0, iw = 0, ih = 0, bits = 0;
  ASSERT_EQ(0, GETSIZES(board_, &fw, &fh, &iw, &ih, &bits));
  EXPECT_EQ(c.fullW, fw);
  EXPECT_EQ(c.fullH, fh);
  EXPECT_EQ(c.imageW, iw);
  EXPECT_EQ(c.imageH, ih);

  // The frame fills exactly the binned image, rows without padding.
  const int pixelCount = c.imageW * c.imageH;
  const MappedBuffer b = buffer(c.fullW * c.fullH * 2);
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(b));
  ASSERT_TRUE(signalled(b.event));
  EXPECT_EQ(patternFrame(c.imageW, c.imageH, frameNumber(0)), pixels(b, pixelCount));
  if (pixelCount < c.fullW * c.fullH) {
    EXPECT_EQ(kSentinel, b.pixels[pixelCount]);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, BinningTest,
                         ::testing::Values(BinningCase{64, 48, 1, 1, 64, 48},
                                           BinningCase{64, 48, 0, 0, 64, 48},
                                           BinningCase{64, 48, 2, 1, 32, 48},
                                           BinningCase{64, 48, 4, 2, 16, 24},
                                           BinningCase{65, 49, 2, 4, 32, 12},
                                           BinningCase{3, 3, 4, 4, 1, 1}));

TEST_F(BoardTest, OversizeReportsAnImageWiderThanTheSensor) {
  qvsim_set_int("oversize", 8);
  open();
  for (const int bin : {1, 2}) {
    setMode(kVideo, 0, bin, bin);
    int fw = 0, fh = 0, iw = 0, ih = 0, bits = 0;
    ASSERT_EQ(0, GETSIZES(board_, &fw, &fh, &iw, &ih, &bits));
    EXPECT_EQ(kWidth, fw);
    EXPECT_EQ(kWidth + 8, iw);
    EXPECT_EQ(kHeight / bin, ih);
  }
}

// SETMODE(board, modeWord, 0, exposure, hbin, vbin, gain, 0, bits, 0).
struct ModeArgs {
  int modeWord, zero3, exposure, hbin, vbin, gain, zero8, bits, zero10;
};

TEST_F(BoardTest, SetModeAcceptsTheDocumentedRange) {
  open();
  const ModeArgs valid[] = {
      {0x10, 0, 0, 1, 1, 100, 0, 12, 0},   {0x21, 0, 60000, 4, 4, 800, 0, 12, 0},
      {0x30, 0, 20, 0, 2, 0, 0, 12, 0},    {0x31, 0, 1, 2, 0, 50, 0, 12, 0},
  };
  for (const ModeArgs &a : valid)
    EXPECT_EQ(0, SETMODE(board_, a.modeWord, a.zero3, a.exposure, a.hbin, a.vbin, a.gain, a.zero8,
                         a.bits, a.zero10))
        << std::hex << a.modeWord << std::dec << " exposure " << a.exposure;
}

TEST_F(BoardTest, SetModeRefusesArgumentsOutOfRange) {
  open();
  const ModeArgs invalid[] = {
      {0x00, 0, 0, 1, 1, 100, 0, 12, 0},  // mode 0
      {0x40, 0, 0, 1, 1, 100, 0, 12, 0},  // mode 4
      {-1, 0, 0, 1, 1, 100, 0, 12, 0},    // every bit set
      {0x32, 0, 0, 1, 1, 100, 0, 12, 0},  // reserved bit 1
      {0x38, 0, 0, 1, 1, 100, 0, 12, 0},  // reserved bit 3
      {0x30, 1, 0, 1, 1, 100, 0, 12, 0},  // fixed arguments
      {0x30, 0, 0, 1, 1, 100, 1, 12, 0},
      {0x30, 0, 0, 1, 1, 100, 0, 12, 1},
      {0x30, 0, 0, 1, 1, 100, 0, 8, 0},   // bits per pixel
      {0x30, 0, 0, 1, 1, 100, 0, 16, 0},
      {0x30, 0, -1, 1, 1, 100, 0, 12, 0},  // exposure
      {0x30, 0, 60001, 1, 1, 100, 0, 12, 0},
      {0x30, 0, 0, 3, 1, 100, 0, 12, 0},  // binning
      {0x30, 0, 0, 1, 8, 100, 0, 12, 0},
      {0x30, 0, 0, -2, 1, 100, 0, 12, 0},
      {0x30, 0, 0, 1, 1, 49, 0, 12, 0},  // gain
      {0x30, 0, 0, 1, 1, 801, 0, 12, 0},
      {0x30, 0, 0, 1, 1, -100, 0, 12, 0},
  };
  for (const ModeArgs &a : invalid)
    EXPECT_NE(0, SETMODE(board_, a.modeWord, a.zero3, a.exposure, a.hbin, a.vbin, a.gain, a.zero8,
                         a.bits, a.zero10))
        << std::hex << a.modeWord << std::dec << " " << a.zero3 << " " << a.exposure << " "
        << a.hbin << " " << a.vbin << " " << a.gain << " " << a.zero8 << " " << a.bits << " "
        << a.zero10;
  EXPECT_NE(0, SETMODE(nullptr, 0x30, 0, 0, 1, 1, 100, 0, 12, 0));
}

TEST_F(BoardTest, SetModeFailsWhileTheCameraRuns) {
  open();
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, START_CAMERA(board_));
  EXPECT_NE(0, SETMODE(board_, kVideo, 0, 0, 1, 1, 100, 0, 12, 0));
  ASSERT_EQ(0, STOP_CAMERA(board_));
  ASSERT_EQ(0, STOP_CAMERA(board_));
  EXPECT_EQ(0, SETMODE(board_, kVideo, 0, 0, 1, 1, 100, 0, 12, 0));
}

using BufferTest = SimDriverTest;

TEST_F(BufferTest, AllocationNumbersSizesAndLimit) {
  open();
  const struct {
    int number, size;
  } refused[] = {{-1, 0}, {-1, -8}, {-1, 256 * 1024 * 1024 + 1}, {0, 100}, {5, 100}};
  for (const auto &r : refused) {
    int number = r.number, size = r.size;
    EXPECT_NE(0, ALLOCATE_BUFFER(board_, &number, &size)) << r.number << " " << r.size;
    EXPECT_EQ(r.number, number);
  }
  int size = 16;
  EXPECT_NE(0, ALLOCATE_BUFFER(board_, nullptr, &size));

  for (int expected = 0; expected < 16; ++expected) {
    int number = -1;
    size = 16;
    ASSERT_EQ(0, ALLOCATE_BUFFER(board_, &number, &size));
    EXPECT_EQ(expected, number);
  }
  int number = -1;
  EXPECT_NE(0, ALLOCATE_BUFFER(board_, &number, &size));
  // A freed number is handed out again.
  ASSERT_EQ(0, FREE_BUFFER(board_, 5));
  ASSERT_EQ(0, ALLOCATE_BUFFER(board_, &number, &size));
  EXPECT_EQ(5, number);
}

TEST_F(BufferTest, MapAndQueueStayWithinTheAllocation) {
  open();
  int number = -1, size = 1000;
  ASSERT_EQ(0, ALLOCATE_BUFFER(board_, &number, &size));
  void *address = nullptr;
  for (const int bad : {0, -1, 1001}) {
    EXPECT_NE(0, MAP_BUFFER(board_, number, bad, 0, &address)) << bad;
    EXPECT_NE(0, ADD_BUFFER_TO_LIST(board_, number, bad, 0, 0)) << bad;
  }
  EXPECT_NE(0, MAP_BUFFER(board_, number, 1000, 1, &address));
  EXPECT_NE(0, ADD_BUFFER_TO_LIST(board_, number, 1000, 1, 0));
  EXPECT_NE(0, ADD_BUFFER_TO_LIST(board_, number, 1000, 0, 1));
  EXPECT_EQ(nullptr, address);
  ASSERT_EQ(0, MAP_BUFFER(board_, number, 1000, 0, &address));
  ASSERT_NE(nullptr, address);
  // The whole allocation is real memory, zero-filled.
  const auto *bytes = static_cast<const unsigned char *>(address);
  EXPECT_EQ(0, bytes[0]);
  EXPECT_EQ(0, bytes[999]);
  EXPECT_EQ(0, UNMAP_BUFFER(board_, number));
  EXPECT_EQ(0, UNMAP_BUFFER(board_, number));
}

TEST_F(BufferTest, UnknownBufferNumbersAreRefusedEverywhere) {
  open();
  buffer();  // number 0 exists
  int word = 0;
  void *pointer = nullptr;
  for (const int n : {-1, 1, 15, 16, 1000}) {
    EXPECT_NE(0, FREE_BUFFER(board_, n)) << n;
    EXPECT_NE(0, MAP_BUFFER(board_, n, 16, 0, &pointer)) << n;
    EXPECT_NE(0, UNMAP_BUFFER(board_, n)) << n;
    EXPECT_NE(0, ADD_BUFFER_TO_LIST(board_, n, 16, 0, 0)) << n;
    EXPECT_NE(0, REMOVE_BUFFER_FROM_LIST(board_, n)) << n;
    EXPECT_NE(0, GETBUFFER_STATUS(board_, n, 0, &word, 4)) << n;
    EXPECT_NE(0, SETBUFFER_EVENT(board_, n, &pointer)) << n;
  }
  ASSERT_EQ(0, FREE_BUFFER(board_, 0));
  EXPECT_NE(0, GETBUFFER_STATUS(board_, 0, 0, &word, 4));
  EXPECT_NE(0, FREE_BUFFER(board_, 0));
}

TEST_F(BufferTest, StatusWordThroughQueueAndRemove) {
  open();
  const MappedBuffer b = buffer();
  EXPECT_EQ(0u, status(b));
  ASSERT_EQ(0, add(b));
  EXPECT_EQ(1u, status(b));
  ASSERT_EQ(0, REMOVE_BUFFER_FROM_LIST(board_, b.number));
  EXPECT_EQ(0x2000u, status(b));  // must be queued again
  ASSERT_EQ(0, REMOVE_BUFFER_FROM_LIST(board_, b.number));
  EXPECT_EQ(0x2000u, status(b));

  int word = 0;
  for (const int bytes : {0, 2, 8})
    EXPECT_NE(0, GETBUFFER_STATUS(board_, b.number, 0, &word, bytes)) << bytes;
  EXPECT_NE(0, GETBUFFER_STATUS(board_, b.number, 1, &word, 4));
  EXPECT_NE(0, GETBUFFER_STATUS(board_, b.number, 0, nullptr, 4));
}

TEST_F(BufferTest, EachBufferHasOneUnsignalledEvent) {
  open();
  const MappedBuffer a = buffer(), b = buffer();
  ASSERT_NE(nullptr, a.event);
  EXPECT_NE(a.event, b.event);
  void *again = nullptr;
  ASSERT_EQ(0, SETBUFFER_EVENT(board_, a.number, &again));
  EXPECT_EQ(a.event, again);
  EXPECT_EQ(qv::platform::WaitResult::TimedOut, waitFor(a.event, 0));
  EXPECT_NE(0, SETBUFFER_EVENT(board_, a.number, nullptr));
}

TEST_F(BufferTest, InvalidEventSettingGivesAHandleNoWaitAccepts) {
  qvsim_set_int("invalid_event", 1);
  open();
  const MappedBuffer b = buffer();
  EXPECT_EQ(qv::platform::WaitResult::Failed, waitFor(b.event, 100));
  // Frames still complete; only the event is unusable.
  ASSERT_EQ(0, START_CAMERA(board_));
  ASSERT_EQ(0, add(b));
  unsigned word = 0;
  for (int i = 0; i < 500 && (word & 3) != 2; ++i) {
    qv::platform::sleepMs(10);
    word = status(b);
  }
  EXPECT_EQ(2u, word & 3);
}

// Each entry point with sentinel out-parameters, for the fault cases.
struct EntryCall {
  const char *name;
  std::function<int(void *&board, int buffer)> call;
};

TEST_F(BoardTest, InjectedFaultsFailWithoutSideEffects) {
  open();
  const MappedBuffer b = buffer();
  int out = -5;
  void *pointer = reinterpret_cast<void *>(0x77);
  const EntryCall calls[] = {
      {"INITBOARD", [&](void *&, int) { return INITBOARD(0, &pointer); }},
      {"CLOSEBOARD", [&](void *&board, int) { return CLOSEBOARD(&board); }},
      {"GETBOARDVAL", [&](void *&board, int) { return GETBOARDVAL(board, kBoardValueColor, &out); }},
      {"GETSIZES", [&](void *&board, int) { return GETSIZES(board, &out, &out, &out, &out, &out); }},
      {"SETMODE", [&](void *&board, int) { return SETMODE(board, kVideo, 0, 0, 1, 1, 100, 0, 12, 0); }},
      {"START_CAMERA", [&](void *&board, int) { return START_CAMERA(board); }},
      {"STOP_CAMERA", [&](void *&board, int) { return STOP_CAMERA(board); }},
      {"TRIGGER_CAMERA", [&](void *&board, int) { return TRIGGER_CAMERA(board); }},
      {"ALLOCATE_BUFFER", [&](void *&board, int) {
         int size = 16;
         return ALLOCATE_BUFFER(board, &out, &size);
       }},
      {"FREE_BUFFER", [&](void *&board, int n) { return FREE_BUFFER(board, n); }},
      {"GETBUFFER_STATUS", [&](void *&board, int n) { return GETBUFFER_STATUS(board, n, 0, &out, 4); }},
      {"ADD_BUFFER_TO_LIST", [&](void *&board, int n) { return ADD_BUFFER_TO_LIST(board, n, 16, 0, 0); }},
      {"REMOVE_BUFFER_FROM_LIST", [&](void *&board, int n) { return REMOVE_BUFFER_FROM_LIST(board, n); }},
      {"SETBUFFER_EVENT", [&](void *&board, int n) { return SETBUFFER_EVENT(board, n, &pointer); }},
      {"MAP_BUFFER", [&](void *&board, int n) { return MAP_BUFFER(board, n, 16, 0, &pointer); }},
      {"UNMAP_BUFFER", [&](void *&board, int n) { return UNMAP_BUFFER(board, n); }},
  };
  for (const EntryCall &c : calls) {
    qvsim_journal_clear();
    qvsim_fail(c.name, 4242, 0, 1);
    void *const handle = board_;
    EXPECT_EQ(4242, c.call(board_, b.number)) << c.name;
    EXPECT_EQ(handle, board_) << c.name;
    EXPECT_EQ(-5, out) << c.name;
    EXPECT_EQ(reinterpret_cast<void *>(0x77), pointer) << c.name;
    QvSimCall entry{};
    ASSERT_EQ(1, qvsim_journal_count()) << c.name;
    ASSERT_EQ(1, qvsim_journal_get(0, &entry));
    EXPECT_EQ(std::string(c.name), entry.name);
    EXPECT_EQ(4242, entry.result) << c.name;
  }
  // Nothing changed: the buffer is neither freed nor queued, the camera not started.
  EXPECT_EQ(0u, status(b));
  EXPECT_EQ(0, SETMODE(board_, kVideo, 0, 0, 1, 1, 100, 0, 12, 0));
  int number = -1, size = 16;
  ASSERT_EQ(0, ALLOCATE_BUFFER(board_, &number, &size));
  EXPECT_EQ(1, number);
}

TEST_F(BoardTest, JournalRecordsArgumentsAndResults) {
  open();
  qvsim_journal_clear();
  int value = 0;
  ASSERT_EQ(0, GETBOARDVAL(board_, kBoardValueColor, &value));
  const int refused = GETBOARDVAL(board_, 99, &value);
  ASSERT_EQ(2, qvsim_journal_count());
  QvSimCall entry{};
  ASSERT_EQ(1, qvsim_journal_get(0, &entry));
  EXPECT_STREQ("GETBOARDVAL", entry.name);
  ASSERT_EQ(3, entry.argCount);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(board_), entry.arg[0]);
  EXPECT_EQ(kBoardValueColor, entry.arg[1]);
  EXPECT_EQ(reinterpret_cast<std::intptr_t>(&value), entry.arg[2]);
  EXPECT_EQ(0, entry.result);
  ASSERT_EQ(1, qvsim_journal_get(1, &entry));
  EXPECT_EQ(refused, entry.result);
}

}  // namespace
}  // namespace simtest
