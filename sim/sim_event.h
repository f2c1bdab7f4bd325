// Picture events of the simulated driver. The driver hands each buffer's event out as
// an opaque pointer-sized handle; the library waits on it with its own platform wait.
//   POSIX:   an eventfd (close-on-exec, non-blocking) held as (void *)(intptr_t)fd.
//            Signalling adds 1 to the counter; a wait polls for POLLIN and reads the
//            counter back, which resets it (auto-reset).
//   Windows: an auto-reset event made with CreateEventA, signalled with SetEvent.
// sim_event_posix.cpp and sim_event_win32.cpp implement it; only they hold platform code.
#pragma once

namespace qvsim_driver {

using EventHandle = void *;

// Makes a new, unsignalled auto-reset event into *out. False when the system refuses.
// A handle made here is never null.
bool createEvent(EventHandle *out);

// Sets the event. A waiter that comes later still sees it, until one wait consumes it.
// Null (a buffer without an event) and the invalid handle are ignored.
void signalEvent(EventHandle event);

// Releases an event made by createEvent; null is ignored.
void closeEvent(EventHandle event);

// A handle that no wait accepts: it is never created, signalled or closed, and can
// never name a real event of this process.
EventHandle invalidEvent();

}  // namespace qvsim_driver
