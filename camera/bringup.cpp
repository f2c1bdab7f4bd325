// Bringing camera 0 up and releasing everything again.
#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "vendor/entry_points.h"

namespace qv {

int bringUpCamera(std::array<int, 4> &result) {
  CameraRecord &record = camera();
  record.board = nullptr;
  int status = driver.INITBOARD(0, &record.board);
  if (status != kStatusOk) return status;

  int imageW = 0, imageH = 0, bits = 0;
  status = driver.GETSIZES(record.board, &record.fullWidth, &record.fullHeight, &imageW, &imageH,
                           &bits);
  if (status != kStatusOk) return status;
  result[1] = record.fullWidth;
  result[2] = record.fullHeight;

  int value = 0;
  status = driver.GETBOARDVAL(record.board, kBoardValueColor, &value);
  if (status != kStatusOk) return status;
  record.isColor = value & 1;
  result[3] = record.isColor;

  // A size that does not fit an int is handed to the driver as 0, which it refuses,
  // rather than as a wrapped-around number.
  // Multiplied only when both are positive, so that no pair of ints overflows.
  const bool positive = record.fullHeight > 0 && record.fullWidth > 0;
  const long long wanted =
      positive ? static_cast<long long>(record.fullHeight) * record.fullWidth * 2 : 0;
  int size = (positive && wanted <= 0x7FFFFFFF) ? static_cast<int>(wanted) : 0;
  record.bufferNumber = -1;
  status = driver.ALLOCATE_BUFFER(record.board, &record.bufferNumber, &size);
  if (status != kStatusOk) return status;

  void *address = nullptr;
  status = driver.MAP_BUFFER(record.board, record.bufferNumber, size, 0, &address);
  if (status != kStatusOk) return status;
  frameBuffer = address;
  frameBufferBytes = size;

  // Its result is not examined, so a failing call must not leave the handle of an
  // earlier bring-up behind: that event was closed with its board, and its number may
  // by now belong to another descriptor of the process. No handle means no event.
  record.pictureEvent = nullptr;
  driver.SETBUFFER_EVENT(record.board, record.bufferNumber, &record.pictureEvent);
  return kStatusOk;
}

std::array<int, 4> initCamera() {
  std::array<int, 4> result{};
  int status = loadVendorLibraries();
  if (status == kStatusOk) status = bringUpCamera(result);
  result[0] = status;
  return result;
}

int releaseCamera() {
  if (!driverLoaded() && !conversionLoaded()) return kStatusNotLoaded;

  if (conversionLoaded()) {
    if (colorLut != nullptr) conversion.DELETE_COLORLUT_EX(colorLut);
    if (bwLut != nullptr) conversion.DELETE_BWLUT_EX(bwLut);
    if (pseudoLut != nullptr) conversion.DELETE_PSEUDOLUT_EX(pseudoLut);
  }
  colorLut = bwLut = pseudoLut = nullptr;

  int result = kStatusNotLoaded;
  if (driverLoaded()) {
    CameraRecord &record = camera();
    lastStatus = driver.STOP_CAMERA(record.board);
    lastStatus = driver.UNMAP_BUFFER(record.board, record.bufferNumber);
    lastStatus = driver.FREE_BUFFER(record.board, record.bufferNumber);
    lastStatus = driver.CLOSEBOARD(&record.board);
    result = lastStatus;
  }
  // The buffer is gone with the driver: nothing may read the old address any more.
  frameBuffer = nullptr;
  frameBufferBytes = 0;

  platform::unloadModule(driverLibrary);
  driverLibrary = nullptr;
  driver = DriverApi{};
  platform::unloadModule(conversionLibrary);
  conversionLibrary = nullptr;
  conversion = ConversionApi{};
  return result;
}

}  // namespace qv
