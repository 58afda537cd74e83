#!/usr/bin/env bash
# Times Lumora against feh on the benchmark picture sets, both on one Xvfb screen of 1920x1080.
#
#   scripts/bench-vs-feh.sh [LUMORA]     LUMORA defaults to build-bench/lumora (built when missing)
#
# Environment: BENCH_DIR where the pictures are kept (default /tmp/lumora-bench, written by
# make_pictures when missing), SETS (default "camera hd bmp gif"; phone-FORMAT and screen-FORMAT are
# 4000x3000 and 1920x1080 sets of png, webp, tiff, heic, avif or jxl, made by bench/format-sets.sh), RUNS per program and set (3),
# STARTUP_RUNS (5), SCREEN the Xvfb screen (1920x1080) and SCALE the scale Lumora runs at (1): a
# scaled screen is SCREEN=3840x2160 SCALE=2, where Lumora works in logical pixels and, like feh,
# paints at the device's.
#
# Each set is played by `lumora SET.lmr` (Delay=0.001, Loop=0: steps as fast as it can, then ends)
# and by `feh -F -Z -D 0.001 --on-last-slide quit FILES`, taking turns, under /usr/bin/time -v.
#   ms/pic     median wall time of a whole run, start-up and ending included, divided by the number
#              of pictures. Lumora shows the first picture again as it closes, kept from the start.
#   peak MB    median over the runs of the peak resident memory.
#   CPU ms/pic user + system time of the program, and the X server's own time (read from /proc)
#              during the run, each divided by the pictures.
#   steady     Lumora's paint log timestamps: time from the first to the last painted picture,
#              divided by the paints in between, i.e. the pace once the show is running.
#   painted    from Lumora's paint log (QT_LOGGING_RULES="lumora.paint.info=true"): the painted
#              lines, how many of the show's pictures were painted, and whether they were painted
#              in the show's order (the show's list is a subsequence of the painted list).
# Start-up: start.lmr shows one small BMP for two seconds; feh shows the same file with -D 2. The
# script polls one pixel of the Xvfb frame buffer (-fbdir, away from the centre where the pointer
# is drawn) every few milliseconds and takes the time from launch to the first read of the value
# that then stays (the picture), as well as when the pixel first changed at all (a window). For
# Lumora it also gives the timestamp of its first "painted" log line. The program is then ended.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
lumora=${1:-$here/build-bench/lumora}
bench_dir=${BENCH_DIR:-/tmp/lumora-bench}
read -r -a sets <<<"${SETS:-camera hd bmp gif}"
runs=${RUNS:-3}
startup_runs=${STARTUP_RUNS:-5}
screen=${SCREEN:-1920x1080}
scale=${SCALE:-1}
# The pixel polled for the start-up figure: inside the picture for both programs' placing.
poll_x=1200
poll_y=700

# shellcheck source=bench-lib.sh
. "$here/scripts/bench-lib.sh"

need feh feh
need Xvfb xvfb
need /usr/bin/time time
need timeout coreutils

# ---- the programs and the pictures -----------------------------------------------------------------

if [ ! -x "$lumora" ] && [ $# -eq 0 ]; then
    say "building $lumora"
    cmake -S "$here" -B "$here/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$here/build-bench" -j"$(nproc)" --target lumora make_pictures >/dev/null
fi
[ -x "$lumora" ] || { say "no lumora at $lumora"; exit 1; }
lumora=$(cd "$(dirname "$lumora")" && pwd)/$(basename "$lumora")
build_dir=$(dirname "$lumora")
make_pictures=$build_dir/bench/make_pictures
if [ ! -x "$make_pictures" ] && [ -f "$build_dir/CMakeCache.txt" ]; then
    cmake --build "$build_dir" -j"$(nproc)" --target make_pictures >/dev/null
fi
[ -x "$make_pictures" ] || { say "no make_pictures at $make_pictures"; exit 1; }
# Quick when the pictures are there already: only missing ones are written.
# Sets of the other formats (phone-webp, screen-heic, ...) are made from make_pictures' PNG sets.
own_sets=(bmp)
format_sets=()
for set in "${sets[@]}"; do
    case $set in
    phone-png | screen-png) own_sets+=("$set") ;;
    phone-* | screen-*) own_sets+=("${set%%-*}-png") format_sets+=("$set") ;;
    *) own_sets+=("$set") ;;
    esac
done
"$make_pictures" --sets "$(IFS=,; echo "${own_sets[*]}")" "$bench_dir" >&2
[ ${#format_sets[@]} -eq 0 ] || "$here/bench/format-sets.sh" "$bench_dir" "${format_sets[@]}"

# ---- one X screen for everything ---------------------------------------------------------------------

work=$(mktemp -d /tmp/lumora-bench-run.XXXXXX)
xvfb_pid=
cleanup() {
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/fb" "$work/home/config" "$work/home/data" "$work/home/cache" "$work/home/runtime"
chmod 700 "$work/home/runtime"
# shellcheck source=xvfb.sh
. "$here/scripts/xvfb.sh"
start_xvfb "$work" "$screen" -br -fbdir "$work/fb" || { say "Xvfb did not start"; exit 1; }
# Everything a run may write goes to the scratch folder, not the user's own files.
export XDG_CONFIG_HOME=$work/home/config XDG_DATA_HOME=$work/home/data XDG_CACHE_HOME=$work/home/cache
export XDG_RUNTIME_DIR=$work/home/runtime HOME=$work/home
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
# Lumora's own settings are in the environment of both programs (feh reads none of them), so that
# both are started the same way: through `env` Lumora paid one more program start than feh.
export TZ=UTC QT_SCALE_FACTOR="$scale" QT_LOGGING_RULES="lumora.paint.info=true"
export QT_MESSAGE_PATTERN="%{time HH:mm:ss.zzz} %{category}: %{message}"

fb=$work/fb/Xvfb_screen0
u32() { od -An -tu4 --endian=big -j "$1" -N4 "$fb" | tr -d ' '; }
# XWD file: header, colour map of 12-byte entries, then the pixels.
pixel_offset=$(($(u32 0) + $(u32 76) * 12 + poll_y * $(u32 48) + poll_x * $(u32 44) / 8))
pixel() { od -An -tx4 -j "$pixel_offset" -N4 "$fb" | tr -d ' '; }
black=$(pixel)

clk_tck=$(getconf CLK_TCK)
xvfb_ticks() { awk '{print $14 + $15}' "/proc/$xvfb_pid/stat"; }
ms_since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# Sleeps without starting a process, so that the poll leaves the cores to the program.
exec {nap_fd}<> <(:)
nap() { read -r -t "$1" -u "$nap_fd" || true; }

# A run: wall ms, peak RSS KB, CPU ms of the program, CPU ms of the X server, exit status.
timed_run() { # OUT_PREFIX COMMAND...
    local prefix=$1
    shift
    local x0 start rc=0
    x0=$(xvfb_ticks)
    start=$EPOCHREALTIME
    /usr/bin/time -v -o "$prefix.time" timeout 600 "$@" >"$prefix.out" 2>"$prefix.err" || rc=$?
    local wall x1
    wall=$(ms_since "$start")
    x1=$(xvfb_ticks)
    awk -v wall="$wall" -v rc="$rc" -v xms="$(((x1 - x0) * 1000 / clk_tck))" -F': ' '
        /Maximum resident set size/ { rss = $2 }
        /User time/ { cpu += $2 * 1000 }
        /System time/ { cpu += $2 * 1000 }
        END { printf "%s %s %.0f %s %s\n", wall, rss, cpu, xms, rc }' "$prefix.time"
}

show_pictures() { tail -n +10 "$1" | tr -d '\r' | sed 's/^"//; s/"$//'; }

# Painted lines, pictures of the show painted, in order, steady ms per picture (from the log times).
paint_check() { # SHOW_LIST LOG
    local painted=$work/painted.txt
    sed -n 's/^.*lumora\.paint: painted //p' "$2" >"$painted"
    local lines pictures order steady
    lines=$(wc -l <"$painted")
    pictures=$(comm -12 <(sort -u "$1") <(sort -u "$painted") | wc -l)
    order=$(awk 'NR == FNR { want[++n] = $0; next }
                 FNR == 1 { first = $0 }
                 i < n && $0 == want[i + 1] { ++i }
                 END {
                     if (i == n) print "yes"
                     else if (first != want[1]) print "no, the first painted was " first " (the show starts with " want[1] ")"
                     else print "no, in order up to entry " i " of " n
                 }' "$1" "$painted")
    steady=$(awk '/lumora\.paint: painted / {
                      split($1, t, ":"); s = t[1] * 3600 + t[2] * 60 + t[3]
                      if (n == 0) first = s
                      if (s < last) s += 86400
                      last = s; ++n }
                  END { if (n > 1) printf "%.1f", (last - first) * 1000 / (n - 1); else print "-" }' "$2")
    echo "$lines|$pictures|$order|$steady"
}

# ---- the sets ----------------------------------------------------------------------------------------

declare -A result
printf '%-12s %-7s %3s %9s %8s %9s %9s %4s\n' set program run "wall ms" "peak MB" "CPU ms" "X ms" rc >&2
for set in "${sets[@]}"; do
    show=$bench_dir/$set.lmr
    list=$work/$set.list
    show_pictures "$show" >"$list"
    mapfile -t files <"$list"
    n=${#files[@]}
    cat "${files[@]}" >/dev/null # into the page cache before the first run
    : >"$work/lumora.runs"
    : >"$work/feh.runs"
    checks=()
    for run in $(seq "$runs"); do
        # Taking turns, and swapping who goes first each run.
        if [ $((run % 2)) -eq 1 ]; then order=(lumora feh); else order=(feh lumora); fi
        for program in "${order[@]}"; do
            prefix=$work/$set.$program.$run
            if [ "$program" = lumora ]; then
                line=$(timed_run "$prefix" "$lumora" "$show")
                checks+=("$(paint_check "$list" "$prefix.err")")
            else
                line=$(timed_run "$prefix" feh -F -Z -D 0.001 --on-last-slide quit "${files[@]}")
            fi
            echo "$line" >>"$work/$program.runs"
            read -r wall rss cpu xms rc <<<"$line"
            printf '%-12s %-7s %3s %9.0f %8.1f %9s %9s %4s\n' "$set" "$program" "$run" "$wall" \
                "$(awk -v k="$rss" 'BEGIN { print k / 1024 }')" "$cpu" "$xms" "$rc" >&2
            if [ "$rc" != 0 ]; then
                say "  $program exited with $rc; its stderr ends with:"
                tail -n 5 "$prefix.err" >&2
            fi
        done
    done
    for program in lumora feh; do
        f=$work/$program.runs
        result[$set.$program.ms]=$(awk '{ print $1 }' "$f" | median | awk -v n="$n" '{ printf "%.1f", $1 / n }')
        result[$set.$program.mb]=$(awk '{ print $2 / 1024 }' "$f" | median | awk '{ printf "%.0f", $1 }')
        result[$set.$program.cpu]=$(awk '{ print $3 }' "$f" | median | awk -v n="$n" '{ printf "%.1f", $1 / n }')
        result[$set.$program.x]=$(awk '{ print $4 }' "$f" | median | awk -v n="$n" '{ printf "%.1f", $1 / n }')
        result[$set.$program.fail]=$(awk '$5 != 0 { ++f } END { print f + 0 }' "$f")
    done
    result[$set.n]=$n
    steadies=()
    # The worst run decides the verdict.
    min_pictures=$n
    min_lines=
    in_order=yes
    for c in "${checks[@]}"; do
        IFS='|' read -r lines pictures order steady <<<"$c"
        steadies+=("$steady")
        say "  lumora run: painted $lines lines, $pictures/$n pictures, in the show's order: $order, steady $steady ms/pic"
        if [ "$pictures" -lt "$min_pictures" ]; then min_pictures=$pictures; fi
        if [ -z "$min_lines" ] || [ "$lines" -lt "$min_lines" ]; then min_lines=$lines; fi
        if [ "$order" != yes ]; then in_order=no; fi
    done
    if [ "$min_pictures" -eq "$n" ] && [ "$min_lines" -ge "$n" ]; then
        result[$set.painted]="all $n"
        [ "$in_order" = yes ] || result[$set.painted]+=", NOT in the show's order"
    else
        result[$set.painted]="ONLY $min_pictures/$n pictures, $min_lines lines"
    fi
    result[$set.steady]=$(printf '%s\n' "${steadies[@]}" | grep -v '^-$' | median)
done

# ---- start-up -----------------------------------------------------------------------------------------

# Launch to the first pixel change and to the picture, in ms; "-" when it never came.
poll_start() { # PREFIX COMMAND...
    local prefix=$1
    shift
    local start pid first=- picture=- last=$black since=0 same=0 value
    start=$EPOCHREALTIME
    "$@" >"$prefix.out" 2>"$prefix.err" &
    pid=$!
    local deadline=$((${start%.*} + 10))
    while [ "${EPOCHREALTIME%.*}" -lt $deadline ] && kill -0 "$pid" 2>/dev/null; do
        value=$(pixel)
        if [ "$value" != "$last" ]; then
            [ "$first" = - ] && first=$(ms_since "$start")
            last=$value
            since=$(ms_since "$start")
            same=0
        elif [ "$value" != "$black" ]; then
            # The same picture pixel read five times running: it stays.
            if [ $((++same)) -ge 5 ]; then
                picture=$since
                break
            fi
        fi
        nap 0.002
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    # Back to the bare screen before the next launch.
    while [ "$(pixel)" != "$black" ] && [ "${EPOCHREALTIME%.*}" -lt $((deadline + 5)) ]; do
        nap 0.01
    done
    echo "$first $picture $start"
}

start_show=$bench_dir/start.lmr
start_picture=$(show_pictures "$start_show")
: >"$work/start.lumora"
: >"$work/start.feh"
say ""
say "start-up (ms from launch): program run window picture [first painted log line]"
for run in $(seq "$startup_runs"); do
    if [ $((run % 2)) -eq 1 ]; then order=(lumora feh); else order=(feh lumora); fi
    for program in "${order[@]}"; do
        prefix=$work/start.$program.$run
        if [ "$program" = lumora ]; then
            read -r first picture start <<<"$(poll_start "$prefix" "$lumora" "$start_show")"
            log=$(awk -v s="$start" '/lumora\.paint: painted / {
                      split($1, t, ":"); p = t[1] * 3600 + t[2] * 60 + t[3]
                      d = p - (s % 86400); if (d < -43200) d += 86400
                      printf "%.1f", d * 1000; exit }' "$prefix.err")
            echo "$picture ${log:--}" >>"$work/start.lumora"
            say "  lumora $run: $first $picture [${log:--}]"
        else
            read -r first picture start <<<"$(poll_start "$prefix" feh -F -Z -D 2 --on-last-slide quit \
                "$start_picture")"
            echo "$picture" >>"$work/start.feh"
            say "  feh    $run: $first $picture"
        fi
    done
done
start_lumora=$(awk '$1 != "-" { print $1 }' "$work/start.lumora" | median)
start_lumora_log=$(awk '$2 != "-" { print $2 }' "$work/start.lumora" | median)
start_feh=$(awk '$1 != "-" { print $1 }' "$work/start.feh" | median)
start_lumora_missed=$(awk '$1 == "-" { ++m } END { print m + 0 }' "$work/start.lumora")
start_feh_missed=$(awk '$1 == "-" { ++m } END { print m + 0 }' "$work/start.feh")

# ---- summary ------------------------------------------------------------------------------------------

echo
echo "Lumora $lumora against $(feh --version | head -n 1), Xvfb ${screen}x24 at scale $scale, $(nproc) cores, median of $runs runs"
printf '%-12s %4s | %9s %9s %6s | %7s %7s | %8s %8s %8s %8s | %9s | %s\n' set n "lumora" "feh" ratio \
    "lumora" "feh" "lumora" "lum. X" "feh" "feh X" "lumora" "lumora painted"
printf '%-12s %4s | %9s %9s %6s | %7s %7s | %8s %8s %8s %8s | %9s | %s\n' "" "" "ms/pic" "ms/pic" "l/f" \
    "peak MB" "peak MB" "CPU/pic" "CPU/pic" "CPU/pic" "CPU/pic" "steady" ""
for set in "${sets[@]}"; do
    lm=${result[$set.lumora.ms]}
    fm=${result[$set.feh.ms]}
    ratio=$(awk -v a="$lm" -v b="$fm" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    fails=
    [ "${result[$set.lumora.fail]}" = 0 ] || fails+=" lumora failed ${result[$set.lumora.fail]}x"
    [ "${result[$set.feh.fail]}" = 0 ] || fails+=" feh failed ${result[$set.feh.fail]}x"
    printf '%-12s %4s | %9s %9s %6s | %7s %7s | %8s %8s %8s %8s | %9s | %s%s\n' "$set" "${result[$set.n]}" \
        "$lm" "$fm" "$ratio" "${result[$set.lumora.mb]}" "${result[$set.feh.mb]}" \
        "${result[$set.lumora.cpu]}" "${result[$set.lumora.x]}" "${result[$set.feh.cpu]}" \
        "${result[$set.feh.x]}" "${result[$set.steady]}" "${result[$set.painted]}" "$fails"
done
echo "start-up to the picture on screen (median of $startup_runs): lumora $start_lumora ms" \
    "(first painted log line $start_lumora_log ms), feh $start_feh ms" \
    "$([ "$start_lumora_missed$start_feh_missed" = 00 ] ||
        echo "; never shown: lumora $start_lumora_missed, feh $start_feh_missed")"
