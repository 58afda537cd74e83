#!/usr/bin/env bash
# Times a key press to the next picture on the screen, Lumora beside feh, on one Xvfb screen.
#
#   scripts/bench-keys.sh [LUMORA]...   each LUMORA in turn (default build-bench/lumora, built when
#                                       missing), then feh
#
# Environment: BENCH_DIR where the pictures are kept (default /tmp/lumora-bench, written by
# make_pictures when missing), SETS (default "hd camera"), PRESSES per program and set (40), KEY
# (Right), SCREEN (1920x1080).
#
# Both programs fill the screen with the set's pictures and wait for keys: Lumora plays a looping show
# without delay, feh runs as `feh -F -Z FILES`. bench/key_to_picture.py sends the key through XTest
# at random moments, well after the screen settled (so Lumora has its next picture prepared; feh
# decodes when asked), and reads the frame buffer every half millisecond until the picture changes.
# Printed: median, 90th percentile and maximum in ms, and presses that changed nothing.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
bench_dir=${BENCH_DIR:-/tmp/lumora-bench}
read -r -a sets <<<"${SETS:-hd camera}"
presses=${PRESSES:-40}
key=${KEY:-Right}
screen=${SCREEN:-1920x1080}
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=("$here/build-bench/lumora")

# shellcheck source=bench-lib.sh
. "$here/scripts/bench-lib.sh"
need feh feh
need Xvfb xvfb
need python3 python3

if [ ! -x "${programs[0]}" ] && [ $# -eq 0 ]; then
    say "building ${programs[0]}"
    cmake -S "$here" -B "$here/build-bench" -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$here/build-bench" -j"$(nproc)" --target lumora make_pictures >/dev/null
fi
for p in "${programs[@]}"; do
    [ -x "$p" ] || { say "no lumora at $p"; exit 1; }
done
make_pictures=$(dirname "${programs[0]}")/bench/make_pictures
[ -x "$make_pictures" ] || { say "no make_pictures at $make_pictures"; exit 1; }
"$make_pictures" --sets "$(IFS=,; echo "${sets[*]}")" "$bench_dir" >&2

work=$(mktemp -d /tmp/lumora-keys.XXXXXX)
xvfb_pid=
cleanup() {
    [ -z "$xvfb_pid" ] || { kill "$xvfb_pid" 2>/dev/null || true; }
    rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/fb" "$work/home/config" "$work/home/runtime"
chmod 700 "$work/home/runtime"
# shellcheck source=xvfb.sh
. "$here/scripts/xvfb.sh"
start_xvfb "$work" "$screen" -br -fbdir "$work/fb" || exit 1
export XDG_CONFIG_HOME=$work/home/config XDG_RUNTIME_DIR=$work/home/runtime HOME=$work/home
export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy

summary() { # LABEL FIGURES...
    local label=$1
    shift
    printf '%s\n' "$@" | sort -g | awk -v label="$label" '
        $1 == "-" { ++missed; next }
        NF { v[++n] = $1 }
        END {
            if (n == 0) { printf "%-32s no picture changed\n", label; exit }
            med = n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
            p90 = v[int((n * 9 + 9) / 10)]
            printf "%-32s %7.1f %7.1f %7.1f %7d %7d\n", label, med, p90, v[n], n, missed
        }'
}

printf '%-32s %7s %7s %7s %7s %7s\n' "key $key, ms" median p90 max presses missed
for set in "${sets[@]}"; do
    # The set's pictures, filling the screen, looping and waiting for keys.
    mapfile -t files < <(tail -n +10 "$bench_dir/$set.lmr" | tr -d '\r' | sed 's/^"//; s/"$//')
    show=$work/$set.lmr
    {
        printf '"%s"\r\n' Strech=True Ratio=1 Shuff=0 Delay=0 BackCol=0 Loop=1 Message=0 UseMusic=0 Music=
        printf '"%s"\r\n' "${files[@]}"
    } >"$show"
    cat "${files[@]}" >/dev/null # into the page cache
    for p in "${programs[@]}"; do
        read -r -a figures <<<"$(python3 "$here/bench/key_to_picture.py" "$work/fb/Xvfb_screen0" \
            "$presses" "$key" -- "$p" "$show")"
        summary "$set lumora ${p#"$here"/}" "${figures[@]}"
    done
    read -r -a figures <<<"$(python3 "$here/bench/key_to_picture.py" "$work/fb/Xvfb_screen0" \
        "$presses" "$key" -- feh -F -Z "${files[@]}")"
    summary "$set feh" "${figures[@]}"
done
