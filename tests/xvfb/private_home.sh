# shellcheck shell=bash
# Sourced by the real-window checks: `private_home WORK` points HOME and the XDG folders into WORK, so
# that nothing the program, the accessibility bus or the compositor writes reaches the user's own.
private_home() {
    export HOME=$1/home XDG_CONFIG_HOME=$1/config XDG_DATA_HOME=$1/data XDG_CACHE_HOME=$1/cache
    export XDG_RUNTIME_DIR=$1/runtime
    mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
}
