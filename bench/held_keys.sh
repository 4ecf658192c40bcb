#!/usr/bin/env bash
# Holds keys down on the real board as a finger does, with the X server's own auto-repeat, under
# Xvfb with a window manager: the start/stop key held must leave the clock running (two pictures
# of the board a second apart differ), and a digit held on the home score must type on (1 held
# through two repeats, then Enter, shows the same as 111 typed and Enter). Prints one line per
# check and fails when one does.
#
#   bench/held_keys.sh [PROGRAM]      Needs Xvfb, openbox, xdotool, xset and ImageMagick.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$root/build/default/bin/courtvane}
[[ -x $program ]] || { echo "held_keys: no executable '$program'" >&2; exit 2; }
for tool in Xvfb openbox xdotool xset import compare; do
    command -v "$tool" >/dev/null || { echo "held_keys: $tool is not installed" >&2; exit 2; }
done

work=$(mktemp -d)
started=()
stop_all() {
    local pid
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait
    rm -rf "$work"
}
trap stop_all EXIT

source "$root/bench/xvfb.sh"
start_x board
export DISPLAY=$display
openbox >/dev/null 2>&1 &
started+=($!)
xset q | grep -q 'auto repeat:  on' || { echo "held_keys: the X server does not repeat keys" >&2; exit 1; }

XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb "$program" >/dev/null 2>&1 &
program_pid=$!
started+=("$program_pid")
# The visible window of the program other than $1, waiting for it.
window_other_than() {
    local id tries=0
    while ((tries++ < 600)); do
        for id in $(xdotool search --onlyvisible --pid "$program_pid" --name . 2>/dev/null); do
            [[ $id != "${1:-}" ]] && echo "$id" && return 0
        done
        sleep 0.1
    done
    echo "held_keys: no window of the program" >&2
    return 1
}
splash=$(window_other_than)
sleep 0.5
xdotool mousemove --window "$splash" 40 40 click 1
board=$(window_other_than "$splash")
sleep 1
xdotool windowfocus --sync "$board"

failed=0
report() {
    if [[ $2 == yes ]]; then echo "$1: ok"; else echo "$1: FAILED"; failed=1; fi
}
# Pixels that differ between two pictures of the board.
differing() {
    compare -metric AE "$1" "$2" null: 2>&1 || true
}

# Repeats after 0.3 s and every 0.5 s: a hold of a second brings two.
xset r rate 300 2
eval "$(xdotool getwindowgeometry --shell "$board")"
xdotool mousemove --window "$board" $((WIDTH * 31 / 100)) $((HEIGHT * 72 / 100)) click 1
sleep 0.3
xdotool keydown 1
sleep 1.05
xdotool keyup 1
xdotool key Return
sleep 0.3
import -window "$board" "$work/held.png"
xdotool type 111
xdotool key Return
sleep 0.3
import -window "$board" "$work/typed.png"
[[ $(differing "$work/held.png" "$work/typed.png") == 0 ]] && typed=yes || typed=no
report "digit held on the home score types on" "$typed"

# Repeats after 0.5 s and every 0.5 s: a hold of 2.75 s brings five, so that a program that took
# every repeat for a press would end with the clock stopped.
xset r rate 500 2
xdotool keydown s
sleep 2.75
xdotool keyup s
sleep 0.3
import -window "$board" "$work/running1.png"
sleep 1.2
import -window "$board" "$work/running2.png"
[[ $(differing "$work/running1.png" "$work/running2.png") != 0 ]] && running=yes || running=no
report "start/stop held through five repeats, the clock runs" "$running"

exit "$failed"
