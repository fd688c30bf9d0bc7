#!/bin/sh
# Builds the Debian packages scenewalk and quillforge from the build tree,
# checks them with lintian, installs them with apt-get as a user would, runs
# the installed programs as a new user (tests/launcher/run_installed.sh,
# which needs an X display) and removes them again, checking nothing is left.
# Needs root or sudo. Screenshots and logs: <build>/package-test/.
# Usage: scripts/with-display.sh scripts/test-packages.sh
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=$(cd "${QS_BUILD_DIR:-build}" && pwd)
out="$build/package-test"
rm -rf "$out" && mkdir -p "$out"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
fail() { echo "test-packages: FAIL: $*" >&2; exit 1; }

for pkg in quillforge scenewalk; do
    if dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed"; then
        echo "test-packages: $pkg is installed on this machine; not touching it, nothing tested"
        exit 0
    fi
done

rm -f "$build"/packages/*.deb
(cd "$build" && cpack -G DEB) >"$out/cpack.log" 2>&1 || fail "cpack: $(tail -5 "$out/cpack.log")"
set -- "$build"/packages/quillforge_*.deb "$build"/packages/scenewalk_*.deb
[ -f "$1" ] && [ -f "$2" ] || fail "cpack made: $(ls "$build/packages")"
# Errors fail; warnings are printed. Lintian frowns on root, which CI is.
lintian --fail-on error --tag-display-limit 0 "$@" 2>&1 | grep -v "root privileges" | tee "$out/lintian.log"
! grep -q '^E:' "$out/lintian.log" || fail "lintian reports errors"

export DEBIAN_FRONTEND=noninteractive
apt() { $SUDO apt-get -o DPkg::Lock::Timeout=300 -y -q "$@" >>"$out/apt.log" 2>&1; }
trap 'apt purge quillforge scenewalk || true' EXIT
# The README's command, from the packages' folder.
(cd "$build/packages" && apt install ./quillforge_*.deb ./scenewalk_*.deb) || fail "apt-get install: $(tail -5 "$out/apt.log")"
for file in /usr/bin/quillforge /usr/bin/scenewalk /usr/libexec/quillforge/scenewalk \
            /usr/share/quillforge/raw/1.bin /usr/share/quillforge/story/Lantern/script.xml \
            /usr/share/applications/scenewalk.desktop /usr/share/icons/hicolor/scalable/apps/quillforge.svg; do
    [ -e "$file" ] || fail "$file is not installed"
done
man -w scenewalk >/dev/null && man -w quillforge >/dev/null || fail "man cannot find the pages"

"$root/tests/launcher/run_installed.sh" /usr/bin "$out" || fail "the installed programs"

trap - EXIT
apt purge quillforge scenewalk || fail "apt-get purge: $(tail -5 "$out/apt.log")"
for path in /usr/bin/quillforge /usr/bin/scenewalk /usr/libexec/quillforge /usr/share/quillforge \
            /usr/share/doc/scenewalk /usr/share/metainfo/org.example.scenewalk.metainfo.xml; do
    [ ! -e "$path" ] || fail "$path is left after removal"
done
echo "test-packages: ok (screenshots in $out)"
