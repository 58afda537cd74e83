#!/usr/bin/env bash
# Plays real shows in a real window under Xvfb and looks at the screen: where each picture lies
# (own size, stretched, kept in ratio), which picture the arrow keys reach, that a show without loop
# ends by itself, and that a command line naming no file ends with its message box.
set -euo pipefail
lumora=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
# D-Bus daemons started for this check's programs (libdbus's autolaunch through dbus-launch, which
# a program must never cause): they inherit its HOME.
ours() {
    local p
    [[ $HOME == "$work"/* ]] || return 0 # not yet this check's own HOME
    for p in $(pgrep -x 'dbus-daemon|dbus-launch' || true); do
        tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "HOME=$HOME" && echo "$p"
    done
    return 0
}
trap 'kill $(ours) ${xvfb_pid:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
# shellcheck source=private_home.sh
. "$here/private_home.sh"
private_home "$work"
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb

# shellcheck source=../../scripts/xvfb.sh
. "$here/../../scripts/xvfb.sh"
start_xvfb "$work" 1920x1080

convert=/usr/bin/convert
fail() { echo "FAIL: $*"; exit 1; }
picture() { $convert -size "$2" xc:"rgb($3)" "$work/$1"; }
# show NAME STRETCH RATIO DELAY LOOP MUSIC PICTURE...
show() {
    local name=$1 stretch=$2 ratio=$3 delay=$4 loop=$5 music=$6 use=0 p
    shift 6
    [ -z "$music" ] || use=1
    {
        printf '"Strech=%s"\r\n"Ratio=%s"\r\n"Shuff=0"\r\n"Delay=%s"\r\n"BackCol=0"\r\n' "$stretch" "$ratio" "$delay"
        printf '"Loop=%s"\r\n"Message=1"\r\n"UseMusic=%s"\r\n"Music=%s"\r\n' "$loop" "$use" "$music"
        for p in "$@"; do printf '"%s"\r\n' "$work/$p"; done
    } >"$work/$name"
}

# The colour "r,g,b" at each point "x,y" given, one a line.
colours() {
    import -display "$DISPLAY" -window root "$work/shot.png"
    local format="" p
    for p in "$@"; do
        format+="%[fx:round(255*p{$p}.r)],%[fx:round(255*p{$p}.g)],%[fx:round(255*p{$p}.b)]\n"
    done
    $convert "$work/shot.png" -format "$format" info:
}
# sees SECONDS WHAT "x,y=r,g,b"...: waits until every point shows its colour (give or take what
# JPEG changes), or fails saying what the screen showed.
sees() {
    local seconds=$1 what=$2 points=() expected=() point seen
    shift 2
    for point in "$@"; do
        points+=("${point%%=*}")
        expected+=("${point#*=}")
    done
    local until=$(($(date +%s%N) + seconds * 1000000000))
    while :; do
        seen=$(colours "${points[@]}" | paste -sd' ')
        if awk -v seen="$seen" -v want="${expected[*]}" 'BEGIN {
                n = split(seen, s, " "); split(want, w, " ")
                for (i = 1; i <= n; i++) {
                    split(s[i], a, ","); split(w[i], b, ",")
                    for (c = 1; c <= 3; c++) if (a[c] - b[c] > 40 || b[c] - a[c] > 40) exit 1
                }
                exit !(n == length(w)) }'; then
            echo "$what: ${points[*]} show $seen"
            return 0
        fi
        [ "$(date +%s%N)" -lt "$until" ] || fail "$what: ${points[*]} should show ${expected[*]}, the screen shows $seen"
        sleep 0.05
    done
}
ends_within() { # tenths of a second
    for _ in $(seq "$1"); do
        kill -0 "$pid" 2>/dev/null || return 0
        sleep 0.1
    done
    kill "$pid"
    return 1
}
black=0,0,0 orange=255,128,0 red=255,0,0 green=0,255,0 blue=0,0,255

# Stretched with kept ratio on 1920x1080: a 480x640 portrait fills the height, 810 pixels wide from
# x=555; a 400x100 landscape fills the width, 480 pixels high from y=300. Right steps past a file
# that is no picture, and on the last picture of a show without loop it ends the show.
picture portrait.bmp 480x640 "$orange"
picture wide.jpg 400x100 "$blue"
echo "not a picture" >"$work/notes.jpg"
show ratio.lmr True 1 0 0 "" portrait.bmp notes.jpg wide.jpg
"$lumora" "$work/ratio.lmr" &
pid=$!
sees 5 "portrait, kept in ratio" 960,540=$orange 960,2=$orange 960,1077=$orange \
    545,540=$black 565,540=$orange 1355,540=$orange 1375,540=$black
xdotool key Right
sees 5 "landscape, kept in ratio" 960,540=$blue 2,540=$blue 1917,540=$blue \
    960,290=$black 960,310=$blue 960,770=$blue 960,790=$black
xdotool key Right
ends_within 50 || fail "Right on the last picture did not end the show"
wait $pid || fail "the program ended with status $?"

# Steered by the keyboard: no timer (Delay=0); stretched without ratio, each picture covers the
# screen to its corners. Three colours, so that Left (back, wrapping to the last) and Right differ.
picture red.bmp 64x48 "$red"
picture green.bmp 64x48 "$green"
picture blue.bmp 64x48 "$blue"
show keys.lmr True 0 0 1 "" red.bmp green.bmp blue.bmp
"$lumora" "$work/keys.lmr" &
pid=$!
corners() { echo 960,540="$1" 2,2="$1" 1917,2="$1" 2,1077="$1" 1917,1077="$1"; }
# shellcheck disable=SC2046
sees 5 "first picture, stretched" $(corners "$red")
xdotool key Left
# shellcheck disable=SC2046
sees 3 "Left from the first" $(corners "$blue")
xdotool key Right
# shellcheck disable=SC2046
sees 3 "Right from the last" $(corners "$red")
xdotool key Right
# shellcheck disable=SC2046
sees 3 "Right again" $(corners "$green")
xdotool key Escape
ends_within 50 || fail "Escape did not end the show"
wait $pid || fail "the keyboard show ended with status $?"

# Started without a session bus (a bare X server): the show plays and ends, and no bus was started
# for it, neither for the screen saver nor for Qt's accessibility bridge, to be left running after
# it (nor for the shows before, which may have had none either).
[ -z "$(ours)" ] || fail "the shows so far left a D-Bus daemon running ($(ours | paste -sd' '))"
env -u DBUS_SESSION_BUS_ADDRESS "$lumora" "$work/keys.lmr" &
pid=$!
# shellcheck disable=SC2046
sees 5 "a show without a session bus" $(corners "$red")
xdotool key Escape
ends_within 50 || fail "Escape did not end the show without a session bus"
wait $pid || fail "the show without a session bus ended with status $?"
left=$(ours | paste -sd' ')
[ -z "$left" ] || fail "the show without a session bus left a D-Bus daemon running ($left)"
command -v dbus-launch >/dev/null || echo "(dbus-launch is not installed: no autolaunch could have happened)"
echo "no session bus: the show played and left no bus running"

# Names in another encoding than UTF-8 (Latin-1, as an older system wrote them): the show named so
# on the command line plays its picture named so.
latin=$(printf 'caf\xe9')
mkdir "$work/$latin"
cp "$work/green.bmp" "$work/$latin/$(printf 'gr\xfcn.bmp')"
show "$latin/$(printf 'sh\xf6w.lmr')" True 0 0 0 "" "$latin/$(printf 'gr\xfcn.bmp')"
"$lumora" "$work/$latin/$(printf 'sh\xf6w.lmr')" &
pid=$!
# shellcheck disable=SC2046
sees 5 "a show and a picture named in Latin-1" $(corners "$green")
xdotool key Escape
ends_within 50 || fail "Escape did not end the Latin-1 show"
wait $pid || fail "the Latin-1 show ended with status $?"

# Music through the real program: the mixer is loaded when the show starts its music, and SDL's
# disk driver writes what was played.
sox -n -r 44100 -c 1 -b 16 "$work/tone.wav" synth 0.5 sine 440 vol 0.5
show music.lmr False 0 1 0 "$work/tone.wav" red.bmp green.bmp
start=$(date +%s.%N)
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" "$lumora" "$work/music.lmr" &
pid=$!
ends_within 100 || fail "the music show without loop did not end by itself"
wait $pid || fail "the music show ended with status $?"
echo "show ended by itself after $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"
[ -s "$work/out.raw" ] || fail "no sound was written"
peak=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/out.raw" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
echo "music: $(stat -c %s "$work/out.raw") bytes of sound, peak amplitude $peak"
awk -v p="$peak" 'BEGIN { exit !(p > 0.2) }' || fail "the music was silent"

# The window unmapped by the window system while the show runs: it must still end by itself.
picture big-blue.bmp 640x480 "$blue"
show unmap.lmr True 1 1 0 "" red.bmp green.bmp big-blue.bmp
"$lumora" "$work/unmap.lmr" &
pid=$!
sees 5 "before unmapping" 960,540=$red
win=$(xdotool search --pid $pid --onlyvisible 2>/dev/null | head -n1)
[ -n "$win" ] || fail "unmapped show: no window found"
xdotool windowunmap "$win"
ends_within 100 || fail "the show whose window was unmapped did not end by itself"
wait $pid || fail "the unmapped show ended with status $?"
echo "unmapped: the show ended by itself"

# The window manager's close request ends a command-line show and its music, as Escape does. The
# pictures at their own size: 64x48 from (928, 516).
sox -n -r 44100 -c 1 -b 16 "$work/long.wav" synth 20 sine 440 vol 0.5
show close.lmr False 0 30 0 "$work/long.wav" red.bmp green.bmp
"$lumora" "$work/close.lmr" &
pid=$!
sees 5 "own size" 960,540=$red 930,518=$red 989,561=$red 924,540=$black 995,540=$black \
    960,512=$black 960,566=$black
win=$(xdotool search --pid $pid --onlyvisible 2>/dev/null | head -n1)
python3 "$here/wm_close.py" "$win"
ends_within 50 || fail "the close request did not end the show"
wait $pid || fail "the closed show ended with status $?"
echo "close request: the show and its music ended"

# Signals end the program at the first one, whatever is open, and take the temporary shows the
# copy wrote with them (destroyed_check.py); a window destroyed by another program brings the menu back. HOME holds no pictures: the
# folder setup opens on a folder where Run answers with a message box.
window_of() { # the first visible window whose name matches $1, waited for
    local w=""
    for _ in $(seq 50); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) && [ -n "$w" ] && echo "$w" && return 0
        sleep 0.1
    done
    return 1
}
start_menu() {
    "$lumora" &
    pid=$!
    menu=$(window_of '^10\. Lumora v0\.4b') || fail "no menu"
}
menu_button() { # 0 folder, 1 maker: the centre of the button, from its place in twips
    xdotool mousemove --window "$menu" $(((45 + $1 * 1215 + 592) / 15)) 41 click 1
}
ends_by() { # SIGNAL WHAT STATUS: the program must end by the signal at once
    kill -"$1" "$pid"
    ends_within 20 || fail "SIG$1 did not end the program with $2"
    local status=0
    wait "$pid" || status=$?
    [ $status -eq "$3" ] || fail "SIG$1 with $2: status $status, expected $3"
    echo "SIG$1 ended the program with $2"
}
start_menu
menu_button 1
window_of 'Lumora Maker' >/dev/null || fail "the maker did not open"
ends_by HUP "the maker open" 129
start_menu
menu_button 0
setup=$(window_of '^Lumora from Folder Setup$') || fail "the folder setup did not open"
xdotool windowfocus --sync "$setup"
xdotool key Return
window_of '^ERROR$' >/dev/null || fail "no message box from Run on a folder without pictures"
ends_by TERM "a message box open" 143
temp=$(dirname "$lumora")
cp "$work/keys.lmr" "$temp/temp.ini"
cp "$work/keys.lmr" "$temp/temp.lmr"
"$lumora" "$temp/temp.ini" &
pid=$!
sees 5 "temporary show" 960,540=$red
ends_by INT "a show playing" 130
# This copy did not write them (another copy did): they are not its to remove.
[ -e "$temp/temp.ini" ] && [ -e "$temp/temp.lmr" ] || fail "a copy removed temporary shows it had not written"
rm "$temp/temp.ini" "$temp/temp.lmr"
start_menu
menu_button 1
maker=$(window_of 'Lumora Maker') || fail "the maker did not open"
xdotool windowclose "$maker"
window_of '^10\. Lumora v0\.4b' >/dev/null || fail "the maker's window was destroyed and no window is left"
echo "the maker's window destroyed from outside: the menu came back"
ends_by TERM "the menu open" 143

"$lumora" "$work/no such show.lmr" &
pid=$!
box=""
for _ in $(seq 50); do
    box=$(xdotool search --onlyvisible --name '^Lumora$' 2>/dev/null | head -n1) && [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no message box for a command line naming no file"
xdotool windowfocus --sync "$box"
xdotool key Return
status=0
wait $pid || status=$?
[ $status -ne 0 ] || fail "a bad command line must end the program with a failure status"
echo "bad command line: message box shown, ended with status $status"
echo "PASS"
