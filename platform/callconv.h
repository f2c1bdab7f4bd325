// Calling convention of the vendor entry points, defined once for the whole tree.
#pragma once

#if defined(_WIN32) && !defined(_WIN64)
#define QV_VENDOR_CC __stdcall
#else
#define QV_VENDOR_CC
#endif

// Exported from the simulated vendor libraries.
#if defined(_WIN32)
#define QV_VENDOR_EXPORT __declspec(dllexport)
#else
#define QV_VENDOR_EXPORT __attribute__((visibility("default")))
#endif
