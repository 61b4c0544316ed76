#!/usr/bin/env bash
# The command line of the built program:
#   - --help and --version print and end with status 0 on a console, with no
#     display to connect to (a window would abort the program there);
#   - an unknown option or a stray argument ends it at once with a message on
#     stderr that names it and a non-zero status (offscreen platform).
#
# Usage: command_line.sh PROGRAM VERSION

set -uo pipefail

program="${1:?usage: command_line.sh PROGRAM VERSION}"
version="${2:?usage: command_line.sh PROGRAM VERSION}"
work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-cli.XXXXXX")" || exit 1
trap 'rm -rf "$work"' EXIT
failed=0

# PLATFORM ARGUMENT EXPECTED_STATUS STREAM PATTERN: runs the program with
# ARGUMENT and checks its status and that STREAM (out or err) matches PATTERN.
check() {
    local platform="$1" argument="$2" expected="$3" stream="$4" pattern="$5" status
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ${platform:+QT_QPA_PLATFORM=$platform} \
        XDG_RUNTIME_DIR="$work" timeout 10 "$program" "$argument" >"$work/out" 2>"$work/err"
    status=$?
    if [[ "$expected" == nonzero ]] && ((status != 0 && status != 124)); then
        expected=$status
    fi
    if [[ "$status" != "$expected" ]] || ! grep -qE -- "$pattern" "$work/$stream"; then
        printf 'FAIL: tindrel %s: status %s (expected %s), %s should match "%s"\nstdout: %s\nstderr: %s\n' \
            "$argument" "$status" "$expected" "$stream" "$pattern" "$(cat "$work/out")" "$(cat "$work/err")"
        failed=1
    fi
}

check "" --version 0 out "^Tindrel ${version//./\\.}\$"
check "" --help 0 out "^ *-v, --version "
check offscreen --frobnicate nonzero err "frobnicate"
check offscreen stray.dat nonzero err "stray\.dat"

((failed == 0)) && echo PASS
exit "$failed"
