#!/usr/bin/env bash
# Builds the release preset and runs every benchmark, writing docs/performance.md: the core's
# micro-benchmarks, then the real game and a bare Qt window on a private Xvfb display driven
# with real X input. Takes about five minutes; needs no display of its own.
#
# MORVANE_BENCH_BUILD_DIR builds elsewhere than build/release (same preset and options).
# MORVANE_BENCH_BEFORE names an earlier build's morvane, whose run's end is measured beside this
# one's.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh check

build_dir="${MORVANE_BENCH_BUILD_DIR:-build/release}"
cmake --preset release -B "${build_dir}"
cmake --build "${build_dir}" --parallel 2 --target core_bench bare_qt tick_bench xprobe morvane

# Debian's own Python: it has the AT-SPI bindings the counts are read back with.
before=()
if [[ -n "${MORVANE_BENCH_BEFORE:-}" ]]; then
    before=(--before-game "${MORVANE_BENCH_BEFORE}")
fi
/usr/bin/python3 bench/run_bench.py --build-dir "${build_dir}" --output docs/performance.md \
    --command "bash scripts/bench.sh" "${before[@]}"
