#!/usr/bin/env bash
# Pictures and folders on the command line of the real program under Xvfb (pictures_check.py), with
# a session bus of the check's own for the desktop's media controls and the accessibility bus.
set -euo pipefail
lumora=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill ${xvfb_pid:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
# shellcheck source=private_home.sh
. "$here/private_home.sh"
private_home "$work"
export SDL_AUDIODRIVER=dummy QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
# shellcheck source=../../scripts/xvfb.sh
. "$here/../../scripts/xvfb.sh"
start_xvfb "$work" 1920x1080
LUMORA=$lumora WORK=$work dbus-run-session -- /usr/bin/python3 "$here/pictures_check.py"
