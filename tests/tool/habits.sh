#!/usr/bin/env bash
# Everyday use: several --key files for decrypt, passwd, pubkey --id, messages that name the
# kind of file given, and command lines the parser rejects, each in its own process.
# Usage: habits.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

# Runs without a controlling terminal, so that a pass phrase can never be asked for.
no_tty() {
  if command -v setsid >/dev/null; then setsid -w "$@"; else "$@"; fi
}

scenario_habits_several_keys() {
  make_key x
  make_key y
  make_key z
  printf 'several keys\n' >m.txt
  run 0 "$bin" encrypt -r y.pub -o m.ecc m.txt

  # keys given | status | what standard error holds
  local -a cases=(
    "y.key|0|"
    "x.key y.key|0|"
    "x.key z.key y.key|0|"
    "x.key z.key|1|none of the 2 keys opens m.ecc"
    "x.key|1|m.ecc was encrypted for another key than the one in x.key"
  )
  local entry keys status message key
  for entry in "${cases[@]}"; do
    IFS='|' read -r keys status message <<<"$entry"
    local -a args=()
    for key in $keys; do args+=(--key "$key"); done
    rm -f out.txt
    run "$status" "$bin" decrypt "${args[@]}" -o plain.out m.ecc
    if [ "$status" -eq 0 ]; then
      same plain.out m.txt
      rm -f plain.out
    else
      contains err.txt "$message"
      absent plain.out
    fi
  done

  # The header is read once: a pipe gives the file to every key tried.
  run 0 sh -c "'$bin' decrypt --key x.key --key y.key < m.ecc > piped.out"
  same piped.out m.txt

  # Version 1 files too.
  run 0 "$bin" decrypt --key x.key --key "$data/legacy.key" -o old.txt "$data/legacy.txt.ecc"
  same old.txt "$data/legacy.txt"
  run 1 "$bin" decrypt --key x.key --key z.key -o old2.txt "$data/legacy.txt.ecc"
  contains err.txt "none of the 2 keys opens"

  # Protected keys: one pass-phrase file, read once (standard input too), tried for each of them;
  # a key it does not unlock is passed over with a warning and named if no key opens the file.
  run 0 "$bin" encrypt -r x.pub -r "$data/v2.pub" -o both.ecc m.txt
  run 0 no_tty "$bin" decrypt --key z.key --key "$data/v2.key" --passphrase-file - -o p1.out \
    both.ecc <"$data/v2.phrase"
  same p1.out m.txt
  run 0 no_tty "$bin" decrypt --key "$data/v2-trailing.key" --key x.key \
    --passphrase-file "$data/v2.phrase" -o p2.out both.ecc
  same p2.out m.txt
  contains err.txt "warning: the pass phrase does not unlock $data/v2-trailing.key"
  run 1 no_tty "$bin" decrypt --key "$data/v2-trailing.key" --key z.key \
    --passphrase-file "$data/v2.phrase" -o p3.out both.ecc
  contains err.txt "none of the 2 keys opens both.ecc"
  contains err.txt "the pass phrase did not unlock $data/v2-trailing.key"
  absent p3.out
  # A protected key is unlocked only when it is tried: one after the key that opens the file is
  # never asked for, and with no terminal and no pass-phrase file that is no error.
  run 0 no_tty "$bin" decrypt --key x.key --key "$data/v2.key" -o p4.out both.ecc
  same p4.out m.txt
  run 2 no_tty "$bin" decrypt --key z.key --key "$data/v2.key" -o p5.out both.ecc
  contains err.txt "no terminal to ask"
  # Standard input gives one thing per run, whichever --key names it.
  run 2 "$bin" decrypt --key x.key --key - <m.ecc
  contains err.txt "standard input cannot give both"
}

# passwd is killed while it waits for the new pass phrase on a FIFO that is opened for writing
# and never written to.
kill_while_waiting() {  # kill_while_waiting KEYFILE OLDPHRASEFILE
  rm -f new.fifo opened
  mkfifo new.fifo
  "$bin" passwd "$1" --passphrase-file "$2" --new-passphrase-file new.fifo 2>/dev/null &
  local pid=$!
  # The writer's open returns once passwd has opened the FIFO, after unlocking the key.
  (exec 3>new.fifo && touch opened && exec sleep 30) &
  local writer=$!
  local waited=0
  while [ "$waited" -lt 300 ] && [ ! -e opened ]; do
    sleep 0.1
    waited=$((waited + 1))
  done
  kill -KILL "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  kill -KILL "$writer" 2>/dev/null
  wait "$writer" 2>/dev/null
  [ -e opened ] && pass || fail "passwd never opened the FIFO"
}

scenario_habits_passwd() {
  printf 'old phrase of the key file, long\n' >old.phrase
  printf 'new phrase of the key file, long\n' >new.phrase
  run 0 "$bin" keygen --passphrase-file old.phrase -o k.key
  cp out.txt k.pub

  run 0 "$bin" passwd k.key --passphrase-file old.phrase --new-passphrase-file new.phrase
  run 1 "$bin" pubkey k.key --passphrase-file old.phrase
  contains err.txt "the pass phrase does not unlock k.key"
  run 0 "$bin" pubkey k.key --passphrase-file new.phrase
  same out.txt k.pub
  [ "$(stat -c %a k.key)" = 600 ] && pass || fail "k.key has mode $(stat -c %a k.key)"
  no_leftovers
  # The new phrase from standard input, as keygen reads it.
  run 0 sh -c "'$bin' passwd k.key --passphrase-file new.phrase < old.phrase"
  run 0 "$bin" pubkey k.key --passphrase-file old.phrase
  same out.txt k.pub

  # Refusals leave the file byte for byte as it was.
  cp k.key before.key
  printf ' \n' >blank.phrase
  printf 'a\n\nb\n' >lines.phrase
  printf 'a\0b' >nul.phrase
  ln -s k.key link.key
  mkfifo pipe.key
  make_key clear
  cp clear.key clear.orig
  # arguments | status | message
  local -a cases=(
    "k.key --passphrase-file new.phrase --new-passphrase-file old.phrase|1|the pass phrase does not unlock k.key"
    "k.key --passphrase-file old.phrase --new-passphrase-file blank.phrase|1|the pass phrase is blank"
    "k.key --passphrase-file old.phrase --new-passphrase-file lines.phrase|1|the pass phrase has a line break in it"
    "k.key --passphrase-file old.phrase --new-passphrase-file nul.phrase|1|the pass phrase has a NUL byte in it"
    "link.key --passphrase-file old.phrase --new-passphrase-file new.phrase|1|link.key is a symbolic link"
    "pipe.key --passphrase-file old.phrase --new-passphrase-file new.phrase|1|pipe.key is not a regular file"
    "clear.key --new-passphrase-file new.phrase|1|clear.key is a secret-key file in clear"
    "k.pub --new-passphrase-file new.phrase|1|k.pub is a public key, not a secret-key file"
    "k.key --passphrase-file - --new-passphrase-file -|2|standard input cannot give both"
    "-|2|it cannot take standard input"
  )
  local entry arguments status message
  for entry in "${cases[@]}"; do
    IFS='|' read -r arguments status message <<<"$entry"
    # shellcheck disable=SC2086
    run "$status" "$bin" passwd $arguments </dev/null
    contains err.txt "$message"
    same k.key before.key
    same clear.key clear.orig
  done
  [ -L link.key ] && pass || fail "link.key is no longer a link"

  # --protect protects a key file in clear with the new phrase; it keeps its key.
  run 0 "$bin" passwd clear.key --protect --new-passphrase-file new.phrase
  run 0 "$bin" pubkey clear.key --passphrase-file new.phrase
  same out.txt clear.pub

  # Killed while waiting for the new phrase: the old file stays, byte for byte, and no
  # temporary name is left.
  kill_while_waiting k.key old.phrase
  same k.key before.key
  no_leftovers
  run 0 "$bin" pubkey k.key --passphrase-file old.phrase
}

scenario_habits_pubkey_id() {
  make_key x
  run 0 "$bin" inspect x.pub
  local id
  id=$(sed -n 's/^  key id: //p' out.txt)
  [ ${#id} -eq 16 ] && pass || fail "no key id in inspect's output: $(cat out.txt)"
  printf 'p\n' >p.phrase
  # argument | pass-phrase file
  local -a cases=(
    "x.key|"
    "x.pub|"
    "@x.pub|"
  )
  local entry argument
  for entry in "${cases[@]}"; do
    argument="${entry%%|*}"
    run 0 "$bin" pubkey --id "$argument"
    [ "$(cat out.txt)" = "$id" ] && pass || fail "pubkey --id $argument printed $(cat out.txt)"
  done
  run 0 sh -c "'$bin' pubkey --id - < x.pub"
  [ "$(cat out.txt)" = "$id" ] && pass || fail "pubkey --id - printed $(cat out.txt)"
  # A protected key file's id is printed once it is unlocked, as its public key is.
  run 0 "$bin" pubkey --id "$data/v2.key" --passphrase-file "$data/v2.phrase"
  run 0 "$bin" pubkey --id "$data/v2.pub"
  cp out.txt v2.id
  run 0 "$bin" pubkey --id "$data/v2.key" --passphrase-file "$data/v2.phrase"
  same out.txt v2.id
  run 1 "$bin" pubkey --id "$data/v2.key" --passphrase-file p.phrase
  contains err.txt "the pass phrase does not unlock"
  # Without --id, a public key is no key file.
  run 1 "$bin" pubkey x.pub
  contains err.txt "x.pub is a public key, not a secret-key file"
}

scenario_habits_wrong_kind() {
  make_key x
  printf 'a letter\nof two lines\n' >letter.txt
  run 0 "$bin" sign --key x.key -o letter.sig letter.txt
  run 0 "$bin" sign --key x.key --bare -o letter.bare letter.txt
  run 0 "$bin" encrypt -r x.pub -o small.ecc letter.txt
  run 0 "$bin" encrypt -r x.pub -a -o small.asc letter.txt
  random_file big.bin 100000
  run 0 "$bin" encrypt -r x.pub -o big.ecc big.bin

  # command | message (status 1 for all)
  local -a cases=(
    "decrypt --key letter.txt small.ecc|letter.txt is not a secret-key file, nor any other file eccrypt makes"
    "decrypt --key letter.sig small.ecc|letter.sig is an eccrypt signature file, not a secret-key file"
    "decrypt --key letter.bare small.ecc|letter.bare is a bare signature text, not a secret-key file"
    "decrypt --key x.pub small.ecc|x.pub is a public key, not a secret-key file"
    "decrypt --key small.ecc small.ecc|small.ecc is an eccrypt encrypted file, not a secret-key file"
    "decrypt --key big.ecc small.ecc|big.ecc is an eccrypt encrypted file, not a secret-key file"
    "sign --key small.asc letter.txt|small.asc is an eccrypt encrypted file, not a secret-key file"
    "pubkey letter.sig|letter.sig is an eccrypt signature file, not a secret-key file"
    "pubkey --id letter.txt|letter.txt is not a key file or a public key, nor any other file eccrypt makes"
    "encrypt -r letter.txt letter.txt|letter.txt is not a public key, nor any other file eccrypt makes"
    "encrypt -r letter.sig letter.txt|letter.sig is an eccrypt signature file, not a public key"
    "encrypt -r big.ecc letter.txt|big.ecc is an eccrypt encrypted file, not a public key"
    "verify --key letter.sig --signature letter.sig letter.txt|letter.sig is an eccrypt signature file, not a public key"
    "verify --key letter.bare --signature letter.sig letter.txt|letter.bare is a bare signature text, not a public key"
  )
  local entry command message
  for entry in "${cases[@]}"; do
    command="${entry%%|*}"
    message="${entry#*|}"
    # shellcheck disable=SC2086
    run 1 "$bin" $command
    contains err.txt "$message"
    lacks err.txt "space or a line break"
  done

  # inspect names the same kinds as before.
  run 0 "$bin" inspect letter.sig
  contains out.txt "letter.sig: eccrypt signature file, version 2"
  run 0 "$bin" inspect letter.bare
  contains out.txt "bare signature text"
  run 0 "$bin" inspect x.key
  contains out.txt "eccrypt secret-key file, in clear"
  run 0 "$bin" inspect x.pub
  contains out.txt "x.pub: public key"
  run 0 "$bin" inspect big.ecc
  contains out.txt "eccrypt encrypted file, format version 2"
  run 1 "$bin" inspect letter.txt
  contains err.txt "letter.txt is not a file eccrypt makes"
}

scenario_habits_parser_errors() {
  # command line | message (status 2 for all)
  local -a cases=(
    "sign --key a.key --key b.key m.txt|--key is given 2 times: it takes one value, given once"
    "decrypt m.ecc|the option --key is missing"
    "decrypt --key|--key needs a value"
    "encrypt -o|--output needs a value"
    "pubkey|KEYFILE is missing: name it"
    "passwd|KEYFILE is missing: name it"
    "keygen|the option --output is missing"
    "keygen -o k --format x|--format: must be hex or base64, not 'x'"
    "decrypt --key a.key --bogus m.ecc|unknown option '--bogus'"
    "inspect a b|unexpected argument 'b'"
    "pubkey --id=x a.key|--id takes no value ('x' given)"
    "frobnicate|unknown subcommand 'frobnicate'"
  )
  local entry line message
  for entry in "${cases[@]}"; do
    line="${entry%%|*}"
    message="${entry#*|}"
    # shellcheck disable=SC2086
    run 2 "$bin" $line </dev/null
    contains err.txt "$message"
    # The parser's own phrases never show.
    for raw in "required but received" "is required" "Expected exactly" "were not expected" \
      "was not expected" "required TEXT missing" "disallowed flag override" "Could not convert" \
      "true/false" "Run with --help"; do
      lacks err.txt "$raw"
    done
    lacks out.txt "Usage:"
  done
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
