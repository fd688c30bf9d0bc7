#!/bin/sh
# Sets up the machine (the build and run package lists), builds, and runs a
# program on the bundled demo story.
# Usage: scripts/run.sh [scenewalk|quillforge]   (default: scenewalk, the player)
# Without a display (no $DISPLAY) the program runs under Xvfb.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
prog="${1:-scenewalk}"
case "$prog" in
    scenewalk|quillforge) ;;
    *) echo "usage: $0 [scenewalk|quillforge]" >&2; exit 2 ;;
esac
./scripts/build.sh build run
cd "${QS_BUILD_DIR:-build}/run"
if [ -z "${DISPLAY:-}" ]; then
    exec "$root/scripts/with-display.sh" "../$prog"
fi
exec "../$prog"
