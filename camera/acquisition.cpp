// Taking one frame into the driver buffer, and handing it to Java.
#include <cstdint>
#include <cstring>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "platform/wait.h"
#include "vendor/entry_points.h"

namespace qv {

namespace {

constexpr int kStatusBytes = 4;
constexpr int kRequeueMask = 0xF000;
constexpr int kModeTo8 = 0;
constexpr int kModeToColor = 2;
constexpr int kModeToPseudo = 18;

bool frameComplete(int statusWord) { return (statusWord & 3) == 2; }

// The incomplete end of an acquisition: the buffer comes off the list, and that call's
// result is deliberately not recorded, so lastStatus keeps the last status query.
int giveUp(const CameraRecord &record) {
  driver.REMOVE_BUFFER_FROM_LIST(record.board, record.bufferNumber);
  return kStatusFrameIncomplete;
}

// Pixels of the current image, or 0 when the array cannot take them all.
std::size_t pixelsFitting(std::size_t count) {
  const std::size_t pixels =
      static_cast<std::size_t>(imageWidth) * static_cast<std::size_t>(imageHeight);
  return count >= pixels ? pixels : 0;
}

}  // namespace

int acquireFrame() {
  if (!driverLoaded()) return kStatusNotLoaded;
  CameraRecord &record = camera();
  const int waitMs = record.videoMode != 0 ? kVideoWaitMs : kTriggeredWaitMs;

  // Outputs a failing GETSIZES leaves unwritten keep the last image's size.
  int fullW = 0, fullH = 0, bits = 0;
  int width = imageWidth, height = imageHeight;
  lastStatus = driver.GETSIZES(record.board, &fullW, &fullH, &width, &height, &bits);
  imageWidth = width;
  imageHeight = height;
  // Multiplied only when both are positive: two ints' product times 2 fits 64 bits then,
  // but not for any two ints (INT_MIN x INT_MIN x 2 overflows).
  const bool positive = width > 0 && height > 0;
  const std::int64_t bytes = positive ? std::int64_t{width} * height * 2 : 0;
  imageBytes = (positive && bytes <= 0x7FFFFFFF) ? static_cast<int>(bytes) : 0;
  // An image the mapped buffer cannot hold is never queued: the driver would write,
  // and the library read, past the buffer's end.
  if (imageBytes == 0 || imageBytes > frameBufferBytes || frameBuffer == nullptr)
    return kStatusFrameIncomplete;

  lastStatus = driver.ADD_BUFFER_TO_LIST(record.board, record.bufferNumber, imageBytes, 0, 0);
  if (lastStatus != kStatusOk) return lastStatus;
  driver.TRIGGER_CAMERA(record.board);
  driver.TRIGGER_CAMERA(record.board);

  int statusWord = 0;
  for (int timedOut = 0;;) {
    const platform::WaitResult waited = platform::waitForEvent(record.pictureEvent, waitMs);
    lastStatus =
        driver.GETBUFFER_STATUS(record.board, record.bufferNumber, 0, &statusWord, kStatusBytes);
    if (lastStatus != kStatusOk) return lastStatus;
    if (waited == platform::WaitResult::Signalled) break;
    // A wait that cannot be made at all would fail again at once: stop instead of
    // spinning, unless the frame is there after all.
    if (waited == platform::WaitResult::Failed) break;

    if ((statusWord & kRequeueMask) != 0) {
      lastStatus = driver.REMOVE_BUFFER_FROM_LIST(record.board, record.bufferNumber);
      if (lastStatus != kStatusOk) return lastStatus;
      lastStatus = driver.ADD_BUFFER_TO_LIST(record.board, record.bufferNumber, imageBytes, 0, 0);
      if (lastStatus != kStatusOk) return lastStatus;
    }
    // The test uses the word read above, from before any re-queueing.
    if (frameComplete(statusWord)) break;
    if (++timedOut >= kMaxTimedOutWaits) break;
  }
  return frameComplete(statusWord) ? kStatusOk : giveUp(record);
}

namespace {

// Takes a frame for an array of count elements. The result is what the caller
// returns, unless `convert` says a conversion is to be made now.
int takeFrameFor(const void *pixels, std::size_t count, bool &convert) {
  convert = false;
  if (!driverLoaded()) return kStatusFrameIncomplete;
  if (acquireFrame() != kStatusOk) return kStatusFrameIncomplete;
  if (pixels == nullptr || pixelsFitting(count) == 0) return kStatusFrameIncomplete;
  if (!conversionLoaded()) {
    // Nothing can convert: the frame was taken, and the missing library is what the
    // caller can read from the last status.
    lastStatus = kStatusNotLoaded;
    return kStatusOk;
  }
  convert = true;
  return kStatusOk;
}

}  // namespace

int acquireRaw(std::int16_t *pixels, std::size_t count) {
  if (!driverLoaded()) return kStatusFrameIncomplete;
  if (acquireFrame() != kStatusOk) return kStatusFrameIncomplete;
  const std::size_t n = pixelsFitting(count);
  if (pixels == nullptr || n == 0) return kStatusFrameIncomplete;
  std::memcpy(pixels, frameBuffer, n * 2);
  return kStatusOk;
}

int acquire8(std::int8_t *pixels, std::size_t count) {
  bool convert = false;
  const int status = takeFrameFor(pixels, count, convert);
  if (convert)
    lastStatus = conversion.CONV_BUF_12TO8_EX(kModeTo8, imageWidth, imageHeight, frameBuffer,
                                              pixels, bwLut);
  return status;
}

int acquireRgb(std::int32_t *pixels, std::size_t count) {
  bool convert = false;
  const int status = takeFrameFor(pixels, count, convert);
  if (convert && camera().isColor != 0) {
    lastStatus = conversion.CONV_BUF_12TOCOL_EX(kModeToColor, imageWidth, imageHeight,
                                                frameBuffer, pixels, colorLut);
  } else if (convert) {
    lastStatus = conversion.CONV_BUF_12TOPSEUDO_EX(kModeToPseudo, imageWidth, imageHeight,
                                                   frameBuffer, pixels, pseudoLut);
  }
  return status;
}

}  // namespace qv
