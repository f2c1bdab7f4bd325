// Finding and loading the two vendor libraries beside the library's own file.
#include <cstdio>

#include "camera/camera.h"
#include "camera/state.h"
#include "camera/status.h"
#include "platform/module.h"

namespace qv {

namespace {

// Formats directory + file into buffer; false when it would not fit. Never truncates.
bool joinPath(char (&buffer)[platform::kMaxPath], const char *directory, const char *file) {
  const int written = std::snprintf(buffer, sizeof buffer, "%s%s", directory, file);
  return written >= 0 && static_cast<std::size_t>(written) < sizeof buffer;
}

void dropDriver() {
  platform::unloadModule(driverLibrary);
  driverLibrary = nullptr;
  driver = DriverApi{};
}

void dropConversion() {
  platform::unloadModule(conversionLibrary);
  conversionLibrary = nullptr;
  conversion = ConversionApi{};
}

}  // namespace

int loadVendorLibraries() {
  char libraryDirectory[platform::kMaxPath];
  char driverPath[platform::kMaxPath];
  char conversionPath[platform::kMaxPath];
  if (!platform::ownDirectory(libraryDirectory, sizeof libraryDirectory) ||
      !joinPath(driverPath, libraryDirectory, platform::kDriverFileName) ||
      !joinPath(conversionPath, libraryDirectory, platform::kConversionFileName))
    return kStatusNotLoaded;

  // A handle from an earlier bring-up is not released here: bring-up repeats every
  // step, and only ReleaseCamera gives libraries back.
  driverLibrary = platform::loadModule(driverPath);
  if (driverLibrary == nullptr) driverLibrary = platform::loadModuleBySearch(platform::kDriverBareName);
  if (driverLibrary == nullptr) {
    driver = DriverApi{};
    return kStatusNotLoaded;
  }
  if (resolveDriver(driver, platform::lookupInModule, driverLibrary) != 0) {
    dropDriver();
    return kStatusMissingEntryPoint;
  }

  conversionLibrary = platform::loadModule(conversionPath);
  if (conversionLibrary == nullptr) {
    conversion = ConversionApi{};
    return kStatusNotLoaded;
  }
  if (resolveConversion(conversion, platform::lookupInModule, conversionLibrary) != 0) {
    dropConversion();
    return kStatusMissingEntryPoint;
  }
  return kStatusOk;
}

}  // namespace qv
