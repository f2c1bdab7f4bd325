// Win32 waiting. The picture event is a kernel event object (auto-reset), so a wait
// that sees it signalled also resets it.
#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/wait.h"

namespace qv::platform {

WaitResult waitForEvent(void *event, int timeoutMs) {
  if (event == nullptr) return WaitResult::Failed;
  // A negative time would become a near-endless wait as a DWORD; it means "no time".
  const DWORD timeout = timeoutMs > 0 ? static_cast<DWORD>(timeoutMs) : 0;
  switch (WaitForSingleObject(static_cast<HANDLE>(event), timeout)) {
    case WAIT_OBJECT_0: return WaitResult::Signalled;
    case WAIT_TIMEOUT: return WaitResult::TimedOut;
    default: return WaitResult::Failed;  // WAIT_FAILED, or WAIT_ABANDONED on a mutex
  }
}

void sleepMs(int ms) {
  if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

}  // namespace qv::platform

#endif
