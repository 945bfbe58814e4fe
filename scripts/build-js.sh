#!/usr/bin/env bash
# Builds the JavaScript package's WebAssembly with Debian's emscripten: libsodium compiled from
# the C sources of Debian's source package (the version of the installed libsodium-dev, so the
# same code as the native build), and the library with its C interface on the portable field
# path. The package loads the result from two files it carries: js/eccrypt-wasm.cjs (emscripten's
# glue) and js/eccrypt-wasm-binary.cjs (the WebAssembly, base64).
# Installs what it needs (scripts/setup.sh js), fetching the libsodium sources once into
# build/js/. Usage: scripts/build-js.sh
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
bash scripts/setup.sh js

out=$repo/build/js
mkdir -p "$out"
jobs=${ECCRYPT_JS_JOBS:-2}
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi

# emscripten's optimiser loads acorn, which Debian installs outside Node's own search path.
files=$(dpkg -L node-acorn)
acorn=$(grep '/acorn/package.json$' <<<"$files")
export NODE_PATH=${acorn%/acorn/package.json}${NODE_PATH:+:$NODE_PATH}

# --- libsodium's sources: the Debian source package of the installed version -----------------
version=$(dpkg-query -W -f='${Version}' libsodium-dev)
sodium_src=$out/libsodium-src
if [ ! -f "$sodium_src/.version" ] || [ "$(cat "$sodium_src/.version")" != "$version" ]; then
  if [ -z "$(apt-cache showsrc libsodium 2>/dev/null)" ]; then
    echo "build-js.sh: adding Debian's deb-src entries to fetch libsodium's sources" >&2
    "${sudo[@]}" tee /etc/apt/sources.list.d/eccrypt-deb-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    "${sudo[@]}" apt-get update -q >&2
  fi
  rm -rf "$out/libsodium-fetch" "$sodium_src"
  mkdir -p "$out/libsodium-fetch"
  (cd "$out/libsodium-fetch" && apt-get source -q "libsodium=$version" >&2)
  mv "$out/libsodium-fetch"/libsodium-*/ "$sodium_src"
  rm -rf "$out/libsodium-fetch"
  echo "$version" >"$sodium_src/.version"
  rm -f "$out/libsodium.a"
fi

# --- libsodium compiled to WebAssembly ----------------------------------------------------------
sodium_inc=$sodium_src/src/libsodium/include
if [ ! -f "$out/libsodium.a" ]; then
  echo "build-js.sh: compiling libsodium $version with emcc" >&2
  # The header configure would write: the version of the sources, the full library.
  major=$(sed -n 's/^SODIUM_LIBRARY_VERSION_MAJOR=//p' "$sodium_src/configure.ac")
  minor=$(sed -n 's/^SODIUM_LIBRARY_VERSION_MINOR=//p' "$sodium_src/configure.ac")
  upstream=$(sed -n 's/^AC_INIT(\[libsodium\],\[\([0-9.]*\)\].*/\1/p' "$sodium_src/configure.ac")
  sed -e "s/@VERSION@/$upstream/" -e "s/@SODIUM_LIBRARY_VERSION_MAJOR@/$major/" \
    -e "s/@SODIUM_LIBRARY_VERSION_MINOR@/$minor/" -e "s/@SODIUM_LIBRARY_MINIMAL_DEF@//" \
    "$sodium_inc/sodium/version.h.in" >"$sodium_inc/sodium/version.h"
  objs=$out/libsodium-obj
  rm -rf "$objs" && mkdir -p "$objs"
  # The flags libsodium's own configure gives emscripten: no assembly, no SIMD headers (their
  # files compile to nothing), no threads; randomness through its JavaScript source.
  (cd "$sodium_src/src/libsodium" && find . -name '*.c' | sort) |
    xargs -P "$jobs" -I{} sh -c 'o="$3/$(echo "$1" | sed "s|^\./||; s|/|_|g; s|\.c$|.o|")";
      emcc -O3 -DCONFIGURED=1 -DSODIUM_STATIC=1 -DNATIVE_LITTLE_ENDIAN=1 -DHAVE_C_VARARRAYS=1 \
        -I"$2/sodium" -I"$2" -Wno-unused-command-line-argument \
        -c "$4/$1" -o "$o"' _ {} "$sodium_inc" "$objs" "$sodium_src/src/libsodium"
  emar rcs "$out/libsodium.a.tmp" "$objs"/*.o
  mv "$out/libsodium.a.tmp" "$out/libsodium.a"
fi

# --- the library and its C interface ------------------------------------------------------------
project_version=$(sed -n 's/^project(ECCrypt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
objs=$out/obj
mkdir -p "$objs"
# -msimd128: the field's products run four at a time in vector lanes (WebAssembly SIMD, which
# Node 16.4+ and current browsers run).
cxxflags=(-std=c++20 -O3 -msimd128 -fwasm-exceptions -DNDEBUG "-DECCRYPT_C_VERSION=\"$project_version\""
  -I"$repo" -I"$sodium_inc" -Wall -Wextra -Werror)
# Objects are rebuilt when their source, any header of the library or this script (its flags) is
# newer (coarse but sure).
newest_header=$(find ECCrypt ECPlatform -name '*.h' -printf '%T@\n' | sort -n | tail -1)
sources=$(find ECCrypt ECPlatform -name '*.cpp' | sort)
stale=()
for src in $sources; do
  obj=$objs/$(echo "$src" | sed 's|/|_|g; s|\.cpp$|.o|')
  if [ ! -f "$obj" ] || [ "$src" -nt "$obj" ] || [ scripts/build-js.sh -nt "$obj" ] ||
    awk -v h="$newest_header" -v o="$(stat -c %Y "$obj")" 'BEGIN { exit !(h > o) }'; then
    stale+=("$src")
  fi
done
if [ ${#stale[@]} -gt 0 ]; then
  echo "build-js.sh: compiling ${#stale[@]} library sources with emcc" >&2
  printf '%s\n' "${stale[@]}" | xargs -P "$jobs" -I{} sh -c \
    'objs=$1 src=$2; shift 2; em++ "$@" -c "$src" -o "$objs/$(echo "$src" | sed "s|/|_|g; s|\.cpp$|.o|")"' \
    _ "$objs" {} "${cxxflags[@]}"
fi

# Every function of the C interface, and the allocator the JavaScript side uses for its buffers.
exports=$(sed -n 's/^[a-z][a-z_ ]*[ *]*\(eccrypt_[a-z0-9_]*\)(.*/"_\1"/p' ECCrypt/c/eccrypt_c.h |
  sort -u | paste -sd, -)
exports="[\"_malloc\",\"_free\",$exports]"

echo "build-js.sh: linking" >&2
lib_objs=()
for src in $sources; do lib_objs+=("$objs/$(echo "$src" | sed 's|/|_|g; s|\.cpp$|.o|')"); done
# MODULARIZE: a factory createEccryptModule(), not an ES6 module, so that the same file serves
# require(), import and a classic <script>. The package hands the WebAssembly to the factory
# itself (wasmBinary), so the loader never fetches a .wasm path, which fails under Node 20 and
# from file:// pages. Memory grows on demand up to 2 GiB: key files may ask Argon2id for up to
# 1 GiB. A library leaves the process's uncaught-exception and unhandled-rejection handling
# alone (NODEJS_CATCH_*).
em++ -O3 -fwasm-exceptions "${lib_objs[@]}" "$out/libsodium.a" -o "$out/eccrypt-wasm.js" \
  -sMODULARIZE=1 -sEXPORT_NAME=createEccryptModule \
  -sENVIRONMENT=web,worker,node -sFILESYSTEM=0 -sALLOW_MEMORY_GROWTH=1 -sMAXIMUM_MEMORY=2GB \
  -sEXPORTED_FUNCTIONS="$exports" -sEXPORTED_RUNTIME_METHODS='[]' \
  -sINCOMING_MODULE_JS_API='["wasmBinary","print","printErr"]' -sASSERTIONS=0 \
  -sNODEJS_CATCH_EXIT=0 -sNODEJS_CATCH_REJECTION=0

# The package's copies: the glue, and the WebAssembly as a base64 text in a script that works
# under require() and as a classic <script> (where it sets eccryptWasmBase64).
cp "$out/eccrypt-wasm.js" js/eccrypt-wasm.cjs
{
  printf '// The WebAssembly of eccrypt-wasm.cjs, base64: made by scripts/build-js.sh.\n'
  printf '(function (root, text) {\n'
  printf '  if (typeof module === "object" && module.exports) module.exports = text;\n'
  printf '  else root.eccryptWasmBase64 = text;\n'
  printf '})(typeof self !== "undefined" ? self : this, "%s");\n' "$(base64 -w0 "$out/eccrypt-wasm.wasm")"
} >js/eccrypt-wasm-binary.cjs
raw=$(stat -c %s "$out/eccrypt-wasm.wasm")
gz=$(gzip -9 -c "$out/eccrypt-wasm.wasm" | wc -c)
glue=$(stat -c %s js/eccrypt-wasm.cjs)
gzglue=$(gzip -9 -c js/eccrypt-wasm.cjs | wc -c)
echo "build-js.sh: WebAssembly $raw bytes ($gz gzip -9); glue $glue bytes ($gzglue gzip -9)"
