// One embedded JVM per test process, started with -Xcheck:jni, and thin callers of the
// ten native methods of Quorvane_ through JNI, as Java code would call them. Also the
// simulator's control calls, taken from the same qvsim file the library's vendor
// libraries use, and child processes for cases that need a freshly loaded library.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

#include "common/sim_api.h"

namespace jvmtest {

// Folder of the built library and simulator.
std::string outDir();

// The JVM's environment, creating the JVM on first use.
JNIEnv *env();
// Loads the library file at path into the JVM (System.load).
void loadLibrary(const std::string &path);
// Loads the built library from outDir(), once.
void loadBuiltLibrary();

// Java's view of the ten methods. A null vector pointer passes a null array.
std::vector<int> initCamera();
int releaseCamera();
int setUpCamera(const std::vector<int> *settings);
int runCocAsVideo();
int stopCoc();
int acquire(std::vector<short> *frame);
int acquire8(std::vector<signed char> *frame);
int acquireRgb(std::vector<int> *frame);
// The region is passed in and read back after the call.
std::vector<int> whiteBalance(std::vector<int> *region);
std::vector<int> autoMinMax(int proportional, std::vector<int> *region);

// Settings with named defaults: video mode, no binning, factors 100, full range.
std::vector<int> settings(int videoMode = 1);

// The simulator's control calls, resolved from outDir()'s qvsim.
using simapi::Sim;
const Sim &sim();

// The simulated conversion library's calls, from the same file the library loads, to
// compute what a conversion must give.
const simapi::Conversion &conversion();

struct ChildResult {
  int exitCode;
  std::string output;
};
// Runs this test program as a child that loads <directory>/libQuorvaneNative.so into
// its own JVM, calls InitCamera and ReleaseCamera, and prints what it saw. extraEnv
// entries are NAME=VALUE.
ChildResult runChild(const std::string &directory, const std::vector<std::string> &extraEnv = {});
// The child's side; returns the process exit code.
int childMain(const char *directory);

}  // namespace jvmtest
