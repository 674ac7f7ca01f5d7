#!/usr/bin/env bash
# Makes the Debian package build/devirarav_VERSION_amd64.deb with CPack, from the
# build folder the run and test commands use (built first when needed).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# CPack's DEB generator: dpkg-shlibdeps finds the libraries' packages, file tells it the programs.
missing=()
for p in dpkg-dev file; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target devirarav devirarav-check devirarav_pkg_files
rm -f build/devirarav_*.deb
(cd build && cpack -G DEB >/dev/null)
ls build/devirarav_*.deb
