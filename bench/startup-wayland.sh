#!/usr/bin/env bash
# Start-up to the first picture on a Wayland desktop: a headless sway at 1920x1080 and the given
# scale, Lumora native on Wayland. feh speaks only X, so there is no peer to run beside it here.
#
#   bench/startup-wayland.sh LUMORA [RUNS] [SCALE]      RUNS defaults to 11, SCALE to 1
#
# Each launch plays a one-picture show (a 1024x768 BMP stretched over the screen); the time is from
# the launch to the first screenshot of one pixel that shows the picture (at a point, in the
# compositor's logical coordinates, that lies on the screen at scales up to 3). The screenshots are
# taken by grim, one process each, which bounds the resolution and takes processor time from the
# launch being timed: the script prints the median time one poll takes, and also the time to the
# program's own "painted" log line, which no poll disturbs. Prints each launch and the medians.
set -euo pipefail
lumora=$(realpath "$1")
runs=${2:-11}
scale=${3:-1}
here=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
. "$here/scripts/sway.sh"
trap 'stop_sway; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config HOME=$work/home
mkdir -p -m 700 "$XDG_RUNTIME_DIR" && mkdir -p "$XDG_CONFIG_HOME" "$HOME"
start_sway "$work" 1920x1080 "$scale"

/usr/bin/convert -size 1024x768 xc:'rgb(255,0,0)' "$work/start.bmp"
printf '"Strech=True"\r\n"Ratio=0"\r\n"Shuff=0"\r\n"Delay=5"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n' >"$work/start.lmr"
printf '"UseMusic=0"\r\n"Music="\r\n"%s"\r\n' "$work/start.bmp" >>"$work/start.lmr"

red() { grim -g "600,300 1x1" -t ppm - 2>/dev/null | tail -c 3 | od -An -tu1 | grep -q '255 *0 *0'; }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

times=() polls=() paints=()
for i in $(seq "$runs"); do
    sleep 0.5
    start=$(now_ms)
    QT_QPA_PLATFORM=${PLATFORM:-wayland} SDL_AUDIODRIVER=dummy QT_LOGGING_RULES="lumora.paint.info=true" \
        QT_MESSAGE_PATTERN='%{time yyyy-MM-ddTHH:mm:ss.zzz} %{message}' "$lumora" "$work/start.lmr" >"$work/log" 2>&1 &
    pid=$!
    n=0
    until red; do
        n=$((n + 1))
        [ $(($(now_ms) - start)) -lt 10000 ] || { echo "launch $i: no picture after 10 s" >&2; exit 1; }
    done
    took=$(($(now_ms) - start))
    times+=("$took")
    [ $n -eq 0 ] || polls+=($((took / (n + 1))))
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    at=$(awk '/ painted / { print $1; exit }' "$work/log")
    paint=$(($(date -d "$at" +%s%3N) - start))
    paints+=("$paint")
    echo "launch $i: painted after $paint ms, seen after $took ms ($((n + 1)) polls)"
done
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
echo "Wayland at scale $scale, median of $runs launches: painted after $(median "${paints[@]}") ms," \
    "on the screen after $(median "${times[@]}") ms (one poll takes about $(median "${polls[@]}") ms)"
