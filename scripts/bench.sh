#!/usr/bin/env bash
# Builds the release preset and runs the desktop benchmarks, writing docs/performance.md all but
# its web sections (bench/web_bench.py's and bench/web_lighthouse.py's): the core's
# micro-benchmarks, then the real game and a bare Qt window on a private Xvfb display driven with
# real X input, and for the run's end the game on a headless sway too and the Windows build's
# Morvane.exe under Wine. Takes about ten minutes; needs no display of its own.
#
# MORVANE_BENCH_BUILD_DIR builds elsewhere than build/release (same preset and options).
# MORVANE_BENCH_BEFORE names an earlier build's morvane, whose run's end is measured beside this
# one's; MORVANE_BENCH_WINDOWS_BEFORE does the same for an earlier build's Morvane.exe.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh check

build_dir="${MORVANE_BENCH_BUILD_DIR:-build/release}"
cmake --preset release -B "${build_dir}"
cmake --build "${build_dir}" --parallel 2 --target core_bench bare_qt xprobe morvane
# The Windows program and the probe that reads its window, from the preset the Wine tests use.
cmake --preset windows-x64
cmake --build --preset windows-x64 --parallel 2 --target morvane window_probe

# Debian's own Python: it has the AT-SPI bindings the counts are read back with.
before=()
if [[ -n "${MORVANE_BENCH_BEFORE:-}" ]]; then
    before=(--before-game "${MORVANE_BENCH_BEFORE}")
fi
if [[ -n "${MORVANE_BENCH_WINDOWS_BEFORE:-}" ]]; then
    before+=(--before-windows-game "${MORVANE_BENCH_WINDOWS_BEFORE}")
fi
/usr/bin/python3 bench/run_bench.py --build-dir "${build_dir}" --output docs/performance.md \
    --windows-build-dir build/windows-x64 --command "bash scripts/bench.sh" "${before[@]}"
