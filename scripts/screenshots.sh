#!/usr/bin/env bash
# Renders the README's pictures offscreen, at twice the size so they stay sharp on any screen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target morvane_screenshots
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 ./build/dev/tools/morvane_screenshots docs/images
