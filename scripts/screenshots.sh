#!/usr/bin/env bash
# Takes the README's pictures as a player sees the game: on an X server (Xvfb) with the design's
# 96 dots per inch and a common 1024x768 screen, in the fonts the system has. docs/images/ holds
# them at the design's size, docs/images/2x/ at twice it, for screens that scale by two.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh check
cmake --preset dev >/dev/null
cmake --build --preset dev --target morvane_screenshots

# Nothing of the caller's desktop: no Wayland, no Qt settings, no locale.
unset WAYLAND_DISPLAY LANG LANGUAGE
while IFS= read -r name; do
    unset "${name}"
done < <(compgen -e | grep -E '^(QT_|LC_)')
export QT_QPA_PLATFORM=xcb
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
trap 'rm -rf "${XDG_RUNTIME_DIR}"' EXIT

# take FOLDER SCALE: the screen grows with the scale, so the program sees the same 1024x768
# and lays its boxes out as at the design's size.
take() {
    mkdir -p "$1"
    QT_SCALE_FACTOR="$2" xvfb-run --auto-servernum \
        --server-args="-screen 0 $((1024 * $2))x$((768 * $2))x24 -dpi 96 -nolisten tcp" \
        ./build/dev/tools/morvane_screenshots "$1"
}
take docs/images 1
take docs/images/2x 2
