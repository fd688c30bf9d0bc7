#!/bin/sh
# Runs the real scenewalk program on a story made here, under the X display
# the test suite runs in, and drives it like a user: the missing start-up
# file's "Error" box, a click through the frames, the "Story finished!" box
# ("Info"), OK, and exit code 0 each time.
# Usage: scenewalk_e2e.sh <scenewalk> <glyph file>
set -u
prog=$1
glyphs=$2
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (run under xvfb-run)"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export SDL_AUDIODRIVER=dummy
fail() { echo "FAIL: $*"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }

# The id of the top-level window titled exactly $1, waiting up to 15 s.
window_titled() {
    i=0
    while [ $i -lt 150 ]; do
        id=$(xwininfo -root -tree | awk -v t="\"$1\":" '$2 == t { print $1; exit }')
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1; i=$((i + 1))
    done
    return 1
}

# Waits up to 10 s for the program to end and checks its exit code.
expect_exit_zero() {
    i=0
    while kill -0 "$pid" 2>/dev/null && [ $i -lt 100 ]; do sleep 0.1; i=$((i + 1)); done
    kill -0 "$pid" 2>/dev/null && fail "still running after OK in $1"
    wait "$pid"; rc=$?
    [ $rc -eq 0 ] || fail "exit code $rc after $1"
    pid=""
}

# 1. No start-up file: the Error box, before any window, then exit 0.
mkdir story
"$prog" >out1.txt 2>&1 &
pid=$!
box=$(window_titled Error) || fail "no Error box"
xwininfo -root -tree | grep -q 'Scenewalk\|"demo' && fail "a window opened before the box"
xdotool key --window "$box" Return
expect_exit_zero "the Error box"

# 2. A two-frame story: red then blue background, narration with Chinese text.
mkdir -p raw story/demo/bg
cp "$glyphs" raw/1.bin
convert -size 64x48 xc:red story/demo/bg/red.png
convert -size 64x48 xc:blue story/demo/bg/blue.bmp
convert -size 80x15 xc:'rgba(255,255,255,0.9)' story/demo/contentN.png
convert -size 20x20 xc:yellow story/next.png
printf '  demo\nignored' > story/startup.txt
# "Hi" then the two GB 2312 characters 0xC4E3 0xBAC3.
sentence="072_105_032_196_227_186_195_"
st() {
    printf '<st><left character="-1" photo="-1"/><right character="-1" photo="-1"/>'
    printf '<text character="0" sentence="%s"/><background index="%s"/>' "$sentence" "$1"
    printf '<musicDir index="0"/><sound index="-1"/></st>'
}
{
    printf '<?xml version="1.0" ?>\n<story><name>e2e</name><characterList number="0"/>'
    printf '<bgList number="2"><bg>//bg/red.png</bg><bg>//bg/blue.bmp</bg></bgList>'
    printf '<soundList number="0"/><bgmList number="1"><bgm>//none.mp3</bgm></bgmList>'
    printf '<scriptList number="2">%s%s</scriptList></story>\n' "$(st 0)" "$(st 1)"
} > story/demo/script.xml

"$prog" >out2.txt 2>&1 &
pid=$!
i=0
while [ $i -lt 150 ]; do
    win=$(xdotool search --name '^demo' 2>/dev/null | head -1)
    [ -n "$win" ] && break
    sleep 0.1; i=$((i + 1))
done
[ -n "$win" ] || fail "the player window did not open"
sleep 2
colour() { import -window "$win" png:- | convert png:- -format "%[pixel:p{$1,$2}]" info:; }
c=$(colour 50 50)
case "$c" in srgb\(255,0,0\)|red) ;; *) fail "frame 0 background is $c, not red" ;; esac
xdotool mousemove --window "$win" 400 300 click 1
sleep 2
c=$(colour 50 50)
case "$c" in srgb\(0,0,255\)|blue) ;; *) fail "frame 1 background is $c, not blue" ;; esac
xwininfo -root -tree | grep -q '"Info"' && fail "Info box before the end"
xdotool mousemove --window "$win" 400 300 click 1
box=$(window_titled Info) || fail "no Info box after the last frame"
xdotool key --window "$box" Return
expect_exit_zero "the Info box"
grep -q "File not exist" out2.txt && fail "glyph file not found: $(cat out2.txt)"
echo "scenewalk end to end: ok"
