#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A screen reader hears the popup. A reader on the accessibility bus, registered
# for the "showing" event on which Orca presents a notification (with or without
# the changes of names and descriptions, keeping what it read), hears each
# announcement exactly once, from an object of role notification that holds the
# exact line as its description and as the text of its message label; a second
# announcement while the popup is still up brings the second line; markup from
# the server arrives as literal text; the popup takes no focus; parked after its
# fall it is no longer showing, and the next announcement shows it once more;
# Exit is clean.
source "$(dirname "$0")/lib.sh"; e2e_init

LINE1='player7 started a new Chess tournament on Hall 2'
LINE2='<b>Ann</b> started a new <i>Go</i> tournament on <a href="x">Hall 3</a>'

e2e_start_x
e2e_start_session_bus
e2e_start_announce

e2e_start_accessibility
# Two readers: one that hears of changes, as Orca does, and one that hears of
# shows alone and keeps what it read.
READER=$E2E_OUT/heard.txt
BARE=$E2E_OUT/heard-showing-only.txt
_e2e_spawn "$E2E_PYTHON" "$E2E_LIB_DIR/a11y_reader.py" >"$READER" 2>"$E2E_TMP/reader.log"
_e2e_spawn "$E2E_PYTHON" "$E2E_LIB_DIR/a11y_reader.py" --showing-only >"$BARE" 2>>"$E2E_TMP/reader.log"
e2e_wait 15 grep -qx ready "$READER"
e2e_wait 15 grep -qx ready "$BARE"

e2e_start_alerts
e2e_wait_announce_log '^client connected 1$' 5
# On the desktop, the program's bridge has asked the registry what to send.
e2e_wait 10 grep -q '^app' "$READER"

xdotool windowactivate --sync "$ALERTS_WID" 2>/dev/null || xdotool windowfocus --sync "$ALERTS_WID"
FOCUS=$(xdotool getwindowfocus)

# The showing events of notifications, one per line: DETAIL1 DESCRIPTION STATES TEXTS...
# Of the reader R; the checks below ask both.
R=$READER
heard() { awk -F'\t' '$1 == "showing" && $3 == "notification"' "$R" | cut -f2,5-; }
heard_count() { heard | wc -l; }
heard_counts() { local R; for R in "$READER" "$BARE"; do heard_count; done | xargs; }
heard_at_least() { local R; for R in "$READER" "$BARE"; do (($(heard_count) >= $1)) || return 1; done; }

# check_heard N LINE : the Nth event shows the popup with LINE, exactly, as its
# description and among the texts below it, and not focused.
check_heard() {
    local R
    for R in "$READER" "$BARE"; do check_heard_by "$@"; done
}
check_heard_by() {
    local event detail description states
    _e2e_log "$(basename "$R" .txt): $(heard | cut -f2 | tr '\n' '|')"
    event=$(heard | sed -n "$1p")
    IFS=$'\t' read -r detail description states _ <<<"$event"
    e2e_assert_eq "$detail" 1 "event $1 is not a show"
    e2e_assert_eq "$description" "$2" "event $1: the notification's description"
    grep -qxF -- "$2" < <(cut -f4- <<<"$event" | tr '\t' '\n') ||
        e2e_fail "event $1: the line is not in the notification: $event"
    [[ ,$states, != *,focused,* && ,$states, != *,active,* ]] ||
        e2e_fail "event $1: the popup took the focus ($states)"
}

e2e_announce 'player7|Chess|Hall 2'
e2e_wait 5 heard_at_least 1
check_heard 1 "$LINE1"

# The second, while the popup is still up from the first.
e2e_announce '<b>Ann</b>|<i>Go</i>|<a href="x">Hall 3</a>'
e2e_wait 5 heard_at_least 2
check_heard 2 "$LINE2"

# One event each: the first show is not told twice. Both events came in the order
# they were sent, so a second event for the first announcement would be here.
e2e_assert_eq "$(heard_counts)" "2 2" "showing events of the notification"
e2e_assert_eq "$(xdotool getwindowfocus)" "$FOCUS" "the focus after the announcements"

# Parked after the hold and the fall: readers are told that it no longer shows.
e2e_wait 10 heard_at_least 3
IFS=$'\t' read -r detail _ states _ <<<"$(heard | sed -n 3p)"
e2e_assert_eq "$detail" 0 "event 3, the parked popup, is not a hide"
[[ ,$states, != *,showing,* ]] || e2e_fail "the parked popup is showing ($states)"
e2e_announce 'player9|Poker|Hall 4'
e2e_wait 5 heard_at_least 4
check_heard 4 'player9 started a new Poker tournament on Hall 4'
e2e_assert_eq "$(heard_counts)" "4 4" "showing events of the notification"

# Dismissed by a click and announced to again half a second later, as a player
# does: each time the reader is handed the new line with the show.
read -r _ screen_h < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
popup_up() { [[ $(e2e_window_geometry "$(e2e_popup_window)" | cut -d' ' -f2) == $((screen_h - 121)) ]]; }
events=4
for n in 1 2 3; do
    e2e_wait 5 popup_up
    read -r px py _ < <(e2e_window_geometry "$(e2e_popup_window)")
    xdotool mousemove --sync $((px + 90)) $((py + 60)) click 1
    e2e_wait 5 heard_at_least $((events + 1))
    sleep 0.5
    e2e_announce "again$n|Chess|Hall $n"
    e2e_wait 5 heard_at_least $((events + 2))
    events=$((events + 2))
    check_heard "$events" "again$n started a new Chess tournament on Hall $n"
done
e2e_alerts_alive || e2e_fail "the program died"

# "Exit" ends the program cleanly with a reader attached (under the sanitizers:
# with nothing leaked by the interfaces readers were given).
e2e_click "$ALERTS_WID" 164 116
e2e_wait_alerts_exit 10
e2e_assert_eq "$ALERTS_STATUS" 0 "exit status after Exit"
