# SPDX-License-Identifier: MIT
# Sourced: Debian's 64-bit Wine, quiet, without the Mono and Gecko prompts.
# wine_prepare_prefix makes $WINEPREFIX once (under a lock: programs may start
# together), with Wine's own fonts where Windows keeps its fonts; wine_install
# runs the installer into it.
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:?WINEPREFIX must name a Wine prefix}
WINE_INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Alert"

wine_prepare_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [[ -f $WINEPREFIX/.alerts-ready ]] && exit 0
        "$WINELOADER" wineboot -i >/dev/null 2>&1
        # Debian's Wine looks for its fonts in the wrong place; without them Qt
        # falls back to a serif face.
        local font
        for font in /usr/share/wine/fonts/*; do
            ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
        done
        touch "$WINEPREFIX/.alerts-ready"
    ) 9>"$WINEPREFIX.lock"
}

# wine_install INSTALLER : installs silently (/S), as a user may. The installer
# returns before its work is done: this waits for the uninstaller, its last file.
wine_install() {
    local i
    "$WINELOADER" "$1" /S >/dev/null 2>&1
    for ((i = 0; i < 200; i++)); do
        [[ -f $WINE_INSTALL_DIR/Uninstall.exe ]] && return
        sleep 0.1
    done
}
