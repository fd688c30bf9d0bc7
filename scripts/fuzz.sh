#!/bin/sh
# Runs every libFuzzer target of a QS_FUZZ build for a while, starting from
# the seed corpus in fuzz/corpus/<target>/. New inputs and any crash go to the
# build tree (<build>/fuzz-work/<target>/), never into the source tree.
# Usage: scripts/fuzz.sh [seconds per target] [target ...]
#   build dir: $QS_SANITIZE_BUILD_DIR (default build-asan), which
#   scripts/sanitize.sh configures; exit status 1 when any target failed.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build="${QS_SANITIZE_BUILD_DIR:-build-asan}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
seconds="${1:-50}"
[ $# -gt 0 ] && shift
targets="$*"
if [ -z "$targets" ]; then
    targets=$(cd "$root/fuzz/corpus" && ls)
fi

# Scratch files of the targets live in memory when the machine offers it.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
# Pictures of up to 64 Mi pixels are legal (256 MiB each); a small quarantine
# keeps freed ones from piling up towards the memory limit.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=32}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

status=0
for t in $targets; do
    exe="$build/fuzz/${t}_fuzz"
    if [ ! -x "$exe" ]; then
        echo "fuzz: $exe is missing (build with scripts/sanitize.sh)" >&2
        status=1
        continue
    fi
    work="$build/fuzz-work/$t"
    mkdir -p "$work/corpus" "$work/artifacts"
    log="$work/last.log"
    # OpenCV reserves the whole picture a header announces (up to 2^30 pixels)
    # before it finds the file short; only memory really used counts there.
    extra=""
    [ "$t" = other_image ] && extra="-malloc_limit_mb=16384"
    echo "fuzz: $t for ${seconds}s"
    if "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=3072 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$work/artifacts/" $extra \
        "$work/corpus" "$root/fuzz/corpus/$t" >"$log" 2>&1; then
        # The last status line: executions, coverage (cov) and features (ft).
        grep -E '^#[0-9]+' "$log" | tail -n 1
        grep -E '^stat::number_of_executed_units' "$log" || true
    else
        echo "fuzz: $t FAILED; input and log in $work" >&2
        tail -n 40 "$log" >&2
        status=1
    fi
done
exit $status
