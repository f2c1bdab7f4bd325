#include "vendor/entry_points.h"

namespace qv {

constinit DriverApi driver{};
constinit ConversionApi conversion{};

namespace {

// The one place where a generic address becomes a typed entry point.
template <typename Fn>
bool resolveOne(Fn &slot, SymbolLookup lookup, void *context, const char *name) {
  GenericProc proc = lookup(context, name);
  slot = reinterpret_cast<Fn>(proc);
  return proc != nullptr;
}

}  // namespace

int resolveDriver(DriverApi &api, SymbolLookup lookup, void *context) {
  int missing = 0;
#define QV_RESOLVE(name) missing += resolveOne(api.name, lookup, context, #name) ? 0 : 1;
  QV_DRIVER_ENTRY_POINTS(QV_RESOLVE)
#undef QV_RESOLVE
  return missing;
}

int resolveConversion(ConversionApi &api, SymbolLookup lookup, void *context) {
  int missing = 0;
#define QV_RESOLVE(name) missing += resolveOne(api.name, lookup, context, #name) ? 0 : 1;
  QV_CONVERSION_ENTRY_POINTS(QV_RESOLVE)
#undef QV_RESOLVE
  return missing;
}

}  // namespace qv
