#!/bin/sh
# Both programs open stories made by an attacker. Each mod below shows one
# frame whose pictures and sounds are hostile: GDAL dataset descriptions
# named x.jpg that point at a local web server and at a local file, DICOM
# named .png and .jpg, a FIFO, /dev/zero, a directory, a 1 GB sparse file,
# and PNG and JPEG headers announcing 20000 x 20000 pixels. For every mod,
# the player and the editor (under strace) must: connect to no network
# address, ask the web server nothing, open no file outside the story, stay
# responsive, stay within a memory bound, and play only silence; the player
# must show no picture above its text box.
# Usage: hostile_story.sh <scenewalk> <quillforge> <run dir laid out by the build>
set -u
[ -n "${DISPLAY:-}" ] || { echo "needs an X display (xvfb-run)"; exit 1; }
player=$(realpath "$1") editor=$(realpath "$2") run=$(realpath "$3")
work=$(mktemp -d)
server=""
pid=""
cleanup() {
    # SIGKILL: with SDL's audio up, both programs take SIGTERM as a quit
    # event, which the editor never reads.
    [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
    [ -n "$server" ] && kill "$server" 2>/dev/null
    [ -n "${KEEP_WORK:-}" ] && echo "kept $work" || rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Resident memory allowed at the peak, in kB: far above what these stories
# need, far below the gigabytes the hostile files announce.
max_kb=700000

cp -r "$run/story" "$run/raw" "$run/shader" "$work/" || fail "no run dir at $run"
cd "$work" || exit 1
echo "secret" > secret.txt

python3 -m http.server 0 --bind 127.0.0.1 >server.log 2>&1 &
server=$!
i=0
until port=$(sed -n 's/.* port \([0-9]*\) .*/\1/p' server.log) && [ -n "$port" ]; do
    i=$((i + 1)); [ $i -gt 100 ] && fail "the web server did not start"; sleep 0.1
done

# One folder of hostile files, copied into every mod.
mkdir hostile && python3 - "$port" "$work/secret.txt" <<'PY' || fail "could not write the hostile files"
import os, struct, sys, zlib
port, secret = sys.argv[1], sys.argv[2]
os.chdir("hostile")
def vrt(source):
    # An NITF signature sends the file to OpenCV's GDAL decoder, which opens
    # it as this VRT and reads its raw band from the source it names.
    return ("NITF<VRTDataset rasterXSize=\"8\" rasterYSize=\"1\">"
            "<VRTRasterBand dataType=\"Byte\" band=\"1\" subClass=\"VRTRawRasterBand\">"
            "<SourceFilename relativetoVRT=\"0\">%s</SourceFilename><ImageOffset>0</ImageOffset>"
            "<PixelOffset>1</PixelOffset><LineOffset>8</LineOffset></VRTRasterBand></VRTDataset>\n" % source)
open("http.jpg", "w").write(vrt("/vsicurl/http://127.0.0.1:%s/ping.bin" % port))
open("file.jpg", "w").write(vrt(secret))
dicom = bytes(128) + b"DICM" + b"\x02\x00\x10\x00UI\x14\x001.2.840.10008.1.2.1\x00"
for name in ("dicom.png", "dicom.jpg"):
    open(name, "wb").write(dicom)
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
png_start = b"\x89PNG\r\n\x1a\n"
open("big.png", "wb").write(png_start + chunk(b"IHDR", struct.pack(">IIBBBBB", 20000, 20000, 8, 2, 0, 0, 0))
                            + chunk(b"IDAT", zlib.compress(bytes(60001))) + chunk(b"IEND", b""))
sof = b"\xff\xc0\x00\x11\x08" + struct.pack(">HH", 20000, 20000) + b"\x03\x01\x11\x00\x02\x11\x00\x03\x11\x00"
open("big.jpg", "wb").write(b"\xff\xd8" + sof + b"\xff\xda\x00\x0c\x03\x01\x00\x02\x11\x03\x11\x00\x3f\x00" + bytes(64) + b"\xff\xd9")
# 1 GB files that start like a real picture and sound; the rest is a hole.
sparse = {"sparse.png": png_start + chunk(b"IHDR", struct.pack(">IIBBBBB", 4, 4, 8, 2, 0, 0, 0)),
          "sparse.jpg": b"\xff\xd8" + sof[:5] + struct.pack(">HH", 4, 4) + sof[9:],
          "sparse.wav": b"RIFF\xf8\xff\xff\x3fWAVEfmt \x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00"
                        b"\x10\xb1\x02\x00\x04\x00\x10\x00data\xd4\xff\xff\x3f"}
for name, head in sparse.items():
    with open(name, "wb") as f:
        f.write(head)
        f.truncate(1 << 30)
for kind in ("png", "jpg", "wav", "mp3", "ogg", "flac"):
    os.mkfifo("fifo." + kind)
    os.symlink("/dev/zero", "zero." + kind)
    os.mkdir("dir." + kind)
PY

# mod: background, left photo, right photo, music, sound.
mods="
m1 http.jpg dicom.png big.png fifo.mp3 zero.wav
m2 file.jpg fifo.png zero.png dir.ogg sparse.wav
m3 dicom.jpg dir.png sparse.png zero.mp3 fifo.wav
m4 big.jpg zero.jpg sparse.jpg sparse.wav dir.flac
m5 fifo.jpg dir.jpg fifo.png fifo.ogg fifo.flac
m6 zero.jpg sparse.jpg big.png dir.mp3 zero.ogg
m7 sparse.jpg http.jpg file.jpg dir.wav fifo.mp3
m8 dir.jpg big.jpg dicom.jpg zero.flac dir.ogg
"
echo "$mods" | while read -r mod bg left right music sound; do
    [ -n "$mod" ] || continue
    cp -a hostile "story/$mod"
    cp story/contentN.png story/content.png "story/$mod/"
    cat >"story/$mod/script.xml" <<XML
<?xml version="1.0" ?>
<story><name>$mod</name>
<characterList number="2"><character name="L" photoNum="1"><photo desp="l" dir="//$left"/></character>
<character name="R" photoNum="1"><photo desp="r" dir="//$right"/></character></characterList>
<bgList number="1"><bg>//$bg</bg></bgList>
<soundList number="1"><sd>//$sound</sd></soundList>
<bgmList number="1"><bgm>//$music</bgm></bgmList>
<scriptList number="1"><st><left character="0" photo="0"/><right character="1" photo="0"/>
<text character="0" sentence="072_105_"/><background index="0"/><musicDir index="0"/><sound index="0"/></st></scriptList></story>
XML
done
rm -rf hostile

# Runs "$@" under strace in the background: $pid is the program itself.
start_traced() {
    strace -f -qq -e trace=connect,open,openat -o "$1" "$2" >"$1.out" 2>&1 &
    tracer=$!
    i=0
    # strace forks a short-lived child of its own first: wait for the program.
    until pid=$(pgrep -P "$tracer" -x "$(basename "$2")") && [ -n "$pid" ]; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "$2 did not start"; sleep 0.05
    done
}

# The window titled like $1, waiting up to 15 s.
window_of() {
    i=0
    until win=$(xdotool search --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -1) && [ -n "$win" ]; do
        i=$((i + 1)); [ $i -gt 150 ] && fail "$2: no window $1 (hung?)"; sleep 0.1
    done
}

# The program's peak resident memory in kB; it must still be running.
check_peak() {
    kb=$(sed -n 's/^VmHWM:[^0-9]*\([0-9]*\).*/\1/p' "/proc/$pid/status" 2>/dev/null)
    [ -n "$kb" ] || { tail -n 5 "$1.out"; fail "$2 ended early"; }
    [ "$kb" -lt "$max_kb" ] || fail "$2 peaked at $kb kB"
}

check_trace() {
    grep -E 'connect\(.*AF_INET' "$1" && fail "$2 connected to the network"
    grep -F "$work/secret.txt" "$1" && fail "$2 opened a file outside the story"
    grep -q '"GET\|"HEAD' server.log && fail "$2 asked the web server: $(cat server.log)"
    [ -s "$1.audio" ] && tr -d '\000' <"$1.audio" | head -c 1 | grep -q . && fail "$2 played sound"
    return 0
}

export SDL_AUDIODRIVER=disk
# No session bus: a bus daemon started for the editor would outlive it.
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent
for mod in $(echo "$mods" | awk '{ print $1 }'); do
    printf '%s' "$mod" >story/startup.txt

    # The player: the frame comes up, a click ends the one-frame story.
    export SDL_DISKAUDIOFILE="$work/player-$mod.log.audio"
    start_traced "player-$mod.log" "$player"
    window_of "^$mod" "player on $mod"
    sleep 1.5 # the first transition takes 20 frames; clicks during it are dropped
    import -window "$win" "player-$mod.png" || fail "no screenshot of the player on $mod"
    colours=$(convert "player-$mod.png" -crop 800x380+0+0 +repage -format %k info:)
    [ "$colours" = 1 ] || fail "player on $mod shows a picture ($colours colours above the text box)"
    check_peak "player-$mod.log" "player on $mod"
    xdotool mousemove --window "$win" 400 300 click 1
    i=0
    until box=$(xwininfo -root -tree | awk '$2 == "\"Info\":" { print $1; exit }') && [ -n "$box" ]; do
        i=$((i + 1)); [ $i -gt 150 ] && fail "player on $mod: no Info box after the click (hung?)"; sleep 0.1
    done
    xdotool key --window "$box" Return
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "player on $mod still running after OK on Info"; sleep 0.1
    done
    wait "$tracer" || fail "player on $mod ended with $?"
    pid=""
    check_trace "player-$mod.log" "player on $mod"

    # The editor: its window comes up with the frame previewed, and still
    # answers F1 with its About box.
    export SDL_DISKAUDIOFILE="$work/editor-$mod.log.audio"
    start_traced "editor-$mod.log" "$editor"
    window_of "^Quillforge$" "editor on $mod"
    sleep 0.5
    xdotool key --window "$win" F1
    window_of "^About Quillforge$" "editor on $mod"
    # The About box runs inside the key press; without this the server may
    # keep F1 down for the tests that come after.
    xdotool keyup F1
    check_peak "editor-$mod.log" "editor on $mod"
    kill -KILL "$pid"
    i=0
    while kill -0 "$pid" 2>/dev/null; do
        i=$((i + 1)); [ $i -gt 100 ] && fail "editor on $mod did not end"; sleep 0.1
    done
    pid=""
    kill "$tracer" 2>/dev/null
    wait "$tracer"
    check_trace "editor-$mod.log" "editor on $mod"
    echo "$mod: player and editor refused every file (peak $kb kB for the editor)"
done
echo "hostile stories: ok"
