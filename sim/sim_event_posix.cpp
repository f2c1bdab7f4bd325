// POSIX picture events: eventfd counters.
#if !defined(_WIN32)

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "sim/sim_event.h"

namespace qvsim_driver {

namespace {

int toFd(EventHandle event) { return static_cast<int>(reinterpret_cast<std::intptr_t>(event)); }
EventHandle toHandle(int fd) { return reinterpret_cast<EventHandle>(static_cast<std::intptr_t>(fd)); }

}  // namespace

bool createEvent(EventHandle *out) {
  int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd < 0) return false;
  // Descriptor 0 would make a null handle, which callers take for "no event". It is
  // only free when standard input was closed; move the event elsewhere and free 0 again.
  if (fd == 0) {
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    if (moved < 0) return false;
    fd = moved;
  }
  *out = toHandle(fd);
  return true;
}

void signalEvent(EventHandle event) {
  const int fd = toFd(event);
  // A null handle is no event (createEvent never hands out descriptor 0): writing to
  // it would write into the process's standard input.
  if (event == nullptr || fd < 0) return;
  const std::uint64_t one = 1;
  // The counter cannot overflow from our increments; EINTR is the only retry case.
  while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
  }
}

void closeEvent(EventHandle event) {
  const int fd = toFd(event);
  if (event == nullptr || fd < 0) return;
  close(fd);
}

// Descriptors are never negative, so -1 cannot collide with an open one; poll reports
// it as invalid at once.
EventHandle invalidEvent() { return toHandle(-1); }

}  // namespace qvsim_driver

#endif
