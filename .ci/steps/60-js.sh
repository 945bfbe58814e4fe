#!/usr/bin/env bash
# The JavaScript package: its WebAssembly built by scripts/build-js.sh (emscripten, libsodium's
# sources), then its tests (npm test in js/, Node's test runner) against the release build's
# eccrypt tool, which is built when missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
bash scripts/build-js.sh
if [ -z "${ECCRYPT_TOOL:-}" ]; then
  if [ ! -x build/release/tool/eccrypt ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target eccrypt_tool
  fi
  export ECCRYPT_TOOL=$PWD/build/release/tool/eccrypt
fi
cd js
npm test
echo "60-js.sh: package built and tested in $(( $(date +%s) - start )) s"
