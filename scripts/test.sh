#!/usr/bin/env bash
# Installs what the build needs, builds everything with warnings as errors and
# runs every test. Used by the README's test command and by CI.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEVIRARAV_WERROR=ON
cmake --build build -j"$(nproc)"
# Window tests need no display.
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j"$(nproc)"
