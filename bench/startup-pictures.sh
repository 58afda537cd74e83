#!/usr/bin/env bash
# Start-up to the first picture under Xvfb (1920x1080) for each way of naming pictures on the
# command line, against a one-picture show file of the same picture:
#   show      a show file of one 1024x768 BMP at its own size
#   picture   that BMP named alone (its folder holds only it)
#   in-10000  a picture named in a folder of 10,000 pictures (the show of its folder, from it)
#   folder    a folder of 10,000 pictures
# The time is from the launch to the program's own "painted" log line of its first picture, the
# median of RUNS launches each, taken by turns so that the machine's moods fall on every way alike.
#
#   bench/startup-pictures.sh LUMORA [RUNS]          RUNS defaults to 11
set -euo pipefail
lumora=$(realpath "$1")
runs=${2:-11}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'kill ${xvfb_pid:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data HOME=$work/home
mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$HOME"
. "$here/scripts/xvfb.sh"
start_xvfb "$work" 1920x1080

mkdir -p "$work/one" "$work/many"
/usr/bin/convert -size 1024x768 xc:'rgb(255,0,0)' "$work/one/start.bmp"
printf '"Strech=False"\r\n"Ratio=0"\r\n"Shuff=0"\r\n"Delay=5"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n' >"$work/start.lmr"
printf '"UseMusic=0"\r\n"Music="\r\n"%s"\r\n' "$work/one/start.bmp" >>"$work/start.lmr"
# Ten thousand names of one file: the listing and the show are what is measured, not the disk.
for i in $(seq -w 0 9999); do ln "$work/one/start.bmp" "$work/many/p$i.bmp"; done
printf '[Settings]\nDelay=5\nLoop=0\n' >"$XDG_CONFIG_HOME/10. Lumora.ini"

now_ms() { echo $(($(date +%s%N) / 1000000)); }
declare -A took
launch() { # WAY ARGUMENT
    local start pid at
    sleep 0.3
    start=$(now_ms)
    QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy QT_LOGGING_RULES="lumora.paint.info=true" \
        QT_MESSAGE_PATTERN='%{time yyyy-MM-ddTHH:mm:ss.zzz} %{message}' "$lumora" "$2" >"$work/log" 2>&1 &
    pid=$!
    for _ in $(seq 200); do
        grep -q ' painted ' "$work/log" && break
        sleep 0.02
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    at=$(awk '/ painted / { print $1; exit }' "$work/log")
    [ -n "$at" ] || { echo "$1: no picture painted" >&2; exit 1; }
    took[$1]+="$(($(date -d "$at" +%s%3N) - start)) "
}
for i in $(seq "$runs"); do
    launch show "$work/start.lmr"
    launch picture "$work/one/start.bmp"
    launch in-10000 "$work/many/p5000.bmp"
    launch folder "$work/many"
done
median() { printf '%s\n' $1 | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
base=$(median "${took[show]}")
for way in show picture in-10000 folder; do
    m=$(median "${took[$way]}")
    echo "$way: first picture painted after $m ms (median of $runs; $(awk -v m="$m" -v b="$base" 'BEGIN { printf "%.2f", m / b }')x the show file)"
done
