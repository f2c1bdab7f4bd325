// Keeping the driver library loaded while a board is open.
//   Windows: unloading the DLL with a board open would run the board's teardown inside
//            DllMain, under the loader lock, where joining the worker thread deadlocks
//            (a thread cannot finish exiting without that lock). So an open board holds
//            one reference to the DLL, dropped by CLOSEBOARD once the worker is joined;
//            a DLL freed with a board left open stays loaded, board and all.
//   POSIX:   nothing to do; unloading runs the library's destructors, which stop the
//            worker thread and free the board.
// driver_module_posix.cpp and driver_module_win32.cpp implement it. Both calls are made
// under the driver's registry mutex.
#pragma once

namespace qvsim_driver {

void holdLibrary();
// Only called from an entry point, whose caller still holds its own reference.
void releaseLibrary();

// True where an open board keeps the library loaded: there the library's static
// destructors find a board still open only at process exit, when the system has
// already ended every other thread (perhaps holding the board's mutex), so the board
// must be left as it is rather than stopped.
bool openBoardPinsLibrary();

}  // namespace qvsim_driver
