#!/usr/bin/env bash
# Runs the .tu/.crd file benchmarks, then numpy.loadtxt and pandas' C reader on
# the same generated files (2k to 2M lines), and prints them side by side with
# the read+memchr floor. Builds nothing; build first:
#   cmake --build build --target devirarav_bench_files
# Usage: bench/compare_io.sh [benchmark flags...]
#   BUILD_DIR  build folder (default: build/ beside bench/)
#   PYTHON     a Python with numpy (default: the first python3 that has it);
#              pandas is used when it is there (Debian: python3-pandas)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${BUILD_DIR:-$here/../build}
bench=$build/bench/devirarav_bench_files
if [ ! -x "$bench" ]; then
  echo "no $bench: build the target devirarav_bench_files first" >&2
  exit 1
fi

python=${PYTHON:-}
if [ -z "$python" ]; then
  # A pyenv python3 may come first on PATH without numpy; the system one has it.
  for p in python3 /usr/bin/python3; do
    if command -v "$p" >/dev/null 2>&1 && "$p" -c 'import numpy' >/dev/null 2>&1; then
      python=$p
      break
    fi
  done
fi
if [ -z "$python" ]; then
  echo "no python3 with numpy found (set PYTHON)" >&2
  exit 1
fi

dir=$(mktemp -d "${TMPDIR:-/tmp}/devirarav-io.XXXXXX")
trap 'rm -rf "$dir"' EXIT

DEVIRARAV_BENCH_DIR=$dir "$bench" --benchmark_format=console --benchmark_filter='BM_Read' \
  --benchmark_out="$dir/bench.json" --benchmark_out_format=json "$@"
"$python" "$here/compare_readers.py" "$dir" --bench-json "$dir/bench.json"
