#!/usr/bin/env bash
# Installs the library into a scratch prefix and builds a consumer project outside the tree
# against it, with find_package and with pkg-config, as C++23: the consumer asserts that the
# library's flags keep its standard (they state C++20 as a minimum only).
set -euo pipefail
cd "$(dirname "$0")/../.."
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT
cmake --install build/release --prefix "$prefix" >/dev/null
cmake -S tests/consumer -B "$work/build" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build"
"$work/build/consumer"
pcdir=$(dirname "$(find "$prefix" -name eccrypt.pc | head -n 1)")
test "$(PKG_CONFIG_PATH="$pcdir" pkg-config --variable=cxx_standard_minimum eccrypt)" = 20
# The package's flags come after the consumer's own, where a -std among them would win.
c++ -std=c++23 tests/consumer/consumer.cpp -o "$work/consumer-pc" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs eccrypt)
"$work/consumer-pc"

# The README's complete example, as it stands in the README, built against the installed
# package with find_package (through the consumer project) and with pkg-config, and run.
example=examples/keysAndSignatures.cpp
awk -v file="$example" '
  $0 == "<!-- example: " file " -->" { marked = 1; next }
  marked && /^```cpp$/ { inside = 1; next }
  inside && /^```$/ { exit }
  inside { print }' README.md >"$work/readme-example.cpp"
if ! cmp -s "$work/readme-example.cpp" "$example"; then
  echo "README.md's example differs from $example:" >&2
  diff "$work/readme-example.cpp" "$example" >&2 || true
  exit 1
fi
cmake -S tests/consumer -B "$work/build-example" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCONSUMER_SOURCE="$PWD/$example" >/dev/null
cmake --build "$work/build-example"
"$work/build-example/consumer"
c++ -std=c++20 "$example" -o "$work/example-pc" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --static --cflags --libs eccrypt)
"$work/example-pc" >/dev/null
