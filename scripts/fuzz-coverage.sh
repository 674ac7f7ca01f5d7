#!/usr/bin/env bash
# Line coverage of src/ by the fuzz targets' corpora.
#
#   bash scripts/fuzz-coverage.sh [target...]
#
# Builds the core and each target once more with clang's source-based coverage
# (-fprofile-instr-generate -fcoverage-mapping, no sanitizers), each target linked
# to fuzz/replay_main.cpp, a plain main that feeds it every file of a list once.
# It replays the seed corpus fuzz/corpus/<target>/ and the inputs a fuzz run left
# in build-fuzz/fuzz-work/<target>/corpus/ (another folder with FUZZ_WORK_DIR),
# merges the profiles with llvm-profdata and prints llvm-cov's per-file report of
# src/, then the line coverage alone. Every core file is linked into every target,
# so a file no target reaches shows as 0 % rather than missing.
# An input that stops a target's checks is counted, its message shown, and the
# replay goes on after it.
# The targets default to every fuzz/fuzz_*.cpp; the build goes to build-cov/
# (COV_BUILD_DIR). Needs clang, llvm-profdata and llvm-cov (llvm 14 or later).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=${COV_BUILD_DIR:-$root/build-cov}
work=${FUZZ_WORK_DIR:-$root/build-fuzz/fuzz-work}
if [ $# -gt 0 ]; then
  targets=("$@")
else
  mapfile -t targets < <(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
fi
profdata=$(command -v llvm-profdata || ls /usr/bin/llvm-profdata-* | tail -1)
cov=$(command -v llvm-cov || ls /usr/bin/llvm-cov-* | tail -1)
flags=(-fprofile-instr-generate -fcoverage-mapping)

# The core alone, with coverage; no Qt, tests, benchmarks or sanitizers.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug \
  -DDEVIRARAV_FUZZ=OFF -DDEVIRARAV_BUILD_GUI=OFF -DDEVIRARAV_BUILD_TESTS=OFF \
  -DDEVIRARAV_BUILD_BENCH=OFF "-DCMAKE_CXX_FLAGS=${flags[*]}" >/dev/null
nice -n 10 cmake --build "$build" -j1 --target devirarav_core >/dev/null
core=$build/src/libdevirarav_core.a

mkdir -p "$build/fuzz"
rm -rf "$build/profiles"
mkdir -p "$build/profiles"
objects=()
for t in "${targets[@]}"; do
  bin=$build/fuzz/$t
  nice -n 10 clang++ -std=c++20 -g -O0 "${flags[@]}" -I src -o "$bin" "fuzz/$t.cpp" fuzz/replay_main.cpp \
    -Wl,--whole-archive "$core" -Wl,--no-whole-archive
  objects+=("$bin")

  list=$build/profiles/$t.list
  : >"$list"
  for dir in "fuzz/corpus/$t" "$work/$t/corpus"; do
    [ -d "$dir" ] && find "$dir" -type f | sort >>"$list"
  done
  inputs=$(wc -l <"$list")
  # An input that stops the run is reported; the replay goes on after it.
  stopped=0
  while [ -s "$list" ]; do
    set +e
    LLVM_PROFILE_FILE="$build/profiles/$t-%m.profraw" nice -n 10 "$bin" "$list" 2>"$list.err"
    rc=$?
    set -e
    [ $rc -eq 0 ] && break
    bad=$(sed -n 's/^replay: stopped by //p' "$list.err" | tail -1)
    if [ $rc -ne 3 ] || [ -z "$bad" ]; then
      echo "$t: replay ended with status $rc" >&2
      tail -5 "$list.err" >&2
      break
    fi
    grep -m1 "^$t:" "$list.err" >>"$build/profiles/$t.stops" || echo "$t: (no message)" >>"$build/profiles/$t.stops"
    stopped=$((stopped + 1))
    n=$(grep -nxF -- "$bad" "$list" | head -1 | cut -d: -f1)
    tail -n +"$((n + 1))" "$list" >"$list.rest"
    mv "$list.rest" "$list"
  done
  echo "$t: $inputs inputs replayed, $stopped stopped the checks"
  [ "$stopped" -gt 0 ] && sort "$build/profiles/$t.stops" | uniq -c | sed 's/^/   /'
  true
done

"$profdata" merge -sparse "$build"/profiles/*.profraw -o "$build/fuzz.profdata"
others=()
for o in "${objects[@]:1}"; do others+=(-object "$o"); done

echo
echo "== llvm-cov report (src/, targets: ${targets[*]})"
"$cov" report "${objects[0]}" "${others[@]}" -instr-profile="$build/fuzz.profdata" "$root/src" |
  tee "$build/report.txt"

echo
echo "== line coverage"
printf '%-28s %7s %7s %8s\n' file lines missed covered
awk '$1 ~ /\.(cpp|h)$/ { printf "%-28s %7s %7s %8s\n", $1, $8, $9, $10 }' "$build/report.txt" | sort
awk '$1 == "TOTAL" { printf "%-28s %7s %7s %8s\n", $1, $8, $9, $10 }' "$build/report.txt"
