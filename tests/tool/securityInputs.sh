#!/usr/bin/env bash
# End-to-end tests of what eccrypt accepts from hostile or careless input: pass phrases that
# show nothing, key files with empty or CR LF lines, stanzas that would tell key forms apart,
# data after an encrypted file, and standard input asked for twice.
# Usage: securityInputs.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

# A sanitizer report (the asan build) must never appear, whatever the outcome.
clean_stderr() {
  lacks err.txt "runtime error"
  lacks err.txt "AddressSanitizer"
}

# A new pass phrase must have a visible character and no line break or NUL byte; a key file made
# with such a phrase before keeps unlocking with it.
scenario_inputs_passphrases() {
  # printf format of the pass-phrase file (one trailing line end is not part of the phrase) |
  # what the refusal says
  local refused=(
    '\n\n|line break'                  # the phrase "\n"
    '\r\r\n|line break'                # the phrase "\r"
    '\v|line break'
    '\f|line break'
    'ab\342\200\250cd|line break'      # U+2028 between letters
    'stored phrase\n\n|line break'     # a trailing newline no prompt can type
    'pass\0phrase|NUL byte'
    '\0|NUL byte'
    '\302\240|blank'                   # a no-break space
    ' \t \302\240\342\200\213|blank'   # spaces, a tab, a no-break space, a zero-width space
    '   |blank'
  )
  local row format message kind
  for row in "${refused[@]}"; do
    format="${row%|*}"
    message="${row##*|}"
    printf "$format" >phrase.txt
    for kind in "" "--from-passphrase" "--from-passphrase --unprotected"; do
      # shellcheck disable=SC2086
      run 1 "$bin" keygen $kind --passphrase-file phrase.txt -o new.key
      contains err.txt "$message"
      absent new.key
    done
    # The same phrase on standard input.
    run 1 sh -c "printf '$format' | '$bin' keygen -o new.key"
    contains err.txt "$message"
    absent new.key
  done

  # Visible phrases are taken: plain letters, letters outside ASCII, a tab inside.
  local accepted=(
    'a long pass phrase, not shown'
    'pässwört ünïcödé — ключ 鍵'
    'tab\tinside the phrase'
    'bytes that are no UTF-8: \377\376 still count'
  )
  local n=0
  for format in "${accepted[@]}"; do
    n=$((n + 1))
    printf "$format\n" >phrase.txt
    run 0 "$bin" keygen --from-passphrase --unprotected --passphrase-file phrase.txt -o "ok$n.key"
  done
  run 0 "$bin" keygen --passphrase-file phrase.txt -o protected.key
  cp out.txt protected.pub
  printf 'for the new key\n' >m.txt
  run 0 "$bin" encrypt -r protected.pub -o m.ecc m.txt
  run 0 "$bin" decrypt --key protected.key --passphrase-file phrase.txt -o m.out m.ecc
  same m.out m.txt

  # Key files made before the rule, with phrases it now refuses, still unlock.
  for name in v2-linebreak v2-trailing; do
    run 0 "$bin" encrypt -r "$data/$name.pub" -o "$name.ecc" m.txt
    run 0 "$bin" decrypt --key "$data/$name.key" --passphrase-file "$data/$name.phrase" \
      -o "$name.out" "$name.ecc"
    same "$name.out" m.txt
    # The phrase without its extra line end is another phrase.
    tr -d '\n' <"$data/$name.phrase" >cut.phrase
    run 1 "$bin" decrypt --key "$data/$name.key" --passphrase-file cut.phrase -o x.out "$name.ecc"
    contains err.txt "does not unlock"
  done
  # A protected key file the library wrote (KeyPair::ToKeyFile) unlocks as the tool's own do.
  run 0 "$bin" encrypt -r "@$data/library-key.pub" -o library.ecc m.txt
  run 0 "$bin" decrypt --key "$data/library.key" --passphrase-file "$data/library.phrase" \
    -o library.out library.ecc
  same library.out m.txt
  # Data the library sealed (Seal), binary and armoured, opens with the tool.
  for sealed in library.txt.ecc library.txt.ecc.asc; do
    run 0 "$bin" decrypt --key "$data/library.key" --passphrase-file "$data/library.phrase" \
      -o "$sealed.out" "$data/$sealed"
    same "$sealed.out" "$data/v2.txt"
  done
}

# Key files whose values are empty are refused as damaged before anything is decoded; run under
# the sanitizers this shows no report.
scenario_inputs_empty_values() {
  printf 'a message\n' >m.txt
  "$bin" encrypt -r "$data/v2.pub" -o m.ecc m.txt
  local label
  for label in "public key: " "key id: " "kdf: argon2id " "cipher: xchacha20poly1305 nonce=" \
    "secret: "; do
    sed "s/^\($label\).*/\1/" "$data/v2.key" >empty.key
    for command in "inspect empty.key" \
      "decrypt --key empty.key --passphrase-file $data/v2.phrase -o x.out m.ecc"; do
      # shellcheck disable=SC2086
      run 1 "$bin" $command
      contains err.txt "the key file empty.key is damaged: its '${label%%:*}' line has no value"
      clean_stderr
    done
    absent x.out
  done
  # The line's value is missing, its space too.
  sed 's/^secret: .*/secret:/' "$data/v2.key" >bare.key
  run 1 "$bin" decrypt --key bare.key --passphrase-file "$data/v2.phrase" -o x.out m.ecc
  contains err.txt "is damaged"
  clean_stderr

  # Keys in clear with an empty value.
  for property in KeyPublic KeySecret; do
    sed "s/^\(  $property = \).*/\1''/" "$data/legacy.key" >clear.key
    run 1 "$bin" decrypt --key clear.key -o x.out m.ecc
    grep -qE "holds no (public|secret) key" err.txt && pass || fail "$property: $(cat err.txt)"
    clean_stderr
  done
}

# A protected key file whose lines end in CR LF (as a mail program or an editor may leave it)
# unlocks as written.
scenario_inputs_crlf_key() {
  sed 's/$/\r/' "$data/v2.key" >crlf.key
  run 0 "$bin" decrypt --key crlf.key --passphrase-file "$data/v2.phrase" -o v2.out \
    "$data/v2.txt.ecc"
  same v2.out "$data/v2.txt"
  run 0 "$bin" inspect crlf.key
  contains out.txt "key id: 94FA8A26E6B2B5D5"
  # A line changed is still found.
  sed 's/^key id: .*/key id: 0000000000000000\r/' crlf.key >changed.key
  run 1 "$bin" decrypt --key changed.key --passphrase-file "$data/v2.phrase" -o x.out \
    "$data/v2.txt.ecc"
  absent x.out
}

# stanza FILE INDEX: "FORM LENGTH" of the INDEX-th stanza (from 0) of a version 2 file.
stanza() {
  local at=11 i form length
  for ((i = 0; i <= $2; i++)); do
    read -r form high low < <(od -An -tu1 -j"$at" -N3 "$1")
    length=$((high * 256 + low))
    at=$((at + 3 + length + 48))
  done
  echo "$form $length"
}

# Every stanza has one form and length, whatever form the recipient's key has; the holder of
# either key form opens it, and the stored files of both forms still decrypt.
scenario_inputs_stanzas() {
  printf 'one form for every stanza\n' >m.txt
  local round
  for round in 1 2 3; do
    run 0 "$bin" encrypt -r "$data/v2.pub" -r "$data/v2-hex.pub" -r "$data/legacy-hex.pub" \
      -o "m$round.ecc" m.txt
    for i in 0 1 2; do
      [ "$(stanza "m$round.ecc" "$i")" = "0 44" ] && pass ||
        fail "stanza $i of m$round.ecc is $(stanza "m$round.ecc" "$i")"
    done
  done
  # Three stanzas of one size: the file is as long as one made for three radix-64 keys.
  run 0 "$bin" encrypt -r "$data/v2.pub" -r "$data/legacy.pub" -r "$data/v2-trailing.pub" \
    -o same.ecc m.txt
  [ "$(stat -c %s same.ecc)" = "$(stat -c %s m1.ecc)" ] && pass ||
    fail "sizes differ: $(stat -c %s same.ecc) and $(stat -c %s m1.ecc)"
  for key in v2 v2-hex; do
    run 0 "$bin" decrypt --key "$data/$key.key" --passphrase-file "$data/v2.phrase" -o "$key.out" \
      m1.ecc
    same "$key.out" m.txt
  done
  run 0 "$bin" decrypt --key "$data/legacy-hex.key" -o legacy.out m2.ecc
  same legacy.out m.txt

  # Stored files: one stanza of each form, and an armoured one.
  [ "$(stanza "$data/v2.txt.ecc" 0) $(stanza "$data/v2.txt.ecc" 1)" = "0 44 1 64" ] && pass ||
    fail "the stored file's stanzas are not one of each form"
  for key in v2 v2-hex; do
    run 0 "$bin" decrypt --key "$data/$key.key" --passphrase-file "$data/v2.phrase" -o "s-$key.out" \
      "$data/v2.txt.ecc"
    same "s-$key.out" "$data/v2.txt"
  done
  run 0 "$bin" decrypt --key "$data/v2.key" --passphrase-file "$data/v2.phrase" -o a.out \
    "$data/v2.txt.ecc.asc"
  same a.out "$data/v2.txt"
}

# Data after the final block: all plaintext went out, and the run says so, with status 1.
scenario_inputs_trailing_data() {
  make_key bob
  local size
  for size in 65536 100; do
    random_file "m$size.bin" "$size"
    "$bin" encrypt -r bob.pub -o "m$size.ecc" "m$size.bin"
    { cat "m$size.ecc"; printf 'appended'; } >"t$size.ecc"
  done
  # After a full final block the extra bytes are seen as such.
  run 1 "$bin" decrypt --key bob.key t65536.ecc
  same out.txt m65536.bin
  contains err.txt "all of its plaintext (65536 bytes) was written to standard output"
  contains err.txt "trailing data was found"
  contains err.txt "at byte $(stat -c %s m65536.ecc)"
  lacks err.txt "incomplete"
  # To a new file nothing is named, as for every failed run.
  run 1 "$bin" decrypt --key bob.key -o x.out t65536.ecc
  contains err.txt "data after its final block"
  contains err.txt "nothing was written"
  absent x.out
  # After a short final block they join it, which then fails authentication.
  run 1 "$bin" decrypt --key bob.key -o x.out t100.ecc
  contains err.txt "fails authentication"
  absent x.out
}

# Standard input gives one thing per run.
scenario_inputs_stdin() {
  make_key bob
  printf 'a message\n' >m.txt
  "$bin" encrypt -r bob.pub -o m.ecc m.txt
  local command
  for command in "decrypt --key $data/v2.key --passphrase-file -" \
    "decrypt --key $data/v2.key --passphrase-file - -" \
    "decrypt --key - --passphrase-file $data/v2.phrase" \
    "decrypt --key - -" \
    "sign --key $data/v2.key --passphrase-file -" \
    "sign --key $data/v2.key --passphrase-file - -o m.sig -"; do
    # shellcheck disable=SC2086
    run 2 "$bin" $command <m.ecc
    contains err.txt "standard input cannot give both"
    lacks err.txt "too large"
    absent m.sig
  done
  # One use is fine: the pass phrase on standard input, the data named.
  run 0 "$bin" decrypt --key "$data/v2.key" --passphrase-file - -o v2.out "$data/v2.txt.ecc" \
    <"$data/v2.phrase"
  same v2.out "$data/v2.txt"
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
