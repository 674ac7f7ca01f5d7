#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Devirarav.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

packages=(
  cmake g++ make pkg-config
  qt6-base-dev libxkbcommon-dev qt6-translations-l10n
  libqcustomplot-dev libqcustomplot2.1-qt6
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core
  python3 python3-numpy
  gpsbabel python3-pandas poppler-utils
  locales
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

# A locale whose decimal separator is a comma, so the tests can prove that
# numbers are read and written with "." whatever the locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi
