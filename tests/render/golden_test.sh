#!/bin/sh
# Renders the golden set and compares it pixel for pixel with the committed
# pictures in tests/render/golden. A difference fails the test and leaves,
# in OUT_DIR, the actual picture and NAME-diff.png (differing pixels red).
# After an intended change to the player's drawing: scripts/update-goldens.sh.
# Usage: golden_test.sh RENDERER SOURCE_DIR OUT_DIR
set -u
renderer=$1 src=$2 out=$3
here="$src/tests/render"
rm -rf "$out"
"$here/render_goldens.sh" "$renderer" "$src" "$out" || { echo "FAIL: rendering failed:"; cat "$out/stderr.txt"; exit 1; }
grep -q 'Pixels/bg/missing.png: no such picture file' "$out/stderr.txt" ||
    { echo "FAIL: the missing picture was not named"; cat "$out/stderr.txt"; exit 1; }

failed=0 count=0
for golden in "$here"/golden/*/*.png; do
    name=${golden#"$here/golden/"}
    actual="$out/$name"
    count=$((count + 1))
    if [ ! -f "$actual" ]; then
        echo "FAIL: $name was not rendered"; failed=1; continue
    fi
    pixels=$(compare -metric AE "$golden" "$actual" "${actual%.png}-diff.png" 2>&1)
    if [ "$pixels" != "0" ]; then
        echo "FAIL: $name differs from its golden in $pixels pixels:"
        echo "      actual $actual, difference ${actual%.png}-diff.png"
        failed=1
    else
        rm -f "${actual%.png}-diff.png"
    fi
done
# A picture rendered without a golden is a golden someone forgot.
for actual in "$out"/*/*.png; do
    case "$actual" in *-diff.png) continue ;; esac
    name=${actual#"$out/"}
    [ -f "$here/golden/$name" ] || { echo "FAIL: no golden for $name (scripts/update-goldens.sh)"; failed=1; }
done
[ "$failed" = 0 ] || exit 1
echo "golden pictures: $count identical"
