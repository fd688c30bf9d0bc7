#!/bin/sh
# scenewalk-render, timed from outside with farm-bench (medians of whole
# runs, start-up and the private X server included), DISPLAY unset:
#   1. all 14 frames of the demo story as PNG files (target: under 2 s);
#   2. a contact sheet of a generated 500-frame story (target: under 60 s),
#      the demo's 14 frames over and over with the demo's pictures.
# Usage: bench/render/render_bench.sh [BUILD_DIR]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
renderer="$build/scenewalk-render"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
demo="$root/data/story/Lantern"

# The long story: the demo's folder with a script of 500 frames.
mkdir -p "$work/story/Long"
for entry in "$demo"/*; do
    [ "$(basename "$entry")" = script.xml ] || ln -s "$entry" "$work/story/Long/"
done
ln -s "$root/data/story/next.png" "$work/story/"
awk -v want=500 '
    /<scriptList/ { head = 1; sub(/number="[0-9]+"/, "number=\"" want "\""); print; next }
    /<\/scriptList>/ {
        for (i = 0; i < want; i++) printf "%s", frames[i % n]
        print; tail = 1; next
    }
    tail || !head { print; next }
    { block = block $0 "\n"; if ($0 ~ /<\/st>/) { frames[n++] = block; block = "" } }
' "$demo/script.xml" > "$work/story/Long/script.xml"

echo "== all 14 demo frames"
farm-bench -n 7 -- env -u DISPLAY "$renderer" --all -o "$work/demo" "$demo"
echo "== contact sheet of 500 frames"
farm-bench -n 3 --warmup 0 --timeout 900 -- env -u DISPLAY "$renderer" --sheet -o "$work/sheet.png" "$work/story/Long"
identify "$work/sheet.png"
