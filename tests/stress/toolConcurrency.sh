#!/usr/bin/env bash
# Many eccrypt processes at once in one directory: encrypting and decrypting different files,
# several creating or replacing the same output file, signing and verifying. Every process must
# succeed (but those that find a new output already taken), every output must be complete, and
# an output written by several processes at once must be exactly one of theirs (outputs are
# created and replaced whole, never interleaved).
# Usage: toolConcurrency.sh PATH/TO/eccrypt [PROCESSES]
set -uo pipefail

bin="$(realpath "$1")"
processes="${2:-12}"
work="$(mktemp -d "${TMPDIR:-/tmp}/eccrypt-concurrency-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# wait_all PIDS...: waits for each and counts those that did not exit 0.
wait_all() {
  local pid
  for pid in "$@"; do wait "$pid" || fail "process $pid exited $?"; done
}

printf 'concurrency pass phrase\n' | "$bin" keygen --from-passphrase --unprotected -o k.key >k.pub 2>/dev/null || fail "keygen"
for i in $(seq "$processes"); do head -c $((200000 + i * 997)) /dev/urandom >"m$i.bin"; done

# Distinct files, encrypted at once, then decrypted at once.
pids=()
for i in $(seq "$processes"); do
  "$bin" encrypt --to @k.pub -o "m$i.ecc" "m$i.bin" 2>"e$i.err" & pids+=($!)
done
wait_all "${pids[@]}"
pids=()
for i in $(seq "$processes"); do
  "$bin" decrypt --key k.key -o "m$i.out" "m$i.ecc" 2>"d$i.err" & pids+=($!)
done
wait_all "${pids[@]}"
for i in $(seq "$processes"); do
  cmp -s "m$i.bin" "m$i.out" || fail "m$i.out differs from m$i.bin"
done

# Every process writes the same new output: exactly one creates it, whole; the others find it
# taken and say so. With --force every one replaces it, and the survivor is one whole result.
pids=()
for i in $(seq "$processes"); do
  "$bin" decrypt --key k.key -o first.out "m$i.ecc" 2>"f$i.err" & pids+=($!)
done
created=0
for pid in "${pids[@]}"; do wait "$pid" && created=$((created + 1)); done
[ "$created" = 1 ] || fail "$created processes created first.out"
[ "$(cat f*.err | grep -c 'first.out already exists')" = $((processes - 1)) ] ||
  fail "the processes that lost the race did not all say first.out already exists"
rm -f f*.err
pids=()
for i in $(seq "$processes"); do
  "$bin" decrypt --key k.key --force -o shared.out "m$i.ecc" 2>"s$i.err" & pids+=($!)
done
wait_all "${pids[@]}"
for out in first.out shared.out; do
  matched=0
  for i in $(seq "$processes"); do cmp -s "$out" "m$i.bin" && matched=1; done
  [ "$matched" = 1 ] || fail "$out is none of the inputs whole"
done

# Signatures made at once verify, each against its own file only.
pids=()
for i in $(seq "$processes"); do
  "$bin" sign --key k.key -o - "m$i.bin" >"m$i.sig" 2>"g$i.err" & pids+=($!)
done
wait_all "${pids[@]}"
pids=()
for i in $(seq "$processes"); do
  "$bin" verify --key @k.pub --signature @"m$i.sig" "m$i.bin" >/dev/null 2>&1 & pids+=($!)
done
wait_all "${pids[@]}"
"$bin" verify --key @k.pub --signature @m1.sig m2.bin >/dev/null 2>&1 &&
  fail "a signature of m1.bin verifies for m2.bin"

# No temporary file is left behind.
leftovers=$(find . -name '.eccrypt-*' | wc -l)
[ "$leftovers" = 0 ] || fail "$leftovers temporary files left"

if [ "$failures" -ne 0 ]; then
  for f in *.err; do [ -s "$f" ] && echo "$f: $(cat "$f")" >&2; done
  echo "$failures failures" >&2
  exit 1
fi
echo "all processes agreed"
