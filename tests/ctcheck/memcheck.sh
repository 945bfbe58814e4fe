#!/usr/bin/env bash
# Runs one case of the constant-time check (eccrypt_ctcheck) under valgrind's memcheck.
#
# Usage: memcheck.sh clean PROGRAM CASE
#        memcheck.sh leak MESSAGE FUNCTION PROGRAM CASE
# clean: passes when memcheck reports nothing and the case's results are right.
# leak:  passes only when memcheck reports MESSAGE with FUNCTION in its stack: the planted leak
#        is caught. Any other outcome fails, a crash or a wrong result among them.
# Memcheck's report is printed either way; its stacks say where a secret steered a branch or an
# address (--track-origins names where the secret was marked).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
expect=$1
shift
if [ "$expect" = leak ]; then
  message=$1 function=$2
  shift 2
fi
program=$1 case=$2
log=$(mktemp)
trap 'rm -f "$log"' EXIT

status=0
"${VALGRIND:-valgrind}" --tool=memcheck --error-exitcode=99 --track-origins=yes --num-callers=40 \
  --leak-check=no --suppressions="$here/memcheck.supp" --log-file="$log" \
  "$program" "$case" || status=$?
cat "$log" >&2

case "$expect" in
  clean)
    [ "$status" -eq 0 ] && exit 0
    if [ "$status" -eq 99 ]; then
      echo "FAILED: $case: memcheck saw secrets steer the run at:" >&2
      # The innermost frame of every error context, once each.
      awk '/(Conditional jump|Use of uninitialised|Syscall param)/ { getline; sub(/^==[0-9]+== +/, ""); print "  " $0 }' \
        "$log" | sort | uniq -c | sort -rn >&2
    fi
    [ "$status" -ne 99 ] && echo "FAILED: $case: exit status $status" >&2
    exit 1
    ;;
  leak)
    if [ "$status" -eq 99 ] && grep -q -- "$message" "$log" && grep -q -- "$function" "$log"; then
      exit 0
    fi
    echo "FAILED: $case: the planted leak in $function was not reported ($message)" >&2
    exit 1
    ;;
esac
echo "memcheck.sh: unknown expectation $expect" >&2
exit 2
