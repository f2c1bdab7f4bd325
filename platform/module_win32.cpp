// Win32 module loading. The library finds its own file through its module handle, loads
// the vendor DLLs by full path with LOAD_WITH_ALTERED_SEARCH_PATH (so that a vendor DLL
// finds the further DLLs in its own folder), and keeps every load from opening a
// system error dialog inside the host process.
#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>

#include "platform/module.h"

namespace qv::platform {

const char *const kOwnFileName = "QuorvaneNative.dll";
const char *const kDriverFileName = "pccam.dll";
const char *const kDriverBareName = "pccam";
const char *const kConversionFileName = "pcocnv.dll";

namespace {

// Keeps the system from showing "no disk" or "cannot find file" boxes while a DLL
// loads; the host's own error mode is back as soon as the load returns. The flags are
// added to the host's mode rather than replacing it.
class QuietLoad {
 public:
  QuietLoad() : previous_(SetErrorMode(kQuiet)) { SetErrorMode(previous_ | kQuiet); }
  ~QuietLoad() { SetErrorMode(previous_); }
  QuietLoad(const QuietLoad &) = delete;
  QuietLoad &operator=(const QuietLoad &) = delete;

 private:
  static constexpr UINT kQuiet = SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX;
  UINT previous_;
};

// The module that holds this code, found from the address of one of its functions.
// The module found by the library's file name is only the fallback: a second copy of
// the library loaded from another folder has the same name, and a renamed library
// file has another.
HMODULE ownModule() {
  HMODULE byName = GetModuleHandleA(kOwnFileName);
  HMODULE byAddress = nullptr;
  const DWORD flags =
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
  if (GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&ownModule), &byAddress) != 0 &&
      byAddress != nullptr)
    return byAddress;
  return byName;
}

}  // namespace

bool ownDirectory(char *buffer, std::size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  const HMODULE module = ownModule();
  if (module == nullptr) return false;
  char path[kMaxPath];
  // A path that does not fit comes back cut off at the buffer's size (and, on older
  // systems, without a terminator): a length of the full buffer means "did not fit".
  const DWORD length = GetModuleFileNameA(module, path, static_cast<DWORD>(sizeof path));
  if (length == 0 || length >= sizeof path) return false;
  path[length] = '\0';
  const char *separator = nullptr;
  for (const char *c = path; *c != '\0'; ++c)
    if (*c == '\\' || *c == '/') separator = c;
  if (separator == nullptr) return false;
  const std::size_t directoryLength = static_cast<std::size_t>(separator - path) + 1;
  if (directoryLength + 1 > capacity) return false;
  std::memcpy(buffer, path, directoryLength);
  buffer[directoryLength] = '\0';
  return true;
}

ModuleHandle loadModule(const char *path) {
  if (path == nullptr) return nullptr;
  // LOAD_WITH_ALTERED_SEARCH_PATH takes the folder of an absolute path with
  // backslashes; GetFullPathNameA makes the path absolute and turns '/' into '\'.
  char full[kMaxPath];
  const DWORD length = GetFullPathNameA(path, static_cast<DWORD>(sizeof full), full, nullptr);
  if (length == 0 || length >= sizeof full) return nullptr;
  QuietLoad quiet;
  return LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

ModuleHandle loadModuleBySearch(const char *name) {
  if (name == nullptr) return nullptr;
  QuietLoad quiet;
  return LoadLibraryA(name);
}

void unloadModule(ModuleHandle module) {
  if (module != nullptr) FreeLibrary(static_cast<HMODULE>(module));
}

GenericProc findSymbol(ModuleHandle module, const char *name) {
  if (module == nullptr || name == nullptr) return nullptr;
  const FARPROC address = GetProcAddress(static_cast<HMODULE>(module), name);
  GenericProc proc;
  static_assert(sizeof(proc) == sizeof(address));
  std::memcpy(&proc, &address, sizeof(proc));
  return proc;
}

GenericProc lookupInModule(void *context, const char *name) { return findSymbol(context, name); }

}  // namespace qv::platform

#endif
