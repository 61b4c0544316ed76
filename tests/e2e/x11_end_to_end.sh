#!/usr/bin/env bash
# The built program under a real X server (Xvfb) with a window manager
# (openbox), driven by synthetic input (xdotool):
#   - on a 1920 x 1080 and a 3840 x 2160 screen the window opens at its full
#     size, centred; on 640 x 400 and 520 x 380 screens it is reduced to what
#     fits and stands against the top (and left) edge;
#   - the focus starts in TxtVcc with its text selected; typed values, Tab,
#     the option buttons and Calculate give the result lines; a fault shows a
#     modal message and the program goes on; Close saves the last-run file,
#     byte for byte, and ends the program with status 0;
#   - closing the window through the window manager saves nothing;
#   - started through a link in another folder, the program still reads and
#     writes its last run in its own folder;
#   - Paste from an input box's context menu goes in at the caret, and Copy All
#     from the result list's menu (opened with the Menu key) copies all lines.
# Values in the boxes and lines of the list are read back through the
# clipboard (Ctrl+C in a box or in the list).
#
# Usage: x11_end_to_end.sh PROGRAM [ARTEFACT_DIR]
# ARTEFACT_DIR receives screenshots to look at afterwards (optional).
# Exit status: 0 passed, 1 failed, 77 skipped (a needed tool is missing).

set -uo pipefail

program="${1:-}"
artefacts="${2:-}"

log() { printf '%s\n' "$*"; }
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

[[ -n "$program" && -x "$program" ]] || fail "no program to run: '$program'"

for tool in Xvfb openbox xdotool xwininfo xprop xdpyinfo xsel wmctrl; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        log "SKIP: '$tool' is not installed (make test installs it)."
        exit 77
    fi
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-e2e.XXXXXX")" || fail "no temporary directory"
mkdir -m 700 "$work/runtime" "$work/config"

app_pid=""

cleanup() {
    stop_process "$app_pid"
    stop_process "$wm_pid"
    stop_process "$xvfb_pid"
    app_pid="" wm_pid="" xvfb_pid=""
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

# shellcheck source=../../tools/x-display.sh
source "$(dirname "$0")/../../tools/x-display.sh"

# The work area the window manager offers: "x y width height".
work_area() {
    local values ax ay aw ah
    values="$(x xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= *//p' | tr -d ',')"
    if [[ -n "$values" ]]; then
        read -r ax ay aw ah _ <<<"$values"
        echo "$ax $ay $aw $ah"
    else
        x xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print 0, 0, d[1], d[2] }'
    fi
}

# ---------------------------------------------------------------- the program

# Copies the program into a fresh directory, whose Tindrel.dat it then uses.
new_app_dir() {
    local dir
    dir="$(mktemp -d "$work/app.XXXXXX")" || fail "no temporary directory"
    cp "$program" "$dir/tindrel" || fail "could not copy $program"
    echo "$dir"
}

# Starts the program of DIR, or COMMAND when given (a link to it, say).
launch() {
    local dir="$1" command="${2:-$1/tindrel}"
    env -u QT_QPA_PLATFORM -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS \
        -u QT_AUTO_SCREEN_SCALE_FACTOR -u QT_ENABLE_HIGHDPI_SCALING -u QT_FONT_DPI \
        -u WAYLAND_DISPLAY -u SESSION_MANAGER \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
        "$command" >"$dir/output.log" 2>&1 &
    app_pid=$!
}

app_running() { kill -0 "$app_pid" 2>/dev/null; }

# Waits for the program to end; fails unless it ends with status 0.
expect_exit_0() {
    local what="$1" status
    if ! wait_for 10 eval '! app_running'; then
        fail "$what: the program is still running 10 s later"
    fi
    wait "$app_pid"
    status=$?
    app_pid=""
    ((status == 0)) || fail "$what: the program ended with status $status, expected 0"
}

# The program's visible windows titled "Tindrel": the main window has no
# WM_TRANSIENT_FOR, a message box is transient for the main window.
visible_tindrel_windows() { x xdotool search --onlyvisible --name '^Tindrel$' 2>/dev/null; }

is_transient() { x xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id'; }

main_window() {
    local id
    for id in $(visible_tindrel_windows); do
        is_transient "$id" || { echo "$id"; return 0; }
    done
    return 1
}

message_window() {
    local id
    for id in $(visible_tindrel_windows); do
        is_transient "$id" && { echo "$id"; return 0; }
    done
    return 1
}

# "x y width height" of a window, from xwininfo.
geometry_of() {
    x xwininfo -id "$1" 2>/dev/null | awk '
        /Absolute upper-left X:/ { gx = $NF }
        /Absolute upper-left Y:/ { gy = $NF }
        /^ *Width:/  { w = $NF }
        /^ *Height:/ { h = $NF }
        END { if (w != "") print gx, gy, w, h }'
}

# The window manager's frame around a client: its ancestor just below the root.
frame_of() {
    local id="$1" parent root
    root="$(x xwininfo -root | awk '/Window id:/ { print $4; exit }')"
    for _ in 1 2 3 4 5 6 7 8; do
        parent="$(x xwininfo -tree -id "$id" | awk '/Parent window id:/ { print $4; exit }')"
        [[ -n "$parent" ]] || return 1
        if [[ "$parent" == "$root" ]]; then
            echo "$id"
            return 0
        fi
        id="$parent"
    done
    return 1
}

# ---------------------------------------------------------------- placement

# Where the window must stand, given the work area and the frame the window
# manager drew: the client area a maximized window would have is the work
# area less the frame; in twips (15 a pixel) the measured width is that
# width, the measured height that height less 150; the outer size is
# 8235 x 6840 or the measured size where smaller; left and top are half the
# room left over, rounded to whole pixels (a half upwards). At full size the
# client keeps 541 x 429 pixels; a reduced side loses what the frame takes.
# Prints "left top client_width client_height full_width full_height".
expected_placement() {
    local ax="$1" ay="$2" aw="$3" ah="$4" fw="$5" fh="$6"
    local mw=$(((aw - fw) * 15)) mh=$(((ah - fh) * 15 - 150))
    local tw=$((mw < 8235 ? mw : 8235)) th=$((mh < 6840 ? mh : 6840))
    local left=$(((mw - tw + 15) / 30)) top=$(((mh - th + 15) / 30))
    local cw=541 ch=429
    ((tw < 8235)) && cw=$((tw / 15 - fw))
    ((th < 6840)) && ch=$((th / 15 - fh))
    echo "$((ax + left)) $((ay + top)) $cw $ch $((tw == 8235)) $((th == 6840))"
}

within() { local d=$(($1 - $2)); ((d <= $3 && d >= -$3)); }

placement_now=""

# True once the window stands where it must; leaves what was seen in
# placement_now.
placed_as_expected() {
    local win="$1" frame ax ay aw ah
    read -r ax ay aw ah <<<"$(work_area)"
    frame="$(frame_of "$win")" || return 1
    read -r cx cy cw ch <<<"$(geometry_of "$win")"
    read -r fx fy fw fh <<<"$(geometry_of "$frame")"
    [[ -n "${cw:-}" && -n "${fw:-}" ]] || return 1
    read -r ex ey ecw ech full_w full_h <<<"$(expected_placement "$ax" "$ay" "$aw" "$ah" \
        $((fw - cw)) $((fh - ch)))"
    placement_now="work area ${ax},${ay} ${aw}x${ah}; frame ${fx},${fy} ${fw}x${fh}; client ${cx},${cy} ${cw}x${ch}; expected frame at ${ex},${ey} (±1) and client ${ecw}x${ech} (±1)"
    within "$fx" "$ex" 1 && within "$fy" "$ey" 1 && within "$cw" "$ecw" 1 && within "$ch" "$ech" 1
}

# Checks size and place of the main window; prints its id.
check_placement() {
    local label="$1" win
    win="$(wait_for 15 main_window >/dev/null && main_window)" ||
        fail "$label: no visible window titled 'Tindrel' within 15 s ($(cat "$dir/output.log" 2>/dev/null))"
    # The window is first placed for an assumed frame and moved once the
    # window manager has framed it.
    wait_for 5 placed_as_expected "$win" ||
        fail "$label: window not where it belongs: $placement_now; _NET_FRAME_EXTENTS $(x xprop -id "$win" _NET_FRAME_EXTENTS)"
    # No later move.
    sleep 0.3
    placed_as_expected "$win" || fail "$label: the window moved after it was placed: $placement_now"

    local ax ay aw ah frame fx fy fw fh cx cy cw ch
    read -r ax ay aw ah <<<"$(work_area)"
    frame="$(frame_of "$win")"
    read -r fx fy fw fh <<<"$(geometry_of "$frame")"
    read -r cx cy cw ch <<<"$(geometry_of "$win")"
    read -r _ _ _ _ full_w full_h <<<"$(expected_placement "$ax" "$ay" "$aw" "$ah" \
        $((fw - cw)) $((fh - ch)))"

    # The whole frame is on the screen.
    ((fx >= ax && fy >= ay && fx + fw <= ax + aw && fy + fh <= ay + ah)) ||
        fail "$label: the window does not fit the work area: $placement_now"
    if ((full_w)); then
        ((cw == 541)) || fail "$label: client width $cw, expected 541 at full size"
        # Centred: the formula centres an outer width of 549 pixels, so a
        # frame of another width moves the middle by half the difference.
        local slack=$((1 + (fw > 549 ? fw - 549 : 549 - fw) / 2))
        within $((2 * fx + fw)) $((2 * ax + aw)) $((2 * slack)) ||
            fail "$label: not centred: frame middle at x $(((2 * fx + fw) / 2)), work area middle at $(((2 * ax + aw) / 2)) (±$slack allowed); $placement_now"
    else
        ((fx == ax)) || fail "$label: reduced width, but the frame's left edge is at $fx, not $ax: $placement_now"
    fi
    if ((full_h)); then
        ((ch == 429)) || fail "$label: client height $ch, expected 429 at full size"
    else
        ((fy == ay)) || fail "$label: reduced height, but the frame's top edge is at $fy, not $ay: $placement_now"
    fi
    log "$label: $placement_now" >&2
    echo "$win"
}

# ---------------------------------------------------------------- input

click() { x xdotool mousemove --window "$1" "$2" "$3" click 1 || fail "xdotool could not click at $2,$3"; }
keys() { x xdotool key --delay 20 "$@" || fail "xdotool could not press $*"; }
type_text() { x xdotool type --delay 20 -- "$1" || fail "xdotool could not type '$1'"; }

focused_is() { [[ "$(x xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }

clipboard_text=""
clipboard_filled() {
    clipboard_text="$(x xsel --clipboard --output 2>/dev/null)"
    [[ -n "$clipboard_text" ]]
}

# Ctrl+C in the focused control; prints what it copied (empty if nothing).
copy_focused() {
    x xsel --clipboard --clear 2>/dev/null
    keys ctrl+c
    wait_for 3 clipboard_filled
    printf '%s' "$clipboard_text"
}

expect_eq() {
    [[ "$2" == "$3" ]] || fail "$1: expected '$3', saw '$2'"
}

# List1 at 32,288 in the client area; a click on its first row makes it the
# current control.
list_row_x=100
list_row_y=297
read_list_line() { # key presses to reach the line, e.g. Home or "Home Down"
    keys "$@"
    copy_focused
}

# Controls, client coordinates of their middles (96 dots per inch).
calc_x=100 calc_y=204   # CmdCalc
close_x=204 close_y=236 # CmdClose
vcc_x=308 vcc_y=25      # TxtVcc
rc_x=308 rc_y=121       # TxtRc
si_x=316 si_y=208       # OptSi in Frame1
ge_x=316 ge_y=232       # OptGe in Frame1

shot() {
    [[ -n "$artefacts" ]] && command -v import >/dev/null 2>&1 || return 0
    mkdir -p "$artefacts" 2>/dev/null &&
        x import -window root "$artefacts/$1" >/dev/null 2>&1 &&
        log "Screenshot: $artefacts/$1"
    return 0
}

line1_si="Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 5.520 Volts"
lines_si=(
    "$line1_si"
    "R1 Power = 4.547e-3 Watts   R2 Power = 849.6e-6 Watts"
    "Re Power = 4.160e-3 Watts   Rc Power = 19.09e-3 Watts"
    "            Collector Dissipation = 12.14e-3 Watts"
    "For Rc = 0, Collector Dissipation = 31.23e-3 Watts"
    "                 Stability Factor = 8.240"
)
line1_rc0="Ic = 2.946 mA  Ve = 1.398 Volts  Vc = 12.00 Volts"
line1_ge="Ic = 3.919 mA  Ve = 1.861 Volts  Vc = 3.377 Volts"

# ================================================================ 1920 x 1080

start_display 1920 1080
dir="$(new_app_dir)"
# A last run that the typing must replace (the reader fills the boxes with
# the trimmed fields, germanium selected).
printf 'False\r\n 5.000     \r\n 50.00     \r\n 10.00e+3  \r\n 1.000e+3  \r\n 1.000e+3  \r\n 100.0     \r\nFalse\r\nTrue\r\n' \
    >"$dir/Tindrel.dat"
# Started through a link elsewhere, as the installed tindrel command does:
# the program still keeps its last run in its own folder.
mkdir -p "$work/bin"
ln -s "$dir/tindrel" "$work/bin/tindrel"
launch "$dir" "$work/bin/tindrel"
win="$(check_placement "1920 x 1080")" || exit 1

wait_for 5 focused_is "$win" || fail "the window did not get the keyboard focus"
expect_eq "focus at start: TxtVcc with its whole text selected (Ctrl+C)" "$(copy_focused)" "5.000"

# Paste from the box's own menu goes in at the caret, not over the whole text.
type_text 123456
keys End
printf 'XY' | x xsel --clipboard --input || fail "xsel could not fill the clipboard"
x xdotool mousemove --window "$win" "$vcc_x" "$vcc_y" click 3 || fail "xdotool could not right-click TxtVcc"
sleep 0.3
keys p
keys ctrl+a
expect_eq "TxtVcc after Paste from its context menu at the end of 123456" "$(copy_focused)" "123456XY"

# The first worked example; each box's text is selected when Tab reaches it,
# so typing replaces it.
keys ctrl+a
type_text 12
keys Tab
type_text 100
keys Tab
type_text 22000
keys Tab
type_text 4700
keys Tab
type_text 2200
keys Tab
type_text 470
click "$win" "$si_x" "$si_y"
click "$win" "$calc_x" "$calc_y"

click "$win" "$list_row_x" "$list_row_y"
expect_eq "List1 line 1 after Calculate" "$(read_list_line Home)" "${lines_si[0]}"
for i in 1 2 3 4 5; do
    expect_eq "List1 line $((i + 1)) after Calculate" "$(read_list_line Down)" "${lines_si[i]}"
done
expect_eq "List1 has six lines (Down past line 6)" "$(read_list_line Down)" "${lines_si[5]}"

# Copy All from the list's menu, opened with the Menu key: the six lines,
# each ending in a line feed.
x xsel --clipboard --clear 2>/dev/null
keys Menu
sleep 0.3
keys a
wait_for 3 clipboard_filled || fail "Copy All put nothing on the clipboard"
printf '%s\n' "${lines_si[@]}" >"$work/copy_all.expected"
x xsel --clipboard --output >"$work/copy_all.seen"
cmp -s "$work/copy_all.seen" "$work/copy_all.expected" ||
    fail "Copy All gave:
$(od -c "$work/copy_all.seen")"
shot e2e_1920x1080_calculate.png

# A fault: Rc = 0 stops the calculation at the power in Rc.
click "$win" "$rc_x" "$rc_y"
expect_eq "TxtRc selected when clicked" "$(copy_focused)" "2200"
type_text 0
click "$win" "$calc_x" "$calc_y"
wait_for 5 message_window >/dev/null || fail "no message window titled 'Tindrel' after Calculate with Rc = 0"
msg="$(message_window)"
x xprop -id "$msg" WM_TRANSIENT_FOR | grep -q "$(printf '0x%x' "$win")" ||
    fail "the message window is not transient for the main window: $(x xprop -id "$msg" WM_TRANSIENT_FOR)"
x xprop -id "$msg" _NET_WM_STATE | grep -q _NET_WM_STATE_MODAL ||
    fail "the message window is not modal: $(x xprop -id "$msg" _NET_WM_STATE)"
shot e2e_1920x1080_fault_message.png
wait_for 5 focused_is "$msg" || fail "the message window did not get the keyboard focus"
keys Return
wait_for 5 eval '! message_window >/dev/null' || fail "the message window stayed open after Return"
app_running || fail "the program ended after the fault message"
[[ "$(main_window)" == "$win" ]] || fail "the main window is gone after the fault message"
click "$win" "$list_row_x" "$list_row_y"
expect_eq "List1 line 1 after the fault" "$(read_list_line Home)" "$line1_rc0"
expect_eq "List1 holds line 1 only after the fault" "$(read_list_line End)" "$line1_rc0"

# Germanium, Rc back to 2200, and a second full press.
click "$win" "$ge_x" "$ge_y"
click "$win" "$rc_x" "$rc_y"
type_text 2200
click "$win" "$calc_x" "$calc_y"
click "$win" "$list_row_x" "$list_row_y"
expect_eq "List1 line 1 with germanium" "$(read_list_line Home)" "$line1_ge"
expect_eq "List1 line 6 with germanium (the list was cleared)" \
    "$(read_list_line Down Down Down Down Down)" "${lines_si[5]}"

click "$win" "$close_x" "$close_y"
expect_exit_0 "Close"
expected_file="$work/expected.dat"
printf 'False\r\n 12.00     \r\n 100.0     \r\n 22.00e+3  \r\n 4.700e+3  \r\n 2.200e+3  \r\n 470.0     \r\nFalse\r\nTrue\r\n' \
    >"$expected_file"
cmp -s "$dir/Tindrel.dat" "$expected_file" ||
    fail "Tindrel.dat after Close differs; expected:
$(od -c "$expected_file")
saw:
$(od -c "$dir/Tindrel.dat" 2>&1)"
log "1920 x 1080: input, Calculate, fault message and Close as expected"
stop_display

# ================================================================ 3840 x 2160
# Wider than 32767 twips; no last-run file, closed by the window manager.

start_display 3840 2160
dir="$(new_app_dir)"
launch "$dir"
win="$(check_placement "3840 x 2160")" || exit 1
x wmctrl -i -c "$win" || fail "wmctrl could not ask the window to close"
expect_exit_0 "closing through the window manager"
[[ ! -e "$dir/Tindrel.dat" ]] || fail "closing through the window manager wrote Tindrel.dat"
stop_display

# ================================================================ 640 x 400
# Too low: the height is reduced, the width is not.

start_display 640 400
dir="$(new_app_dir)"
launch "$dir"
win="$(check_placement "640 x 400")" || exit 1
x wmctrl -i -c "$win" || fail "wmctrl could not ask the window to close"
expect_exit_0 "closing through the window manager"
stop_display

# ================================================================ 520 x 380
# Too narrow and too low; closing through the window manager keeps the
# last-run file as it was.

start_display 520 380
dir="$(new_app_dir)"
cp "$expected_file" "$dir/Tindrel.dat"
launch "$dir"
win="$(check_placement "520 x 380")" || exit 1
wait_for 5 focused_is "$win" || fail "the window did not get the keyboard focus"
expect_eq "focus at start: TxtVcc with the restored text selected (Ctrl+C)" "$(copy_focused)" "12.00"
type_text 99
x wmctrl -i -c "$win" || fail "wmctrl could not ask the window to close"
expect_exit_0 "closing through the window manager"
cmp -s "$dir/Tindrel.dat" "$expected_file" ||
    fail "closing through the window manager changed Tindrel.dat:
$(od -c "$dir/Tindrel.dat" 2>&1)"
stop_display

log "PASS"
