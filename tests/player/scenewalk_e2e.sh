#!/bin/sh
# The real scenewalk under the suite's X display, driven like a user: the
# missing start-up file's "Error" box, a click past the last frame, the
# "Story finished!" box ("Info"), OK, and exit code 0 after each box.
# Usage: scenewalk_e2e.sh <scenewalk>
set -u
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (xvfb-run)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" && mkdir story
export SDL_AUDIODRIVER=dummy
fail() { echo "FAIL: $*"; kill "$pid" 2>/dev/null; exit 1; }

# Presses OK on the box titled $1 (waiting up to 15 s), then expects exit 0.
confirm_and_exit() {
    i=0
    until box=$(xwininfo -root -tree | awk -v t="\"$1\":" '$2 == t { print $1; exit }') && [ -n "$box" ]; do
        i=$((i + 1)); [ $i -gt 150 ] && fail "no $1 box"; sleep 0.1
    done
    xdotool key --window "$box" Return
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "still running after OK on $1"; sleep 0.1
    done
    wait "$pid" || fail "exit code $? after $1"
}

"$1" >/dev/null 2>&1 &
pid=$!
confirm_and_exit Error

# A FIFO where the start-up file should be is as good as missing: never waited on.
mkfifo story/startup.txt
"$1" >/dev/null 2>&1 &
pid=$!
confirm_and_exit Error
rm story/startup.txt

# One frame; the start-up file's first word names the mod.
mkdir story/demo
printf '  demo\nother' > story/startup.txt
cat > story/demo/script.xml <<'XML'
<?xml version="1.0" ?>
<story><name>e2e</name><characterList number="0"/><bgList number="0"/>
<soundList number="0"/><bgmList number="0"/><scriptList number="1"><st>
<left character="-1" photo="-1"/><right character="-1" photo="-1"/>
<text character="0" sentence="072_105_"/><background index="0"/>
<musicDir index="0"/><sound index="-1"/></st></scriptList></story>
XML
"$1" >/dev/null 2>&1 &
pid=$!
i=0
until win=$(xdotool search --name '^demo' 2>/dev/null | head -1) && [ -n "$win" ]; do
    i=$((i + 1)); [ $i -gt 150 ] && fail "the player window did not open"; sleep 0.1
done
sleep 1.5 # the first transition takes 20 frames; clicks during it are dropped
xwininfo -root -tree | grep -q '"Info"' && fail "Info box before the end"
xdotool mousemove --window "$win" 400 300 click 1
confirm_and_exit Info

# script.xml a link to /dev/zero: the load fails at once, the story is empty
# and the first click ends it.
rm story/demo/script.xml
ln -s /dev/zero story/demo/script.xml
"$1" >"$work/out.txt" 2>&1 &
pid=$!
i=0
until win=$(xdotool search --name '^demo' 2>/dev/null | head -1) && [ -n "$win" ]; do
    i=$((i + 1)); [ $i -gt 150 ] && fail "the player window did not open on a broken script.xml"; sleep 0.1
done
sleep 0.5
xdotool mousemove --window "$win" 400 300 click 1
confirm_and_exit Info
grep -qx 'Script.xml load failed...' "$work/out.txt" || fail "no load failure line: $(cat "$work/out.txt")"
echo "scenewalk end to end: ok"
