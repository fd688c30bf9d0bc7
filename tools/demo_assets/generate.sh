#!/bin/sh
# Regenerates data/story: builds demo_assets, runs it into a scratch folder,
# encodes the music to small mono MP3s with lame, and replaces data/story.
# Usage: tools/demo_assets/generate.sh [BUILD_DIR]   (default: build)
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build="${1:-$root/build}"
command -v lame >/dev/null || { echo "generate.sh: lame is missing (apt-get install lame)" >&2; exit 1; }

cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target demo_assets

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$build/tools/demo_assets/demo_assets" "$scratch/story"

# 32 kbit/s mono at 22.05 kHz: a 30 s track stays near 120 KB.
find "$scratch/story" -name '*.mp3.wav' | while read -r wav; do
    lame --quiet -m m -b 32 --resample 22.05 --noreplaygain "$wav" "${wav%.wav}"
    rm "$wav"
done

rm -rf "$root/data/story"
cp -r "$scratch/story" "$root/data/story"
echo "data/story regenerated:"
find "$root/data/story" -type f | sort | sed "s|$root/||"
