#!/usr/bin/env bash
# End-to-end tests of the eccrypt binary: each scenario runs the tool as separate processes,
# the way a user or a script would, in a fresh temporary directory.
# Usage: endToEnd.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

scenario_keygen() {
  # By default a random key pair, its file sealed under the pass phrase given.
  run 0 sh -c "printf '%s\n' '$phrase' | '$bin' keygen -o a.key"
  cp out.txt a.pub
  [ -s a.pub ] && pass || fail "keygen printed no public key"
  [ "$(stat -c %a a.key)" = 600 ] && pass || fail "key file mode is $(stat -c %a a.key)"
  contains a.key "eccrypt secret key 1"
  contains a.key "public key: $(cat a.pub)"
  contains a.key "kdf: argon2id opslimit=3 memlimit=268435456 salt="
  lacks a.key "KeySecret"
  lacks a.key "horse"
  printf '%s' "$phrase" >phrase.txt
  run 0 "$bin" pubkey --passphrase-file phrase.txt a.key
  same out.txt a.pub
  run 0 "$bin" keygen --passphrase-file phrase.txt -o b.key
  if cmp -s out.txt a.pub; then fail "two random key pairs are the same"; else pass; fi

  # --unprotected: in clear, with a warning, and no pass phrase asked for.
  run 0 "$bin" keygen --unprotected -o c.key </dev/null
  contains err.txt "in clear"
  contains c.key "KeySecret"

  # --from-passphrase: the same phrase gives the same keys, from a file without its newline or
  # from standard input; protected by that phrase unless --unprotected.
  run 0 "$bin" keygen --from-passphrase --unprotected --passphrase-file phrase.txt -o d1.key
  cp out.txt d.pub
  run 0 sh -c "printf '%s\n' '$phrase' | '$bin' keygen --from-passphrase --unprotected -o d2.key"
  same out.txt d.pub
  same d1.key d2.key
  lacks d1.key "horse"
  run 0 "$bin" keygen --from-passphrase --passphrase-file phrase.txt -o d3.key
  same out.txt d.pub
  contains d3.key "eccrypt secret key 1"
  run 0 "$bin" keygen --help
  contains out.txt "guessed"

  # An existing file is kept unless --force.
  cp d1.key d1.before
  run 1 "$bin" keygen --unprotected -o d1.key
  contains err.txt "already exists"
  contains err.txt "--force"
  same d1.key d1.before
  run 0 "$bin" keygen --unprotected -o d1.key --force
  if cmp -s d1.key d1.before; then fail "--force did not replace the key file"; else pass; fi

  # Text forms: hexadecimal on request, the radix-64 form by default.
  run 0 "$bin" keygen --unprotected --format hex -o h.key
  grep -qE '^[0-9A-F]+$' out.txt && pass || fail "hex public key expected: $(cat out.txt)"
  grep -qE '^[0-9A-F]+$' a.pub && fail "default public key is hexadecimal" || pass

  # Short pass phrases are warned about; empty ones are refused, whatever they are for.
  run 0 sh -c "printf 'abc\n' | '$bin' keygen --from-passphrase --unprotected -o short.key"
  contains err.txt "short"
  run 1 sh -c "printf '' | '$bin' keygen -o empty.key"
  contains err.txt "empty"
  run 1 sh -c "printf '\n' | '$bin' keygen --from-passphrase --unprotected -o empty.key"
  contains err.txt "empty"
  : >empty.txt
  for feed in "printf '\r\n'" "false" "cat /dev/null"; do
    for kind in "" "--from-passphrase --unprotected"; do
      run 1 sh -c "$feed | '$bin' keygen $kind -o empty.key"
      contains err.txt "the pass phrase is empty"
    done
  done
  for kind in "" "--from-passphrase --unprotected"; do
    run 1 sh -c "printf '  \t \n' | '$bin' keygen $kind -o empty.key"
    contains err.txt "the pass phrase is blank"
  done
  run 1 sh -c "'$bin' keygen --from-passphrase -o empty.key < /dev/null"
  run 1 "$bin" keygen --passphrase-file empty.txt -o empty.key
  contains err.txt "the pass phrase is empty"
  absent empty.key

  # --random prints a phrase once, and that phrase gives the same keys again.
  run 0 "$bin" keygen --random --unprotected -o r.key
  cp out.txt r.pub
  random_phrase="$(grep -A1 "^Pass phrase" err.txt | tail -n 1 | tr -d ' ')"
  [ ${#random_phrase} -ge 30 ] && pass || fail "no random pass phrase shown: $(grep -v warning err.txt)"
  printf '%s\n' "$random_phrase" >random.txt
  run 0 "$bin" keygen --from-passphrase --unprotected --passphrase-file random.txt -o r2.key
  same out.txt r.pub
  lacks r.key "$random_phrase"
  # Every byte of a phrase counts: case, hyphens, inner spaces.
  for variant in "$(printf '%s' "$random_phrase" | tr a-z A-Z)" "${random_phrase//-/}" \
    "${random_phrase//-/ }"; do
    printf '%s\n' "$variant" >variant.txt
    run 0 "$bin" keygen --from-passphrase --unprotected --passphrase-file variant.txt \
      -o variant.key --force
    if cmp -s out.txt r.pub; then fail "'$variant' gave the key of '$random_phrase'"; else pass; fi
  done

  # On a terminal the pass phrase is asked twice, without echo. The lines are typed after a
  # pause, as a person would, so that the terminal has switched echo off by then.
  if command -v script >/dev/null; then
    type_twice() { sleep 1; printf '%s\n' "$1"; sleep 1; printf '%s\n' "$2"; sleep 1; }
    type_twice "$phrase" "$phrase" |
      timeout 60 script -qec "'$bin' keygen --from-passphrase --unprotected -o t.key" /dev/null >tty.txt 2>&1
    tr -d '\r' <tty.txt | grep -qF "$(head -c 20 d.pub)" && pass ||
      fail "terminal keygen: $(cat tty.txt)"
    contains tty.txt "Repeat pass phrase"
    lacks tty.txt "horse"
    type_twice "one phrase here" "another phrase" |
      timeout 60 script -qec "'$bin' keygen -o u.key" /dev/null >tty.txt 2>&1
    contains tty.txt "differ"
    absent u.key
    # Enter, or Ctrl-D, at the first prompt: an empty phrase, refused at once, on a line of its
    # own.
    for typed in "" $'\004'; do
      type_twice "$typed" "$typed" |
        timeout 60 script -qec "'$bin' keygen --from-passphrase -o e.key" /dev/null >tty.txt 2>&1
      tr -d '\r' <tty.txt | grep -q '^eccrypt keygen: the pass phrase is empty' && pass ||
        fail "empty phrase on a terminal: $(cat tty.txt)"
      lacks tty.txt "Repeat pass phrase"
      absent e.key
    done
  fi
}

# Protected key files: a wrong pass phrase is refused, the right one unlocks, from a file or on
# the terminal; the public key is read without it; the stored parameters are checked.
scenario_protected() {
  printf 'the right phrase for this key file\n' >right.txt
  printf 'a wrong phrase for this key file\n' >wrong.txt
  run 0 "$bin" keygen --passphrase-file right.txt -o p.key
  cp out.txt p.pub
  random_file message.bin 100000
  # Its clear public key line is not proven without the pass phrase: encrypt takes the .pub.
  run 1 "$bin" encrypt -r p.key -o m.ecc message.bin
  contains err.txt "p.pub"
  run 0 "$bin" encrypt -r p.pub -o m.ecc message.bin
  run 1 "$bin" decrypt --key p.key --passphrase-file wrong.txt -o m.out m.ecc
  contains err.txt "the pass phrase does not unlock p.key"
  absent m.out
  run 0 "$bin" decrypt --key p.key --passphrase-file right.txt -o m.out m.ecc
  same m.out message.bin
  run 0 "$bin" sign --key p.key --passphrase-file right.txt -o m.sig message.bin
  run 0 "$bin" verify --key p.pub --signature m.sig message.bin
  run 1 "$bin" sign --key p.key --passphrase-file wrong.txt -o w.sig message.bin
  absent w.sig

  # Without a terminal or --passphrase-file there is nobody to ask: a usage error.
  run 2 setsid -w "$bin" decrypt --key p.key -o m2.out m.ecc
  contains err.txt "--passphrase-file"
  if command -v script >/dev/null; then
    (sleep 1; printf 'the right phrase for this key file\n'; sleep 2) |
      timeout 60 script -qec "'$bin' decrypt --key p.key -o m3.out m.ecc" /dev/null >tty.txt 2>&1
    contains tty.txt "Pass phrase for p.key"
    same m3.out message.bin
  fi

  # Every stored line is covered: a changed parameter or public key does not unlock, and
  # limits out of bounds are refused before any work.
  sed 's/opslimit=3/opslimit=4/' p.key >ops.key
  run 1 "$bin" decrypt --key ops.key --passphrase-file right.txt -o x.out m.ecc
  contains err.txt "does not unlock"
  sed 's/memlimit=[0-9]*/memlimit=99999999999/' p.key >mem.key
  run 1 "$bin" decrypt --key mem.key --passphrase-file right.txt -o x.out m.ecc
  contains err.txt "out of the range"
  make_key other
  sed "s|^public key: .*|public key: $(cat other.pub)|" p.key >swap.key
  run 1 "$bin" pubkey --passphrase-file right.txt swap.key
  contains err.txt "key id does not belong"
  absent x.out
}

scenario_pubkey() {
  make_key alice
  run 0 "$bin" pubkey alice.key
  same out.txt alice.pub
  printf 'hello\n' >plain.txt
  run 1 "$bin" pubkey plain.txt
  contains err.txt "plain.txt is not a secret-key file"
  run 3 "$bin" pubkey missing.key
  contains err.txt "cannot open missing.key"
  # A key file whose public key was replaced by another is damaged.
  make_key bob
  sed "s|$(cat alice.pub)|$(cat bob.pub)|" alice.key >mixed.key
  run 1 "$bin" pubkey mixed.key
  contains err.txt "do not belong together"
  printf 'object X: TEllipticCurve\n  KeySecret = \x27unterminated\nend\n' >broken.key
  run 1 "$bin" pubkey broken.key
  contains err.txt "cannot be read"
}

scenario_encrypt_decrypt() {
  make_key bob
  random_file message.bin 300000
  : >empty.bin
  # The public key as text, as @FILE and as @KEYFILE.
  run 0 "$bin" encrypt --to "$(cat bob.pub)" -o m1.ecc message.bin
  run 0 "$bin" encrypt --to @bob.pub -o m2.ecc message.bin
  run 0 "$bin" encrypt --to @bob.key -o m3.ecc message.bin
  run 0 "$bin" encrypt --to @bob.pub -o e.ecc empty.bin
  if cmp -s m1.ecc m2.ecc; then fail "two encryptions are identical"; else pass; fi
  head -c 8 m1.ecc | grep -q ECCRYPT && pass || fail "no magic at the start of m1.ecc"
  for f in m1 m2 m3; do
    run 0 "$bin" decrypt --key bob.key -o "$f.out" "$f.ecc"
    same "$f.out" message.bin
  done
  [ "$(stat -c %a m1.out)" = 600 ] && pass || fail "decrypted file mode $(stat -c %a m1.out)"
  run 0 "$bin" decrypt --key bob.key -o e.out e.ecc
  same e.out empty.bin
  # An existing file is replaced only with --force.
  printf 'old\n' >old.txt
  cp old.txt m1.out
  run 1 "$bin" decrypt --key bob.key -o m1.out m2.ecc
  contains err.txt "m1.out already exists"
  contains err.txt "--force"
  same m1.out old.txt
  run 0 "$bin" decrypt --key bob.key --force -o m1.out m2.ecc
  same m1.out message.bin
  # A key file in the other text form, from the same pass phrase, decrypts too.
  printf '%s\n' "$phrase bob" |
    "$bin" keygen --from-passphrase --unprotected --format hex -o bobhex.key >bobhex.pub 2>/dev/null
  run 0 "$bin" decrypt --key bobhex.key -o hex.out m1.ecc
  same hex.out message.bin
  run 0 "$bin" encrypt --to @bobhex.pub -o h.ecc message.bin
  run 0 "$bin" decrypt --key bob.key -o h.out h.ecc
  same h.out message.bin
  no_leftovers
}

scenario_recipients() {
  make_key alice
  make_key bob
  make_key carol
  make_key dave --format hex
  random_file message.bin 150000
  # -r repeated (text, file, @FILE, key file), --to kept; a key named twice counts once.
  run 0 "$bin" encrypt -r "$(cat alice.pub)" --to bob.pub -r @dave.pub -r alice.key -o m.ecc message.bin
  for who in alice bob dave; do
    run 0 "$bin" decrypt --key "$who.key" -o "$who.out" m.ecc
    same "$who.out" message.bin
  done
  run 1 "$bin" decrypt --key carol.key -o carol.out m.ecc
  contains err.txt "carol.key"
  absent carol.out
  head -c 11 m.ecc | tail -c 3 | od -An -tx1 | grep -q '02 00 03' && pass ||
    fail "version 2 with 3 recipients expected: $(head -c 11 m.ecc | od -An -tx1)"

  # -R: one key a line, with comments, blank lines and stray spaces.
  {
    printf '# the team\n\n'
    printf '  %s  \n' "$(cat bob.pub)"
    printf '%s\r\n' "$(cat carol.pub)"
  } >team.txt
  run 0 "$bin" encrypt -R team.txt -o t.ecc message.bin
  run 0 "$bin" decrypt --key carol.key -o t.out t.ecc
  same t.out message.bin
  run 1 "$bin" decrypt --key alice.key -o t2.out t.ecc
  # A key broken over two lines, as a mail program may leave it, is refused saying so.
  key="$(cat bob.pub)"
  run 1 "$bin" encrypt -r "${key:0:20}
${key:20}" -o x.ecc message.bin
  contains err.txt "has a space or a line break inside it"
  printf '%s\nnot a key!\n' "$(cat bob.pub)" >bad.txt
  run 1 "$bin" encrypt -R bad.txt -o x.ecc message.bin
  contains err.txt "bad.txt, line 2"
  absent x.ecc

  # The header is authenticated as a whole: a byte of another recipient's stanza changed, or
  # a stanza's text form flipped, is found by every recipient before any output.
  flip_bit m.ecc 200 h.ecc  # flipped, not overwritten: a random byte may already hold any value
  run 1 "$bin" decrypt --key dave.key -o h.out h.ecc
  grep -qE "header|another key" err.txt && pass || fail "header damage not reported: $(cat err.txt)"
  absent h.out
  no_leftovers
}

scenario_armour() {
  make_key alice
  make_key bob
  random_file message.bin 150000
  run 0 "$bin" encrypt -a -r alice.pub -r bob.pub -o m.asc message.bin
  head -n 1 m.asc | grep -qx -- "-----BEGIN ECCRYPT ENCRYPTED FILE-----" && pass || fail "no BEGIN line"
  tail -n 1 m.asc | grep -qx -- "-----END ECCRYPT ENCRYPTED FILE-----" && pass || fail "no END line"
  sed '1d;$d;$!{N;}' m.asc | awk 'length($0) > 64 { bad = 1 } END { exit bad }' && pass ||
    fail "armour lines longer than 64 characters"
  run 0 "$bin" decrypt --key bob.key -o m.out m.asc
  same m.out message.bin
  run 0 sh -c "'$bin' encrypt --armor -r bob.pub < message.bin | '$bin' decrypt --key bob.key > p.out"
  same p.out message.bin
  # Armour is text: it may go to a terminal, where binary output is refused.
  if command -v script >/dev/null; then
    timeout 30 script -qec "'$bin' encrypt -a -r bob.pub message.bin" /dev/null >tty.txt 2>&1
    contains tty.txt "-----END ECCRYPT ENCRYPTED FILE-----"
  fi
  # Through a mail program that ends lines with CR LF.
  sed 's/$/\r/' m.asc >crlf.asc
  run 0 "$bin" decrypt --key alice.key -o crlf.out crlf.asc
  same crlf.out message.bin
  # Strict: a line dropped, the END line missing, text after it: refused, nothing written.
  sed '5d' m.asc >drop.asc
  run 1 "$bin" decrypt --key bob.key -o x.out drop.asc
  head -n -1 m.asc >noend.asc
  run 1 "$bin" decrypt --key bob.key -o x.out noend.asc
  contains err.txt "without its END line"
  { cat m.asc; echo "-- sent from a phone"; } >extra.asc
  run 1 "$bin" decrypt --key bob.key -o x.out extra.asc
  contains err.txt "after the END line"
  absent x.out
}

scenario_inspect() {
  make_key alice
  printf 'the right phrase for this key file\n' >right.txt
  run 0 "$bin" keygen --passphrase-file right.txt -o p.key
  cp out.txt p.pub
  printf 'some text\n' >doc.txt
  run 0 "$bin" encrypt -r alice.pub -r p.pub -o m.ecc doc.txt
  run 0 "$bin" encrypt -a -r alice.pub -o m.asc doc.txt
  run 0 "$bin" sign --key alice.key -c "release 2" -o doc.sig doc.txt
  run 0 "$bin" sign --bare --key alice.key -o bare.sig doc.txt
  alice_id="$(sed -n 's/^key id: //p' doc.sig)"

  run 0 "$bin" inspect m.ecc
  contains out.txt "eccrypt encrypted file, format version 2"
  contains out.txt "recipients: 2"
  run 0 "$bin" inspect m.asc
  contains out.txt "armoured: yes"
  run 0 sh -c "'$bin' inspect < m.ecc"
  contains out.txt "recipients: 2"
  run 0 "$bin" inspect "$data/legacy.txt.ecc"
  contains out.txt "format version 1"
  run 0 "$bin" inspect p.key
  contains out.txt "protected by a pass phrase"
  contains out.txt "public key: $(cat p.pub)"
  contains out.txt "kdf: argon2id"
  run 0 "$bin" inspect alice.key
  contains out.txt "in clear (not protected)"
  contains out.txt "key id: $alice_id"
  run 0 "$bin" inspect doc.sig
  contains out.txt "eccrypt signature file"
  contains out.txt "key id: $alice_id"
  contains out.txt "trusted comment: release 2"
  run 0 "$bin" inspect bare.sig
  contains out.txt "bare signature text"
  run 0 "$bin" inspect alice.pub
  contains out.txt "public key"
  contains out.txt "key id: $alice_id"
  run 1 "$bin" inspect doc.txt
  contains err.txt "not a file eccrypt makes"
  head -c 20 m.ecc >cut.ecc
  run 1 "$bin" inspect cut.ecc
  contains err.txt "header cannot be read"
}

scenario_pipes() {
  make_key bob
  random_file message.bin 200000
  run 0 sh -c "cat message.bin | '$bin' encrypt --to @bob.pub > piped.ecc"
  run 0 sh -c "cat piped.ecc | '$bin' decrypt --key bob.key > piped.out"
  same piped.out message.bin
  run 0 sh -c "'$bin' encrypt --to @bob.pub -o - - < message.bin | '$bin' decrypt --key bob.key -o - - > p2.out"
  same p2.out message.bin
}

scenario_damage() {
  make_key bob
  random_file message.bin 200000
  "$bin" encrypt --to @bob.pub -o good.ecc message.bin
  size=$(stat -c %s good.ecc)

  # One byte changed in the middle.
  flip_bit good.ecc 100000 bad.ecc
  run 1 "$bin" decrypt --key bob.key -o bad.out bad.ecc
  contains err.txt "damaged or was altered"
  absent bad.out
  # To standard output each block goes out once authenticated: the blocks before the damage
  # arrive, then the run fails and says how much was written.
  run 1 sh -c "'$bin' decrypt --key bob.key bad.ecc > bad.stdout"
  contains err.txt "its first 65536 bytes were written to standard output before the fault"
  head -c 65536 message.bin >first.chunk
  same bad.stdout first.chunk

  # Truncated: inside a chunk, and at the end of a whole chunk.
  head -c $((size - 10)) good.ecc >short.ecc
  run 1 "$bin" decrypt --key bob.key -o short.out short.ecc
  contains err.txt "truncated"
  absent short.out
  head -c $((size - 200000 + 65536 + 17 * 3)) good.ecc >cut.ecc
  run 1 "$bin" decrypt --key bob.key -o cut.out cut.ecc
  contains err.txt "truncated"
  absent cut.out

  # Not an encrypted file at all; an empty one; one from a later version.
  run 1 "$bin" decrypt --key bob.key -o x.out message.bin
  contains err.txt "not an eccrypt encrypted file"
  : >empty.ecc
  run 1 "$bin" decrypt --key bob.key -o x.out empty.ecc
  contains err.txt "empty"
  cp good.ecc later.ecc
  printf '\x07' | dd of=later.ecc bs=1 seek=8 conv=notrunc 2>/dev/null
  run 1 "$bin" decrypt --key bob.key -o x.out later.ecc
  contains err.txt "format version 7"
  absent x.out
  no_leftovers

  # Interrupted while writing: neither the output nor its temporary file stays.
  mkfifo slow.fifo
  "$bin" encrypt --to @bob.pub -o slow.ecc slow.fifo &
  local pid=$!
  exec 3>slow.fifo
  head -c 100000 message.bin >&3
  sleep 1
  kill -TERM "$pid"
  wait "$pid" 2>/dev/null
  exec 3>&-
  absent slow.ecc
  no_leftovers
}

scenario_wrong_key() {
  make_key alice
  make_key bob
  random_file message.bin 1000
  "$bin" encrypt --to @bob.pub -o m.ecc message.bin
  run 1 "$bin" decrypt --key alice.key -o m.out m.ecc
  contains err.txt "m.ecc was encrypted for another key than the one in alice.key, or its header is damaged"
  absent m.out

  # A key that does not open a file may meet damage as well: one bit changed in the parity of
  # the exchanged value or in the sealed file key, or in the key check of a version 1 file, is
  # not blamed on the key alone. A stanza's value is in the radix-64 form, 44 characters of which
  # the last is always '+': the parity is bit 2 of the value of the one before it.
  printf '%s\n' "$phrase bob" |
    "$bin" keygen --from-passphrase --unprotected --format hex -o bobhex.key >bobhex.pub 2>/dev/null
  "$bin" encrypt --to @bobhex.pub -o h.ecc message.bin
  local length alphabet='+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz' char
  length=$(od -An -tu1 -j12 -N2 h.ecc | awk '{ print $1 * 256 + $2 }')
  char=$(dd if=h.ecc bs=1 skip=$((14 + length - 2)) count=1 2>/dev/null)
  char=${alphabet%%"$char"*}
  cp h.ecc parity.ecc
  printf '%s' "${alphabet:$((${#char} ^ 4)):1}" |
    dd of=parity.ecc bs=1 seek=$((14 + length - 2)) conv=notrunc 2>/dev/null
  cmp -s h.ecc parity.ecc && fail "the parity bit was not changed" || pass
  flip_bit h.ecc $((14 + length)) sealed.ecc
  for damaged in parity.ecc sealed.ecc; do
    run 1 "$bin" decrypt --key bobhex.key -o x.out "$damaged"
    contains err.txt "$damaged was encrypted for another key than the one in bobhex.key, or its header is damaged"
    contains err.txt "if bobhex.key is one, the file was damaged"
  done
  local data
  data="$(dirname "$0")/data"
  [ "${data#/}" = "$data" ] && data="$OLDPWD/$data"
  length=$(od -An -tu1 -j10 -N2 "$data/legacy-seq-hex.ecc" | awk '{ print $1 * 256 + $2 }')
  flip_bit "$data/legacy-seq-hex.ecc" $((12 + length)) check.ecc
  flip_digit "$data/legacy-seq-hex.ecc" $((12 + length - 1)) parity1.ecc
  for damaged in check.ecc parity1.ecc; do
    run 1 "$bin" decrypt --key "$data/legacy-hex.key" -o x.out "$damaged"
    contains err.txt "or its header is damaged"
  done
  absent x.out
  run 1 "$bin" encrypt --to "not a key!" -o x.ecc message.bin
  contains err.txt "public key"
  run 3 "$bin" encrypt --to @missing.pub -o x.ecc message.bin
  contains err.txt "cannot open missing.pub"
  absent x.ecc
}

scenario_sign_verify() {
  make_key alice
  make_key bob
  random_file doc.bin 150000
  run 0 "$bin" sign --key alice.key -o - doc.bin
  cp out.txt doc.sig
  contains doc.sig "eccrypt signature 2"
  contains doc.sig "prehash: sha256"
  contains doc.sig "key id: "
  contains doc.sig "trusted comment: file: doc.bin, signed "
  # Verified in other processes, with the key as text, @FILE, a path and @KEYFILE; the
  # signature as a path, @FILE, or FILE.sig by default (bare texts below); input from stdin.
  run 0 "$bin" verify --key "$(cat alice.pub)" --signature @doc.sig doc.bin
  contains out.txt "Good signature"
  contains out.txt "Trusted comment: file: doc.bin"
  run 0 "$bin" verify --key @alice.pub --signature @doc.sig doc.bin
  run 0 "$bin" verify --key alice.pub --signature doc.sig doc.bin
  run 0 "$bin" verify --key @alice.key --signature @doc.sig doc.bin
  run 0 sh -c "'$bin' verify --key @alice.pub --signature @doc.sig < doc.bin"
  run 0 sh -c "'$bin' sign --key alice.key < doc.bin > stdin.sig"
  contains stdin.sig "trusted comment: file: standard input"
  run 0 "$bin" verify --key @alice.pub --signature @stdin.sig doc.bin
  run 0 "$bin" sign --key alice.key -o doc.bin.sig -c "release 1.0" --untrusted-comment "hi" doc.bin
  run 0 "$bin" verify --key alice.pub doc.bin
  contains out.txt "Trusted comment: release 1.0"
  run 1 "$bin" sign --key alice.key -o doc.bin.sig doc.bin
  contains err.txt "already exists"
  run 0 "$bin" sign --key alice.key -o doc.bin.sig --force doc.bin

  # The failures each say what they are: another signer, a changed file; a signature file has
  # one digest, so --sha1 is for bare signatures only.
  flip_bit doc.bin 5 changed.bin
  run 1 "$bin" verify --key @alice.pub --signature @doc.sig changed.bin
  contains out.txt "BAD signature: changed.bin was changed since it was signed"
  run 1 "$bin" verify --key @bob.pub --signature @doc.sig doc.bin
  contains out.txt "BAD signature: the signature file names key id $(sed -n 's/^key id: //p' doc.sig)"
  run 2 "$bin" sign --sha1 --key alice.key -o sha1.sig doc.bin
  contains err.txt "bare"
  # The trusted comment and the prehash line are covered; the untrusted comment is not.
  sed 's/^trusted comment: .*/trusted comment: forged/' doc.sig >forged.sig
  run 1 "$bin" verify --key @alice.pub --signature @forged.sig doc.bin
  contains out.txt "BAD signature"
  sed 's/^prehash: .*/prehash: sha1/' doc.sig >prehash.sig
  run 1 "$bin" verify --key @alice.pub --signature @prehash.sig doc.bin
  contains err.txt "unknown prehash"
  sed 's/^untrusted comment: .*/untrusted comment: anything/' doc.sig >free.sig
  run 0 "$bin" verify --key @alice.pub --signature @free.sig doc.bin
  sed 's/^signature: \(.\)/signature: \1\1/' doc.sig >long.sig
  run 1 "$bin" verify --key @alice.pub --signature @long.sig doc.bin
  contains err.txt "malformed"

  # -q: the exit status alone.
  run 0 "$bin" verify -q --key @alice.pub --signature @doc.sig doc.bin
  [ ! -s out.txt ] && [ ! -s err.txt ] && pass || fail "verify -q printed something"
  run 1 "$bin" verify -q --key @bob.pub --signature @doc.sig doc.bin
  [ ! -s out.txt ] && [ ! -s err.txt ] && pass || fail "verify -q printed something on BAD"

  # Bare signature texts: made with --bare, canonical, and accepted with or without spaces
  # and line breaks around them; other spellings of the same numbers are refused.
  run 0 "$bin" sign --bare --key alice.key -o - doc.bin
  cp out.txt bare.sig
  grep -qE '^[^:]+:[^:]+$' bare.sig && pass || fail "bare signature expected: $(cat bare.sig)"
  run 0 "$bin" verify --key " $(cat alice.pub) " --signature "
$(cat bare.sig)  " doc.bin
  contains out.txt "Good signature"
  run 1 "$bin" verify --key @alice.pub --signature @bare.sig changed.bin
  contains out.txt "BAD signature"
  run 1 "$bin" verify --key @alice.pub --signature "0000$(cat bare.sig)" doc.bin
  contains err.txt "not in the form eccrypt accepts"
  run 1 "$bin" verify --key @alice.pub --signature "no colon here" doc.bin
  contains err.txt "not a signature text"

  # A hexadecimal key file of the same pass phrase signs in hexadecimal; either form verifies
  # under either form of the public key.
  printf '%s\n' "$phrase alice" |
    "$bin" keygen --from-passphrase --unprotected --format hex -o alicehex.key >alicehex.pub 2>/dev/null
  run 0 "$bin" sign --bare --key alicehex.key -o - doc.bin
  cp out.txt hex.sig
  grep -qE '^[0-9A-F]*:[0-9A-F]*$' hex.sig && pass || fail "hex signature expected: $(cat hex.sig)"
  run 0 "$bin" verify --key @alice.pub --signature @hex.sig doc.bin
  run 0 "$bin" sign --key alicehex.key -o hexfile.sig doc.bin
  run 0 "$bin" verify --key @alice.pub --signature @hexfile.sig doc.bin
  run 0 "$bin" verify --key @alicehex.pub --signature @doc.sig doc.bin
}

scenario_sha1() {
  make_key alice
  printf 'signed with SHA-1 elsewhere\n' >doc.txt
  run 0 "$bin" sign --bare --sha1 --key alice.key -o - doc.txt
  cp out.txt doc.sig
  run 0 "$bin" verify --sha1 --key @alice.pub --signature @doc.sig doc.txt
  contains out.txt "SHA-1"
  run 1 "$bin" verify --key @alice.pub --signature @doc.sig doc.txt
  contains out.txt "made with another digest (SHA-1)"
}

# Files, keys and signatures made by earlier versions of the tool still work.
scenario_legacy() {
  run 0 "$bin" verify --key @"$data/legacy.pub" --signature @"$data/legacy.txt.sig" "$data/legacy.txt"
  contains out.txt "Good signature"
  run 0 "$bin" verify --sha1 --key @"$data/legacy.pub" --signature @"$data/legacy.txt.sha1.sig" "$data/legacy.txt"
  run 1 "$bin" verify --key @"$data/legacy.pub" --signature @"$data/legacy.txt.sha1.sig" "$data/legacy.txt"
  contains out.txt "made with another digest"
  # Version 1 encrypted files and clear key files from then, in both text forms.
  run 0 "$bin" decrypt --key "$data/legacy.key" -o old.txt "$data/legacy.txt.ecc"
  same old.txt "$data/legacy.txt"
  seq 1 20000 >seq.txt
  run 0 "$bin" decrypt --key "$data/legacy.key" -o seq.out "$data/legacy-seq-hex.ecc"
  same seq.out seq.txt
  run 0 sh -c "'$bin' decrypt --key '$data/legacy-hex.key' < '$data/legacy.txt.ecc' > old2.txt"
  same old2.txt "$data/legacy.txt"
  run 1 "$bin" decrypt --key "$data/legacy.key" -o x.out "$data/legacy.txt.sig"
  contains err.txt "not an eccrypt encrypted file"
}

scenario_usage() {
  run 2 "$bin"
  run 2 "$bin" frobnicate
  run 2 "$bin" encrypt
  contains err.txt "-r KEY"
  run 2 "$bin" keygen --random --passphrase-file x
  run 2 "$bin" keygen -o k --format octal
  run 0 "$bin" --help
  cp out.txt help.txt
  run 0 "$bin" help
  same out.txt help.txt
  run 0 "$bin" help help
  same out.txt help.txt
  for command in keygen pubkey encrypt decrypt sign verify inspect demo; do
    run 0 "$bin" "$command" --help
    contains out.txt "Usage"
    cp out.txt help.txt
    run 0 "$bin" help "$command"
    same out.txt help.txt
  done
  run 2 "$bin" help frobnicate
  contains err.txt "unknown subcommand 'frobnicate'"
  run 0 "$bin" --version
  contains out.txt "1.10"
  make_key bob
  run 3 "$bin" encrypt --to @bob.pub -o x.ecc no-such-file
  contains err.txt "cannot open no-such-file"
  # Encrypted data is never sent to a terminal.
  if command -v script >/dev/null; then
    printf 'secret\n' >m.txt
    timeout 30 script -qec "'$bin' encrypt --to @bob.pub m.txt" /dev/null >tty.txt 2>&1
    contains tty.txt "refusing to write encrypted data to a terminal"
  fi
}

# The scripting contract: exit 0 success, 1 refused, 2 usage error, 3 input/output error;
# "-o -" is standard output everywhere; key texts that start with '-' work in every spelling.
scenario_contract() {
  make_key alice
  make_key bob
  printf 'data\n' >doc.txt
  printf 'other\n' >other.txt
  run 0 "$bin" encrypt -r alice.pub -o m.ecc doc.txt
  run 0 "$bin" sign --key alice.key -o doc.sig doc.txt

  # 1: refused.
  run 1 "$bin" decrypt --key bob.key -o x.out m.ecc
  run 1 "$bin" verify --key alice.pub --signature doc.sig other.txt
  run 1 "$bin" verify -q --key alice.pub --signature doc.sig other.txt
  [ ! -s out.txt ] && [ ! -s err.txt ] && pass || fail "verify -q printed something"
  run 1 "$bin" inspect doc.txt
  run 1 "$bin" verify --key alice.pub --signature "not a signature" doc.txt

  # 2: the command line is wrong.
  run 2 "$bin"
  run 2 "$bin" frobnicate
  contains err.txt "unknown subcommand 'frobnicate'"
  run 2 "$bin" encrypt -r alice.pub --bogus doc.txt
  contains err.txt "--bogus"
  # An unknown option is named, not hidden behind the required option it displaced.
  for command in "--bogus" "keygen --bogus" "decrypt --bogus m.ecc"; do
    # shellcheck disable=SC2086
    run 2 "$bin" $command
    contains err.txt "unknown option '--bogus'"
  done
  run 2 "$bin" verify --key @alice.pub doc.txt extra
  contains err.txt "eccrypt verify: unexpected argument 'extra'"
  run 2 "$bin" keygen -o k.key --format octal
  contains err.txt "--format: must be hex or base64, not 'octal'"
  run 0 "$bin" keygen --unprotected --format HEX -o hex.key
  grep -qE '^[0-9A-F]{64}$' out.txt && pass || fail "--format HEX gave no hex key: $(cat out.txt)"
  run 2 "$bin" encrypt -o x.ecc doc.txt
  run 2 "$bin" decrypt m.ecc
  run 2 "$bin" verify --key alice.pub </dev/null
  contains err.txt "no signature given"
  run 2 "$bin" keygen --random --passphrase-file x -o k.key
  contains err.txt "--random: cannot be combined with --passphrase-file"
  run 0 "$bin" keygen --help
  lacks out.txt "OR {"
  lacks out.txt "Excludes"
  contains out.txt "not with --random"
  contains out.txt "--format hex|base64"
  if command -v script >/dev/null; then
    for command in "sign --key alice.key" "encrypt -r alice.pub" "decrypt --key alice.key" \
      "verify --key alice.pub --signature doc.sig" "inspect"; do
      timeout 30 script -qec "'$bin' $command -o - </dev/null" /dev/null >tty.txt 2>&1 </dev/null
      timeout 30 script -qec "'$bin' $command" /dev/null >tty.txt 2>&1
      [ $? -eq 2 ] && pass || fail "$command on a terminal did not exit 2: $(cat tty.txt)"
      contains tty.txt "standard input is a terminal"
    done
  fi

  # 3: a file or stream that cannot be opened, read or written.
  run 3 "$bin" encrypt -r alice.pub -o x.ecc missing.txt
  run 3 "$bin" encrypt -r missing.pub -o x.ecc doc.txt
  contains err.txt "cannot open missing.pub"
  run 3 "$bin" encrypt -r alice.pub -o no/such/dir/x.ecc doc.txt
  run 3 "$bin" decrypt --key missing.key -o x.out m.ecc
  run 3 "$bin" verify -q --key alice.pub --signature missing.sig doc.txt
  contains err.txt "cannot open missing.sig"
  run 3 sh -c "'$bin' encrypt -r alice.pub doc.txt > /dev/full"
  absent x.ecc
  absent x.out

  # -o - is standard output, for every subcommand that writes a file.
  run 0 sh -c "'$bin' encrypt -r alice.pub -o - doc.txt > s.ecc"
  run 0 sh -c "'$bin' decrypt --key alice.key -o - s.ecc > s.out"
  same s.out doc.txt
  run 0 sh -c "'$bin' sign --key alice.key -o - doc.txt > s.sig"
  run 0 "$bin" verify --key alice.pub --signature s.sig doc.txt
  run 0 sh -c "'$bin' keygen --unprotected -o - > std.key"
  contains err.txt "Public key: "
  run 0 "$bin" pubkey std.key
  absent ./-

  # A key text that starts with '-', in every option spelling (its phrase was chosen so).
  printf 'dash key 12\n' | "$bin" keygen --from-passphrase --unprotected -o dash.key >dash.pub 2>/dev/null
  key="$(cat dash.pub)"
  [ "${key:0:1}" = "-" ] && pass || fail "the test key does not start with '-': $key"
  for spelling in "-r $key" "-r$key" "--to $key" "--to=$key" "--recipient=$key"; do
    # shellcheck disable=SC2086
    run 0 "$bin" encrypt $spelling -o dash.ecc doc.txt
    run 0 "$bin" decrypt --key dash.key -o dash.out dash.ecc
    same dash.out doc.txt
    rm -f dash.ecc dash.out
  done
  run 0 "$bin" sign --key dash.key -o dash.sig doc.txt
  run 0 "$bin" verify --key "$key" --signature dash.sig doc.txt
  run 0 "$bin" verify --key="$key" --signature dash.sig doc.txt
  grep -qe "$key" dash.key && pass || fail "grep -e does not find the key text"
}

scenario_demo() {
  run 0 "$bin" demo
  contains out.txt "Demo passed"
  lacks out.txt "[FAILED]"
}

scenario_outputs() {
  make_key bob
  random_file message.bin 300000
  "$bin" encrypt --to @bob.pub -o m.ecc message.bin

  # An existing regular file, read-only or not, is replaced only with --force, by every
  # subcommand that writes one.
  printf 'keep me\n' >keep.orig
  cp keep.orig keep.txt
  chmod 444 keep.txt
  run 1 "$bin" encrypt --to @bob.pub -o keep.txt message.bin
  contains err.txt "keep.txt already exists"
  run 1 "$bin" decrypt --key bob.key -o keep.txt m.ecc
  contains err.txt "keep.txt already exists"
  run 1 "$bin" keygen --passphrase-file keep.orig -o keep.txt
  contains err.txt "keep.txt already exists"
  same keep.txt keep.orig
  run 0 "$bin" decrypt --key bob.key --force -o keep.txt m.ecc
  same keep.txt message.bin
  [ "$(stat -c %a keep.txt)" = 600 ] && pass || fail "replaced file mode $(stat -c %a keep.txt)"
  run 0 "$bin" encrypt --to @bob.pub --force -o keep.txt message.bin
  run 0 "$bin" decrypt --key bob.key -o again.bin keep.txt
  same again.bin message.bin

  # The file being read is never the output, even with --force: by its name, another name for
  # it, a hard link, or standard output appended to it.
  cp message.bin p.bin
  ln p.bin hard.bin
  for out in p.bin ./p.bin hard.bin; do
    run 1 "$bin" encrypt --to @bob.pub --force -o "$out" p.bin
    contains err.txt "$out is the file being read"
  done
  run 1 "$bin" sign --key bob.key --force -o p.bin p.bin
  contains err.txt "p.bin is the file being read"
  run 1 sh -c "'$bin' encrypt --to @bob.pub -o - p.bin >> p.bin"
  contains err.txt "standard output is the file being read"
  same p.bin message.bin
  cp m.ecc self.ecc
  run 1 "$bin" decrypt --key bob.key --force -o self.ecc self.ecc
  same self.ecc m.ecc
  # Nor is any other file the run reads: a key, a pass-phrase or a recipients file.
  cp bob.key keep.key
  printf 'a pass phrase for this test\n' >phrase.txt
  cp phrase.txt keep.txt
  printf '%s\n' "$(cat bob.pub)" >team.txt
  for command in "sign --key bob.key -o bob.key message.bin" \
    "decrypt --key bob.key -o bob.key m.ecc" "encrypt -r bob.key -o bob.key message.bin" \
    "encrypt -r @team.txt -o team.txt message.bin" "encrypt -R team.txt -o team.txt message.bin" \
    "keygen --passphrase-file phrase.txt -o phrase.txt"; do
    # shellcheck disable=SC2086
    run 1 "$bin" $command --force
    contains err.txt "is the file being read"
  done
  run 1 sh -c "'$bin' decrypt --key bob.key m.ecc >> bob.key"
  same bob.key keep.key
  same phrase.txt keep.txt

  # A symbolic link to a regular file, or to nothing, is refused, --force or not; the link and
  # its target stay as they were.
  ln -s keep.orig link.txt
  ln -s nowhere.txt dangling.txt
  for out in link.txt dangling.txt; do
    for force in "" --force; do
      run 1 "$bin" decrypt --key bob.key $force -o "$out" m.ecc
      contains err.txt "$out is a symbolic link to"
      run 1 "$bin" keygen --passphrase-file keep.orig $force -o "$out"
      contains err.txt "$out is a symbolic link to"
      run 1 "$bin" sign --key bob.key $force -o "$out" message.bin
      contains err.txt "$out is a symbolic link to"
    done
    [ -L "$out" ] && pass || fail "$out is no longer a symbolic link"
  done
  printf 'keep me\n' | cmp -s - keep.orig && pass || fail "the link's target changed"
  absent nowhere.txt

  mkdir folder
  run 3 "$bin" decrypt --key bob.key --force -o folder m.ecc
  contains err.txt "folder is a directory"

  # A FIFO, named or behind a symbolic link, is written in place and stays a FIFO.
  mkfifo out.fifo
  ln -s out.fifo fifo.link
  for out in out.fifo fifo.link; do
    timeout 30 cat out.fifo >got.bin &
    run 0 timeout 30 "$bin" decrypt --key bob.key -o "$out" m.ecc
    wait
    same got.bin message.bin
    timeout 30 cat out.fifo >got.ecc &
    run 0 timeout 30 "$bin" encrypt --to @bob.pub -o "$out" message.bin
    wait
    run 0 "$bin" decrypt --key bob.key -o got.out got.ecc
    same got.out message.bin
    rm -f got.out
  done
  [ -p out.fifo ] && pass || fail "out.fifo is no longer a FIFO"
  [ -L fifo.link ] && pass || fail "fifo.link is no longer a symbolic link"
  no_leftovers
}

# Devices, written in place and never replaced: /dev/null, /dev/full and /dev/stdout, made
# afresh in a private mount namespace so that a fault cannot harm the machine's own. Needs root.
scenario_devices() {
  if [ "$(id -u)" != 0 ] ||
    ! unshare -m sh -c 'mount -t tmpfs tmpfs /dev && mknod /dev/null c 1 3' 2>/dev/null; then
    echo "devices: skipped (needs root and a private mount namespace)"
    return
  fi
  make_key bob
  random_file message.bin 300000
  "$bin" encrypt --to @bob.pub -o m.ecc message.bin
  cat >inside.sh <<'INSIDE'
bin="$1"
mount -t tmpfs tmpfs /dev || exit 99
mknod -m 666 /dev/null c 1 3 && mknod -m 666 /dev/full c 1 7 &&
  mknod -m 666 /dev/urandom c 1 9 && ln -s /proc/self/fd/1 /dev/stdout || exit 99
"$bin" decrypt --key bob.key -o /dev/null m.ecc || echo "FAIL: decrypt -o /dev/null"
"$bin" encrypt --to @bob.pub -o /dev/null message.bin || echo "FAIL: encrypt -o /dev/null"
"$bin" keygen --unprotected --force -o /dev/null </dev/null >/dev/null 2>&1 ||
  echo "FAIL: keygen -o /dev/null"
"$bin" decrypt --key bob.key -o /dev/stdout m.ecc | cat >stdout.bin ||
  echo "FAIL: decrypt -o /dev/stdout"
"$bin" decrypt --key bob.key -o /dev/full m.ecc 2>full.txt && echo "FAIL: /dev/full took it"
[ -c /dev/null ] && [ -c /dev/full ] && [ -L /dev/stdout ] || echo "FAIL: a device was replaced"
[ -s /dev/null ] && echo "FAIL: /dev/null holds data"
[ "$(ls -A /dev | tr '\n' ' ')" = "full null stdout urandom " ] || echo "FAIL: /dev: $(ls -A /dev)"
INSIDE
  unshare -m bash inside.sh "$bin" >inside.txt 2>&1
  local status=$?
  [ "$status" -eq 0 ] && pass || fail "inside the namespace: status $status: $(cat inside.txt)"
  lacks inside.txt "FAIL"
  same stdout.bin message.bin
  contains full.txt "cannot write /dev/full: No space left on device"
}

scenario_write_errors() {
  make_key alice
  random_file doc.bin 300000
  "$bin" sign --key alice.key -o doc.sig doc.bin
  "$bin" encrypt --to @alice.pub -o doc.ecc doc.bin

  # A result that cannot be written is an input/output error that says so.
  local commands=("sign --key alice.key -o - doc.bin" "pubkey alice.key"
    "verify --key @alice.pub --signature @doc.sig doc.bin" "encrypt --to @alice.pub -o - doc.bin"
    "decrypt --key alice.key doc.ecc" "--help" "--version")
  for command in "${commands[@]}"; do
    run 3 sh -c "'$bin' $command > /dev/full"
    contains err.txt "cannot write standard output: No space left on device"
  done
  # So is a file-size limit: the write fails (no signal kills the run) and nothing is left.
  run 3 sh -c "ulimit -f 100; '$bin' decrypt --key alice.key doc.ecc > big.stdout"
  contains err.txt "cannot write standard output: File too large"
  run 3 sh -c "ulimit -f 100; '$bin' decrypt --key alice.key -o big.out doc.ecc"
  contains err.txt "cannot write big.out: File too large"
  absent big.out
  run 3 sh -c "ulimit -f 100; '$bin' encrypt --to @alice.pub -o big.ecc doc.bin"
  contains err.txt "cannot write big.ecc: File too large"
  absent big.ecc
  no_leftovers

  # keygen keeps no key file when the pass phrase of --random, a warning or the public key
  # could not be shown.
  printf 'a pass phrase long enough to pass\n' >phrase.txt
  run 3 sh -c "'$bin' keygen --random --unprotected -o k1.key 2>/dev/full"
  run 3 sh -c "printf 'short\n' | '$bin' keygen --from-passphrase --unprotected -o k2.key 2>/dev/full"
  run 3 sh -c "'$bin' keygen --from-passphrase --unprotected --passphrase-file phrase.txt -o k3.key >/dev/full"
  contains err.txt "cannot write standard output"
  absent k1.key
  absent k2.key
  absent k3.key
  no_leftovers
}

# decrypt_paused OUT: decrypts big.ecc from a FIFO, fed all but the end and held open, into OUT
# ("-" for standard output, into stdout.bin), with the process id in $pid. The feed returns
# only once the tool has read all but a pipe's worth of it, so the tool is mid-run.
decrypt_paused() {
  rm -f in.fifo
  mkfifo in.fifo
  if [ "$1" = - ]; then
    "$bin" decrypt --key bob.key in.fifo >stdout.bin 2>paused.err &
  else
    "$bin" decrypt --key bob.key -o "$1" in.fifo 2>paused.err &
  fi
  pid=$!
  exec 3>in.fifo
  head -c 800000 big.ecc >&3
}

scenario_signals() {
  make_key bob
  random_file big.bin 1000000
  "$bin" encrypt --to @bob.pub -o big.ecc big.bin
  mkdir spool
  : >paused.err
  local listing
  listing="$(ls -A)"

  # While a decryption runs, no name in the folder holds its plaintext; whatever signal ends it,
  # nothing is left. (SIGXFSZ is ignored: the run goes on, and fails when its input ends short.)
  # File systems known to make unnamed files; elsewhere a named temporary may stand in.
  local unnamed=0
  case "$(stat -f -c %T .)" in ext2/ext3 | xfs | btrfs | tmpfs | f2fs) unnamed=1 ;; esac
  decrypt_paused out.bin
  if [ "$unnamed" = 1 ]; then
    [ "$(ls -A | grep -v '^in.fifo$')" = "$listing" ] && pass ||
      fail "a name holds the plaintext while decrypting: $(ls -A)"
  else
    echo "signals: $(stat -f -c %T .) may not make unnamed files; not checked after SIGKILL"
  fi
  kill -KILL "$pid"
  wait "$pid" 2>/dev/null
  exec 3>&-
  if [ "$unnamed" = 1 ]; then
    absent out.bin
    no_leftovers
  fi
  rm -f .eccrypt-*
  for signal in INT TERM HUP QUIT USR1 USR2 ALRM XCPU VTALRM PROF PIPE XFSZ; do
    decrypt_paused out.bin
    kill -"$signal" "$pid"
    sleep 0.2
    exec 3>&-
    wait "$pid" 2>/dev/null
    local status=$?
    [ "$status" -ne 0 ] && pass || fail "SIG$signal: decrypt exited 0"
    absent out.bin
    no_leftovers
  done

  # To standard output, authenticated blocks go out as they are read: nothing is held in a
  # temporary file, and a reader that stops early gets its first byte at once.
  TMPDIR="$PWD/spool" decrypt_paused -
  [ "$(ls -A spool)" = "" ] && pass || fail "plaintext spooled: $(ls -A spool)"
  [ "$(stat -c %s stdout.bin)" -ge 65536 ] && pass || fail "nothing streamed before the end"
  exec 3>&-
  wait "$pid"
  [ $? -eq 1 ] && pass || fail "a truncated stream did not fail"
  contains paused.err "truncated"
  contains paused.err "bytes were written to standard output before the fault was found"
  head -c "$(stat -c %s stdout.bin)" big.bin | cmp -s - stdout.bin && pass ||
    fail "the streamed bytes are not the start of the plaintext"

  { head -c 300000 big.ecc; sleep 6; } | "$bin" decrypt --key bob.key 2>/dev/null |
    timeout 5 head -c 1 >first.bin
  head -c 1 big.bin | cmp -s - first.bin && pass ||
    fail "no first byte before the input ended ($(stat -c %s first.bin) bytes)"
  timeout 30 sh -c "'$bin' decrypt --key bob.key big.ecc | head -c 1" >first.bin
  head -c 1 big.bin | cmp -s - first.bin && pass || fail "head -c 1 on the whole file"
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
