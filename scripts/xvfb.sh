# shellcheck shell=bash
# Sourced, not run, by every script that needs an X screen of its own: the real-window checks, the
# screenshots, the desktop check and the benchmark.
#
#   start_xvfb WORK WIDTHxHEIGHT [more Xvfb options]
#
# starts a private Xvfb whose log is WORK/xvfb.log, waits until it takes connections, exports
# DISPLAY and sets xvfb_pid, which the caller's cleanup kills. The server picks a free display
# number itself (-displayfd), so runs side by side on a shared machine never take each other's.
# -noreset: without it the server resets when its last client leaves, and a program started during
# the reset cannot connect.
start_xvfb() {
    local work=$1 screen=$2
    shift 2
    : >"$work/xvfb.display"
    Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp -noreset "$@" \
        3>"$work/xvfb.display" >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    # The number is written once the server listens.
    for _ in $(seq 200); do
        [ -s "$work/xvfb.display" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.05
    done
    if [ ! -s "$work/xvfb.display" ]; then
        echo "Xvfb did not start:" >&2
        cat "$work/xvfb.log" >&2
        return 1
    fi
    DISPLAY=":$(head -n1 "$work/xvfb.display")"
    export DISPLAY
}
