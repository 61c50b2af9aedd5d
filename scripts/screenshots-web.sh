#!/usr/bin/env bash
# Redraws the README's pictures of the page, docs/images/web.png and docs/images/2x/web.png: the
# page as a phone shows it, taken by the page's scale test from a fresh build in headless Chromium.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh check
cmake --preset web
cmake --build --preset web --parallel 2
/usr/bin/python3 tests/web/page_test.py --page build/web/Morvane.html --screenshots docs/images
