#!/usr/bin/env bash
# Builds Morvane's Debian package (package preset) and installs it; apt-get brings in the
# runtime libraries it depends on. Runs as root, or through sudo when there is one.
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")/.."

bash scripts/install-deps.sh deb
cmake --preset package
cmake --build --preset package --parallel 2
# A package left from an older version must not be installed instead of this one.
rm -f build/package/morvane_*.deb
cpack --preset package

packages=(build/package/morvane_*.deb)
apt_get=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y install "./${packages[0]}")
if [[ ${EUID} -eq 0 ]]; then
    "${apt_get[@]}"
else
    sudo "${apt_get[@]}"
fi
