#!/usr/bin/env bash
# Where signatures go by default: FILE.sig beside each file signed, standard output only when
# asked for or when signing standard input; and the messages for an empty FILE.sig a shell
# redirection made and for signatures made by another program. Each case in its own process.
# Usage: signDefaults.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

scenario_signdefaults_files() {
  make_key alice
  printf 'one\n' >a.txt
  printf 'two\n' >b.txt
  # One file, then several: each FILE.sig verifies with the defaults.
  run 0 "$bin" sign --key alice.key a.txt
  contains a.txt.sig "eccrypt signature 2"
  run 0 "$bin" verify --key @alice.pub a.txt
  rm a.txt.sig
  run 0 "$bin" sign --key alice.key a.txt b.txt
  for f in a.txt b.txt; do
    run 0 "$bin" verify --key @alice.pub "$f"
    contains out.txt "Good signature: $f"
  done
  # An existing signature file: refused, nothing signed (b.txt.sig is absent and stays so).
  rm b.txt.sig
  cp a.txt.sig a.orig
  run 1 "$bin" sign --key alice.key b.txt a.txt
  contains err.txt "a.txt.sig already exists"
  contains err.txt "no file was signed"
  absent b.txt.sig
  same a.txt.sig a.orig
  run 0 "$bin" sign --force --key alice.key b.txt a.txt
  run 0 "$bin" verify --key @alice.pub b.txt
  # --bare writes FILE.sig too, holding the bare text, which verify reads by default.
  rm a.txt.sig
  run 0 "$bin" sign --bare --key alice.key a.txt
  grep -qE '^[^:]+:[^:]+$' a.txt.sig && pass || fail "bare text expected: $(cat a.txt.sig)"
  run 0 "$bin" verify --key @alice.pub a.txt
}

scenario_signdefaults_outputs() {
  make_key alice
  printf 'one\n' >a.txt
  printf 'two\n' >b.txt
  # command | status | file that must hold the signature ('-': out.txt) | error text
  local -a cases=(
    "sign --key alice.key -o - a.txt|0|-|"
    "sign --key alice.key -o named.sig a.txt|0|named.sig|"
    "sign --key alice.key -o x.sig a.txt b.txt|2||-o: names one signature file"
    "sign --key alice.key - b.txt|2||signed only on its own"
  )
  local entry command status where text
  for entry in "${cases[@]}"; do
    IFS='|' read -r command status where text <<<"$entry"
    # shellcheck disable=SC2086
    run "$status" "$bin" $command
    [ "$where" = "-" ] && contains out.txt "eccrypt signature 2"
    [ -n "$where" ] && [ "$where" != "-" ] && contains "$where" "eccrypt signature 2"
    [ -n "$text" ] && contains err.txt "$text"
  done
  absent a.txt.sig
  absent x.sig
  # Standard input still goes to standard output, for files and bare texts alike.
  run 0 sh -c "'$bin' sign --key alice.key < a.txt > stdin.sig"
  run 0 "$bin" verify --key @alice.pub --signature stdin.sig a.txt
  run 0 sh -c "'$bin' sign --bare --key alice.key - < a.txt > bare.sig"
  run 0 "$bin" verify --key @alice.pub --signature @bare.sig a.txt
}

scenario_signdefaults_redirection() {
  make_key alice
  printf 'one\n' >a.txt
  # The habit of 'sign f > f.sig': the shell made the empty file first.
  run 1 sh -c "'$bin' sign --key alice.key a.txt > a.txt.sig"
  contains err.txt "a.txt.sig already exists and is empty"
  contains err.txt "Drop the redirection"
  contains err.txt "-o -"
  # What the message suggests works.
  run 0 sh -c "'$bin' sign --key alice.key -o - a.txt > a.txt.sig"
  run 0 "$bin" verify --key @alice.pub a.txt
}

scenario_signdefaults_foreign() {
  make_key alice
  printf 'one\n' >a.txt
  local b64="RWQf6LRCGA9i53mlYecO4IzT51TGPpvWucNSCh1CBM0QTaLn73Y7GFO3"
  # signature file text | format named in the message
  local -a cases=(
    "untrusted comment: signature from a secret key\n$b64\ntrusted comment: t\n$b64\n|an 'untrusted comment:' line, then a line of base64"
    "untrusted comment: verify with key.pub\n$b64\n|an 'untrusted comment: verify with ...' line"
    "-----BEGIN SSH SIGNATURE-----\nU1NIU0lH\n-----END SSH SIGNATURE-----\n|an SSH signature"
    "-----BEGIN PGP SIGNATURE-----\n\niQEz\n-----END PGP SIGNATURE-----\n|an OpenPGP signature"
  )
  local entry text format
  for entry in "${cases[@]}"; do
    IFS='|' read -r text format <<<"$entry"
    printf '%b' "$text" >a.txt.sig
    run 1 "$bin" verify --key @alice.pub a.txt
    contains err.txt "a signature made by another program (its format: $format"
  done
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
