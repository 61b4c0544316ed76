#!/usr/bin/env bash
# The Debian package from make deb, as a user of a fresh Debian 12 gets it:
#   - lintian finds no error and no warning in it (info tags are shown);
#   - apt-get installs it, without recommended packages, into a minbase
#     chroot made from Debian's archive, so that its Depends line alone must
#     bring everything the program needs;
#   - there, sans-serif is DejaVu Sans, tindrel --version answers without a
#     display, an ordinary user's request to the simulator helper
#     /usr/libexec/tindrel/tindrel-spice gets the worked example's point, and an ordinary user starts the program under the host's Xvfb
#     and openbox, types the worked example and presses Close: it ends with
#     status 0, exactly the nine lines are in
#     ~/.local/state/tindrel/Tindrel.dat, and nothing under /usr changed;
#   - apt-get remove takes the program away and leaves the user's file.
# Runs as root (through sudo otherwise): it makes and enters a chroot.
#
# Usage: deb_test.sh DEB_DIR   (the folder make deb leaves: build/deb)
# DEBIAN_CHROOT_CACHE, when set, is handed on to tools/debian-chroot.sh.

set -uo pipefail

if [[ "$(id -u)" -ne 0 ]]; then
    exec sudo --preserve-env=DEBIAN_CHROOT_CACHE -- "$0" "$@"
fi

debs="$(realpath "${1:?usage: deb_test.sh DEB_DIR}")"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
chroot_tool="$source_dir/tools/debian-chroot.sh"
user=ada
started=$SECONDS

log() { printf '%s\n' "$*"; }
fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}

for tool in lintian mmdebstrap Xvfb openbox xdotool xprop xdpyinfo; do
    command -v "$tool" >/dev/null 2>&1 || fail "'$tool' is not installed (make test-deb installs it)"
done
arch="$(dpkg-architecture -q DEB_HOST_ARCH)"
changes=("$debs"/tindrel_*_"$arch".changes)
deb=("$debs"/tindrel_*_"$arch".deb)
((${#changes[@]} == 1 && ${#deb[@]} == 1)) && [[ -f "${changes[0]}" && -f "${deb[0]}" ]] ||
    fail "expected one package and one .changes file in $debs (make deb)"
version="$(dpkg-deb -f "${deb[0]}" Version)"

# ---------------------------------------------------------------- lintian

lintian --fail-on error,warning --display-info "${changes[0]}" >"$debs/lintian.log" 2>&1
status=$?
grep -v 'root privileges' "$debs/lintian.log"
((status == 0)) || fail "lintian reports an error or a warning (above)"
log "lintian: no error, no warning"

# ---------------------------------------------------------------- the chroot

work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-deb.XXXXXX")" || fail "no temporary directory"
system="$work/system"
app_pid=""
# shellcheck source=../../tools/x-display.sh
source "$source_dir/tools/x-display.sh"
cleanup() {
    # Without its X server the program ends, and with it the chroot's mounts.
    stop_display
    [[ -n "$app_pid" ]] && stop_process "$app_pid"
    "$chroot_tool" destroy "$system"
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

inside() { "$chroot_tool" run "$system" "$@"; }

"$chroot_tool" create "$system" >"$work/create.log" 2>&1 ||
    fail "no minbase chroot: $(tail -n 20 "$work/create.log")"
log "Minbase Debian 12 made ($((SECONDS - started)) s so far)"

cp "${deb[0]}" "$system/tmp/" || fail "could not copy the package into the chroot"
inside -- sh -c "apt-get update -qq && DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends /tmp/$(basename "${deb[0]}")" \
    >"$work/install.log" 2>&1 || fail "apt-get install failed: $(tail -n 20 "$work/install.log")"
log "Installed with $(grep -c '^Setting up' "$work/install.log") packages set up"
"$chroot_tool" adduser "$system" "$user"

# The default user-interface font is a proportional face (Debian's own), not
# the monospace one that fonts-liberation alone would give.
seen="$(inside -- fc-match -f '%{family}' sans-serif 2>&1)"
[[ "$seen" == "DejaVu Sans" ]] || fail "fontconfig gives '$seen' for sans-serif, not DejaVu Sans"

expect_version="Tindrel $version"
seen="$(inside --user "$user" -- tindrel --version 2>&1)"
[[ "$seen" == "$expect_version" ]] || fail "tindrel --version without a display: '$seen'"

# The simulator: the package brings ngspice's library for the helper alone,
# and the helper simulates the worked example for an ordinary user.
depends="$(dpkg-deb -f "${deb[0]}" Depends)"
[[ "$depends" == *libngspice0* ]] || fail "the package does not depend on libngspice0: $depends"
! inside -- ldd /usr/bin/tindrel | grep -q libngspice || fail "/usr/bin/tindrel links libngspice"
seen="$(echo 'TSP/2 op 2N3904 12 22000 4700 2200 470' |
    inside --user "$user" -- /usr/libexec/tindrel/tindrel-spice 2>"$work/helper.log")"
[[ "$seen" == "TSP/2 ok 0.0028527931933572405 1.8284284269411318e-05 4.3759343874587309 0.69241891998741201" ]] ||
    fail "the helper answers the worked example with '$seen': $(cat "$work/helper.log")"
log "The helper simulates the worked example: $seen"

# Everything under /usr: type, mode, size, time and name.
usr_listing() { (cd "$system" && find usr -printf '%y %m %s %T@ %p\n' | sort); }
usr_listing >"$work/usr.before"

# ---------------------------------------------------------------- one run

start_display 1920 1080
inside --user "$user" --display "$DISPLAY" -- tindrel >"$work/app.log" 2>&1 &
app_pid=$!

app_running() { kill -0 "$app_pid" 2>/dev/null; }
main_window() { x xdotool search --onlyvisible --name '^Tindrel$' 2>/dev/null | head -n 1; }
window_shown() { [[ -n "$(main_window)" ]]; }
focused_is() { [[ "$(x xdotool getwindowfocus 2>/dev/null)" == "$1" ]]; }
keys() { x xdotool key --delay 20 "$@" || fail "xdotool could not press $*"; }
type_text() { x xdotool type --delay 20 -- "$1" || fail "xdotool could not type '$1'"; }
click() { x xdotool mousemove --window "$1" "$2" "$3" click 1 || fail "xdotool could not click at $2,$3"; }

wait_for 60 window_shown || fail "no window titled 'Tindrel' within 60 s: $(cat "$work/app.log")"
win="$(main_window)"
wait_for 5 focused_is "$win" || fail "the window did not get the keyboard focus"

# The worked example; the focus starts in TxtVcc, and Tab goes down the boxes.
for value in 12 100 22000 4700 2200; do
    type_text "$value"
    keys Tab
done
type_text 470
click "$win" 316 208 # OptSi
click "$win" 204 236 # CmdClose
wait_for 15 eval '! app_running' || fail "the program still runs 15 s after Close: $(cat "$work/app.log")"
wait "$app_pid"
status=$?
app_pid=""
((status == 0)) || fail "the program ended with status $status after Close: $(cat "$work/app.log")"
stop_display

saved="$system/home/$user/.local/state/tindrel/Tindrel.dat"
printf 'False\r\n 12.00     \r\n 100.0     \r\n 22.00e+3  \r\n 4.700e+3  \r\n 2.200e+3  \r\n 470.0     \r\nTrue\r\nFalse\r\n' \
    >"$work/expected.dat"
cmp -s "$saved" "$work/expected.dat" ||
    fail "$saved after Close; expected:
$(od -c "$work/expected.dat")
saw:
$(od -c "$saved" 2>&1)
program output: $(cat "$work/app.log")"
usr_listing >"$work/usr.after"
diff "$work/usr.before" "$work/usr.after" >"$work/usr.diff" ||
    fail "the run changed /usr: $(cat "$work/usr.diff")"
log "Close saved the nine lines in ~/.local/state/tindrel/Tindrel.dat; /usr unchanged"

# ---------------------------------------------------------------- removal

inside -- env DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq tindrel >"$work/remove.log" 2>&1 ||
    fail "apt-get remove failed: $(cat "$work/remove.log")"
[[ ! -e "$system/usr/bin/tindrel" ]] || fail "apt-get remove left /usr/bin/tindrel"
cmp -s "$saved" "$work/expected.dat" || fail "apt-get remove did not leave the user's $saved as it was"

log "PASS in $((SECONDS - started)) s"
