#!/usr/bin/env bash
# Peak memory and time of Lumora on hostile input: pictures that claim a huge size in a small file,
# show files far larger than any show, a huge file named as the music, and a show of a million
# entries. Every case plays from the command line on one Xvfb screen of 1920x1080.
#
#   bench/hostile-inputs.sh LUMORA [CASE]...
#
# Prints one line a case: peak resident memory (from /usr/bin/time -v), wall time, how it ended.
# Message boxes are answered by pressing Return every 0.2 s, so a case that ends in a message ends
# about when the message comes up. Files are written to $HOSTILE_DIR (default /tmp/lumora-hostile),
# sparse where they are large, so they take almost no disk.
set -euo pipefail
lumora=$(realpath "$1")
shift
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(jpeg-own jpeg-own-8 jpeg-stretched gif bmp-rle8 gif-issue-96 show-2gb show-blank-300mb
                                 show-1m music-2gb)
here="$(cd "$(dirname "$0")/.." && pwd)"
dir=${HOSTILE_DIR:-/tmp/lumora-hostile}
mkdir -p "$dir"

# ---- the files --------------------------------------------------------------------------------------

hex() { printf '%b' "$(sed 's/\(..\)/\\x\1/g' <<<"$1")"; }
# A 16 x 16 JPEG whose header claims 16384 x 16384 (ImageMagick writes the small one).
if [ ! -f "$dir/huge.jpg" ]; then
    /usr/bin/convert -size 16x16 xc:red -quality 50 "$dir/small.jpg"
    cp "$dir/small.jpg" "$dir/huge.jpg"
    sof=$(LC_ALL=C grep -obUaP '\xFF\xC0' "$dir/small.jpg" | head -n 1 | cut -d: -f1)
    printf '\x40\x00\x40\x00' | dd of="$dir/huge.jpg" bs=1 seek=$((sof + 5)) conv=notrunc status=none
fi
hex 474946383961803e803e800000000000ffffff2c00000000803e803e0002024401003b >"$dir/huge.gif"
{
    hex 424d38040000000000003604000028000000
    hex 803e0000803e0000010008000100000002000000130b0000130b00000001000000000000
    for i in $(seq 0 255); do printf "\\x$(printf %02x "$i")\\x$(printf %02x "$i")\\x$(printf %02x "$i")\\x00"; done
    hex 0001
} >"$dir/huge-rle8.bmp"
cp "$here/tests/data/pictures/image-gif/crashtest/issue-96-small-codesize-2.gif" "$dir/issue-96.gif"
/usr/bin/convert -size 64x48 xc:blue "$dir/small.bmp"
for i in 1 2 3 4 5 6 7 8; do cp "$dir/huge.jpg" "$dir/huge-$i.jpg"; done

settings() { # STRETCH [MUSIC]
    printf '"Strech=%s"\r\n"Ratio=1"\r\n"Shuff=0"\r\n"Delay=1"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n' "$1"
    if [ -n "${2:-}" ]; then printf '"UseMusic=1"\r\n"Music=%s"\r\n' "$2"; else printf '"UseMusic=0"\r\n"Music="\r\n'; fi
}
show() { # NAME STRETCH PICTURE...
    local name=$1 stretch=$2
    shift 2
    { settings "$stretch"; printf '"%s"\r\n' "$@"; } >"$dir/$name.lmr"
}
show jpeg-own False "$dir/huge.jpg"
show jpeg-own-8 False "$dir"/huge-?.jpg
show jpeg-stretched True "$dir/huge.jpg"
show gif False "$dir/huge.gif"
show bmp-rle8 False "$dir/huge-rle8.bmp"
show gif-issue-96 False "$dir/issue-96.gif"
truncate -s 0 "$dir/show-2gb.lmr" && truncate -s 2G "$dir/show-2gb.lmr"
if [ ! -f "$dir/show-blank-300mb.lmr" ]; then
    { settings False; printf '"%s"\r\n' "$dir/small.bmp"; (yes $'\r' || true) | head -n $((150 * 1024 * 1024)); } \
        >"$dir/show-blank-300mb.lmr"
fi
if [ ! -f "$dir/show-1m.lmr" ]; then
    { settings False; seq 1000000 | awk -v d="$dir" '{ printf "\"%s/pictures/holiday-%07d.bmp\"\r\n", d, $1 }'; } \
        >"$dir/show-1m.lmr"
    mkdir -p "$dir/pictures" && cp "$dir/small.bmp" "$dir/pictures/holiday-0000001.bmp"
fi
truncate -s 0 "$dir/zeros.mp3" && truncate -s 2G "$dir/zeros.mp3"
{ settings False "$dir/zeros.mp3"; printf '"%s"\r\n' "$dir/small.bmp"; } >"$dir/music-2gb.lmr"

# ---- one screen --------------------------------------------------------------------------------------

# shellcheck source=one-screen.sh
. "$(dirname "$0")/one-screen.sh"
one_screen lumora-hostile-run

printf '%-18s %10s %8s  %s\n' case "peak MB" "wall s" "ended"
for c in "${cases[@]}"; do
    (while sleep 0.2; do xdotool key Return 2>/dev/null || true; done) &
    presser=$!
    limit=60
    [ "$c" = show-1m ] && limit=5 # plays a million entries: stopped once the first is up
    timed_case "$c" 18 "$limit" "$lumora" "$dir/$c.lmr"
    kill "$presser" 2>/dev/null || true
    wait "$presser" 2>/dev/null || true
done
