#!/usr/bin/env bash
# Makes the phone-size and screen-size benchmark sets in every format besides PNG from the PNG sets
# that make_pictures writes (the same pictures, so that formats compare with each other), with
# Debian's own encoders, and a show file for each set as make_pictures writes them.
#
#   bench/format-sets.sh BENCH_DIR SET...     SET is SIZE-FORMAT: phone or screen, and webp, tiff,
#                                             heic, avif or jxl (phone-webp, screen-jxl, ...)
#
# Sets already made are kept (BENCH_DIR/SET/.done). Lossy formats at quality 90, as camera JPEGs;
# TIFF with LZW in strips, as scanners and editors write it.
set -euo pipefail

bench_dir=$1
shift
jobs=$(nproc)

encode() { # FORMAT IN OUT
    case $1 in
    webp) cwebp -quiet -q 90 "$2" -o "$3" ;;
    tiff) convert "$2" -compress lzw "$3" ;;
    heic) heif-enc -q 90 -o "$3" "$2" >/dev/null ;;
    # libaom's slower speeds take minutes a picture at phone size.
    avif) heif-enc -A -q 90 -p speed=8 -o "$3" "$2" >/dev/null ;;
    jxl) cjxl -q 90 -e 3 --quiet "$2" "$3" 2>/dev/null ;;
    *) echo "format-sets: no encoder for $1" >&2; return 1 ;;
    esac
}
export -f encode

for set in "$@"; do
    size=${set%%-*}
    format=${set#*-}
    source=$bench_dir/$size-png
    out=$bench_dir/$set
    [ -f "$out/.done" ] && continue
    [ -d "$source" ] || { echo "format-sets: no $source (make_pictures --sets $size-png)" >&2; exit 1; }
    echo "format-sets: making $set" >&2
    rm -rf "$out"
    mkdir -p "$out"
    ending=$format
    [ "$format" = tiff ] && ending=tif
    for png in "$source"/*.png; do
        name=$(basename "$png" .png)
        printf '%s\0%s\0%s\0' "$format" "$png" "$out/${name/png/$format}.$ending"
    done | xargs -0 -n 3 -P "$jobs" bash -c 'encode "$@"' _
    {
        for line in Strech=True Ratio=1 Shuff=0 Delay=0.001 BackCol=0 Loop=0 Message=1 UseMusic=0 Music=; do
            printf '"%s"\r\n' "$line"
        done
        for picture in "$out"/*."$ending"; do
            printf '"%s"\r\n' "$picture"
        done
    } >"$bench_dir/$set.lmr"
    touch "$out/.done"
done
