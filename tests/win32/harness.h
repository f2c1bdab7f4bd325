// The Windows suite's view of the built DLLs: QuorvaneNative.dll loaded with
// LoadLibraryA, its ten exports found with GetProcAddress by their undecorated names
// and called through the fake JNI environment as Java would call them; the simulator
// steered through qvsim.dll from the same folder; child processes for the cases that
// need a freshly loaded library; and folders arranged as a user's installation.
#pragma once

#include <jni.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "Quorvane_.h"
#include "common/sim_api.h"
#include "win32/jni_env.h"

namespace wintest {

namespace fs = std::filesystem;

// Folders of the build, found from this program's own file (<build>\tests\*.exe).
fs::path buildDir();
fs::path outDir();      // the library and the simulator
fs::path variantDir();  // variants\no-NAME\pccam.dll or pcocnv.dll
fs::path probeDir();    // probe\pccam.dll: records the error mode it was loaded under

// The ten exports, typed from the header javac generates from Quorvane_.java.
struct Exports {
  decltype(&Java_Quorvane_1_InitCamera) InitCamera;
  decltype(&Java_Quorvane_1_ReleaseCamera) ReleaseCamera;
  decltype(&Java_Quorvane_1_SetUpCamera) SetUpCamera;
  decltype(&Java_Quorvane_1_RunCOCAsVIDEO) RunCOCAsVIDEO;
  decltype(&Java_Quorvane_1_StopCOC) StopCOC;
  decltype(&Java_Quorvane_1_Acquire) Acquire;
  decltype(&Java_Quorvane_1_Acquire8) Acquire8;
  decltype(&Java_Quorvane_1_AcquireRGB) AcquireRGB;
  decltype(&Java_Quorvane_1_WhiteBalance) WhiteBalance;
  decltype(&Java_Quorvane_1_AutoMinMax) AutoMinMax;
};
inline constexpr const char *kExportNames[] = {
    "Java_Quorvane_1_InitCamera",  "Java_Quorvane_1_ReleaseCamera", "Java_Quorvane_1_SetUpCamera",
    "Java_Quorvane_1_RunCOCAsVIDEO", "Java_Quorvane_1_StopCOC",     "Java_Quorvane_1_Acquire",
    "Java_Quorvane_1_Acquire8",    "Java_Quorvane_1_AcquireRGB",    "Java_Quorvane_1_WhiteBalance",
    "Java_Quorvane_1_AutoMinMax"};

// Loads a QuorvaneNative.dll and resolves its exports; aborts when either fails.
// Paths too long for the ANSI calls are loaded through their \\?\ form.
Exports loadLibrary(const fs::path &file);

// Java's view of the ten methods on one loaded library. Each call makes its arrays in
// its own fake JNI environment and checks, after the call, that every Get of array
// elements was matched by its Release with mode 0.
class Java {
 public:
  explicit Java(const Exports &exports) : x_(exports) {}
  std::vector<int> initCamera();
  int releaseCamera();
  int setUpCamera(const std::vector<int> *settings);
  int runCocAsVideo();
  int stopCoc();
  // A null vector pointer passes a null array; the array is read back after the call.
  int acquire(std::vector<short> *frame);
  int acquire8(std::vector<signed char> *frame);
  int acquireRgb(std::vector<int> *frame);
  std::vector<int> whiteBalance(std::vector<int> *region);
  std::vector<int> autoMinMax(int proportional, std::vector<int> *region);

  // The array records of the last call.
  const std::vector<ArrayEvent> &lastEvents() const { return lastEvents_; }
  // Makes the next call's Get of array elements, or its NewIntArray, fail.
  void failNextGet() { failNextGet_ = true; }
  void failNextNewArray() { failNextNew_ = true; }
  // What was unbalanced in any call so far; empty when nothing was.
  const std::string &problems() const { return problems_; }

  const Exports &exports() const { return x_; }

 private:
  void check(FakeJni &jni, const char *method);
  void prepare(FakeJni &jni);
  Exports x_;
  std::vector<ArrayEvent> lastEvents_;
  std::string problems_;
  bool failNextGet_ = false;
  bool failNextNew_ = false;
};

// The built library from outDir(), loaded once into this process.
Java &java();

// Settings with named defaults: video mode, no binning, factors 100, full range.
std::vector<int> settings(int videoMode = 1);

// The simulator's control calls, from outDir()'s qvsim.dll.
using simapi::Sim;
const Sim &sim();

// The simulated conversion library's calls, from the file the library loads, to compute
// what a conversion must give.
const simapi::Conversion &conversion();

// The lookup of one loaded DLL's exports, for simapi's bindings.
simapi::Lookup exportsOf(HMODULE module);

// A fresh, empty folder below the test temp folder, removed when the object goes.
class Folder {
 public:
  explicit Folder(const std::string &name);
  ~Folder();
  Folder(const Folder &) = delete;
  Folder &operator=(const Folder &) = delete;
  const fs::path &path() const { return path_; }
  // Copies files of the output folder (by file name) into this folder or its
  // sub-folder `below`.
  void copyBuilt(const std::vector<std::string> &files, const fs::path &below = {}) const;
  // Copies `file` from another folder of the build.
  void copyFrom(const fs::path &folder, const std::string &file, const fs::path &below = {}) const;

 private:
  fs::path path_;
};

// All four files a working installation has.
extern const std::vector<std::string> kAllFiles;

// Runs this program as a child with the given arguments after "--child" and returns
// its exit code and what it printed. The child's PATH is pathPrefix;PATH when
// pathPrefix is not empty.
struct ChildResult {
  int exitCode;
  std::string output;
  // Lines of the output that start with `key` and a space, without that start.
  std::vector<std::string> lines(const std::string &key) const;
  std::string line(const std::string &key) const;  // the first such line, or ""
};
ChildResult runChild(const std::vector<std::string> &args, const std::string &pathPrefix = {});

// The child's side; returns its exit code.
int childMain(int argc, char **argv);

// Normalised form of a Windows path for comparing: full, with backslashes, lower case.
std::string samePath(const fs::path &path);

}  // namespace wintest
