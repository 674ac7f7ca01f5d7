#!/usr/bin/env python3
"""Times numpy.loadtxt (and numpy.savetxt) on the benchmark's .tu and .crd files.

    numpy_loadtxt.py DIR [--runs N] [--bench-json FILE]

DIR holds bench-20000.tu and bench-20000.crd as written by
devirarav_bench_files (--io_dir=DIR or DEVIRARAV_BENCH_DIR=DIR). Each figure is
the median of N runs. With --bench-json (the benchmark's --benchmark_out in
JSON) the two are printed side by side. MB here is 10^6 bytes.
"""

import argparse
import io
import json
import os
import statistics
import sys
import time

import numpy as np

FILES = {
    "tu": ("bench-20000.tu", 3, "%.2f"),
    "crd": ("bench-20000.crd", 4, ["%.2f", "%.2f", "%.6f", "%.6f"]),
}


def median_seconds(fn, runs):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def time_numpy(folder, runs):
    results = {}
    for kind, (name, columns, fmt) in FILES.items():
        path = os.path.join(folder, name)
        size = os.path.getsize(path)
        data = np.loadtxt(path, delimiter="\t")
        if data.shape[1] != columns:
            sys.exit(f"{path}: {data.shape[1]} columns, expected {columns}")
        read = median_seconds(lambda: np.loadtxt(path, delimiter="\t"), runs)
        # savetxt into memory: the formatting cost, as our Format* figures.
        write = median_seconds(
            lambda: np.savetxt(io.StringIO(), data, fmt=fmt, delimiter="\t", newline="\r\n"), runs)
        results[kind] = {"bytes": size, "lines": data.shape[0], "read": read, "write": write}
    return results


def bench_times(json_path):
    """Seconds per file from a Google Benchmark JSON output, by benchmark name."""
    with open(json_path) as f:
        doc = json.load(f)
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
    out = {}
    for b in doc["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        out[b["name"]] = b["real_time"] * scale[b["time_unit"]]
    return out


def row(label, seconds, size):
    return f"  {label:<34} {seconds * 1e3:9.3f} ms {size / seconds / 1e6:10.1f} MB/s"


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawTextHelpFormatter)
    ap.add_argument("folder")
    ap.add_argument("--runs", type=int, default=20)
    ap.add_argument("--bench-json")
    args = ap.parse_args()

    numpy_results = time_numpy(args.folder, args.runs)
    ours = bench_times(args.bench_json) if args.bench_json else {}

    print(f"\nnumpy {np.__version__}, median of {args.runs} runs; MB = 10^6 bytes; times per file")
    for kind, r in numpy_results.items():
        size = r["bytes"]
        suffix = kind.capitalize()
        print(f"\n.{kind}: {r['lines']} lines, {size} bytes")
        if f"BM_Read{suffix}" in ours:
            print(row(f"devirarav Read{suffix}", ours[f"BM_Read{suffix}"], size))
        print(row("numpy.loadtxt", r["read"], size))
        if f"BM_Read{suffix}" in ours:
            print(f"  {'read: devirarav / numpy':<34} {r['read'] / ours[f'BM_Read{suffix}']:9.1f} x")
        if f"BM_Format{suffix}" in ours:
            print(row(f"devirarav Format{suffix}Lines", ours[f"BM_Format{suffix}"], size))
        if f"BM_WriteFile{suffix}" in ours:
            print(row(f"devirarav Write{suffix}File (fsync)", ours[f"BM_WriteFile{suffix}"], size))
        print(row("numpy.savetxt (to memory)", r["write"], size))
        if f"BM_Format{suffix}" in ours:
            print(f"  {'format: devirarav / numpy':<34} {r['write'] / ours[f'BM_Format{suffix}']:9.1f} x")


if __name__ == "__main__":
    main()
