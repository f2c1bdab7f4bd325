// Waiting on the driver's picture event, and pausing. wait_posix.cpp and wait_win32.cpp
// implement it.
#pragma once

namespace qv::platform {

enum class WaitResult {
  Signalled,  // the event was set; waiting consumed it (auto-reset)
  TimedOut,   // the time ran out first
  Failed,     // the wait could not be made at all, for example on an invalid handle
};

// Waits for the event for at most timeoutMs milliseconds.
WaitResult waitForEvent(void *event, int timeoutMs);

// Blocks the calling thread for ms milliseconds.
void sleepMs(int ms);

}  // namespace qv::platform
