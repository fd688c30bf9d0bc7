# Sourced by the scripted tests that run whole programs as a new user would,
# on the current X display: a scratch folder $work with a fresh HOME, the
# working directory an unrelated folder in it, and waits for windows and
# exits. The caller keeps the program it started in $pid (killed on exit).
[ -n "${DISPLAY:-}" ] || { echo "FAIL: needs an X display (xvfb-run)"; exit 1; }
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
export SDL_AUDIODRIVER=dummy HOME="$work/home"
unset XDG_DATA_HOME
mkdir -p "$HOME" "$work/elsewhere"
cd "$work/elsewhere" || fail "no scratch folder"

# Waits up to 15 s for a window whose title matches $1 and prints its id.
window() {
    i=0
    until w=$(xdotool search --name "$1" 2>/dev/null | head -1) && [ -n "$w" ]; do
        i=$((i + 1)); [ $i -gt 150 ] && return 1; sleep 0.1
    done
    echo "$w"
}
# Waits up to 10 s for $pid to end and checks its exit status is $1.
ends_with() {
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "$2 still running"; sleep 0.1
    done
    wait "$pid"; status=$?; pid=
    [ "$status" -eq "$1" ] || fail "$2 ended with $status, not $1"
}
