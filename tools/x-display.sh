# Shared by the end-to-end test and the start-up benchmark: a private X
# server (Xvfb) with a window manager (openbox) on it, and waiting helpers.
# Source it; the caller defines fail and log and sets work to a scratch
# directory, and ends what it started with stop_display.

xvfb_pid=""
wm_pid=""

# Ends one process that this script started: politely, then for certain.
stop_process() {
    local pid="$1" i
    [[ -n "$pid" ]] || return 0
    kill "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null; return 0; }
    for ((i = 0; i < 40; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    return 0
}

# X clients never get to hang the test.
x() { timeout 5 "$@"; }

# Runs "$@" every 50 ms until it succeeds or $1 seconds have passed.
wait_for() {
    local seconds="$1"
    shift
    local deadline=$((SECONDS + seconds))
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# ---------------------------------------------------------------- X server

display_ready() { x xdpyinfo >/dev/null 2>&1; }
xvfb_alive() { kill -0 "$xvfb_pid" 2>/dev/null; }
xvfb_settled() { ! xvfb_alive || display_ready; }
wm_ready() { x xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }

# Starts Xvfb with a W x H screen on a free display, and openbox on it.
start_display() {
    local width="$1" height="$2" n tries
    local base=$((100 + RANDOM % 400))
    for ((tries = 0; tries < 20; tries++)); do
        n=$((base + tries))
        [[ -e "/tmp/.X${n}-lock" || -e "/tmp/.X11-unix/X${n}" ]] && continue
        Xvfb ":${n}" -screen 0 "${width}x${height}x24" -dpi 96 -nolisten tcp -noreset \
            >"$work/xvfb.log" 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":${n}"
        # Another server may have taken the number in the meantime: then
        # this one ends at once and the next number is tried.
        if wait_for 10 xvfb_settled && xvfb_alive && display_ready; then break; fi
        stop_process "$xvfb_pid"
        xvfb_pid=""
    done
    [[ -n "$xvfb_pid" ]] || fail "Xvfb did not start (last log: $(cat "$work/xvfb.log"))"

    # The system's configuration of openbox, not the user's.
    XDG_CONFIG_HOME="$work/config" openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    wait_for 10 wm_ready || fail "openbox did not start managing ${DISPLAY} ($(cat "$work/openbox.log"))"
    log "Display ${DISPLAY}: ${width} x ${height}, openbox running"
}

stop_display() {
    stop_process "$wm_pid"
    stop_process "$xvfb_pid"
    wm_pid="" xvfb_pid=""
}

