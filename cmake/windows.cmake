# Windows builds with MinGW-w64, cross (cmake/toolchain-mingw-*.cmake) or native.
# Included by the top-level CMakeLists.txt before any target is made.

if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  message(WARNING "Windows builds are made and tested with MinGW-w64 (GCC) only")
endif()

# DLLs are named as the host program and the vendor libraries expect: no "lib" prefix.
set(CMAKE_SHARED_LIBRARY_PREFIX "")
set(CMAKE_IMPORT_LIBRARY_PREFIX "")

# No MinGW runtime DLL beside the library: libgcc, libstdc++ and winpthread are linked
# into every DLL and program (-static makes the linker take libwinpthread.a).
add_link_options(-static -static-libgcc -static-libstdc++)

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # SSE2 for all floating point, so double arithmetic rounds as IEEE double precision
  # (as on the other targets) instead of in the x87 unit's extended precision.
  add_compile_options(-msse2 -mfpmath=sse)
  # 32-bit __stdcall exports are decorated (name@N). Export the plain names, which the
  # JVM and GetProcAddress look up; in .def files, plain names match decorated symbols.
  add_link_options(-Wl,--kill-at -Wl,--enable-stdcall-fixup)
endif()

# jni.h comes from the JDK that builds the Java side (a host tool in a cross build);
# its machine-dependent companion jni_md.h for Windows is our own, platform/win32.
get_filename_component(qv_javac "${Java_JAVAC_EXECUTABLE}" REALPATH)
get_filename_component(qv_jdk "${qv_javac}" DIRECTORY)
get_filename_component(qv_jdk "${qv_jdk}" DIRECTORY)
find_path(QV_JNI_H_DIR jni.h HINTS "${qv_jdk}/include" ENV JAVA_HOME PATH_SUFFIXES include
  NO_CMAKE_FIND_ROOT_PATH)
if(NOT QV_JNI_H_DIR)
  message(FATAL_ERROR "jni.h not found in the JDK of ${Java_JAVAC_EXECUTABLE}")
endif()
set(JNI_INCLUDE_DIRS ${CMAKE_SOURCE_DIR}/platform/win32 ${QV_JNI_H_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/vendor_exports.cmake)

# Test programs of a cross build run under Wine, in a prefix of the build's own, with
# no display (so no dialog can wait for a click) and without the Mono and Gecko
# installers.
if(CMAKE_CROSSCOMPILING)
  find_program(QV_WINE wine)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(qv_winearch win32)
  else()
    set(qv_winearch win64)
  endif()
  set(QV_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  if(QV_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_COMMAND} -E env --unset=DISPLAY
      --unset=WAYLAND_DISPLAY WINEPREFIX=${QV_WINEPREFIX} WINEARCH=${qv_winearch}
      WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" ${QV_WINE})
  endif()
endif()
