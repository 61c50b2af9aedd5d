#!/usr/bin/env bash
# Builds the browser page: build/web/Morvane.html, one file with the game inside, to open from
# disk or to put on any static web server as it is.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh web
# The page alone: its tests run in Chromium, which scripts/check.sh brings.
cmake --preset web -DMORVANE_SYSTEM_TESTS=OFF -DMORVANE_BUILD_TESTS=OFF
cmake --build --preset web --parallel 2
ls -l build/web/Morvane.html
