#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The alert popup on a real X server under a window manager, driven by real
# announcements: parked below the bottom-right corner, it rises into the corner,
# holds, and falls back out of sight; a click parks it at once; it never takes
# the keyboard focus and never appears in the taskbar.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

e2e_init "$@"
e2e_start_x
e2e_start_announce

POPUP_TMP=$(mktemp -d)
XEV_PID=
popup_on_exit() {
    [[ -n $XEV_PID ]] && kill "$XEV_PID" 2>/dev/null
    rm -rf "$POPUP_TMP"
    return 0
}
# Run before whatever the harness does on exit.
if [[ -n $(trap -p EXIT) ]]; then
    eval "$(trap -p EXIT | sed "s/^trap -- '/trap -- 'popup_on_exit; /")"
else
    trap popup_on_exit EXIT
fi

read -r SCREEN_W SCREEN_H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
LEFT=$((SCREEN_W - 185))
REST=$((SCREEN_H - 121))

# Every move of every top-level window as the X server reports it. The popup
# places itself (override-redirect), so each of its steps is one configure event.
stdbuf -oL xev -root -event substructure >"$POPUP_TMP/xev" 2>/dev/null &
XEV_PID=$!

e2e_start_alerts
# The main window's own mapping proves that xev listens before any popup exists.
e2e_wait 10 grep -q '^MapNotify' "$POPUP_TMP/xev" || e2e_fail "xev saw no window appear"

popup_window() { xwininfo -root -children | awk '/ 185x121[-+]/ { print $1; exit }'; }
popup_exists() { [[ -n $(popup_window) ]]; }

# "x y" for each move of the popup, in order.
popup_moves() {
    awk -v id="window $POPUP," '
        /^ConfigureNotify/ { pending = 1; next }
        pending && index($0, id) {
            match($0, /\(-?[0-9]+,-?[0-9]+\)/)
            place = substr($0, RSTART + 1, RLENGTH - 2)
            sub(",", " ", place)
            print place
        }
        { pending = 0 }' "$POPUP_TMP/xev"
}
move_count() { popup_moves | wc -l; }
popup_at() { [[ $(popup_moves | tail -n 1) == "$LEFT $1" ]]; }
moves_reach() { (($(move_count) >= $1)); }

# The moves of a whole glide: 30 twips (2 pixels) a tick, the last step passing
# the end by 15 twips (1 pixel) and clamped back within the same tick.
expected_glide() { # from to step
    local from=$1 to=$2 step=$3 y
    for ((y = from + step; step < 0 ? y > to : y < to; y += step)); do
        echo "$LEFT $y"
    done
    echo "$LEFT $((to + step / 2))"
    echo "$LEFT $to"
}

# The main window has the focus; the popup must never take it.
xdotool windowactivate --sync "$ALERTS_WID" 2>/dev/null || xdotool windowfocus --sync "$ALERTS_WID"
FOCUS=$(xdotool getwindowfocus)
focus_kept() {
    local now
    now=$(xdotool getwindowfocus)
    [[ $now == "$FOCUS" ]] || e2e_fail "$1: the focus moved from window $FOCUS to $now"
}

# --- First announcement: loaded, parked, risen into the corner -----------------
t_announce=$EPOCHREALTIME
e2e_announce "player7|Chess|Hall 2"
e2e_wait 10 popup_exists || e2e_fail "no popup after the first announcement"
POPUP=$(popup_window)
t_seen=$EPOCHREALTIME
e2e_wait 5 popup_at "$REST" || e2e_fail "the popup did not come to rest at ($LEFT, $REST): $(popup_moves | tail -n 1)"
t_rest=$EPOCHREALTIME

e2e_assert_eq "$(popup_moves | head -n 1)" "$LEFT $SCREEN_H" "first place: parked below the corner"
e2e_assert_eq "$(popup_moves | tail -n +2)" "$(expected_glide "$SCREEN_H" "$REST" -2)" "the rise"
read -r x y w h < <(e2e_window_geometry "$POPUP")
e2e_assert_eq "$x $y $w $h" "$LEFT $REST 185 121" "at rest in the display's corner"
e2e_screenshot popup-rest >/dev/null

# The picture: light green with the 1-pixel frame line, as the window shows it.
pixel() { import -window "$POPUP" png:- | convert png:- -format "%[fx:int(255*p{$1,$2}.r)],%[fx:int(255*p{$1,$2}.g)],%[fx:int(255*p{$1,$2}.b)]" info:; }
e2e_assert_eq "$(pixel 5 100)" "192,255,192" "background"
e2e_assert_eq "$(pixel 0 60)" "0,0,0" "frame line, left"
e2e_assert_eq "$(pixel 184 60)" "0,0,0" "frame line, right"

# Not managed, so no frame, no taskbar entry, no pulling back on screen.
xwininfo -id "$POPUP" | grep -q 'Override Redirect State: yes' || e2e_fail "the popup is managed by the window manager"
if xprop -root _NET_CLIENT_LIST | grep -qi "$POPUP"; then
    e2e_fail "the popup is in the window manager's client list (taskbar)"
fi
focus_kept "risen"

# --- Hold, then the fall back below the screen -------------------------------------
rest_moves=$(move_count)
e2e_wait 15 popup_at "$SCREEN_H" || e2e_fail "the popup did not fall back below the screen"
t_parked=$EPOCHREALTIME
e2e_assert_eq "$(popup_moves | tail -n +$((rest_moves + 1)))" "$(expected_glide "$REST" "$SCREEN_H" 2)" "the fall"
focus_kept "fallen"

# --- A click during the hold parks the popup at once -------------------------------
e2e_announce "player8|Poker|Hall 3"
before=$(move_count)
e2e_wait 5 moves_reach $((before + 1)) || e2e_fail "the second announcement did not move the popup"
e2e_wait 5 popup_at "$REST" || e2e_fail "the second rise did not come to rest"
e2e_screenshot popup-second >/dev/null
rest_moves=$(move_count)
xdotool mousemove --sync $((LEFT + 92)) $((REST + 60)) click 1
e2e_wait 2 moves_reach $((rest_moves + 1)) || e2e_fail "the click did not move the popup"
e2e_assert_eq "$(popup_moves | tail -n +$((rest_moves + 1)))" "$LEFT $SCREEN_H" "a click parks at once"
focus_kept "clicked"
# The hold's pending tick still comes: one fall step below the screen, clamped back.
e2e_wait 8 moves_reach $((rest_moves + 3)) || e2e_fail "the pending hold tick did not come"
e2e_assert_eq "$(popup_moves | tail -n +$((rest_moves + 2)))" "$LEFT $((SCREEN_H + 2))
$LEFT $SCREEN_H" "the pending hold tick: one fall step, unseen"

kill -0 "$ALERTS_PID" || e2e_fail "the program ended"
awk -v a="$t_announce" -v s="$t_seen" -v r="$t_rest" -v p="$t_parked" 'BEGIN {
    printf "popup: seen %.2f s after the announcement, rise %.2f s, hold and fall %.2f s\n", s - a, r - s, p - r }'
