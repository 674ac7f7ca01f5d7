#!/usr/bin/env bash
# Peak resident memory of the program with a flight open, against the empty
# window, at 20,000, 100,000 and 1,000,000 records per file, as /usr/bin/time -v
# reports it (each open in a process of its own; the flights are written first,
# by another process). Builds nothing; build first:
#   cmake --build build --target devirarav_bench_window
# Usage: bench/peak_memory.sh      BUILD_DIR: build folder (default: build/ beside bench/)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build}
bench=$build/bench/devirarav_bench_window
[ -x "$bench" ] || { echo "no $bench: build the target devirarav_bench_window first" >&2; exit 1; }
[ -x /usr/bin/time ] || { echo "no /usr/bin/time (Debian: apt-get install time)" >&2; exit 1; }
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

dir=$(mktemp -d "${TMPDIR:-/tmp}/devirarav-peak.XXXXXX")
trap 'rm -rf "$dir"' EXIT
mapfile -t flights < <("$bench" --write-flights="$dir")

peak() {  # kB; a second argument "wind" also fills the wind page
  local mode=--peak
  [ "${2:-}" = wind ] && mode=--peak-wind
  /usr/bin/time -v "$bench" "$mode=$1" 2>&1 >/dev/null | awk -F': ' '/Maximum resident set size/ {print $2}'
}
empty=$(peak "")
printf '%-12s %12s %14s %16s %18s\n' records "peak, MB" "B per record" "with wind, MB" "B per record"
printf '%-12s %12.1f %14s %16s %18s\n' "(empty)" "$(echo "$empty / 1024" | bc -l)" "-" "-" "-"
for info in "${flights[@]}"; do
  records=$(basename "$(dirname "$info")" | sed 's/^n//')
  kb=$(peak "$info")
  wkb=$(peak "$info" wind)
  printf '%-12s %12.1f %14.0f %16.1f %18.0f\n' "$records" "$(echo "$kb / 1024" | bc -l)" \
    "$(echo "($kb - $empty) * 1024 / $records" | bc -l)" "$(echo "$wkb / 1024" | bc -l)" \
    "$(echo "($wkb - $empty) * 1024 / $records" | bc -l)"
done
