#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# How soon the program is back after a sleep, run by scripts/bench on the
# end-to-end harness's private desktop in a network namespace of its own.
#
# Each run drops the program's connection silently (nftables drops its packets
# both ways: no FIN, no RST), as a suspend does when a NAT entry expires or the
# server drops the connection meanwhile, and times until the connection label
# reads "Connected!" on a new connection:
#   ours      the program's wall clock jumps an hour ahead at the drop (libfaketime;
#             its monotonic clock runs on), which is what a wake looks like to it;
#   baseline  no jump: the program can only learn of the dead path from keepalive.
# The two take turns. Prints table rows ("row" and "note" lines, tab-separated).
#
# Environment: ALERTS_BIN_DIR (the Release build's bin/), ALERTS_BENCH_WAKE_RUNS
# (default 3).
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_init

RUNS=${ALERTS_BENCH_WAKE_RUNS:-3}

row() { printf 'row\t%s\t%s\t%s\t%s\t%s\n' "$@"; }
note() { printf 'note\t%s\n' "$*"; }
median() {
    sort -g | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

connections() { _e2e_announce_count '^client connected'; }
connected_anew() { (($(connections) > $1)) && e2e_label_is 'Connected!'; }

# back_after JUMP_S TIMEOUT_S : drops the connection and moves the wall clock;
# sets BACK_S to the seconds until "Connected!" shows on a new connection.
back_after() {
    local before start
    e2e_blackhole_connection 4500
    before=$(connections)
    (($1 == 0)) || e2e_jump_wall_clock "$1"
    start=$(_e2e_now_ms)
    e2e_wait "$2" connected_anew "$before"
    BACK_S=$(awk -v ms=$(($(_e2e_now_ms) - start)) 'BEGIN { printf "%.2f", ms / 1000 }')
}

e2e_start_x
e2e_start_session_bus
e2e_start_accessibility
e2e_start_announce --silent
e2e_start_alerts_faketime
e2e_wait 15 connected_anew 0

ours=() keepalive=()
for ((run = 0; run < RUNS; run++)); do
    back_after 3600 15
    ours+=("$BACK_S")
    back_after 0 120
    keepalive+=("$BACK_S")
    echo "bench: wake run $((run + 1)): ${ours[-1]} s, keepalive alone ${keepalive[-1]} s" >&2
done
e2e_stop_announce
sent=$(grep -h '^client disconnected' "$E2E_TMP"/announce*.log | grep -v ' received 0$' || true)
[[ -z $sent ]] || e2e_fail "the program sent bytes to the server: $sent"
e2e_stop_alerts

row "simulated wake -> \"Connected!\" (median of $RUNS)" \
    "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${keepalive[@]}" | median)" \
    s lower
note "wake: the connection dropped silently a moment after the start or a reconnect," \
    "so a moment after a watchdog tick: ours is close to its worst case, one watchdog" \
    "period; the baseline (no clock jump) waits for keepalive (30 s idle, 3 probes 10 s" \
    "apart) and the next tick; label read through AT-SPI, about every 0.15 s." \
    "Runs: ours ${ours[*]} s; baseline ${keepalive[*]} s"
