#!/usr/bin/env bash
# What the Orca screen reader says of the board, from Orca's own debug log: the program runs on an
# X server of its own (Xvfb) with a private session bus, the accessibility bus, speech-dispatcher
# speaking through its dummy output, and Orca. Tab reaches the game clock and the home score, 47 is
# typed on it, the clock is switched to the time of day and back, the running clock is asked for
# (where am I), a key button of the options dialog is reached, and on the Game board the shot clock
# and the other new displays are read by flat review. Each step's speech is printed, and the script fails when a reading is
# missing or a change is spoken more than once.
#
#   bench/orca_speech.sh [COURTVANE]      (scripts/setup.sh bench installs what it needs)
#
# ORCA_LOG=FILE keeps Orca's whole debug log.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/default/bin/courtvane}")
[[ -x $program ]] || { echo "orca_speech: no executable '$program'" >&2; exit 2; }
for tool in xvfb-run dbus-run-session orca speech-dispatcher xdotool; do
    command -v "$tool" >/dev/null || { echo "orca_speech: '$tool' is missing: scripts/setup.sh bench" >&2; exit 2; }
done
launcher=/usr/libexec/at-spi-bus-launcher
[[ -x $launcher ]] || { echo "orca_speech: no $launcher: scripts/setup.sh bench" >&2; exit 2; }

if [[ ${ORCA_SPEECH_INSIDE:-} != yes ]]; then
    # A home of its own: Orca's settings, speech-dispatcher's and the program's stay out of the user's.
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/home" "$work/config" "$work/data" "$work/runtime"
    chmod 700 "$work/runtime"
    ORCA_SPEECH_INSIDE=yes WORK=$work HOME=$work/home XDG_CONFIG_HOME=$work/config \
        XDG_DATA_HOME=$work/data XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime \
        xvfb-run -a -s "-screen 0 1280x1024x24" dbus-run-session -- "$0" "$program"
    exit
fi

log=$WORK/orca.log
pids=()
stop_all() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    sleep 1
    # Orca may linger on its way out.
    for pid in "${pids[@]}"; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    if [[ -n ${ORCA_LOG:-} && -f $log ]]; then cp "$log" "$ORCA_LOG"; fi
}
trap stop_all EXIT

# Waits up to 20 s for an utterance holding TEXT in Orca's log after line FROM.
spoken_after() {
    local from=$1 text=$2 tries
    for ((tries = 0; tries < 100; tries++)); do
        [[ -f $log ]] && awk -v from="$from" -v text="$text" '
            NR > from { at = index($0, "SPEECH OUTPUT: \047"); if (at && index(substr($0, at), text)) found = 1 }
            END { exit !found }' "$log" && return 0
        sleep 0.2
    done
    return 1
}
lines() { if [[ -f $log ]]; then wc -l <"$log"; else echo 0; fi; }
# Waits until Orca has said nothing for 1.5 s (at most 10 s): on a busy machine it speaks a focus
# change a second or more after the key, which would otherwise be heard in the next step.
quiet() {
    local said last=-1 still=0 tries
    for ((tries = 0; tries < 50 && still < 8; tries++)); do
        said=$(grep -c "SPEECH OUTPUT" "$log" || true)
        if [[ $said == "$last" ]]; then still=$((still + 1)); else still=0; fi
        last=$said
        sleep 0.2
    done
}
# Orca's speech since line FROM, one utterance a line.
speech_since() { awk -v from="$1" 'NR > from' "$log" | { grep -o "SPEECH OUTPUT: '[^']*'" || true; } | sed "s/SPEECH OUTPUT: //"; }

failures=0
# Runs the keys, waits for PATTERN to be spoken, and prints what was said.
step() {
    local title=$1 pattern=$2 from
    shift 2
    from=$(lines)
    xdotool "$@"
    if spoken_after "$from" "$pattern"; then
        quiet
        echo "== $title: spoken"
    else
        echo "== $title: NOT SPOKEN ('$pattern')"
        failures=$((failures + 1))
    fi
    speech_since "$from" | sed 's/^/   /'
}

"$launcher" --launch-immediately &
pids+=($!)
# The dummy output finds no sound device under Xvfb and says so in speechd.out; Orca logs each
# utterance before handing it over, so its log holds them all the same. When Orca is slow to
# answer a key, Qt prints "keyEventError ... NoReply"; the key still reaches the program.
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'EOF'
AddModule "dummy" "sd_dummy" ""
DefaultModule dummy
EOF
speech-dispatcher --spawn --timeout 0 --config-dir "$XDG_CONFIG_HOME/speech-dispatcher" >"$WORK/speechd.out" 2>&1 || true

# Orca writes its debug log through an 8 KB buffer, so a file holds an utterance only seconds or
# keys later. Written to a terminal it is flushed line by line: Orca logs to the terminal that
# script(1) gives it, and script copies that to the log at once (-f).
mkdir -p "$WORK/orca"
script -qfec "orca --user-prefs '$WORK/orca' --debug-file /dev/tty --replace" "$log" >"$WORK/orca.out" 2>&1 &
pids+=($!)
spoken_after 0 "Screen reader on" ||
    { echo "orca_speech: Orca did not start"; grep -B2 -A12 "SPEECH: Initializing" "$log"; exit 1; }

# The settings the program reads: the Game board, or the Standard one.
settings=$XDG_CONFIG_HOME/Courtvane.conf
run_board() {
    local layout=$1
    printf '[GameSettings]\nLayout=%s\n' "$layout" >"$settings"
    "$program" &
    board_pid=$!
    pids+=("$board_pid")
    xdotool search --sync --name '^Courtvane Standard$' >/dev/null
    sleep 2
    # The splash hands over to the board on a click.
    xdotool mousemove 640 512 click 1
    sleep 2
    window=$(xdotool search --sync --onlyvisible --name '^Courtvane Standard$' | tail -1)
    xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus --sync "$window"
}

run_board Standard
# The board opens with the focus on the period; Tab goes on to the game clock and the home score.
step "Tab to the game clock" "Game clock, 10:00" key Tab
step "Tab to the home score" "Home score, 0" key Tab
step "47 typed on the home score" "Home score, 47" key --delay 200 4 7 Return
step "back to the game clock" "Game clock, 10:00" key shift+Tab
# Orca passes over a label's new name (and Qt 6.4 sends the element, not the name, with the
# event): the switched clock is heard as a new value.
step "the clock switched to the time of day" "Time of day, " key c
step "and back to the game clock" "Game clock, 10:00" key c

# The running clock is not spoken tick by tick, but when asked (where am I).
from=$(lines)
xdotool key s
sleep 3
ticks=$(speech_since "$from" | grep -c "Game clock" || true)
echo "== the running game clock was spoken $ticks time(s) in 3 s unasked"
((ticks == 0)) || failures=$((failures + 1))
step "where am I on the running game clock" "Game clock, 9:5" key KP_Enter
xdotool key s

# The options dialog opens with the focus on OK; Tab goes on to Cancel, the tabs and the first key
# button, which is read with its key.
step "the options dialog" "Options" key o
step "Tab to the first key button" "Start / Stop Clock, s" key --delay 400 Tab Tab Tab
xdotool key Escape
sleep 1
kill "$board_pid"
wait "$board_pid" 2>/dev/null || true

run_board Game
step "Tab to the game clock on the Game board" "Game clock, 10:00" key Tab
# Back on the period, F10 ends each period and break in turn, past the fourth into overtime.
step "the period into overtime" "Period, overtime 1" key --delay 500 shift+Tab F10 F10 F10 F10 F10 F10 F10 F10
# Flat review, its lines read up to the top and down again: each new display is one element, named
# with its reading.
step "flat review of the Game board" "Shot clock" key --delay 400 KP_Subtract \
    $(printf 'KP_Home %.0s' {1..10}) $(printf 'KP_Prior %.0s' {1..14})
for display in "Home fouls, 0" "Visitor fouls, 0" "Home timeouts, " "Visitor timeouts, "; do
    if speech_since 0 | grep -q "$display"; then
        echo "== $display...: read"
    else
        echo "== $display...: NOT READ"
        failures=$((failures + 1))
    fi
done

count=$(speech_since 0 | grep -c "Home score, 47" || true)
echo "== the new home score was spoken $count time(s)"
[[ $count -eq 1 ]] || failures=$((failures + 1))
((failures == 0)) && echo "orca_speech: every reading spoken" || echo "orca_speech: $failures reading(s) missing"
exit $((failures > 0))
