#!/bin/sh
# Installs the build into a DESTDIR under a prefix of its own and checks the
# result: the file list, the menu entries, AppStream files and manual pages
# with their validators, the commands' options, then the installed programs
# themselves (run_installed.sh).
# Usage: installed_test.sh BUILD_DIR OUT_DIR
set -u
build=$1 out=$2
src=$(cd "$(dirname "$0")/../.." && pwd)
here=$(cd "$(dirname "$0")" && pwd)
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$out" && mkdir -p "$out"
prefix=/opt/quillforge-test
stage="$out/stage"
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >"$out/install.log" || fail "cmake --install"
root="$stage$prefix"

# The file list. The authors' tools are there when they were built.
{
    for p in quillforge scenewalk; do
        echo "bin/$p"
        echo "libexec/quillforge/$p"
        [ $p = scenewalk ] && echo "libexec/quillforge/libqs_opencv_codecs.so"
        echo "share/applications/$p.desktop"
        echo "share/doc/$p/changelog.gz"
        echo "share/doc/$p/copyright"
        for s in 48x48 128x128 256x256; do echo "share/icons/hicolor/$s/apps/$p.png"; done
        echo "share/icons/hicolor/scalable/apps/$p.svg"
        echo "share/man/man1/$p.1.gz"
        echo "share/metainfo/org.example.$p.metainfo.xml"
    done
    echo share/quillforge/raw/1.bin
    echo share/mime/packages/scenewalk.xml
    for c in quillforge-pack scenewalk-play; do echo "bin/$c"; echo "share/man/man1/$c.1.gz"; done
    (cd "$src/data" && find shader story -type f | sed 's|^|share/quillforge/|')
} | sort >"$out/expected"
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' |
    grep -v -x -e 'bin/quillforge-check' -e 'bin/scenewalk-render' \
        -e 'share/man/man1/quillforge-check.1.gz' -e 'share/man/man1/scenewalk-render.1.gz' | sort) >"$out/actual"
diff -u "$out/expected" "$out/actual" || fail "installed files differ from the expected list"
[ "$(find "$stage" -mindepth 1 -maxdepth 1)" = "$stage/opt" ] || fail "something was installed outside the prefix"
for cmd in "$root"/bin/*; do
    [ -f "$root/share/man/man1/$(basename "$cmd").1.gz" ] || fail "no manual page for $(basename "$cmd")"
done

# Validators.
desktop-file-validate "$root"/share/applications/*.desktop || fail "desktop-file-validate"
xmllint --noout "$root/share/mime/packages/scenewalk.xml" 2>"$out/mime.log" || fail "shared-mime-info XML: $(cat "$out/mime.log")"
mkdir -p "$out/mime/packages" && cp "$root/share/mime/packages/scenewalk.xml" "$out/mime/packages/" &&
    XDG_DATA_DIRS="$out" update-mime-database "$out/mime" >"$out/mime.log" 2>&1 && [ ! -s "$out/mime.log" ] || fail "update-mime-database: $(cat "$out/mime.log")"
grep -q "^application/x-scenewalk-story" "$out/mime/types" || fail "the story type is not registered"
appstreamcli validate --no-net "$root"/share/metainfo/*.xml >"$out/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$out/appstream.log")"
for page in "$root"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man $(basename "$page"): $warnings"
done
for size in 48 128 256; do
    for p in quillforge scenewalk; do
        icon="$root/share/icons/hicolor/${size}x$size/apps/$p.png"
        [ "$(identify -format '%wx%h %[channels]' "$icon")" = "${size}x$size srgba" ] || fail "$icon is no $size px RGBA picture"
    done
done

# The commands' own options, from the installed place.
[ "$("$root/bin/scenewalk" --version)" = "scenewalk 1.0" ] || fail "scenewalk --version"
"$root/bin/quillforge" --help | grep -q "^Usage: quillforge \[--help\] \[--version\]$" || fail "quillforge --help"
"$root/bin/quillforge" --bogus 2>"$out/err"; status=$?
[ $status -eq 2 ] && grep -q "unexpected argument '--bogus'" "$out/err" || fail "an unknown option gave $status"

# The renderer finds the installed glyph file and draws the installed demo
# as the golden picture shows it, with no display.
if [ -x "$root/bin/scenewalk-render" ]; then
    env -u DISPLAY "$root/bin/scenewalk-render" --frame 3 -o "$out/render-3.png" \
        "$root/share/quillforge/story/Lantern" || fail "installed scenewalk-render"
    [ "$(compare -metric AE "$out/render-3.png" "$src/tests/render/golden/demo/frame-0003.png" null: 2>&1)" = 0 ] ||
        fail "installed scenewalk-render draws frame 3 unlike its golden"
fi

# On a display of its own: its clicks go to the screen's centre, where other
# tests' windows open too.
"$src/scripts/with-display.sh" "$here/run_installed.sh" "$root/bin" "$out" || exit 1
echo "installed tree: ok"
