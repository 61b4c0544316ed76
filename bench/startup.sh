#!/usr/bin/env bash
# Start-up of the program against a bare Qt window (one label in the default
# font, one in "Courier New"), both built in the same tree, under a private
# Xvfb 1920 x 1080 with openbox. After a warm-up the two start alternately,
# RUNS times each; printed are the medians of the time until the window is
# mapped and until it is first painted, of the peak memory and of the
# processor time used by then, and the ratios.
# The program runs as a private copy in a scratch folder, so no one's last
# run is read or written.
#
# Usage: startup.sh BUILD_DIR   (RUNS=15 and WARMUP=3 by default)

set -uo pipefail

build="${1:?usage: startup.sh BUILD_DIR}"
runs="${RUNS:-15}"
warmup="${WARMUP:-3}"

log() { printf '%s\n' "$*" >&2; }
fail() {
    printf 'bench-startup: %s\n' "$*" >&2
    exit 1
}

probe="$build/bench/startup_probe"
for file in "$probe" "$build/bench/bare_window" "$build/app/tindrel"; do
    [[ -x "$file" ]] || fail "$file is not built"
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-startup.XXXXXX")" || fail "no temporary directory"
mkdir -m 700 "$work/runtime" "$work/config" "$work/tindrel" "$work/bare"
# shellcheck source=../tools/x-display.sh
source "$(dirname "$0")/../tools/x-display.sh"
trap 'stop_display; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM HUP

cp "$build/app/tindrel" "$work/tindrel/tindrel"
cp "$build/bench/bare_window" "$work/bare/bare_window"
start_display 1920 1080

# One start: "mapped_ms painted_ms peak_kib cpu_ms" on standard output.
measure() {
    env -u QT_SCALE_FACTOR -u QT_SCREEN_SCALE_FACTORS -u QT_FONT_DPI -u WAYLAND_DISPLAY \
        QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work/runtime" XDG_CONFIG_HOME="$work/config" \
        "$probe" "$1" || fail "no measurement of $1"
}

for ((i = 0; i < warmup; i++)); do
    measure "$work/tindrel/tindrel" >/dev/null
    measure "$work/bare/bare_window" >/dev/null
done
for ((i = 0; i < runs; i++)); do
    measure "$work/tindrel/tindrel" >>"$work/tindrel.txt"
    measure "$work/bare/bare_window" >>"$work/bare.txt"
done

# The median of column $2 of file $1.
median() {
    sort -g -k "$2,$2" "$1" | awk -v c="$2" '{ v[NR] = $c }
        END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

report() {
    local label="$1" column="$2" unit="$3" scale="$4" t b
    t="$(median "$work/tindrel.txt" "$column")"
    b="$(median "$work/bare.txt" "$column")"
    awk -v l="$label" -v t="$t" -v b="$b" -v u="$unit" -v s="$scale" \
        'BEGIN { printf "%-22s %10.2f %10.2f %6.3fx  %s\n", l, t / s, b / s, t / b, u }'
}

printf '%d starts each, medians     Tindrel       bare  ratio\n' "$runs"
report "mapped" 1 ms 1
report "painted" 2 ms 1
report "peak memory" 3 MiB 1024
report "processor time" 4 ms 1
