# Cross build for 32-bit Windows with Debian's MinGW-w64 (the -posix compilers, whose
# runtime has std::thread). The library's primary target: a 32-bit JVM on Windows.
#   cmake -S . -B build-win32 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake
set(QV_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw-common.cmake)
