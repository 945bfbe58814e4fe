#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer and UndefinedBehaviorSanitizer) and runs
# each for a short fixed time on its seed corpus. Any crash, sanitizer report, failed check,
# leak, timeout or memory blow-up fails the step; the input that caused it is kept in
# build/fuzz-ci/<fuzzer>/ and printed in base64 so that it can be turned into a test.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${ECCRYPT_FUZZ_SECONDS:-60}"

bash scripts/setup.sh ci
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2

status=0
while read -r name; do
  [ -n "$name" ] || continue
  work="build/fuzz-ci/$name"
  rm -rf "$work" && mkdir -p "$work/new"
  echo "--- $name: ${seconds}s"
  # New inputs go to the scratch directory; the committed corpus is only read.
  if ! "build/fuzz/fuzz/$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$work/" "$work/new" "fuzz/corpus/$name" \
      >"$work/log" 2>&1; then
    status=1
    echo "FAILED: $name (log: $work/log)"
    tail -n 60 "$work/log"
    for artifact in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
      [ -e "$artifact" ] && echo "$artifact: $(base64 -w0 "$artifact")"
    done
  else
    grep -E "^#[0-9]+.*DONE|stat::(number_of_executed_units|average_exec_per_sec)" "$work/log"
  fi
done <build/fuzz/fuzz/fuzzers.txt
exit "$status"
