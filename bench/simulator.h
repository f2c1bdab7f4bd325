// The simulated vendor libraries as the benchmark reaches them: the qvsim control calls,
// and the driver's and conversion library's entry points, each taken from the very file
// the library itself loads (the same folder, so the same loaded copy). The floors call
// these directly, with no library code in between.
#pragma once

#include <string>

#include "sim/control.h"
#include "vendor/entry_points.h"

namespace qvbench {

struct Simulator {
  void (*setInt)(const char *key, int value);
  int (*getInt)(const char *key);
  void (*reset)();
  int (*journalCount)();
  int (*journalGet)(int index, QvSimCall *out);
  qv::DriverApi driver;
  qv::ConversionApi conversion;
};

// Loads the three simulator files from libraryDir once; fatal when one is missing.
const Simulator &simulator(const std::string &libraryDir);

// The newest journal entry of the named call; fatal when there is none.
QvSimCall lastCall(const Simulator &sim, const char *name);

}  // namespace qvbench
