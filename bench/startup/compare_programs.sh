#!/bin/bash
# Start-up, idle CPU and peak memory of a program against a baseline build of
# it, measured in the same run, interleaved, on a private Xvfb (Mesa's
# llvmpipe, SDL's dummy audio):
#   bench/startup/compare_programs.sh PROGRAM BASELINE RUN_DIR [RUNS]
# PROGRAM and BASELINE are two builds of scenewalk (or of quillforge); each
# runs in a fresh copy of RUN_DIR (story/, raw/). Per run: exec -> window
# mapped (xdotool), VmHWM after 5 s, CPU over the next 10 s. Prints the
# medians and the ratios program / baseline.
set -eu
NEW=$(readlink -f "$1"); OLD=$(readlink -f "$2"); RUN=$(readlink -f "$3"); RUNS=${4:-5}
command -v Xvfb xdotool > /dev/null || { echo "needs xvfb and xdotool" >&2; exit 2; }
WORK=$(mktemp -d); trap 'kill $XPID 2>/dev/null; rm -rf "$WORK"' EXIT
D=120; while [ -e /tmp/.X11-unix/X$D ] || [ -e /tmp/.X$D-lock ]; do D=$((D + 1)); done
Xvfb :$D -screen 0 1280x1024x24 -br -nolisten tcp -noreset > /dev/null 2>&1 &
XPID=$!
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$D ] && break; sleep 0.1; done
export DISPLAY=:$D SDL_AUDIODRIVER=dummy LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=llvmpipe
ticks() { awk '{print $14 + $15}' /proc/$1/stat; }
one() { # binary label
    rm -rf "$WORK/run"; cp -a "$RUN" "$WORK/run"
    local t0 t1 pid c1 c2 hwm
    t0=$(date +%s.%N)
    (cd "$WORK/run" && exec "$1" > /dev/null 2>&1) &
    pid=$!
    # xdotool's own --sync polls every half second: too coarse here.
    until xdotool search --onlyvisible --pid $pid > /dev/null 2>&1; do sleep 0.01; done
    t1=$(date +%s.%N)
    sleep 5; hwm=$(awk '/VmHWM/{print $2}' /proc/$pid/status)
    c1=$(ticks $pid); sleep 10; c2=$(ticks $pid)
    kill -9 $pid; wait $pid 2> /dev/null || true
    echo "$2 $(echo "$t1 - $t0" | bc) $hwm $((c2 - c1))" >> "$WORK/runs"
}
for _ in $(seq "$RUNS"); do one "$OLD" baseline; one "$NEW" program; done
python3 - "$WORK/runs" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1])]
def med(label, i, scale=1.0):
    return statistics.median(float(r[i]) * scale for r in rows if r[0] == label)
ticks = 100.0  # clock ticks per second: 10 s of them is per cent of a core / 10
print(f"{'':28}{'baseline':>10}{'program':>10}{'ratio':>8}")
for name, i, scale in [("window mapped (s)", 1, 1), ("VmHWM after 5 s (MiB)", 2, 1 / 1024),
                       ("CPU over 10 s (% core)", 3, 100 / (10 * ticks))]:
    a, b = med("baseline", i, scale), med("program", i, scale)
    print(f"{name:28}{a:10.3f}{b:10.3f}{(b / a if a else float('nan')):8.2f}")
print(f"medians of {sum(1 for r in rows if r[0] == 'program')} interleaved runs each")
PY
