#!/bin/sh
# Fails when a tracked C++ file differs from what .clang-format makes of it.
# Usage: scripts/check-format.sh [source root]   (to mend: clang-format -i FILE)
set -u
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"
cd "$root" || exit 2
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror && echo "format: every file as .clang-format has it"
