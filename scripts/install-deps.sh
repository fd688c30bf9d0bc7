#!/bin/sh
# Installs the Debian packages of the named lists that are missing:
# scripts/packages-<list>.txt for build, run and test.
# Usage: scripts/install-deps.sh [build] [run] [test]   (default: all three)
# Idempotent: when everything is present it only runs dpkg-query and exits.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- build run test
missing=""
for name in "$@"; do
    list="$here/packages-$name.txt"
    [ -f "$list" ] || { echo "install-deps: no package list $list" >&2; exit 2; }
    for pkg in $(grep -v '^[[:space:]]*#' "$list" | grep -v '^[[:space:]]*$'); do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $pkg"
        fi
    done
done
if [ -z "$missing" ]; then
    echo "install-deps: all packages present ($*)"
    exit 0
fi
echo "install-deps: installing$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
