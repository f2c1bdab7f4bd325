// Calling convention of the vendor entry points, defined once for the whole tree.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define QV_VENDOR_CC __stdcall
#else
#define QV_VENDOR_CC
#endif

// Exported from the simulated vendor libraries. On Windows the driver and conversion
// libraries list their entry points in a module-definition file instead (built with
// QV_VENDOR_EXPORTS_FROM_DEF), so that test variants of them can leave one out.
#if defined(_WIN32) && defined(QV_VENDOR_EXPORTS_FROM_DEF)
#define QV_VENDOR_EXPORT
#elif defined(_WIN32)
#define QV_VENDOR_EXPORT __declspec(dllexport)
#else
#define QV_VENDOR_EXPORT __attribute__((visibility("default")))
#endif
