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
# The default preset (gcc, warnings as errors); ccache speeds rebuilds when present.
launcher=""
# Paths relative to the checkout, so every clone on this machine shares the cache.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake --preset default -B "$build" $launcher
cmake --build "$build"
