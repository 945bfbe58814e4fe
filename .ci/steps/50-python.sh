#!/usr/bin/env bash
# The Python package: installed in a fresh virtual environment from this checkout (building its
# C library with CMake), then its tests, from outside the repository, against the installed copy
# and the release build's eccrypt tool.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/test-python.sh
