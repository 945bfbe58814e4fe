#!/usr/bin/env bash
# Generated sources: each generator is rerun into a scratch file, and the step fails when the
# checked-in output differs from what its generator writes today.
set -euo pipefail
cd "$(dirname "$0")/../.."
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
check() {  # check <checked-in file> <generator> [arguments...]
  local file=$1 generator=$2
  shift 2
  echo "--- $file ($generator)"
  python3 "$generator" "$@" --output "$scratch/out"
  if ! diff -u "$file" "$scratch/out"; then
    echo "FAILED: $file differs from the output of $generator (rerun it and commit the result)"
    status=1
  fi
}

check_man() {  # the man page is generated from the manual, and renders
  echo "--- docs/eccrypt.1 (tools/gen_man.sh)"
  bash tools/gen_man.sh --output "$scratch/eccrypt.1"
  if ! diff -u docs/eccrypt.1 "$scratch/eccrypt.1"; then
    echo "FAILED: docs/eccrypt.1 differs from the manual (run bash tools/gen_man.sh and commit it)"
    status=1
  fi
  if ! man -l docs/eccrypt.1 2>/dev/null | grep -q "eccrypt - encrypt, decrypt, sign and verify"; then
    echo "FAILED: docs/eccrypt.1 does not render"
    status=1
  fi
}

bash scripts/setup.sh ci
check_man
check ECCrypt/fast/basisTables.h tools/gen_basis.py
check ECCrypt/fast/baseTable.cpp tools/gen_base_table.py
check ECCrypt/fast/verifyTables.cpp tools/gen_verify_table.py
exit "$status"
