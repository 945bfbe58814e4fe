#!/usr/bin/env bash
# Throughput of `eccrypt encrypt` and `eccrypt decrypt` on a large file, timing the binary.
# Usage: bench/toolThroughput.sh [PATH/TO/eccrypt] [MEGABYTES]
#   (defaults: build/release/tool/eccrypt, 100). Files go to a temporary directory on $TMPDIR.
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$(realpath "${1:-build/release/tool/eccrypt}")"
megabytes="${2:-100}"
work="$(mktemp -d "${TMPDIR:-/tmp}/eccrypt-bench-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

head -c $((megabytes * 1000 * 1000)) /dev/urandom >plain.bin
printf 'benchmark pass phrase, not for real use\n' | "$bin" keygen --from-passphrase --unprotected -o bench.key >bench.pub 2>/dev/null

# Best of three runs of a command; prints seconds.
best_of_three() {
  local best=""
  for _ in 1 2 3; do
    local start end seconds
    start=$(date +%s.%N)
    "$@"
    end=$(date +%s.%N)
    seconds=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
    if [ -z "$best" ] || awk -v s="$seconds" -v b="$best" 'BEGIN { exit !(s < b) }'; then
      best=$seconds
    fi
  done
  echo "$best"
}

rate() { awk -v m="$megabytes" -v s="$1" 'BEGIN { printf "%.1f", m / s }'; }

enc=$(best_of_three "$bin" encrypt --to @bench.pub --force -o plain.ecc plain.bin)
dec=$(best_of_three "$bin" decrypt --key bench.key --force -o plain.out plain.ecc)
cmp -s plain.bin plain.out || { echo "round trip differs" >&2; exit 1; }
pipe=$(best_of_three sh -c "'$bin' encrypt --to @bench.pub < plain.bin | '$bin' decrypt --key bench.key > piped.out")

printf '%-34s %8s s  %7s MB/s\n' "encrypt ${megabytes} MB (file to file)" "$enc" "$(rate "$enc")"
printf '%-34s %8s s  %7s MB/s\n' "decrypt ${megabytes} MB (file to file)" "$dec" "$(rate "$dec")"
printf '%-34s %8s s  %7s MB/s\n' "encrypt | decrypt pipe" "$pipe" "$(rate "$pipe")"
