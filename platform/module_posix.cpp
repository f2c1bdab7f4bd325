// POSIX module loading: dlopen with immediate, local binding, and dladdr to find the
// file this code was loaded from.
#if !defined(_WIN32)

#include <dlfcn.h>

#include <cstring>

#include "platform/module.h"

namespace qv::platform {

const char *const kOwnFileName = "libQuorvaneNative.so";
const char *const kDriverFileName = "libpccam.so";
const char *const kDriverBareName = "libpccam.so";
const char *const kConversionFileName = "libpcocnv.so";

bool ownDirectory(char *buffer, std::size_t capacity) {
  if (capacity == 0) return false;
  buffer[0] = '\0';
  Dl_info info{};
  if (dladdr(reinterpret_cast<void *>(&ownDirectory), &info) == 0 || info.dli_fname == nullptr)
    return false;
  const char *path = info.dli_fname;
  const char *slash = std::strrchr(path, '/');
  if (slash == nullptr) return false;
  std::size_t length = static_cast<std::size_t>(slash - path) + 1;
  if (length + 1 > capacity) return false;
  std::memcpy(buffer, path, length);
  buffer[length] = '\0';
  return true;
}

ModuleHandle loadModule(const char *path) { return dlopen(path, RTLD_NOW | RTLD_LOCAL); }

ModuleHandle loadModuleBySearch(const char *name) { return dlopen(name, RTLD_NOW | RTLD_LOCAL); }

void unloadModule(ModuleHandle module) {
  if (module != nullptr) dlclose(module);
}

GenericProc findSymbol(ModuleHandle module, const char *name) {
  if (module == nullptr) return nullptr;
  void *address = dlsym(module, name);
  GenericProc proc;
  static_assert(sizeof(proc) == sizeof(address));
  std::memcpy(&proc, &address, sizeof(proc));
  return proc;
}

GenericProc lookupInModule(void *context, const char *name) { return findSymbol(context, name); }

}  // namespace qv::platform

#endif
