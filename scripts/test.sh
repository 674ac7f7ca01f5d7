#!/usr/bin/env bash
# Installs what the build needs, builds everything with warnings as errors and
# runs every test, then the same tests again built with AddressSanitizer and
# UndefinedBehaviorSanitizer (a read past the end or an overflow shows only there),
# the Debian package made, validated, installed, started and removed
# (scripts/package-test.sh), and last the Windows build of the core and its tests
# under Wine (scripts/test-windows.sh). Used by the README's test command and by CI.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEVIRARAV_WERROR=ON
cmake --build build -j"$(nproc)"
# Window tests need no display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"

# The package from the build just tested, as a station would install it.
bash scripts/package-test.sh

# The sanitized build: the test programs and the program the window tests start.
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DDEVIRARAV_SANITIZE=ON \
  -DDEVIRARAV_BUILD_BENCH=OFF
cmake --build build-asan -j"$(nproc)" --target devirarav devirarav_core_tests devirarav_charts_tests \
  devirarav_window_tests
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# The Qt-free core is proven by the first build already.
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E '^core_has_no_qt$'

# The same source for Windows: the core and its tests under Wine, the window code compiled.
bash scripts/test-windows.sh
