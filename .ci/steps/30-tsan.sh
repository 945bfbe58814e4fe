#!/usr/bin/env bash
# The library's suites, the concurrency stress test among them, under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/../.."
bash scripts/test.sh tsan
