#!/usr/bin/env python3
"""Runs the benchmarks once and prints each result beside a baseline, as a ratio.

Every figure comes from the same run on the same machine, so the ratios hold even where the
absolute times drift with the machine's load. The default baseline is one scalar
multiplication of the base point by a 240-bit scalar: the ratio of an operation to it says how
many such multiplications the operation costs.

Usage: bench/report.py [--bench build/release/bench/eccrypt_bench] [--baseline NAME]
                       [--filter REGEX]
       bench/report.py --peers [--repetitions N] [--bench ...]

--peers compares the engines and the component with the peers (X25519 and Ed25519 from
libsodium, ECDH and ECDSA on binary curves from OpenSSL 3) and prints each ratio beside its
target. The benchmarks it needs run in one process, their repetitions interleaved in random
order, and each figure is the median of its repetitions, so that load which comes and goes
weighs on every side of a ratio alike.
"""
import argparse
import json
import re
import subprocess
import sys

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


# (what is measured, numerator, denominator, target). Benchmarks ending in /1 run the fast
# engine, /0 the reference one; the component's (BM_MakeKey/0 ...) use radix-64 texts and the
# engine the library selects by default.
PEER_ROWS = [
    ("ladder (LadderX) / X25519", "BM_FastLadderX", "BM_Peer_X25519",
     "<= 0.35 (PCLMULQDQ), <= 0.2 (VPCLMULQDQ)"),
    ("ladder by the split scalar (LadderXSplit) / X25519", "BM_FastLadderXSplit",
     "BM_Peer_X25519", "<= 0.2 (VPCLMULQDQ)"),
    ("DecryptSession / X25519", "BM_Engine_DecryptSession/1", "BM_Peer_X25519", ""),
    ("DecryptSession + group check / X25519", "BM_Engine_DecryptWithCheck/1", "BM_Peer_X25519",
     "<= 0.5"),
    ("B-283 ECDH (OpenSSL) / DecryptSession + check", "BM_Peer_ECDH_sect283r1",
     "BM_Engine_DecryptWithCheck/1", ">= 30"),
    ("K-233 ECDH (OpenSSL) / DecryptSession + check", "BM_Peer_ECDH_sect233k1",
     "BM_Engine_DecryptWithCheck/1", ""),
    ("MakePublicKey / X25519 base", "BM_Engine_MakePublicKey/1", "BM_Peer_X25519Base", "<= 0.25"),
    ("CheckSignature + group check / Ed25519 verify", "BM_Engine_VerifyWithCheck/1",
     "BM_Peer_Ed25519Verify", "<= 0.5"),
    ("B-283 ECDSA verify (OpenSSL) / CheckSignature + check", "BM_Peer_ECDSAVerify_sect283r1",
     "BM_Engine_VerifyWithCheck/1", ">= 40"),
    ("B-283 ECDSA sign (OpenSSL) / MakeSignature", "BM_Peer_ECDSASign_sect283r1",
     "BM_Engine_MakeSignature/1", ""),
    ("component Sign / Ed25519 sign", "BM_Sign/0", "BM_Peer_Ed25519Sign", "<= 0.75"),
    ("component MakeKey / X25519 base", "BM_MakeKey/0", "BM_Peer_X25519Base", "<= 0.5"),
    ("component Encrypt / X25519", "BM_Encrypt/0", "BM_Peer_X25519", "<= 0.75"),
    ("component Decrypt / X25519", "BM_Decrypt/0", "BM_Peer_X25519", ""),
    ("component Verify / Ed25519 verify", "BM_Verify/0", "BM_Peer_Ed25519Verify", ""),
]
ENGINE_PRIMITIVES = ["MakePublicKey", "EncryptSession", "DecryptSession", "MakeSignature",
                     "CheckSignature", "IsCompressedGroupPoint", "DecryptWithCheck",
                     "VerifyWithCheck"]


# The ladder's step against what bounds it (bench/ladder_floor_bench.cpp): one step of LadderX's
# 241 takes 28 VPCLMULQDQ (two rounds of 4 products at 12 each, one round of 4 squares at 4).
LADDER_STEPS = 241
CLMULS_PER_STEP = 28
FLOOR_NAMES = ["BM_CoreCycleDependentAdd", "BM_VpclmulqdqLatency", "BM_VpclmulqdqIssue"]
# The split scalar's two ladders of SPLIT_STEPS steps, stepped in one loop (FeLadderWalkTwo):
# a pair of steps takes 48 VPCLMULQDQ (each ladder's first round of 4 products at 12 and its
# squaring round at 4, then one shared round of 4 products and one of squares).
SPLIT_STEPS = 121
SPLIT_CLMULS_PER_PAIR = 48
SPLIT_WALK = "BM_FeLadderWalkTwo/vpclmulqdq"


def peer_names():
    names = {n for _, a, b, _ in PEER_ROWS for n in (a, b)}
    names.update(FLOOR_NAMES)
    names.add(SPLIT_WALK)
    names.update(f"BM_Engine_{p}/{e}" for p in ENGINE_PRIMITIVES for e in (0, 1))
    return sorted(names)


def shown(ns):
    return f"{ns / 1e6:.3f} ms" if ns >= 1e5 else f"{ns / 1e3:.2f} us"


def floor(medians):
    """Cycles per ladder step against the VPCLMULQDQ issue floor and the 0.2x X25519 target."""
    if not all(n in medians for n in FLOOR_NAMES + ["BM_FastLadderX", "BM_Peer_X25519"]):
        return
    cycle = medians["BM_CoreCycleDependentAdd"] / 1024  # ns per dependent add: one cycle
    latency = medians["BM_VpclmulqdqLatency"] / 1024 / cycle
    issue = medians["BM_VpclmulqdqIssue"] / 1024 / cycle
    step = medians["BM_FastLadderX"] / LADDER_STEPS / cycle
    target = 0.2 * medians["BM_Peer_X25519"] / LADDER_STEPS / cycle
    print(f"\nladder: {step:.0f} cycles per step (LadderX / {LADDER_STEPS}, its final inversion "
          f"included) at {1 / cycle:.2f} GHz (dependent adds); "
          f"VPCLMULQDQ zmm latency {latency:.1f}, one issued every {issue:.2f} cycles; "
          f"{CLMULS_PER_STEP} per step: issue floor {CLMULS_PER_STEP * issue:.0f} cycles; "
          f"0.2x X25519 needs {target:.0f} cycles per step")
    if SPLIT_WALK in medians:
        pair = medians[SPLIT_WALK] / SPLIT_STEPS / cycle
        print(f"split: two ladders of {SPLIT_STEPS} steps in one loop take {pair:.0f} cycles per "
              f"pair of steps ({pair / 2:.0f} per step; {SPLIT_CLMULS_PER_PAIR} VPCLMULQDQ per pair: "
              f"issue floor {SPLIT_CLMULS_PER_PAIR * issue:.0f})")


def peers(args) -> int:
    pattern = "^(" + "|".join(re.escape(n) for n in peer_names()) + ")$"
    run = subprocess.run([args.bench, "--benchmark_format=json", f"--benchmark_filter={pattern}",
                          f"--benchmark_repetitions={args.repetitions}",
                          "--benchmark_enable_random_interleaving=true",
                          "--benchmark_report_aggregates_only=true"],
                         check=True, capture_output=True, text=True)
    # One repetition reports no aggregates: its single run is its median.
    wanted = "median" if args.repetitions > 1 else None
    results = [b for b in json.loads(run.stdout)["benchmarks"]
               if b.get("aggregate_name") == wanted]
    medians = {b["run_name"]: b["cpu_time"] * UNIT_NS[b["time_unit"]] for b in results}
    paths = sorted({b["label"] for b in results if b.get("label") not in (None, "", "reference")})
    print(f"Medians of {args.repetitions} interleaved repetitions, CPU time; fast engine's "
          f"multiplication path: {', '.join(paths) or 'unknown'}.\n")
    width = max(len(row[0]) for row in PEER_ROWS)
    print(f"{'measure':<{width}}  {'ratio':>8}  {'target':<40}  figures")
    for what, num, den, target in PEER_ROWS:
        if num in medians and den in medians:
            ratio = f"{medians[num] / medians[den]:8.3f}"
            figures = f"{shown(medians[num])} / {shown(medians[den])}"
        else:
            ratio, figures = f"{'-':>8}", "missing: " + " ".join(
                n for n in (num, den) if n not in medians)
        print(f"{what:<{width}}  {ratio}  {target:<40}  {figures}")
    floor(medians)
    print(f"\n{'primitive':<24}  {'reference':>12}  {'fast':>12}  {'reference / fast':>16}")
    for p in ENGINE_PRIMITIVES:
        ref, fast = medians.get(f"BM_Engine_{p}/0"), medians.get(f"BM_Engine_{p}/1")
        if ref is None or fast is None:
            print(f"{p:<24}  missing")
            continue
        print(f"{p:<24}  {shown(ref):>12}  {shown(fast):>12}  {ref / fast:16.1f}")
    return 0


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", default="build/release/bench/eccrypt_bench")
    parser.add_argument("--baseline", default="BM_MultiplyBase240")
    parser.add_argument("--filter", default=".")
    parser.add_argument("--peers", action="store_true",
                        help="the engines and the component against the peers, with targets")
    parser.add_argument("--repetitions", type=int, default=5)  # with --peers
    args = parser.parse_args()
    if args.peers:
        return peers(args)

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
