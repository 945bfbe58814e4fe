#!/usr/bin/env bash
# The library's suites, the concurrency stress test among them, under ThreadSanitizer; then the
# tool's read-ahead and write-behind threads (their unit tests), built with the tool in a
# configuration of their own so that the library's suites need not build the tool.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/test.sh tsan
cmake --preset tsan -B build/tsan-tool -DECCRYPT_BUILD_TOOL=ON >/dev/null
cmake --build build/tsan-tool -j 2 --target eccrypt_tool_tests
TSAN_OPTIONS=halt_on_error=1 build/tsan-tool/tests/tool/eccrypt_tool_tests --gtest_filter='Background*'
