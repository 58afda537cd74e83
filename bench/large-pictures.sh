#!/usr/bin/env bash
# Peak memory and time of Lumora showing one large picture: a 600-dpi A4 scan as BMP (35 MP), a
# 100 MP BMP, a 16000 x 16000 GIF, a 20 MP CMYK JPEG, a 100 MP TIFF (12000 x 8400: uncompressed in
# one strip, LZW in strips, LZW in tiles), a 100 MP PNG, a 12 MP phone-sized PNG (whose data is
# inflated whole) and a 48 MP phone picture as HEIC and as JPEG XL
# (which their libraries decode whole), each at its own size and stretched, and a small BMP for the
# program's own base. Every case plays from the command line on one Xvfb screen
# of 1920x1080 and ends by itself one second after its picture is up.
#
#   bench/large-pictures.sh BUILD_DIR [CASE]...
#
# Prints one line a case: peak resident memory (from /usr/bin/time -v) and wall time. The pictures
# are written by BUILD_DIR/bench/make_large_picture into $LARGE_DIR (default /tmp/lumora-large);
# together they take some 1.6 GB of disk.
set -euo pipefail
build=$(realpath "$1")
shift
lumora=$build/lumora
make=$build/bench/make_large_picture
cases=("$@")
[ ${#cases[@]} -gt 0 ] || cases=(small-bmp bmp-35mp-own bmp-35mp-stretched bmp-100mp-own bmp-100mp-stretched
                                 gif-16k-own gif-16k-stretched cmyk-20mp-own cmyk-20mp-stretched
                                 heic-48mp-own heic-48mp-stretched jxl-48mp-own jxl-48mp-stretched
                                 tiff-100mp-own tiff-100mp-stretched tiff-lzw-100mp-own tiff-lzw-100mp-stretched
                                 tiff-tiled-100mp-own tiff-tiled-100mp-stretched png-100mp-own png-100mp-stretched
                                 png-12mp-own png-12mp-stretched)
dir=${LARGE_DIR:-/tmp/lumora-large}
mkdir -p "$dir"

picture() { # KIND W H NAME
    [ -f "$dir/$4" ] || { "$make" "$1" "$2" "$3" "$dir/$4.part" && mv "$dir/$4.part" "$dir/$4"; }
}
picture bmp 64 48 small.bmp
picture bmp 4960 7016 scan-35mp.bmp
picture bmp 10000 10000 big-100mp.bmp
picture gif 16000 16000 panorama-16k.gif
picture cmyk 5472 3648 photo-20mp-cmyk.jpg
# The encoders read PNG: the phone pictures are made from the BMP's picture, quickly rather than small.
if [ ! -f "$dir/phone-48mp.heic" ] || [ ! -f "$dir/phone-48mp.jxl" ]; then
    picture bmp 8000 6000 phone-48mp.bmp
    convert "$dir/phone-48mp.bmp" "$dir/phone-48mp.png"
    [ -f "$dir/phone-48mp.heic" ] || { heif-enc -q 80 -p preset=ultrafast "$dir/phone-48mp.png" \
        -o "$dir/phone-48mp.heic.part" >/dev/null && mv "$dir/phone-48mp.heic.part" "$dir/phone-48mp.heic"; }
    [ -f "$dir/phone-48mp.jxl" ] || { cjxl "$dir/phone-48mp.png" "$dir/phone-48mp.jxl.part" -e 3 2>/dev/null &&
        mv "$dir/phone-48mp.jxl.part" "$dir/phone-48mp.jxl"; }
    rm -f "$dir/phone-48mp.png"
fi
for layout in tiff tiff-lzw tiff-tiled; do
    picture $layout 12000 8400 $layout-100mp.tif
done
[ -f "$dir/phone-12mp.png" ] || { picture bmp 4000 3000 phone-12mp.bmp && convert "$dir/phone-12mp.bmp" \
    "png:$dir/phone-12mp.png.part" && mv "$dir/phone-12mp.png.part" "$dir/phone-12mp.png"; }
[ -f "$dir/big-100mp.png" ] || { convert "$dir/big-100mp.bmp" "png:$dir/big-100mp.png.part" &&
    mv "$dir/big-100mp.png.part" "$dir/big-100mp.png"; }

show() { # NAME STRETCH PICTURE
    printf '"Strech=%s"\r\n"Ratio=1"\r\n"Shuff=0"\r\n"Delay=1"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n' "$2" >"$dir/$1.lmr"
    printf '"UseMusic=0"\r\n"Music="\r\n"%s"\r\n' "$dir/$3" >>"$dir/$1.lmr"
}
show small-bmp False small.bmp
show bmp-35mp-own False scan-35mp.bmp
show bmp-35mp-stretched True scan-35mp.bmp
show bmp-100mp-own False big-100mp.bmp
show bmp-100mp-stretched True big-100mp.bmp
show gif-16k-own False panorama-16k.gif
show gif-16k-stretched True panorama-16k.gif
show cmyk-20mp-own False photo-20mp-cmyk.jpg
show cmyk-20mp-stretched True photo-20mp-cmyk.jpg
show heic-48mp-own False phone-48mp.heic
show heic-48mp-stretched True phone-48mp.heic
show jxl-48mp-own False phone-48mp.jxl
show jxl-48mp-stretched True phone-48mp.jxl
for layout in tiff tiff-lzw tiff-tiled; do
    show $layout-100mp-own False $layout-100mp.tif
    show $layout-100mp-stretched True $layout-100mp.tif
done
show png-100mp-own False big-100mp.png
show png-100mp-stretched True big-100mp.png
show png-12mp-own False phone-12mp.png
show png-12mp-stretched True phone-12mp.png

# shellcheck source=one-screen.sh
. "$(dirname "$0")/one-screen.sh"
one_screen lumora-large-run

printf '%-28s %10s %8s  %s\n' case "peak MB" "wall s" "ended"
for c in "${cases[@]}"; do
    timed_case "$c" 28 60 "$lumora" "$dir/$c.lmr"
done
