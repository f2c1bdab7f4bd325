// Camera control: bring-up and release, frame acquisition, set-up and triggering.
// Plain procedures over the state in camera/state.h; the JNI glue in jni/ only hands
// them array elements and lengths.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace qv {

// Loads the driver and conversion libraries from the library's own folder (the driver
// also by bare name) and resolves every entry point. 0, kStatusNotLoaded or
// kStatusMissingEntryPoint.
int loadVendorLibraries();

// The bring-up steps after loading: open board 0, read its sizes and colour flag,
// allocate and map the frame buffer, get its event. The first failing call ends them
// with its status; what was already filled into result stays.
int bringUpCamera(std::array<int, 4> &result);

// Brings camera 0 up: {status, fullWidth, fullHeight, isColor}.
std::array<int, 4> initCamera();
// Deletes the tables, stops the camera, frees the buffer, closes the board and unloads
// both libraries. Returns CLOSEBOARD's result, or kStatusNotLoaded when nothing is loaded.
int releaseCamera();

// The most consecutive timed-out waits one acquisition makes before it gives up.
inline constexpr int kMaxTimedOutWaits = 15;
// Wait per attempt, in milliseconds.
inline constexpr int kVideoWaitMs = 2000;
inline constexpr int kTriggeredWaitMs = 5000;

// Brings one complete frame into frameBuffer: 0, a driver status, or
// kStatusFrameIncomplete.
int acquireFrame();

// Take a frame and hand it over into `pixels`, which holds `count` elements (null
// allowed). 0, or kStatusFrameIncomplete on any failure; nothing is written past count.
int acquireRaw(std::int16_t *pixels, std::size_t count);
int acquire8(std::int8_t *pixels, std::size_t count);
int acquireRgb(std::int32_t *pixels, std::size_t count);

// The 14 settings elements SetUpCamera needs.
inline constexpr std::size_t kSettingsCount = 14;
inline constexpr int kSetUpPauseMs = 1200;

// SETMODE's mode word: bit 0 set for triggered mode, the camera mode from bit 4 up.
int modeWord(int mode, int videoMode);

int setUpCamera(const std::int32_t *settings, std::size_t count);
int runCocAsVideo();
int stopCoc();

}  // namespace qv
