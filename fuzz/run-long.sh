#!/usr/bin/env bash
# Runs every fuzzer (or the ones named) for a long time, two at a time, and sums up what each
# reached. The corpus grows in build/fuzz-long/<fuzzer>/corpus (seeded from fuzz/corpus/) and is
# kept between runs; findings land in build/fuzz-long/<fuzzer>/ as crash-*, leak-*, timeout-*.
# Usage: fuzz/run-long.sh [-t SECONDS] [-j PARALLEL] [FUZZER...]   (default 600 s each, 2 at once)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=600
parallel=2
while getopts "t:j:" opt; do
  case "$opt" in
    t) seconds="$OPTARG" ;;
    j) parallel="$OPTARG" ;;
    *) echo "usage: $0 [-t SECONDS] [-j PARALLEL] [FUZZER...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j 2
if [ $# -gt 0 ]; then fuzzers=("$@"); else mapfile -t fuzzers <build/fuzz/fuzz/fuzzers.txt; fi

run_one() {
  local name="$1" seconds="$2" dir="build/fuzz-long/$1"
  mkdir -p "$dir/corpus"
  "build/fuzz/fuzz/$name" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$dir/" "$dir/corpus" "fuzz/corpus/$name" \
    >"$dir/log" 2>&1 && echo ok >"$dir/result" || echo FAILED >"$dir/result"
}
export -f run_one
printf '%s\n' "${fuzzers[@]}" | xargs -P "$parallel" -I{} bash -c "run_one {} $seconds"

# One line per fuzzer: outcome, runs, executions per second, covered edges, features, corpus.
status=0
printf '%-20s %-7s %10s %7s %7s %7s %7s\n' fuzzer result runs exec/s edges feats corpus
for name in "${fuzzers[@]}"; do
  dir="build/fuzz-long/$name"
  result=$(cat "$dir/result")
  [ "$result" = ok ] || status=1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$dir/log")
  last=$(grep -E '^#[0-9]+' "$dir/log" | tail -n 1)
  edges=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
  feats=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
  corpus=$(sed -n 's/.* corp: \([0-9]*\).*/\1/p' <<<"$last")
  printf '%-20s %-7s %10s %7s %7s %7s %7s\n' "$name" "$result" "${runs:--}" "${rate:--}" \
    "${edges:--}" "${feats:--}" "${corpus:--}"
done
exit "$status"
