#!/bin/sh
# Checks that no #include points up a layer: each folder may include only the
# folders listed for it below (the README's diagram, as data). A folder not
# listed fails too, so a new one is placed in the diagram before it lands.
# Usage: scripts/check-layers.sh [source root]
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root" || exit 2

allowed() {
    case "$1" in
        media) echo "media" ;;
        document) echo "media document" ;;
        check) echo "media document check" ;;
        w32) echo "w32" ;;
        wglh) echo "w32 wglh" ;;
        mox) echo "w32 wglh mox" ;;
        player) echo "media document w32 wglh mox player" ;;
        render) echo "media document w32 wglh mox player render" ;;
        editor) echo "media document check editor" ;;
        launcher) echo "launcher" ;;
        bundle) echo "media document check launcher bundle" ;;
        quillforge_check) echo "media document check quillforge_check" ;;
        quillforge_pack | scenewalk_play) echo "media document check launcher bundle $1" ;;
        tools) echo "media document tools" ;;
        *) return 1 ;;
    esac
}

status=0
for dir in $(git ls-files '*.cpp' '*.h' | cut -d/ -f1 | sort -u); do
    case "$dir" in tests | bench | fuzz | *.cpp | *.h) continue ;; esac
    if ! ok=$(allowed "$dir"); then
        echo "layers: $dir/ has no place in the layer table" >&2
        status=1
        continue
    fi
    # Project includes are quoted and name their folder first.
    for used in $(git ls-files "$dir" | grep -E '\.(cpp|h)$' | xargs grep -h -o -E '^#include "[a-z_]+/' |
                  sed -E 's/#include "([a-z_]+)\//\1/' | sort -u); do
        case " $ok " in
            *" $used "*) ;;
            *)
                echo "layers: $dir/ includes $used/, which is not below it:" >&2
                git ls-files "$dir" | grep -E '\.(cpp|h)$' | xargs grep -n -E "^#include \"$used/" >&2
                status=1
                ;;
        esac
    done
done
[ $status -eq 0 ] && echo "layers: every include points down or across its own folder"
exit $status
