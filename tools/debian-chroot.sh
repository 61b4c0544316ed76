#!/usr/bin/env bash
# A pristine Debian 12 in a folder, for the tests that must see the program on
# a machine holding nothing but what they install: made by mmdebstrap from
# Debian's archive and entered with chroot. Needs root (or sudo).
#
#   debian-chroot.sh create DIR [PACKAGE...]
#       minbase Debian 12 (bookworm, with its updates and security suites),
#       plus the named packages. With DEBIAN_CHROOT_CACHE naming a tar file,
#       the minbase system is made once into it and unpacked from it after,
#       so that several tests of one run share a single download.
#   debian-chroot.sh adduser DIR NAME [--sudo]
#       an ordinary user with a home folder; --sudo lets it use sudo without
#       a password
#   debian-chroot.sh run DIR [--user NAME] [--display :N] -- COMMAND...
#       runs COMMAND inside, as root or (--user) as NAME with a login
#       environment; /proc, /sys, /dev, /dev/pts, /dev/shm and /run are
#       mounted for it, the host's resolv.conf is copied in, and --display
#       binds the host's X sockets in and sets DISPLAY. The mounts live in a
#       mount namespace of the command's own, so they end with it.
#   debian-chroot.sh destroy DIR
#       removes DIR, after undoing any mount still under it
set -euo pipefail

die() {
    echo "debian-chroot.sh: $*" >&2
    exit 2
}

as_root() {
    if [[ "$(id -u)" -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# Debian's archive, as a fresh Debian 12 installation lists it.
sources() {
    cat <<'EOF'
Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
}

create() {
    local dir="$1"
    shift
    [[ -e "$dir" ]] && die "$dir exists already"
    local cache="${DEBIAN_CHROOT_CACHE:-}"
    if [[ -z "$cache" ]]; then
        local include=()
        if (($#)); then include=(--include="$(IFS=,; echo "$*")"); fi
        sources | as_root mmdebstrap --quiet --variant=minbase --mode=root "${include[@]}" \
            bookworm "$dir" -
        return
    fi
    if [[ ! -s "$cache" ]]; then
        mkdir -p "$(dirname "$cache")"
        sources | as_root mmdebstrap --quiet --variant=minbase --mode=root --format=tar \
            bookworm "$cache.part" -
        as_root mv "$cache.part" "$cache"
    fi
    as_root mkdir -p "$dir"
    as_root tar -xpf "$cache" -C "$dir" --numeric-owner
    if (($#)); then
        run "$dir" -- sh -c 'apt-get update -qq &&
            DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@" \
            >/dev/null' install "$@"
    fi
}

add_user() {
    local dir="$1" name="$2" sudo="${3:-}"
    # useradd comes with the passwd package, which minbase does not hold.
    local uid=1000
    while as_root grep -q "^[^:]*:[^:]*:$uid:" "$dir/etc/passwd"; do uid=$((uid + 1)); done
    as_root sh -c "echo '$name:x:$uid:$uid::/home/$name:/bin/bash' >> '$dir/etc/passwd'
                   echo '$name:x:$uid:' >> '$dir/etc/group'
                   echo '$name:*:19000:0:99999:7:::' >> '$dir/etc/shadow'"
    as_root install -d -m 755 -o "$uid" -g "$uid" "$dir/home/$name"
    if [[ "$sudo" == "--sudo" ]]; then
        as_root sh -c "echo '$name ALL=(ALL) NOPASSWD:ALL' > '$dir/etc/sudoers.d/$name'
                       chmod 440 '$dir/etc/sudoers.d/$name'"
    fi
}

run() {
    local dir="$1"
    shift
    local user="" display=""
    while (($#)); do
        case "$1" in
            --user) user="$2"; shift 2 ;;
            --display) display="$2"; shift 2 ;;
            --) shift; break ;;
            *) die "run: unknown option $1" ;;
        esac
    done
    (($#)) || die "run: no command"
    [[ -d "$dir/etc" ]] || die "$dir holds no system"
    dir="$(cd "$dir" && pwd)"

    local command
    command="$(printf '%q ' "$@")"
    [[ -n "$display" ]] && command="DISPLAY=$display $command"
    if [[ -n "$user" ]]; then
        # runuser -l gives the login environment: HOME, USER, a plain PATH.
        command="exec runuser -l $(printf '%q' "$user") -c $(printf '%q' "$command")"
    else
        command="exec env $command"
    fi

    as_root cp /etc/resolv.conf "$dir/etc/resolv.conf"
    # The chroot shares the host's name; sudo wants to resolve it.
    if ! as_root grep -qsw "$(hostname)" "$dir/etc/hosts"; then
        echo "127.0.1.1 $(hostname)" | as_root tee -a "$dir/etc/hosts" >/dev/null
    fi
    local x11=""
    [[ -n "$display" ]] && x11=/tmp/.X11-unix
    as_root unshare --mount --propagation private bash -euc '
        dir="$1" x11="$2" command="$3"
        mount -t proc proc "$dir/proc"
        mount -t sysfs sysfs "$dir/sys"
        mount --bind /dev "$dir/dev"
        mount --bind /dev/pts "$dir/dev/pts"
        mount -t tmpfs -o mode=1777 tmpfs "$dir/dev/shm"
        mount -t tmpfs -o mode=755 tmpfs "$dir/run"
        if [[ -n "$x11" ]]; then
            mkdir -p "$dir/tmp/.X11-unix"
            mount --bind "$x11" "$dir/tmp/.X11-unix"
        fi
        exec chroot "$dir" /bin/bash -c "$command"
    ' run-in-chroot "$dir" "$x11" "$command"
}

destroy() {
    local dir="$1"
    [[ -e "$dir" ]] || return 0
    dir="$(cd "$dir" && pwd)"
    local target
    # Deepest first; a mount made outside a namespace of run's own would
    # otherwise keep the folder from going.
    while read -r target; do
        as_root umount -l "$target" || true
    done < <(findmnt -rn -o TARGET | grep -F "$dir/" | sort -r)
    as_root rm -rf --one-file-system "$dir"
}

(($# >= 2)) || die "usage: debian-chroot.sh create|adduser|run|destroy DIR ..."
action="$1"
shift
case "$action" in
    create) create "$@" ;;
    adduser) (($# >= 2)) || die "adduser DIR NAME [--sudo]"; add_user "$@" ;;
    run) run "$@" ;;
    destroy) destroy "$1" ;;
    *) die "unknown action $action" ;;
esac
