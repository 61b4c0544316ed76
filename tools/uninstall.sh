#!/usr/bin/env bash
# Removes from PREFIX exactly the files that installing BUILD_DIR puts there,
# found by installing it once more into a scratch folder. The last-run file,
# Tindrel.dat, is never among them and stays; the program's own folder goes
# only when nothing else is left in it.
#
# Usage: uninstall.sh BUILD_DIR PREFIX
set -euo pipefail

build="${1:?usage: uninstall.sh BUILD_DIR PREFIX}"
prefix="$(realpath -m "${2:?usage: uninstall.sh BUILD_DIR PREFIX}")"

stage="$(mktemp -d "${TMPDIR:-/tmp}/tindrel-uninstall.XXXXXX")"
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" cmake --install "$build" --prefix "$prefix" >/dev/null

program_dir=""
while IFS= read -r -d '' staged; do
    file="${staged#"$stage"}"
    [[ "$(basename "$file")" == "Tindrel.dat" ]] && continue
    [[ -f "$staged" && ! -L "$staged" && "$(basename "$file")" == "tindrel" ]] && program_dir="$(dirname "$file")"
    if [[ -e "$file" || -L "$file" ]]; then
        rm -f -- "$file"
        echo "Removed: $file"
    fi
done < <(find "$stage" \( -type f -o -type l \) -print0)

if [[ -n "$program_dir" ]] && rmdir -- "$program_dir" 2>/dev/null; then
    echo "Removed: $program_dir"
elif [[ -e "$program_dir/Tindrel.dat" ]]; then
    echo "Kept: $program_dir/Tindrel.dat"
fi
