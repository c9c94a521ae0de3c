#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a real desktop: its main window appears at its design size,
# it connects to the notification server on port 4500, finds its way back after
# the server goes away and returns within one watchdog period, never sends the
# server a byte, and ends cleanly by its Exit button.
source "$(dirname "$0")/lib.sh"; e2e_init

WATCHDOG_S=10
RECONNECT_LIMIT_S=12 # one watchdog period, and room for a slow machine

e2e_start_x
e2e_start_announce
e2e_start_alerts

read -r x y w h < <(e2e_window_geometry "$ALERTS_WID")
e2e_assert_eq "$w x $h" "204 x 176" "main window client size"

# Connected at start, and a record reaches it.
e2e_wait_announce_log '^client connected 1$' 5
e2e_announce 'player7|Chess|Hall 2'
e2e_assert_eq "$E2E_LAST_SENT" "sent 30 to 1 clients" "record delivery at start"
# The label has no X property to read; the picture is for a person to look at.
# Give the connect-confirm tick (100 ms) time to change it first.
sleep 0.5
e2e_screenshot main-window "$ALERTS_WID"
e2e_screenshot connected
# Under Wine, read off the screen (on Linux e2e_wake reads it from the accessibility bus).
((E2E_WINDOWS == 0)) || e2e_wait 5 e2e_label_is 'Connected!'

# The server goes away: the program's socket is closed by it...
e2e_stop_announce
grep -q '^client disconnected 0 received 0$' "$E2E_ANNOUNCE_LOG" ||
    e2e_fail "the program sent bytes to the server: $(grep '^client disconnected' "$E2E_ANNOUNCE_LOG")"
e2e_alerts_alive || e2e_fail "the program died when the server went away"
((E2E_WINDOWS == 0)) || e2e_wait $RECONNECT_LIMIT_S e2e_label_is 'Disconnected'

# ...and comes back: the watchdog reconnects within one period.
e2e_start_announce
started=$(_e2e_now_ms)
e2e_wait_announce_log '^client connected 1$' $RECONNECT_LIMIT_S
echo "reconnected $(($(_e2e_now_ms) - started)) ms after the server came back" >&2
((E2E_WINDOWS == 0)) || e2e_wait 5 e2e_label_is 'Connected!'
e2e_announce 'player7|Chess|Hall 3'
e2e_assert_eq "$E2E_LAST_SENT" "sent 30 to 1 clients" "record delivery after reconnecting"

# A server that resets the connection: the same way back.
e2e_announce_cmd '!reset'
started=$(_e2e_now_ms)
e2e_wait_announce_log '^client disconnected 0 received 0$' 5
e2e_wait_announce_count '^client connected 1$' 2 $RECONNECT_LIMIT_S
echo "reconnected $(($(_e2e_now_ms) - started)) ms after the reset" >&2
e2e_alerts_alive || e2e_fail "the program died when the server reset the connection"

# Everything the program sent, over the whole run: nothing.
e2e_stop_announce
sent=$(grep -h '^client disconnected' "$E2E_TMP"/announce*.log | grep -v ' received 0$' || true)
[[ -z $sent ]] || e2e_fail "the program sent bytes to the server: $sent"
e2e_alerts_alive || e2e_fail "the program died"

# "Exit" ends the program cleanly (under the sanitizers: with no leak reported).
e2e_click "$ALERTS_WID" 164 116
e2e_wait_alerts_exit 10
e2e_assert_eq "$ALERTS_STATUS" 0 "exit status after Exit"
