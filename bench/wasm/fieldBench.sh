#!/usr/bin/env bash
# The fast field's costs in WebAssembly under Node (bench/wasm/fieldBench.cpp), on the portable
# path and on the lanes path, linked with the library objects that scripts/build-js.sh compiled
# (run it first). Usage: bench/wasm/fieldBench.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
out=build/js
if [ ! -d "$out/obj" ]; then
  echo "fieldBench.sh: no $out/obj; run scripts/build-js.sh first" >&2
  exit 1
fi
# emscripten's optimiser loads acorn, which Debian installs outside Node's own search path.
files=$(dpkg -L node-acorn)
acorn=$(grep '/acorn/package.json$' <<<"$files")
export NODE_PATH=${acorn%/acorn/package.json}${NODE_PATH:+:$NODE_PATH}
em++ -std=c++20 -O3 -msimd128 -fwasm-exceptions -DNDEBUG -I. -Wall -Wextra -Werror \
  -c bench/wasm/fieldBench.cpp -o "$out/fieldBench.o"
# SINGLE_FILE: the WebAssembly inside the script, so that Node loads it without a fetch.
em++ -O3 -fwasm-exceptions -sENVIRONMENT=node -sSINGLE_FILE=1 "$out/fieldBench.o" "$out"/obj/*.o \
  "$out/libsodium.a" -o "$out/fieldBench.cjs"
# --no-liftoff: Node otherwise starts on its baseline compiler and times whichever tier runs.
node --no-liftoff "$out/fieldBench.cjs"
