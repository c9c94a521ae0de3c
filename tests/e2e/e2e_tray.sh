#!/bin/bash
# SPDX-License-Identifier: MIT
# The tray on a real desktop: "Hide" puts the program into the tray; the icon's
# menu opens the About window, restores the window and exits, and the right button
# chooses nothing in it. Without a tray host "Hide" leaves the window minimised and
# reachable. The menu also stays up without a window manager.
source "$(dirname "$0")/lib.sh"
e2e_init

# --- helpers -------------------------------------------------------------------

# The program's icon inside the tray host's panel, if there is one.
tray_icon() {
    local tree
    tree=$(xwininfo -root -tree 2>/dev/null) || return 0
    awk '
        found { next }
        /\("panel" "trayer"\)/ { match($0, /^ */); depth = RLENGTH; inside = 1; next }
        inside { match($0, /^ */); if (RLENGTH <= depth) inside = 0 }
        inside && /\("alerts" "Alert"\)/ { print $1; found = 1 }' <<<"$tree"
}
has_tray_icon() { [[ -n $(tray_icon) ]]; }
# Waits for the icon after a "Hide"; if it never comes, tells whether the window
# was hidden or only minimised.
wait_tray_icon() {
    local i
    for ((i = 0; i < 100; i++)); do
        has_tray_icon && return 0
        sleep 0.05
    done
    _e2e_log "main window $main: $(xprop -id "$main" WM_STATE _NET_WM_STATE 2>&1 | tr '\n' ' ')"
    e2e_in_taskbar "$main" && _e2e_log "the main window is still in the taskbar"
    e2e_fail "no icon in the tray 5 s after the window was hidden"
}
no_tray_icon() { [[ -z $(tray_icon) ]]; }

# Top-level override-redirect windows of the program on screen, by kind:
# "menu" for popup menus, "tip" for tooltips.
program_popups() {
    local kind=$1 w type
    local top
    top=$(xwininfo -root -children 2>/dev/null) || return 0
    for w in $(awk '/^ +0x/ {print $1}' <<<"$top"); do
        xprop -id "$w" _NET_WM_PID 2>/dev/null | grep -q "= $ALERTS_PID\$" || continue
        xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' || continue
        xwininfo -id "$w" | grep -q 'Override Redirect State: yes' || continue
        type=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)
        if [[ $type == *TOOLTIP* ]]; then
            [[ $kind == tip ]] && echo "$w"
        else
            [[ $kind == menu ]] && echo "$w"
        fi
    done
}
menus_open() {
    local menus
    menus=$(program_popups menu)
    (($(grep -c . <<<"$menus" || true) == $1))
}
tip_shown() { [[ -n $(program_popups tip) ]]; }

wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'; }
is_iconic() { [[ $(wm_state "$1") == Iconic ]]; }

about_window() {
    local found
    found=$(xdotool search --all --onlyvisible --pid "$ALERTS_PID" --name '^About$' 2>/dev/null) || true
    head -n1 <<<"$found"
}

# The user's way out: the tray icon's menu, rest on "About", along its line into
# the submenu and onto "Exit". The menu must stay up all the way. On the way the
# right button chooses nothing, neither "Open/Restore" nor "Exit", and the pointer
# off "About" and back opens the submenu again over the same About window.
# exit_through_tray_menu WHERE [SCREENSHOT]
exit_through_tray_menu() {
    local menu_wid menu about
    click_tray_icon
    e2e_wait 5 menus_open 1
    menu_wid=$(only_menu)
    menu=$(e2e_window_geometry "$menu_wid")
    point_at_line "$menu" 1 2
    xdotool click 3
    point_at_line "$menu" 2 2
    # The program takes the click before the move that opens the submenu.
    e2e_wait 5 about_or_main_shown
    ! e2e_main_shown || e2e_fail "$1: a right click chose \"Open/Restore\""
    e2e_wait 5 menus_open 2
    about=$(about_window)
    point_at_line "$(e2e_window_geometry "$(other_menu "$menu_wid")")" 1 1
    xdotool click 3
    point_at_line "$menu" 1 2
    e2e_wait 5 menus_open_or_ended 1
    e2e_alerts_alive || e2e_fail "$1: a right click on \"Exit\" ended the program"
    point_at_line "$menu" 2 2
    e2e_wait 5 menus_open 2
    e2e_assert_eq "$(about_window)" "$about" "$1: the About window once \"About\" opened again"
    point_at_line "$(e2e_window_geometry "$(other_menu "$menu_wid")")" 1 1
    menus_open 2 || e2e_fail "$1: the menu closed on the way to \"Exit\""
    [[ -z ${2:-} ]] || e2e_screenshot "$2"
    xdotool click 1
    e2e_wait_alerts_exit 10
    e2e_assert_eq "$ALERTS_STATUS" 0 "exit status $1"
}
about_or_main_shown() { about_shown || e2e_main_shown; }
menus_open_or_ended() { menus_open "$1" || ! e2e_alerts_alive; }

about_shown() { [[ -n $(about_window) ]]; }
about_gone() { [[ -z $(about_window) ]]; }

# The one open menu window of the program.
only_menu() {
    local menus
    menus=$(program_popups menu)
    (($(grep -c . <<<"$menus" || true) == 1)) || e2e_fail "expected one open menu, found: $menus"
    echo "$menus"
}

# The open menu window other than $1: the submenu of "About".
other_menu() {
    local menus
    menus=$(program_popups menu)
    grep -v -x "$1" <<<"$menus" | head -n1
}

# Moves the pointer onto line LINE (1-based) of a menu of LINES lines.
point_at_line() {
    local x y w h
    read -r x y w h <<<"$1"
    xdotool mousemove --sync $((x + w / 2)) $((y + h * (2 * $2 - 1) / (2 * $3)))
}

click_tray_icon() {
    local x y w h
    read -r x y w h < <(e2e_window_geometry "$(tray_icon)")
    xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
}

# The ticker has stopped once the About window's picture holds still for longer
# than a good many of its 40 ms ticks.
about_still() {
    local wid=$1
    import -window "$wid" "$E2E_TMP/still-a.png"
    sleep 0.4
    import -window "$wid" "$E2E_TMP/still-b.png"
    [[ $(compare -metric AE "$E2E_TMP/still-a.png" "$E2E_TMP/still-b.png" null: 2>&1) == 0 ]]
}

# Rows of the ticker label (x 56-168, y 24-79 in the window, above the OK button)
# that hold dark text.
ticker_text_rows() {
    local wid=$1 x y w h
    import -window "$wid" "$E2E_TMP/about.png"
    convert "$E2E_TMP/about.png" -crop 113x56+56+24 +repage -colorspace Gray \
        -threshold 50% -negate -scale '1x56!' -threshold 1% txt:- |
        awk -F'[,:]' '/^0,/ && /#FFFFFF|white/ {print $2}'
}
# Counts bands of consecutive text rows: one per line of text.
ticker_lines() {
    ticker_text_rows "$1" | awk 'NR == 1 || $1 != prev + 1 {n++} {prev = $1} END {print n + 0}'
}

# --- in the tray ----------------------------------------------------------------

e2e_start_x
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
e2e_in_taskbar "$main" || e2e_fail "the main window is not in the taskbar at start"
no_tray_icon || e2e_fail "an icon is in the tray before the window was hidden"

e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
wait_tray_icon
e2e_wait 5 e2e_not_in_taskbar "$main"
icons=$(tray_icon)
e2e_assert_eq "$(grep -c . <<<"$icons")" 1 "icons in the tray"

# The tip names the window.
read -r ix iy iw ih < <(e2e_window_geometry "$(tray_icon)")
xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih / 2 - 1))
xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih / 2))
e2e_wait 10 tip_shown
e2e_screenshot tray-tip

# A left press opens the menu: two lines.
click_tray_icon
e2e_wait 5 menus_open 1
menu_wid=$(only_menu)
menu=$(e2e_window_geometry "$menu_wid")
read -r _ _ _ menu_h <<<"$menu"
((menu_h > 30 && menu_h < 70)) || e2e_fail "the tray menu is $menu_h pixels high, not two lines"
e2e_screenshot tray-menu

# Resting on "About" opens its submenu and the About window, and the menu stays up.
point_at_line "$menu" 2 2
e2e_wait 5 about_shown
e2e_wait 5 menus_open 2
about=$(about_window)
e2e_wait 5 about_still "$about"
menus_open 2 || e2e_fail "the tray menu closed while the About window appeared"
e2e_screenshot about-and-menu
e2e_screenshot about "$about"
# The credits take two lines at this width, each address one more.
e2e_assert_eq "$(ticker_lines "$about")" 4 "lines of text in the ticker label"

# "Open/Restore" brings the window back (in a fresh native window) and the icon goes.
point_at_line "$menu" 1 2
xdotool click 1
e2e_wait 5 e2e_main_shown
main=$(e2e_main_window)
e2e_wait 5 e2e_painted "$main"
e2e_wait 5 no_tray_icon
e2e_wait 5 e2e_in_taskbar "$main"
[[ $(xprop -id "$main" _NET_WM_STATE) != *HIDDEN* ]] || e2e_fail "the restored window is minimised"
e2e_screenshot restored
e2e_wait 5 menus_open 0
about_shown || e2e_fail "restoring the main window closed the About window"

# OK unloads the About window; the program goes on.
e2e_click "$about" 96 92
e2e_wait 5 about_gone
e2e_alerts_alive || e2e_fail "closing the About window ended the program"

# --- Exit from the submenu of "About" --------------------------------------------

e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
wait_tray_icon
ended_pid=$ALERTS_PID
exit_through_tray_menu "under openbox"
e2e_wait 5 no_tray_icon
[[ -z $(xdotool search --all --pid "$ended_pid" --name '' 2>/dev/null) ]] ||
    e2e_fail "a window of the program is left after it ended"
e2e_screenshot after-exit

# --- without a window manager ------------------------------------------------------

# Showing the About window must not close the menu here either.
e2e_start_x --no-wm
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
wait_tray_icon
exit_through_tray_menu "without a window manager" no-wm-exit

# --- no tray host -----------------------------------------------------------------

e2e_start_x --no-tray
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 is_iconic "$main"
e2e_in_taskbar "$main" || e2e_fail "without a tray the minimised window left the taskbar"
no_tray_icon || e2e_fail "an icon appeared without a tray"
# Reachable: the taskbar's way of bringing it back works.
xdotool windowactivate "$main"
e2e_wait 5 e2e_is_mapped "$main"
e2e_wait 5 e2e_painted "$main"
e2e_screenshot no-tray-restored
e2e_in_taskbar "$main" || e2e_fail "without a tray the window was hidden after all"
e2e_click "$main" 164 116 # "Exit"
e2e_wait_alerts_exit 10
e2e_assert_eq "$ALERTS_STATUS" 0 "exit status without a tray"
