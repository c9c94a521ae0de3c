#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Back within one watchdog period after a sleep, and at once when the network
# comes back. Each time the connection's path has died silently (its packets are
# dropped, no FIN or RST ever arrives), so the socket still reads "connected" and
# keepalive alone would take about 70 s to notice.
#
#   sleep:    the program's wall clock jumps an hour ahead while its monotonic
#             clock runs on (libfaketime), which is what a wake looks like;
#   network:  NetworkManager, on a system bus of the test's own, takes the
#             program's link down and brings it back: Qt's NetworkManager
#             backend reports the network online again.
#
# The server runs in a network namespace of its own behind a veth pair, and
# "localhost" is pointed at it for this test alone.

if [[ -z ${E2E_WAKE_MOUNTS:-} ]]; then
    export E2E_WAKE_MOUNTS=1
    exec unshare -m --propagation private -- bash "$0" "$@"
fi
source "$(dirname "$0")/lib.sh"
e2e_init

server_ip=$E2E_SERVER_IP
client_ip=$E2E_CLIENT_IP
WATCHDOG_LIMIT_S=11 # one watchdog period, and room for a slow machine
AT_ONCE_LIMIT_S=3

# --- the server's host, behind a veth pair -------------------------------------
e2e_start_server_host

# --- NetworkManager on a system bus of the test's own -----------------------------
# A fresh /run hides the machine's system bus; a read-only sysfs of this
# namespace shows NetworkManager this namespace's links and no udev to wait for.
mount -t tmpfs -o mode=755 e2e-run /run
mount -t sysfs -o ro e2e-sys /sys
mkdir -p "$E2E_TMP/nm/etc/system-connections" "$E2E_TMP/nm/lib"
mount --bind "$E2E_TMP/nm/etc" /etc/NetworkManager
mount --bind "$E2E_TMP/nm/lib" /var/lib/NetworkManager
e2e_start_system_bus
cat >/etc/NetworkManager/NetworkManager.conf <<EOC
[main]
plugins=keyfile
auth-polkit=false
dns=none
rc-manager=unmanaged
hostname-mode=none
no-auto-default=*
[connectivity]
enabled=false
EOC
cat >/etc/NetworkManager/system-connections/e2e.nmconnection <<EOC
[connection]
id=e2e
type=ethernet
interface-name=alerts-c
[ipv4]
method=manual
address1=$client_ip/24,$server_ip
[ipv6]
method=disabled
EOC
chmod 600 /etc/NetworkManager/system-connections/e2e.nmconnection
_e2e_spawn NetworkManager --debug >"$E2E_TMP/networkmanager.log" 2>&1
nm_state() { [[ $(nmcli -t -f STATE general) == "$1" ]]; }
e2e_wait 20 nm_state connected

# --- the desktop, the server and the program --------------------------------------
e2e_start_x
e2e_start_session_bus
e2e_start_accessibility
e2e_start_announce --silent
e2e_start_alerts_faketime
connections() { _e2e_announce_count '^client connected'; }
connected_anew() { (($(connections) > $1)) && e2e_label_is 'Connected!'; }
e2e_wait 15 connected_anew 0
e2e_screenshot connected "$ALERTS_WID"

# since_ms START : milliseconds since START (a value of _e2e_now_ms).
since_ms() { echo $(($(_e2e_now_ms) - $1)); }

# --- a sleep -------------------------------------------------------------------------
e2e_blackhole_connection 4500
dead=$E2E_BLACKHOLED_PORT
before=$(connections)
e2e_established 4500 "$dead" || e2e_fail "the dead connection ended by itself"
e2e_jump_wall_clock 3600
woke=$(_e2e_now_ms)
e2e_within "$WATCHDOG_LIMIT_S" connected_anew "$before"
_e2e_log "after the wake: \"Connected!\" on a new connection in $(since_ms "$woke") ms"
e2e_screenshot after-sleep "$ALERTS_WID"
! e2e_established 4500 "$dead" || e2e_fail "the dead connection was kept beside the new one"

# --- the network goes and comes back (NetworkManager) ---------------------------------
e2e_blackhole_connection 4500
dead=$E2E_BLACKHOLED_PORT
nmcli device disconnect alerts-c >/dev/null
e2e_wait 10 nm_state disconnected
# Still "connected" to the socket: neither the watchdog nor keepalive will act.
e2e_established 4500 "$dead" || e2e_fail "the dead connection ended by itself"
e2e_label_is 'Connected!' || e2e_fail "the label changed before the network came back"
before=$(connections)
nmcli connection up e2e >/dev/null
online=$(_e2e_now_ms)
e2e_within "$AT_ONCE_LIMIT_S" connected_anew "$before"
_e2e_log "network back: \"Connected!\" on a new connection in $(since_ms "$online") ms"
! e2e_established 4500 "$dead" || e2e_fail "the dead connection was kept beside the new one"

# Nothing was ever sent to the server, on any of the connections.
e2e_stop_announce
sent=$(grep -h '^client disconnected' "$E2E_TMP"/announce*.log | grep -v ' received 0$' || true)
[[ -z $sent ]] || e2e_fail "the program sent bytes to the server: $sent"
e2e_alerts_alive || e2e_fail "the program died"
e2e_stop_alerts
