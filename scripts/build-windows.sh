#!/usr/bin/env bash
# Cross-builds Morvane.exe for 64-bit and 32-bit Windows and packs each with its read-me and
# licence into a zip named for the version, in build/windows-x64/ and build/windows-x86/.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh windows
for preset in windows-x64 windows-x86; do
    # The programs alone: the tests run under Wine, which scripts/check.sh brings.
    cmake --preset "${preset}" -DMORVANE_SYSTEM_TESTS=OFF
    cmake --build --preset "${preset}" --parallel 2
    cpack --preset "${preset}" -B "build/${preset}"
done
ls -l build/windows-x64/Morvane-*.zip build/windows-x86/Morvane-*.zip
