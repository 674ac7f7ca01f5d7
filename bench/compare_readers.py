#!/usr/bin/env python3
"""Times numpy.loadtxt and pandas' C reader on the benchmark's .tu and .crd files
and prints them beside our reader and the read+memchr floor.

    compare_readers.py DIR --bench-json FILE [--runs N]

DIR holds bench-N.tu and bench-N.crd (N = 2000, 20000, 200000, 2000000) as
written by devirarav_bench_files (--io_dir=DIR or DEVIRARAV_BENCH_DIR=DIR);
FILE is that run's --benchmark_out in JSON, with its min and median aggregates.
Every figure is min / median over its runs, and every ratio compares medians
with medians. MB here is 10^6 bytes.
"""

import argparse
import json
import os
import statistics
import sys
import time

import numpy as np

try:
    import pandas as pd
except ImportError:  # the comparison still runs, without the pandas column
    pd = None

SIZES = [2000, 20000, 200000, 2000000]
KINDS = {"tu": ("Tu", 3), "crd": ("Crd", 4)}


def timings(fn, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times), statistics.median(times)


def ours(json_path):
    """(min, median) seconds by benchmark run name, from Google Benchmark's JSON."""
    with open(json_path) as f:
        doc = json.load(f)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    out = {}
    for b in doc["benchmarks"]:
        if b.get("run_type") != "aggregate" or b.get("aggregate_name") not in ("min", "median"):
            continue
        name = b["run_name"].split("/repeats:")[0]
        out.setdefault(name, {})[b["aggregate_name"]] = b["real_time"] * scale[b["time_unit"]]
    return {k: (v["min"], v["median"]) for k, v in out.items() if "min" in v and "median" in v}


def ms(pair):
    return f"{pair[0] * 1e3:8.2f} / {pair[1] * 1e3:8.2f}"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("folder")
    ap.add_argument("--bench-json", required=True)
    ap.add_argument("--runs", type=int, default=0, help="runs per figure (default: fewer for larger files)")
    args = ap.parse_args()
    bench = ours(args.bench_json)

    print(f"\nnumpy {np.__version__}" + (f", pandas {pd.__version__} (C reader)" if pd else ", no pandas")
          + "; times in ms, min / median; ratios are median / median")
    header = f"{'file':<14} {'ours':>19} {'read+memchr':>19} {'numpy.loadtxt':>19}"
    if pd:
        header += f" {'pandas':>19}"
    header += "   ours is ..."
    print(header)
    for lines in SIZES:
        runs = args.runs or max(3, min(20, 400000 // lines))
        for kind, (suffix, columns) in KINDS.items():
            path = os.path.join(args.folder, f"bench-{lines}.{kind}")
            if not os.path.exists(path):
                sys.exit(f"{path} is missing: run devirarav_bench_files with --io_dir first")
            data = np.loadtxt(path, delimiter="\t")
            if data.shape != (lines, columns):
                sys.exit(f"{path}: shape {data.shape}, expected {(lines, columns)}")
            numpy_t = timings(lambda: np.loadtxt(path, delimiter="\t"), runs)
            our = bench.get(f"BM_Read{suffix}/{lines}")
            floor = bench.get(f"BM_ReadFloor{suffix}/{lines}")
            if not our or not floor:
                sys.exit(f"BM_Read{suffix}/{lines} or its floor is not in {args.bench_json}")
            line = f"{os.path.basename(path):<14} {ms(our)} {ms(floor)} {ms(numpy_t)}"
            verdict = f"{numpy_t[1] / our[1]:5.1f}x faster than numpy"
            if pd:
                pandas_t = timings(lambda: pd.read_csv(path, sep="\t", header=None, engine="c"), runs)
                line += f" {ms(pandas_t)}"
                verdict += f", {pandas_t[1] / our[1]:5.1f}x faster than pandas"
            verdict += f", {our[1] / floor[1]:4.1f}x the floor"
            print(f"{line}   {verdict}")
    size = os.path.getsize(os.path.join(args.folder, "bench-2000000.crd"))
    print(f"\n(bench-2000000.crd is {size / 1e6:.1f} MB)")


if __name__ == "__main__":
    main()
