#!/usr/bin/env bash
# Installs the Debian packages of one purpose: play, deb (the Debian package), windows (the
# Windows build), web (the browser page) or check (everything the check needs, the others
# included). Each list is scripts/packages/NAME.list; check also brings the page's test tools
# from npm. Installs only what is missing and prints nothing when nothing is, so every script can
# call it first. Runs as root, or through sudo when there is one.
#
#     bash scripts/install-deps.sh play|deb|windows|web|check
set -euo pipefail

here="$(dirname "${BASH_SOURCE[0]}")"
# The tests' locales: German writes 4,1 in the Linux shell; French is the Windows build's user
# locale under Wine, which from Wine 10 on needs it made.
locale_names=(de_DE.UTF-8 fr_FR.UTF-8)

log() { printf 'install-deps: %s\n' "$*"; }

if (($# != 1)) || [[ ! -f "${here}/packages/$1.list" ]]; then
    echo "usage: bash scripts/install-deps.sh play|deb|windows|web|check" >&2
    exit 2
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

# read_list NAME: the package names of a list and of the lists it includes, once each. A line is
# a package and its reason, or "include NAME"; # starts a comment.
declare -A listed=()
packages=()
read_list() {
    local name reason
    while read -r name reason; do
        if [[ -z "${name}" || "${name}" == \#* ]]; then
            continue
        elif [[ "${name}" == include ]]; then
            read_list "${reason%% *}"
        elif [[ -z "${listed[${name}]:-}" ]]; then
            listed[${name}]=1
            packages+=("${name}")
        fi
    done <"${here}/packages/$1.list"
}
read_list "$1"

# Packages of the i386 architecture (Wine's 32-bit half) can start only where the machine runs
# 32-bit programs; elsewhere they are left out, and the tests that need them skip.
wanted=()
for package in "${packages[@]}"; do
    if [[ "${package}" == *:i386 ]] && ! bash "${here}/runs-32-bit.sh" 2>/dev/null; then
        continue
    fi
    wanted+=("${package}")
done

# What the installed packages provide besides themselves (a Node.js that brings its own npm).
declare -A provided=()
while read -r name; do
    [[ -n "${name}" ]] && provided[${name}]=1
done < <(dpkg-query -W -f='${db:Status-Status} ${Provides}\n' 2>/dev/null \
    | sed -n 's/^installed //p' | tr ',' '\n' | sed 's/(.*)//; s/[[:space:]]//g')

is_installed() {
    [[ -n "${provided[$1]:-}" ]] \
        || [[ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" == installed ]]
}

missing=()
for package in "${wanted[@]}"; do
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

if [[ -n "${listed[locales]:-}" ]]; then
    # locale -a spells UTF-8 as "utf8".
    has_locale() { locale -a 2>/dev/null | grep -qix "${1%.UTF-8}\.utf-\?8"; }
    generate=()
    for locale_name in "${locale_names[@]}"; do
        has_locale "${locale_name}" && continue
        generate+=("${locale_name}")
        # Uncomment the entry when present, otherwise add one.
        if [[ -f /etc/locale.gen ]] && grep -q "^#[[:space:]]*${locale_name} UTF-8" /etc/locale.gen; then
            as_root sed -i "s/^#[[:space:]]*\(${locale_name} UTF-8\)/\1/" /etc/locale.gen
        elif ! { [[ -f /etc/locale.gen ]] && grep -q "^${locale_name} UTF-8" /etc/locale.gen; }; then
            echo "${locale_name} UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
        fi
    done
    if ((${#generate[@]} > 0)); then
        log "generating the locale ${generate[*]}"
        as_root locale-gen >/dev/null
        for locale_name in "${generate[@]}"; do
            if ! has_locale "${locale_name}"; then
                log "the ${locale_name} locale is still missing after locale-gen" >&2
                exit 1
            fi
        done
    fi
fi

# The page's audit (axe-core) and the linter for its JavaScript (ESLint) come from npm, at the
# versions tests/web/package-lock.json pins; installed again only when that lock changes.
if [[ -n "${listed[npm]:-}" ]]; then
    web_tests="${here}/../tests/web"
    if ! cmp -s "${web_tests}/package-lock.json" "${web_tests}/node_modules/.morvane-lock"; then
        log "installing the page's test tools from npm (tests/web/package-lock.json)"
        (cd "${web_tests}" && npm ci --no-audit --no-fund --loglevel=error)
        cp "${web_tests}/package-lock.json" "${web_tests}/node_modules/.morvane-lock"
    fi
fi
