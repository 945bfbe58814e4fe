#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the tool and the lint step need, when any
# is missing.
# Safe to run repeatedly; needs root (or sudo) only when something has to be installed.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config git
          libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
          libsodium-dev libcli11-dev
          clang libclang-rt-14-dev
          clang-format clang-tidy cppcheck valgrind)
if [ "${ECCRYPT_SETUP_EXTRA:-}" != "" ]; then
  read -r -a extra <<<"$ECCRYPT_SETUP_EXTRA"
  packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}" >&2
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
