#!/usr/bin/env bash
# Takes the README's pictures of the desktop game into docs/images/ as a player sees it: on an X
# server (Xvfb) with the design's 96 dots per inch and a common 1024x768 screen, in the fonts the
# system has. window.png and rating.png are the Linux game (tools/screenshots.cpp), windows.png
# is Morvane.exe from the windows-x64 build under Wine (tools/wine_screenshot.py). The page's
# picture is scripts/screenshots-web.sh's.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh check
cmake --preset dev >/dev/null
cmake --build --preset dev --target morvane_screenshots
cmake --preset windows-x64 >/dev/null
cmake --build --preset windows-x64 --target morvane

# Nothing of the caller's desktop: no Wayland, no Qt settings, no locale.
unset WAYLAND_DISPLAY LANG LANGUAGE
while IFS= read -r name; do
    unset "${name}"
done < <(compgen -e | grep -E '^(QT_|LC_)')
export QT_QPA_PLATFORM=xcb
XDG_RUNTIME_DIR="$(mktemp -d)"
export XDG_RUNTIME_DIR
trap 'rm -rf "${XDG_RUNTIME_DIR}"' EXIT

on_xvfb() {
    xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96 -nolisten tcp" "$@"
}
on_xvfb ./build/dev/tools/morvane_screenshots docs/images
on_xvfb /usr/bin/python3 tools/wine_screenshot.py tests/tools/wine-run \
    build/windows-x64/window/win32/Morvane.exe docs/images/windows.png
