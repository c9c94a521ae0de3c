#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The popup on scaled desktops: at QT_SCALE_FACTOR 2, 1.5 and 1.25, and at 144 dpi
# (Xft.dpi). It parks wholly below the screen, glides up at the same pace as at
# 96 dpi (61 steps of two device-independent pixels; at 1.25 that is 2.5 device
# pixels, so steps of 2 and 3 by turns), and rests flush in the
# corner, not a device pixel short or past it, whatever the rounding; its text is
# readable and its icon comes in a size for the larger screen.
# E2E_DESK=wayland: on sway without XWayland at output scale 1.5, where the popup
# is a layer surface: it glides by the same margins as at scale 1 and rests flush;
# then the output goes to scale 2, away, and a new one comes: the parked popup stays
# unmapped throughout, and the next one rises flush into the corner of the output
# there is.
source "$(dirname "$0")/lib.sh"
e2e_init

if [[ ${E2E_DESK:-} == wayland ]]; then
    e2e_start_wayland --scale 1.5
    e2e_start_announce
    e2e_start_alerts
    e2e_wait_announce_log '^client connected 1$' 10
    sleep 0.5 # "Connected!"
    grim "$E2E_OUT/wayland-parked.png"
    e2e_announce "player7|Chess|Hall 2"
    rest() { [[ $(e2e_wl_margins | tail -n1) == *" 0" ]]; }
    e2e_wait 5 rest
    e2e_assert_eq "$(e2e_wl_margins | wc -l)" 62 "the rise, by the margins of scale 1"
    grim "$E2E_OUT/wayland-1.5.png"
    # 277.5 x 181.5 device pixels on sway's whole logical ones of an 853 x 682 output (1280 x 1023)
    e2e_assert_eq "$(e2e_wl_changed "$E2E_OUT/wayland-"{parked,1.5}.png)" "278x182+1002+841" "flush in the corner at 1.5"

    # The output changes under the parked popup, as when the desktop's scale is
    # changed, a monitor is unplugged and plugged in, a laptop docked. From the
    # program's trace: each surface it made (get_layer_surface) and its output.
    surfaces() { grep -o 'get_layer_surface(new id [^,]*, wl_surface#[0-9]*, [^,]*' "$E2E_TMP/alerts.log" | awk '{print $NF}'; }
    surfaces_made() { (($(surfaces | wc -l) >= $1)); }
    unmapped() { (($(grep -c 'zwlr_layer_surface_v1[#@][0-9]*\.destroy()' "$E2E_TMP/alerts.log") == $1)); }
    traced() { grep -q "$1" "$E2E_TMP/alerts.log"; }
    announce_and_rest() { # NAME SURFACES
        grim "$E2E_OUT/wayland-$1-parked.png"
        e2e_announce "player8|Go|Hall 3"
        e2e_wait 5 surfaces_made "$2"
        e2e_wait 5 rest
        grim "$E2E_OUT/wayland-$1.png"
    }
    e2e_wait 15 unmapped 1
    # At scale 2 it stays parked and unmapped; the next one rises into the corner.
    swaymsg -q output HEADLESS-1 scale 2
    e2e_wait 5 traced 'wl_output#[0-9]*\.scale(2)'
    announce_and_rest scale-2 2
    e2e_assert_eq "$(e2e_wl_changed "$E2E_OUT/wayland-scale-2"{-parked,}.png)" "368x240+910+782" "flush in the corner at 2"
    e2e_wait 15 unmapped 2
    # No output at all: an announcement shows nothing and ends nothing.
    swaymsg -q output HEADLESS-1 disable
    e2e_wait 5 traced 'global_remove'
    e2e_announce "player9|Poker|Hall 4"
    e2e_alerts_alive || e2e_fail "the program ended with no output"
    # A new output: the next popup rises in its corner, on that output. (The one
    # above may still be up when the output comes: it shows there for the rest.)
    sized() { (($(grep -c 'wl_output#[0-9]*\.mode(1, 1280, 1024' "$E2E_TMP/alerts.log") > $1)); }
    before=$(grep -c 'wl_output#[0-9]*\.mode(1, 1280, 1024' "$E2E_TMP/alerts.log")
    swaymsg -q create_output
    swaymsg -q output HEADLESS-2 mode 1280x1024 scale 1
    e2e_wait 5 sized "$before"
    e2e_announce "player8|Go|Hall 3"
    e2e_wait 5 surfaces_made 3 # or more
    e2e_wait 5 rest
    grim "$E2E_OUT/wayland-new-output.png"
    e2e_assert_eq "$(surfaces | tail -n1)" "$(grep -o 'bind([0-9]*, "wl_output", [0-9]*, new id \[unknown\]#[0-9]*' "$E2E_TMP/alerts.log" |
        tail -n1 | sed 's/.*#/wl_output#/')" "the popup on the new output"
    # Its left and top edges where a 185 x 121 popup flush in the corner has them.
    pixel() { convert "$E2E_OUT/wayland-new-output.png" -format "%[fx:int(255*p{$1,$2}.g)]" info:; }
    e2e_assert_eq "$(pixel 1100 1003) $(pixel 1093 1003) $(pixel 1100 901)" "255 0 0" "flush in the new output's corner"
    ! grep -q 'placeholder screen. This will be positioned' "$E2E_TMP/alerts.log" || e2e_fail "a surface for no output"
    exit 0
fi

# 1024 x 768 at 1.5 is 682.67 x 512 device-independent pixels: a popup placed in
# those (rounded) coordinates would overhang the right edge by a device pixel.
SCREEN_W=1024
SCREEN_H=768

at_rest() { [[ $(e2e_window_moves "$POPUP" | tail -n1) == "$LEFT $REST" ]]; }
parked() { [[ $(e2e_window_moves "$POPUP" | tail -n1) == "$LEFT $SCREEN_H" ]]; }

popup_shown() { [[ -n $(e2e_popups "$1") ]]; }

# run_scaled NAME RATIO QT_SCALE_FACTOR|xft|logpixels : one desk; the ratio comes
# from the program's scale factor, from the desk's Xft.dpi or, under Wine, from
# the system's dots per inch in the registry.
run_scaled() {
    local name=$1 ratio=$2 x y w h steps
    e2e_start_x --size "${SCREEN_W}x$SCREEN_H"
    xsetroot -solid grey50 # the popup's frame line shows against it
    e2e_start_announce
    e2e_record_moves
    local dpi
    dpi=$(awk -v r="$ratio" 'BEGIN {print 96 * r}')
    if [[ $3 == xft ]]; then
        xrdb -merge <<<"Xft.dpi: $dpi"
        e2e_start_alerts
    elif [[ $3 == logpixels ]]; then
        ALERTS_WINE_LOGPIXELS=$dpi e2e_start_alerts
    else
        export QT_SCALE_FACTOR=$3
        e2e_start_alerts
        unset QT_SCALE_FACTOR
    fi
    e2e_wait_announce_log '^client connected 1$' 10

    # The popup in device pixels: its design's 185 x 121 at the ratio, rounded.
    local width height
    width=$(awk -v r="$ratio" 'BEGIN {printf "%d", 185 * r + 0.5}')
    height=$(awk -v r="$ratio" 'BEGIN {printf "%d", 121 * r + 0.5}')
    LEFT=$((SCREEN_W - width))
    REST=$((SCREEN_H - height))
    e2e_announce "player7|Chess|Hall 2"
    e2e_wait 10 popup_shown "${width}x$height"
    POPUP=$(e2e_popups "${width}x$height" | head -n1)
    e2e_wait 5 at_rest
    e2e_assert_eq "$(e2e_window_moves "$POPUP" | head -n1)" "$LEFT $SCREEN_H" "$name: parked wholly below the corner"
    read -r x y w h < <(e2e_window_geometry "$POPUP")
    e2e_assert_eq "$x $y $w $h" "$LEFT $REST $width $height" "$name: at rest"
    e2e_assert_eq "$((x + w)) $((y + h))" "$SCREEN_W $SCREEN_H" "$name: edges on the screen's corner"

    # The same pace as at 96 dpi: 61 steps of two device-independent pixels, the
    # last one past the resting place and clamped back.
    steps=$(e2e_window_moves "$POPUP" | awk -v step="$(awk -v r="$ratio" 'BEGIN {print 2 * r}')" '
        NR > 1 { d = prev - $2; if (d > 0 && d <= step + 0.5) n++; else if (d < 0) back++ }
        { prev = $2 }
        END { print n + 0, back + 0 }')
    e2e_assert_eq "$steps" "61 1" "$name: steps up and clamps back of the rise"

    e2e_screenshot "$name-popup" "$POPUP"
    e2e_screenshot "$name-desk"
    convert "$E2E_OUT/$name-popup.png" -colorspace Gray -resize 300% -normalize "$E2E_TMP/ocr.png"
    local text
    text=$(tesseract "$E2E_TMP/ocr.png" - --psm 6 2>/dev/null | tr -s ' \n' ' ')
    [[ $text == *"Tournament Started"*"player7 started a new Chess tournament on Hall 2"* ]] ||
        e2e_fail "$name: the popup's text does not read right: \"$text\""

    # Every window offers the 256 px picture: the window manager and the task
    # switcher draw a larger icon from it, not a stretched 32 px one. (Not on
    # Windows: a window gives the system its icon at the system's two icon sizes,
    # and the shell takes larger ones from the program file, which Wine's X11
    # driver does not pass on.)
    local icons
    icons=$(xprop -id "$ALERTS_WID" -notype 32c _NET_WM_ICON | tr ',' '\n')
    ((E2E_WINDOWS)) || grep -q -x ' 256' <<<"$icons" ||
        e2e_fail "$name: the main window offers no 256 px icon"

    # A click parks it at once, wholly below the screen again.
    e2e_click "$POPUP" $((w / 2)) $((h / 2))
    e2e_wait 2 parked
    e2e_stop_alerts
    e2e_stop_announce
}

if ((E2E_WINDOWS)); then
    # Windows' display settings scale the whole system, through its dots per inch.
    run_scaled 120dpi 1.25 logpixels
    run_scaled 144dpi 1.5 logpixels
    exit 0
fi
run_scaled scale-2 2 2
run_scaled scale-1.5 1.5 1.5
run_scaled scale-1.25 1.25 1.25
run_scaled 144dpi 1.5 xft
