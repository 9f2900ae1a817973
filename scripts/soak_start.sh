#!/usr/bin/env bash
# Slow checks of the start and the end under a real window manager (Xvfb + openbox), not
# run by ctest: a start with a colour that is no colour in the global file shows its window
# and the report and keeps running after the report is answered; a session that opens
# the settings dialog's folder browser and colour chooser, then ends on SIGTERM, writes
# nothing into $HOME. Usage: scripts/soak_start.sh [mirvo executable]; ends with 0 when
# every check holds.
set -uo pipefail
cd "$(dirname "$0")/.."
exe=$(realpath "${1:-${MIRVO_BUILD_DIR:-build}/src/ui/mirvo}")
work=$(mktemp -d)
pids=()
cleanup() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
    rm -rf "$work"
}
trap cleanup EXIT
failed=0
check() { # check DESCRIPTION COMMAND...
    if "${@:2}"; then echo "ok   $1"; else echo "FAIL $1"; failed=1; fi
}

exec {fd}<> <(:)
Xvfb -displayfd "$fd" -screen 0 1024x768x24 >/dev/null 2>&1 &
pids+=($!)
read -r -t 10 number <&"$fd" || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$number
unset WAYLAND_DISPLAY XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_STATE_HOME
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Starts the reader with the settings folder $1 and HOME $2; its pid in $reader.
start() {
    mkdir -p "$work/run" && chmod 700 "$work/run"
    HOME=$2 MIRVO_HOME=$1 XDG_RUNTIME_DIR=$work/run "$exe" >>"$work/stderr" 2>&1 &
    reader=$!
    pids+=("$reader")
    sleep 3
}
alive() { kill -0 "$reader" 2>/dev/null; }
# Waits up to ten seconds until the active window is captioned $1.
active_is() {
    for _ in $(seq 50); do
        [ "$(xdotool getactivewindow getwindowname 2>/dev/null)" = "$1" ] && return 0
        sleep 0.2
    done
    return 1
}
# The main window and the general error report are both captioned "Mirvo".
window_and_report_shown() { [ "$(xdotool search --onlyvisible --name '^Mirvo$' | wc -l)" -ge 2 ]; }
ended() {
    for _ in $(seq 50); do alive || return 0; sleep 0.1; done
    return 1
}

# A colour that is no colour: the window, then the report over it.
mkdir -p "$work/color" "$work/home1"
printf '[Config]\nCoverColor=abc\n' >"$work/color/Mirvo.INI"
start "$work/color" "$work/home1"
check "a bad CoverColor: the window is shown, the report over it" window_and_report_shown
for _ in 1 2 3; do xdotool key Return; sleep 1; done
check "a bad CoverColor: the reader runs after the report" alive
kill -TERM "$reader"
check "a bad CoverColor: SIGTERM ends the reader" ended

# A session with the standard dialogs: HOME stays empty.
mkdir -p "$work/settings" "$work/home2"
start "$work/settings" "$work/home2"
main=$(xdotool search --onlyvisible --name '^Mirvo$' | head -1)
# The toolbar's 設定, then 参照.. and the cover colour panel of the settings dialog (places
# in the windows' client areas).
xdotool mousemove --window "$main" 279 37 sleep 0.3 click 1
if active_is 'ﾀﾞｲｱﾛｸﾞ'; then
    dialog=$(xdotool getactivewindow)
    xdotool mousemove --window "$dialog" 487 372 sleep 0.3 click 1
    check "the folder browser opened in Japanese" active_is 'お好きなﾌｫﾙﾀﾞを選択して下さい。'
    xdotool key Escape
    active_is 'ﾀﾞｲｱﾛｸﾞ'
    xdotool mousemove --window "$dialog" 485 65 sleep 0.3 click 1
    check "the colour chooser opened in Japanese" active_is '色を選択'
    xdotool key Escape
    active_is 'ﾀﾞｲｱﾛｸﾞ'
    xdotool key Escape
fi
check "the settings dialog opened" test -n "${dialog:-}"
kill -TERM "$reader"
check "a session: SIGTERM ends the reader" ended
check "a session: HOME is left empty" test -z "$(ls -A "$work/home2")"
check "a session: Qt's settings are in the settings folder" test -f "$work/settings/QtProject.conf"

[ "$failed" = 0 ] || cat "$work/stderr"
exit "$failed"
