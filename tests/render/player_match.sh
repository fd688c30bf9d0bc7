#!/bin/sh
# The renderer's frames against the real player: scenewalk plays the demo
# story on a private Xvfb of its own (so no other test's window can cover
# it), is clicked from frame to frame with xdotool, and each frame's window
# is captured with import once its transition is over. Each capture must
# equal the renderer's picture of that frame pixel for pixel, outside the
# box the next marker bobs in (x 390..409, 7..30 pixels above the bottom).
# Usage: player_match.sh SCENEWALK RENDERER SOURCE_DIR RAW_DIR OUT_DIR
set -u
player=$1 renderer=$2 src=$3 raw=$4 out=$5
rm -rf "$out"
mkdir -p "$out/run/story" "$out/rendered"
xvfb=0 pid=0
finish() {
    [ "$pid" = 0 ] || kill "$pid" 2>/dev/null
    [ "$xvfb" = 0 ] || kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
}
trap finish EXIT
fail() { echo "FAIL: $*"; exit 1; }

env -u DISPLAY "$renderer" --all -o "$out/rendered" "$src/data/story/Lantern" || fail "the renderer failed"
frames=$(ls "$out/rendered" | wc -l)
[ "$frames" = 14 ] || fail "the renderer wrote $frames frames, not 14"

mkfifo "$out/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$out/display" 2>/dev/null &
xvfb=$!
read -r number < "$out/display" || fail "Xvfb did not start"
export DISPLAY=":$number" SDL_AUDIODRIVER=dummy

ln -s "$src/data/story/Lantern" "$src/data/story/next.png" "$out/run/story/"
printf 'Lantern\n' > "$out/run/story/startup.txt"
ln -s "$raw" "$out/run/raw"
(cd "$out/run" && exec "$player") >"$out/player.log" 2>&1 &
pid=$!
i=0
until win=$(xdotool search --name '^Lantern' 2>/dev/null | head -1) && [ -n "$win" ]; do
    i=$((i + 1)); [ $i -gt 150 ] && fail "the player window did not open"; sleep 0.1
done

# Uncompressed captures: a poll costs a capture and a byte comparison.
masked() { convert "$1" -fill black -draw 'rectangle 390,569 409,592' -depth 8 "ppm:$2"; }
n=1
while [ $n -le 14 ]; do
    name=$(printf 'frame-%04d' $n)
    masked "$out/rendered/$name.png" "$out/expected.ppm"
    # Captures until the transition is over and the frame rests (10 s at most).
    i=0
    until import -window "$win" ppm:- 2>/dev/null | masked - "$out/got.ppm" && cmp -s "$out/expected.ppm" "$out/got.ppm"; do
        i=$((i + 1))
        if [ $i -gt 50 ]; then
            import -window "$win" "$out/$name-player.png"
            pixels=$(compare -metric AE "$out/expected.ppm" "$out/got.ppm" "$out/$name-diff.png" 2>&1)
            fail "frame $n: the player's window differs from the renderer's picture in $pixels pixels" \
                "(see $out/$name-player.png, $out/$name-diff.png)"
        fi
        sleep 0.2
    done
    echo "frame $n agrees ($i earlier captures differed)"
    [ $n -lt 14 ] && xdotool mousemove --window "$win" 400 300 click 1 && sleep 0.5 # a transition: 20 frames of 20 ms and more
    n=$((n + 1))
done
echo "player and renderer agree on all 14 frames"
