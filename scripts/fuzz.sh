#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ in build-fuzz (clang, ASan + UBSan) and
# runs each one, one after another, for a bounded time.
#
#   bash scripts/fuzz.sh [seconds-per-target] [target...]
#
# Seconds default to 600; the targets to all of them. Each target starts from a copy
# of fuzz/corpus/<target>, so new inputs stay in build-fuzz/fuzz-work/, never in
# the repository. Crashes, timeouts and leaks go to build-fuzz/fuzz-findings/<target>/.
# Extra libFuzzer flags can be passed in FUZZ_FLAGS, e.g. FUZZ_FLAGS=-max_len=1048576.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

seconds=${1:-600}
shift || true
all_targets=(fuzz_read_tu fuzz_read_crd fuzz_read_info fuzz_flight_name fuzz_profile fuzz_row_time
  fuzz_save fuzz_checks fuzz_point_editing fuzz_export_name fuzz_key_filter)
if [ $# -gt 0 ]; then targets=("$@"); else targets=("${all_targets[@]}"); fi

build=${FUZZ_BUILD_DIR:-$root/build-fuzz}
work=$build/fuzz-work
findings=$build/fuzz-findings

# Fuzzing is optional, so its toolchain is installed here and not by install-deps.sh.
need=()
command -v clang >/dev/null && command -v clang++ >/dev/null || need+=(clang)
if ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
  need+=(libclang-rt-14-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}"
fi

# Only the core and the fuzzers: no Qt, tests or benchmarks needed here.
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDEVIRARAV_FUZZ=ON -DDEVIRARAV_BUILD_GUI=OFF -DDEVIRARAV_BUILD_TESTS=OFF \
  -DDEVIRARAV_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j1 --target "${targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

summary=()
status=0
for t in "${targets[@]}"; do
  rm -rf "$work/$t"
  mkdir -p "$work/$t/corpus" "$findings/$t"
  cp -r "fuzz/corpus/$t/." "$work/$t/corpus/"
  touch "$work/$t/started"  # findings of earlier runs stay, but are not counted
  echo "== $t: ${seconds}s"
  started=$SECONDS
  # -jobs=1 runs the fuzzer in a child that logs to fuzz-0.log in the current folder.
  (cd "$work/$t" && nice -n 10 "$build/fuzz/$t" corpus \
     -workers=1 -jobs=1 -max_total_time="$seconds" -max_len=4096 -timeout=10 \
     -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/$t/" \
     ${FUZZ_FLAGS:-} >run.log 2>&1) || true
  ran=$((SECONDS - started))  # less than asked when a finding stopped the run
  log=$work/$t/fuzz-0.log
  [ -f "$log" ] || log=$work/$t/run.log
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$' || true)
  found=$(find "$findings/$t" -maxdepth 1 -type f -newer "$work/$t/started" \( -name 'crash-*' \
            -o -name 'timeout-*' -o -name 'oom-*' -o -name 'leak-*' \) | wc -l)
  corpus=$(find "$work/$t/corpus" -type f | wc -l)
  line=$(printf '%-18s ran %5ss  execs %-12s exec/s %-8s corpus %-6s findings %s' \
    "$t" "$ran" "${execs:-?}" "${rate:-?}" "$corpus" "$found")
  echo "$line"
  summary+=("$line")
  if [ "$found" -gt 0 ]; then
    status=1
    grep -E 'ERROR|SUMMARY|fuzz_[a-z_]+: ' "$log" | head -5 || true
    find "$findings/$t" -maxdepth 1 -type f -newer "$work/$t/started"
  fi
done

echo
echo "== summary (logs in $work, findings in $findings)"
printf '%s\n' "${summary[@]}"
exit $status
