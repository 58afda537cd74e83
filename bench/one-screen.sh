# shellcheck shell=bash
# Sourced by the benches that play one show at a time from the command line.
#
#   one_screen NAME                      a work folder /tmp/NAME.XXXXXX (in $work, removed on exit), a
#                                        private Xvfb screen of 1920x1080 and a home of its own there
#   timed_case CASE WIDTH LIMIT PROGRAM ARG...
#                                        runs PROGRAM ARG... under /usr/bin/time, stopped with INT after
#                                        LIMIT seconds, and prints the case's line: peak resident memory,
#                                        wall time and how it ended (CASE padded to WIDTH)

one_screen() {
    work=$(mktemp -d "/tmp/$1.XXXXXX")
    xvfb_pid=
    trap one_screen_cleanup EXIT
    # The shared starter keeps the server from resetting between clients: a run started while it
    # resets could not connect and ended at once.
    # shellcheck source=../scripts/xvfb.sh
    . "$(dirname "${BASH_SOURCE[0]}")/../scripts/xvfb.sh"
    start_xvfb "$work" 1920x1080
    export QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy
    export HOME=$work XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
    mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
}

one_screen_cleanup() {
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}

timed_case() {
    local name=$1 width=$2 limit=$3 rc=0
    shift 3
    /usr/bin/time -v -o "$work/time" timeout -s INT "$limit" "$@" >"$work/out" 2>&1 || rc=$?
    awk -v c="$name" -v w="$width" -v rc="$rc" -F': ' '
        /Maximum resident set size/ { rss = $2 }
        /Elapsed \(wall clock\)/ { n = split($2, t, ":"); wall = t[n] + (n > 1 ? t[n - 1] * 60 : 0) }
        END { printf "%-*s %10.0f %8.1f  %s\n", w, c, rss / 1024, wall, rc == 0 ? "by itself" : (rc == 124 ? "stopped" : "exit " rc) }' "$work/time"
}
