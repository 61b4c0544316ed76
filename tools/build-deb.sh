#!/usr/bin/env bash
# Builds the Debian package with debhelper from a copy of the sources under
# build/deb: dpkg-buildpackage writes its results beside the source tree, and
# nothing is to be written outside build/. The copy holds the files git knows
# of as they are in the work tree, edits not yet committed included, and new
# files that are not ignored. Leaves build/deb/tindrel_VERSION_ARCH.deb (and
# the source package and .changes file that lintian reads).
#
# Usage: build-deb.sh [JOBS]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${1:-auto}"
cd "$root"

fail() {
    printf 'make deb: %s\n' "$*" >&2
    exit 1
}

git rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
    fail "the package is built from a git checkout of the sources"

# The package's version is the project's: one number, kept in two places.
project_version="$(sed -n 's/^project(Tindrel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
package_version="$(dpkg-parsechangelog -S Version)"
[[ "$package_version" == "$project_version" ]] ||
    fail "debian/changelog gives version $package_version, CMakeLists.txt $project_version"

out="$root/build/deb"
src="$out/tindrel-$package_version"
rm -rf "$out"
mkdir -p "$src"
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do
        # Files deleted in the work tree but not yet in git stay out.
        [[ -e "$file" || -L "$file" ]] && printf '%s\0' "$file"
    done |
    tar --null --files-from=- --create --file=- | tar --extract --file=- --directory="$src"

(cd "$src" && dpkg-buildpackage --unsigned-source --unsigned-changes --jobs-try="$jobs") \
    >"$out/build.log" 2>&1 || fail "dpkg-buildpackage failed; the end of $out/build.log:
$(tail -n 30 "$out/build.log")"

arch="$(dpkg-architecture -q DEB_HOST_ARCH)"
deb="$out/tindrel_${package_version}_${arch}.deb"
[[ -f "$deb" ]] || fail "dpkg-buildpackage made no $deb"
echo "Built $deb"
