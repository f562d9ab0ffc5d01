#!/usr/bin/env bash
# The window on an X server with a window manager, driven as a user drives it
# (xdotool): on a 1024x700 screen it fits; Enter starts a reading, Escape does
# not end it, Ctrl+F2 stops it and Enter keeps the log, Ctrl+Tab turns the
# page, and the window manager's close ends the program. Skipped without
# Xvfb, xdotool and openbox, and under ThreadSanitizer.
set -euo pipefail
program="$1"
# Qt's X11 event thread is not instrumented: ThreadSanitizer would stop the
# program on what it cannot see.
[ -z "${TSAN_OPTIONS:-}" ] || { echo "skipped under ThreadSanitizer"; exit 77; }
for tool in Xvfb xdotool openbox; do
  command -v "$tool" > /dev/null || { echo "skipped: $tool is missing"; exit 77; }
done
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
  wait 2> /dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }
# Waits up to 20 s for a command to succeed.
await() { for _ in $(seq 200); do "$@" > /dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }

exec 3> "$work/display"
Xvfb -displayfd 3 -screen 0 1024x700x24 -nolisten tcp > /dev/null 2>&1 &
pids+=($!)
await test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n 1 "$work/display")"
# The X server's window, whatever platform the other tests run on.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
openbox > /dev/null 2>&1 &
pids+=($!)
export HOME="$work/home" XDG_CONFIG_HOME="$work/config"
mkdir -p "$HOME" "$XDG_CONFIG_HOME"
"$program" simulate --pty --rate 5 --tx 1234 --seconds 120 > "$work/pty.txt" 2> /dev/null &
pids+=($!)
await test -s "$work/pty.txt" || fail "no simulator"
# COM1 is the simulator's line: the machine's own serial ports stay untouched.
DELVARINE_COM1="$(cat "$work/pty.txt")" "$program" > "$work/window.log" 2>&1 &
window=$!
pids+=("$window")
await xdotool search --name "^Delvarine [0-9]" || fail "no window: $(cat "$work/window.log")"
id="$(xdotool search --name "^Delvarine [0-9]" | head -n 1)"
xdotool windowactivate --sync "$id" > /dev/null 2>&1 || true

# It fits the small screen (title bar included).
eval "$(xdotool getwindowgeometry --shell "$id")"
[ "$HEIGHT" -le 700 ] && [ "$WIDTH" -le 1024 ] || fail "the window is ${WIDTH}x${HEIGHT} on 1024x700"

logs() { ls "$HOME"/Documents/Delvarine/20*.txt 2> /dev/null; }
xdotool key --window "$id" Return
await logs || fail "Enter started no reading"
log="$(logs | head -n 1)"
await grep -q " P 1234 " "$log" || fail "no line was logged"
xdotool key --window "$id" Escape
sleep 0.5  # a key that does nothing leaves nothing to wait for
grep -q "^End" "$log" && fail "Escape ended the reading"
xdotool key --window "$id" ctrl+F2
# The question: Enter keeps the log.
await xdotool search --name "^Delvarine$" || true
xdotool key Return
await grep -aq "^End" "$log" || fail "Ctrl+F2 and Enter did not end the reading with the log kept"
xdotool key --window "$id" ctrl+Tab
# The window manager's close: the program ends by itself.
xdotool windowactivate --sync "$id" > /dev/null 2>&1 || true
xdotool key alt+F4
await bash -c "! kill -0 $window" || fail "the window manager's close did not end the program"
echo "desktop ok"
