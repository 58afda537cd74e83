#!/usr/bin/env bash
# Plays real shows and opens the windows of the real program on a Wayland desktop: a headless sway
# at each scale given (default 1 and 2), natively and through XWayland, keys from a virtual keyboard
# and colours from the compositor's screenshots.
#
#   run_wayland.sh LUMORA [SCALE...]
set -euo pipefail
lumora=$1
shift
scales=("${@:-1}")
[ $# -gt 0 ] || scales=(1 2)
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../../scripts/sway.sh
. "$here/../../scripts/sway.sh"
# shellcheck source=../xvfb/private_home.sh
. "$here/../xvfb/private_home.sh"

for scale in "${scales[@]}"; do
    work=$(mktemp -d)
    trap 'stop_sway; rm -rf "$work"' EXIT
    private_home "$work"
    start_sway "$work" 1920x1080 "$scale"
    export SDL_AUDIODRIVER=dummy QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_LOGGING_RULES="lumora.paint.info=true"
    LUMORA=$lumora WORK=$work SCALE=$scale dbus-run-session -- /usr/bin/python3 "$here/wayland_check.py"
    # Pictures and folders on the command line, the media keys and the desktop's media controls.
    LUMORA=$lumora WORK=$work dbus-run-session -- /usr/bin/python3 "$here/../xvfb/pictures_check.py"
    stop_sway
    rm -rf "$work"
    trap - EXIT
done
