# shellcheck shell=bash
# Sourced, not run, by the checks that need a Wayland desktop of their own: a headless sway.
#
#   start_sway WORK WIDTHxHEIGHT SCALE
#
# starts sway without a screen (its one output at that mode and integer or fractional scale), with
# XWayland, and a virtual keyboard that lives as long as the compositor. Exports WAYLAND_DISPLAY
# (the socket's full path, so that any user's program finds it whatever its XDG_RUNTIME_DIR),
# DISPLAY (XWayland's) and SWAYSOCK, and sets sway_pid and keyboard_pid, which the caller's cleanup
# kills (stop_sway does both).
#
# sway refuses to run as root: as root it runs as the user lumora-check, made here when missing.
# A headless seat has no keyboard until a client makes one, and a program binds the keyboards it
# finds when it starts, so the virtual keyboard is made before anything else runs; `wtype` calls
# from then on reach the focused window. XWayland belongs to the compositor's user and lets in the
# caller's user too (xhost), so that X programs started here can connect.
start_sway() {
    local work=$1 mode=$2 scale=$3 runtime=$1/sway-runtime
    local as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        id lumora-check >/dev/null 2>&1 ||
            useradd --system --no-create-home --shell /usr/sbin/nologin lumora-check
        as_user=(runuser -u lumora-check --)
    fi
    mkdir -p -m 700 "$runtime"
    [ ${#as_user[@]} -eq 0 ] || chown lumora-check "$runtime"
    chmod a+x "$work"
    cat >"$work/sway.conf" <<CONF
output HEADLESS-1 resolution $mode scale $scale
xwayland enable
exec sh -c 'xhost +si:localuser:$(id -un) >/dev/null; echo "\$DISPLAY" >"$runtime/x-display"'
CONF
    chmod a+r "$work/sway.conf"
    "${as_user[@]}" env -i PATH=/usr/bin:/bin XDG_RUNTIME_DIR="$runtime" WLR_BACKENDS=headless \
        WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman sway -c "$work/sway.conf" >"$work/sway.log" 2>&1 &
    sway_pid=$!
    local socket=""
    for _ in $(seq 200); do
        socket=$(find "$runtime" -maxdepth 1 -type s -name 'wayland-*' | head -n1)
        [ -n "$socket" ] && [ -s "$runtime/x-display" ] && break
        kill -0 "$sway_pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ -z "$socket" ] || [ ! -s "$runtime/x-display" ]; then
        echo "sway did not start:" >&2
        cat "$work/sway.log" >&2
        return 1
    fi
    WAYLAND_DISPLAY=$socket
    DISPLAY=$(cat "$runtime/x-display")
    SWAYSOCK=$(find "$runtime" -maxdepth 1 -type s -name 'sway-ipc.*' | head -n1)
    export WAYLAND_DISPLAY DISPLAY SWAYSOCK
    wtype -s 3600000 &
    keyboard_pid=$!
    # The keyboard exists once the compositor lists it among its inputs.
    for _ in $(seq 100); do
        swaymsg -t get_inputs 2>/dev/null | grep -q '"type": "keyboard"' && return 0
        sleep 0.05
    done
    echo "the virtual keyboard did not appear" >&2
    return 1
}

stop_sway() {
    [ -z "${keyboard_pid:-}" ] || kill "$keyboard_pid" 2>/dev/null || true
    [ -z "${sway_pid:-}" ] || kill "$sway_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
