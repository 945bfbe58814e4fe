#!/usr/bin/env bash
# End-to-end tests of how eccrypt takes keys: key and signature texts are never read from files,
# a protected key file gives no unproven public key, an output never replaces a file the run
# read, and one key in two text forms is one recipient.
# Usage: securityKeys.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

# A file planted under the name of a key or signature text, holding the attacker's value, is
# never read: the text is what counts.
scenario_keys_planted_text() {
  make_key alice
  make_key mallory
  printf 'order: pay 100 to the usual account\n' >doc.txt
  "$bin" sign --key alice.key -o alice.sig doc.txt 2>/dev/null || fail "sign as alice"
  "$bin" sign --key mallory.key -o mallory.sig doc.txt 2>/dev/null || fail "sign as mallory"
  alice_text="$(cat alice.pub)"
  alice_bare="$("$bin" sign -o - --bare --key alice.key doc.txt)"
  mallory_bare="$("$bin" sign -o - --bare --key mallory.key doc.txt)"

  # Each case: NAME of the planted file, what it holds, the command, its status and verdict.
  cp mallory.pub "$alice_text"
  run 0 "$bin" encrypt -r "$alice_text" -o m.ecc doc.txt
  run 0 "$bin" decrypt --key alice.key -o m.out m.ecc
  same m.out doc.txt
  run 1 "$bin" decrypt --key mallory.key -o m2.out m.ecc
  absent m2.out
  while IFS='|' read -r planted holds status verdict args; do
    cp "$holds" "$planted"
    # shellcheck disable=SC2086
    run "$status" "$bin" verify $args doc.txt
    contains out.txt "$verdict"
    rm -f "$planted"
  done <<EOF
$alice_text|mallory.pub|1|BAD signature|--key $alice_text --signature mallory.sig
$alice_text|mallory.pub|0|Good signature|--key $alice_text --signature alice.sig
$mallory_bare|alice.sig|1|BAD signature|--key alice.pub --signature $mallory_bare
$alice_bare|mallory.sig|0|Good signature|--key alice.pub --signature $alice_bare
EOF

  # A text that is no key or signature and names an existing file: refused, with a hint to
  # name the file; the hinted spellings read it.
  cp alice.pub alicekey
  cp alice.pub alice_key
  cp alice.sig alicesig
  while IFS='|' read -r name args; do
    # shellcheck disable=SC2086
    run 1 "$bin" $args
    contains err.txt "./$name or @$name"
    # shellcheck disable=SC2086
    run 0 "$bin" ${args//$name/./$name}
    # shellcheck disable=SC2086
    run 0 "$bin" ${args//$name/@$name}
  done <<EOF
alicekey|encrypt -r alicekey -o x.ecc --force doc.txt
alice_key|encrypt -r alice_key -o x.ecc --force doc.txt
alicekey|verify --key alicekey --signature alice.sig doc.txt
alicesig|verify --key alice.pub --signature alicesig doc.txt
EOF
  # Without such a file there is no hint; a name with '.' or '/' that names nothing is a
  # missing file.
  run 1 "$bin" encrypt -r nosuchkey -o x.ecc --force doc.txt
  lacks err.txt "./nosuchkey"
  run 3 "$bin" encrypt -r nosuch.pub -o x.ecc --force doc.txt
  contains err.txt "cannot open nosuch.pub"
  run 3 "$bin" verify --key alice.pub --signature nosuch.sig doc.txt
  contains err.txt "cannot open nosuch.sig"
}

# The public key and key id lines of a protected key file are proven only by unlocking it.
scenario_keys_protected_public() {
  printf 'the pass phrase of this key file\n' >right.txt
  run 0 "$bin" keygen --passphrase-file right.txt -o p.key
  cp out.txt p.pub
  make_key mallory
  printf 'a document\n' >doc.txt
  "$bin" sign --key mallory.key -o mallory.sig doc.txt 2>/dev/null || fail "sign as mallory"
  # Both lines replaced by mallory's, as an attacker with write access to the file would.
  sed -e "s|^public key: .*|public key: $(cat mallory.pub)|" \
    -e "s|^key id: .*|key id: $(sed -n 's/^key id: //p' mallory.sig)|" p.key >swapped.key
  run 0 "$bin" inspect swapped.key
  contains out.txt "public key: $(cat mallory.pub) (unverified)"

  # Neither the genuine nor the swapped file yields a public key without its pass phrase.
  while IFS='|' read -r hint args; do
    # shellcheck disable=SC2086
    run 1 "$bin" $args
    contains err.txt "protected secret-key file"
    contains err.txt "$hint"
  done <<EOF
p.pub|encrypt -r p.key -o x.ecc doc.txt
swapped.pub|encrypt -r swapped.key -o x.ecc doc.txt
swapped.pub|encrypt -r @swapped.key -o x.ecc doc.txt
swapped.pub|verify --key swapped.key --signature mallory.sig doc.txt
p.pub|verify --key ./p.key --signature mallory.sig doc.txt
EOF
  absent x.ecc

  # pubkey unlocks: the genuine file gives its key, the swapped one fails to unlock; without a
  # pass phrase and a terminal it is a usage error.
  run 0 "$bin" pubkey --passphrase-file right.txt p.key
  same out.txt p.pub
  run 1 "$bin" pubkey --passphrase-file right.txt swapped.key
  contains err.txt "does not unlock swapped.key"
  lacks out.txt "$(cat mallory.pub)"
  run 2 setsid -w "$bin" pubkey p.key
  contains err.txt "--passphrase-file"
  run 0 "$bin" pubkey --passphrase-file "$data/v2.phrase" "$data/v2.key"
  same out.txt "$data/v2.pub"
  run 1 "$bin" encrypt -r "$data/v2.key" -o x.ecc doc.txt
  contains err.txt "$data/v2.pub"

  # A clear key file holds its secret key, so its public key is checked against it: a swapped
  # line is refused, the genuine file is taken.
  make_key alice
  sed "s|$(cat alice.pub)|$(cat mallory.pub)|" alice.key >mixed.key
  for args in "encrypt -r mixed.key -o x.ecc doc.txt" "verify --key mixed.key --signature mallory.sig doc.txt"; do
    # shellcheck disable=SC2086
    run 1 "$bin" $args
    contains err.txt "do not belong together"
  done
  run 0 "$bin" encrypt -r alice.key -o a.ecc doc.txt
  run 0 "$bin" decrypt --key alice.key -o a.out a.ecc
  same a.out doc.txt
}

# --force never replaces a file the run opened, however it was named ("@" names included), and
# whether it was read before the output was set up or after.
scenario_keys_read_files() {
  make_key bob
  printf 'a message\n' >m.txt
  "$bin" encrypt -r bob.pub -o m.ecc m.txt 2>/dev/null || fail "encrypt"
  printf 'the pass phrase of this key file\n' >pp
  "$bin" keygen --passphrase-file pp -o protected.key >/dev/null 2>&1 || fail "keygen"
  "$bin" pubkey --passphrase-file pp protected.key >protected.pub 2>/dev/null || fail "pubkey"
  "$bin" encrypt -r protected.pub -o pm.ecc m.txt 2>/dev/null || fail "encrypt protected"
  cp bob.key @k.key
  cp bob.key k.key
  cp pp @p
  cp bob.pub @team
  for f in @k.key k.key @p @team; do cp "$f" "$f.orig"; done
  # Each case: the file that must survive, and the command (always with --force).
  while IFS='|' read -r kept args; do
    # shellcheck disable=SC2086
    run 1 "$bin" $args --force
    contains err.txt "is the file being read"
    same "$kept" "$kept.orig"
  done <<EOF
@k.key|decrypt --key ./@k.key -o @k.key m.ecc
k.key|decrypt --key @k.key -o k.key m.ecc
k.key|sign --key @k.key -o k.key m.txt
k.key|sign --bare --key @k.key -o ./k.key m.txt
@p|decrypt --key protected.key --passphrase-file @p -o @p pm.ecc
@p|sign --key protected.key --passphrase-file @p -o @p m.txt
@p|keygen --passphrase-file @p -o @p
@team|encrypt -r ./@team -o @team m.txt
@team|encrypt -R @team -o @team m.txt
k.key|encrypt -r @k.key -o k.key m.txt
EOF
  # "@k.key" names k.key: with only the file "@k.key" there is nothing to read, and nothing
  # is written.
  rm k.key
  run 3 "$bin" decrypt --key @k.key --force -o @k.key m.ecc
  contains err.txt "cannot open k.key"
  same @k.key @k.key.orig
  # Standard output appended to a key read after the output was set up.
  cp @k.key.orig k.key
  run 1 sh -c "'$bin' sign --key k.key -o - m.txt >> k.key"
  contains err.txt "standard output is the file being read"
  same k.key @k.key.orig
  run 1 sh -c "'$bin' keygen --passphrase-file @p -o - >> @p"
  same @p @p.orig
  no_leftovers
}

# One key named in both text forms, by -r or in a -R list, is one recipient; two keys are two.
scenario_keys_recipients() {
  make_key alice
  printf '%s\n' "$phrase alice" |
    "$bin" keygen --from-passphrase --unprotected --format hex -o alicehex.key >alicehex.pub 2>/dev/null
  make_key bob
  printf 'shared\n' >doc.txt
  printf '# alice, twice\n%s\n%s\n' "$(cat alice.pub)" "$(cat alicehex.pub)" >team.txt
  while IFS='|' read -r count args; do
    # shellcheck disable=SC2086
    run 0 "$bin" encrypt $args -o m.ecc --force doc.txt
    run 0 "$bin" inspect m.ecc
    contains out.txt "recipients: $count"
  done <<EOF
1|-r $(cat alice.pub) -r $(cat alicehex.pub)
1|-r alicehex.pub -r alice.key -r @alicehex.key
1|-R team.txt -r alice.pub
2|-R team.txt -r bob.pub
EOF
  for who in alice alicehex bob; do
    run 0 "$bin" decrypt --key "$who.key" -o "$who.out" m.ecc
    same "$who.out" doc.txt
  done
}

# The manual's examples keep working: key and signature files by their names, @FILE, and the
# default FILE.sig; the stored files of earlier versions among them.
scenario_keys_documented() {
  make_key alice
  make_key bob
  printf 'contract\n' >contract.pdf
  printf '%s\n' "$(cat bob.pub)" "$(cat alice.pub)" >team.txt
  while IFS='|' read -r status args; do
    # shellcheck disable=SC2086
    run "$status" "$bin" $args
  done <<EOF
0|encrypt -r bob.pub -r alice.pub -o report.ecc contract.pdf
0|decrypt --key bob.key -o report.out report.ecc
0|encrypt --to @bob.pub -o at.ecc contract.pdf
0|decrypt --key @bob.key -o at.out at.ecc
0|encrypt -R team.txt -o plan.ecc contract.pdf
0|decrypt --key alice.key -o plan.out plan.ecc
0|sign --key alice.key -o contract.pdf.sig contract.pdf
0|verify --key alice.pub contract.pdf
0|verify --key @alice.pub --signature contract.pdf.sig contract.pdf
0|verify --key alice.pub --signature @contract.pdf.sig contract.pdf
0|verify --allow-v1 --key $data/v2.pub --signature $data/v2.txt.sig $data/v2.txt
0|verify --key $data/v2.pub --signature $data/sigfile2.sig $data/v2.txt
0|verify --key $data/legacy.pub --signature $data/legacy.txt.sig $data/legacy.txt
0|encrypt -r $data/v2.pub -r $data/v2-hex.pub -o v2.ecc contract.pdf
0|decrypt --key $data/v2.key --passphrase-file $data/v2.phrase -o v2.out $data/v2.txt.ecc
EOF
  same report.out contract.pdf
  same at.out contract.pdf
  same plan.out contract.pdf
  same v2.out "$data/v2.txt"
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
