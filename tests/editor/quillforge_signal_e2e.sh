#!/bin/sh
# The real quillforge under the suite's X display: typed text unsaved at a
# SIGTERM goes to a recovery file beside script.xml (which stays as it was);
# the next start offers it back, the restored work stays unsaved until
# Ctrl+S, and the recovery file goes with the save.
# Usage: quillforge_signal_e2e.sh <quillforge>
set -u
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (xvfb-run)"; exit 1; }
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" && mkdir -p story/demo
export SDL_AUDIODRIVER=dummy
fail() { echo "FAIL: $*"; exit 1; }
printf 'demo' > story/startup.txt
cat > story/demo/script.xml <<'XML'
<?xml version="1.0" ?>
<story><name>e2e</name><characterList number="0"/><bgList number="0"/>
<soundList number="0"/><bgmList number="0"/><scriptList number="1"><st>
<left character="-1" photo="-1"/><right character="-1" photo="-1"/>
<text character="0" sentence="072_105_"/><background index="0"/>
<musicDir index="0"/><sound index="-1"/></st></scriptList></story>
XML
cp story/demo/script.xml before.xml

# Waits up to 15 s for a window titled $1 and prints its id; false when
# none shows.
window() {
    i=0
    until w=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1) && [ -n "$w" ]; do
        i=$((i + 1)); [ $i -gt 150 ] && return 1; sleep 0.1
    done
    echo "$w"
}
# Returns once the editor has handled every key and click sent before: its
# Go to Frame question comes after them, and goes with Escape.
handled() {
    xdotool key ctrl+g
    ask=$(window 'Go to Frame') || fail "no Go to Frame question"
    xdotool windowfocus --sync "$ask" key Escape
    i=0
    while xdotool search --onlyvisible --name '^Go to Frame$' >/dev/null 2>&1; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "Go to Frame stays"; sleep 0.1
    done
}
# Waits up to 10 s for the editor to end; its exit status in $status.
ended() {
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "still running: $1"; sleep 0.1
    done
    wait "$pid"; status=$?; pid=
}

"$1" >out.txt 2>&1 &
pid=$!
win=$(window Quillforge) || fail "no editor window"
# The sentence box: 276, 414 to 839, 479 in the window.
xdotool mousemove --sync --window "$win" 400 440 click 1 sleep 0.2 type --delay 30 'xyz'
handled
kill -TERM "$pid"
ended "after SIGTERM"
[ "$status" -eq 143 ] || fail "exit status $status after SIGTERM"
cmp -s story/demo/script.xml before.xml || fail "script.xml changed"
[ -f story/demo/script.recovery.xml ] || fail "no recovery file"
grep -q '120_121_122_' story/demo/script.recovery.xml || fail "typed text not in the recovery file"

"$1" >out.txt 2>&1 &
pid=$!
box=$(window 'Restore Unsaved Work') || fail "no restore question"
xdotool windowfocus --sync "$box" key Return
win=$(window Quillforge) || fail "no editor window"
cmp -s story/demo/script.xml before.xml || fail "restoring saved at once"
xdotool windowfocus --sync "$win" key ctrl+s
handled
grep -q '120_121_122_' story/demo/script.xml || fail "Ctrl+S did not save the restored text"
[ -f story/demo/script.recovery.xml ] && fail "recovery file still there after the save"
kill -INT "$pid"
ended "after SIGINT"
[ "$status" -eq 130 ] || fail "exit status $status after SIGINT"
[ -f story/demo/script.recovery.xml ] && fail "a recovery file with nothing unsaved"
echo "PASS"
