#!/bin/sh
# Builds the sanitizer configuration and runs the whole test suite in it:
# clang with AddressSanitizer and UndefinedBehaviorSanitizer (any report
# fails the test), plus the libFuzzer targets, whose seed corpora are replayed
# as tests too. scripts/fuzz.sh then fuzzes from the same build.
# Usage: scripts/sanitize.sh   (build dir: $QS_SANITIZE_BUILD_DIR, default build-asan)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build="${QS_SANITIZE_BUILD_DIR:-build-asan}"
launcher=""
# Paths relative to the checkout, so every clone on this machine shares the cache.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake --preset asan -B "$build" $launcher
cmake --build "$build"

# Leaks are reported, except those of system libraries listed in the
# suppression file (each entry says why); our own code has none listed.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:suppressions=$root/scripts/asan.supp}"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$root/scripts/with-display.sh" \
    ctest --test-dir "$build" --output-on-failure -j2 --timeout 600
