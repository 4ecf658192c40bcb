#!/usr/bin/env bash
# The program's share of one core under Xvfb at 1920x1080, beside the plain QLCDNumber board
# (bench_paint --lcd-window) started the same way, each on its own X server at the same time, with
# the game clock running in the minutes form (10:00 started), running in the last-minute form (0:59
# typed on the clock, then started) and stopped. The share is utime+stime from /proc/PID/stat over
# the measured time; the X servers' shares are given beside. Wake-ups are the context switches,
# voluntary and not, of all threads (/proc/PID/task/*/status) over the same time, per second: for
# the program its main thread and its other threads apart, so that the sound path shows.
# Both boards play to a private PulseAudio server with a null sink, as on a machine with sound.
#
#   bench/cpu_share.sh [PROGRAM [BENCH_PAINT]]      DURATION=60 by default, in seconds
#
# PROGRAM_ENV adds settings to the program's environment, e.g. PROGRAM_ENV=QT_XCB_NO_MITSHM=1 to see
# what Qt's shared-memory painting costs in wake-ups. Needs Xvfb, xdotool and pulseaudio. The program runs with a settings store of its own (default keys: "s"
# starts the clock).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-}
if [[ -z $program ]]; then
    for candidate in "$root/build/run/bin/courtvane" "$root/build/release/bin/courtvane"; do
        [[ -x $candidate ]] && program=$candidate && break
    done
fi
plain=${2:-$root/build/release/bin/bench_paint}
duration=${DURATION:-60}
for file in "$program" "$plain"; do
    [[ -x $file ]] || { echo "cpu_share: no executable '$file'" >&2; exit 2; }
done
for tool in Xvfb xdotool pulseaudio pactl; do
    command -v "$tool" >/dev/null || { echo "cpu_share: $tool is not installed" >&2; exit 2; }
done

work=$(mktemp -d)
started=()
stop_all() {
    local pid
    for pid in "${started[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${started[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    started=()
}
pulse_pid=
trap 'stop_all; [[ -n $pulse_pid ]] && kill "$pulse_pid" 2>/dev/null; wait; rm -rf "$work"' EXIT

ticks_per_second=$(getconf CLK_TCK)
# utime + stime of a process, in clock ticks.
cpu_ticks() {
    local stat
    stat=$(<"/proc/$1/stat")
    stat=${stat##*) }
    read -r -a fields <<<"$stat"
    echo $((fields[11] + fields[12]))
}

# Context switches of the main thread, and of all other threads, of a process: "main others".
wakeups() {
    local main=0 others=0 status task count
    for status in /proc/"$1"/task/*/status; do
        task=${status%/status}
        task=${task##*/}
        count=$(awk '/^(non)?voluntary_ctxt_switches:/ { n += $2 } END { print n + 0 }' "$status" 2>/dev/null) ||
            continue
        if [[ $task == "$1" ]]; then main=$((main + count)); else others=$((others + count)); fi
    done
    echo "$main $others"
}

per_second() {
    awk -v n="$1" -v s="$2" 'BEGIN { printf "%.1f", n / s }'
}

# A private sound server with a null sink, which both boards find through PULSE_SERVER.
mkdir -p "$work/pulse"
env HOME="$work/pulse" XDG_RUNTIME_DIR="$work/pulse" PULSE_RUNTIME_PATH="$work/pulse" \
    PULSE_STATE_PATH="$work/pulse" pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
    "--load=module-native-protocol-unix socket=$work/pulse/native auth-anonymous=1" \
    "--load=module-null-sink sink_name=benchsink" --load=module-always-sink >/dev/null 2>&1 &
pulse_pid=$!
export PULSE_SERVER=unix:$work/pulse/native
tries=0
until HOME="$work/pulse" pactl info >/dev/null 2>&1; do
    ((++tries < 100)) || { echo "cpu_share: pulseaudio did not start" >&2; exit 1; }
    sleep 0.1
done
HOME="$work/pulse" pactl set-default-sink benchsink

# start_x: an X server at 1920x1080, setting $display and $xpid.
source "$root/bench/xvfb.sh"

# The visible window of a process, waiting for it; a window other than $2 when given.
window_of() {
    local id tries=0
    while ((tries++ < 200)); do
        for id in $(DISPLAY=$display xdotool search --onlyvisible --pid "$1" --name . 2>/dev/null); do
            [[ $id != "${2:-}" ]] && echo "$id" && return 0
        done
        sleep 0.1
    done
    echo "cpu_share: no window of process $1" >&2
    return 1
}

fill_screen() {
    DISPLAY=$display xdotool windowmove "$1" 0 0 windowsize "$1" 1920 1080
}

printf '%-12s %5s %10s %10s %12s %12s %12s %12s %12s\n' mode seconds "program %" "plain %" "its Xvfb %" \
    "plain Xvfb %" "wakes/s" "main, other" "plain wakes"
for mode in minutes last-minute stopped; do
    # The last-minute clock runs out 59 s after its start: measured until shortly before.
    seconds=$duration
    [[ $mode == last-minute ]] && ((seconds > 54)) && seconds=54

    start_x program
    program_display=$display program_x=$xpid
    # shellcheck disable=SC2086 # PROGRAM_ENV holds NAME=VALUE words
    env ${PROGRAM_ENV:-} DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config.$mode" \
        XDG_RUNTIME_DIR="$work" "$program" >/dev/null 2>&1 &
    program_pid=$!
    started+=("$program_pid")
    splash=$(window_of "$program_pid")
    sleep 0.5
    DISPLAY=$display xdotool mousemove --window "$splash" 40 40 click 1
    board=$(window_of "$program_pid" "$splash")
    fill_screen "$board"
    sleep 1
    DISPLAY=$display xdotool windowfocus --sync "$board"
    case $mode in
    minutes) DISPLAY=$display xdotool key s ;;
    last-minute)
        # Tab takes the focus from the period to the clock, where the entry is typed.
        DISPLAY=$display xdotool key Tab type 0.59
        DISPLAY=$display xdotool key Return s
        ;;
    esac

    start_x plain
    plain_x=$xpid
    env DISPLAY="$display" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "$plain" --lcd-window "$mode" \
        >/dev/null 2>&1 &
    plain_pid=$!
    started+=("$plain_pid")
    fill_screen "$(window_of "$plain_pid")"
    sleep 2

    pids=("$program_pid" "$plain_pid" "$program_x" "$plain_x")
    before=()
    for pid in "${pids[@]}"; do before+=("$(cpu_ticks "$pid")"); done
    read -r program_main program_others <<<"$(wakeups "$program_pid")"
    read -r plain_main plain_others <<<"$(wakeups "$plain_pid")"
    sleep "$seconds"
    shares=()
    for i in "${!pids[@]}"; do
        used=$(($(cpu_ticks "${pids[$i]}") - before[i]))
        shares+=("$(awk -v t="$used" -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN { printf "%.2f", 100 * t / hz / s }')")
    done
    read -r main_after others_after <<<"$(wakeups "$program_pid")"
    read -r plain_main_after plain_others_after <<<"$(wakeups "$plain_pid")"
    main_rate=$(per_second $((main_after - program_main)) "$seconds")
    others_rate=$(per_second $((others_after - program_others)) "$seconds")
    total_rate=$(per_second $((main_after - program_main + others_after - program_others)) "$seconds")
    plain_rate=$(per_second $((plain_main_after - plain_main + plain_others_after - plain_others)) "$seconds")
    if [[ -n ${SHOTS:-} ]]; then
        DISPLAY=$program_display import -window root "$SHOTS/cpu-$mode-program.png"
        DISPLAY=$display import -window root "$SHOTS/cpu-$mode-plain.png"
    fi
    printf '%-12s %5s %10s %10s %12s %12s %12s %12s %12s\n' "$mode" "$seconds" "${shares[@]}" "$total_rate" \
        "$main_rate, $others_rate" "$plain_rate"
    stop_all
done
