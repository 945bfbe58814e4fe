#!/usr/bin/env bash
# Builds and installs the Python package the way its README says (a virtual environment made by
# Debian's Python with --system-site-packages, then pip install --no-build-isolation ./python),
# in a scratch directory, and runs its pytest suite from outside the repository against the
# installed copy. The interoperability tests drive the eccrypt tool of the release build
# (ECCRYPT_TOOL names another one); it is built when missing.
# Usage: scripts/test-python.sh [pytest arguments]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
bash scripts/setup.sh python

source scripts/tool-for-tests.sh

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
"$work/venv/bin/pip" install --no-build-isolation --quiet "$repo/python"
cd "$work"
# Show that the package is the installed one, carrying its own library.
"$work/venv/bin/python" -c 'import eccrypt, sys; print("eccrypt", eccrypt.__version__, "from", eccrypt.__file__)'
"$work/venv/bin/python" -m pytest -p no:cacheprovider -q "$repo/python/tests" "$@"
