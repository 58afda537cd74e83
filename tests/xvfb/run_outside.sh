#!/usr/bin/env bash
# What other programs do to the real program under Xvfb (outside_check.py): its windows, boxes and
# dialogs destroyed in every state that has a box or dialog, files dropped with Shift held from a
# real X drag source (DRAG_SOURCE, the second argument), and the X connection cut under a show.
set -euo pipefail
lumora=$1
drag_source=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
cleanup() {
    # The connection check has ended the server already.
    [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=private_home.sh
. "$here/private_home.sh"
private_home "$work"
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1

# shellcheck source=../../scripts/xvfb.sh
. "$here/../../scripts/xvfb.sh"
start_xvfb "$work" 1280x1024

# The pictures folder itself holds none (the setup's Run answers with a box there), nor does the
# tree of Empty (the search's walk does); Shows holds two.
pics=$HOME/Pictures
mkdir -p "$pics/Shows" "$pics/Empty/Deeper"
/usr/bin/convert -size 160x120 xc:'rgb(255,128,0)' "$pics/Shows/a.bmp"
/usr/bin/convert -size 160x120 xc:'rgb(0,0,255)' "$pics/Shows/b.bmp"

export LUMORA=$lumora DRAG_SOURCE=$drag_source WORK=$work PICTURES=$pics XVFB_PID=$xvfb_pid
dbus-run-session -- /usr/bin/python3 "$here/outside_check.py" || {
    echo "the program's output:"
    cat "$work/lumora.log"
    exit 1
}
