#!/bin/sh
# Runs the installed quillforge and scenewalk commands as a new user would:
# a fresh HOME, started from an unrelated folder, under the current X
# display. Checks that the per-user folder is made, the demo plays, a second
# run keeps the user's start-up choice and mods and restores a removed
# template, and that a folder that cannot be made is reported in a box on
# the desktop. Screenshots go to OUT_DIR.
# Usage: run_installed.sh BIN_DIR OUT_DIR
set -u
bin=$1 out=$2
mkdir -p "$out"
. "$(dirname "$0")/../new_user.sh"
user="$HOME/.local/share/quillforge"

# Grey-level spread of a screenshot: a blank or black screen has almost none.
spread() { convert "$1" -colorspace Gray -format '%[fx:standard_deviation]' info:; }

"$bin/scenewalk" >"$work/player.log" 2>&1 &
pid=$!
win=$(window '^Lantern') || fail "the player's window did not open (log: $(cat "$work/player.log"))"
[ "$(cat "$user/story/startup.txt")" = Lantern ] || fail "startup.txt was not copied"
[ -f "$user/story/Lantern/script.xml" ] && [ -f "$user/story/next.png" ] || fail "the demo story was not copied"
[ -f "$user/raw/1.bin" ] && [ -L "$user/raw" ] && [ -L "$user/shader" ] || fail "raw/ and shader/ are not linked"
sleep 1.5  # the first transition
import -window root "$out/scenewalk-frame1.png"
for _ in 1 2; do
    xdotool mousemove --window "$win" 400 300 click 1
    sleep 1.5
done
import -window root "$out/scenewalk.png"
awk -v a="$(spread "$out/scenewalk-frame1.png")" -v b="$(spread "$out/scenewalk.png")" \
    'BEGIN { exit !(a > 0.05 && b > 0.05) }' || fail "the player shows a blank screen"
compare -metric AE "$out/scenewalk-frame1.png" "$out/scenewalk.png" null: 2>"$work/ae"
[ "$(cut -d' ' -f1 <"$work/ae")" -gt 10000 ] || fail "two clicks did not change the picture"
xdotool key --window "$win" g
ends_with 0 "the player after G"

# The user's own choices survive: an edited startup.txt naming their mod.
cp -r "$user/story/Lantern" "$user/story/Mine"
printf Mine >"$user/story/startup.txt"
rm "$user/story/contentN.png"
"$bin/scenewalk" >"$work/player.log" 2>&1 &
pid=$!
win=$(window '^Mine') || fail "the second run did not play the user's mod"
xdotool key --window "$win" g
ends_with 0 "the second player run"
[ "$(cat "$user/story/startup.txt")" = Mine ] || fail "the edited startup.txt was replaced"
[ -f "$user/story/contentN.png" ] || fail "a removed template was not copied again"

"$bin/quillforge" >"$work/editor.log" 2>&1 &
pid=$!
window '^Quillforge$' >/dev/null || fail "the editor's window did not open (log: $(cat "$work/editor.log"))"
sleep 1
import -window root "$out/quillforge.png"
kill "$pid"; wait "$pid" 2>/dev/null; pid=
[ "$(cat "$user/story/startup.txt")" = Mine ] && [ -d "$user/story/Mine" ] || fail "the editor's run lost the user's files"

# A story sent as one file: packed by the author's command, played by the
# reader's from the library beside, not inside, the user's story folder.
"$bin/quillforge-pack" -o "$work/Sent.swstory" "$user/story/Mine" >"$work/pack.log" 2>&1 || fail "quillforge-pack: $(cat "$work/pack.log")"
"$bin/scenewalk-play" "$work/Sent.swstory" >"$work/player.log" 2>&1 &
pid=$!
win=$(window '^Mine') || fail "scenewalk-play did not play the bundle (log: $(cat "$work/player.log"))"
sleep 1.5
import -window root "$out/scenewalk-play.png"
xdotool key --window "$win" g
ends_with 0 "scenewalk-play"
[ -f "$HOME/.local/share/scenewalk/stories/Mine/script.xml" ] || fail "the bundle was not kept in the library"
[ "$(cat "$user/story/startup.txt")" = Mine ] || fail "scenewalk-play changed the user's startup.txt"

# A folder that cannot be made: the reason on standard error and in a box.
: >"$work/file"
XDG_DATA_HOME="$work/file" "$bin/scenewalk" 2>"$work/error.log" &
pid=$!
i=0
until box=$(xwininfo -root -tree | awk '$2 == "\"Scenewalk\":" { print $1; exit }') && [ -n "$box" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "no message box for the failed folder"; sleep 0.1
done
import -window root "$out/launcher-error.png"
xdotool key --window "$box" Return
ends_with 1 "the launcher that could not make its folder"
grep -q "^scenewalk: cannot create the folder $work/file/quillforge/story: Not a directory$" "$work/error.log" ||
    fail "unexpected error line: $(cat "$work/error.log")"
echo "installed programs: ok"
