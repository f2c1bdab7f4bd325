#!/usr/bin/env bash
# Packages for users. Source this file from ./quorvane after scripts/windows.sh (it uses
# top, jobs, java_home, ensure_packages, build_packages and windows_*), then:
#   cmd_package   builds and writes dist/QuorvaneNative-PLATFORM/ and its .zip for
#                 linux-x86_64, windows-i686 and windows-x86_64
# Each holds the library, the Quorvane_ Java source and jar, INSTALL.txt, and the
# simulated vendor libraries in simulator/ for trying it without a camera.

package_install_text() {
  local platform=$1 library=$2 driver=$3 conversion=$4 helper=$5 jvm separator=':'
  case "$platform" in
    windows-i686) jvm="a 32-bit Java VM and the 32-bit vendor DLLs"; separator=';' ;;
    windows-x86_64) jvm="a 64-bit Java VM and 64-bit vendor DLLs"; separator=';' ;;
    *) jvm="a 64-bit Java VM and the vendor libraries for Linux x86-64" ;;
  esac
  local title="QuorvaneNative for $platform"
  cat <<EOF
$title
${title//?/=}

The native library that implements the native methods of the Java class Quorvane_
and operates the camera through the maker's driver library ($driver) and
conversion library ($conversion). Use it with $jvm.

Files
  $library   the library
  Quorvane_.java   the Java class it implements (default package)
  Quorvane.jar     the Java side, compiled
  simulator/       a simulated camera: $driver, $conversion and $helper

Install next to your vendor libraries
  1. Copy $library into the folder that holds $driver and $conversion
     (and the further libraries those need). The library loads both from its own
     folder; $driver is also looked for through the system's library search when
     it is not there, $conversion only there.
  2. Point Java at that folder and load the library before the first call, for
     example with System.loadLibrary("QuorvaneNative") and
       java -Djava.library.path=<that folder> -cp "Quorvane.jar$separator<your classes>" ...
     or with System.load and the library file's full path.
  3. Nothing else is needed: the library depends on system libraries only.

Try it without a camera
  Put $library in a folder of its own and copy the three files of simulator/
  beside it. Never copy them into the folder of the real vendor libraries.
EOF
}

# package_platform PLATFORM OUT_DIR STRIP LIBRARY DRIVER CONVERSION HELPER
# STRIP is the platform's strip tool: the packaged libraries carry no debug information.
package_platform() {
  local platform=$1 out=$2 strip=$3 library=$4 driver=$5 conversion=$6 helper=$7
  local name="QuorvaneNative-$platform"
  local folder="$top/dist/$name"
  rm -rf "$folder" "$folder.zip"
  mkdir -p "$folder/simulator"
  cp "$out/$library" "$out/Quorvane.jar" "$folder/"
  cp "$top/java/Quorvane_.java" "$folder/"
  cp "$out/$driver" "$out/$conversion" "$out/$helper" "$folder/simulator/"
  "$strip" --strip-debug "$folder/$library" "$folder/simulator/"*
  package_install_text "$platform" "$library" "$driver" "$conversion" "$helper" \
    >"$folder/INSTALL.txt"
  (cd "$top/dist" && cmake -E tar cf "$name.zip" --format=zip "$name")
  echo "package: dist/$name/ and dist/$name.zip"
}

cmd_package() {
  ensure_packages "${build_packages[@]}"
  echo "== package for linux-x86_64"
  JAVA_HOME=$(java_home) cmake -S "$top" -B build-package -DCMAKE_BUILD_TYPE=Release \
    -DQV_BUILD_TESTS=OFF >/dev/null
  cmake --build build-package -j "$jobs" >/dev/null
  package_platform linux-x86_64 build-package/out strip libQuorvaneNative.so libpccam.so \
    libpcocnv.so libqvsim.so
  if ! windows_install; then
    echo "== Windows packages skipped: MinGW-w64 is not installed (see above)"
    return 0
  fi
  local arch dir
  for arch in i686 x86_64; do
    echo "== package for windows-$arch"
    dir=$(windows_build_dir "$arch")
    windows_build "$arch" >/dev/null
    package_platform "windows-$arch" "$dir/out" "$arch-w64-mingw32-strip" QuorvaneNative.dll \
      pccam.dll pcocnv.dll qvsim.dll
  done
}
