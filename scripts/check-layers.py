#!/usr/bin/env python3
"""Fails when a file of the library includes a header of a layer above its own.

The library is built in layers, each standing only on the ones below it (lowest first):

  params     the field, curve and base-point constants (ECCrypt/params)
  platform   messages, wiping, components, properties, streaming (ECPlatform)
  bigint     integers and the arithmetic modulo n (ECCrypt/bigint)
  field      the reference field GF(2^255) (ECCrypt/field)
  curve      the reference curve (ECCrypt/curve)
  fast       the fast engine and its constant-time helpers (ECCrypt/fast)
  pk         the public-key primitives over either engine (ECCrypt/pk)
  hash       the hash, the pass-phrase generator and runtime randomness (ECCrypt/hash)
  text       the hexadecimal and radix-64 text forms (ECCrypt/text)
  component  TEllipticCurve and its operations (ECCrypt/*.h, ECCrypt/*.cpp)

A file may include headers of its own layer and of any layer below. Run by .ci/steps.
Usage: python3 scripts/check-layers.py [repository root]
"""

import os
import re
import sys

LAYERS = ["params", "platform", "bigint", "field", "curve", "fast", "pk", "hash", "text",
          "component"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"((?:ECCrypt|ECPlatform)/[^"]+)"', re.M)


def layer_of(path):
    """The layer of a library file given relative to the root, or None outside the library."""
    parts = path.split("/")
    if parts[0] == "ECPlatform":
        return "platform"
    if parts[0] != "ECCrypt":
        return None
    if len(parts) == 2:
        return "component"
    if parts[1] not in LAYERS:
        raise SystemExit(f"{path}: folder ECCrypt/{parts[1]} belongs to no layer; add it to "
                         "LAYERS in scripts/check-layers.py")
    return parts[1]


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.dirname(
        os.path.abspath(__file__)))
    failures = []
    for top in ("ECCrypt", "ECPlatform"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")
                own = LAYERS.index(layer_of(path))
                with open(os.path.join(root, path), encoding="utf-8") as f:
                    text = f.read()
                for included in INCLUDE.findall(text):
                    other = layer_of(included)
                    if LAYERS.index(other) > own:
                        failures.append(f"{path} ({LAYERS[own]}) includes {included} ({other})")
    for line in failures:
        print("upward include:", line)
    if failures:
        print(f"FAILED: {len(failures)} include(s) reach a higher layer")
        return 1
    print("layers: every include reaches its own layer or one below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
