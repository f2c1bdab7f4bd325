// A stand-in driver DLL that records, in the environment variable QV_PROBE_ERROR_MODE,
// the process error mode in force while it was being loaded. It has none of the
// driver's entry points, so the library unloads it again at once.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    char text[16];
    std::snprintf(text, sizeof text, "%x", GetErrorMode());
    SetEnvironmentVariableA("QV_PROBE_ERROR_MODE", text);
  }
  return TRUE;
}
