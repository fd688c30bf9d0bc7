#!/bin/sh
# scenewalk-render as a user meets it, with DISPLAY unset: help, version,
# usage errors (exit 2), a mod that does not load (the player's empty screen,
# exit 1), output folders created, a failed write, and an interrupted run
# that leaves no X server, scratch folder or half-written picture behind.
# Usage: cli_test.sh RENDERER SOURCE_DIR OUT_DIR
set -u
renderer=$1 src=$2 out=$3
demo="$src/data/story/Lantern"
rm -rf "$out"
mkdir -p "$out"
fail() { echo "FAIL: $*"; exit 1; }
r() { env -u DISPLAY "$renderer" "$@" >"$out/stdout" 2>"$out/stderr"; }
expect() { # status, what stderr must contain, arguments...
    want=$1 text=$2
    shift 2
    r "$@"
    got=$?
    [ "$got" = "$want" ] || fail "$* gave exit $got, not $want: $(cat "$out/stderr")"
    grep -qF -- "$text" "$out/stderr" || fail "$*: no '$text' in: $(cat "$out/stderr")"
}

r --help && grep -q '^Usage: scenewalk-render' "$out/stdout" || fail "--help"
r --version && grep -qx 'scenewalk-render [0-9.]*' "$out/stdout" || fail "--version"
expect 2 "say what to render" "$demo"
expect 2 "frame 15 is outside the story: the story has 14 frames" --frame 15 -o "$out/x.png" "$demo"
expect 2 "frames 2-20 are outside the story" --sheet --frames 2-20 -o "$out/x.png" "$demo"
expect 2 "--step goes with --frame" --all --step 3 "$demo"
expect 2 "no such folder" --frame 1 "$out/nothing-here"
expect 2 "unknown option --fast" --fast --all "$demo"
[ ! -e "$out/x.png" ] || fail "a usage error wrote a picture"

# A story that does not load: the empty screen (text box and marker on black).
mkdir -p "$out/story/Broken"
cp "$demo/contentN.png" "$out/story/Broken/" && cp "$src/data/story/next.png" "$out/story/"
printf '<story><name>half' > "$out/story/Broken/script.xml"
expect 1 "script.xml: not a well-formed XML document; rendering the player's empty screen" \
    --frame 3 -o "$out/empty.png" "$out/story/Broken"
[ "$(identify -format '%wx%h' "$out/empty.png")" = 800x600 ] || fail "no empty screen written"
[ "$(convert "$out/empty.png" -crop 800x400+0+0 -format '%[fx:maxima]' info:)" = 0 ] || fail "empty screen not black above"
[ "$(convert "$out/empty.png" -crop 800x150+0+430 -format '%[fx:mean>0.5]' info:)" = 1 ] || fail "no text box"

# Without -o the picture goes to the current folder.
mkdir "$out/here"
(cd "$out/here" && r --frame 2 "$demo") && [ -s "$out/here/frame-0002.png" ] || fail "no frame-0002.png in the current folder"

# Missing output folders are made; a folder that cannot be made is an error.
r --frame 2 -o "$out/new/deeper/two.png" "$demo" && [ -s "$out/new/deeper/two.png" ] || fail "output folder not made"
: > "$out/a-file"
expect 1 "cannot create the folder" --frame 1 -o "$out/a-file/one.png" "$demo"

# Interrupted: SIGTERM mid-run ends the X server and leaves nothing half done.
env -u DISPLAY "$renderer" --all -o "$out/all" "$demo" 2>/dev/null &
pid=$!
i=0
until xvfb=$(pgrep -P "$pid" -x Xvfb) && [ -n "$xvfb" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "no Xvfb under the renderer"; sleep 0.05
done
sleep 0.5
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" = 143 ] || fail "interrupted run ended with $status"
kill -0 "$xvfb" 2>/dev/null && fail "Xvfb $xvfb still runs after the renderer ended"
ls -d "${TMPDIR:-/tmp}"/scenewalk-render-"$pid"-* 2>/dev/null && fail "scratch folder left behind"
ls -A "$out/all" 2>/dev/null | grep -v '^frame-[0-9]*\.png$' && fail "half-written picture left behind"
echo "scenewalk-render command line: ok"
