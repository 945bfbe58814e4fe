#!/usr/bin/env bash
# Builds the offline page web/index.html: one file holding the page's script and style and the
# worker's source with the JavaScript package and its WebAssembly inlined (web/build.mjs says
# how). Builds the package's WebAssembly first (scripts/build-js.sh) when it is missing or older
# than the library's sources.
# Usage: scripts/build-web.sh
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f js/eccrypt-wasm.cjs ] ||
  [ -n "$(find ECCrypt ECPlatform scripts/build-js.sh -newer js/eccrypt-wasm.cjs -print -quit)" ]; then
  bash scripts/build-js.sh
fi
node web/build.mjs web/index.html
echo "build-web.sh: web/index.html $(stat -c %s web/index.html) bytes ($(gzip -9 -c web/index.html | wc -c) gzip -9)"
