#!/usr/bin/env bash
# The same source for Windows: builds the core, devirarav-check and the core tests
# with Debian's MinGW-w64 cross compilers (warnings as errors), runs the tests under
# Wine, and compiles every window source for Windows against Debian's Qt 6 headers
# (Debian has no Qt for Windows, so the window code is checked, not linked).
# 64-bit always; 32-bit is built too, and run where Wine's 32-bit half is installed.
# Installs the Debian 12 packages it needs; safe to run again. Run as root.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

packages=(
  cmake make
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64
  googletest
  qt6-base-dev libqcustomplot-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs=${JOBS:-$(nproc)}
qt_headers=$(ls -d /usr/include/*-linux-gnu/qt6 | head -n 1)

# Wine in a prefix of its own, without a display, without the .NET and HTML
# installers a new prefix would offer; one wine server for the whole run.
export WINEPREFIX="$PWD/build-mingw/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset DISPLAY
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
mkdir -p "$WINEPREFIX"
# Kept running between the test programs (one already running is used as it is).
"$wineserver" -p 2>/dev/null || true
trap '"$wineserver" -k 2>/dev/null || true' EXIT
"$wine" wineboot --init >/dev/null 2>&1

# 64-bit: the core, the checker, the core tests and the window code.
cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEVIRARAV_WERROR=ON \
  -DDEVIRARAV_BUILD_GUI=OFF -DDEVIRARAV_BUILD_BENCH=OFF \
  -DDEVIRARAV_GTEST_SOURCE_DIR=/usr/src/googletest -DDEVIRARAV_QT_HEADERS="$qt_headers"
cmake --build build-mingw -j"$jobs"
tests_started=$SECONDS
ctest --test-dir build-mingw --output-on-failure -j"$jobs"
tests_took=$((SECONDS - tests_started))

# 32-bit, as the stations' own machines run it. Wine's 32-bit half (wine32) needs
# the i386 architecture; without it the programs are built and linked only.
cmake -S . -B build-mingw32 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEVIRARAV_WERROR=ON \
  -DDEVIRARAV_BUILD_GUI=OFF -DDEVIRARAV_BUILD_BENCH=OFF \
  -DDEVIRARAV_GTEST_SOURCE_DIR=/usr/src/googletest
cmake --build build-mingw32 -j"$jobs" --target devirarav-check devirarav_core_tests
if [ -x /usr/lib/wine/wine ]; then
  ctest --test-dir build-mingw32 --output-on-failure -j"$jobs"
else
  echo "32-bit: built; not run, since Wine's 32-bit half (wine32) is not installed"
fi

echo "Windows: $((SECONDS - started)) s in all, $tests_took s of it the 64-bit tests under Wine"
