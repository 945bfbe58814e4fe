#!/usr/bin/env bash
# Generates the man page eccrypt(1) from the manual, docs/eccrypt.md, with Debian's go-md2man:
# a title block and a NAME section are put before the manual's text.
# Usage: tools/gen_man.sh [--output FILE]   (default: docs/eccrypt.1)
set -euo pipefail
cd "$(dirname "$0")/.."
output=docs/eccrypt.1
if [ "${1:-}" = "--output" ]; then output="$2"; fi
version=$(sed -n 's/^project(ECCrypt VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
{
  printf '%% ECCRYPT 1 "" "ECCrypt %s" "User Commands"\n\n' "$version"
  printf '## NAME\neccrypt - encrypt, decrypt, sign and verify files\n\n## DESCRIPTION\n'
  # The manual's title line is the NAME above; its "##" sections are the page's sections (.SH)
  # and its "###" ones subsections (.SS).
  tail -n +2 docs/eccrypt.md
} | go-md2man -out "$output"
