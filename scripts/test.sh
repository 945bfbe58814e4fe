#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds the optimised configuration and runs every test.
# Usage: scripts/test.sh [preset]   (default preset: release; "asan" and "tsan" also work)
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
bash scripts/setup.sh test
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset" -j "$(nproc)"
