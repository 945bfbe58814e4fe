# Sourced by the bindings' test scripts (from the repository's top folder): exports ECCRYPT_TOOL,
# the eccrypt tool their interoperability tests drive. Unless the caller named one, it is the
# release build's, built when missing.
if [ -z "${ECCRYPT_TOOL:-}" ]; then
  if [ ! -x build/release/tool/eccrypt ]; then
    cmake --preset release >/dev/null
    cmake --build --preset release --target eccrypt_tool
  fi
  export ECCRYPT_TOOL=$PWD/build/release/tool/eccrypt
fi
