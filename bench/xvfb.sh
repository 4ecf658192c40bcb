# Sourced by the bench scripts that run the program under an X server of their own. Needs $work,
# the script's own folder, and the array started, the processes the script stops at its end.

# Starts an X server at 1920x1080 on a free display, $1 naming it among the script's servers; sets
# $display and $xpid.
start_x() {
    local fd_file=$work/display.$1
    rm -f "$fd_file"
    Xvfb -displayfd 1 -screen 0 1920x1080x24 -nolisten tcp >"$fd_file" 2>/dev/null &
    xpid=$!
    started+=("$xpid")
    local tries=0
    until [[ -s $fd_file ]]; do
        ((++tries < 100)) || { echo "$(basename "$0" .sh): Xvfb did not start" >&2; exit 1; }
        sleep 0.1
    done
    display=:$(head -n1 "$fd_file")
}
