// Applying the settings block, software triggering and stopping.
#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "platform/wait.h"
#include "tables/tables.h"
#include "vendor/entry_points.h"

namespace qv {

namespace {

enum SettingsIndex : std::size_t {
  kMode = 0,
  kHbin = 1,
  kVbin = 2,
  kSetting3 = 3,
  kSetting4 = 4,
  kVideoMode = 5,
  kRed = 7,
  kGreen = 8,
  kBlue = 9,
  kDisplayMin = 10,
  kDisplayMax = 11,
  kLutParamPercent = 12,
  kColorParam = 13,
};

constexpr int kDefaultMode = 3;
constexpr int kBitsPerPixel = 12;

}  // namespace

int modeWord(int mode, int videoMode) {
  const unsigned cameraMode = static_cast<unsigned>(mode == 0 ? kDefaultMode : mode);
  return static_cast<int>((cameraMode << 4) | (videoMode == 0 ? 1u : 0u));
}

int setUpCamera(const std::int32_t *settings, std::size_t count) {
  if (!driverLoaded()) return kStatusNotLoaded;
  if (settings == nullptr || count < kSettingsCount) return kStatusBadSettings;
  CameraRecord &record = camera();

  const int videoMode = settings[kVideoMode];
  red = settings[kRed];
  green = settings[kGreen];
  blue = settings[kBlue];
  displayMin = settings[kDisplayMin];
  displayMax = settings[kDisplayMax];

  lastStatus = driver.STOP_CAMERA(record.board);
  if (lastStatus != kStatusOk) return lastStatus;
  lastStatus = driver.SETMODE(record.board, modeWord(settings[kMode], videoMode), 0,
                              settings[kSetting3], settings[kHbin], settings[kVbin],
                              settings[kSetting4], 0, kBitsPerPixel, 0);
  if (lastStatus != kStatusOk) return lastStatus;

  record.videoMode = videoMode;
  lutParam = settings[kLutParamPercent] / 100.0;
  colorParam = static_cast<double>(settings[kColorParam]);
  updateColorLut(red, green, blue, displayMax);
  updateBwLuts(displayMin, displayMax);

  lastStatus = driver.START_CAMERA(record.board);
  if (record.videoMode == 0) {
    // Triggered mode: the first two frames after a start are discarded.
    acquireFrame();
    acquireFrame();
  }
  platform::sleepMs(kSetUpPauseMs);
  return lastStatus;
}

int runCocAsVideo() {
  if (!driverLoaded()) return kStatusNotLoaded;
  if (camera().videoMode != 0) return lastStatus;
  lastStatus = driver.TRIGGER_CAMERA(camera().board);
  return lastStatus;
}

int stopCoc() {
  if (!driverLoaded()) return kStatusNotLoaded;
  return driver.STOP_CAMERA(camera().board);
}

}  // namespace qv
