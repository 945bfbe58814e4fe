#!/usr/bin/env python3
"""Component.decrypt and decapsulation through the Python package beside the same calls from
C++ (eccrypt_bench's BM_Decrypt and BM_ApiDecapsulate), as a ratio Python / C++.

Usage: PYTHON_WITH_ECCRYPT bench/pythonVsCpp.py [path to eccrypt_bench]
(default build/release/bench/eccrypt_bench). Run with the interpreter of a virtual environment
where the package is installed (scripts/test-python.sh shows how to make one). Each side is the
median of several rounds, the rounds of the two sides interleaved so load on a shared machine
falls on both.
"""
import json
import statistics
import subprocess
import sys
import time
from pathlib import Path

import eccrypt

ROUNDS = 7
CALLS = 200


def cpp_times(bench, name):
    out = subprocess.run([bench, f"--benchmark_filter=^{name}$", "--benchmark_format=json",
                          "--benchmark_min_time=0.2"], capture_output=True, check=True,
                         text=True).stdout
    run = json.loads(out)["benchmarks"][0]
    scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[run["time_unit"]]
    return run["real_time"] * scale


def python_time(call):
    call()
    start = time.perf_counter()
    for _ in range(CALLS):
        call()
    return (time.perf_counter() - start) / CALLS


def main():
    bench = sys.argv[1] if len(sys.argv) > 1 else str(
        Path(__file__).resolve().parent.parent / "build/release/bench/eccrypt_bench")

    component = eccrypt.Component("base64")
    component.pass_phrase = "benchmark pass phrase"
    component.make_key()
    component.encrypt()
    pair = eccrypt.KeyPair.generate()
    exchanged = eccrypt.encapsulate(pair.public_key).exchanged

    cases = [
        ("Component.decrypt", "BM_Decrypt/0", component.decrypt),
        ("decapsulate", "BM_ApiDecapsulate", lambda: eccrypt.decapsulate(exchanged, pair)),
    ]
    for label, cpp_name, call in cases:
        py, cpp = [], []
        for _ in range(ROUNDS):
            py.append(python_time(call))
            cpp.append(cpp_times(bench, cpp_name))
        p, c = statistics.median(py), statistics.median(cpp)
        print(f"{label:18} Python {p * 1e6:9.1f} us   C++ {c * 1e6:9.1f} us   "
              f"ratio {p / c:.3f}")


if __name__ == "__main__":
    main()
