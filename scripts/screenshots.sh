#!/usr/bin/env bash
# Takes the README's screenshots of every window under Xvfb, opening each as a user would: through
# the main menu's buttons. A window this build does not open yet is skipped with a note, so the
# script can be rerun whenever the windows change.
# Usage: scripts/screenshots.sh [LUMORA] [OUTPUT_FOLDER]   (defaults: build/lumora, docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
lumora=$(realpath "${1:-${BUILD_DIR:-build}/lumora}")
out=$(realpath -m "${2:-docs/screenshots}")
[ -x "$lumora" ] || { echo "no program at $lumora (build it first)" >&2; exit 1; }
mkdir -p "$out"
bash scripts/install-deps.sh x11-utils
convert=/usr/bin/convert

# A fixed place, so that the paths the windows show stay the same from run to run.
work=/tmp/lumora-docs
mkdir -m 0700 "$work" || { echo "$work is in use (remove it if no other run is going on)" >&2; exit 1; }
xvfb_pid=""
pid=""
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# A home of its own: fresh settings, and the sample pictures and shows the windows show.
export HOME=$work/home/alex
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share XDG_CACHE_HOME=$HOME/.cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$HOME/Pictures/Holiday" "$HOME/Shows"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb

# Pictures drawn here, so that the screenshots show nobody's photos.
picture() { # name, sky top, sky bottom, sun colour, ground colour
    $convert -size 960x640 gradient:"$2-$3" \
        -fill "$4" -draw "circle 700,230 700,150" \
        -fill "$5" -draw "polygon 0,640 0,470 180,400 360,450 560,380 760,440 960,410 960,640" \
        "$HOME/Pictures/Holiday/$1"
}
picture "01 sunrise.jpg" '#13294b' '#f28c38' '#ffd27a' '#1d3b2a'
picture "02 noon.jpg" '#3a7bd5' '#9fd3f7' '#fff7c2' '#3d7a3a'
picture "03 dusk.jpg" '#2b1055' '#d53369' '#ffb26b' '#2a1f3d'
show_lines() { # a show of the holiday pictures
    printf '"Strech=True"\r\n"Ratio=1"\r\n"Shuff=0"\r\n"Delay=5"\r\n"BackCol=0"\r\n"Loop=1"\r\n"Message=1"\r\n"UseMusic=0"\r\n"Music="\r\n'
    for p in "$HOME/Pictures/Holiday"/*.jpg; do printf '"%s"\r\n' "$p"; done
}
show_lines > "$HOME/Shows/Holiday.lmr"
show_lines > "$HOME/Shows/Garden party.lmr"
# Fixed dates too, for the file dialog's date column.
find "$HOME/Pictures" "$HOME/Shows" -exec touch -d '2026-06-21 10:30' {} +
# The folder setup and the maker open on the holiday pictures.
for app in "10. Lumora" "10. Lumora Maker"; do
    printf '[Settings]\nDrive=/\nPath=%s\n' "$HOME/Pictures/Holiday" > "$XDG_CONFIG_HOME/$app.ini"
done

# shellcheck source=xvfb.sh
. scripts/xvfb.sh
start_xvfb "$work" 1024x768
xsetroot -solid '#3b4252' 2>/dev/null || true

# Waits up to $2 tenths of a second for a visible window named $1 (a regular expression).
wait_named() {
    local id=""
    for _ in $(seq "$2"); do
        id=$(xdotool search --all --onlyvisible --pid "$pid" --name "$1" 2>/dev/null | head -n1 || true)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
    done
    return 1
}
start() {
    (cd "$HOME/Shows" && exec "$lumora" "$@") &
    pid=$!
}
stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=""
}
# Lets the window paint, then saves it.
shoot() { # window id, file name
    sleep 0.5
    import -display "$DISPLAY" -window "$1" "$work/shot.png"
    # Without time stamps, so that an unchanged window leaves its file unchanged.
    $convert "$work/shot.png" -strip -define png:exclude-chunks=date,time "$out/$2"
    echo "$2: $(/usr/bin/identify -format '%wx%h' "$out/$2")"
}
menu_caption='^10\. Lumora v0\.4b by Corvath$'
# The menu's four picture buttons, by the middle of each (pixels in the window).
declare -A button=([folder]="42 41" [make]="123 41" [open]="204 41" [about]="285 41")
click() { # window, button name
    # shellcheck disable=SC2086
    xdotool mousemove --window "$1" ${button[$2]} click 1
}
# Opens the main menu, presses one of its buttons and photographs the window that opens.
through_menu() { # button, file name, what it opens, its caption (a regular expression)[, preparation]
    start
    local menu id
    menu=$(wait_named "$menu_caption" 100) || { echo "the main menu did not open" >&2; exit 1; }
    sleep 0.3
    click "$menu" "$1"
    id=$(wait_named "$4" 50) || id=""
    if [ -n "$id" ]; then
        [ -z "${5:-}" ] || "$5" "$id"
        shoot "$id" "$2"
    else
        echo "$2: skipped, the $3 did not open"
    fi
    stop
}

start
shoot "$(wait_named "$menu_caption" 100)" menu.png
stop
through_menu about about.png "about window" '^About 10\. Lumora$'
through_menu folder setup.png "folder setup window" '^Lumora from Folder Setup$'
# The palette close up: the pointer over it with Shift held, so the swatch shows the pure colour.
hover_palette() {
    xdotool mousemove --window "$1" 240 222 keydown shift mousemove --window "$1" 262 230
}
through_menu folder palette.png "folder setup window" '^Lumora from Folder Setup$' hover_palette
xdotool keyup shift
# Cut to the "Background Colour" frame (pixels in the window), twice as large.
$convert "$out/palette.png" -crop 146x101+208+193 +repage -filter point -resize 200% -strip \
    -define png:exclude-chunks=date,time "$out/palette.png"
echo "palette.png: $(/usr/bin/identify -format '%wx%h' "$out/palette.png")"

# The subfolder search, shot while it walks a photo archive large enough to take a few seconds.
archive=$HOME/Pictures/Archive
python3 - "$archive" <<'PY'
import os, sys
root = sys.argv[1]
for year in range(2001, 2027):
    for month in range(1, 13):
        for day in range(1, 29):
            for event in range(1, 13):
                folder = os.path.join(root, str(year), "%02d" % month, "%02d" % day, "Event %d" % event)
                os.makedirs(folder)
                for n in range(2):
                    open(os.path.join(folder, "IMG_%04d.JPG" % n), "w").close()
PY
printf '[Settings]\nDrive=/\nPath=%s\nSub%%20Dirs=1\n' "$archive" > "$XDG_CONFIG_HOME/10. Lumora.ini"
walk_archive() {
    xdotool key --window "$1" Return
    local id
    id=$(wait_named '^Searching Subfolders$' 50) || { echo "search.png: skipped, no search window" >&2; return; }
    sleep 0.3
    import -display "$DISPLAY" -window "$id" "$work/shot.png"
    $convert "$work/shot.png" -strip -define png:exclude-chunks=date,time "$out/search.png"
    echo "search.png: $(/usr/bin/identify -format '%wx%h' "$out/search.png")"
}
start
menu=$(wait_named "$menu_caption" 100) || { echo "the main menu did not open" >&2; exit 1; }
sleep 0.3
click "$menu" folder
setup=$(wait_named '^Lumora from Folder Setup$' 50) || { echo "the setup window did not open" >&2; exit 1; }
sleep 0.5
walk_archive "$setup"
stop
rm -rf "$archive"
# The maker with the holiday pictures in its list and the first one previewed (pixels in the window).
fill_maker() {
    sleep 0.5
    xdotool mousemove --window "$1" 240 60 click 1 key ctrl+a
    xdotool mousemove --window "$1" 312 175 click 1
    sleep 0.3
    xdotool mousemove --window "$1" 60 362 click 1
}
through_menu make maker.png "show maker" '^10\. Lumora Maker v0\.4b by Corvath$' fill_maker
through_menu open open-dialog.png "open dialog" '^Open Lumora File$'

# A show playing, full screen.
start "$HOME/Shows/Holiday.lmr"
sleep 2
import -display "$DISPLAY" -window root "$work/player.png"
$convert "$work/player.png" -resize 50% -strip -define png:exclude-chunks=date,time "$out/player.png"
echo "player.png: $(/usr/bin/identify -format '%wx%h' "$out/player.png")"
stop
