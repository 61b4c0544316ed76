#!/usr/bin/env bash
# Installing into a scratch prefix and uninstalling again, as make install
# and make uninstall do:
#   - the program stands in a folder of its own with its simulator, which
#     answers, the tindrel command leads to it, and the icon theme gets the drawing and PNG files from 16 to 256
#     pixels of those sizes;
#   - desktop-file-validate passes the desktop entry, appstreamcli the
#     metainfo and the installed tree, without a warning;
#   - uninstalling removes all of it but keeps Tindrel.dat and other
#     programs' files.
#
# Usage: install_test.sh BUILD_DIR
# Exit status: 0 passed, 1 failed, 77 skipped (a validator is not installed).

set -uo pipefail

build="${1:?usage: install_test.sh BUILD_DIR}"
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
id=org.tindrel.Tindrel

fail() {
    printf 'FAIL: %s\n' "$*" >&2
    exit 1
}
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: '$tool' is not installed (make test installs it)."; exit 77; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-install.XXXXXX")" || fail "no temporary directory"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
mkdir -p "$prefix/share/applications"
echo "someone else's" >"$prefix/share/applications/other.desktop"

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || fail "install failed: $(cat "$work/install.log")"

# The program, in a folder of its own, reached through the command.
[[ -L "$prefix/bin/tindrel" ]] || fail "no tindrel command in $prefix/bin"
program="$(readlink -f "$prefix/bin/tindrel")"
[[ -f "$program" && -x "$program" && "$(basename "$program")" == tindrel ]] ||
    fail "the tindrel command leads to '$program', not the program"
[[ "$(ls -A "$(dirname "$program")" | tr '\n' ' ')" == "tindrel tindrel-spice " ]] ||
    fail "the program's folder holds more than the program and its simulator: $(ls -A "$(dirname "$program")")"
# The simulator beside it answers the worked example.
answer="$(echo 'TSP/2 op 2N3904 12 22000 4700 2200 470' | "$(dirname "$program")/tindrel-spice")"
[[ "$answer" == "TSP/2 ok 0.00285"* ]] || fail "the installed simulator answers '$answer'"

# The icon theme: the drawing, and each PNG file of its stated size.
icons="$prefix/share/icons/hicolor"
cmp -s "$icons/scalable/apps/$id.svg" "$source_dir/ui/images/icon.svg" || fail "no scalable icon"
for size in 16 22 24 32 48 64 128 256; do
    png="$icons/${size}x${size}/apps/$id.png"
    [[ -f "$png" ]] || fail "no ${size}-pixel icon"
    # The PNG header gives width and height as 32-bit numbers from byte 16.
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    ((width == size && height == size)) || fail "the ${size}-pixel icon is ${width} x ${height}"
done

# The validators' verdicts.
desktop="$prefix/share/applications/$id.desktop"
verdict="$(desktop-file-validate "$desktop" 2>&1)" || fail "desktop-file-validate: $verdict"
[[ -z "$verdict" ]] || fail "desktop-file-validate: $verdict"
verdict="$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1)" ||
    fail "appstreamcli validate: $verdict"
! grep -qE '^[EW]:' <<<"$verdict" || fail "appstreamcli validate: $verdict"
verdict="$(appstreamcli validate-tree --no-net "$prefix" 2>&1)" || fail "appstreamcli validate-tree: $verdict"

# A saved last run, then uninstalling.
echo "saved" >"$(dirname "$program")/Tindrel.dat"
"$source_dir/tools/uninstall.sh" "$build" "$prefix" >"$work/uninstall.log" 2>&1 ||
    fail "uninstall failed: $(cat "$work/uninstall.log")"
left="$(cd "$prefix" && find . \( -type f -o -type l \) | sort)"
expected="$(printf '%s\n' "./$(realpath --relative-to="$prefix" "$(dirname "$program")")/Tindrel.dat" \
    ./share/applications/other.desktop | sort)"
[[ "$left" == "$expected" ]] || fail "after uninstalling, expected only
$expected
but found
$left"
echo "PASS"
