#!/usr/bin/env bash
# Plays folder shows in the real program under Xvfb, driven as a user would: through the controls'
# roles and accessible names (AT-SPI) and the real mouse and keyboard (xdotool). The folder tree it
# plays carries traps: a link back to its top, extensions in mixed case, a file that is no picture,
# a folder without pictures and names with blanks. Files are dropped on the windows from a real X
# drag source (DRAG_SOURCE, the second argument).
set -euo pipefail
lumora=$1
drag_source=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
cleanup() {
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

# Everything the program and the accessibility bus write stays in the work folder.
# shellcheck source=private_home.sh
. "$here/private_home.sh"
private_home "$work"
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_LOGGING_RULES="lumora.paint.info=true"

# shellcheck source=../../scripts/xvfb.sh
. "$here/../../scripts/xvfb.sh"
start_xvfb "$work" 1280x1024

# The tree: the pictures are solid colours, small enough that the background shows around them.
convert=/usr/bin/convert
pics=$HOME/Pictures
top="$pics/Holiday 2024"
mkdir -p "$top/Sub one/Deeper" "$top/empty" "$top/Zed" "$pics/Nothing here/empty one/empty two"
$convert -size 160x120 xc:'rgb(255,128,0)' "$top/A.JPG"
$convert -size 160x120 xc:'rgb(0,255,0)' "$top/b.bmp"
$convert -size 160x120 xc:'rgb(0,0,255)' "$top/c.Gif"
$convert -size 160x120 xc:'rgb(255,255,0)' "$top/Sub one/d.jpeg"
$convert -size 160x120 xc:'rgb(255,0,255)' "$top/Sub one/Deeper/e.bmp"
$convert -size 160x120 xc:'rgb(0,255,255)' "$top/Zed/f.jpg"
echo "not a picture" > "$top/notes.txt"
echo "not a picture either" > "$pics/Nothing here/empty one/readme.txt"
ln -s .. "$top/Sub one/loop"

export LUMORA=$lumora DRAG_SOURCE=$drag_source WORK=$work PICTURES=$pics
# A session bus of our own, with the accessibility bus started before the program asks for it.
dbus-run-session -- /usr/bin/python3 "$here/folder_check.py"
