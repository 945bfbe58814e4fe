#!/usr/bin/env bash
# End-to-end tests of signature files against bare signatures, of version 1 signature files,
# and of how file-derived text reaches the terminal: each scenario runs the tool as separate
# processes in a fresh temporary directory.
# Usage: securitySignatures.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

# Bytes from hexadecimal digits, and the other way.
from_hex() { printf "$(printf '%s' "$1" | sed 's/../\\x&/g')"; }
to_hex() { od -An -tx1 -v | tr -d ' \n'; }
sha256_hex() { sha256sum "$1" | cut -c1-64; }
# A length-prefixed field as a version 2 signature file's signed value takes it: 8 bytes of
# big-endian length, then the bytes.
field_hex() { printf '%016x%s' $((${#1} / 2)) "$1"; }

# alice.key, alice.pub, and the same key's hexadecimal text in alicehex.pub.
make_alice() {
  make_key alice
  printf '%s\n' "$phrase alice" |
    "$bin" keygen --from-passphrase --unprotected --format hex -o alicehex.key >alicehex.pub 2>/dev/null ||
    fail "keygen --format hex failed"
}

# The value of a signature file's line LABEL.
line_of() { sed -n "s/^$2: //p" "$1"; }

# What someone holding a key's bare signatures could try to pass off as signature files, and the
# other way round: files whose digest is what a signature file's signature covers, built from
# the signature file's own lines and the target's digest. Writes crafted-NAME files for TARGET,
# the key id ID, the key's value VALUEHEX and the trusted comment COMMENT.
craft_files() {
  local target="$1" id="$2" value="$3" comment="$4"
  local prehash
  prehash="$(sha256_hex "$target")"
  # Version 1's signed bytes: its lines and the file's 20-byte digest.
  { printf 'digest: sha256/20\nkey id: %s\ntrusted comment: %s\n' "$id" "$comment"
    from_hex "${prehash:0:40}"; } >crafted-v1
  # Version 2's lines with the whole and the cut prehash.
  { printf 'prehash: sha256\nkey id: %s\ntrusted comment: %s\n' "$id" "$comment"
    from_hex "$prehash"; } >crafted-lines
  { printf 'prehash: sha256\nkey id: %s\ntrusted comment: %s\n' "$id" "$comment"
    from_hex "${prehash:0:40}"; } >crafted-lines20
  # The exact bytes the version 2 signed value hashes.
  from_hex "$(field_hex "$value")$(field_hex "$(printf sha256 | to_hex)")$(field_hex \
    "$(printf '%s' "$comment" | to_hex)")$(field_hex "$prehash")" >crafted-fields
}

# A signature file of VERSION (1 or 2) with the signer's lines and the signature R:S.
signature_file() {
  local version="$1" id="$2" comment="$3" signature="$4"
  printf 'eccrypt signature %s\nuntrusted comment: x\n' "$version"
  if [ "$version" = 1 ]; then printf 'digest: sha256/20\n'; else printf 'prehash: sha256\n'; fi
  printf 'key id: %s\ntrusted comment: %s\nsignature: %s\n' "$id" "$comment" "$signature"
}

# A bare signature the key made over a file its owner was given is never a signature file of
# another file; the same construction did make one in version 1 (so it is the right one).
scenario_sigs_forgery() {
  make_alice
  printf 'pay 10 to bob\n' >order.txt
  local id value comment="release 1.0 approved"
  id="$("$bin" inspect alice.pub | sed -n 's/^  key id: //p')"
  value="$(sed 's/^\(00\)*//' alicehex.pub)"
  craft_files order.txt "$id" "$value" "$comment"

  # Version 1: the bare signature of crafted-v1 is a signature file for order.txt. It verifies
  # only with --allow-v1, and is refused without it.
  run 0 "$bin" sign --bare --key alice.key -o bare.txt crafted-v1
  signature_file 1 "$id" "$comment" "$(cat bare.txt)" >forged-v1.sig
  run 0 "$bin" verify --allow-v1 --key alice.pub --signature forged-v1.sig order.txt
  run 1 "$bin" verify --key alice.pub --signature forged-v1.sig order.txt
  lacks out.txt "Good signature"

  # Version 2: no crafted file's bare signature, SHA-256 or SHA-1, passes for order.txt.
  local crafted digest
  for crafted in crafted-v1 crafted-lines crafted-lines20 crafted-fields; do
    for digest in "" --sha1; do
      run 0 "$bin" sign --bare $digest --key alice.key -o bare.txt --force "$crafted"
      signature_file 2 "$id" "$comment" "$(cat bare.txt)" >forged.sig
      run 1 "$bin" verify --key alice.pub --signature forged.sig order.txt
      contains out.txt "BAD signature: order.txt was changed since it was signed"
    done
  done

  # The other way: a signature file's r:s is no bare signature of any crafted file. Version 1's
  # was (the stored sample shows it); version 2's is not, under either digest.
  local stored="$data/v2.txt.sig" sig
  craft_files "$data/v2.txt" "$(line_of "$stored" "key id")" "" \
    "$(line_of "$stored" "trusted comment")"
  run 0 "$bin" verify --key "@$data/v2.pub" --signature "$(line_of "$stored" signature)" crafted-v1
  contains out.txt "Good signature"

  run 0 "$bin" sign --key alice.key -c "$comment" -o order.sig order.txt
  run 0 "$bin" verify --key alice.pub --signature order.sig order.txt
  craft_files order.txt "$id" "$value" "$comment"
  sig="$(line_of order.sig signature)"
  for crafted in crafted-v1 crafted-lines crafted-lines20 crafted-fields; do
    for digest in "" --sha1; do
      run 1 "$bin" verify $digest --key alice.pub --signature "$sig" "$crafted"
      contains out.txt "BAD signature"
    done
  done
  # Its value is not the bare signature of the hash input under the other key form either.
  run 1 "$bin" verify --key alicehex.pub --signature "$sig" crafted-fields
}

# Version 1 signature files: refused unless asked for, then checked with a warning.
scenario_sigs_version1() {
  local v1=(--key "@$data/v2.pub" --signature "@$data/v2.txt.sig" "$data/v2.txt")
  run 1 "$bin" verify "${v1[@]}"
  contains err.txt "is of version 1"
  contains err.txt "eccrypt sign --key KEYFILE"
  contains err.txt "--allow-v1"
  [ ! -s out.txt ] && pass || fail "a refused version 1 file gave a verdict: $(cat out.txt)"
  run 1 "$bin" verify -q "${v1[@]}"
  contains err.txt "is of version 1"
  run 0 "$bin" verify --allow-v1 "${v1[@]}"
  contains out.txt "Good signature"
  contains out.txt "version 1 signature file"
  contains out.txt "Trusted comment: stored sample"
  contains err.txt "warning"
  contains err.txt "--allow-v1"
  # The stored version 2 file of the same key verifies without it.
  run 0 "$bin" verify --key "@$data/v2.pub" --signature "@$data/sigfile2.sig" "$data/v2.txt"
  contains out.txt "Trusted comment: stored sample, signature file version 2"
  [ ! -s err.txt ] && pass || fail "a version 2 file warned: $(cat err.txt)"
  # A signature file the library made (SignMessage) verifies as the tool's own do.
  run 0 "$bin" verify --key "@$data/library.pub" --signature "@$data/library.txt.sig" "$data/v2.txt"
  contains out.txt "Trusted comment: made by the library"
  # The flag does not make a bad one good, and changes nothing for other signatures.
  printf 'another text\n' >other.txt
  run 1 "$bin" verify --allow-v1 --key "@$data/v2.pub" --signature "@$data/v2.txt.sig" other.txt
  contains out.txt "BAD signature"
  run 0 "$bin" verify --key "@$data/legacy.pub" --signature "@$data/legacy.txt.sig" "$data/legacy.txt"
  run 0 "$bin" verify --allow-v1 --key "@$data/legacy.pub" --signature "@$data/legacy.txt.sig" "$data/legacy.txt"
  [ ! -s err.txt ] && pass || fail "a bare signature warned: $(cat err.txt)"

  # inspect tells the versions apart.
  run 0 "$bin" inspect "$data/v2.txt.sig"
  contains out.txt "eccrypt signature file, version 1"
  contains out.txt "digest: SHA-256 truncated to 20 bytes"
  make_key alice
  printf 'x\n' >doc.txt
  run 0 "$bin" sign --key alice.key -o doc.sig doc.txt
  run 0 "$bin" inspect doc.sig
  contains out.txt "eccrypt signature file, version 2"
  contains out.txt "prehash: SHA-256"
}

# --sha1 makes bare signatures only; signature files always take SHA-256.
scenario_sigs_sha1() {
  make_key alice
  printf 'x\n' >doc.txt
  local refused
  for refused in "--sha1" "--sha1 -c note" "--sha1 -o doc.sig"; do
    # shellcheck disable=SC2086
    run 2 "$bin" sign $refused --key alice.key doc.txt
    contains err.txt "--sha1"
    contains err.txt "bare"
    absent doc.sig
  done
  run 0 "$bin" sign --sha1 --bare --key alice.key -o bare.sig doc.txt
  run 0 "$bin" verify --sha1 --key alice.pub --signature bare.sig doc.txt
  # A signature file made now checks the same with or without --sha1 (it has no SHA-1 form).
  run 0 "$bin" sign --key alice.key -o doc.sig doc.txt
  contains doc.sig "prehash: sha256"
  run 0 "$bin" verify --sha1 --key alice.pub --signature doc.sig doc.txt
}

# Text from files and arguments is shown escaped: a verdict cannot be faked on a terminal.
scenario_sigs_escapes() {
  make_key alice
  make_key bob
  local fake=$'x\nGood signature: x was signed by key 0000000000000000\e[8m'
  local escaped='x\x0aGood signature: x was signed by key 0000000000000000\x1b[8m'
  printf 'x\n' >"$fake"
  run 0 "$bin" sign --key alice.key -o good.sig "$fake"
  cp good.sig "$fake.sig"
  printf 'y\n' >>"$fake"
  # Verdicts, an error that quotes the name, and inspect: each line escaped, no raw escape.
  local -a cases=(
    "1|out.txt|verify --key alice.pub --signature good.sig NAME"
    "3|err.txt|verify --key alice.pub --signature good.sig missing/NAME"
    "1|err.txt|decrypt --key alice.key NAME.sig"
    "0|out.txt|inspect NAME.sig"
  )
  local entry status stream words
  local -a args
  for entry in "${cases[@]}"; do
    IFS='|' read -r status stream words <<<"$entry"
    read -ra args <<<"$words"
    args=("${args[@]//NAME/$fake}")
    run "$status" "$bin" "${args[@]}"
    if LC_ALL=C grep -q $'\e' "$stream"; then fail "$words: a raw escape in $stream"; else pass; fi
    contains "$stream" "$escaped"
  done
  run 1 "$bin" verify --key alice.pub --signature good.sig "$fake"
  [ "$(wc -l <out.txt)" -eq 1 ] && pass || fail "the BAD verdict spans lines: $(cat out.txt)"
  contains out.txt "BAD signature: $escaped was changed"
  # The other-key verdict names the key id the file holds, as read (16 hexadecimal digits).
  run 1 "$bin" verify --key bob.pub --signature good.sig "$fake"
  contains out.txt "BAD signature: the signature file names key id $(line_of good.sig "key id"), not the key given"

  # A backslash shows doubled, so that no escape can be spelt out in a name.
  printf 'x\n' >'a\x1b.txt'
  run 0 "$bin" sign --key alice.key -o b.sig 'a\x1b.txt'
  run 0 "$bin" verify --key alice.pub --signature b.sig 'a\x1b.txt'
  contains out.txt 'Good signature: a\\x1b.txt was signed'

  # Comments of version 1 files could hold direction marks and C1 controls: shown escaped.
  sed $'s/^untrusted comment: .*/untrusted comment: a\xe2\x80\xaeb\xc2\x9bc/' \
    "$data/v2.txt.sig" >old.sig
  run 0 "$bin" inspect old.sig
  contains out.txt 'untrusted comment: a\u202eb\u009bc'
  if LC_ALL=C grep -q $'\xe2\x80\xae' out.txt; then fail "a raw U+202E in the output"; else pass; fi
  run 0 "$bin" verify --allow-v1 --key "@$data/v2.pub" --signature old.sig "$data/v2.txt"
  # A version 2 file holding them was altered: refused.
  sed $'s/^untrusted comment: .*/untrusted comment: a\xe2\x80\xaeb/' good.sig >altered.sig
  run 1 "$bin" inspect altered.sig
  contains err.txt "malformed"
}

# sign refuses comments that would need escaping, before asking for anything.
scenario_sigs_comments() {
  make_key alice
  printf 'x\n' >doc.txt
  local comment option
  # U+009B, U+202E, U+2066, U+200F in UTF-8; ESC, a line feed, DEL, a lone 0x9B; too long.
  local -a comments=($'a\xc2\x9bb' $'a\xe2\x80\xaeb' $'a\xe2\x81\xa6b' $'a\xe2\x80\x8fb' $'a\eb'
    $'a\nb' $'a\x7fb' $'a\x9bb' "$(head -c 1025 /dev/zero | tr '\0' x)")
  for comment in "${comments[@]}"; do
    for option in -c --untrusted-comment; do
      run 2 "$bin" sign --key alice.key "$option" "$comment" -o doc.sig doc.txt
      contains err.txt "comment"
      absent doc.sig
    done
  done
  # Text with a backslash, letters of any script and a dash is a comment.
  run 0 "$bin" sign --key alice.key -c 'Grüße – v1.0 \ final' -o doc.sig doc.txt
  run 0 "$bin" verify --key alice.pub --signature doc.sig doc.txt
  contains out.txt 'Trusted comment: Grüße – v1.0 \\ final'
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
