#!/usr/bin/env bash
# The built program on Wayland: a headless weston (pixman renderer) as the
# compositor, Qt's Wayland platform plugin as the program's. The program must
# start without a word on its error output, keep running, and show its
# window with its controls, which a screenshot (weston-screenshooter) shows.
# Where the window stands is the compositor's choice on Wayland.
#
# Usage: wayland_weston.sh PROGRAM WINDOW_ON_SCREEN [ARTEFACT_DIR]
# Exit status: 0 passed, 1 failed, 77 skipped (weston or Qt's Wayland plugin
# is not installed).

set -uo pipefail

program="${1:-}"
checker="${2:-}"
artefacts="${3:-}"

log() { printf '%s\n' "$*"; }
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

[[ -x "$program" && -x "$checker" ]] || fail "usage: wayland_weston.sh PROGRAM WINDOW_ON_SCREEN [ARTEFACT_DIR]"
for tool in weston weston-screenshooter; do
    command -v "$tool" >/dev/null 2>&1 || { log "SKIP: '$tool' is not installed (make test installs it)."; exit 77; }
done
# ldconfig is in sbin, which an ordinary user's PATH leaves out.
qt_plugins="$(dirname "$(readlink -f "$(PATH="$PATH:/usr/sbin:/sbin" ldconfig -p | awk '/libQt6Gui.so.6 / { print $NF; exit }')")")/qt6/plugins"
[[ -e "$qt_plugins/platforms/libqwayland-generic.so" ]] ||
    { log "SKIP: Qt's Wayland plugin is not installed (package qt6-wayland)."; exit 77; }

work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-wayland.XXXXXX")" || fail "no temporary directory"
mkdir -m 700 "$work/runtime"
mkdir "$work/app" "$work/shots"
weston_pid=""
app_pid=""
# shellcheck source=../../tools/x-display.sh
source "$(dirname "$0")/../../tools/x-display.sh"
trap 'stop_process "$app_pid"; stop_process "$weston_pid"; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP

export XDG_RUNTIME_DIR="$work/runtime"
socket="tindrel-$$"
# --debug lets weston-screenshooter take its picture.
weston --backend=headless-backend.so --use-pixman --width=1024 --height=768 --idle-time=0 \
    --no-config --debug --socket="$socket" >"$work/weston.log" 2>&1 &
weston_pid=$!
wait_for 10 test -S "$XDG_RUNTIME_DIR/$socket" || fail "weston did not start: $(cat "$work/weston.log")"
log "weston running on $socket"

cp "$program" "$work/app/tindrel"
env -u DISPLAY -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_FONT_DPI \
    QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$socket" "$work/app/tindrel" >"$work/app.log" 2>&1 &
app_pid=$!

seen=""
window_seen() {
    kill -0 "$app_pid" 2>/dev/null || fail "the program ended: $(cat "$work/app.log")"
    rm -f "$work"/shots/*.png
    (cd "$work/shots" && WAYLAND_DISPLAY="$socket" timeout 5 weston-screenshooter >/dev/null 2>&1)
    local shot
    shot="$(ls "$work"/shots/*.png 2>/dev/null | head -n 1)"
    [[ -n "$shot" ]] || return 1
    seen="$("$checker" "$shot" 2>/dev/null)" || return 1
    [[ -n "$artefacts" ]] && mkdir -p "$artefacts" && cp "$shot" "$artefacts/wayland.png"
    return 0
}
wait_for 20 window_seen || fail "no Tindrel window on the screen: ${seen:-no screenshot}; program said: $(cat "$work/app.log")"
log "$seen"
[[ -n "$artefacts" ]] && log "Screenshot: $artefacts/wayland.png"

# Still running, and not a word on its error output.
sleep 0.5
kill -0 "$app_pid" 2>/dev/null || fail "the program ended: $(cat "$work/app.log")"
[[ ! -s "$work/app.log" ]] || fail "the program wrote: $(cat "$work/app.log")"
log "PASS"
