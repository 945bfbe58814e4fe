#!/usr/bin/env bash
# Compiles a file that includes HEADER as C++17 and passes when the compiler reports exactly one
# error, and that error names the C++20 requirement.
# Usage: cxx17Refused.sh COMPILER SOURCE_ROOT HEADER
set -uo pipefail
compiler=$1 root=$2 header=$3
output=$(printf '#include "%s"\n' "$header" |
  "$compiler" -std=c++17 -fsyntax-only -I "$root" -x c++ - 2>&1)
echo "$output"
errors=$(grep -c 'error:' <<<"$output")
[ "$errors" -eq 1 ] && grep -q 'C++20' <<<"$output"
