#!/usr/bin/env bash
# The offline page: built from web/src/ and the JavaScript package (built by 60-js.sh), then
# opened from file:// in headless Chromium, which must make no network request; files the page
# makes are checked with the release build's eccrypt tool (built when missing), and the tool's
# files in the page. The screenshot is left in build/web/page.png.
set -euo pipefail
cd "$(dirname "$0")/../.."
start=$(date +%s)
bash scripts/setup.sh web
bash scripts/build-web.sh
source scripts/tool-for-tests.sh
node --test web/test/browser.test.mjs
echo "61-web.sh: page built and tested in $(( $(date +%s) - start )) s"
