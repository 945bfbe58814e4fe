#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds, and runs the demonstration of the whole system.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -x build/release/tool/eccrypt ]; then
  exec build/release/tool/eccrypt demo
else
  exec build/release/examples/eccrypt_example
fi
