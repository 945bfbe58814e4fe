#!/usr/bin/env bash
# The constant-time check: the secret paths run under valgrind's memcheck with their secrets
# marked undefined (preset ctcheck, tests/ctcheck). A branch or memory address computed from a
# secret fails the step, and so does a planted leak that memcheck does not report.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/setup.sh ci
cmake --preset ctcheck >/dev/null
cmake --build --preset ctcheck -j 2 --target eccrypt_ctcheck
ctest --preset ctcheck -j 2
