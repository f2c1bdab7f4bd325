// Prototypes of the conversion library's entry points. Creation calls return a table
// handle, null on failure; the others return 0 on success. The simulated conversion
// library in sim/ implements exactly these.
#pragma once

#include "platform/callconv.h"

extern "C" {
typedef void *(QV_VENDOR_CC *CREATE_BWLUT_EX_fn)(int bits, int low, int high, int kind);
typedef void *(QV_VENDOR_CC *CREATE_PSEUDOLUT_EX_fn)(int bits, int low, int high, int kind);
typedef void *(QV_VENDOR_CC *CREATE_COLORLUT_EX_fn)(int bits, int low, int high, int kind);
typedef int(QV_VENDOR_CC *DELETE_BWLUT_EX_fn)(void *table);
typedef int(QV_VENDOR_CC *DELETE_PSEUDOLUT_EX_fn)(void *table);
typedef int(QV_VENDOR_CC *DELETE_COLORLUT_EX_fn)(void *table);
typedef int(QV_VENDOR_CC *CONVERT_SET_EX_fn)(void *table, int low, int high, int kind,
                                             double gamma);
typedef int(QV_VENDOR_CC *CONVERT_SET_COL_EX_fn)(void *table, int redLow, int greenLow,
                                                 int blueLow, int redHigh, int greenHigh,
                                                 int blueHigh, int kind, double gamma,
                                                 double saturation);
typedef int(QV_VENDOR_CC *CONV_BUF_12TO8_EX_fn)(int mode, int width, int height,
                                                const void *frame, void *pixels, void *table);
typedef int(QV_VENDOR_CC *CONV_BUF_12TOCOL_EX_fn)(int mode, int width, int height,
                                                  const void *frame, void *pixels, void *table);
typedef int(QV_VENDOR_CC *CONV_BUF_12TOPSEUDO_EX_fn)(int mode, int width, int height,
                                                     const void *frame, void *pixels,
                                                     void *table);
typedef int(QV_VENDOR_CC *AUTOBALANCE_fn)(int mode, int width, int height, const void *words,
                                          void *colorTable, int zero6, int two, int ninetyEight,
                                          int thirty, int *red, int *green, int *blue);
}

// The conversion library's entry points in the order the library resolves them.
#define QV_CONVERSION_ENTRY_POINTS(X)                                                       \
  X(CONV_BUF_12TOCOL_EX)                                                                   \
  X(CONV_BUF_12TO8_EX)                                                                     \
  X(CONV_BUF_12TOPSEUDO_EX)                                                                \
  X(CREATE_COLORLUT_EX)                                                                    \
  X(CREATE_BWLUT_EX)                                                                       \
  X(CREATE_PSEUDOLUT_EX)                                                                   \
  X(DELETE_COLORLUT_EX)                                                                    \
  X(DELETE_BWLUT_EX)                                                                       \
  X(DELETE_PSEUDOLUT_EX)                                                                   \
  X(CONVERT_SET_EX)                                                                        \
  X(CONVERT_SET_COL_EX)                                                                    \
  X(AUTOBALANCE)

// Arguments every table is created with: 12-bit input, 8-bit output range 0..255.
inline constexpr int kLutBits = 12;
inline constexpr int kLutLow = 0;
inline constexpr int kLutHigh = 255;
// Bytes past a pseudo-colour table handle where its range is set.
inline constexpr int kPseudoLutRangeOffset = 8;
