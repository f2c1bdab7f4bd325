// POSIX waiting. The picture event is an eventfd held in the handle; the driver writes
// to it to signal, and a successful wait reads the counter back, which resets it.
#if !defined(_WIN32)

#include <poll.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/wait.h"

namespace qv::platform {

WaitResult waitForEvent(void *event, int timeoutMs) {
  // A null handle is no event at all (as on Windows), not descriptor 0: waiting on it
  // would poll, and read 8 bytes from, the process's standard input.
  if (event == nullptr) return WaitResult::Failed;
  const int fd = static_cast<int>(reinterpret_cast<std::intptr_t>(event));
  if (fd < 0) return WaitResult::Failed;
  if (timeoutMs < 0) timeoutMs = 0;  // poll would wait forever
  pollfd entry{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&entry, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready < 0) return WaitResult::Failed;
  if (ready == 0) return WaitResult::TimedOut;
  if ((entry.revents & (POLLNVAL | POLLERR)) != 0) return WaitResult::Failed;
  std::uint64_t counter = 0;
  if (read(fd, &counter, sizeof counter) != static_cast<ssize_t>(sizeof counter))
    return WaitResult::Failed;
  return WaitResult::Signalled;
}

void sleepMs(int ms) {
  if (ms <= 0) return;
  timespec rest{ms / 1000, static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

}  // namespace qv::platform

#endif
