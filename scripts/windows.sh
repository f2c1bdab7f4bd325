#!/usr/bin/env bash
# The Windows builds and their test suites, cross-built with MinGW-w64 and run under
# Wine. Source this file from ./quorvane (it uses top, jobs, java_home and
# missing_packages), then:
#   cmd_test_windows     build and test the 32-bit (build-win32) and 64-bit (build-win64)
#                        DLLs; installs MinGW-w64 and Wine when missing
#   windows_build ARCH   configure and build one of them (ARCH i686 or x86_64)
# Where MinGW-w64 or Wine cannot be installed the suites are skipped with a message,
# except in CI (CI=true), where that is a failure.

# Debian packages of the Windows builds: the -posix compilers (std::thread), Wine for
# both widths (wine32 is an i386 package), and GoogleTest's sources.
windows_packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32 wine64
  googletest)

# Installs what is missing; returns non-zero with a message when that cannot be done.
windows_install() {
  local missing
  missing=$(missing_packages "${windows_packages[@]}" | tr '\n' ' ')
  [ -z "${missing// /}" ] && return 0
  if [ "$(id -u)" != 0 ]; then
    echo "windows: missing Debian packages. Install them with:" >&2
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      echo "  sudo dpkg --add-architecture i386 && sudo apt-get update" >&2
    fi
    echo "  sudo apt-get install -y --no-install-recommends $missing" >&2
    return 1
  fi
  echo "windows: installing $missing" >&2
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386 || return 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2 || return 1
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >&2
}

windows_build_dir() {
  case "$1" in
    i686) echo build-win32 ;;
    x86_64) echo build-win64 ;;
    *) echo "windows: unknown architecture $1" >&2; return 2 ;;
  esac
}

# windows_build ARCH [cmake options...]
windows_build() {
  local arch=$1 dir
  shift
  dir=$(windows_build_dir "$arch")
  JAVA_HOME=$(java_home) cmake -S "$top" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-$arch.cmake" "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# Ends the Wine server of a build's prefix (and so the Wine processes it started), so
# that nothing of the run is left behind.
windows_stop_wine() {
  local prefix="$top/$1/wineprefix"
  if [ -d "$prefix" ]; then
    WINEPREFIX="$prefix" wineserver -k >/dev/null 2>&1 || true
  fi
}

cmd_test_windows() {
  if ! windows_install; then
    if [ "${CI:-}" = true ]; then
      echo "windows: MinGW-w64 and Wine could not be installed, and CI must not skip" >&2
      return 1
    fi
    echo "== Windows suites skipped: MinGW-w64 or Wine is not installed (see above)"
    return 0
  fi
  # No display: nothing under Wine may open a window or wait for a click.
  unset DISPLAY WAYLAND_DISPLAY
  local arch dir status=0
  for arch in i686 x86_64; do
    dir=$(windows_build_dir "$arch")
    echo "== build and test for Windows $arch (Wine)"
    windows_build "$arch"
    # The suites mostly wait on the camera and on Wine, not on the CPU.
    (cd "$dir" && ctest --output-on-failure -j "$((jobs * 2))" -L windows) || status=1
    windows_stop_wine "$dir"
  done
  return "$status"
}
