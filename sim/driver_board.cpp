// The simulated board's sensor timeline and frame writing.
#include "sim/driver_board.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sim/control_internal.h"

namespace qvsim_driver {

namespace {

constexpr std::size_t kPageBytes = 4096;

// While a script is active the timeline cannot see when it ends other than through a
// driver call, so an otherwise immediate video frame re-checks at this pace.
constexpr auto kScriptPoll = std::chrono::milliseconds(5);

}  // namespace

void AlignedDelete::operator()(std::byte *p) const {
  ::operator delete[](p, std::align_val_t{kPageBytes});
}

BufferMemory allocateBufferMemory(std::size_t bytes) {
  auto *p = static_cast<std::byte *>(::operator new[](bytes, std::align_val_t{kPageBytes}));
  std::memset(p, 0, bytes);
  return BufferMemory(p);
}

Board::~Board() { shutdown(); }

void Board::openLocked(const BoardSettings &fresh) {
  settings = fresh;
  mode = CameraMode{};
  mode.exposureMs = settings.defaultExposureMs;
  running = false;
  exposing_ = false;
  scriptArmed = false;
  for (const int number : queue) {
    if (buffers[number]) {
      buffers[number]->queued = false;
      buffers[number]->status = kBufferIdle;
    }
  }
  queue.clear();
  if (!scene_ || scenePattern_ != settings.pattern) {
    scene_ = makeScene(settings.pattern);
    scenePattern_ = settings.pattern;
  }
  wake_.notify_all();
}

void Board::startWorker() {
  if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
}

void Board::shutdown() {
  {
    std::lock_guard lock(mutex);
    closed = true;
    quit_ = true;
    running = false;
    wake_.notify_all();
  }
  if (worker_.joinable()) worker_.join();
  std::lock_guard lock(mutex);
  queue.clear();
  for (int number = 0; number < kMaxBuffers; ++number) freeBufferLocked(number);
}

int Board::imageWidthLocked() const { return std::max(1, settings.fullWidth / mode.hbin); }
int Board::imageHeightLocked() const { return std::max(1, settings.fullHeight / mode.vbin); }

Clock::duration Board::readoutLocked() const {
  switch (mode.mode) {
    case kModeFast: return std::chrono::milliseconds(2);
    case kModeLowNoise: return std::chrono::milliseconds(10);
    default: return std::chrono::milliseconds(5);
  }
}

void Board::startCameraLocked() {
  if (running) return;
  running = true;
  exposing_ = false;
  // The first video frame needs a whole exposure and a readout.
  nextVideoFrame_ = Clock::now() + std::chrono::milliseconds(mode.exposureMs) + readoutLocked();
  wake_.notify_all();
}

void Board::stopCameraLocked() {
  running = false;
  exposing_ = false;
  wake_.notify_all();
}

void Board::triggerLocked() {
  // Only a running camera in triggered mode with no exposure under way takes a trigger.
  if (!running || !mode.triggered || exposing_) return;
  exposing_ = true;
  exposureEnd_ = Clock::now();
  if (mode.exposureMs > 0) exposureEnd_ += std::chrono::milliseconds(mode.exposureMs) + readoutLocked();
  wake_.notify_all();
}

void Board::unqueueLocked(int number) {
  const auto found = std::find(queue.begin(), queue.end(), number);
  if (found != queue.end()) queue.erase(found);
  if (buffers[number]) buffers[number]->queued = false;
}

void Board::freeBufferLocked(int number) {
  if (!buffers[number]) return;
  unqueueLocked(number);
  if (buffers[number]->ownsEvent) closeEvent(buffers[number]->event);
  buffers[number].reset();
}

FrameParams Board::frameParamsLocked(unsigned frame) const {
  FrameParams params;
  params.frame = frame;
  params.sensorWidth = settings.fullWidth;
  params.sensorHeight = settings.fullHeight;
  params.hbin = mode.hbin;
  params.vbin = mode.vbin;
  params.color = settings.color;
  params.exposureMs = mode.exposureMs;
  params.gainPercent = mode.gainPercent;
  params.readNoiseDn = mode.mode == kModeFast ? 4.0 : (mode.mode == kModeLowNoise ? 1.5 : 2.5);
  params.seed = settings.seed;
  return params;
}

void Board::writeFrameLocked(Buffer &buffer, int limitBytes) {
  // Frames are numbered from qvsim's counter, in the order they are written: the k-th
  // frame since qvsim_reset is kQvSimFirstFrameNumber + k. The pattern
  // (qvsim_pattern_value(x, y, width, number)), the noise and the moving object follow
  // that number.
  const unsigned frame = qvsim_next_frame_number();
  if (settings.fast || !buffer.memory) return;
  const int width = imageWidthLocked(), height = imageHeightLocked();
  const std::size_t frameBytes =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(std::uint16_t);
  const std::size_t limit =
      std::min(static_cast<std::size_t>(std::max(0, std::min(limitBytes, buffer.size))), frameBytes);
  const FrameParams params = frameParamsLocked(frame);
  if (limit == frameBytes) {
    scene_->render(reinterpret_cast<std::uint16_t *>(buffer.memory.get()), width, height, params);
  } else {
    // The buffer takes only part of the frame: nothing may be written past that part.
    scratch_.resize(frameBytes / sizeof(std::uint16_t));
    scene_->render(scratch_.data(), width, height, params);
    std::memcpy(buffer.memory.get(), scratch_.data(), limit);
  }
}

void Board::finishSensorFrameLocked() {
  if (queue.empty() || qvsim_script_active() != 0) return;
  const int number = queue.front();
  queue.pop_front();
  Buffer &buffer = *buffers[number];
  buffer.queued = false;
  writeFrameLocked(buffer, buffer.queuedBytes);
  buffer.status = kBufferComplete;
  signalEvent(buffer.event);
}

void Board::skipPassedFramesLocked(Clock::duration period) {
  const Clock::time_point now = Clock::now();
  if (nextVideoFrame_ <= now) nextVideoFrame_ += ((now - nextVideoFrame_) / period + 1) * period;
}

void Board::run() {
  std::unique_lock lock(mutex);
  while (!quit_) {
    try {
      if (!running) {
        wake_.wait(lock);
      } else if (mode.triggered) {
        if (!exposing_) {
          wake_.wait(lock);
        } else if (Clock::now() < exposureEnd_) {
          wake_.wait_until(lock, exposureEnd_);
        } else {
          exposing_ = false;
          finishSensorFrameLocked();
        }
      } else if (mode.exposureMs == 0) {
        // As fast as possible: every queued buffer gets a frame at once.
        if (queue.empty()) {
          wake_.wait(lock);
        } else if (qvsim_script_active() != 0) {
          wake_.wait_for(lock, kScriptPoll);
        } else {
          finishSensorFrameLocked();
        }
      } else {
        // Video frames follow each other at the exposure time, or the readout time if
        // that is longer. Frames that finish with nothing queued, or that the worker
        // fell behind on, are lost rather than bunched up; with nothing queued the
        // worker sleeps until a buffer comes, which then gets the next frame to finish.
        const Clock::duration period =
            std::max<Clock::duration>(std::chrono::milliseconds(mode.exposureMs), readoutLocked());
        if (queue.empty()) {
          wake_.wait(lock);
          skipPassedFramesLocked(period);
        } else if (Clock::now() < nextVideoFrame_) {
          wake_.wait_until(lock, nextVideoFrame_);
        } else {
          finishSensorFrameLocked();
          nextVideoFrame_ += period;
          skipPassedFramesLocked(period);
        }
      }
    } catch (...) {
      // Memory for a frame could not be had: that frame is lost, the timeline goes on.
    }
  }
}

}  // namespace qvsim_driver
