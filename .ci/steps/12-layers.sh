#!/usr/bin/env bash
# The library's layers: no file includes a header of a layer above its own (see the list in
# scripts/check-layers.py).
set -euo pipefail
cd "$(dirname "$0")/../.."
python3 scripts/check-layers.py
