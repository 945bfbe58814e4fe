#!/usr/bin/env bash
# The JavaScript package: its WebAssembly built by scripts/build-js.sh (emscripten, libsodium's
# sources), then its tests (npm test in js/, Node's test runner) against the release build's
# eccrypt tool, which is built when missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
bash scripts/build-js.sh
source scripts/tool-for-tests.sh
cd js
npm test
echo "60-js.sh: package built and tested in $(( $(date +%s) - start )) s"
