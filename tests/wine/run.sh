#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# CTest's emulator for the Windows test programs: runs one under Wine, in
# $WINEPREFIX, with the folders of ALERTS_WINE_DLL_DIRS (Qt's and the MinGW
# runtime's DLLs, colon-separated) on its DLL path.
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
path=""
IFS=: read -ra dirs <<<"${ALERTS_WINE_DLL_DIRS:-}"
for dir in "${dirs[@]}"; do
    path+="${path:+;}Z:$dir"
done
export WINEPATH=$path
wine_prepare_prefix
exec "$WINELOADER" "$@"
