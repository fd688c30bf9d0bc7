#!/bin/sh
# Renders the pictures kept as goldens into OUT_DIR: every frame of the demo
# story, and of the small test story (mirroring, fades, wrapping, GB 2312
# text, a missing picture) with two steps of a fade and its contact sheet.
# With DISPLAY unset, as on a build server. What the renderer says on
# standard error goes to OUT_DIR/stderr.txt.
# Usage: render_goldens.sh RENDERER SOURCE_DIR OUT_DIR
set -eu
renderer=$1 src=$2 out=$3
mkdir -p "$out/demo" "$out/pixels"
: > "$out/stderr.txt"
pixels="$src/tests/render/story/Pixels"
run() { env -u DISPLAY "$renderer" "$@" 2>>"$out/stderr.txt"; }
run --all -o "$out/demo" "$src/data/story/Lantern"
run --all -o "$out/pixels" "$pixels"
run --frame 3 --step 5 -o "$out/pixels/" "$pixels"
run --frame 3 --step 15 -o "$out/pixels/" "$pixels"
run --sheet -o "$out/pixels/sheet.png" "$pixels"
