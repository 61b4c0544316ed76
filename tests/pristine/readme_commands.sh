#!/usr/bin/env bash
# The README's two commands on a pristine Debian 12, as a newcomer runs them:
# a minbase system holding only git, make, sudo and ca-certificates; the
# project cloned from the committed HEAD of this checkout (nothing
# uncommitted comes along); an ordinary user with passwordless sudo, so that
# the packages go in through sudo as on a newcomer's machine. As that user:
#   - make run, with this machine's Xvfb and openbox as the display, until
#     the program's window is on the screen; the window manager then closes
#     it and make run must end with status 0; what make run installed must
#     hold the window's face and a sans-serif that is not monospace;
#   - make test, which must pass with ctest's summary saying so, and skip
#     none of the tests that drive the program or its installation.
# An install step that works here only because this machine already holds a
# package fails there.
#
# Usage: readme_commands.sh          (as root, or with sudo; needs network)
# KEEP=1 leaves the chroot and the logs in place for a look afterwards.
# Exit status: 0 passed, 1 failed.

set -uo pipefail

repo="$(cd "$(dirname "$0")/../.." && pwd)"
chroot_tool="$repo/tools/debian-chroot.sh"
user=newcomer

log() { printf '[%4ds] %s\n' "$SECONDS" "$*"; }
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

for tool in git mmdebstrap Xvfb openbox xdotool xdpyinfo xprop wmctrl; do
    command -v "$tool" >/dev/null 2>&1 || fail "'$tool' is not installed (make test-pristine installs it)"
done

# Beside the temporary files of the tests, on a disk with room for a system.
work="$(mktemp -d "${TMPDIR:-/var/tmp}/tindrel-pristine.XXXXXX")" || fail "no temporary directory"
root="$work/root"
run_pid=""

cleanup() {
    stop_process "$run_pid"
    stop_display
    if [[ "${KEEP:-}" == 1 ]]; then
        log "kept: $work"
    else
        "$chroot_tool" destroy "$root"
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# shellcheck source=../../tools/x-display.sh
source "$repo/tools/x-display.sh"

# As the newcomer, in the clone: "$@" through bash, with a login environment.
as_newcomer() { "$chroot_tool" run "$root" --user "$user" "$@"; }

# The last lines of a log, for a failure message.
tail_of() { tail -n 30 "$1" 2>/dev/null; }

# ---------------------------------------------------------------- the machine

git -C "$repo" bundle create "$work/tindrel.bundle" HEAD >/dev/null 2>&1 ||
    fail "git could not bundle HEAD of $repo"
log "creating a minbase Debian 12 with git, make, sudo and ca-certificates"
"$chroot_tool" create "$root" git make sudo ca-certificates >"$work/create.log" 2>&1 ||
    fail "the chroot could not be made: $(tail_of "$work/create.log")"
"$chroot_tool" adduser "$root" "$user" --sudo || fail "no user $user in the chroot"
install -m 644 "$work/tindrel.bundle" "$root/tmp/tindrel.bundle"
as_newcomer -- git -c advice.detachedHead=false clone -q /tmp/tindrel.bundle tindrel ||
    fail "git clone of the project failed in the chroot"
log "project cloned into /home/$user/tindrel"

# ---------------------------------------------------------------- make run

start_display 1280 1024
log "make run on display $DISPLAY"
as_newcomer --display "$DISPLAY" -- bash -c 'cd ~/tindrel && make run' >"$work/make-run.log" 2>&1 &
run_pid=$!

main_window() {
    local id
    for id in $(x xdotool search --onlyvisible --name '^Tindrel$' 2>/dev/null); do
        # A message box is transient for the main window.
        x xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' || { echo "$id"; return 0; }
    done
    return 1
}
run_ended() { ! kill -0 "$run_pid" 2>/dev/null; }
window_or_end() { main_window >/dev/null || run_ended; }

# Packages, then the build: allow for a slow mirror.
wait_for 2400 window_or_end
win="$(main_window)" ||
    fail "no window titled 'Tindrel' from make run (it $(run_ended && echo ended || echo 'is still running')): $(tail_of "$work/make-run.log")"
log "the window is on the screen: $(x xwininfo -id "$win" | awk '/geometry/ { print $2 }')"
x wmctrl -i -c "$win" || fail "wmctrl could not ask the window to close"
wait_for 20 run_ended || fail "make run still runs 20 s after the window was closed"
wait "$run_pid"
status=$?
run_pid=""
((status == 0)) || fail "make run ended with status $status: $(tail_of "$work/make-run.log")"
stop_display
log "make run ended with status 0"

# The fonts, while the machine holds only what make run installed (make
# test's packages bring more, which would hide a missing one): the face the
# window's controls are drawn in, and a system sans-serif that is not
# monospace (fontconfig's spacing 100; 90 is dual-width).
font_of() { "$chroot_tool" run "$root" -- fc-match -f "$1" "$2"; }
face="$(font_of '%{family[0]}' 'Liberation Sans')"
[[ "$face" == "Liberation Sans" ]] || fail "make run left no Liberation Sans: fontconfig answers '$face'"
sans="$(font_of '%{family[0]}' sans-serif)"
spacing="$(font_of '%{spacing}' sans-serif)"
[[ "$spacing" != 100 && "$spacing" != 90 ]] ||
    fail "after make run the system's sans-serif is $sans, a monospace face"
log "fonts after make run: Liberation Sans; sans-serif is $sans"

# ---------------------------------------------------------------- make test

log "make test"
as_newcomer -- bash -c 'cd ~/tindrel && make test' >"$work/make-test.log" 2>&1
status=$?
summary="$(grep -E '^[0-9]+% tests passed' "$work/make-test.log")"
((status == 0)) || fail "make test ended with status $status: $(tail_of "$work/make-test.log")"
[[ "$summary" =~ ^100%\ tests\ passed,\ 0\ tests\ failed ]] ||
    fail "make test passed without ctest's summary of a passing suite: $(tail_of "$work/make-test.log")"
# make test installs the tools of the tests that drive the program itself, so
# none of them may be skipped; on a pristine machine a skip means a step that
# works only where something else is installed.
skipped="$(grep -E 'Test +#[0-9]+: (e2e|packaging)\.[^ ]+ .*Skipped' "$work/make-test.log")"
[[ -z "$skipped" ]] || fail "make test skipped what it should run: $skipped"
log "make test: $summary"
log "PASS"
