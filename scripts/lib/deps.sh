# SPDX-License-Identifier: MIT
# Sourced by the scripts: installs the Debian packages the project needs to build,
# test, demo and bench. Instant when everything is already there.

# One list for everything: a package that only one script needs still goes here,
# so a fresh machine gets it from whichever script runs first. The names hold on
# Debian 12 and 13 alike, except where the list says otherwise.
ALERTS_PACKAGES=(
    # build; `file` for dpkg-shlibdeps when `ninja package` runs
    cmake ninja-build g++ clang libclang-rt-dev clang-format clang-tidy file
    qt6-base-dev qt6-base-dev-tools qt6-base-private-dev qt6-multimedia-dev libgl-dev
    # fontTools, to cut the carried face down to the characters the windows can show
    fonttools python3-fonttools
    # the desktop the end-to-end tests and the demo run on
    xvfb openbox trayer xdotool x11-utils x11-xserver-utils imagemagick xserver-xephyr
    # a screen below the primary one: Xorg's dummy driver (RandR monitors)
    xserver-xorg-core xserver-xorg-video-dummy
    # an older Liberation release system-wide: the carried one must still win
    fonts-liberation fonts-dejavu-core tesseract-ocr tesseract-ocr-eng
    # sound: a private PulseAudio with a null sink, recorded and measured; the
    # desktop's alert sound (libcanberra, the freedesktop theme); the X bell switch
    pulseaudio pulseaudio-utils sox
    libcanberra0 libcanberra-pulse sound-theme-freedesktop
    # the package: built, checked, installed into a fresh Debian root
    dpkg-dev debootstrap appstream desktop-file-utils binutils-mingw-w64-x86-64
    # a private session bus for the desktop services a test starts; a tray host
    # that takes icons over it (StatusNotifierItem); the accessibility bus and a
    # screen reader's view of it
    dbus-daemon dbus-bin xfce4-panel xfconf
    at-spi2-core python3-gi gir1.2-atspi-2.0
    # a sleep and a network change: libfaketime, nftables, NetworkManager on a
    # private system bus
    faketime nftables network-manager
    # the Windows program: the MinGW-w64 cross compiler (posix threads) for a Qt
    # built from Debian's own source, the NSIS installer, and Wine to run it
    g++-mingw-w64-x86-64-posix mingw-w64-tools nsis wine wine64 fonts-wine
    # the harness itself; perf for the benchmarks' time on the CPU of a whole process
    iproute2 util-linux procps psmisc python3 coreutils linux-perf
)

# The face the program carries: Liberation 2, under the SIL Open Font License.
# Debian 12 has it as fonts-liberation2 (its fonts-liberation is the GPL 1.07
# release, listed above); from Debian 13 on, fonts-liberation is Liberation 2 and
# fonts-liberation2 an empty transitional package.
# (Testing and unstable name no release: they are past 13.)
alerts_debian_release=$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID%%.*}")
if ((${alerts_debian_release:-99} < 13)); then
    ALERTS_PACKAGES+=(fonts-liberation2)
else
    # Native Wayland, from Debian 13 on: Qt's Wayland platform and KDE's Qt
    # binding of wlr-layer-shell for the popup (Debian 12 has only the Qt 5 one);
    # the Wayland desk of the end-to-end walks: sway headless without XWayland,
    # grim for its screenshots, waybar as the StatusNotifierItem host, foot as
    # a full-screen window that holds the focus
    ALERTS_PACKAGES+=(qt6-wayland qt6-wayland-dev liblayershellqtinterface-dev libwayland-dev
        pkgconf sway grim waybar foot)
    # The sound server this release's desktops run: PipeWire with its PulseAudio
    # server, for the sound walk (the others keep PulseAudio)
    ALERTS_PACKAGES+=(pipewire pipewire-pulse wireplumber)
fi

# The two desktops most people run, as desks of the end-to-end walks: KDE Plasma
# 6.3 (KWin on X11 and on Wayland with XWayland, plasmashell and its tray, the
# Breeze style) and GNOME Shell 48 (X11 and Wayland, with and without the
# AppIndicator extension). About 3 GB: installed in the Debian 13 root only
# (alerts_trixie_prepare), never on the machine itself.
ALERTS_DESKTOP_PACKAGES=(
    kwin-x11 kwin-wayland plasma-workspace plasma-desktop kde-style-breeze
    gnome-shell gnome-shell-extension-appindicator xwayland
)

# Prints the packages of the list that are not installed.
alerts_missing_packages() {
    # One dpkg-query for the whole list; packages it does not know print nothing.
    local -A installed=()
    local pkg status
    while read -r pkg status; do
        [[ $status == ii* ]] && installed[${pkg%%:*}]=1
    done < <(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' "${ALERTS_PACKAGES[@]}" 2>/dev/null)
    for pkg in "${ALERTS_PACKAGES[@]}"; do
        [[ -n ${installed[$pkg]:-} ]] || printf '%s\n' "$pkg"
    done
}

alerts_ensure_packages() {
    local -a missing
    mapfile -t missing < <(alerts_missing_packages)
    ((${#missing[@]} == 0)) && return 0

    local -a sudo=()
    if ((EUID != 0)); then
        command -v sudo >/dev/null || {
            echo "deps: need root or sudo to install: ${missing[*]}" >&2
            return 1
        }
        sudo=(sudo)
    fi
    echo "deps: installing ${missing[*]}" >&2
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q >&2 || return 1
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
        --no-install-recommends "${missing[@]}" >&2 || return 1
}
