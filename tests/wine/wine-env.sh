# SPDX-License-Identifier: MIT
# Sourced: Debian's 64-bit Wine, quiet, without the Mono and Gecko prompts.
# wine_prepare_prefix makes $WINEPREFIX once (under a lock: programs may start
# together), with Wine's own fonts where Windows keeps its fonts, as a copy of
# ALERTS_WINE_TEMPLATE when that names a prefix (made first if missing); wine_install
# runs the installer into it. ALERTS_WINDOWS_INSTALL_ARGS adds the installer's
# own switches (/CurrentUser: for this user alone, as a user without
# administrator's rights installs; Wine's user always has them).
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:?WINEPREFIX must name a Wine prefix}
WINE_USER_DIR="$WINEPREFIX/drive_c/users/$(id -un)"
WINE_INSTALL_DIR="$WINEPREFIX/drive_c/Program Files/Alert"
if [[ ${ALERTS_WINDOWS_INSTALL_ARGS:-} == */CurrentUser* ]]; then
    WINE_INSTALL_DIR="$WINE_USER_DIR/AppData/Local/Programs/Alert"
fi

# wine_pids NAME : the processes of this prefix whose command line holds NAME.
wine_pids() {
    local pid
    for pid in $(pgrep -f -- "$1"); do
        tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
            echo "$pid"
    done
    return 0
}

# wine_make_prefix : $WINEPREFIX made once, under its lock; nothing is run in it.
wine_make_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [[ -f $WINEPREFIX/.alerts-ready ]] && exit 0
        local template=${ALERTS_WINE_TEMPLATE:-}
        if [[ -n $template && $template != "$WINEPREFIX" ]]; then
            # A copy of a prefix made once: wineboot writes 600 MB of DLLs into
            # each new one, seconds of a busy machine for every walk. The DLLs are
            # hard links (nothing writes to them); the rest, registry and all, is
            # copied.
            (
                export WINEPREFIX=$template
                wine_make_prefix
            )
            rm -rf "$WINEPREFIX"
            mkdir -p "$WINEPREFIX"
            tar -C "$template" --exclude=./drive_c/windows/system32 -cf - . | tar -C "$WINEPREFIX" -xf -
            cp -al "$template/drive_c/windows/system32" "$WINEPREFIX/drive_c/windows/"
            exit 0
        fi
        "$WINELOADER" wineboot -i >/dev/null 2>&1
        # Debian's Wine looks for its fonts in the wrong place; without them Qt
        # falls back to a serif face.
        local font
        for font in /usr/share/wine/fonts/*; do
            ln -sf "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
        done
        # A template is copied only once its registry is on disk.
        [[ $WINEPREFIX != "${template:-}" ]] || "${WINELOADER%/*}/wineserver" -w
        touch "$WINEPREFIX/.alerts-ready"
    ) 9>"$WINEPREFIX.lock"
}

wine_prepare_prefix() {
    wine_make_prefix
    # The prefix's server and Wine's own processes (services, the desktop) started
    # here, away from the caller's output: started by the program, they would hold
    # a test runner's pipes open for the seconds they linger after it ends. One
    # already running is left as it is.
    if "${WINELOADER%/*}/wineserver" </dev/null >/dev/null 2>&1; then
        "$WINELOADER" wineboot </dev/null >/dev/null 2>&1 || true
    fi
}

# wine_install INSTALLER [SWITCHES...] : installs silently (/S), as a user may.
# The installer may return before its work is done: this waits for its
# uninstaller, its last file, and for the installer to end.
wine_install() {
    local i installer=$1
    shift
    # shellcheck disable=SC2086 # the switches are words
    "$WINELOADER" "$installer" /S ${ALERTS_WINDOWS_INSTALL_ARGS:-} "$@" >/dev/null 2>&1 || {
        local status=$?
        echo "wine_install: $(basename "$installer") ended with status $status" >&2
        return "$status"
    }
    for ((i = 0; i < 300; i++)); do
        [[ -f $WINE_INSTALL_DIR/Uninstall.exe && -z $(wine_pids "$(basename "$installer")") ]] && return
        sleep 0.1
    done
}
