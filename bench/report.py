#!/usr/bin/env python3
"""Runs the benchmarks once and prints each result beside a baseline, as a ratio.

Every figure comes from the same run on the same machine, so the ratios hold even where the
absolute times drift with the machine's load. The default baseline is one scalar
multiplication of the base point by a 240-bit scalar: the ratio of an operation to it says how
many such multiplications the operation costs.

Usage: bench/report.py [--bench build/release/bench/eccrypt_bench] [--baseline NAME]
                       [--filter REGEX]
"""
import argparse
import json
import subprocess
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", default="build/release/bench/eccrypt_bench")
    parser.add_argument("--baseline", default="BM_MultiplyBase240")
    parser.add_argument("--filter", default=".")
    args = parser.parse_args()

    run = subprocess.run([args.bench, "--benchmark_format=json",
                          f"--benchmark_filter={args.filter}|^{args.baseline}$"],
                         check=True, capture_output=True, text=True)
    results = [b for b in json.loads(run.stdout)["benchmarks"]
               if b.get("run_type", "iteration") == "iteration"]
    cpu_ns = {b["name"]: b["cpu_time"] * UNIT_NS[b["time_unit"]] for b in results}
    if args.baseline not in cpu_ns:
        print(f"baseline {args.baseline} not found", file=sys.stderr)
        return 1
    base = cpu_ns[args.baseline]

    width = max(len(name) for name in cpu_ns)
    print(f"{'benchmark':<{width}}  {'CPU time':>12}  {'x ' + args.baseline}")
    for name, ns in cpu_ns.items():
        shown = f"{ns / 1e6:.3f} ms" if ns >= 1e5 else f"{ns / 1e3:.3f} us"
        print(f"{name:<{width}}  {shown:>12}  {ns / base:10.4f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
