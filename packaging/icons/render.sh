#!/usr/bin/env bash
# Renders morvane.svg to the PNG sizes the desktop and the window use, and to the Windows .ico.
# The outputs are committed, so a build never needs the renderer: run this after editing the SVG.
# Needs rsvg-convert (librsvg2-bin) and icotool (icoutils).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

for size in 16 32; do
    rsvg-convert --width "${size}" --height "${size}" --output "morvane-${size}.png" morvane.svg
done
# Uncompressed (BMP) images inside the .ico, which every Windows version reads.
icotool --create --output morvane.ico morvane-16.png morvane-32.png
