// Windows picture events: auto-reset kernel events.
#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>

#include "sim/sim_event.h"

namespace qvsim_driver {

bool createEvent(EventHandle *out) {
  // Auto-reset (bManualReset FALSE), initially not signalled, unnamed.
  HANDLE event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (event == nullptr) return false;
  *out = event;
  return true;
}

void signalEvent(EventHandle event) {
  if (event != nullptr) SetEvent(static_cast<HANDLE>(event));
}

void closeEvent(EventHandle event) {
  if (event != nullptr) CloseHandle(static_cast<HANDLE>(event));
}

// Handle values are small multiples of 4 handed out from the process's handle table;
// this one is far beyond any table that can exist, so every wait on it fails with an
// invalid-handle error. (INVALID_HANDLE_VALUE would not do: it is the pseudo-handle of
// the current process, on which a wait simply times out.)
EventHandle invalidEvent() {
  return reinterpret_cast<EventHandle>(static_cast<std::intptr_t>(0x7FFFFFFC));
}

}  // namespace qvsim_driver

#endif
