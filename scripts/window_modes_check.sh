#!/usr/bin/env bash
# The window modes under a real window manager (Xvfb + openbox), where the frame around the
# window exists and arrives late: full screen entered and left three times from the normal
# window and twice from the maximised one must each give back the same geometry, and the
# status area hidden and shown again must look exactly as before. Then the text-file Open
# dialog through its keys, and a quit: the session may write nothing under HOME (Qt's own
# settings file included).
#
# Usage: scripts/window_modes_check.sh [build folder] [folder for the screenshots]
# Exit status 0 when every check holds; the screenshots stay for a look.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
shots=${2:-$(mktemp -d)}
mirvo="$build/src/ui/mirvo"
mkdir -p "$shots"
for tool in Xvfb openbox xdotool xwininfo import compare; do
    command -v "$tool" >/dev/null || { echo "needs $tool (openbox: apt-get install openbox)"; exit 2; }
done

work=$(mktemp -d)
display=:$((70 + RANDOM % 100))
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox &
pids+=($!)
sleep 1

mkdir -p "$work/home" "$work/runtime" "$work/settings"
chmod 700 "$work/runtime"
printf '%s\r\n' "$(printf 'Mirvo の窓の検査')" > "$work/book.txt"
for i in $(seq 300); do printf 'Line %d of the book, long enough to fill a page.\r\n' "$i"; done >> "$work/book.txt"
HOME="$work/home" MIRVO_HOME="$work/settings" XDG_RUNTIME_DIR="$work/runtime" \
    QT_QPA_PLATFORM=xcb "$mirvo" "$work/book.txt" &
pids+=($!)

win=""
for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name '^Mirvo' 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
done
[ -n "$win" ] || { echo "no window"; exit 1; }
sleep 1

# The client area's place and size as the X server has them.
geometry() {
    xwininfo -id "$win" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4}
        /Width:/{w=$2} /Height:/{h=$2} END{print x "," y " " w "x" h}'
}
fullscreen() {  # the window menu's full-screen item through its keys
    xdotool windowactivate --sync "$win" key --clearmodifiers alt+w
    sleep 0.3
    xdotool key a
    sleep 1.2
}
failures=0
maximise() {  # as a double click on the title bar does in openbox
    local x y
    read -r x y < <(geometry | tr ',x' '  ' | awk '{print $1 + 60, $2 - 10}')
    xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
    sleep 1
}
# $1: how many round trips, $2: their name, $3: what to do before each (or nothing).
check_round_trips() {
    local before after
    before=$(geometry)
    for i in $(seq "$1"); do
        $3
        [ -z "$3" ] || echo "$2 $i before entering: $(geometry)"
        fullscreen
        import -window root "$shots/$2-full-$i.png"
        fullscreen
        after=$(geometry)
        import -window root "$shots/$2-back-$i.png"
        echo "$2 round trip $i: $before -> $after"
        [ "$after" = "$before" ] || failures=$((failures + 1))
    done
}

check_round_trips 3 normal ""
# Leaving full screen gives back the normal window the maximised one came from.
check_round_trips 2 maximised maximise

# The status area hidden and shown again, twice: the window must look as before.
import -window "$win" "$shots/status-before.png"
for _ in 1 2; do
    for _ in 1 2; do
        xdotool windowactivate --sync "$win" key --clearmodifiers alt+w
        sleep 0.3
        xdotool key s
        sleep 0.8
    done
done
import -window "$win" "$shots/status-after.png"
diff=$(compare -metric AE "$shots/status-before.png" "$shots/status-after.png" null: 2>&1 || true)
echo "status area: $diff pixels differ"
[ "$diff" = "0" ] || failures=$((failures + 1))

# The text-file Open dialog through its keys: a name typed with its completion list on
# screen, then Enter; no list may stay over the window.
printf 'other\r\n' > "$work/other.txt"
xdotool windowactivate --sync "$win" key --clearmodifiers alt+f
sleep 0.3
xdotool key o
sleep 1.5
xdotool type --delay 60 "$work/oth"
sleep 1
import -window root "$shots/open-typed.png"
xdotool key Down Return  # the name taken from the list
sleep 0.5
xdotool key Return  # and the dialog's Open
sleep 1.5
import -window root "$shots/open-done.png"
popups=$(xdotool search --onlyvisible --class 'mirvo' 2>/dev/null | while read -r w; do
    [ "$w" = "$win" ] || echo "$w"; done | wc -l)
echo "windows of the reader left on screen besides the main one: $popups"
[ "$popups" = "0" ] || failures=$((failures + 1))

# Quit through the file menu: the session may have written only into its settings folder.
xdotool windowactivate --sync "$win" key --clearmodifiers alt+f
sleep 0.3
xdotool key x
sleep 2
echo "written into HOME: $(cd "$work/home" && find . -mindepth 1 | tr '\n' ' ')"
[ -z "$(ls -A "$work/home")" ] || failures=$((failures + 1))
# The book chosen in the dialog was the one on show at the end.
grep -a -q "other.txt" "$work/settings/Mirvo.INI" || { echo "other.txt was not opened"; failures=$((failures + 1)); }

echo "screenshots in $shots"
[ "$failures" -eq 0 ]
