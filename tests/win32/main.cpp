// The Windows suite's program. Started with --child it is one of the child processes
// the loading cases start (see harness.h); otherwise it runs the tests.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "win32/harness.h"

namespace {

// A crash ends the process with a message at once, instead of starting a debugger or a
// dialog that nobody can answer.
LONG WINAPI reportCrash(EXCEPTION_POINTERS *info) {
  std::fprintf(stderr, "crash: exception 0x%lx at %p\n", info->ExceptionRecord->ExceptionCode,
               info->ExceptionRecord->ExceptionAddress);
  std::fflush(stderr);
  std::_Exit(71);
}

}  // namespace

int main(int argc, char **argv) {
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
  SetUnhandledExceptionFilter(&reportCrash);
  if (argc >= 2 && std::strcmp(argv[1], "--child") == 0) return wintest::childMain(argc - 2, argv + 2);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
