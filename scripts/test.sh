#!/bin/sh
# Sets up a fresh Debian 12 machine, builds everything and runs every test.
# Usage: scripts/test.sh   (build dirs: build/, and build-asan/ for the
# sanitizer run and the fuzz targets; QS_FUZZ_SECONDS per target, default 20)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
./scripts/build.sh build run test
build="${QS_BUILD_DIR:-build}"
# GL tests need an X server; tests that need none run the same way.
./scripts/with-display.sh \
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
# The Debian packages: built, checked by lintian, installed with apt-get,
# run as a new user would, removed.
./scripts/with-display.sh ./scripts/test-packages.sh
# The same suite again under AddressSanitizer and UndefinedBehaviorSanitizer,
# then every fuzz target for a short run, both from one clang build tree.
./scripts/sanitize.sh
./scripts/fuzz.sh "${QS_FUZZ_SECONDS:-20}"
