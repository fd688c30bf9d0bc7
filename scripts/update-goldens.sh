#!/bin/sh
# Renders the golden pictures of tests/render/golden again, after an intended
# change to what the player draws. Look at what changed before committing
# (git diff --stat, and the pictures themselves). Needs ImageMagick.
# Usage: scripts/update-goldens.sh [BUILD_DIR]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target scenewalk-render
rm -rf "$root/tests/render/golden"
"$root/tests/render/render_goldens.sh" "$build/scenewalk-render" "$root" "$root/tests/render/golden"
rm -f "$root/tests/render/golden/stderr.txt"
# Packed as tight as PNG goes (same pixels, fewer bytes in the repository).
for picture in "$root"/tests/render/golden/*/*.png; do
    convert "$picture" -strip -define png:compression-level=9 -define png:compression-filter=5 "$picture"
done
echo "goldens written to tests/render/golden"
