// Prototypes of the camera driver library's entry points. Every one returns 0 on
// success or the driver's own non-zero status; out parameters are written only on
// success. The simulated driver in sim/ implements exactly these.
#pragma once

#include "platform/callconv.h"

extern "C" {
typedef int(QV_VENDOR_CC *INITBOARD_fn)(int boardNumber, void **board);
typedef int(QV_VENDOR_CC *CLOSEBOARD_fn)(void **board);
typedef int(QV_VENDOR_CC *GETBOARDVAL_fn)(void *board, int item, int *value);
typedef int(QV_VENDOR_CC *GETSIZES_fn)(void *board, int *fullWidth, int *fullHeight,
                                       int *imageWidth, int *imageHeight, int *bitsPerPixel);
typedef int(QV_VENDOR_CC *SETMODE_fn)(void *board, int modeWord, int zero3, int setting3,
                                      int hbin, int vbin, int setting4, int zero8,
                                      int bitsPerPixel, int zero10);
typedef int(QV_VENDOR_CC *START_CAMERA_fn)(void *board);
typedef int(QV_VENDOR_CC *STOP_CAMERA_fn)(void *board);
typedef int(QV_VENDOR_CC *TRIGGER_CAMERA_fn)(void *board);
typedef int(QV_VENDOR_CC *ALLOCATE_BUFFER_fn)(void *board, int *bufferNumber, int *sizeBytes);
typedef int(QV_VENDOR_CC *FREE_BUFFER_fn)(void *board, int bufferNumber);
typedef int(QV_VENDOR_CC *GETBUFFER_STATUS_fn)(void *board, int bufferNumber, int zero,
                                               int *statusWord, int statusBytes);
typedef int(QV_VENDOR_CC *ADD_BUFFER_TO_LIST_fn)(void *board, int bufferNumber, int sizeBytes,
                                                 int zero4, int zero5);
typedef int(QV_VENDOR_CC *REMOVE_BUFFER_FROM_LIST_fn)(void *board, int bufferNumber);
typedef int(QV_VENDOR_CC *SETBUFFER_EVENT_fn)(void *board, int bufferNumber, void **event);
typedef int(QV_VENDOR_CC *MAP_BUFFER_fn)(void *board, int bufferNumber, int sizeBytes, int zero,
                                         void **address);
typedef int(QV_VENDOR_CC *UNMAP_BUFFER_fn)(void *board, int bufferNumber);
}

// The driver's entry points in the order the library resolves them. X(name) per entry.
#define QV_DRIVER_ENTRY_POINTS(X)                                                           \
  X(INITBOARD)                                                                             \
  X(CLOSEBOARD)                                                                            \
  X(GETBOARDVAL)                                                                           \
  X(GETSIZES)                                                                              \
  X(SETMODE)                                                                               \
  X(START_CAMERA)                                                                          \
  X(STOP_CAMERA)                                                                           \
  X(TRIGGER_CAMERA)                                                                        \
  X(ALLOCATE_BUFFER)                                                                       \
  X(FREE_BUFFER)                                                                           \
  X(GETBUFFER_STATUS)                                                                      \
  X(ADD_BUFFER_TO_LIST)                                                                    \
  X(REMOVE_BUFFER_FROM_LIST)                                                               \
  X(SETBUFFER_EVENT)                                                                       \
  X(MAP_BUFFER)                                                                            \
  X(UNMAP_BUFFER)

// Board value item that carries the colour flag in bit 0.
inline constexpr int kBoardValueColor = 14;
