#!/usr/bin/env bash
# Checks Lumora as an installed desktop program:
#  1. installed into a temporary prefix: the desktop entry and the AppStream data validate, the icons
#     are there at every size, a show file is recognised by name and by content, our desktop entry is
#     its default application, and xdg-open plays it (its first picture on a virtual screen);
#  2. the Debian package: lintian finds no error, it installs with dpkg -i, the installed program runs
#     and plays, and dpkg -r leaves none of its files behind.
# Installs the tools it needs. Needs root or sudo for the packages. Uses ./build (or $BUILD_DIR).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
started=$(date +%s)

bash scripts/install-deps.sh desktop-file-utils appstream shared-mime-info xdg-utils libfile-mimeinfo-perl \
    libglib2.0-bin lintian dpkg-dev file x11-utils man-db
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

fail() { echo "FAIL: $*" >&2; exit 1; }
step() { echo "== $* (at $(( $(date +%s) - started )) s)"; }

app_id=example.corvath.Lumora
mime=application/x-lumora-show

work=$(mktemp -d)
xvfb_pid=""
installed=0
cleanup() {
    # A check that failed half-way leaves no package of ours behind.
    [ $installed -eq 0 ] || "${sudo_cmd[@]}" dpkg -r lumora >/dev/null 2>&1 || true
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

step "build"
# CPack builds whatever is not built yet (in CI the tests have built everything already).
cmake -S . -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)" --target lumora desktop_files >/dev/null

step "install into a temporary prefix"
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
share=$prefix/share

step "validate the desktop entry, the AppStream data, the manual page and the icons"
desktop-file-validate "$share/applications/$app_id.desktop"
appstreamcli validate --no-net "$share/metainfo/$app_id.metainfo.xml"
man_warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z \
    "$share/man/man1/lumora.1.gz" 2>&1 >/dev/null)
[ -z "$man_warnings" ] || fail "the manual page has warnings: $man_warnings"
for size in 16 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x${size}/apps/$app_id.png
    [ "$(/usr/bin/identify -format '%wx%h' "$png")" = "${size}x${size}" ] || fail "$png is not ${size}x${size}"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$app_id.svg" || fail "no scalable icon"

step "file type and default application"
# As a desktop without a desktop environment of its own sees it: only our prefix and the system.
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION GNOME_DESKTOP_SESSION_ID KDE_FULL_SESSION BROWSER
export XDG_DATA_HOME=$share XDG_DATA_DIRS=$share:/usr/share
export XDG_CONFIG_HOME=$work/config XDG_CONFIG_DIRS=$work/config-dirs XDG_CACHE_HOME=$work/cache
export XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$XDG_CONFIG_HOME" "$XDG_CONFIG_DIRS" "$XDG_CACHE_HOME"
mkdir -m 0700 "$XDG_RUNTIME_DIR"
export PATH=$prefix/bin:$PATH SDL_AUDIODRIVER=dummy
update-mime-database "$share/mime"
update-desktop-database "$share/applications"

convert=/usr/bin/convert
shows="$work/my shows"
mkdir -p "$shows"
$convert -size 64x48 xc:'rgb(255,128,0)' "$shows/orange.bmp"
# Waits for the keys (no delay), so the first picture stays until Escape.
printf '"Strech=True"\r\n"Ratio=0"\r\n"Shuff=0"\r\n"Delay=0"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n"UseMusic=0"\r\n"Music="\r\n"%s"\r\n' \
    "$shows/orange.bmp" > "$shows/holiday.lmr"
cp "$shows/holiday.lmr" "$shows/holiday without extension"

for file in "$shows/holiday.lmr" "$shows/holiday without extension"; do
    type=$(xdg-mime query filetype "$file")
    [ "$type" = "$mime" ] || fail "xdg-mime: '$file' is $type"
    type=$(gio info -a standard::content-type "$file" | awk '/standard::content-type/ { print $2 }')
    [ "$type" = "$mime" ] || fail "gio: '$file' is $type"
done
echo "a show file is $mime, by its name and by its first bytes"
default=$(xdg-mime query default "$mime")
[ "$default" = "$app_id.desktop" ] || fail "the default application is '$default'"
gio mime "$mime" > "$work/gio-mime"
head -n1 "$work/gio-mime" | grep -q ": $app_id.desktop\$" || fail "gio: $(cat "$work/gio-mime")"
echo "default application: $default"
# Pictures are offered to Lumora too, every type the program reads; folders never (a click on a
# folder would start a show).
entry=$share/applications/$app_id.desktop
types=$(grep '^MimeType=' "$entry")
for type in image/jpeg image/png image/gif image/bmp image/webp image/tiff image/heic image/heif image/avif image/jxl; do
    echo "$types" | grep -q "[=;]$type;" || fail "the desktop entry does not list $type"
done
echo "$types" | grep -q 'inode/' && fail "the desktop entry lists folders"
grep -q '^Exec=lumora %F$' "$entry" || fail "the desktop entry does not take several files"
for action in play-folder make-show; do
    grep -q "^\[Desktop Action $action\]" "$entry" || fail "no desktop action $action"
done
xdg-mime default "$app_id.desktop" image/png
echo "pictures offered to the program: $(echo "$types" | tr ';' '\n' | grep -c '^image/') types, no folders"

step "xdg-open plays a show"
# shellcheck source=xvfb.sh
. scripts/xvfb.sh
start_xvfb "$work" 640x480 || fail "Xvfb did not start"

centre() {
    import -display "$DISPLAY" -window root "$work/shot.png"
    $convert "$work/shot.png" -format '%[pixel:p{320,240}]' info:
}
# Waits up to five seconds for the show's orange picture in the middle of the screen.
sees_orange() {
    local colour=""
    for _ in $(seq 100); do
        colour=$(centre)
        echo "$colour" | grep -q '255,128,0' && return 0
        sleep 0.05
    done
    echo "centre of the screen: $colour"
    return 1
}
# Plays a show with the command given, sees its first picture and leaves it with Escape. The command
# may hand the show to a program of its own (as gio does).
plays() {
    "$@" &
    local pid=$! window player
    sees_orange || { kill $pid 2>/dev/null; fail "$* did not show the first picture"; }
    window=$(xdotool search --all --onlyvisible --classname '^lumora$' | head -n1)
    player=$(xdotool getwindowpid "$window")
    xdotool key Escape
    for _ in $(seq 50); do
        kill -0 "$player" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$player" 2>/dev/null && { kill "$player"; fail "$* did not end on Escape"; }
    wait $pid || fail "$* ended with status $?"
    echo "$*: first picture on screen, ended on Escape"
}
plays xdg-open "$shows/holiday.lmr"
# As a file manager built on GIO opens it.
plays gio open "$shows/holiday.lmr"
# A picture, with the program chosen as its handler, plays its folder from it.
$convert -size 40x30 xc:'rgb(255,128,0)' "$shows/orange.png"
plays xdg-open "$shows/orange.png"

step "Debian package"
if dpkg-query -W -f='${Status}' lumora 2>/dev/null | grep -q "install ok installed"; then
    fail "lumora is installed already; this check installs and removes its own package"
fi
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/package" >/dev/null
deb=$(ls "$work/package"/lumora_*.deb)
dpkg-deb -f "$deb" Package Version Depends Recommends
dpkg-deb -f "$deb" Depends | grep -q 'libsdl2-mixer-2.0-0' || fail "the package does not depend on SDL2_mixer"
dpkg-deb -f "$deb" Recommends | grep -q qt6-wayland || fail "the package does not recommend Qt's Wayland plugin"
# Root is fine here: lintian only reads the package.
lintian_status=0
lintian --fail-on error --tag-display-limit 0 "$deb" > "$work/lintian" 2>&1 || lintian_status=$?
grep -v "running with root privileges" "$work/lintian" || true
[ $lintian_status -eq 0 ] || fail "lintian reports errors"
echo "lintian: $(grep -c '^[EW]: ' "$work/lintian" || true) errors and warnings"

installed=1
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
dpkg-query -L lumora | sort > "$work/files"
[ -x /usr/bin/lumora ] || fail "/usr/bin/lumora is not installed"
(
    cd "$work"
    version=$(/usr/bin/lumora --version)
    [ "$version" = "10. Lumora $(dpkg-deb -f "$deb" Version)" ] || fail "lumora --version said '$version'"
    echo "/usr/bin/lumora --version: $version"
)
# The system's own databases, updated by dpkg's triggers, know the show files now.
(
    unset XDG_DATA_DIRS
    export XDG_DATA_HOME=$work/data
    [ "$(xdg-mime query filetype "$shows/holiday.lmr")" = "$mime" ] || fail "the installed package is not $mime's"
    plays /usr/bin/lumora "$shows/holiday.lmr"

    # A folder show from the menu: even as root, the installed program keeps its temporary show out of
    # /usr/bin, in the user's private folder, and deletes it when the show ends.
    export HOME=$work/home
    mkdir -p "$HOME/Pictures"
    cp "$shows/orange.bmp" "$HOME/Pictures/"
    printf '[Settings]\nDrive=/\nPath=%s\n' "$HOME/Pictures" > "$XDG_CONFIG_HOME/10. Lumora.ini"
    private="$XDG_DATA_HOME/10. Lumora"
    wait_named() { # process, a regular expression, tenths of a second
        for _ in $(seq "$3"); do
            xdotool search --all --onlyvisible --pid "$1" --name "$2" 2>/dev/null | head -n1 | grep . && return 0
            sleep 0.1
        done
        fail "no window named $2"
    }
    /usr/bin/lumora &
    pid=$!
    menu=$(wait_named $pid '^10\. Lumora v' 100)
    xdotool mousemove --window "$menu" 42 41 click 1
    setup=$(wait_named $pid '^Lumora from Folder Setup$' 50)
    xdotool windowfocus --sync "$setup" key Return
    sees_orange || fail "the folder show did not start"
    [ -f "$private/temp.ini" ] || fail "no temporary show in $private"
    [ "$(stat -c %a "$private")" = 700 ] || fail "$private is not private: $(stat -c %a "$private")"
    [ ! -e /usr/bin/temp.ini ] || fail "the program wrote into /usr/bin"
    xdotool key Escape
    wait_named $pid '^10\. Lumora v' 50 >/dev/null # back to the menu
    [ ! -e "$private/temp.ini" ] || fail "the temporary show was left behind"
    kill $pid
    wait $pid || true
    echo "folder show: its temporary show was in $private (mode 700), not in /usr/bin, and is gone"
)

"${sudo_cmd[@]}" dpkg -r lumora >/dev/null
installed=0
status=$(dpkg-query -W -f='${Status}' lumora 2>/dev/null || true)
case "$status" in "" | *not-installed) ;; *) fail "after dpkg -r lumora is '$status'" ;; esac
left=0
while read -r path; do
    [ -e "$path" ] || continue
    if [ -d "$path" ] && dpkg-query -S "$path" >/dev/null 2>&1; then
        continue # a folder that other packages share
    fi
    echo "left behind: $path"
    left=1
done < "$work/files"
[ $left -eq 0 ] || fail "dpkg -r left files behind"
(
    unset XDG_DATA_DIRS
    export XDG_DATA_HOME=$work/data
    [ "$(xdg-mime query filetype "$shows/holiday.lmr")" != "$mime" ] || fail "the system still knows $mime"
)
echo "dpkg -r: none of the package's $(grep -c . "$work/files") paths is left but the shared folders"

echo "PASS ($(( $(date +%s) - started )) s)"
