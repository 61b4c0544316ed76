#!/usr/bin/env bash
# Installs the Debian packages of the named lists that are missing:
#   install-deps.sh run        what building and running the program needs
#   install-deps.sh run test   that, and what the tests and benchmarks need
#   install-deps.sh run test chroot
#                              that, and what the package and the tests in
#                              pristine chroots need
# With "test", also generates the comma-decimal locale the conversion tests
# run under. Quiet and quick when everything is already there.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
wanted=()
for list in "$@"; do
    mapfile -t -O "${#wanted[@]}" wanted < <(grep -v -e '^#' -e '^[[:space:]]*$' "$here/packages-$list.txt")
done

missing=()
for pkg in "${wanted[@]}"; do
    status="$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)"
    [[ "$status" == "installed" ]] || missing+=("$pkg")
done

as_root() {
    if [[ "$(id -u)" -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ " $* " == *" test "* ]] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
    as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
