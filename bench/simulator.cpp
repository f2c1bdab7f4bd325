#include "bench/simulator.h"

#include <dlfcn.h>

#include <cstring>

#include "bench/jvm.h"

namespace qvbench {

namespace {

void *open(const std::string &path) {
  void *module = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) fatal("cannot load " + path);
  return module;
}

template <typename Fn>
void bind(Fn &slot, void *module, const char *name) {
  void *address = dlsym(module, name);
  if (address == nullptr) fatal(std::string("no symbol ") + name);
  static_assert(sizeof slot == sizeof address);
  std::memcpy(&slot, &address, sizeof slot);
}

}  // namespace

const Simulator &simulator(const std::string &libraryDir) {
  static const Simulator instance = [&] {
    Simulator s{};
    void *control = open(libraryDir + "/libqvsim.so");
    bind(s.setInt, control, "qvsim_set_int");
    bind(s.getInt, control, "qvsim_get_int");
    bind(s.reset, control, "qvsim_reset");
    bind(s.journalCount, control, "qvsim_journal_count");
    bind(s.journalGet, control, "qvsim_journal_get");
    // Held for the whole run: the library's ReleaseCamera then leaves these files
    // loaded, and its next InitCamera finds the same copies again.
    void *driver = open(libraryDir + "/libpccam.so");
#define QV_BIND(name) bind(s.driver.name, driver, #name);
    QV_DRIVER_ENTRY_POINTS(QV_BIND)
#undef QV_BIND
    void *conversion = open(libraryDir + "/libpcocnv.so");
#define QV_BIND(name) bind(s.conversion.name, conversion, #name);
    QV_CONVERSION_ENTRY_POINTS(QV_BIND)
#undef QV_BIND
    return s;
  }();
  return instance;
}

QvSimCall lastCall(const Simulator &sim, const char *name) {
  QvSimCall call{};
  for (int i = sim.journalCount() - 1; i >= 0; --i) {
    if (sim.journalGet(i, &call) != 0 && std::strcmp(call.name, name) == 0) return call;
  }
  fatal(std::string("no ") + name + " in the simulator's journal");
}

}  // namespace qvbench
