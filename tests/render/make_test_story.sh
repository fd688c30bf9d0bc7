#!/bin/sh
# Writes the small story the golden pictures are rendered from, into
# tests/render/story (committed; run again only to change the story).
# Small pictures are zoomed by the player, so every pixel shows as a block:
# mirroring and fades are plain to see. Needs ImageMagick and iconv.
set -eu
# PNG files without time stamps: running this again changes no byte.
here=$(cd "$(dirname "$0")" && pwd)
root="$here/story"
mod="$root/Pixels"
rm -rf "$root"
mkdir -p "$mod/bg" "$mod/person"

# The marker: a small blue triangle, transparent around it.
convert -define png:exclude-chunk=date,time -size 20x20 xc:none -fill '#2050d0' -draw 'polygon 2,4 18,4 10,16' "PNG32:$root/next.png"
# Text boxes: narration plain; a speaker's box has a darker left end, so the
# mirrored box of the right speaker shows it on the right.
convert -define png:exclude-chunk=date,time -size 16x6 xc:'#f4f0e0' -fill '#806040' -draw 'rectangle 0,0 15,0' -draw 'rectangle 0,5 15,5' \
    "PNG24:$mod/contentN.png"
convert -define png:exclude-chunk=date,time -size 16x6 xc:'#e8f0ff' -fill '#3050a0' -draw 'rectangle 0,0 2,5' "PNG24:$mod/content.png"
# Backgrounds: 8 x 6 colour blocks, zoomed 100 times.
convert -define png:exclude-chunk=date,time -size 8x6 xc:'#60a0e0' -fill '#40a040' -draw 'rectangle 0,4 7,5' -fill '#ffe060' \
    -draw 'rectangle 6,1 6,1' "PNG24:$mod/bg/day.png"
convert -define png:exclude-chunk=date,time -size 8x6 xc:'#102040' -fill '#203020' -draw 'rectangle 0,4 7,5' -fill '#f0f0f0' \
    -draw 'rectangle 1,1 1,1' "PNG24:$mod/bg/night.png"
# Persons: 13 x 19 with a transparent margin and a half-transparent hand on
# the left, so mirroring and alpha both show.
convert -define png:exclude-chunk=date,time -size 13x19 xc:none -fill '#c03030' -draw 'rectangle 3,8 9,18' -fill '#f0c8a0' \
    -draw 'rectangle 4,2 8,7' -fill '#f0c8a080' -draw 'rectangle 0,9 2,11' "PNG32:$mod/person/ann.png"
convert -define png:exclude-chunk=date,time -size 13x19 xc:none -fill '#3040a0' -draw 'rectangle 2,7 10,18' -fill '#e0b890' \
    -draw 'rectangle 3,1 8,6' -fill '#000000' -draw 'rectangle 3,3 4,3' "PNG32:$mod/person/bob.png"

# A sentence in its stored form: every byte as three decimal digits and "_".
encode() { printf '%s' "$1" | od -An -v -tu1 | tr -s ' \n' '  ' | sed 's/^ *//; s/ *$//' |
    awk '{ for (i = 1; i <= NF; i++) printf "%03d_", $i }'; }
gb() { printf '%s' "$1" | iconv -f UTF-8 -t GB2312; }
long="This sentence is long enough to wrap: the player breaks a line after ninety bytes of text and goes on twenty pixels lower, as here."
# With the speaker prefix (a hanzi, ": ") 89 bytes, then a hanzi across the
# line end (bytes 89 and 90).
mixed=$(printf '%s%s' "$(printf '%085d' 0 | tr 0 .)" "$(gb '灯笼，月亮和星星。今晚大家都在河边。')")

frame() { # left-char left-photo right-char right-photo text-char sentence background
    cat <<XML
        <st>
            <left character="$1" photo="$2" />
            <right character="$3" photo="$4" />
            <text character="$5" sentence="$6" />
            <background index="$7" />
            <musicDir index="-1" />
            <sound index="-1" />
        </st>
XML
}
{
    cat <<XML
<?xml version="1.0" ?>
<story>
    <name>Pixels</name>
    <characterList number="2">
        <character name="Ann" photoNum="1">
            <photo desp="ann" dir="//person/ann.png" />
        </character>
        <character name="$(gb '博')" photoNum="1">
            <photo desp="bob" dir="//person/bob.png" />
        </character>
    </characterList>
    <bgList number="3">
        <bg>//bg/day.png</bg>
        <bg>//bg/night.png</bg>
        <bg>//bg/missing.png</bg>
    </bgList>
    <soundList number="0" />
    <bgmList number="0" />
    <scriptList number="4">
XML
    frame 0 0 -1 -1 0 "$(encode 'Ann stands alone.')" 0
    frame 0 0 1 0 1 "$(encode "$long")" 0
    frame 0 0 1 0 2 "$(printf '%s' "$mixed" | encode "$(cat)")" 1
    frame -1 -1 0 0 0 "$(encode 'The background is missing; the right photo is Ann, mirrored.')" 2
    cat <<XML
    </scriptList>
</story>
XML
} > "$mod/script.xml"
