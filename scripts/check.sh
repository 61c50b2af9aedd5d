#!/usr/bin/env bash
# Everything CI checks, cheapest failure first: formatting, the warnings-as-errors build and
# its tests, the same under AddressSanitizer and UBSan, then clang-tidy.
# Exits non-zero on the first failure.
#
# MORVANE_CMAKE_ARGS adds configure options (e.g. -DMORVANE_SHELL=none) for a local try;
# CI sets none.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."
root="$(pwd -P)"
jobs=2
read -r -a extra_cmake_args <<<"${MORVANE_CMAKE_ARGS:-}"

section() { printf '\n==== %s ====\n' "$*"; }

# Tests make real windows; keep them off any desktop and independent of one.
export QT_QPA_PLATFORM=offscreen

section "Dependencies"
bash scripts/install-deps.sh
echo "all build and test packages are installed"

section "clang-format"
mapfile -t sources < <(git ls-files -- '*.h' '*.cpp')
if ((${#sources[@]} == 0)); then
    echo "no tracked sources to check" >&2
    exit 1
fi
clang-format --dry-run -Werror "${sources[@]}"
echo "${#sources[@]} files are formatted"

# --fresh: no option left in an old cache (e.g. the window switched off) changes what is
# checked; ninja still rebuilds only what changed.
for preset in ci asan; do
    section "Configure and build: ${preset}"
    cmake --preset "${preset}" --fresh "${extra_cmake_args[@]}"
    cmake --build --preset "${preset}" --parallel "${jobs}"

    section "Tests: ${preset}"
    ctest --preset "${preset}" --parallel "${jobs}"
done

# MORVANE_FUZZ_SECONDS (default 60) sets how long the fuzzer runs.
section "Fuzz the number reader: ${MORVANE_FUZZ_SECONDS:-60} s"
cmake --preset fuzz --fresh -DMORVANE_FUZZ_SECONDS="${MORVANE_FUZZ_SECONDS:-60}"
cmake --build --preset fuzz --parallel "${jobs}"
ctest --preset fuzz

section "clang-tidy"
# Our own translation units only: moc/rcc output lives under build/ and is not ours.
tidy_files=()
while IFS= read -r file; do
    relative="${file#"${root}/"}"
    if [[ "${relative}" != "${file}" && "${relative}" =~ ^(clicktest|window|tests|bench|tools)/.+\.cpp$ ]]; then
        tidy_files+=("${file}")
    fi
done < <(sed -n 's/^[[:space:]]*"file":[[:space:]]*"\(.*\)",\{0,1\}[[:space:]]*$/\1/p' \
    build/ci/compile_commands.json | sort -u)
if ((${#tidy_files[@]} == 0)); then
    echo "no project sources found in build/ci/compile_commands.json" >&2
    exit 1
fi
printf 'checking %d files\n' "${#tidy_files[@]}"
# .clang-tidy makes every warning an error, so any finding fails here.
if command -v run-clang-tidy >/dev/null 2>&1 && command -v python3 >/dev/null 2>&1; then
    # run-clang-tidy takes regexes; anchor each path so it matches only itself.
    patterns=()
    for file in "${tidy_files[@]}"; do
        patterns+=("^$(printf '%s' "${file}" | sed 's/[][\.*^$+?(){}|]/\\&/g')\$")
    done
    run-clang-tidy -p build/ci -j "${jobs}" -quiet "${patterns[@]}"
else
    printf '%s\0' "${tidy_files[@]}" | xargs -0 -n 1 -P "${jobs}" clang-tidy -p build/ci --quiet
fi
echo "clang-tidy found nothing"

section "All checks passed"
