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
