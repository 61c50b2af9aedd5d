#!/usr/bin/env bash
# Cross-builds Morvane.exe for 64-bit and 32-bit Windows and packs each with its read-me and
# licence: build/windows-x64/Morvane-VERSION-windows-x64.zip and build/windows-x86/...-x86.zip.
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
