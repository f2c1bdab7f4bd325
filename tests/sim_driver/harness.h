// Shared pieces of the simulated driver's tests: the simulator's calls, looked up by
// name in the built libraries as the library itself looks up the driver's; a fixture
// that starts every test from known settings; and small helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/module.h"
#include "platform/wait.h"
#include "sim/control.h"
#include "sim/control_internal.h"
#include "vendor/driver.h"
#include "vendor/entry_points.h"

namespace simtest {

// The qvsim calls the tests make.
#define SIMTEST_CONTROL_CALLS(X)                                                          \
  X(qvsim_set_int) X(qvsim_pattern_value) X(qvsim_reset) X(qvsim_fail) X(qvsim_script)   \
  X(qvsim_journal_count) X(qvsim_journal_get) X(qvsim_journal_clear)                     \
  X(qvsim_next_frame_number)

struct Simulator {
  qv::DriverApi driver{};
#define SIMTEST_FIELD(name) decltype(&::name) name = nullptr;
  SIMTEST_CONTROL_CALLS(SIMTEST_FIELD)
#undef SIMTEST_FIELD
  bool complete = false;
};

// Loads qvsim and then the driver from the build (the driver's own import of qvsim
// then binds to the same instance) and resolves every call; once per process.
inline const Simulator &simulator() {
  static const Simulator loaded = [] {
    Simulator s;
    void *control = qv::platform::loadModule(SIMTEST_QVSIM_PATH);
    void *driver = qv::platform::loadModule(SIMTEST_PCCAM_PATH);
    if (control == nullptr || driver == nullptr) return s;
    bool found = qv::resolveDriver(s.driver, qv::platform::lookupInModule, driver) == 0;
#define SIMTEST_RESOLVE(name)                                                              \
  s.name = reinterpret_cast<decltype(s.name)>(qv::platform::findSymbol(control, #name)); \
  found = found && s.name != nullptr;
    SIMTEST_CONTROL_CALLS(SIMTEST_RESOLVE)
#undef SIMTEST_RESOLVE
    s.complete = found;
    return s;
  }();
  return loaded;
}

// Calls under the entry points' own names. They are function objects, so a call never
// reaches the global declarations of the headers, not even by argument-dependent lookup.
#define SIMTEST_DRIVER_CALL(name) \
  inline constexpr auto name = [](auto... args) { return simulator().driver.name(args...); };
#define SIMTEST_CONTROL_CALL(name) \
  inline constexpr auto name = [](auto... args) { return simulator().name(args...); };
QV_DRIVER_ENTRY_POINTS(SIMTEST_DRIVER_CALL)
SIMTEST_CONTROL_CALLS(SIMTEST_CONTROL_CALL)
#undef SIMTEST_DRIVER_CALL
#undef SIMTEST_CONTROL_CALL

inline constexpr int kWidth = 64;
inline constexpr int kHeight = 48;
inline constexpr int kFrameBytes = kWidth * kHeight * 2;
// Long enough for any frame on a loaded machine; no test measures time.
inline constexpr int kWaitMs = 5000;
inline constexpr std::uint16_t kSentinel = 0xBEEF;

// Mode words: camera mode 3 (normal readout), video or triggered.
inline constexpr int kVideo = 0x30;
inline constexpr int kTriggered = 0x31;

struct MappedBuffer {
  int number = -1;
  int bytes = 0;
  std::uint16_t *pixels = nullptr;
  void *event = nullptr;
};

// Wait outcome on a picture event, with the library's own wait.
inline qv::platform::WaitResult waitFor(void *event, int timeoutMs) {
  return qv::platform::waitForEvent(event, timeoutMs);
}
inline bool signalled(void *event, int timeoutMs = kWaitMs) {
  return waitFor(event, timeoutMs) == qv::platform::WaitResult::Signalled;
}

// The pattern frame number `frame` of a width x height image.
inline std::vector<std::uint16_t> patternFrame(int width, int height, unsigned frame) {
  std::vector<std::uint16_t> out(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out[static_cast<std::size_t>(y * width + x)] =
          static_cast<std::uint16_t>(qvsim_pattern_value(x, y, width, static_cast<int>(frame)));
  return out;
}

// Frame number of the k-th frame written since qvsim_reset.
inline unsigned frameNumber(unsigned k) { return kQvSimFirstFrameNumber + k; }

class SimDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(simulator().complete) << "the simulator libraries could not be loaded";
    qvsim_reset();
    qvsim_set_int("width", kWidth);
    qvsim_set_int("height", kHeight);
    qvsim_set_int("color", 0);
    qvsim_set_int("pattern", 1);
    qvsim_set_int("exposure_ms", 0);
    qvsim_set_int("fast", 0);
    qvsim_set_int("invalid_event", 0);
    qvsim_set_int("oversize", 0);
    qvsim_set_int("seed", 1);
  }
  void TearDown() override {
    if (board_ != nullptr) {
      EXPECT_EQ(0, CLOSEBOARD(&board_));
    }
    qvsim_reset();
  }

  void open() { ASSERT_EQ(0, INITBOARD(0, &board_)); }

  void setMode(int modeWord, int exposureMs, int hbin = 1, int vbin = 1, int gain = 100) {
    ASSERT_EQ(0, SETMODE(board_, modeWord, 0, exposureMs, hbin, vbin, gain, 0, 12, 0));
  }

  // Allocates, maps and gives an event to a buffer, filled with kSentinel.
  MappedBuffer buffer(int bytes = kFrameBytes) {
    MappedBuffer b;
    b.bytes = bytes;
    int size = bytes;
    EXPECT_EQ(0, ALLOCATE_BUFFER(board_, &b.number, &size));
    void *address = nullptr;
    EXPECT_EQ(0, MAP_BUFFER(board_, b.number, bytes, 0, &address));
    b.pixels = static_cast<std::uint16_t *>(address);
    EXPECT_EQ(0, SETBUFFER_EVENT(board_, b.number, &b.event));
    if (b.pixels != nullptr) {
      for (int i = 0; i < bytes / 2; ++i) b.pixels[i] = kSentinel;
    }
    return b;
  }

  int add(const MappedBuffer &b, int bytes = -1) {
    return ADD_BUFFER_TO_LIST(board_, b.number, bytes < 0 ? b.bytes : bytes, 0, 0);
  }

  unsigned status(const MappedBuffer &b) {
    int word = -1;
    EXPECT_EQ(0, GETBUFFER_STATUS(board_, b.number, 0, &word, 4));
    return static_cast<unsigned>(word);
  }

  static std::vector<std::uint16_t> pixels(const MappedBuffer &b, int count) {
    return std::vector<std::uint16_t>(b.pixels, b.pixels + count);
  }

  void *board_ = nullptr;
};

}  // namespace simtest
