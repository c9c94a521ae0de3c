# SPDX-License-Identifier: MIT
# Sourced by the scripts: a Debian 13 (trixie) root, made once by debootstrap from
# Debian's archive and kept, in which this checkout is built, tested and packaged
# for Debian 13 from a machine of another release. Needs root (debootstrap,
# chroot, mounts).
#
# Environment: ALERTS_TRIXIE_ROOT (the kept root; remove it to start afresh),
# ALERTS_DEBIAN_MIRROR (default deb.debian.org).

alerts_trixie_root=${ALERTS_TRIXIE_ROOT:-${XDG_CACHE_HOME:-$HOME/.cache}/alerts/root-trixie-build}
alerts_trixie_src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# alerts_trixie_run CMD... : runs CMD in the root, as root, in this checkout (seen
# at the same path), with the root's own /proc, /sys and an empty /tmp. The mounts
# live in a mount namespace of the command's own and end with it.
alerts_trixie_run() {
    local root=$alerts_trixie_root
    [[ -f $root/.alerts-root ]] || { echo "trixie: no root at $root" >&2; return 1; }
    # Only what the build and the tests need from the caller's environment.
    local -a keep=(PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
        HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}")
    local var
    for var in ${!ALERTS_*} ${!ASAN_*} ${!UBSAN_*} ${!LSAN_*}; do
        keep+=("$var=${!var}")
    done
    unshare -m --propagation private bash -euo pipefail -c '
        root=$1 src=$2
        shift 2
        # A mount point of its own: a test that makes a mount namespace in the root
        # (unshare -m) changes the propagation of its /, which must be a mount.
        mount --bind "$root" "$root"
        mount -t proc proc "$root/proc"
        mount -t sysfs sysfs "$root/sys"
        mount --rbind /dev "$root/dev"
        mount -t tmpfs tmpfs "$root/tmp"
        mkdir -p "$root$src"
        mount --bind "$src" "$root$src"
        exec chroot "$root" "$@"
    ' _ "$root" "$alerts_trixie_src" \
        /usr/bin/env -i "${keep[@]}" bash -c 'cd "$1" && shift && exec "$@"' _ "$alerts_trixie_src" "$@"
}

# Makes the root when there is none, and installs in it whatever the project's
# package lists (scripts/lib/deps.sh, the desktops' included) have gained since:
# instant when nothing has.
# One at a time: checkouts on one machine share the root.
alerts_trixie_prepare() (
    local root=$alerts_trixie_root mirror=${ALERTS_DEBIAN_MIRROR:-http://deb.debian.org/debian}
    mkdir -p "$(dirname "$root")"
    exec {lock}>"$root.lock"
    flock "$lock"
    if [[ ! -f $root/.alerts-root ]]; then
        local part=$root.part
        rm -rf "$part"
        echo "trixie: debootstrap into $root" >&2
        debootstrap --variant=minbase trixie "$part" "$mirror" >"$root.log" 2>&1 ||
            { tail -n 20 "$root.log" >&2; return 1; }
        # Point releases and security updates too, as a Debian 13 user has them.
        rm -f "$part/etc/apt/sources.list"
        cat >"$part/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: trixie trixie-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: ${mirror%/debian}/debian-security
Suites: trixie-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
        printf '127.0.0.1 localhost\n::1 localhost ip6-localhost ip6-loopback\n' >"$part/etc/hosts"
        cp /etc/resolv.conf "$part/etc/resolv.conf"
        : >"$part/.alerts-root"
        rm -rf "$root"
        mv "$part" "$root"
        echo "trixie: upgrading the base system" >&2
        alerts_trixie_run env DEBIAN_FRONTEND=noninteractive apt-get update -q >>"$root.log" 2>&1 &&
            alerts_trixie_run env DEBIAN_FRONTEND=noninteractive apt-get upgrade -y -q >>"$root.log" 2>&1 ||
            { tail -n 20 "$root.log" >&2; rm -f "$root/.alerts-root"; return 1; }
    fi
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    # A failed install leaves the root unfinished: the next run tries again.
    alerts_trixie_run bash -c 'source scripts/lib/deps.sh &&
        ALERTS_PACKAGES+=("${ALERTS_DESKTOP_PACKAGES[@]}") && alerts_ensure_packages' ||
        { echo "trixie: the packages could not be installed in $root" >&2; return 1; }
)

# What the Debian 13 leg runs: the unit and window tests, the walks that need only
# X, the window manager, the tray and the sound server (and the connect walk on a
# dual-stack network whose IPv6 path drops every packet), the popup, scale, tray
# and sound walks again on a Wayland desk, the popup and tray walks on KDE Plasma
# and GNOME Shell (X11 and Wayland; the tray also on GNOME without its tray
# extension), and the package built, checked and installed into a fresh Debian 13
# root of its own.
ALERTS_TRIXIE_TESTS='^(tst_.+|package_deb|install_layout|e2e_(connect|connect_ipv6-dropped|popup|tray|sound|reader|package)|e2e_(popup|scale|tray|sound)_wayland|e2e_(popup|tray)_(plasma|gnome)-(x11|wayland)|e2e_tray_gnome-x11-noext)$'

# The Debian 13 leg of scripts/test: builds this checkout in the root (in
# build-trixie/) and runs those tests there. CTest's output on stdout.
alerts_trixie_leg() {
    alerts_trixie_prepare || return 1
    alerts_trixie_run bash -c '
        source scripts/lib/build.sh
        alerts_build "$PWD/build-trixie" -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1
        ctest --test-dir build-trixie --output-on-failure -j"${ALERTS_TEST_JOBS:-2}" -R "$1"
    ' _ "$ALERTS_TRIXIE_TESTS"
}
