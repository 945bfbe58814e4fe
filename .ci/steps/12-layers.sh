#!/usr/bin/env bash
# The library's layers (cmake/Layers.cmake): every library header compiles on its own with only
# its layer's include path, so no header reaches a layer above its own. The sources are held to
# the same rule by the normal build, and the layers.* tests show an upward include fails.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --preset release >/dev/null
cmake --build --preset release --target eccrypt_layer_headers
