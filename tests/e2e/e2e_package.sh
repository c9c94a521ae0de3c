#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The .deb as a player gets it: installed with apt into a fresh Debian root made
# by debootstrap (so its dependencies must be complete on their own), then
# /usr/bin/alerts started from that root on the test desktop. It connects, its
# windows carry the icon, and an announcement sounds the installed siren.
#
# Environment: ALERTS_PACKAGE_DIR (holds the one alerts_*.deb), ALERTS_PACKAGE_WORK
# (the root and a cache of the base system and of downloaded packages; the root is
# kept after a failure and removed after success). ALERTS_DEBIAN_MIRROR overrides
# the mirror. Making the root needs the network; running the program does not.
#
# Under Wine (ALERTS_LAUNCHER), the installer instead: installed for one user
# alone, the program runs from that user's folder; a new install while it sits in
# the tray closes it as its close box would (icon and connection gone) and starts
# the new one; the uninstaller closes that and removes it all. (installer.sh
# checks the files and the exit status.)
source "$(dirname "$0")/lib.sh"

windows_package() {
    e2e_init
    export ALERTS_WINDOWS_INSTALL_ARGS=/CurrentUser
    source "$E2E_LIB_DIR/../wine/wine-env.sh"
    local key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Alert'
    local startup="$WINE_USER_DIR/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/StartUp/Alert.lnk"
    registered() { "$WINELOADER" reg query "$1\\$key" /v DisplayName 2>/dev/null | grep -q Alert; }
    e2e_start_x
    e2e_start_announce
    e2e_start_alerts # the launcher installs it first
    [[ -f $WINE_INSTALL_DIR/alerts.exe && ! -e "$WINEPREFIX/drive_c/Program Files/Alert" ]] ||
        e2e_fail "not installed in the user's own programs folder"
    registered HKCU && ! registered HKLM || e2e_fail "not registered for this user alone"
    [[ -f $startup ]] || e2e_fail "not in the user's Startup folder"
    e2e_wait_announce_log '^client connected 1$' 10

    # The new version comes while the program sits in the tray.
    e2e_click "$ALERTS_WID" 100 116 # "Hide"
    e2e_wait 5 eval '[[ -n $(e2e_tray_icon) ]]'
    wine_install "$ALERTS_WINDOWS_INSTALLER"
    e2e_wait_alerts_exit 20
    e2e_assert_eq "$ALERTS_STATUS" 0 "the old program's exit status"
    e2e_wait 5 eval '[[ -z $(e2e_tray_icon) ]]'
    e2e_wait_announce_log '^client disconnected' 5
    local wid pid
    e2e_wait 30 eval 'wid=$(xdotool search --onlyvisible --name "^Zuded Orazaviz\$" | head -n1); [[ -n $wid ]]'
    pid=$(xdotool getwindowpid "$wid")
    e2e_wait_announce_count '^client connected' 2 15
    e2e_screenshot upgraded

    "$WINELOADER" "$WINE_INSTALL_DIR/Uninstall.exe" /S
    e2e_wait 20 eval '[[ ! -e $WINE_INSTALL_DIR/alerts.exe ]]'
    e2e_wait 5 eval '! ps -p "$pid" >/dev/null'
    e2e_wait_announce_count '^client disconnected' 2 5
    [[ ! -e $startup ]] || e2e_fail "the uninstaller left the Startup shortcut"
    ! registered HKCU || e2e_fail "the uninstaller left its Apps & features entry"
}
if [[ -n ${ALERTS_LAUNCHER:-} ]]; then
    windows_package
    exit 0
fi

: "${ALERTS_PACKAGE_DIR:?ALERTS_PACKAGE_DIR must name the folder of the built package}"
: "${ALERTS_PACKAGE_WORK:?ALERTS_PACKAGE_WORK must name a scratch folder}"
root=$ALERTS_PACKAGE_WORK/root

# Runs before the test's network namespace exists: debootstrap and apt download.
make_root() {
    set -euo pipefail
    local debs=("$ALERTS_PACKAGE_DIR"/alerts_*.deb)
    ((${#debs[@]} == 1)) && [[ -f ${debs[0]} ]] ||
        { echo "e2e: expected one package in $ALERTS_PACKAGE_DIR, found: ${debs[*]}" >&2; return 1; }
    local deb=${debs[0]}
    local cache=$ALERTS_PACKAGE_WORK/cache codename mirror=${ALERTS_DEBIAN_MIRROR:-http://deb.debian.org/debian}
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    local base=$cache/$codename-minbase.tar
    mkdir -p "$cache/archives/partial"
    if [[ ! -s $base ]]; then
        echo "e2e: debootstrap $codename from $mirror" >&2
        rm -rf "$cache/base"
        debootstrap --variant=minbase "$codename" "$cache/base" "$mirror" >"$cache/debootstrap.log" 2>&1 ||
            { tail -n 20 "$cache/debootstrap.log" >&2; return 1; }
        tar -C "$cache/base" -cf "$base.part" . && mv "$base.part" "$base"
        rm -rf "$cache/base"
    fi
    rm -rf "$root"
    mkdir -p "$root"
    tar -C "$root" -xf "$base"
    printf '127.0.0.1 localhost\n::1 localhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    cp "$deb" "$root/tmp/"
    echo "e2e: apt install ./$(basename "$deb") in $root" >&2
    # The install steps a player follows; no recommended packages, so the
    # dependencies alone have to carry the program.
    unshare -m bash -euo pipefail -c '
        root=$1 cache=$2 deb=$3
        mount -t proc proc "$root/proc"
        mount --bind "$cache/archives" "$root/var/cache/apt/archives"
        chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get update -q
        chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
            --no-install-recommends "/tmp/$deb"
    ' _ "$root" "$cache" "$(basename "$deb")" >"$ALERTS_PACKAGE_WORK/apt.log" 2>&1 ||
        { tail -n 30 "$ALERTS_PACKAGE_WORK/apt.log" >&2; return 1; }
}

if [[ -z ${E2E_IN_NETNS:-} ]]; then
    make_root || exit 1
fi
e2e_init

# The installed layout: the command is a link to the program, whose siren is beside it.
e2e_assert_eq "$(chroot "$root" readlink -f /usr/bin/alerts)" /usr/lib/alerts/alerts \
    "/usr/bin/alerts resolves to"
[[ -s $root/usr/lib/alerts/Media/siren.wav ]] || e2e_fail "the package has no siren"
chroot "$root" dpkg-query -W -f='${Status} ${Version}\n' alerts >&2

# Starts the installed program inside the root. It sees the test's scratch folder
# (its runtime folder and the sound server's socket) at the same path, and the
# test's X server through the abstract socket of this network namespace.
cat >"$E2E_TMP/alerts-in-root" <<'EOF'
#!/usr/bin/env bash
exec unshare -m bash -euo pipefail -c '
    mount -t proc proc "$1/proc"
    mount --rbind /dev "$1/dev"
    mkdir -p "$1$2"
    mount --bind "$2" "$1$2"
    exec chroot "$1" /usr/bin/alerts
' _ "$ALERTS_ROOT" "$E2E_TMP"
EOF
chmod +x "$E2E_TMP/alerts-in-root"
export ALERTS_ROOT=$root

e2e_start_x
e2e_start_sound
e2e_start_announce
e2e_start_alerts --bin "$E2E_TMP/alerts-in-root"
# The same file, by device and inode: inside a root of its own (the Debian 13 leg
# runs this in one) the kernel names it by another path.
[[ /proc/$ALERTS_PID/exe -ef $root/usr/lib/alerts/alerts ]] ||
    e2e_fail "the running program is $(readlink "/proc/$ALERTS_PID/exe"), not the installed one"
e2e_wait_announce_log '^client connected 1$' 10

# The window's icon is the packaged one: the 32 x 32 picture, pixel for pixel.
icon_matches() {
    local wid=$1
    xprop -id "$wid" -notype 32c _NET_WM_ICON | "$E2E_PYTHON" -c '
import subprocess, sys
values = [int(v, 0) for v in sys.stdin.read().split("=", 1)[1].replace(",", " ").split()]
# Several sizes may be offered: find the 32 x 32 one.
i = 0
while i + 2 <= len(values):
    w, h = values[i], values[i + 1]
    if (w, h) == (32, 32):
        got = values[i + 2:i + 2 + w * h]
        break
    i += 2 + w * h
else:
    sys.exit("no 32x32 icon on the window")
raw = subprocess.run(["convert", sys.argv[1], "-depth", "8", "rgba:-"], check=True,
                     capture_output=True).stdout
want = [(raw[k + 3] << 24) | (raw[k] << 16) | (raw[k + 1] << 8) | raw[k + 2]
        for k in range(0, len(raw), 4)]
# Fully transparent pixels may carry any colour.
bad = sum(1 for g, e in zip(got, want) if (g >> 24) != (e >> 24) or ((e >> 24) and g != e))
sys.exit(f"{bad} pixels differ from the icon" if bad else 0)
' "$root/usr/share/icons/hicolor/32x32/apps/example.zarq.Alerts.png"
}
icon_matches "$ALERTS_WID" || e2e_fail "the main window does not carry the program's icon"

# One announcement under "Both Alerts": the popup rises and the installed siren plays.
e2e_record_announcement "$E2E_OUT/installed-siren.wav" "player7|Chess|Hall 9"
e2e_siren_heard "$E2E_OUT/installed-siren.wav" || e2e_fail "the installed program did not play its siren"

popup=$(e2e_popup_window)
[[ -n $popup ]] || e2e_fail "no popup from the installed program"
icon_matches "$popup" || e2e_fail "the popup does not carry the program's icon"
e2e_screenshot installed

# The root has no Liberation font of its own, yet the installed program draws its
# window exactly as the program built here does on the same desk: it carries its font.
if chroot "$root" fc-list 2>/dev/null | grep -q -i liberation; then
    e2e_fail "the fresh root has Liberation fonts after all"
fi
e2e_screenshot installed-main "$ALERTS_WID"
e2e_stop_alerts
e2e_start_alerts
e2e_wait_announce_count '^client connected 1$' 2 10
e2e_wait 5 e2e_label_is 'Connected!'
e2e_screenshot built-main "$ALERTS_WID"
differ=$(compare -metric AE "$E2E_OUT/installed-main.png" "$E2E_OUT/built-main.png" null: 2>&1) || true
e2e_assert_eq "$differ" 0 "pixels in which the installed program's window differs from the built one's"
e2e_stop_alerts
rm -rf "$root"
