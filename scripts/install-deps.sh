#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing, linting and playing Morvane need,
# and the de_DE.UTF-8 locale a test uses for its comma decimal separator.
# Installs only what is missing and prints nothing when nothing is, so every script can
# call it first. Runs as root, or through sudo when there is one.
set -euo pipefail

packages=(
    # Toolchain and build
    build-essential cmake ninja-build pkg-config git ca-certificates
    # Qt 6 Widgets, with moc/uic/rcc
    qt6-base-dev qt6-base-dev-tools
    # Tests and benchmarks
    libgtest-dev libgmock-dev libbenchmark-dev
    # Format and lint
    clang-format clang-tidy
    # Fonts the window is designed with, so text measures the same everywhere
    fonts-liberation2 fonts-dejavu-core
    # A display for the game when there is no desktop session
    xvfb xauth x11-utils
    # The lost-press test and the benchmarks: XTest input from our own probe, the count read
    # back over AT-SPI (with the bus below), peak memory from /usr/bin/time
    libx11-dev libxtst-dev python3 python3-gi gir1.2-atspi-2.0 time
    # The number reader's fuzzer (clang's libFuzzer) and the leak check
    clang libclang-rt-14-dev valgrind
    # The system tests' hands and eyes: XTest input (the Wine run's too), window dumps, and the
    # accessibility bus that AT-SPI is read from, with the bindings above
    xdotool x11-apps dbus-daemon at-spi2-core
    # Packaging and its checks: the Debian package's computed Depends (dpkg-shlibdeps), the
    # desktop entry, AppStream and lintian validators, and the Windows resource compiler
    dpkg-dev desktop-file-utils appstream lintian binutils-mingw-w64-x86-64
    # Redrawing the icons from their SVG (packaging/icons/render.sh)
    librsvg2-bin icoutils
    # The Windows shell: cross-built with mingw-w64 (the POSIX-threads compilers, for std::thread),
    # GoogleTest's sources to build the tests for it, Wine to run them, zip for the packages
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest wine wine64 zip
    # Locale generation
    locales
    # The game on Wayland: Qt's platform plugin for it (the package recommends it too), and
    # Debian's reference compositor for the Wayland test
    qt6-wayland weston
)

locale_name=de_DE.UTF-8

log() { printf 'install-deps: %s\n' "$*"; }

# Wine's 32-bit half plays the 32-bit Morvane.exe too, on the i386 architecture added below; only
# where the machine runs 32-bit programs, since elsewhere it cannot start.
if bash "$(dirname "${BASH_SOURCE[0]}")/runs-32-bit.sh" 2>/dev/null; then
    packages+=(wine32:i386)
fi

# Run a command as root: directly when we are root, otherwise through sudo.
as_root() {
    if [[ ${EUID} -eq 0 ]]; then
        "$@"
    elif command -v sudo >/dev/null 2>&1; then
        sudo "$@"
    else
        log "need root to run: $* (run this script as root, or install sudo)" >&2
        exit 1
    fi
}

is_installed() {
    [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" == installed ]]
}

missing=()
for package in "${packages[@]}"; do
    is_installed "${package}" || missing+=("${package}")
done

if ((${#missing[@]} > 0)); then
    if [[ " ${missing[*]} " == *:i386\ * ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        log "adding the i386 architecture, for Wine's 32-bit half"
        as_root dpkg --add-architecture i386
    fi
    log "installing ${missing[*]}"
    apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=300)
    as_root "${apt_get[@]}" update
    as_root "${apt_get[@]}" install --no-install-recommends "${missing[@]}"
fi

# locale -a spells UTF-8 as "utf8".
has_locale() { locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; }

if ! has_locale; then
    log "generating the ${locale_name} locale"
    # Uncomment the entry when present, otherwise add one.
    if [[ -f /etc/locale.gen ]] && grep -q "^#[[:space:]]*${locale_name} UTF-8" /etc/locale.gen; then
        as_root sed -i "s/^#[[:space:]]*\(${locale_name} UTF-8\)/\1/" /etc/locale.gen
    elif ! { [[ -f /etc/locale.gen ]] && grep -q "^${locale_name} UTF-8" /etc/locale.gen; }; then
        echo "${locale_name} UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    fi
    as_root locale-gen >/dev/null
    if ! has_locale; then
        log "the ${locale_name} locale is still missing after locale-gen" >&2
        exit 1
    fi
fi
