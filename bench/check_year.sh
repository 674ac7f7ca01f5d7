#!/usr/bin/env bash
# A year of a station through devirarav-check: 730 flights of 7,201 records
# (two a day, copies of the long sample, one folder per day), checked five
# times; prints each run's wall time and the minimum and median. Goal: under 3 s.
# Builds nothing; build first:  cmake --build build --target devirarav-check
# Usage: bench/check_year.sh      BUILD_DIR: build folder (default: build/ beside bench/)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build}
check=$build/src/devirarav-check
[ -x "$check" ] || { echo "no $check: build the target devirarav-check first" >&2; exit 1; }

dir=$(mktemp -d "${TMPDIR:-/tmp}/devirarav-year.XXXXXX")
trap 'rm -rf "$dir"' EXIT
for day in $(seq -w 1 365); do
  for hour in 0530 1730; do
    mkdir -p "$dir/$day/$hour"
    cp "$here/../examples/20251014-1130".{info,tu,crd} "$dir/$day/$hour/"
  done
done
flights=$(find "$dir" -name '*.info' | wc -l)
times=()
for run in 1 2 3 4 5; do
  start=$(date +%s.%N)
  set +e
  "$check" "$dir" > "$dir.out"
  status=$?
  set -e
  end=$(date +%s.%N)
  lines=$(wc -l < "$dir.out")
  t=$(echo "$end - $start" | bc -l)
  times+=("$t")
  printf 'run %d: %6.3f s, %d flights, %d lines, exit status %d\n' "$run" "$t" "$flights" "$lines" "$status"
done
rm -f "$dir.out"
sorted=$(printf '%s\n' "${times[@]}" | sort -g)
printf 'min %.3f s, median %.3f s\n' "$(echo "$sorted" | head -1)" "$(echo "$sorted" | sed -n 3p)"
