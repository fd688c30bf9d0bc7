#!/bin/sh
# Installs the Debian packages listed in scripts/packages.txt that are missing.
# Idempotent: when everything is present it only runs dpkg-query and exits.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
list="$here/packages.txt"
missing=""
for pkg in $(grep -v '^[[:space:]]*#' "$list" | grep -v '^[[:space:]]*$'); do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $pkg"
    fi
done
if [ -z "$missing" ]; then
    echo "install-deps: all packages present"
    exit 0
fi
echo "install-deps: installing$missing"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
