#!/usr/bin/env bash
# The eccrypt tool side by side with the file-encryption and file-signing tools users compare it
# with (Debian's `age` and `minisign`), on the same file, in interleaved runs: for each task the
# two commands alternate RUNS times and the medians of their wall times are compared.
#
# Usage: bench/toolVsPeers.sh [MEGABYTES...]     (default: 300 1024)
#   ECCRYPT=path/to/eccrypt (default build/release/tool/eccrypt), RUNS=7.
# Prints one line per task and size: both medians and eccrypt's time as a ratio of the peer's
# (below 1.00: eccrypt is faster). Files go to a temporary directory on $TMPDIR.
set -euo pipefail
cd "$(dirname "$0")/.."
bin="$(realpath "${ECCRYPT:-build/release/tool/eccrypt}")"
runs="${RUNS:-7}"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(300 1024)
for peer in age age-keygen minisign; do
  command -v "$peer" >/dev/null || { echo "needs $peer (apt-get install age minisign)" >&2; exit 2; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/eccrypt-peers-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work"

# Keys without pass phrases on both sides, so that only the work on the data is timed.
"$bin" keygen --unprotected -o ecc.key >ecc.pub 2>/dev/null
age-keygen -o age.key 2>/dev/null
age-keygen -y age.key >age.pub
minisign -G -W -f -p mini.pub -s mini.key >/dev/null

# Wall time of one command, in seconds, its output discarded.
seconds_of() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  awk -v a="$start" -v b="$end" 'BEGIN { printf "%.4f", (b - a) / 1e9 }'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Before each timed command, untimed: the last outputs removed and everything written to disk,
# so that neither side pays for deleting the other's output or for the kernel writing back what
# an earlier run left in memory.
settle() {
  rm -f out.*
  sync
}

# compare TASK 'eccrypt command' 'peer command': interleaved runs, medians, ratio.
compare() {
  local task="$1" ours="$2" theirs="$3" i
  : >ours.times
  : >theirs.times
  for ((i = 0; i < runs; i++)); do
    settle
    seconds_of sh -c "$ours" >>ours.times
    echo >>ours.times
    settle
    seconds_of sh -c "$theirs" >>theirs.times
    echo >>theirs.times
  done
  local a b
  a=$(grep . ours.times | median)
  b=$(grep . theirs.times | median)
  printf '%-30s %6s MB  eccrypt %7.3f s  peer %7.3f s  ratio %5.2f\n' "$task" "$megabytes" "$a" "$b" \
    "$(awk -v a="$a" -v b="$b" 'BEGIN { print a / b }')"
}

for megabytes in "${sizes[@]}"; do
  head -c $((megabytes * 1024 * 1024)) /dev/urandom >plain.bin
  "$bin" encrypt -r @ecc.pub -o plain.ecc plain.bin
  age -R age.pub -o plain.age plain.bin
  compare "encrypt to a file (age)" \
    "'$bin' encrypt -r @ecc.pub -o out.ecc plain.bin" \
    "age -R age.pub -o out.age plain.bin"
  compare "encrypt to a pipe (age)" \
    "'$bin' encrypt -r @ecc.pub <plain.bin | cat >/dev/null" \
    "age -R age.pub <plain.bin | cat >/dev/null"
  compare "decrypt to a file (age)" \
    "'$bin' decrypt --key ecc.key -o out.bin plain.ecc" \
    "age -d -i age.key -o out.bin plain.age"
  compare "decrypt to a pipe (age)" \
    "'$bin' decrypt --key ecc.key <plain.ecc | cat >/dev/null" \
    "age -d -i age.key <plain.age | cat >/dev/null"
  compare "sign (minisign)" \
    "'$bin' sign --key ecc.key -c bench --force plain.bin" \
    "minisign -S -s mini.key -t bench -m plain.bin </dev/null"
  compare "verify (minisign)" \
    "'$bin' verify -q --key @ecc.pub plain.bin" \
    "minisign -V -q -p mini.pub -m plain.bin"
  rm -f plain.bin plain.ecc plain.age out.* plain.bin.sig plain.bin.minisig
done
