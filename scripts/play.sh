#!/usr/bin/env bash
# Installs what building and running the game needs, builds the game alone (play preset) and
# starts it. Arguments are passed on to the game.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh play
cmake --preset play
cmake --build --preset play --parallel 2

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "play.sh: Morvane is a desktop game and needs a desktop session, but neither DISPLAY" \
        "nor WAYLAND_DISPLAY is set. It is built at build/play/window/qt/morvane; to run it on a" \
        "virtual display instead: xvfb-run -a bash scripts/play.sh" >&2
    exit 1
fi

exec ./build/play/window/qt/morvane "$@"
