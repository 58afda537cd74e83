# shellcheck shell=bash
# Sourced by the benches that compare Lumora with feh.
#
#   say TEXT...              prints to stderr
#   as_root COMMAND...       runs COMMAND as root, through sudo unless we are root
#   need COMMAND PACKAGE     installs the Debian PACKAGE when COMMAND is missing

say() { printf '%s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then
        "$@"
    else
        sudo "$@"
    fi
}

apt_updated=0
need() { # COMMAND PACKAGE
    command -v "$1" >/dev/null 2>&1 && return 0
    say "installing $2"
    if [ $apt_updated -eq 0 ]; then
        as_root apt-get -o DPkg::Lock::Timeout=120 update -qq
        apt_updated=1
    fi
    DEBIAN_FRONTEND=noninteractive as_root apt-get -o DPkg::Lock::Timeout=120 install -y \
        --no-install-recommends "$2" >/dev/null
}
