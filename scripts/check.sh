#!/usr/bin/env bash
# Everything CI checks, cheapest failure first: formatting, the Python lint, the
# warnings-as-errors build and its tests, the same under AddressSanitizer and UBSan, the Windows
# and web builds and their tests, then clang-tidy.
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
bash scripts/install-deps.sh check
echo "all build and test packages are installed"

section "clang-format"
# The sources are formatted by clang-format 14 (Debian 12's). Later versions lay out some
# constructs differently under the same .clang-format, so the check runs only with that version,
# and elsewhere says that it skips.
format_version=14
version="$(clang-format --version | sed -n 's/.*clang-format version \([0-9]*\).*/\1/p')"
if [[ "${version}" != "${format_version}" ]]; then
    echo "skipped: the formatting is clang-format ${format_version}'s, and this is clang-format" \
        "${version:-of an unknown version}, whose layout differs; the check runs on Debian 12"
else
    mapfile -t sources < <(git ls-files -- '*.h' '*.cpp')
    if ((${#sources[@]} == 0)); then
        echo "no tracked sources to check" >&2
        exit 1
    fi
    clang-format --dry-run -Werror "${sources[@]}"
    echo "${#sources[@]} files are formatted"
fi

section "flake8"
# All the tracked Python (tests, benchmarks, tools), by .flake8.
mapfile -t python_sources < <(git ls-files -- '*.py')
if ((${#python_sources[@]} == 0)); then
    echo "no tracked Python to check" >&2
    exit 1
fi
flake8 "${python_sources[@]}"
echo "${#python_sources[@]} Python files are clean"

# --fresh: no option left in an old cache (e.g. the window switched off) changes what is
# checked; ninja still rebuilds only what changed.
for preset in ci asan; do
    section "Configure and build: ${preset}"
    cmake --preset "${preset}" --fresh "${extra_cmake_args[@]}"
    cmake --build --preset "${preset}" --parallel "${jobs}"

    section "Tests: ${preset}"
    ctest --preset "${preset}" --parallel "${jobs}"
done

section "Windows: build 64-bit and 32-bit"
for preset in windows-x64 windows-x86; do
    cmake --preset "${preset}" --fresh "${extra_cmake_args[@]}"
    cmake --build --preset "${preset}" --parallel "${jobs}"
done

section "Windows: tests under Wine"
# Wine's windows need an X server; each whole-program test brings its own besides. The 32-bit
# program is inspected everywhere and played only where this machine runs 32-bit programs.
for preset in windows-x64 windows-x86; do
    xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -dpi 96" \
        ctest --preset "${preset}" --parallel "${jobs}"
done
if ! reason="$(bash scripts/runs-32-bit.sh 2>&1)"; then
    echo "skipped: the 32-bit Morvane.exe under Wine, since ${reason}"
fi

section "Web: build, and the page's tests in headless Chromium"
# The core's tests run as WebAssembly under node; the page's in a real browser.
web_started=${SECONDS}
cmake --preset web --fresh "${extra_cmake_args[@]}"
cmake --build --preset web --parallel "${jobs}"
ctest --preset web --parallel "${jobs}"
echo "the web section took $((SECONDS - web_started)) s"

# MORVANE_FUZZ_SECONDS (default 60) sets how long the fuzzer runs.
section "Fuzz the number reader: ${MORVANE_FUZZ_SECONDS:-60} s"
cmake --preset fuzz --fresh -DMORVANE_FUZZ_SECONDS="${MORVANE_FUZZ_SECONDS:-60}"
cmake --build --preset fuzz --parallel "${jobs}"
ctest --preset fuzz

section "clang-tidy"
# Our own translation units only (moc/rcc output lives under build/ and is not ours), from the
# Linux build and, for the Windows-only ones, the 64-bit Windows build; and the web build's
# sources outside tests/, which compile against emscripten's libc++ and take other branches there.
project_sources() {
    sed -n 's/^[[:space:]]*"file":[[:space:]]*"\(.*\)",\{0,1\}[[:space:]]*$/\1/p' "$1/compile_commands.json" \
        | sed "s#^${root}/##" | grep -E '^(clicktest|window|tests|bench|tools)/.+\.cpp$' | sort -u
}
mapfile -t linux_files < <(project_sources build/ci)
mapfile -t windows_files < <(comm -13 <(project_sources build/ci) <(project_sources build/windows-x64))
mapfile -t web_files < <(project_sources build/web | grep -v '^tests/')
if ((${#linux_files[@]} == 0 || ${#windows_files[@]} == 0 || ${#web_files[@]} == 0)); then
    echo "no project sources found in the compile databases" >&2
    exit 1
fi
# clang reads the Windows build's compile commands as MinGW's g++ would, with its C++ library.
windows_args=(--extra-arg=--target=x86_64-w64-mingw32)
for dir in $(echo | x86_64-w64-mingw32-g++-posix -E -x c++ - -v 2>&1 | grep -E '^ /.*/include/c\+\+'); do
    windows_args+=("--extra-arg=-isystem${dir}")
done
# The web build's commands name em++, which clang-tidy does not know: it gets the target, sysroot
# and defines em++ adds, but not the backend's -mllvm options, nor -fignore-exceptions, which
# em++ reports for a build without our -fexceptions.
web_args=()
read -r -a em_flags <<<"$(em++ --cflags)"
for ((i = 0; i < ${#em_flags[@]}; i++)); do
    case "${em_flags[i]}" in
    -mllvm) ((i += 1)) ;;
    -fignore-exceptions) ;;
    *) web_args+=("--extra-arg-before=${em_flags[i]}") ;;
    esac
done
printf 'checking %d Linux, %d Windows and %d web files\n' "${#linux_files[@]}" "${#windows_files[@]}" \
    "${#web_files[@]}"
# .clang-tidy makes every warning an error, so any finding fails here.
# Only findings are printed: clang-tidy's count of the warnings it suppressed in system headers is
# left out.
{
    printf '%s\0' "${linux_files[@]}" | xargs -0 -n 4 -P "${jobs}" clang-tidy -p build/ci --quiet
    printf '%s\0' "${windows_files[@]}" \
        | xargs -0 -n 4 -P "${jobs}" clang-tidy -p build/windows-x64 --quiet "${windows_args[@]}"
    printf '%s\0' "${web_files[@]}" \
        | xargs -0 -n 4 -P "${jobs}" clang-tidy -p build/web --quiet "${web_args[@]}"
} 2> >(grep -v '^[0-9]* warnings\? generated\.$' >&2)
echo "clang-tidy found nothing"

section "All checks passed"
