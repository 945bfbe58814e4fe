#!/usr/bin/env bash
# Sets up a fresh machine if needed, builds the library and the eccrypt tool (nothing else), and
# runs the demonstration of the whole system. The tool is then build/demo/tool/eccrypt.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh demo
echo "demo.sh: configuring and building the library and the eccrypt tool" >&2
cmake --preset demo >/dev/null
cmake --build --preset demo
exec build/demo/tool/eccrypt demo
