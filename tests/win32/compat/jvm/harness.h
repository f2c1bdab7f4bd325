// The JVM suite's Java-style calls, served by the Windows harness, so that suites
// written against them (bring-up, camera cases, the fault-injection matrix) run under
// Wine as well. Every call
// goes through the harness's own JNI environment, which checks that each Get of array
// elements is matched by its Release with mode 0.
#pragma once

#include <vector>

#include "win32/harness.h"

namespace jvmtest {

using simapi::Sim;
using wintest::conversion;
using wintest::settings;
using wintest::sim;

inline void loadBuiltLibrary() { wintest::java(); }
inline std::vector<int> initCamera() { return wintest::java().initCamera(); }
inline int releaseCamera() { return wintest::java().releaseCamera(); }
inline int setUpCamera(const std::vector<int> *s) { return wintest::java().setUpCamera(s); }
inline int runCocAsVideo() { return wintest::java().runCocAsVideo(); }
inline int stopCoc() { return wintest::java().stopCoc(); }
inline int acquire(std::vector<short> *frame) { return wintest::java().acquire(frame); }
inline int acquire8(std::vector<signed char> *frame) { return wintest::java().acquire8(frame); }
inline int acquireRgb(std::vector<int> *frame) { return wintest::java().acquireRgb(frame); }
inline std::vector<int> whiteBalance(std::vector<int> *region) {
  return wintest::java().whiteBalance(region);
}
inline std::vector<int> autoMinMax(int proportional, std::vector<int> *region) {
  return wintest::java().autoMinMax(proportional, region);
}

}  // namespace jvmtest
