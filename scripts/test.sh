#!/bin/sh
# Sets up a fresh Debian 12 machine, builds everything and runs every test.
# Usage: scripts/test.sh            (build dir: build/)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/install-deps.sh
build="${QS_BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build"
# GL tests need an X server; tests that need none run the same way.
xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
