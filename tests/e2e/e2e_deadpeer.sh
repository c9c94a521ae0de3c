#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A server that vanishes without closing: its host goes off the network with the
# connection open. Keepalive probes end the dead connection, the watchdog says
# "Disconnected" and starts over, and once the host is back the program connects
# to it again.
#
# The server runs in a network namespace of its own behind a veth pair, and
# "localhost" is pointed at it for this test alone (a private /etc/hosts in a
# mount namespace of the test's own), since the program's host is fixed.

if [[ -z ${E2E_DEADPEER_MOUNTS:-} ]]; then
    export E2E_DEADPEER_MOUNTS=1
    exec unshare -m --propagation private -- bash "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_init

# Keepalive ends the dead connection after 30 s of silence and 3 probes 10 s apart;
# on Windows the program sets the silence and the pace (SIO_KEEPALIVE_VALS) and the
# system sends 10 probes, as it does here with this namespace's count at Windows'.
dead_by=75
if ((E2E_WINDOWS)); then
    sysctl -q -w net.ipv4.tcp_keepalive_probes=10
    dead_by=145
fi

e2e_start_server_host
ip addr add "$E2E_CLIENT_IP/24" dev alerts-c
ip link set alerts-c up
server_ip=$E2E_SERVER_IP

e2e_start_announce --silent
e2e_start_x
e2e_start_alerts
e2e_wait_announce_log '^client connected 1' 15

established() { ss -tn state established "( dport = :4500 )" | grep -q "$server_ip:4500"; }
keepalive_armed() { ss -tno state established "( dport = :4500 )" | grep -q 'timer:(keepalive'; }
reconnecting() { ss -tn state syn-sent "( dport = :4500 )" | grep -q "$server_ip:4500"; }
e2e_wait 2 established
e2e_wait 2 keepalive_armed
e2e_screenshot connected "$ALERTS_WID"

# Pull the plug on the server's side: no FIN, no RST ever reaches the program.
e2e_on_host ip link set alerts-s down
cut=$(_e2e_now_ms)
e2e_within "$dead_by" bash -c "! ss -tn state established '( dport = :4500 )' | grep -q '$server_ip:4500'"
dead_after=$((($(_e2e_now_ms) - cut) / 1000))
_e2e_log "the dead connection ended after ${dead_after}s"
# The watchdog's next tick shows "Disconnected" and starts a new attempt.
e2e_wait 12 reconnecting
shown_after=$((($(_e2e_now_ms) - cut) / 1000))
_e2e_log "reconnecting after ${shown_after}s"
((shown_after <= dead_by)) || e2e_fail "the dead server was noticed only after ${shown_after}s"
e2e_screenshot disconnected "$ALERTS_WID"
e2e_alerts_alive || e2e_fail "the program died"

# The host comes back, its server restarted (it knows nothing of the old connection).
e2e_stop_announce
grep -q 'received 0' "$E2E_TMP"/announce.*.log "$E2E_TMP/announce.log" 2>/dev/null ||
    _e2e_log "(the old connection never reported its close: the path was down)"
e2e_start_announce --silent
e2e_on_host ip link set alerts-s up
e2e_wait 15 established
e2e_wait_announce_log '^client connected 1' 5
e2e_screenshot reconnected "$ALERTS_WID"

e2e_stop_announce
if grep -E '^client disconnected' "$E2E_TMP/announce.log" | grep -vq 'received 0'; then
    e2e_fail "the program sent bytes to the server"
fi
e2e_stop_alerts
