// Windows: a reference to our own DLL while a board is open; see driver_module.h.
#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "sim/driver_module.h"

namespace qvsim_driver {

namespace {

// Any address inside the DLL names it for GetModuleHandleExW.
const char kAnchor = 0;
HMODULE held = nullptr;

}  // namespace

void holdLibrary() {
  if (held != nullptr) return;
  HMODULE module = nullptr;
  // Without GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT this adds a reference.
  if (GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                         reinterpret_cast<LPCWSTR>(&kAnchor), &module))
    held = module;
}

void releaseLibrary() {
  if (held == nullptr) return;
  HMODULE module = held;
  held = nullptr;
  FreeLibrary(module);
}

bool openBoardPinsLibrary() { return true; }

}  // namespace qvsim_driver

#endif
