#!/usr/bin/env bash
# The package as a station would get it: made, checked by the desktop, AppStream
# and Debian validators, installed with apt, both programs asked their version,
# the installed window started offscreen on a sample flight and closed as the
# system closes it, its settings looked for in the user's folder, and removed.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
for p in lintian desktop-file-utils appstream; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

deb=$(bash scripts/package.sh | tail -n 1)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
echo "package: $deb ($version)"

# An earlier install must not stand in for this one.
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq devirarav >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$PWD/$deb"
trap 'DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq devirarav >/dev/null 2>&1 || true' EXIT

test "$(/usr/bin/devirarav --version)" = "devirarav $version"
test "$(/usr/bin/devirarav-check --version)" = "devirarav-check $version"

desktop-file-validate /usr/share/applications/devirarav.desktop
appstreamcli validate --no-net /usr/share/metainfo/org.example.devirarav.metainfo.xml
lintian --fail-on error "$deb"

# The installed window on a sample flight, ended as a logout ends it.
work=$(mktemp -d)
cp examples/20251014-1130.info examples/20251014-1130.tu examples/20251014-1130.crd "$work/"
XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=offscreen DEVIRARAV_INSTANCE_KEY="devirarav-package-$$" \
  /usr/bin/devirarav "$work/20251014-1130.info" &
pid=$!
sleep 4
kill -TERM "$pid"
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
if kill -0 "$pid" 2>/dev/null; then
  kill -KILL "$pid"
  echo "the installed window did not close when asked" >&2
  exit 1
fi
wait "$pid"
settings="$work/config/devirarav/devirarav.CNF"
tr -d '\r' < "$settings" | grep -qx "File1=$work/20251014-1130.info"
tr -d '\r' < "$settings" | grep -qx '\[WINDOW\]'
test ! -e /usr/bin/devirarav.CNF

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq devirarav >/dev/null
test ! -e /usr/bin/devirarav
rm -rf "$work"
echo "package checks passed"
