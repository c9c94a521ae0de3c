#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows program for the end-to-end scripts (lib.sh's ALERTS_LAUNCHER): the
# first start of a test makes a fresh Wine prefix and runs the installer into it
# silently, as a user would; every start then runs the installed alerts.exe.
# ALERTS_WINDOWS_INSTALL_ARGS: the installer's switches (wine-env.sh);
# ALERTS_WINE_LOGPIXELS: the system's dots per inch.
set -euo pipefail
# A step that fails ends the start; the walk then sees a program that "exited at
# start", and its log says which step it was.
trap 'echo "alerts.sh: gave up at line $LINENO (status $?): $BASH_COMMAND" >&2' ERR
: "${ALERTS_WINDOWS_INSTALLER:?ALERTS_WINDOWS_INSTALLER must name alerts-1.00-win64.exe}"
export WINEPREFIX=${WINEPREFIX:-$E2E_TMP/wine}
source "$(dirname "$0")/wine-env.sh"

exe=$WINE_INSTALL_DIR/alerts.exe
if [[ ! -f $exe ]]; then
    # No shortcut in Startup unless a walk gives its own switches: Wine starts
    # what Startup holds whenever a new Wine session begins, as at a sign-in, and
    # the walk's own start would then be the second one.
    switches=()
    [[ -n ${ALERTS_WINDOWS_INSTALL_ARGS:-} ]] || switches=(/NOSTARTUP)
    wine_prepare_prefix
    (
        flock 9
        [[ -f $exe ]] || wine_install "$ALERTS_WINDOWS_INSTALLER" "${switches[@]}"
    ) 9>"$WINEPREFIX.install.lock"
fi
[[ -f $exe ]] || {
    echo "alerts.sh: the installer did not install $exe" >&2
    exit 127
}
# The system's dots per inch, as Windows' display settings set them (scale 125 %
# is 120); Wine reads them as a program starts.
if [[ -n ${ALERTS_WINE_LOGPIXELS:-} ]]; then
    "$WINELOADER" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
        /d "$ALERTS_WINE_LOGPIXELS" /f >/dev/null 2>&1
fi
cd "$(dirname "$exe")"
exec "$WINELOADER" "$exe" "$@"
