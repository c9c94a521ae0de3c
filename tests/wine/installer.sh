#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installer as a Windows user meets it, in a fresh Wine prefix: run silently
# (/S), it installs the program with everything it loads, puts "Alert" in the
# Start menu and in the Startup folder and registers its uninstaller with version
# 1.00. Run again while the program runs, it closes it, installs over it and
# starts the new one; the uninstaller, silent too, closes that one and takes all
# of it away again. /NOSTARTUP leaves the Startup folder alone. The zip holds the
# same folder.
# installer.sh INSTALLER ZIP
set -euo pipefail
installer=$1 zip=$2
work=$(mktemp -d)
export WINEPREFIX=$work/wine
source "$(dirname "$0")/wine-env.sh"
xvfb=""
trap 'wineserver -k 2>/dev/null; [[ -z $xvfb ]] || kill "$xvfb"; rm -rf "$work"' EXIT
trap 'exit 143' TERM
fail() { echo "installer: FAIL: $*" >&2; exit 1; }

# The program needs a display to run: a bare X server of the test's own.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for ((i = 0; i < 100; i++)); do [[ -s $work/display ]] && break; sleep 0.1; done
export DISPLAY=:$(head -n1 "$work/display")

wine_prepare_prefix
wine_install "$installer"
dir=$WINE_INSTALL_DIR
(cd "$dir" && find . -type f | sort) >"$work/installed"
for file in alerts.exe Media/siren.wav platforms/qwindows.dll Qt6Core.dll Qt6Widgets.dll \
    libstdc++-6.dll libwinpthread-1.dll Uninstall.exe; do
    grep -qx "./$file" "$work/installed" || fail "$file is not installed: $(tr '\n' ' ' <"$work/installed")"
done

key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Alert'
value() { "$WINELOADER" reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | awk -v n="$1" '$1 == n {$1 = $2 = ""; sub(/^ +/, ""); print}'; }
[[ $(value DisplayName) == Alert ]] || fail "Apps & features name: '$(value DisplayName)'"
[[ $(value DisplayVersion) == 1.00 ]] || fail "Apps & features version: '$(value DisplayVersion)'"
[[ $(value DisplayIcon) == *alerts.exe* ]] || fail "Apps & features icon: '$(value DisplayIcon)'"
[[ $(value UninstallString) == *Uninstall.exe* ]] || fail "no uninstaller: '$(value UninstallString)'"
link=$(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Alert/Alert.lnk' | head -n1)
[[ -n $link ]] || fail "no \"Alert\" in the Start menu"
echo "installed $(grep -c . "$work/installed") files; Start menu: ${link#"$WINEPREFIX/"}" >&2
# An install for all users starts the program at every user's sign-in.
startup() { find "$WINEPREFIX/drive_c" -ipath '*/Programs/Startup/Alert.lnk' -print -quit; }
[[ $(startup) == "$WINEPREFIX/drive_c/ProgramData/"* ]] ||
    fail "not in all users' Startup folder: '$(startup)'"

# Over a running copy: the old program ends as its close box ends it (status 0),
# the new files are in place and the new program runs.
main_pid() { # the pid of the program's main window, if it has one
    local wid
    wid=$(xdotool search --name '^Zuded Orazaviz$' 2>/dev/null | head -n1) || true
    [[ -z $wid ]] || xdotool getwindowpid "$wid"
}
runs() { local pid; pid=$(main_pid); [[ -n $pid && $pid != "${1:-}" ]]; }
alive() { local state; state=$(ps -o stat= -p "$1" 2>/dev/null) && [[ $state != Z* ]]; }
stamped() { (($(stat -c %Y "$dir/alerts.exe" 2>/dev/null || echo 0) > 0)); }
wait_for() { # SECONDS CMD... (the time only bounds a failure: stretched as e2e_wait's)
    local end=$((SECONDS + $1 * ${E2E_WAIT_SCALE:-3}))
    while ((SECONDS < end)); do "${@:2}" && return; sleep 0.1; done
    "${@:2}"
}
# Its exit code as Windows gives it, written down by the command interpreter that
# started it: the Unix status of a Wine process is not that code when the machine
# is busy (the wineserver kills with SIGKILL a process whose Unix side is still
# ending a second after its last thread), and the installer starts its work right then.
(cd "$dir" && exec "$WINELOADER" cmd /v:on /c "start /wait alerts.exe & echo !errorlevel!>Z:${work//\//\\}\\old-status") &
old=$!
wait_for 60 runs || fail "the installed program did not start"
old_main=$(main_pid)
touch -d @0 "$dir/alerts.exe"
wine_install "$installer"
wait_for 20 test -s "$work/old-status" || fail "the running program was not closed"
status=$(tr -d '\r\n ' <"$work/old-status")
[[ $status == 0 ]] || fail "the running program ended with status $status, not as it closes itself"
wait "$old" || true
wait_for 20 stamped || fail "the running program's files were not replaced"
wait_for 60 runs "$old_main" || fail "the new program was not started after the install"
new=$(main_pid)

# The zip: the same files, under one folder.
mkdir "$work/zip"
(cd "$work/zip" && python3 -m zipfile -e "$zip" .)
(cd "$work/zip"/alerts-1.00-win64 && find . -type f | sort) >"$work/zipped"
diff <(grep -v Uninstall.exe "$work/installed") "$work/zipped" >&2 || fail "the zip differs from the installed folder"

# The uninstaller closes the running program before it removes it.
"$WINELOADER" "$dir/Uninstall.exe" /S
for ((i = 0; i < 200; i++)); do [[ -f $dir/alerts.exe ]] || break; sleep 0.1; done
[[ ! -e $dir/alerts.exe ]] || fail "the uninstaller left the program behind"
wait_for 5 eval '! alive $new' || fail "the uninstaller left the program running"
[[ -z $(value DisplayName) ]] || fail "the uninstaller left its Apps & features entry"
[[ -z $(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Alert*' -print -quit) ]] ||
    fail "the uninstaller left the Start menu entry"
[[ -z $(startup) ]] || fail "the uninstaller left the Startup shortcut"

# The box on the last page unchecked, as /NOSTARTUP unchecks it.
wine_install "$installer" /NOSTARTUP
[[ -f $dir/alerts.exe ]] || fail "/NOSTARTUP: not installed"
[[ -z $(startup) ]] || fail "/NOSTARTUP: the Startup shortcut was made"
echo "installer: PASS" >&2
