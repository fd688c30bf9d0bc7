#!/bin/sh
# Round trip of a story bundle as an author and a reader meet it: pack the
# demo, play the bundle with a fresh HOME and compare its first frame with the
# player's own run of the demo, play it again (reused, not extracted again),
# and a damaged bundle and a bad mod folder refused with one line, nothing
# written outside the reader's library. Screenshots go to OUT_DIR.
# Usage: round_trip.sh BUILD_DIR OUT_DIR
set -u
build=$1 out=$2
rm -rf "$out" && mkdir -p "$out"
. "$(dirname "$0")/../new_user.sh"
library="$HOME/.local/share/scenewalk/stories"

# Plays $1 until its first frame is shown, photographs it as $2 and ends it with G.
play() {
    "$build/scenewalk-play" "$1" >"$work/play.log" 2>&1 &
    pid=$!
    win=$(window '^Lantern') || fail "no player window for $1 (log: $(cat "$work/play.log"))"
    sleep 1.5  # the first transition
    import -window root "$out/$2"
    xdotool key --window "$win" g
    ends_with 0 "the player after G"
}
# Pixels that differ by more than a tenth between two screenshots.
differing() { compare -metric AE -fuzz 10% "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

"$build/quillforge-pack" "$build/run/story/Lantern" >"$work/pack.log" 2>&1 || fail "pack: $(cat "$work/pack.log")"
grep -q "^Packed Lantern: 14 frames, 17 files" "$work/pack.log" || fail "pack said: $(cat "$work/pack.log")"
[ -f Lantern.swstory ] || fail "no Lantern.swstory"

play Lantern.swstory bundle-frame1.png
[ -f "$library/Lantern/script.xml" ] && [ -f "$library/Lantern/bg/meadow.jpg" ] || fail "the story was not extracted"
[ ! -e "$HOME/.local/share/quillforge" ] || fail "the reader's own story folder was touched"
[ -z "$(find "$library" -maxdepth 1 -name '.*')" ] || fail "a temporary folder was left: $(ls -a "$library")"
first=$(stat -c %i "$library/Lantern" "$library/Lantern/script.xml")

# The same demo, as the player shows it from the build's own run folder.
(cd "$build/run" && mkdir -p "$work/own/story" && cp -r story/Lantern story/next.png story/content*.png "$work/own/story/" &&
    ln -s "$build/run/raw" "$work/own/raw" && printf Lantern >"$work/own/story/startup.txt")
(cd "$work/own" && exec "$build/scenewalk") >"$work/own.log" 2>&1 &
pid=$!
win=$(window '^Lantern') || fail "the player did not open the demo"
sleep 1.5
import -window root "$out/player-frame1.png"
xdotool key --window "$win" g
wait "$pid"; pid=
d=$(differing "$out/bundle-frame1.png" "$out/player-frame1.png")
[ "$d" -lt 20000 ] || fail "frame 1 of the bundle differs from the demo's in $d pixels"

play Lantern.swstory bundle-again.png
[ "$(stat -c %i "$library/Lantern" "$library/Lantern/script.xml")" = "$first" ] || fail "the second run extracted the bundle again"

# Refusals: one line, exit status 1, nothing new anywhere but the library.
find "$HOME" | sort >"$work/before"
python3 - Lantern.swstory "$work/damaged.swstory" <<'PY'
import sys
data = bytearray(open(sys.argv[1], 'rb').read())
at = data.find(b'IDAT') + 40  # inside content.png's pixels: its CRC no longer holds
data[at] ^= 0x55
open(sys.argv[2], 'wb').write(data)
PY
mkdir -p "$work/Bad Name"
for story in "$work/damaged.swstory" "$work/Bad Name" "$work/missing.swstory"; do
    env -u DISPLAY "$build/scenewalk-play" "$story" >"$work/out.log" 2>"$work/err.log"; status=$?
    [ $status -eq 1 ] || fail "$story gave exit status $status"
    [ "$(wc -l <"$work/err.log")" -eq 1 ] && grep -q "^scenewalk-play: " "$work/err.log" ||
        fail "$story: not one line of reason: $(cat "$work/err.log")"
    echo "refused $(basename "$story"): $(cat "$work/err.log")"
done
find "$HOME" | sort >"$work/after"
diff "$work/before" "$work/after" || fail "a refused story left files behind"
echo "bundle round trip: ok"
