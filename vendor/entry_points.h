// The two entry-point tables, one per vendor library. They are filled in one place from
// a symbol lookup, so the loader and the tests (which may hand in their own lookup)
// share one path. An all-null table means that library is not loaded.
#pragma once

#include "vendor/conversion.h"
#include "vendor/driver.h"

namespace qv {

struct DriverApi {
#define QV_FIELD(name) name##_fn name;
  QV_DRIVER_ENTRY_POINTS(QV_FIELD)
#undef QV_FIELD
};

struct ConversionApi {
#define QV_FIELD(name) name##_fn name;
  QV_CONVERSION_ENTRY_POINTS(QV_FIELD)
#undef QV_FIELD
};

// A generic function address, as a module lookup returns it; null when absent.
using GenericProc = void (*)();
using SymbolLookup = GenericProc (*)(void *context, const char *name);

// Looks up every entry point by name, in the table's order, also after one is missing.
// Returns the number of names that were not found; the table then holds what was.
int resolveDriver(DriverApi &api, SymbolLookup lookup, void *context);
int resolveConversion(ConversionApi &api, SymbolLookup lookup, void *context);

extern DriverApi driver;
extern ConversionApi conversion;

inline bool driverLoaded() { return driver.INITBOARD != nullptr; }
inline bool conversionLoaded() { return conversion.CONV_BUF_12TOCOL_EX != nullptr; }

}  // namespace qv
