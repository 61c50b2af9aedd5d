#!/usr/bin/env bash
# Runs one of the README's two commands as a new user would: in a fresh minimal Debian root of a
# named release with only git added, made with debootstrap from this machine's own apt mirror,
# as root there, on a clone of this repository's committed HEAD. Prints how long it took and how
# many packages it installed, then deletes the root.
#
#     bash scripts/fresh-root.sh bookworm|trixie play|check
#
# play is given this machine's X display (DISPLAY, and XAUTHORITY when set) in place of a
# player's desktop: it reports when the game's window appears on it, and then ends the game.
# Needs root, debootstrap and, for play, xwininfo (x11-utils). Takes a few minutes for play and
# about a quarter of an hour for check on 2 cores; MORVANE_KEEP_ROOT=1 keeps the root for a look
# afterwards.
set -euo pipefail

if (($# != 2)) || [[ ! "$1" =~ ^(bookworm|trixie)$ || ! "$2" =~ ^(play|check)$ ]]; then
    echo "usage: bash scripts/fresh-root.sh bookworm|trixie play|check" >&2
    exit 2
fi
release="$1"
command="$2"
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
log() { printf 'fresh-root: %s\n' "$*"; }

if [[ ${EUID} -ne 0 ]]; then
    log "needs root, for debootstrap and chroot" >&2
    exit 1
fi
if [[ "${command}" == play && -z "${DISPLAY:-}" ]]; then
    log "play needs an X display to show the game on (DISPLAY); try: xvfb-run -a $0 $*" >&2
    exit 1
fi

# The Debian archive this machine installs from, as apt's sources name it (one-line or deb822).
# Any of the files may be missing.
mirror="$(shopt -s nullglob
    sed -e 's/#.*//' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
        /etc/apt/sources.list.d/*.sources 2>/dev/null \
        | grep -oE '(https?|file)://[^[:space:]]*/debian/?([[:space:]]|$)' \
        | sed -n '1{s/[[:space:]]//g;p}' || true)"
if [[ -z "${mirror}" ]]; then
    log "found no Debian mirror in /etc/apt/sources.list*" >&2
    exit 1
fi

root="$(mktemp -d "${MORVANE_ROOTS_DIR:-/var/tmp}/morvane-${release}-${command}.XXXXXX")"
mounts=()
game=""
cleanup() {
    if [[ -n "${game}" ]]; then
        kill -- "-${game}" 2>/dev/null || true
    fi
    # Inner mounts first; nothing is deleted while anything is still mounted inside the root.
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount -R "${mounts[i]}" 2>/dev/null || umount -lR "${mounts[i]}" || true
    done
    if findmnt -rn -o TARGET | grep -q "^${root}/"; then
        log "something is still mounted in ${root}; left in place" >&2
    elif [[ "${MORVANE_KEEP_ROOT:-0}" == 1 ]]; then
        log "kept ${root}"
    else
        rm -rf "${root}"
    fi
}
trap cleanup EXIT

log "making a minimal ${release} root in ${root} from ${mirror}"
debootstrap --variant=minbase --include=git "${release}" "${root}" "${mirror}" >"${root}.log" 2>&1 \
    || { log "debootstrap failed; see ${root}.log" >&2; exit 1; }
rm -f "${root}.log"
cp /etc/resolv.conf "${root}/etc/resolv.conf"
# As in any chroot: packages' services are not started.
printf '#!/bin/sh\nexit 101\n' >"${root}/usr/sbin/policy-rc.d"
chmod +x "${root}/usr/sbin/policy-rc.d"

git clone --quiet --no-hardlinks "file://${repo}" "${root}/root/morvane"
git -C "${root}/root/morvane" checkout --quiet "$(git -C "${repo}" rev-parse HEAD)"

bind() {
    mkdir -p "${root}$2"
    mount "${@:3}" "$1" "${root}$2"
    mounts+=("${root}$2")
}
bind proc /proc -t proc
bind sysfs /sys -t sysfs
bind /dev /dev --rbind
bind tmpfs /tmp -t tmpfs
environment=(HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
    LANG=C.UTF-8 TERM="${TERM:-dumb}")
if [[ "${command}" == play ]]; then
    bind /tmp/.X11-unix /tmp/.X11-unix --bind
    environment+=(DISPLAY="${DISPLAY}")
    if [[ -n "${XAUTHORITY:-}" ]]; then
        cp "${XAUTHORITY}" "${root}/root/.Xauthority"
        environment+=(XAUTHORITY=/root/.Xauthority)
    fi
fi

count_packages() { chroot "${root}" dpkg-query -W -f='.\n' | wc -l; }
before="$(count_packages)"
started="$(date +%s)"
run_in_root() {
    chroot "${root}" /usr/bin/env -i "${environment[@]}" \
        bash -c "cd /root/morvane && bash scripts/${command}.sh"
}

if [[ "${command}" == check ]]; then
    status=0
    run_in_root || status=$?
    log "check on ${release}: status ${status} after $(($(date +%s) - started)) s;" \
        "$(($(count_packages) - before)) packages installed"
    exit "${status}"
fi

set -m
run_in_root </dev/null &
game=$!
set +m
until xwininfo -name Morvane 2>/dev/null | grep -q 'Map State: IsViewable'; do
    if ! kill -0 "${game}" 2>/dev/null; then
        wait "${game}" || true
        game=""
        log "play on ${release} ended before its window appeared" >&2
        exit 1
    fi
    sleep 0.5
done
log "play on ${release}: the window appeared after $(($(date +%s) - started)) s;" \
    "$(($(count_packages) - before)) packages installed"
