#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program against a server that misbehaves: hostile and malformed
# records, a record dripped byte by byte, a reset connection and floods of up to 50 MB.
# Through all of it the program stays alive, its memory and open files stay
# flat, the popup keeps moving, and it never sends the server a byte.
source "$(dirname "$0")/lib.sh"
e2e_init

e2e_start_x
e2e_start_sound # "Both Alerts": every record also starts the siren, as on a desk with sound
e2e_start_announce
e2e_start_alerts
e2e_wait_announce_log '^client connected 1' 15

# (xwininfo without a window waits for a click: not asked before there is one.)
popup_top() {
    local popup
    popup=$(e2e_popup_window)
    [[ -z $popup ]] || xwininfo -id "$popup" | awk '/Absolute upper-left Y:/ {print $NF}'
}
read -r _ screen_h < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
popup_at() { [[ $(popup_top) == "$1" ]]; }

# Under Wine each thread holds pipes to Wine's server, and the threads of Qt's
# name lookup come and go with reconnects: there, pipes are not counted.
open_files() {
    if ((E2E_WINDOWS)); then
        find "/proc/$1/fd" -mindepth 1 -maxdepth 1 ! -lname 'pipe:*' | wc -l
    else
        e2e_fd_count "$1"
    fi
}

# Load the popup with an ordinary record, let it settle, then take the baseline.
e2e_announce "player7|Chess|Hall 2"
e2e_wait 5 eval '[[ -n $(e2e_popup_window) ]]'
e2e_wait 10 popup_at "$screen_h"
rss0=$(e2e_rss_kb "$ALERTS_PID")
fds0=$(open_files "$ALERTS_PID")
_e2e_log "baseline: RSS ${rss0} KiB, ${fds0} open files"

hex() { od -An -v -tx1 | tr -d ' \n'; }
every=$(for ((b = 0; b < 256; b++)); do printf "\\x$(printf %02x $b)"; done | hex)
mega=$( { printf 'T\xb3\xc9Chess\xc9\xb3\xe7'; head -c 1000000 /dev/zero | tr '\0' x; printf '\xe7\xb30\xb3\xfaHall\xfa'; } | hex)
for raw in \
    "$(printf 'T\xb3\xc9K\0ind\xc9\xb3\xe7S\0\xe7\xb30\xb3\xfaP\0\xfa' | hex)" \
    "$every" \
    "$(printf 'T\xb3<b>Bold</b>\xb3<img src="/dev/zero">\xb30\xb3<a href="file:///etc/passwd">x</a>' | hex)" \
    "$(printf 'T\xb3\xc9Chess\xc9\xb3\xe7p\xe7\xb30\xb3\xfaHall 2\xfa\r\n' | hex)" \
    "$(printf '\xb3\xb3\xb3' | hex)" "$(printf 'T' | hex)" "$(printf '\xb3\xb3\xb3\xb3' | hex)" \
    "$mega"; do
    e2e_announce_cmd "!raw $raw"
    e2e_alerts_alive || e2e_fail "the program died on ${raw:0:40}..."
done
e2e_screenshot hostile

# One byte every 50 ms.
for byte in $(printf 'T\xb3\xc9Chess\xc9\xb3\xe7drip\xe7\xb30\xb3\xfaHall 3\xfa' | od -An -v -tx1); do
    e2e_announce_cmd "!raw $byte"
    sleep 0.05
done
e2e_alerts_alive || e2e_fail "the program died on a dripped record"
e2e_screenshot dripped

# A reset in the middle of the connection: the watchdog reconnects.
e2e_announce_cmd '!reset'
e2e_wait_announce_count '^client connected' 2 15
e2e_announce "after|Reset|Hall 4"
e2e_stop_announce
grep -E '^client disconnected' "$E2E_TMP"/announce*.log | grep -v 'received 0' &&
    e2e_fail "the program sent bytes to the server"

# Floods of each size (E2E_FLOOD_SIZES), each once the popup is parked again: the
# popup must still rise to rest while they pour in, and after each the program
# still hears its server: one more record rises the popup within seconds, and the
# server's close shows "Disconnected" by the watchdog's next tick.
for size in ${E2E_FLOOD_SIZES:-64K 1M 50M}; do
    e2e_wait 15 popup_at "$screen_h"
    log=$E2E_TMP/flood-$size.log
    _e2e_spawn python3 "$E2E_LIB_DIR/flood.py" 4500 "$size" 2>"$log"
    flood_pid=$E2E_SPAWNED_PID
    e2e_wait 15 grep -q '^client connected' "$log"
    e2e_wait 5 popup_at $((screen_h - 121))
    e2e_wait 60 grep -q '^flooded' "$log"
    e2e_alerts_alive || e2e_fail "the program died in the $size flood"
    e2e_wait 15 popup_at "$screen_h"
    kill -USR1 "$flood_pid"
    e2e_wait 5 grep -q '^sent after' "$log"
    e2e_wait 3 popup_at $((screen_h - 121))
    e2e_label_is 'Connected!' || e2e_fail "not \"Connected!\" after the $size flood"
    kill -USR2 "$flood_pid"
    e2e_wait 5 grep -q '^received' "$log"
    grep -q '^received 0$' "$log" || e2e_fail "the program sent bytes: $(tail -n1 "$log")"
    e2e_wait 4 e2e_label_is 'Disconnected'
    _e2e_log "$size flood: $(grep flooded "$log"), the record after it shown, the close seen"
done
rss1=$(e2e_rss_kb "$ALERTS_PID")
fds1=$(open_files "$ALERTS_PID")
_e2e_log "after everything: RSS ${rss1} KiB, ${fds1} open files"
# AddressSanitizer holds freed memory back in quarantine, so only a plain build
# can show the bound.
# (Not `ldd | grep -q`: grep ends at the first match, ldd may then die of
# SIGPIPE, and pipefail turns the match into a miss.)
if ((E2E_WINDOWS == 0)) && [[ $(ldd "$ALERTS_BIN_DIR/alerts") == *libasan* ]]; then
    _e2e_log "sanitized build: memory not compared"
else
    ((rss1 - rss0 < 20480)) || e2e_fail "memory grew from ${rss0} KiB to ${rss1} KiB"
fi
((fds1 <= fds0 + 2)) || e2e_fail "open files grew from ${fds0} to ${fds1}"
e2e_screenshot flood
e2e_stop_alerts
