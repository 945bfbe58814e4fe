#!/usr/bin/env bash
# Installs the Debian packages one purpose needs, when any is missing, and says what it installs.
# Usage: scripts/setup.sh [PURPOSE]   (default: test)
#   demo     build the library and the eccrypt tool, and run the demonstration
#   test     the above, plus the test suites and the benchmarks (and zsh and fish, whose
#            completions are tested)
#   ci       the above, plus clang (fuzzers, sanitizer runtimes), the linters, valgrind and
#            go-md2man (the man page is generated from the manual), doxygen (the reference)
#   python   the C library and the Python package's build and tests
#   js       the WebAssembly build and the JavaScript package's tests
#   web      the offline page's test in headless Chromium (with Node.js to drive it)
# Safe to run repeatedly; needs root (or sudo) only when something has to be installed.
# ECCRYPT_SETUP_EXTRA adds packages (space-separated) to any purpose.
set -euo pipefail

purpose="${1:-test}"
demo=(build-essential cmake ninja-build pkg-config git libssl-dev libsodium-dev libcli11-dev)
# zsh and fish: the completions' test parses them.
test=("${demo[@]}" libgtest-dev libgmock-dev libbenchmark-dev zsh fish)
case "$purpose" in
  demo) packages=("${demo[@]}") ;;
  test) packages=("${test[@]}") ;;
  ci) packages=("${test[@]}" clang libclang-rt-14-dev clang-format clang-tidy cppcheck valgrind
          go-md2man man-db doxygen) ;;
  python) packages=("${test[@]}" python3 python3-venv python3-pip python3-setuptools python3-wheel
          python3-pytest) ;;
  # emscripten's optimiser needs node-acorn; dpkg-dev unpacks libsodium's source package.
  # Node.js and npm come from Debian only when the machine has no node or npm of its own
  # (another Node.js package would conflict with Debian's).
  js)
    packages=("${test[@]}" emscripten node-acorn dpkg-dev chromium chromium-driver)
    command -v node >/dev/null || packages+=(nodejs)
    command -v npm >/dev/null || packages+=(npm)
    ;;
  # A font, so that the page's screenshot shows text. Node.js comes from Debian only when the
  # machine has no node of its own (another Node.js package would conflict with Debian's).
  web)
    packages=("${test[@]}" chromium fonts-dejavu-core)
    command -v node >/dev/null || packages+=(nodejs)
    ;;
  *)
    echo "setup.sh: unknown purpose '$purpose' (demo, test, ci, python, js or web)" >&2
    exit 2
    ;;
esac
if [ "${ECCRYPT_SETUP_EXTRA:-}" != "" ]; then
  read -r -a extra <<<"$ECCRYPT_SETUP_EXTRA"
  packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup.sh ($purpose): installing ${#missing[@]} Debian packages: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
echo "setup.sh: apt-get update" >&2
"${sudo[@]}" apt-get update -q
echo "setup.sh: apt-get install (progress below)" >&2
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "setup.sh: installed ${missing[*]}" >&2
