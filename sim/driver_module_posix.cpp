// POSIX: the library may be unloaded at any time; see driver_module.h.
#if !defined(_WIN32)

#include "sim/driver_module.h"

namespace qvsim_driver {

void holdLibrary() {}
void releaseLibrary() {}
bool openBoardPinsLibrary() { return false; }

}  // namespace qvsim_driver

#endif
