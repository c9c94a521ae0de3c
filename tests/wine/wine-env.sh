# SPDX-License-Identifier: MIT
# Sourced: Debian's 64-bit Wine, quiet, without the Mono and Gecko prompts.
# wine_prepare_prefix makes $WINEPREFIX once (under a lock: programs may start
# together), with Wine's own fonts where Windows keeps its fonts.
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX=${WINEPREFIX:?WINEPREFIX must name a Wine prefix}

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
