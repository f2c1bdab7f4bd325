// One open board of the simulated driver: its settings, camera mode, buffers and the
// sensor timeline that runs on a worker thread. driver.cpp validates the entry points'
// arguments and works on a Board under its mutex; this file owns the timeline and the
// writing of frames.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/scene.h"
#include "sim/sim_event.h"

namespace qvsim_driver {

using Clock = std::chrono::steady_clock;

// Buffer status word, bits 0-1.
inline constexpr std::uint32_t kBufferIdle = 0;      // never queued, or taken off the list
inline constexpr std::uint32_t kBufferQueued = 1;    // waiting for a frame
inline constexpr std::uint32_t kBufferComplete = 2;  // holds a frame
// Bits 12-15: the buffer has to be queued again before it can take a frame.
inline constexpr std::uint32_t kBufferOverrun = 0x1000;    // only ever reported by scripts
inline constexpr std::uint32_t kBufferCancelled = 0x2000;  // taken off the list while queued

// Camera modes, bits 4 and up of SETMODE's mode word.
inline constexpr int kModeFast = 1;      // short readout, more read noise
inline constexpr int kModeLowNoise = 2;  // long readout, less read noise
inline constexpr int kModeNormal = 3;

inline constexpr int kMaxBuffers = 16;

struct AlignedDelete {
  void operator()(std::byte *p) const;
};
using BufferMemory = std::unique_ptr<std::byte[], AlignedDelete>;
// Zero-filled memory of `bytes` bytes on a page boundary; throws std::bad_alloc.
BufferMemory allocateBufferMemory(std::size_t bytes);

struct Buffer {
  BufferMemory memory;
  int size = 0;  // bytes allocated
  bool mapped = false;
  EventHandle event = nullptr;
  bool ownsEvent = false;  // false for the invalid handle of the "invalid_event" setting
  std::uint32_t status = kBufferIdle;
  bool queued = false;
  int queuedBytes = 0;  // how much of the buffer the next frame may fill
};

// The qvsim settings as read at INITBOARD.
struct BoardSettings {
  int fullWidth = 0;
  int fullHeight = 0;
  bool color = false;
  bool pattern = false;
  bool fast = false;
  bool invalidEvent = false;
  int oversize = 0;
  std::uint64_t seed = 0;
  int defaultExposureMs = 0;
};

struct CameraMode {
  bool triggered = false;
  int mode = kModeNormal;
  int exposureMs = 0;
  int gainPercent = 100;
  int hbin = 1;
  int vbin = 1;
};

class Board {
 public:
  Board() = default;
  Board(const Board &) = delete;
  Board &operator=(const Board &) = delete;
  ~Board();

  // Everything below is guarded by mutex; the *Locked calls expect it held.
  std::mutex mutex;

  bool closed = false;
  BoardSettings settings;
  CameraMode mode;
  bool running = false;
  std::unique_ptr<Buffer> buffers[kMaxBuffers];
  std::deque<int> queue;  // buffer numbers in the order they were queued
  bool scriptArmed = false;   // a step of the script is armed...
  unsigned scriptArmedSerial = 0;  // ...this one (qvsim_script_serial)

  // Takes the settings and resets mode, camera and queue as a fresh open does.
  void openLocked(const BoardSettings &fresh);
  // Starts the worker thread; throws std::system_error when the system refuses.
  void startWorker();
  // Stops and joins the worker and frees every buffer and event. Safe to repeat.
  // Must be called without the mutex held.
  void shutdown();

  int imageWidthLocked() const;
  int imageHeightLocked() const;

  void startCameraLocked();
  void stopCameraLocked();
  void triggerLocked();
  // Wakes the timeline after the queue, the mode or the script changed.
  void wakeLocked() { wake_.notify_all(); }

  void freeBufferLocked(int number);
  void unqueueLocked(int number);

  // Writes a frame into the buffer (at most `limitBytes` of it), taking the next frame
  // number; in "fast" mode only the number is taken and the pixels stay as they are.
  void writeFrameLocked(Buffer &buffer, int limitBytes);

 private:
  void run();
  // A frame finished on the sensor: the oldest queued buffer receives it, unless a
  // script is active or nothing is queued; then the frame is lost.
  void finishSensorFrameLocked();
  Clock::duration readoutLocked() const;
  // Moves the next video frame past now, on the sensor's period grid.
  void skipPassedFramesLocked(Clock::duration period);
  FrameParams frameParamsLocked(unsigned frame) const;

  std::condition_variable wake_;
  std::thread worker_;
  bool quit_ = false;
  bool exposing_ = false;          // triggered mode: an exposure is under way
  Clock::time_point exposureEnd_;  // ...and its frame finishes then
  Clock::time_point nextVideoFrame_;
  std::unique_ptr<SceneGenerator> scene_;
  bool scenePattern_ = false;
  std::vector<std::uint16_t> scratch_;
};

}  // namespace qvsim_driver
