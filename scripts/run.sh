#!/usr/bin/env bash
# Installs what the build needs, builds the program and starts it on the sample
# flights' folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target devirarav
exec build/src/devirarav "$PWD/examples"
