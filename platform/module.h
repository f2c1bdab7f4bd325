// Loading of shared libraries at run time, and finding the library's own file.
// One neutral interface; module_posix.cpp and module_win32.cpp implement it.
#pragma once

#include <cstddef>

#include "vendor/entry_points.h"

namespace qv::platform {

using ModuleHandle = void *;

// Longest path, terminator included, that the library builds or accepts.
inline constexpr std::size_t kMaxPath = 260;

// File names of the three libraries on this platform, and the bare name by which the
// driver is looked for through the platform's library search.
extern const char *const kOwnFileName;
extern const char *const kDriverFileName;
extern const char *const kDriverBareName;
extern const char *const kConversionFileName;

// Writes the directory of the module holding this code, with its trailing separator,
// into buffer (capacity bytes). Returns false, leaving buffer an empty string, when
// the module cannot be found or its directory does not fit.
bool ownDirectory(char *buffer, std::size_t capacity);

// Loads a library by full path; null on failure.
ModuleHandle loadModule(const char *path);
// Loads a library by bare name through the platform's search; null on failure.
ModuleHandle loadModuleBySearch(const char *name);
// Unloads a library loaded by one of the two calls above; null is ignored.
void unloadModule(ModuleHandle module);
// Address of an exported symbol, or null.
GenericProc findSymbol(ModuleHandle module, const char *name);

// Adapter for resolveDriver and resolveConversion: context is a ModuleHandle.
GenericProc lookupInModule(void *context, const char *name);

}  // namespace qv::platform
