// The one process-wide camera state that every exported function works on. All of it
// is constant-initialised, so loading the library runs none of its code.
#pragma once

#include <cstddef>

#include "platform/module.h"

namespace qv {

struct CameraRecord {
  int isColor;         // bit 0 of board value 14
  int fullWidth;       // full sensor size from GETSIZES at bring-up
  int fullHeight;
  int videoMode;       // settings element 5 of the last accepted SETMODE
  void *board;         // driver handle, written by INITBOARD
  void *pictureEvent;  // signalled by the driver when the buffer holds a frame
  int bufferNumber;    // written by ALLOCATE_BUFFER
};

inline constexpr int kCameraCount = 8;
extern CameraRecord cameraTable[kCameraCount];
// Always 0: bring-up opens board 0 and everything works on that record.
extern const int currentCamera;
inline CameraRecord &camera() { return cameraTable[currentCamera]; }

extern platform::ModuleHandle driverLibrary;
extern platform::ModuleHandle conversionLibrary;

extern int lastStatus;
extern int imageWidth;
extern int imageHeight;
extern int imageBytes;
extern void *frameBuffer;
// Size of the mapped frame buffer in bytes: no access to frameBuffer goes past it.
extern int frameBufferBytes;

extern void *colorLut;
extern void *bwLut;
extern void *pseudoLut;

extern int red;
extern int green;
extern int blue;
extern int displayMin;
extern int displayMax;
extern double lutParam;
extern double colorParam;

// True when frameBuffer holds an image of imageWidth x imageHeight words that lies
// wholly inside the mapped buffer, so it may be read.
bool frameReadable();

// Puts every variable back to its value at load. For tests that drive the logic
// directly, one case after another, in one process.
void resetState();

}  // namespace qv
