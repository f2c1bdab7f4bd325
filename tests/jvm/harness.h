// One embedded JVM per test process, started with -Xcheck:jni, and thin callers of the
// ten native methods of Quorvane_ through JNI, as Java code would call them. Also the
// simulator's control calls, taken from the same qvsim file the library's vendor
// libraries use, and child processes for cases that need a freshly loaded library.
#pragma once

#include <jni.h>

#include <string>
#include <vector>

#include "sim/control.h"

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
struct Sim {
  void (*setInt)(const char *, int);
  int (*getInt)(const char *);
  int (*patternValue)(int, int, int, int);
  void (*reset)();
  void (*fail)(const char *, int, int, int);
  void (*clearFaults)();
  void (*script)(const QvSimStep *, int, int);
  int (*journalCount)();
  int (*journalGet)(int, QvSimCall *);
  void (*journalClear)();

  std::vector<QvSimCall> journal() const;
  std::vector<std::string> names() const;
  // The last journal entry for name; fails the test when there is none.
  QvSimCall last(const std::string &name) const;
  int count(const std::string &name) const;
};
const Sim &sim();

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
