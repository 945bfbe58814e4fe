# Shared by the tool's end-to-end scripts (sourced, not run): a fresh temporary working
# directory, the check helpers and the fixtures. Expects $bin (the eccrypt binary) to be set.
data="$(cd "$(dirname "$0")" && pwd)/data"  # files made by earlier versions of the tool
work="$(mktemp -d "${TMPDIR:-/tmp}/eccrypt-e2e-XXXXXX")"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
failures=0
checks=0

fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { checks=$((checks + 1)); }

# run EXPECTED_STATUS COMMAND...: runs it with stdout in out.txt and stderr in err.txt.
run() {
  local expected="$1"
  shift
  "$@" >out.txt 2>err.txt
  local status=$?
  if [ "$status" -ne "$expected" ]; then
    fail "'$*' exited $status, expected $expected; stderr: $(cat err.txt)"
  else
    pass
  fi
}
contains() {  # contains FILE TEXT
  if grep -qF -- "$2" "$1"; then pass; else fail "$1 lacks '$2': $(cat "$1")"; fi
}
lacks() {  # lacks FILE TEXT
  if grep -qF -- "$2" "$1"; then fail "$1 contains '$2'"; else pass; fi
}
same() {  # same FILE1 FILE2
  if cmp -s "$1" "$2"; then pass; else fail "$1 and $2 differ"; fi
}
absent() {  # absent PATH
  if [ -e "$1" ]; then fail "$1 exists"; else pass; fi
}
no_leftovers() {
  if compgen -G ".eccrypt-*" >/dev/null; then fail "temporary files left: $(ls -a)"; else pass; fi
}

phrase="correct horse battery staple, twenty-eight chars"

# make_key NAME [keygen options...]: NAME.key (in clear) and NAME.pub derived from the pass
# phrase "$phrase NAME".
make_key() {
  local name="$1"
  shift
  printf '%s\n' "$phrase $name" |
    "$bin" keygen --from-passphrase --unprotected -o "$name.key" "$@" >"$name.pub" 2>/dev/null ||
    fail "keygen for $name failed"
}

random_file() {  # random_file NAME BYTES
  head -c "$2" /dev/urandom >"$1"
}

# flip_bit FILE OFFSET COPY: COPY is FILE with the lowest bit of the byte at OFFSET flipped.
flip_bit() {
  cp "$1" "$3"
  printf "\\$(printf %o $(($(od -An -tu1 -j"$2" -N1 "$1") ^ 1)))" |
    dd of="$3" bs=1 seek="$2" conv=notrunc 2>/dev/null
}
# flip_digit FILE OFFSET COPY: the same for the value of an upper-case hexadecimal digit.
flip_digit() {
  cp "$1" "$3"
  dd if="$1" bs=1 skip="$2" count=1 2>/dev/null | tr 0123456789ABCDEF 1032547698BADCFE |
    dd of="$3" bs=1 seek="$2" conv=notrunc 2>/dev/null
}

