#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The installer as a Windows user meets it, in a fresh Wine prefix: run silently
# (/S), it installs the program with everything it loads, puts "Alert" in the
# Start menu and registers its uninstaller with version 1.00; the uninstaller,
# silent too, takes all of it away again. The zip holds the same folder.
# installer.sh INSTALLER ZIP
set -euo pipefail
installer=$1 zip=$2
work=$(mktemp -d)
export WINEPREFIX=$work/wine
source "$(dirname "$0")/wine-env.sh"
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fail() { echo "installer: FAIL: $*" >&2; exit 1; }

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

# The zip: the same files, under one folder.
mkdir "$work/zip"
(cd "$work/zip" && python3 -m zipfile -e "$zip" .)
(cd "$work/zip"/alerts-1.00-win64 && find . -type f | sort) >"$work/zipped"
diff <(grep -v Uninstall.exe "$work/installed") "$work/zipped" >&2 || fail "the zip differs from the installed folder"

"$WINELOADER" "$dir/Uninstall.exe" /S
for ((i = 0; i < 100; i++)); do [[ -f $dir/alerts.exe ]] || break; sleep 0.1; done
[[ ! -e $dir/alerts.exe ]] || fail "the uninstaller left the program behind"
[[ -z $(value DisplayName) ]] || fail "the uninstaller left its Apps & features entry"
[[ -z $(find "$WINEPREFIX/drive_c" -path '*Start Menu/Programs/Alert*' -print -quit) ]] ||
    fail "the uninstaller left the Start menu entry"
echo "installer: PASS" >&2
