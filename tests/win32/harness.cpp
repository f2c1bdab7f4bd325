#include "win32/harness.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/module.h"

namespace wintest {

namespace {

[[noreturn]] void die(const std::string &what) {
  std::fprintf(stderr, "win32 harness: %s (error %lu)\n", what.c_str(), GetLastError());
  std::fflush(stderr);
  std::exit(3);
}

fs::path ownFile() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) die("cannot find this program's file");
  return fs::path(std::string(path, length));
}

// A path too long for the ANSI calls is loaded through its \\?\ form.
HMODULE loadLibraryFile(const fs::path &file) {
  const std::string text = file.string();
  if (text.size() < MAX_PATH) return LoadLibraryA(text.c_str());
  const std::wstring wide = L"\\\\?\\" + file.wstring();
  return LoadLibraryExW(wide.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

template <typename Slot>
void bind(HMODULE module, Slot &slot, const char *name) {
  const FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) die(std::string("no export ") + name);
  static_assert(sizeof slot == sizeof address);
  std::memcpy(&slot, &address, sizeof slot);
}

template <typename Element, typename Array>
void readBack(const FakeJni &jni, Array array, std::vector<Element> *values,
              std::vector<Element> (FakeJni::*read)(Array) const) {
  if (values != nullptr) *values = (jni.*read)(array);
}

std::string hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "%x", value);
  return text;
}

}  // namespace

fs::path buildDir() { return ownFile().parent_path().parent_path(); }
fs::path outDir() { return buildDir() / "out"; }
fs::path variantDir() { return buildDir() / "variants"; }
fs::path probeDir() { return buildDir() / "probe"; }

Exports loadLibrary(const fs::path &file) {
  HMODULE module = loadLibraryFile(file);
  if (module == nullptr) die("cannot load " + file.string());
  Exports x{};
  bind(module, x.InitCamera, kExportNames[0]);
  bind(module, x.ReleaseCamera, kExportNames[1]);
  bind(module, x.SetUpCamera, kExportNames[2]);
  bind(module, x.RunCOCAsVIDEO, kExportNames[3]);
  bind(module, x.StopCOC, kExportNames[4]);
  bind(module, x.Acquire, kExportNames[5]);
  bind(module, x.Acquire8, kExportNames[6]);
  bind(module, x.AcquireRGB, kExportNames[7]);
  bind(module, x.WhiteBalance, kExportNames[8]);
  bind(module, x.AutoMinMax, kExportNames[9]);
  return x;
}

// ---- Java's view -------------------------------------------------------------------

void Java::prepare(FakeJni &jni) {
  if (failNextGet_) jni.failNextGet();
  if (failNextNew_) jni.failNextNewArray();
  failNextGet_ = failNextNew_ = false;
}

void Java::check(FakeJni &jni, const char *method) {
  const std::string report = jni.unbalanced();
  if (!report.empty()) problems_ += std::string(method) + ": " + report;
  EXPECT_EQ(report, "") << "array elements after " << method;
  lastEvents_ = jni.events();
}

std::vector<int> Java::initCamera() {
  FakeJni jni;
  prepare(jni);
  const std::vector<int> result = jni.intsOf(x_.InitCamera(jni.env(), nullptr));
  check(jni, "InitCamera");
  return result;
}

#define QV_PLAIN_CALL(function, name)              \
  int Java::function() {                           \
    FakeJni jni;                                   \
    const int status = x_.name(jni.env(), nullptr); \
    check(jni, #name);                             \
    return status;                                 \
  }
QV_PLAIN_CALL(releaseCamera, ReleaseCamera)
QV_PLAIN_CALL(runCocAsVideo, RunCOCAsVIDEO)
QV_PLAIN_CALL(stopCoc, StopCOC)
#undef QV_PLAIN_CALL

int Java::setUpCamera(const std::vector<int> *values) {
  FakeJni jni;
  prepare(jni);
  const int status = x_.SetUpCamera(jni.env(), nullptr, values ? jni.ints(*values) : nullptr);
  check(jni, "SetUpCamera");
  return status;
}

int Java::acquire(std::vector<short> *frame) {
  FakeJni jni;
  prepare(jni);
  jshortArray array = frame ? jni.shorts(*frame) : nullptr;
  const int status = x_.Acquire(jni.env(), nullptr, array);
  readBack(jni, array, frame, &FakeJni::shortsOf);
  check(jni, "Acquire");
  return status;
}

int Java::acquire8(std::vector<signed char> *frame) {
  FakeJni jni;
  prepare(jni);
  jbyteArray array = frame ? jni.bytes(*frame) : nullptr;
  const int status = x_.Acquire8(jni.env(), nullptr, array);
  readBack(jni, array, frame, &FakeJni::bytesOf);
  check(jni, "Acquire8");
  return status;
}

int Java::acquireRgb(std::vector<int> *frame) {
  FakeJni jni;
  prepare(jni);
  jintArray array = frame ? jni.ints(*frame) : nullptr;
  const int status = x_.AcquireRGB(jni.env(), nullptr, array);
  readBack(jni, array, frame, &FakeJni::intsOf);
  check(jni, "AcquireRGB");
  return status;
}

std::vector<int> Java::whiteBalance(std::vector<int> *region) {
  FakeJni jni;
  prepare(jni);
  jintArray array = region ? jni.ints(*region) : nullptr;
  const std::vector<int> result = jni.intsOf(x_.WhiteBalance(jni.env(), nullptr, array));
  readBack(jni, array, region, &FakeJni::intsOf);
  check(jni, "WhiteBalance");
  return result;
}

std::vector<int> Java::autoMinMax(int proportional, std::vector<int> *region) {
  FakeJni jni;
  prepare(jni);
  jintArray array = region ? jni.ints(*region) : nullptr;
  const std::vector<int> result =
      jni.intsOf(x_.AutoMinMax(jni.env(), nullptr, proportional, array));
  readBack(jni, array, region, &FakeJni::intsOf);
  check(jni, "AutoMinMax");
  return result;
}

Java &java() {
  static Java instance(loadLibrary(outDir() / "QuorvaneNative.dll"));
  return instance;
}

std::vector<int> settings(int videoMode) {
  //      mode hbin vbin exposure gain video  -   r    g    b  min  max  lut  col
  return {3, 1, 1, 0, 100, videoMode, 0, 100, 100, 100, 0, 4095, 100, 100};
}

// ---- The simulator -----------------------------------------------------------------

// The lookup of one loaded DLL's exports, for the shared bindings.
simapi::Lookup exportsOf(HMODULE module) {
  return [module](const char *name) {
    const FARPROC address = GetProcAddress(module, name);
    void *generic = nullptr;
    static_assert(sizeof generic == sizeof address);
    std::memcpy(&generic, &address, sizeof generic);
    return generic;
  };
}

const Sim &sim() {
  static const Sim instance = [] {
    HMODULE module = LoadLibraryA((outDir() / "qvsim.dll").string().c_str());
    if (module == nullptr) die("cannot load qvsim.dll");
    return simapi::bindSim(exportsOf(module));
  }();
  return instance;
}

const simapi::Conversion &conversion() {
  static const simapi::Conversion instance = [] {
    HMODULE module = LoadLibraryExA((outDir() / "pcocnv.dll").string().c_str(), nullptr,
                                    LOAD_WITH_ALTERED_SEARCH_PATH);
    if (module == nullptr) die("cannot load pcocnv.dll");
    return simapi::bindConversion(exportsOf(module));
  }();
  return instance;
}

// ---- Folders -------------------------------------------------------------------------

const std::vector<std::string> kAllFiles{"QuorvaneNative.dll", "pccam.dll", "pcocnv.dll",
                                         "qvsim.dll"};

namespace {

// Removes a folder tree through \\?\ paths, which also reach below the 260-character
// limit the long-path cases go past.
void removeTree(const std::wstring &folder) {
  WIN32_FIND_DATAW entry;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = entry.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring path = folder + L"\\" + name;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        removeTree(path);
      else
        DeleteFileW(path.c_str());
    } while (FindNextFileW(find, &entry));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

Folder::Folder(const std::string &name)
    : path_(fs::path(testing::TempDir()) /
            ("qv_" + std::to_string(GetCurrentProcessId()) + "_" + name)) {
  removeTree(L"\\\\?\\" + path_.wstring());
  fs::create_directories(path_);
}

Folder::~Folder() { removeTree(L"\\\\?\\" + path_.wstring()); }

void Folder::copyFrom(const fs::path &folder, const std::string &file, const fs::path &below) const {
  fs::create_directories(path_ / below);
  fs::copy_file(folder / file, path_ / below / file, fs::copy_options::overwrite_existing);
}

void Folder::copyBuilt(const std::vector<std::string> &files, const fs::path &below) const {
  for (const std::string &file : files) copyFrom(outDir(), file, below);
}

std::string samePath(const fs::path &path) {
  char full[4096];
  std::string text = path.string();
  const DWORD length = GetFullPathNameA(text.c_str(), sizeof full, full, nullptr);
  if (length != 0 && length < sizeof full) text.assign(full, length);
  if (text.rfind("\\\\?\\", 0) == 0) text.erase(0, 4);
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c == '/' ? '\\' : std::tolower(c)); });
  return text;
}

// ---- Child processes ---------------------------------------------------------------

std::vector<std::string> ChildResult::lines(const std::string &key) const {
  std::vector<std::string> out;
  std::size_t start = 0, end;
  while ((end = output.find('\n', start)) != std::string::npos) {
    std::string text = output.substr(start, end - start);
    if (!text.empty() && text.back() == '\r') text.pop_back();
    if (text.rfind(key + " ", 0) == 0) out.push_back(text.substr(key.size() + 1));
    start = end + 1;
  }
  return out;
}

std::string ChildResult::line(const std::string &key) const {
  const std::vector<std::string> all = lines(key);
  return all.empty() ? std::string() : all.front();
}

ChildResult runChild(const std::vector<std::string> &args, const std::string &pathPrefix) {
  std::string command = "\"" + ownFile().string() + "\" --child";
  for (const std::string &arg : args) command += " \"" + arg + "\"";

  const fs::path outputPath = fs::path(testing::TempDir()) /
                              ("qv_child_" + std::to_string(GetCurrentProcessId()) + ".txt");
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE output = CreateFileA(outputPath.string().c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (output == INVALID_HANDLE_VALUE) return {-1, "cannot create the child's output file"};

  // The child inherits this process's environment; PATH is changed around its start.
  std::string oldPath(32767, '\0');
  oldPath.resize(GetEnvironmentVariableA("PATH", oldPath.data(), static_cast<DWORD>(oldPath.size())));
  if (!pathPrefix.empty()) SetEnvironmentVariableA("PATH", (pathPrefix + ";" + oldPath).c_str());

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      nullptr, &startup, &process);
  if (!pathPrefix.empty()) SetEnvironmentVariableA("PATH", oldPath.c_str());
  CloseHandle(output);
  if (!started) return {-1, "cannot start the child"};

  // A hung child must not hang the suite: it is ended after two minutes.
  int exitCode = -1;
  if (WaitForSingleObject(process.hProcess, 120000) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 99);
    WaitForSingleObject(process.hProcess, INFINITE);
  }
  DWORD code = 0;
  if (GetExitCodeProcess(process.hProcess, &code)) exitCode = static_cast<int>(code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  std::ifstream in(outputPath, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  in.close();
  std::error_code ignored;
  fs::remove(outputPath, ignored);
  return {exitCode, text};
}

namespace {

// Which copies of the simulated libraries this process holds.
void printLoadedModules(const std::string &key = "loaded") {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0);
  if (snapshot == INVALID_HANDLE_VALUE) die("no module snapshot");
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Module32First(snapshot, &entry); more; more = Module32Next(snapshot, &entry)) {
    std::string name = entry.szModule;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (name == "pccam.dll" || name == "pcocnv.dll" || name == "qvsim.dll")
      std::printf("%s %s\n", key.c_str(), samePath(entry.szExePath).c_str());
  }
  CloseHandle(snapshot);
}

void printInit(Java &library, const std::string &key = "init") {
  const std::vector<int> result = library.initCamera();
  std::printf("%s", key.c_str());
  for (int v : result) std::printf(" %d", v);
  std::printf("\n");
}

// The error mode a host may have set for itself; it must be the same after each load.
constexpr UINT kHostErrorMode = SEM_NOGPFAULTERRORBOX;

}  // namespace

// Commands:
//   init DIR         load DIR\QuorvaneNative.dll, InitCamera, report, ReleaseCamera
//   twice DIR1 DIR2  load both copies, then InitCamera, report and ReleaseCamera on each
//   load HOW FILE    load FILE with the library's loadModule (HOW "platform") or a plain
//                    LoadLibraryA (HOW "plain"), report
int childMain(int argc, char **argv) {
  const std::vector<std::string> args(argv, argv + argc);
  SetErrorMode(kHostErrorMode);
  if (args.size() == 2 && args[0] == "init") {
    Java library(loadLibrary(fs::path(args[1]) / "QuorvaneNative.dll"));
    printInit(library);
    std::printf("errormode %s\n", hex(GetErrorMode()).c_str());
    char probe[32];
    if (GetEnvironmentVariableA("QV_PROBE_ERROR_MODE", probe, sizeof probe) != 0)
      std::printf("probe %s\n", probe);
    printLoadedModules();
    std::printf("release %d\n", library.releaseCamera());
    std::printf("jni %s\n", library.problems().empty() ? "balanced" : library.problems().c_str());
  } else if (args.size() == 3 && args[0] == "twice") {
    // Bring-up and release on each copy in turn, each reported with its number.
    Java copies[] = {Java(loadLibrary(fs::path(args[1]) / "QuorvaneNative.dll")),
                     Java(loadLibrary(fs::path(args[2]) / "QuorvaneNative.dll"))};
    for (int i = 0; i < 2; ++i) {
      const std::string number = std::to_string(i + 1);
      printInit(copies[i], "init" + number);
      printLoadedModules("loaded" + number);
      std::printf("release%d %d\n", i + 1, copies[i].releaseCamera());
    }
    const bool balanced = copies[0].problems().empty() && copies[1].problems().empty();
    std::printf("jni %s\n", balanced ? "balanced" : "unbalanced");
  } else if (args.size() == 3 && args[0] == "load") {
    void *module = args[1] == "platform" ? qv::platform::loadModule(args[2].c_str())
                                         : static_cast<void *>(LoadLibraryA(args[2].c_str()));
    std::printf("result %d\n", module != nullptr ? 1 : 0);
    std::printf("errormode %s\n", hex(GetErrorMode()).c_str());
    printLoadedModules();
  } else {
    std::fprintf(stderr, "unknown child command\n");
    return 2;
  }
  std::fflush(stdout);
  return 0;
}

}  // namespace wintest
