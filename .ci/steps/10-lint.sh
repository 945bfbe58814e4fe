#!/usr/bin/env bash
# Static checks: every tracked C++ file in clang-format's form, then cppcheck and clang-tidy
# (with the repository's .clang-format and .clang-tidy) over the library and the tool. Any
# finding fails the step. clang-tidy reads the release build's compilation database, which
# .ci/run has configured before this step runs; it is configured here when missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
jobs="${ECCRYPT_LINT_JOBS:-2}"

bash scripts/setup.sh ci
status=0

echo "--- clang-format ($(clang-format --version))"
if ! git ls-files -z '*.h' '*.cpp' | xargs -0 clang-format --dry-run -Werror; then
  echo "FAILED: clang-format (run clang-format -i on the files above)"
  status=1
fi

echo "--- cppcheck ($(cppcheck --version))"
if ! cppcheck --enable=warning,performance,portability --std=c++20 --inline-suppr \
    --error-exitcode=1 -q -I . ECCrypt ECPlatform tool; then
  echo "FAILED: cppcheck"
  status=1
fi

echo "--- clang-tidy ($(clang-tidy --version | grep -m1 -o 'version [0-9.]*'))"
database=build/release/compile_commands.json
[ -f "$database" ] || cmake --preset release >/dev/null
mapfile -t sources < <(git ls-files 'ECCrypt/*.cpp' 'ECPlatform/*.cpp' 'tool/*.cpp')
for f in "${sources[@]}"; do
  # A file missing from the database would be checked with guessed flags, or not at all.
  if ! grep -q "\"file\": \"$PWD/$f\"" "$database"; then
    echo "FAILED: $f is not in $database"
    status=1
  fi
done
if ! printf '%s\0' "${sources[@]}" |
    xargs -0 -n 1 -P "$jobs" clang-tidy -p build/release --quiet --warnings-as-errors='*' \
      2> >(grep -v -E '^[0-9]+ (warnings?|errors?) (generated|treated as errors)\.$' >&2); then
  echo "FAILED: clang-tidy"
  status=1
fi
exit "$status"
