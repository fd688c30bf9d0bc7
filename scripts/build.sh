#!/bin/sh
# Installs what is missing, then configures and builds the main tree.
# Usage: scripts/build.sh [LIST...]   (package lists of scripts/install-deps.sh,
# default build; build dir: $QS_BUILD_DIR, default build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
[ $# -gt 0 ] || set -- build
./scripts/install-deps.sh "$@"
build="${QS_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
