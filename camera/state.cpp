#include "camera/state.h"

#include <cstdint>

namespace qv {

constinit CameraRecord cameraTable[kCameraCount]{};
constinit const int currentCamera = 0;

constinit platform::ModuleHandle driverLibrary = nullptr;
constinit platform::ModuleHandle conversionLibrary = nullptr;

constinit int lastStatus = 0;
constinit int imageWidth = 0;
constinit int imageHeight = 0;
constinit int imageBytes = 0;
constinit void *frameBuffer = nullptr;
constinit int frameBufferBytes = 0;

constinit void *colorLut = nullptr;
constinit void *bwLut = nullptr;
constinit void *pseudoLut = nullptr;

constinit int red = 0;
constinit int green = 0;
constinit int blue = 0;
constinit int displayMin = 0;
constinit int displayMax = 4095;
constinit double lutParam = 1.0;
constinit double colorParam = 100.0;

bool frameReadable() {
  if (frameBuffer == nullptr || imageWidth <= 0 || imageHeight <= 0) return false;
  const std::int64_t bytes = std::int64_t{imageWidth} * imageHeight * 2;
  return bytes <= frameBufferBytes;
}

void resetState() {
  for (CameraRecord &record : cameraTable) record = CameraRecord{};
  driver = DriverApi{};
  conversion = ConversionApi{};
  driverLibrary = nullptr;
  conversionLibrary = nullptr;
  lastStatus = 0;
  imageWidth = imageHeight = imageBytes = 0;
  frameBuffer = nullptr;
  frameBufferBytes = 0;
  colorLut = bwLut = pseudoLut = nullptr;
  red = green = blue = 0;
  displayMin = 0;
  displayMax = 4095;
  lutParam = 1.0;
  colorParam = 100.0;
}

}  // namespace qv
