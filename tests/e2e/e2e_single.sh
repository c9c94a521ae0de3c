#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One program per user: started again while it waits hidden in the tray, the
# running program brings its window back and the new start ends at once, with
# no second connection, popup or siren. After the program is killed, what it
# left behind does not stop the next start.
source "$(dirname "$0")/lib.sh"
e2e_init
((E2E_WINDOWS == 0)) || source "$E2E_LIB_DIR/../wine/wine-env.sh"

SECOND_START_LIMIT_MS=2000

popup_count() { e2e_popups | grep -c . || true; }
popup_shown() { (($(popup_count) > 0)); }
clients_connected() { grep -c '^client connected' "$E2E_ANNOUNCE_LOG" || true; }

# second_start NAME : starts the program again, as a click on its desktop entry
# would, and expects it to end with status 0 within the limit.
second_start() {
    local started status=0 took limit=$SECOND_START_LIMIT_MS wine_start=0
    # Under Wine, a process's own start is Wine's and varies with the machine's load:
    # the limit is on top of the slower of an empty Windows program's starts just
    # before and just after.
    ((E2E_WINDOWS == 0)) || wine_start=$(empty_windows_start_ms)
    started=$(_e2e_now_ms)
    timeout 10 env QT_QPA_PLATFORM=xcb "$(e2e_alerts_program)" >>"$E2E_TMP/second.log" 2>&1 ||
        status=$?
    took=$(($(_e2e_now_ms) - started))
    if ((E2E_WINDOWS)); then
        local after
        after=$(empty_windows_start_ms)
        limit=$((limit + (after > wine_start ? after : wine_start)))
    fi
    echo "$1: the second start ended with status $status after $took ms (limit $limit ms)" >&2
    e2e_assert_eq "$status" 0 "$1: exit status of the second start"
    ((took <= limit)) ||
        e2e_fail "$1: the second start took $took ms (load average $(cut -d' ' -f1-3 /proc/loadavg))"
}
empty_windows_start_ms() {
    local started
    started=$(_e2e_now_ms)
    "$WINELOADER" cmd /c exit 0 >/dev/null 2>&1 || true
    echo $(($(_e2e_now_ms) - started))
}

e2e_start_x
e2e_start_sound
e2e_start_announce
e2e_start_alerts
e2e_wait_announce_log '^client connected 1$' 5

# --- started again while hidden in the tray ------------------------------------------

e2e_click "$ALERTS_WID" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$ALERTS_WID"
e2e_main_shown && e2e_fail "the window is still shown after Hide"

second_start "hidden in the tray"
e2e_wait 5 e2e_main_shown
main=$(e2e_main_window)
e2e_wait 5 e2e_is_mapped "$main"
e2e_wait 5 e2e_painted "$main"
[[ $(xprop -id "$main" _NET_WM_STATE) != *HIDDEN* ]] || e2e_fail "the restored window is minimised"
e2e_screenshot restored

# The second start made no window, and no connection of its own.
e2e_assert_eq "$(xdotool search --all --onlyvisible --name '^Zuded Orazaviz$' | grep -c .)" 1 \
    "main windows on screen"
e2e_assert_eq "$(clients_connected)" 1 "connections the server has seen"

# One announcement: one popup and one siren.
rec=$E2E_OUT/one-siren.wav
e2e_record_announcement "$rec" 'player7|Chess|Hall 2'
e2e_assert_eq "$E2E_LAST_SENT" "sent 30 to 1 clients" "delivery after the second start"
# The popup holds in the corner for 5 s: still there once the siren is over.
e2e_wait 10 popup_shown
e2e_screenshot popup
e2e_assert_eq "$(popup_count)" 1 "popups for one announcement"
# Silence of under 0.1 s is a starved stream's dropout inside one siren, not a second one.
mapfile -t onsets < <(e2e_sound_onsets "$rec" 0.01 0.1)
e2e_assert_eq "${#onsets[@]}" 1 "sirens for one announcement"
read -r start end < <(e2e_sound_spans "$rec" 0.01 0.1)
length=$(awk -v s="$start" -v e="$end" 'BEGIN {print e - s}')
e2e_gt 2.0 "$length" || e2e_fail "the siren sounded for ${length}s, longer than one"

# Started again with the window on screen: it stays, still one of it.
second_start "window shown"
e2e_assert_eq "$(e2e_main_window)" "$main" "the main window after a start while shown"
e2e_assert_eq "$(clients_connected)" 1 "connections the server has seen"

# --- after a crash -----------------------------------------------------------------

# Under Wine, the whole Wine session goes, as at a forced sign-out: the next
# session hands out the same process ids again, the killed program's among them.
if ((E2E_WINDOWS)); then
    wineserver -k
    e2e_wait_alerts_exit 10
else
    e2e_kill_alerts
fi
e2e_wait_announce_log '^client disconnected 0 ' 5
# What the killed program held is still there (on Linux, the lock file and the
# socket; on Windows the mutex and the pipe end with the process, and the
# user's temporary folder is where a file would be).
if ((E2E_WINDOWS)); then
    files=$(find "$WINEPREFIX/drive_c/users" -mindepth 2 -maxdepth 2 -type d -name Temp -print -quit)
    [[ -n $files ]] || e2e_fail "no temporary folder in the Wine prefix"
else
    files=$XDG_RUNTIME_DIR
    [[ -f $files/alerts.lock && -S $files/alerts.socket ]] ||
        e2e_fail "no lock and socket left behind by the killed program: $(ls -A "$files")"
fi

e2e_start_alerts
e2e_wait 5 e2e_painted "$ALERTS_WID"
e2e_wait_announce_count '^client connected 1$' 2 5
e2e_screenshot after-crash
# And it is the one a later start reaches.
second_start "after the crash"
e2e_assert_eq "$(clients_connected)" 2 "connections the server has seen"
e2e_alerts_alive || e2e_fail "the program restarted after the crash has died"

# A clean exit leaves nothing behind.
e2e_click "$ALERTS_WID" 164 116 # "Exit"
e2e_wait_alerts_exit 10
e2e_assert_eq "$ALERTS_STATUS" 0 "exit status after Exit"
e2e_assert_eq "$(ls -A "$files" | grep -c '^alerts\.' || true)" 0 \
    "files of the program left in $files"
