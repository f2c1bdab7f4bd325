# Shared part of the MinGW-w64 toolchain files; QV_MINGW_TRIPLET is set by the
# including file. Everything else a Windows build needs (static runtime, SSE2 on
# 32-bit, export names, Wine for the tests) is in cmake/windows.cmake, so that a native
# MinGW build gets it too.
set(CMAKE_SYSTEM_NAME Windows)
string(REGEX REPLACE "-.*" "" CMAKE_SYSTEM_PROCESSOR ${QV_MINGW_TRIPLET})

set(CMAKE_C_COMPILER ${QV_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QV_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${QV_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${QV_MINGW_TRIPLET}-objdump)

# Programs (javac and the JDK's tools, Wine) are the host's.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
