#!/usr/bin/env bash
# Plays real shows in a real window under Xvfb: the first picture's colour must fill the centre of
# the screen, a show without loop must end by itself, and a command line naming no file must end
# with its message box.
set -euo pipefail
lumora=$1
work=$(mktemp -d)
trap 'kill ${xvfb_pid:-0} 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/cache
mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
export SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb

exec 3<> "$work/display"
# -noreset: without it the server resets when its last client leaves, and a program started during
# the reset cannot connect.
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
export DISPLAY=:$(head -n1 "$work/display")

convert=/usr/bin/convert
$convert -size 640x480 xc:'rgb(255,128,0)' "$work/orange.bmp"
$convert -size 300x200 xc:'rgb(0,0,255)' "$work/blue.jpg"
echo "not a picture" > "$work/notes.jpg"
printf '"Strech=True"\r\n"Ratio=1"\r\n"Shuff=0"\r\n"Delay=1"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n"UseMusic=0"\r\n"Music="\r\n"%s"\r\n"%s"\r\n"%s"\r\n' \
    "$work/orange.bmp" "$work/notes.jpg" "$work/blue.jpg" > "$work/show.lmr"

centre() { # the colour at the centre of the screen
    import -display "$DISPLAY" -window root "$work/shot.png"
    $convert "$work/shot.png" -format '%[pixel:p{960,540}]' info:
}
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to $2 seconds for the centre to show a colour matching the pattern $1 (grep -E).
wait_for() {
    local until=$(( $(date +%s%N) + ${2%.*} * 1000000000 )) colour
    while :; do
        colour=$(centre)
        echo "$colour" | grep -Eq "$1" && { echo "centre: $colour"; return 0; }
        [ "$(date +%s%N)" -lt "$until" ] || { echo "centre stayed at $colour"; return 1; }
        sleep 0.05
    done
}

start=$(date +%s.%N)
"$lumora" "$work/show.lmr" &
pid=$!
wait_for '255,128,0' 5 || fail "expected the orange picture at the centre"
wait_for '\(0,0,25[0-9]\)' 5 || fail "expected the blue picture after one delay"
ends_within() { # tenths of a second
    for _ in $(seq "$1"); do
        kill -0 $pid 2>/dev/null || return 0
        sleep 0.1
    done
    kill $pid
    return 1
}
ends_within 100 || fail "the show without loop did not end by itself"
wait $pid || fail "the program ended with status $?"
echo "show ended by itself after $(awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "%.1f", b - a }') s"

# Steered by the keyboard: no timer (Delay=0), the arrows step, Escape leaves.
$convert -size 64x48 xc:'rgb(255,0,0)' "$work/red.bmp"
$convert -size 64x48 xc:'rgb(0,255,0)' "$work/green.bmp"
printf '"Strech=True"\r\n"Ratio=0"\r\n"Shuff=0"\r\n"Delay=0"\r\n"BackCol=0"\r\n"Loop=1"\r\n"Message=1"\r\n"UseMusic=0"\r\n"Music="\r\n"%s"\r\n"%s"\r\n' \
    "$work/red.bmp" "$work/green.bmp" > "$work/keys.lmr"
"$lumora" "$work/keys.lmr" &
pid=$!
wait_for '\(255,0,0\)' 5 || fail "keys show: expected red first"
xdotool key Right
wait_for '\(0,(255|128),0\)' 3 || fail "Right did not step to green"
xdotool key Left
wait_for '\(255,0,0\)' 3 || fail "Left did not step back to red"
xdotool key Escape
ends_within 50 || fail "Escape did not end the show"
wait $pid || fail "the keyboard show ended with status $?"
echo "keyboard: Right and Left stepped, Escape ended the show"

# Music through the real program: the mixer is loaded when the show starts its music, and SDL's
# disk driver writes what was played.
sox -n -r 44100 -c 1 -b 16 "$work/tone.wav" synth 0.5 sine 440 vol 0.5
printf '"Strech=False"\r\n"Ratio=0"\r\n"Shuff=0"\r\n"Delay=1"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n"UseMusic=1"\r\n"Music=%s"\r\n"%s"\r\n"%s"\r\n' \
    "$work/tone.wav" "$work/red.bmp" "$work/green.bmp" > "$work/music.lmr"
SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/out.raw" "$lumora" "$work/music.lmr" &
pid=$!
ends_within 100 || fail "the music show did not end by itself"
wait $pid || fail "the music show ended with status $?"
[ -s "$work/out.raw" ] || fail "no sound was written"
peak=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/out.raw" -n stat 2>&1 | awk '/Maximum amplitude/ { print $3 }')
echo "music: $(stat -c %s "$work/out.raw") bytes of sound, peak amplitude $peak"
awk -v p="$peak" 'BEGIN { exit !(p > 0.2) }' || fail "the music was silent"

# The window unmapped by the window system while the show runs: it must still end by itself.
$convert -size 640x480 xc:'rgb(0,0,255)' "$work/blue.bmp"
printf '"Strech=True"\r\n"Ratio=1"\r\n"Shuff=0"\r\n"Delay=1"\r\n"BackCol=0"\r\n"Loop=0"\r\n"Message=1"\r\n"UseMusic=0"\r\n"Music="\r\n"%s"\r\n"%s"\r\n"%s"\r\n' \
    "$work/red.bmp" "$work/green.bmp" "$work/blue.bmp" > "$work/unmap.lmr"
"$lumora" "$work/unmap.lmr" &
pid=$!
win=""
for _ in $(seq 50); do
    win=$(xdotool search --pid $pid --onlyvisible 2>/dev/null | head -n1) && [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || fail "unmapped show: no window found"
sleep 0.6
xdotool windowunmap "$win"
ends_within 100 || fail "the show whose window was unmapped did not end by itself"
wait $pid || fail "the unmapped show ended with status $?"
echo "unmapped: the show ended by itself"

# The window manager's close request ends a command-line show and its music, as Escape does.
sox -n -r 44100 -c 1 -b 16 "$work/long.wav" synth 20 sine 440 vol 0.5
sed "s|Music=$work/tone.wav|Music=$work/long.wav|; s|Delay=1|Delay=30|" "$work/music.lmr" > "$work/close.lmr"
"$lumora" "$work/close.lmr" &
pid=$!
wait_for '\(255,0,0\)' 5 || fail "close request: expected red first"
win=$(xdotool search --pid $pid --onlyvisible 2>/dev/null | head -n1)
python3 "$(dirname "$0")/wm_close.py" "$win"
ends_within 50 || fail "the close request did not end the show"
wait $pid || fail "the closed show ended with status $?"
echo "close request: the show and its music ended"

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
