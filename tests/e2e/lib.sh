# SPDX-License-Identifier: MIT
# End-to-end test harness: a private desktop (Xvfb, openbox, trayer), a private
# PulseAudio with a null sink, the announcer and the real program, all inside a
# network namespace of the test's own so that port 4500 is the test's alone.
#
# A test script begins with:
#     source "$(dirname "$0")/lib.sh"; e2e_init
# Everything started through this file is stopped when the script exits.
#
# Environment: ALERTS_BIN_DIR (the build's bin/, holding alerts and announce),
# E2E_OUT (screenshots and recordings; kept), E2E_TMP (private scratch; removed).
# ALERTS_LAUNCHER, when set, is what starts the program instead of the build's
# alerts (tests/wine/alerts.sh: the Windows program under Wine); then
# E2E_WINDOWS=1, and e2e_linux_only ends a script where the rest of it is about
# Linux alone.

# Positional parameters of the sourcing script, for the re-run inside the namespace.
E2E_SCRIPT=$(readlink -f "$0")
E2E_SCRIPT_ARGS=("$@")
E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_PYTHON=/usr/bin/python3
[[ -x $E2E_PYTHON ]] || E2E_PYTHON=python3

# The bell the window system rings when the program falls back to the default
# alert sound: PulseAudio plays this tone for it, away from the siren's tones.
E2E_BELL_HZ=1500

E2E_PIDS=()          # process groups to stop, in start order
E2E_ANNOUNCE_PID=""
E2E_ANNOUNCE_FD=""
E2E_RECORD_PID=""
E2E_PULSE_PID=""
E2E_BELL_HEARD=1 # the X bell sounds on the sound server (e2e_start_sound)
ALERTS_PID=""
ALERTS_WID=""
E2E_WINDOWS=0
[[ -z ${ALERTS_LAUNCHER:-} ]] || E2E_WINDOWS=1
# Starting the program can take this long: Wine's first start makes its prefix
# and installs the program.
E2E_START_S=10
((E2E_WINDOWS == 0)) || E2E_START_S=90
# The program's tray icon inside trayer, by its WM_CLASS: under Wine, Wine's
# explorer.exe docks every program's icon.
E2E_TRAY_CLASS='("alerts" "Alert")'
((E2E_WINDOWS == 0)) || E2E_TRAY_CLASS='("explorer.exe" "explorer.exe")'

_e2e_log() { printf 'e2e: %s\n' "$*" >&2; }

# --- life cycle --------------------------------------------------------------

# e2e_init [--host-network] : the option keeps the machine's own network (for
# the demo, which must reach and be reached on this machine).
e2e_init() {
    set -Euo pipefail
    local netns=1
    [[ ${1:-} == --host-network ]] && netns=0
    if ((netns)) && [[ -z ${E2E_IN_NETNS:-} ]]; then
        export E2E_IN_NETNS=1
        # Root can make the namespace directly; others map themselves to root first.
        # The full desktops need a /run of their own as well (e2e_start_desk).
        local -a ns=(-n)
        [[ ${E2E_DESK:-} != @(plasma|gnome)-* ]] || ns+=(-m --propagation private)
        if unshare "${ns[@]}" true 2>/dev/null; then
            exec unshare "${ns[@]}" -- bash "$E2E_SCRIPT" "${E2E_SCRIPT_ARGS[@]}"
        fi
        exec unshare -r "${ns[@]}" -- bash "$E2E_SCRIPT" "${E2E_SCRIPT_ARGS[@]}"
    fi
    if ((netns)); then
        ip link set lo up || e2e_fail "cannot bring up loopback in the test's network namespace"
    fi

    : "${ALERTS_BIN_DIR:?ALERTS_BIN_DIR must name the bin directory of a build}"
    E2E_NAME=$(basename "$E2E_SCRIPT" .sh)
    E2E_OUT=${E2E_OUT:-$PWD/e2e-out/$E2E_NAME}
    mkdir -p "$E2E_OUT"
    E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/alerts-e2e.XXXXXX")
    export E2E_OUT E2E_TMP
    # Keep the program and the tools away from the user's own settings.
    export HOME=$E2E_TMP/home XDG_RUNTIME_DIR=$E2E_TMP/run XDG_CONFIG_HOME=$E2E_TMP/config
    mkdir -p "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
    chmod 700 "$XDG_RUNTIME_DIR"
    # A fresh Wine prefix for each test; the launcher makes it.
    ((E2E_WINDOWS == 0)) || export WINEPREFIX=$E2E_TMP/wine
    unset DISPLAY WAYLAND_DISPLAY SESSION_MANAGER
    # No session bus and no sound server unless started here: nothing may
    # autolaunch one that would outlive the test.
    export DBUS_SESSION_BUS_ADDRESS=unix:path=$E2E_TMP/no-session-bus
    # Nor the machine's system bus: its NetworkManager would tell the program of
    # the machine's network, not the test's.
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$E2E_TMP/no-system-bus
    printf 'autospawn = no\n' >"$E2E_TMP/pulse-client.conf"
    export PULSE_CLIENTCONFIG=$E2E_TMP/pulse-client.conf PULSE_SERVER=unix:$E2E_TMP/no-sound-server

    trap '_e2e_cleanup' EXIT
    trap 'exit 143' TERM
    trap 'exit 130' INT
    trap '_e2e_on_error "$LINENO" "$BASH_COMMAND"' ERR
    _e2e_log "$E2E_NAME: scratch $E2E_TMP, output $E2E_OUT"
    _e2e_watch_hang
}

# CTest kills a walk that outlives its limit (E2E_TIME_LIMIT, seconds) without a
# word of where it stood: shortly before, the walk's own processes and the usual
# diagnostics say what it was waiting on.
_e2e_watch_hang() {
    ((${E2E_TIME_LIMIT:-0} > 30)) || return 0
    local walk=$BASHPID
    (
        trap - ERR EXIT
        set +e
        # Stopped at the end of a walk like the rest, the sleep with it.
        sleep $((E2E_TIME_LIMIT - 15)) &
        trap 'kill $! 2>/dev/null; exit 0' TERM
        wait $!
        _e2e_log "still running $((E2E_TIME_LIMIT - 15)) s in; its processes:"
        pstree -a -p "$walk" >&2
        _e2e_diagnostics "the time limit is near"
    ) &
    E2E_PIDS+=("$!")
}

# e2e_linux_only REASON : under Wine, the script passes here; what follows is
# about Linux alone.
e2e_linux_only() {
    ((E2E_WINDOWS)) || return 0
    _e2e_log "$E2E_NAME: the rest is not for Windows: $*"
    exit 0
}

# The command that starts the program: the launcher, or the build's program.
e2e_alerts_program() { echo "${ALERTS_LAUNCHER:-$ALERTS_BIN_DIR/alerts}"; }

_e2e_on_error() {
    e2e_fail "command failed at line $1: $2"
}

# Runs a command in the background in a process group of its own, killed with
# the harness even if the harness itself is killed. Sets E2E_SPAWNED_PID.
# Redirections are given by the caller around the call; "<&0" keeps bash from
# giving a background command /dev/null for its input.
_e2e_spawn() {
    if [[ -n $E2E_ANNOUNCE_FD ]]; then
        # The announcer's input stays ours alone.
        setsid setpriv --pdeathsig KILL -- "$@" <&0 {E2E_ANNOUNCE_FD}>&- &
    else
        setsid setpriv --pdeathsig KILL -- "$@" <&0 &
    fi
    E2E_SPAWNED_PID=$!
    E2E_PIDS+=("$E2E_SPAWNED_PID")
}

_e2e_alive() {
    local pid=$1 state
    [[ -n $pid ]] || return 1
    state=$(ps -o stat= -p "$pid" 2>/dev/null) || return 1
    [[ -n $state && $state != Z* ]]
}

# _e2e_wait_gone PID SECONDS : gives a process that long to end; never fails.
_e2e_wait_gone() {
    local i
    for ((i = 0; i < $2 * 20; i++)); do
        _e2e_alive "$1" || return 0
        sleep 0.05
    done
}

# Stops one spawned process group: TERM, then KILL after a grace period.
_e2e_stop_group() {
    local pid=$1 grace=${2:-3}
    kill -TERM -- "-$pid" 2>/dev/null || kill -TERM "$pid" 2>/dev/null || true
    _e2e_wait_gone "$pid" "$grace"
    kill -KILL -- "-$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    _e2e_forget "$pid"
}

# Takes a process group off the list of those to stop at the end.
_e2e_forget() {
    local -a rest=()
    local p
    for p in "${E2E_PIDS[@]}"; do
        [[ $p == "$1" ]] || rest+=("$p")
    done
    E2E_PIDS=("${rest[@]}")
}

_e2e_cleanup() {
    local status=$?
    trap - ERR EXIT
    set +e
    if ((status != 0)) && [[ -z ${E2E_FAILED:-} ]]; then
        _e2e_diagnostics "exit status $status"
    fi
    if [[ -n $E2E_ANNOUNCE_FD ]]; then
        exec {E2E_ANNOUNCE_FD}>&-
        E2E_ANNOUNCE_FD=""
    fi
    local i
    for ((i = ${#E2E_PIDS[@]} - 1; i >= 0; i--)); do
        _e2e_stop_group "${E2E_PIDS[i]}" 2
    done
    # Wine's server for the prefix outlives the program by a few seconds.
    if ((E2E_WINDOWS)) && [[ -d ${WINEPREFIX:-} ]]; then
        wineserver -k 2>/dev/null
        wineserver -w 2>/dev/null
    fi
    if [[ -n ${E2E_TMP:-} && -d $E2E_TMP ]]; then
        cp "$E2E_TMP"/*.log "$E2E_OUT"/ 2>/dev/null
        rm -rf "$E2E_TMP"
    fi
    if ((status == 0)); then
        _e2e_log "$E2E_NAME: PASS"
    else
        _e2e_log "$E2E_NAME: FAIL (logs in $E2E_OUT)"
    fi
    exit "$status"
}

# --- checks ------------------------------------------------------------------

_e2e_diagnostics() {
    _e2e_log "---- diagnostics: $* ----"
    # The program's and the walk's own logs first; the desk's (its servers, shell and
    # recorders) last and shorter: where a log is cut, the head is what stays.
    local log desk=()
    for log in "$E2E_TMP"/*.log; do
        [[ -s $log ]] || continue
        case ${log##*/} in
        xvfb* | dbus* | system-bus* | trayer* | openbox* | gnome-shell* | sway* | plasmashell* | kwin* | \
            pulse* | xfce4-panel* | waybar* | foot* | moves*) desk+=("$log") ;;
        *) _e2e_tail "$log" 15 ;;
        esac
    done
    if [[ -n $ALERTS_PID ]]; then
        if _e2e_alive "$ALERTS_PID"; then
            _e2e_log "alerts (pid $ALERTS_PID) is running"
        else
            _e2e_log "alerts (pid $ALERTS_PID) is not running"
        fi
    fi
    # A popup's way, in the X server's reports: where it turned or paused, and when.
    if [[ -n ${POPUP:-} && -s ${E2E_MOVES_LOG:-} ]]; then
        _e2e_log "-- the popup's moves where they turned or paused (time x y):"
        e2e_window_moves "$POPUP" --timed | awk '
            {s[NR] = $1; y[NR] = $3; t[NR] = $0}
            END {for (i = 1; i <= NR; i++)
                     if (i == 1 || i == NR || (y[i] - y[i - 1]) * (y[i + 1] - y[i]) < 0 ||
                         s[i + 1] - s[i] > 0.5 || s[i] - s[i - 1] > 0.5) print "    " t[i]}' >&2
    fi
    if [[ -n ${DISPLAY:-} ]]; then
        _e2e_log "-- windows:"
        xwininfo -root -tree 2>/dev/null | grep -E '^\s+0x' | grep -v 'has no name' |
            head -n 20 | sed 's/^/    /' >&2 || true
    fi
    # The desk's own display where it has one (a Wayland desk's XWayland shows little).
    if { [[ -n ${SWAYSOCK:-} ]] && grim "$E2E_OUT/failure.png" 2>/dev/null; } ||
        { [[ -n ${DISPLAY:-} ]] && DISPLAY=${E2E_SHOT_DISPLAY:-$DISPLAY} import -window root "$E2E_OUT/failure.png" 2>/dev/null; }; then
        _e2e_log "screenshot: $E2E_OUT/failure.png"
    fi
    for log in "${desk[@]}"; do
        _e2e_tail "$log" 8
    done
}
_e2e_tail() {
    _e2e_log "-- tail of ${1##*/}:"
    tail -n "$2" "$1" | sed 's/^/    /' >&2
}

e2e_fail() {
    E2E_FAILED=1
    # A walk that defines e2e_state has it named on the FAIL line, which a cut log
    # still shows (once: a failure inside e2e_state names nothing more).
    local state=
    if [[ -z ${E2E_FAILING:-} ]] && declare -F e2e_state >/dev/null; then
        state="; $(E2E_FAILING=1 e2e_state 2>&1 | paste -sd ';' -)"
    fi
    _e2e_log "FAIL: $*$state"
    _e2e_diagnostics "$*"
    exit 1
}

e2e_assert_eq() {
    [[ $1 == "$2" ]] || e2e_fail "${3:-values differ}: expected '$2', got '$1'"
}

_e2e_now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }

# e2e_wait TIMEOUT_S CMD... : polls CMD every 50 ms until it succeeds. The time
# bounds a failure only, so it is stretched by E2E_WAIT_SCALE (default 3): on a busy
# machine a process starts, or a window is drawn, seconds late without anything
# being wrong. A wait that measures the program's own pace is e2e_within.
e2e_wait() {
    local timeout
    timeout=$(awk -v t="$1" -v s="${E2E_WAIT_SCALE:-3}" 'BEGIN {print t * s}')
    shift
    e2e_within "$timeout" "$@"
}

# e2e_within TIMEOUT_S CMD... : as e2e_wait, held to TIMEOUT_S; a miss names the
# machine's load, which may be what made it late.
e2e_within() {
    local timeout=$1
    shift
    local whole=${timeout%%.*} frac=${timeout#*.}
    [[ $timeout == *.* ]] || frac=0
    frac=${frac}000
    local deadline=$(($(_e2e_now_ms) + ${whole:-0} * 1000 + 10#${frac:0:3}))
    while true; do
        "$@" >/dev/null 2>&1 && return 0
        (($(_e2e_now_ms) < deadline)) || break
        sleep 0.05
    done
    e2e_fail "timed out after ${timeout}s waiting for: $* (load average $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores)"
}

# --- processes ---------------------------------------------------------------

e2e_rss_kb() { awk '/^VmRSS:/ {print $2}' "/proc/$1/status"; }
e2e_fd_count() { find "/proc/$1/fd" -mindepth 1 -maxdepth 1 | wc -l; }

# --- the desktop -------------------------------------------------------------

_e2e_x_up() { xdpyinfo >/dev/null 2>&1; }
_e2e_selection_owned() { "$E2E_PYTHON" "$E2E_LIB_DIR/xselection.py" "$1" >/dev/null; }

# Wine's session (its explorer.exe, which holds the tray icons) stays on the
# display it started on: a new desk gets a new session.
e2e_new_wine_session() {
    if ((E2E_WINDOWS)) && [[ -d $WINEPREFIX ]]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
    fi
}

# e2e_start_x [--no-wm] [--no-tray] [--size WxH] [--below WxH]
# --below: a second screen under the primary one (--size), left edges aligned, as a
# laptop under its monitor. Xvfb cannot describe one to RandR, so that desk runs on
# Xorg's dummy driver: its output is the primary screen, and the rest of a taller
# framebuffer is made a second monitor.
e2e_start_x() {
    local wm=1 tray=1 size=1024x768 below=""
    while (($#)); do
        case $1 in
        --no-wm) wm=0 ;;
        --no-tray) tray=0 ;;
        --size) size=$2; shift ;;
        --below) below=$2; shift ;;
        *) e2e_fail "e2e_start_x: unknown option $1" ;;
        esac
        shift
    done
    [[ $size == *x*x* ]] || size+=x24

    e2e_new_wine_session
    local displayfile=$E2E_TMP/display server=Xvfb
    local w=${size%%x*} h=${size#*x} bw=${below%x*} bh=${below#*x}
    h=${h%%x*}
    : >"$displayfile"
    # -displayfd picks a free display and tells us which once it is ready.
    if [[ -n $below ]]; then
        server=Xorg
        _e2e_xorg_conf "$w" $((h + bh)) >"$E2E_TMP/xorg.conf"
        _e2e_spawn Xorg -displayfd 3 -config "$E2E_TMP/xorg.conf" -logfile "$E2E_TMP/xorg.log" \
            -nolisten tcp -noreset -novtswitch -sharevts -keeptty \
            3>"$displayfile" >"$E2E_TMP/xorg.out" 2>&1
    else
        _e2e_spawn Xvfb -displayfd 3 -screen 0 "$size" -dpi 96 -nolisten tcp -noreset \
            3>"$displayfile" >"$E2E_TMP/xvfb.log" 2>&1
    fi
    local xserver=$E2E_SPAWNED_PID
    e2e_wait 10 grep -q '^[0-9]' "$displayfile"
    export DISPLAY=:$(head -n1 "$displayfile")
    e2e_wait 10 _e2e_x_up
    _e2e_alive "$xserver" || e2e_fail "$server died"
    if [[ -n $below ]]; then
        xrandr --output DUMMY0 --mode "${w}x$h" --primary
        xrandr --fb "${w}x$((h + bh))"
        # Sizes in millimetres at 96 dpi, as a real monitor reports them.
        xrandr --setmonitor below "$bw/$((bw * 254 / 960))x$bh/$((bh * 254 / 960))+0+$h" none
        xrandr --listmonitors >"$E2E_TMP/monitors.log"
    fi
    _e2e_log "X display $DISPLAY ($size${below:+, $below below})"

    if ((wm)); then
        _e2e_spawn openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1
        e2e_wait 10 _e2e_selection_owned WM_S0
    fi
    if ((tray)); then
        # At the top edge: the popup rises at the bottom right and must not meet it.
        # Under Wine the panel does not grow as the icon docks: Wine may keep the
        # panel's size from before (its explorer.exe window for it stays 2 pixels
        # wide), and then neither draws the icon nor takes clicks on it.
        local width=(--widthtype request)
        ((E2E_WINDOWS == 0)) || width=(--widthtype pixel --width 24)
        _e2e_spawn trayer --edge top --align right "${width[@]}" --height 24 \
            --SetDockType true --SetPartialStrut true >"$E2E_TMP/trayer.log" 2>&1
        e2e_wait 10 _e2e_selection_owned _NET_SYSTEM_TRAY_S0
    fi
    if [[ -n $E2E_PULSE_PID ]]; then
        _e2e_load_bell
    fi
}

# _e2e_xorg_conf WIDTH HEIGHT : the dummy driver's desk for e2e_start_x --below,
# a framebuffer of that size and no input devices.
_e2e_xorg_conf() {
    cat <<EOF
Section "ServerFlags"
    Option "AutoAddDevices" "false"
    Option "AutoEnableDevices" "false"
    Option "DontVTSwitch" "true"
EndSection
Section "Device"
    Identifier "dummy"
    Driver "dummy"
    VideoRam 65536
EndSection
Section "Monitor"
    Identifier "monitor"
    HorizSync 5.0 - 1000.0
    VertRefresh 5.0 - 200.0
EndSection
Section "Screen"
    Identifier "screen"
    Device "dummy"
    Monitor "monitor"
    DefaultDepth 24
    SubSection "Display"
        Depth 24
        Virtual $1 $2
    EndSubSection
EndSection
EOF
}

# Given no window, import waits for one to be picked with the mouse, for ever: a
# window id that came out empty (a window gone, a tree read that raced) must fail.
import() {
    local arg prev=""
    for arg; do
        [[ $prev != -window || -n $arg ]] || { echo "import: no window given" >&2; return 1; }
        prev=$arg
    done
    command import "$@"
}

# e2e_screenshot NAME [WID] : the whole screen, or one window.
e2e_screenshot() {
    local out=$E2E_OUT/$1.png
    if [[ -n ${2:-} ]]; then
        import -window "$2" "$out"
    else
        import -window root "$out"
    fi
    _e2e_log "screenshot: $out"
}

# e2e_window_geometry WID : "X Y W H" of the window (its client area), absolute.
e2e_window_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ {x=$NF}
        /Absolute upper-left Y:/ {y=$NF}
        /^ *Width:/ {w=$NF}
        /^ *Height:/ {h=$NF}
        END {print x, y, w, h}'
}

# The window manager lists the window: it has a taskbar entry.
e2e_in_taskbar() { xprop -root _NET_CLIENT_LIST | grep -qi "$(printf '0x%x' "$1")"; }
e2e_not_in_taskbar() { ! e2e_in_taskbar "$1"; }

e2e_map_state() { xwininfo -id "$1" 2>/dev/null | awk '/Map State:/ {print $3}'; }
e2e_is_mapped() { [[ $(e2e_map_state "$1") == IsViewable ]]; }
e2e_is_unmapped() { [[ $(e2e_map_state "$1") == IsUnMapped ]]; }

# The window shows more than a black rectangle: it has painted itself.
e2e_painted() {
    import -window "$1" "$E2E_TMP/painted.png" &&
        e2e_gt "$(convert "$E2E_TMP/painted.png" -format '%[fx:mean]' info:)" 0.3
}

# The popups on screen (the 185 x 121 top-level windows, or of the size given for
# a scaled screen), and the first of them.
e2e_popups() { xwininfo -root -children | awk -v size=" ${1:-185x121}" 'index($0, size "+") || index($0, size "-") {print $1}'; }
e2e_popup_window() { e2e_popups | head -n1; }

# e2e_record_moves : from now on, every move of every top-level window as the X
# server reports it, each line stamped with the time it came in. The popup places
# itself (override-redirect), so each of its steps is one configure event. xev
# ends with the X server. Returns once xev is listening: on a busy machine it can
# start after the program's first windows, whose events it would then miss.
e2e_record_moves() {
    E2E_MOVES_LOG=$E2E_TMP/moves${DISPLAY#:}.log
    : >"$E2E_MOVES_LOG"
    stdbuf -oL xev -root -event substructure -event property 2>/dev/null |
        while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$E2E_MOVES_LOG" &
    e2e_wait 30 _e2e_moves_heard
}
# A change of a root property of the test's own, heard once xev listens.
_e2e_moves_heard() {
    xprop -root -f _E2E_PROBE 32c -set _E2E_PROBE 1 && grep -q '(_E2E_PROBE)' "$E2E_MOVES_LOG"
}

# e2e_window_moves WID [--timed] : "x y" for each move of the window, in order;
# with --timed, "seconds x y". Only since the window was made: the X server hands
# a destroyed window's id out again (Wine's short-lived windows are such).
e2e_window_moves() {
    awk -v id="window $1," -v timed="${2:-}" '
        { time = $1; sub(/^[^ ]* /, "") }
        /^CreateNotify/ { created = 1; pending = 0; next }
        /^ConfigureNotify/ { pending = 1; created = 0; next }
        created && index($0, id) { n = 0 }
        pending && index($0, id) {
            match($0, /\(-?[0-9]+,-?[0-9]+\)/)
            place = substr($0, RSTART + 1, RLENGTH - 2)
            sub(",", " ", place)
            moves[++n] = (timed == "--timed" ? time " " : "") place
        }
        { pending = 0; created = 0 }
        END { for (i = 1; i <= n; i++) print moves[i] }' "$E2E_MOVES_LOG"
}

# e2e_click WID X Y : left click at client coordinates of a window.
e2e_click() {
    local x y w h
    read -r x y w h < <(e2e_window_geometry "$1")
    xdotool mousemove --sync $((x + $2)) $((y + $3)) click 1
}

# --- a Wayland desk ------------------------------------------------------------------

# e2e_start_wayland [--scale S] : sway headless without XWayland, one output of
# 1280x1024 at scale S, grim for screenshots. Sets WAYLAND_DISPLAY and SWAYSOCK, and
# no DISPLAY.
e2e_start_wayland() {
    local scale=1
    [[ ${1:-} != --scale ]] || { scale=$2; shift 2; }
    unset DISPLAY
    printf '%s\n' 'xwayland disable' 'default_border none' 'default_floating_border none' >"$E2E_TMP/sway.conf"
    _e2e_spawn env WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
        WLR_HEADLESS_OUTPUTS=0 sway -c "$E2E_TMP/sway.conf" >"$E2E_TMP/sway.log" 2>&1
    export SWAYSOCK=$XDG_RUNTIME_DIR/sway-ipc.$EUID.$E2E_SPAWNED_PID.sock
    e2e_wait 10 swaymsg -t get_version
    export WAYLAND_DISPLAY=$(basename "$(compgen -G "$XDG_RUNTIME_DIR/wayland-*[0-9]")")
    swaymsg -q create_output
    swaymsg -q output HEADLESS-1 mode 1280x1024 scale "$scale"
}

# e2e_start_waybar : waybar's tray on the Wayland desk, a StatusNotifierItem host
# (e2e_start_session_bus first).
e2e_start_waybar() {
    echo '{"modules-right": ["tray"]}' >"$E2E_TMP/waybar.json"
    _e2e_spawn waybar -c "$E2E_TMP/waybar.json" >"$E2E_TMP/waybar.log" 2>&1
}

# e2e_wl_has CRITERIA : sway has such a window ('app_id=foot con_id=__focused__').
e2e_wl_has() { swaymsg -q "[$1] nop" 2>/dev/null; }

# e2e_wl_changed BEFORE AFTER : where two screenshots differ, "WxH+X+Y" (0x0 for nowhere).
e2e_wl_changed() { convert "$1" "$2" -compose difference -composite -format '%@' info: 2>/dev/null; }

# e2e_wl_margins : "TIME-MS MARGIN" of each bottom margin the program asked for (its trace).
e2e_wl_margins() {
    sed -n 's/^\[ *\([0-9.]*\)\].*layer_surface_v1[#@][0-9]*\.set_margin(0, 0, \([-0-9]*\),.*/\1 \2/p' "$E2E_TMP/alerts.log"
}

# --- KDE Plasma and GNOME Shell -------------------------------------------------------

# e2e_start_desk DESK : one of the desktops most people run, from Debian's archive as
# a user has it, on one 1280x1024 screen, its tray host up: plasma-x11 (kwin_x11 and
# plasmashell on Xvfb), plasma-wayland (kwin_wayland drawn into an Xvfb window, with
# XWayland; plasmashell), gnome-x11 (gnome-shell --x11 on Xvfb), gnome-wayland
# (gnome-shell headless, its own Xwayland), each GNOME with the AppIndicator
# extension, and gnome-x11-noext without it. The program comes through X11 on every
# one of them: DISPLAY is the desk's X server. Starts the session bus (and GNOME's
# system bus). Sets E2E_SHOT_DISPLAY, the X server whose root shows the whole desk
# (unset on gnome-wayland: e2e_desk_screenshot asks the shell).
e2e_start_desk() {
    E2E_DESK_NAME=$1
    # A fresh /run: what the root's systemd left there makes the shells look for
    # logind. The X sockets' folder is shared by every user, as on a real system.
    mount -t tmpfs -o mode=755 e2e-run /run
    mkdir -p -m 1777 /tmp/.X11-unix
    # E2E_XDG_DATA_DIR: a share folder of programs installed for the walk.
    export XDG_SESSION_TYPE=x11 XDG_DATA_DIRS=${E2E_XDG_DATA_DIR:+$E2E_XDG_DATA_DIR:}/usr/local/share:/usr/share
    export QT_QPA_PLATFORMTHEME= GSETTINGS_BACKEND=keyfile
    case $1 in
    # (The menu prefix names the desktop's menu, which lists its programs.)
    plasma-*) export XDG_CURRENT_DESKTOP=KDE KDE_FULL_SESSION=true KDE_SESSION_VERSION=6 XDG_MENU_PREFIX=plasma- ;;
    gnome-*) export XDG_CURRENT_DESKTOP=GNOME ;;
    *) e2e_fail "e2e_start_desk: unknown desk $1" ;;
    esac
    e2e_start_session_bus
    case $1 in
    plasma-x11) _e2e_start_plasma_x11 ;;
    plasma-wayland) _e2e_start_plasma_wayland ;;
    gnome-*) _e2e_start_gnome "$1" ;;
    esac
    E2E_SHOT_DISPLAY=${E2E_SHOT_DISPLAY-$DISPLAY}
    _e2e_log "desk $1 up: DISPLAY=$DISPLAY${WAYLAND_DISPLAY:+ WAYLAND_DISPLAY=$WAYLAND_DISPLAY}"
    # The program is given the Wayland session (e2e_start_alerts); the harness looks
    # at the desk through X11 alone.
    E2E_DESK_WAYLAND=${WAYLAND_DISPLAY:-}
    unset WAYLAND_DISPLAY
}

# The Xvfb the desk runs on, or draws into; no window manager of ours.
_e2e_desk_xvfb() { e2e_start_x --no-wm --no-tray --size 1280x1024; }

_e2e_plasma_shell() {
    # Plasma's own services find the session through the activation environment.
    # KRunner among them starts programs: it finds them as plasmashell does.
    dbus-update-activation-environment DISPLAY ${WAYLAND_DISPLAY:+WAYLAND_DISPLAY} \
        XDG_CURRENT_DESKTOP KDE_FULL_SESSION KDE_SESSION_VERSION XDG_SESSION_TYPE \
        XDG_MENU_PREFIX XDG_DATA_DIRS PATH
    _e2e_spawn plasmashell --no-respawn >"$E2E_TMP/plasmashell.log" 2>&1
    # The tray host comes 8 to 13 s after the shell starts; a program started before
    # the watcher sees no tray.
    e2e_wait 60 _e2e_sni_host_up
}

_e2e_start_plasma_x11() {
    _e2e_desk_xvfb
    _e2e_spawn kwin_x11 --replace >"$E2E_TMP/kwin.log" 2>&1
    e2e_wait 30 _e2e_selection_owned WM_S0
    _e2e_plasma_shell
}

_e2e_start_plasma_wayland() {
    _e2e_desk_xvfb
    E2E_SHOT_DISPLAY=$DISPLAY
    export XDG_SESSION_TYPE=wayland KWIN_WAYLAND_NO_PERMISSION_CHECKS=1
    _e2e_spawn kwin_wayland --x11-display "$DISPLAY" --xwayland --socket wayland-e2e \
        --width 1280 --height 1024 >"$E2E_TMP/kwin.log" 2>&1
    local kwin=$E2E_SPAWNED_PID
    export WAYLAND_DISPLAY=wayland-e2e
    e2e_wait 30 test -S "$XDG_RUNTIME_DIR/wayland-e2e"
    # KWin listens on the first free X display itself and starts Xwayland when the
    # first client comes.
    _e2e_kwin_xwayland() {
        ss -xlpH | grep "pid=$kwin," | grep -o -m1 '/tmp/.X11-unix/X[0-9]*' | sed 's|.*/X|:|'
    }
    _e2e_kwin_listens() { [[ -n $(_e2e_kwin_xwayland) ]]; }
    e2e_wait 30 _e2e_kwin_listens
    export DISPLAY=$(_e2e_kwin_xwayland)
    e2e_wait 30 _e2e_x_up
    QT_QPA_PLATFORM=wayland _e2e_plasma_shell
}

# e2e_start_system_bus : a private system bus, open to all on it; the services a
# test starts (NetworkManager, a desktop shell) want one to be there.
e2e_start_system_bus() {
    cat >"$E2E_TMP/system-bus.conf" <<EOC
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$E2E_TMP/system-bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/><allow own="*"/><allow send_destination="*"/><allow receive_sender="*"/>
  </policy>
</busconfig>
EOC
    _e2e_spawn dbus-daemon --config-file="$E2E_TMP/system-bus.conf" --nofork --nopidfile \
        >"$E2E_TMP/system-bus.log" 2>&1
    export DBUS_SYSTEM_BUS_ADDRESS=unix:path=$E2E_TMP/system-bus
    e2e_wait 10 dbus-send --system --dest=org.freedesktop.DBus --type=method_call --print-reply \
        /org/freedesktop/DBus org.freedesktop.DBus.GetId
}

_e2e_start_gnome() {
    # A system bus of its own, empty: the shell wants one to be there.
    e2e_start_system_bus
    # The user's settings: the extension on (or not), no hot corner for the pointer
    # to wander into, no banner (the shell's own, for a session as root) to come and
    # go while the walks compare pictures.
    local extensions="['ubuntu-appindicators@ubuntu.com']"
    [[ $1 != *-noext ]] || extensions="@as []"
    mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
    cat >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile" <<EOC
[org/gnome/shell]
enabled-extensions=$extensions
disable-user-extensions=false
welcome-dialog-last-shown-version='999'
[org/gnome/desktop/interface]
enable-hot-corners=false
[org/gnome/desktop/notifications]
show-banners=false
[org/gnome/mutter]
experimental-features=@as []
EOC
    if [[ $1 == gnome-wayland ]]; then
        export XDG_SESSION_TYPE=wayland
        unset DISPLAY
        _e2e_spawn gnome-shell --headless --wayland --virtual-monitor 1280x1024 \
            >"$E2E_TMP/gnome-shell.log" 2>&1
        e2e_wait 60 _e2e_shell_up
        # It names its Wayland socket and the X display of its Xwayland in its log.
        _e2e_gnome_said() { grep -q "$1" "$E2E_TMP/gnome-shell.log"; }
        e2e_wait 30 _e2e_gnome_said "Using public X11 display"
        export WAYLAND_DISPLAY=$(sed -n "s/.*Using Wayland display name '\([^']*\)'.*/\1/p" "$E2E_TMP/gnome-shell.log" | head -n1)
        export DISPLAY=$(sed -n 's/.*Using public X11 display \(:[0-9]*\).*/\1/p' "$E2E_TMP/gnome-shell.log" | head -n1)
        # Its Xwayland lets in who holds the key mutter wrote.
        export XAUTHORITY=$(compgen -G "$XDG_RUNTIME_DIR/.mutter-Xwaylandauth.*" | head -n1)
        e2e_wait 30 _e2e_x_up
        E2E_SHOT_DISPLAY=""
    else
        _e2e_desk_xvfb
        _e2e_spawn gnome-shell --x11 --replace >"$E2E_TMP/gnome-shell.log" 2>&1
        e2e_wait 60 _e2e_shell_up
    fi
    # It starts in the overview.
    "$E2E_PYTHON" "$E2E_LIB_DIR/gnome_shell.py" leave-overview
    [[ $1 == *-noext ]] || e2e_wait 30 _e2e_sni_host_up
}
_e2e_shell_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.gnome.Shell | grep -q 'boolean true'
}
_e2e_sni_host_up() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered 2>/dev/null | grep -q 'boolean true'
}

# e2e_desk_grab FILE : the whole desk, as its user sees it, in FILE (of any format
# ImageMagick writes; MIFF is the quickest to write and read back).
e2e_desk_grab() {
    if [[ -n ${E2E_SHOT_DISPLAY:-} ]]; then
        DISPLAY=$E2E_SHOT_DISPLAY import -window root "$1"
    elif [[ $1 == *.png ]]; then
        "$E2E_PYTHON" "$E2E_LIB_DIR/gnome_shell.py" screenshot "$1"
    else
        "$E2E_PYTHON" "$E2E_LIB_DIR/gnome_shell.py" screenshot "$E2E_TMP/desk-grab.png" &&
            convert "$E2E_TMP/desk-grab.png" "$1"
    fi
}

# e2e_desk_screenshot NAME : the whole desk, kept with the test's output.
e2e_desk_screenshot() {
    e2e_desk_grab "$E2E_OUT/$1.png"
    _e2e_log "screenshot: $E2E_OUT/$1.png"
}

# e2e_start_session_bus : a private D-Bus session bus for this test alone; the
# programs started after it (tray hosts, accessibility, the program) meet there.
e2e_start_session_bus() {
    local address=unix:path=$E2E_TMP/session-bus
    _e2e_spawn dbus-daemon --session --nofork --nopidfile --address="$address" \
        >"$E2E_TMP/dbus.log" 2>&1
    export DBUS_SESSION_BUS_ADDRESS=$address
    e2e_wait 10 dbus-send --session --dest=org.freedesktop.DBus --type=method_call \
        --print-reply /org/freedesktop/DBus org.freedesktop.DBus.GetId
}

# --- sound -------------------------------------------------------------------

_e2e_pulse_up() { pactl info >/dev/null 2>&1; }

e2e_start_sound() {
    if [[ ${E2E_SOUND_SERVER:-pulseaudio} == pipewire ]]; then
        _e2e_start_pipewire
        return
    fi
    local dir=$E2E_TMP/pulse
    mkdir -p "$dir/state"
    cat >"$dir/e2e.pa" <<EOF
load-module module-native-protocol-unix socket=$dir/native auth-anonymous=1
load-module module-null-sink sink_name=e2e rate=44100 channels=2
set-default-sink e2e
EOF
    export PULSE_RUNTIME_PATH=$dir PULSE_STATE_PATH=$dir/state PULSE_SERVER=unix:$dir/native
    export PULSE_COOKIE=$dir/cookie
    _e2e_spawn pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no --system=no --log-target=stderr -F "$dir/e2e.pa" \
        >"$E2E_TMP/pulse.log" 2>&1
    E2E_PULSE_PID=$E2E_SPAWNED_PID
    e2e_wait 10 _e2e_pulse_up
    if [[ -n ${DISPLAY:-} ]]; then
        _e2e_load_bell
    fi
}

# E2E_SOUND_SERVER=pipewire: PipeWire, WirePlumber and PipeWire's PulseAudio server,
# as the desktops of Debian 13 run them, in one process group, with the same null
# sink; PulseAudio's own clients (pactl, parec, the program) reach it unchanged.
_e2e_start_pipewire() {
    mkdir -p "$XDG_RUNTIME_DIR/pulse" "$E2E_TMP/pulse"
    printf 'autospawn = no\n' >"$E2E_TMP/pulse/client.conf"
    export PULSE_CLIENTCONFIG=$E2E_TMP/pulse/client.conf
    export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse/native
    # A server ended before leaves its sockets behind: not taken for the new one's.
    rm -f "$XDG_RUNTIME_DIR"/pipewire-0* "$XDG_RUNTIME_DIR/pulse/native"
    # At the priority a desktop's session gives it (PipeWire asks rtkit for nice
    # -11 and more): at the harness's own, a busy machine starved its graph and
    # left holes of 20 to 40 ms in a 0.18 s sound. (Where that is not allowed,
    # nice says so and runs it as it is.)
    # shellcheck disable=SC2016
    _e2e_spawn nice -n -11 env -u PULSE_SERVER bash -c 'pipewire & until [[ -S $XDG_RUNTIME_DIR/pipewire-0 ]]; do
            sleep 0.05; done; wireplumber & exec pipewire-pulse' >>"$E2E_TMP/pulse.log" 2>&1
    E2E_PULSE_PID=$E2E_SPAWNED_PID
    e2e_wait 10 _e2e_pulse_up
    pactl load-module module-null-sink sink_name=e2e rate=44100 channels=2 >/dev/null
    # The sink's node comes up a moment after the module.
    e2e_wait 10 eval 'pactl set-default-sink e2e && [[ $(pactl get-default-sink) == e2e ]]'
    # PipeWire's server has no module-x11-bell: the X bell is not heard on it.
    E2E_BELL_HEARD=0
}

# e2e_stop_sound : the sound server ends, as in a crash or an upgrade.
e2e_stop_sound() {
    _e2e_stop_group "$E2E_PULSE_PID" 3
    e2e_wait 5 eval '! _e2e_pulse_up'
}

# The window system's bell, which is the program's fallback sound, becomes a
# tone on the null sink, so that a test can hear it.
_e2e_load_bell() {
    local bell=$E2E_TMP/pulse/bell.wav
    sox -n -r 44100 -c 1 -b 16 "$bell" synth 0.3 sine "$E2E_BELL_HZ" vol 0.5
    pactl upload-sample "$bell" e2e-bell
    pactl load-module module-x11-bell display="$DISPLAY" sample=e2e-bell >/dev/null
}

_e2e_file_bigger() { (($(stat -c %s "$1" 2>/dev/null || echo 0) > $2)); }

# e2e_record_start FILE : records the null sink (stereo, 44.1 kHz, 16-bit WAV): a mono
# recording would read PipeWire's downmix 3 dB louder than either channel.
e2e_record_start() {
    [[ -z $E2E_RECORD_PID ]] || e2e_fail "a recording is already running"
    E2E_RECORD_FILE=$1
    rm -f "$E2E_RECORD_FILE"
    _e2e_spawn parec -d e2e.monitor --file-format=wav --format=s16le --rate=44100 \
        --channels=2 --latency-msec=20 "$E2E_RECORD_FILE" 2>>"$E2E_TMP/parec.log"
    E2E_RECORD_PID=$E2E_SPAWNED_PID
    # Under way once the monitor's silence starts to land in the file.
    e2e_wait 5 _e2e_file_bigger "$E2E_RECORD_FILE" 4096
}

e2e_record_stop() {
    [[ -n $E2E_RECORD_PID ]] || e2e_fail "no recording is running"
    # parec writes the WAV header's sizes when it is interrupted.
    kill -INT "$E2E_RECORD_PID" 2>/dev/null || true
    _e2e_wait_gone "$E2E_RECORD_PID" 3
    _e2e_stop_group "$E2E_RECORD_PID" 1
    E2E_RECORD_PID=""
}

# e2e_sound_rms FILE [START_S] [LEN_S] : RMS amplitude, 0..1 of full scale.
e2e_sound_rms() {
    local -a trim=()
    [[ -n ${2:-} ]] && trim=(trim "$2" ${3:+"$3"})
    sox "$1" -n "${trim[@]}" stat 2>&1 | awk '/^RMS +amplitude:/ {print $3}'
}

# e2e_sound_peak FILE : the largest sample's amplitude (0..1).
e2e_sound_peak() { sox "$1" -n stat 2>&1 | awk '/^Maximum amplitude:/ {print $3}'; }

# e2e_sound_onsets FILE [THRESHOLD] [MIN_GAP_S] : seconds where sound starts after silence.
e2e_sound_onsets() { "$E2E_PYTHON" "$E2E_LIB_DIR/wavtool.py" onsets "$@"; }
# e2e_sound_spans FILE [THRESHOLD] [MIN_GAP_S] : "START END" of each stretch of sound.
e2e_sound_spans() { "$E2E_PYTHON" "$E2E_LIB_DIR/wavtool.py" spans "$@"; }
# e2e_sound_tone FILE HZ [START_S] [LEN_S] : amplitude of one frequency (0..1).
e2e_sound_tone() { "$E2E_PYTHON" "$E2E_LIB_DIR/wavtool.py" tone "$@"; }

# e2e_record_pos : seconds recorded so far by the running recording.
e2e_record_pos() { "$E2E_PYTHON" "$E2E_LIB_DIR/wavtool.py" duration "$E2E_RECORD_FILE"; }

# The siren's two tones (tools/make-siren).
E2E_SIREN_LOW_HZ=660
E2E_SIREN_HIGH_HZ=990

# e2e_siren_heard FILE : both tones of the siren are in the recording, the bell is not.
e2e_siren_heard() {
    local low high bell
    low=$(e2e_sound_tone "$1" $E2E_SIREN_LOW_HZ)
    high=$(e2e_sound_tone "$1" $E2E_SIREN_HIGH_HZ)
    bell=$(e2e_sound_tone "$1" "$E2E_BELL_HZ")
    _e2e_log "tones in $(basename "$1"): ${E2E_SIREN_LOW_HZ}Hz $low, ${E2E_SIREN_HIGH_HZ}Hz $high, bell $bell"
    e2e_gt "$low" 0.02 && e2e_gt "$high" 0.02 && e2e_gt 0.005 "$bell"
}

_e2e_heard_since() { [[ -n $(e2e_sound_spans "$E2E_RECORD_FILE" 0.01 0.02 "$1") ]]; }
_e2e_recorded_past() { e2e_gt "$(e2e_record_pos)" "$1"; }
_e2e_quiet_after_sound() {
    local last now
    last=$(e2e_sound_spans "$E2E_RECORD_FILE" 0.01 0.02 "$1" | tail -n1)
    [[ -n $last ]] || return 1
    now=$(e2e_record_pos)
    e2e_gt "$now" "$(awk -v e="${last#* }" -v q="$2" 'BEGIN {print e + q}')"
}

# e2e_wait_sound SINCE_S [TIMEOUT_S] : waits until the running recording holds
# sound that starts at or after SINCE_S (a value of e2e_record_pos).
e2e_wait_sound() { e2e_wait "${2:-5}" _e2e_heard_since "$1"; }

# e2e_wait_sound_end SINCE_S [QUIET_S] [TIMEOUT_S] : waits until the sound heard
# since SINCE_S has been followed by QUIET_S (default 0.3) seconds of silence.
e2e_wait_sound_end() { e2e_wait "${3:-10}" _e2e_quiet_after_sound "$1" "${2:-0.3}"; }

# e2e_wait_recorded POS_S [TIMEOUT_S] : waits until the recording is POS_S long;
# the way to listen for a while when nothing is to be heard.
e2e_wait_recorded() { e2e_wait "${2:-10}" _e2e_recorded_past "$1"; }

# e2e_gt A B : true when the decimal A is greater than B.
e2e_gt() { awk -v a="$1" -v b="$2" 'BEGIN {exit !(a > b)}'; }

# --- the announcer -----------------------------------------------------------

E2E_ANNOUNCE_LOG=""
# A command to run the announcer through, e.g. nsenter into another namespace.
E2E_ANNOUNCE_WRAP=()

_e2e_announce_count() { grep -c -E "$1" "$E2E_ANNOUNCE_LOG" 2>/dev/null || true; }

# e2e_start_announce [ARGS...] : port 4500 unless ARGS say otherwise.
e2e_start_announce() {
    [[ -z $E2E_ANNOUNCE_PID ]] || e2e_fail "the announcer is already running"
    E2E_ANNOUNCE_RUNS=$((${E2E_ANNOUNCE_RUNS:-0} + 1))
    E2E_ANNOUNCE_LOG=$E2E_TMP/announce.log
    # The log of an earlier run is kept beside, so waits only see this run.
    [[ -f $E2E_ANNOUNCE_LOG ]] && mv "$E2E_ANNOUNCE_LOG" "$E2E_TMP/announce.$((E2E_ANNOUNCE_RUNS - 1)).log"
    local fifo=$E2E_TMP/announce.$E2E_ANNOUNCE_RUNS.in
    mkfifo "$fifo"
    # Held open for reading and writing: the announcer never sees end of input,
    # and our writes never block on a reader that has not come yet.
    exec {E2E_ANNOUNCE_FD}<>"$fifo"
    _e2e_spawn "${E2E_ANNOUNCE_WRAP[@]}" "$ALERTS_BIN_DIR/announce" "$@" <"$fifo" >>"$E2E_TMP/announce.out" 2>"$E2E_ANNOUNCE_LOG"
    E2E_ANNOUNCE_PID=$E2E_SPAWNED_PID
    e2e_wait 10 grep -q -E '^(listening|error)' "$E2E_ANNOUNCE_LOG"
    grep -q '^listening' "$E2E_ANNOUNCE_LOG" || e2e_fail "the announcer did not start"
    E2E_ANNOUNCE_PORT=$(awk '/^listening/ {print $2; exit}' "$E2E_ANNOUNCE_LOG")
}

# Writes a line and waits until the announcer has acted on it; sets E2E_LAST_SENT
# to its report ("sent 30 to 1 clients").
_e2e_announce_line() {
    [[ -n $E2E_ANNOUNCE_PID ]] || e2e_fail "the announcer is not running"
    local pattern='^(sent|error|silent)' before
    before=$(_e2e_announce_count "$pattern")
    printf '%s\n' "$1" >&"$E2E_ANNOUNCE_FD"
    e2e_wait 5 _e2e_count_above "$pattern" "$before"
    E2E_LAST_SENT=$(grep -E "$pattern" "$E2E_ANNOUNCE_LOG" | tail -n1)
    [[ $E2E_LAST_SENT != error* ]] || e2e_fail "announcer: $E2E_LAST_SENT"
}
_e2e_count_above() { (($(_e2e_announce_count "$1") > $2)); }

# e2e_announce "starter|kind|place"
e2e_announce() { _e2e_announce_line "$1"; }

# e2e_announce_apart S FIRST SECOND : the announcer sends SECOND S seconds after
# FIRST, whatever this harness's pace on a busy machine; waits for both.
e2e_announce_apart() {
    local pattern='^(sent|error|silent)' before
    before=$(_e2e_announce_count "$pattern")
    printf '%s\n' "$2" >&"$E2E_ANNOUNCE_FD"
    sleep "$1"
    printf '%s\n' "$3" >&"$E2E_ANNOUNCE_FD"
    e2e_wait 5 _e2e_count_above "$pattern" $((before + 1))
    ! grep -E "$pattern" "$E2E_ANNOUNCE_LOG" | tail -n2 | grep -q '^error' || e2e_fail "announcer: an error"
}

# e2e_record_announcement FILE "starter|kind|place" [LISTEN_S] : records the sink
# while one client is sent the announcement, until the sound it caused is over; with
# LISTEN_S, not before that long after the sound began: on a busy machine the stream
# can break off for a moment, which is no end.
e2e_record_announcement() {
    e2e_record_start "$1"
    local t onset
    t=$(e2e_record_pos)
    e2e_announce "$2"
    [[ $E2E_LAST_SENT == *" to 1 clients" ]] || e2e_fail "$2: not delivered ($E2E_LAST_SENT)"
    e2e_wait_sound "$t" 5
    if [[ -n ${3:-} ]]; then
        onset=$(e2e_sound_onsets "$E2E_RECORD_FILE" 0.01 0.02 "$t" | head -n1)
        e2e_wait_recorded "$(awk -v o="$onset" -v l="$3" 'BEGIN {print o + l}')" "$(awk -v l="$3" 'BEGIN {print l + 5}')"
    fi
    e2e_wait_sound_end "$t" 0.3 10
    e2e_record_stop
}

# e2e_sounding FILE : seconds of sound in the recording, and the gaps within it
# ("SECONDS GAPS"); a stream starved by a busy machine breaks off and goes on.
e2e_sounding() { e2e_sound_spans "$1" | awk '{s += $2 - $1; n++} END {print s + 0, (n ? n - 1 : 0)}'; }

# e2e_announce_cmd "!raw HEX" | "!close" | "!reset" | "!quit"
e2e_announce_cmd() {
    if [[ $1 == '!raw'* ]]; then
        _e2e_announce_line "$1"
    else
        [[ -n $E2E_ANNOUNCE_PID ]] || e2e_fail "the announcer is not running"
        printf '%s\n' "$1" >&"$E2E_ANNOUNCE_FD"
    fi
}

# e2e_wait_announce_log PATTERN [TIMEOUT_S] : waits for an (extended regex) line.
e2e_wait_announce_log() {
    e2e_wait "${2:-10}" grep -q -E "$1" "$E2E_ANNOUNCE_LOG"
}

# e2e_wait_announce_count PATTERN N [TIMEOUT_S] : waits until N lines match.
e2e_wait_announce_count() {
    e2e_wait "${3:-10}" _e2e_count_above "$1" $(($2 - 1))
}

# Ends the announcer with !quit, so that it reports what every client sent it.
e2e_stop_announce() {
    [[ -n $E2E_ANNOUNCE_PID ]] || return 0
    printf '!quit\n' >&"$E2E_ANNOUNCE_FD" || true
    _e2e_wait_gone "$E2E_ANNOUNCE_PID" 3
    _e2e_stop_group "$E2E_ANNOUNCE_PID" 1
    E2E_ANNOUNCE_PID=""
    exec {E2E_ANNOUNCE_FD}>&-
    E2E_ANNOUNCE_FD=""
}

# --- the program ---------------------------------------------------------------

# The program's main window on screen, if it has one.
e2e_main_window() {
    local found
    if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
        ! e2e_wl_has "pid=$ALERTS_PID title=\"^Zuded Orazaviz\$\"" || echo "$ALERTS_PID"
        return
    fi
    found=$(xdotool search --all --onlyvisible --pid "$ALERTS_PID" --name '^Zuded Orazaviz$' \
        2>/dev/null) || true
    head -n1 <<<"$found"
}
e2e_main_shown() { [[ -n $(e2e_main_window) ]]; }

_e2e_find_window() {
    local wid
    wid=$(e2e_main_window)
    [[ -n $wid ]] || return 1
    ALERTS_WID=$wid
}

# e2e_start_alerts [--bin PATH] [ARGS...] : starts the program and waits for its
# main window to be mapped; sets ALERTS_PID and ALERTS_WID.
e2e_start_alerts() {
    local bin
    bin=$(e2e_alerts_program)
    if [[ ${1:-} == --bin ]]; then
        # A launcher runs the installed program whatever the build's copy.
        [[ -n ${ALERTS_LAUNCHER:-} ]] || bin=$2
        shift 2
    fi
    [[ -z $ALERTS_PID ]] || e2e_fail "the program is already running"
    E2E_ALERTS_ENV=(QT_QPA_PLATFORM=xcb)
    # On the Wayland desk the program chooses for itself (unless E2E_QT_QPA_PLATFORM
    # asks as a user may), and its requests are traced; on Plasma's and GNOME's
    # Wayland sessions it chooses for itself as well.
    [[ -z ${WAYLAND_DISPLAY:-} ]] ||
        E2E_ALERTS_ENV=(-u QT_QPA_PLATFORM ${E2E_QT_QPA_PLATFORM:+QT_QPA_PLATFORM=$E2E_QT_QPA_PLATFORM} WAYLAND_DEBUG=client)
    [[ -z ${E2E_DESK_WAYLAND:-} ]] || E2E_ALERTS_ENV=(-u QT_QPA_PLATFORM WAYLAND_DISPLAY="$E2E_DESK_WAYLAND")
    [[ -n ${DISPLAY:-}${WAYLAND_DISPLAY:-} ]] || e2e_fail "e2e_start_x first"
    _e2e_spawn env "${E2E_ALERTS_ENV[@]}" "$bin" "$@" >>"$E2E_TMP/alerts.log" 2>&1
    ALERTS_PID=$E2E_SPAWNED_PID
    ALERTS_WID=""
    local i
    for ((i = 0; i < E2E_START_S * 20; i++)); do
        _e2e_find_window && break
        _e2e_alive "$ALERTS_PID" || e2e_fail "the program exited at start"
        sleep 0.05
    done
    [[ -n $ALERTS_WID ]] || e2e_fail "the program's main window did not appear"
}

e2e_alerts_alive() { _e2e_alive "$ALERTS_PID"; }

# e2e_wait_alerts_exit [TIMEOUT_S] : waits for the program to end by itself;
# sets ALERTS_STATUS to its exit status.
e2e_wait_alerts_exit() {
    [[ -n $ALERTS_PID ]] || e2e_fail "the program is not running"
    e2e_wait "${1:-5}" _e2e_not_alive "$ALERTS_PID"
    ALERTS_STATUS=0
    wait "$ALERTS_PID" || ALERTS_STATUS=$?
    _e2e_forget "$ALERTS_PID"
    ALERTS_PID=""
    ALERTS_WID=""
}
_e2e_not_alive() { ! _e2e_alive "$1"; }

# Kills the program as a crash would: no chance to clean up after itself.
e2e_kill_alerts() {
    [[ -n $ALERTS_PID ]] || e2e_fail "the program is not running"
    kill -KILL "$ALERTS_PID"
    wait "$ALERTS_PID" 2>/dev/null || true
    _e2e_forget "$ALERTS_PID"
    ALERTS_PID=""
    ALERTS_WID=""
}

# Stops the program if it is still running; prints nothing.
e2e_stop_alerts() {
    [[ -n $ALERTS_PID ]] || return 0
    _e2e_stop_group "$ALERTS_PID" 3
    ALERTS_PID=""
    ALERTS_WID=""
}

# --- the tray and the windows it opens ----------------------------------------------

# The program's icon inside trayer's panel, if there is one.
e2e_tray_icon() {
    local tree
    tree=$(xwininfo -root -tree 2>/dev/null) || return 0
    awk -v class="$E2E_TRAY_CLASS" '
        found { next }
        /\("panel" "trayer"\)/ { match($0, /^ */); depth = RLENGTH; inside = 1; next }
        inside { match($0, /^ */); if (RLENGTH <= depth) inside = 0 }
        inside && index($0, class) { print $1; found = 1 }' <<<"$tree"
}

# Sets E2E_ICON to the icon once it is docked and, under Wine, drawn: Wine docks
# the icon before it draws it, and takes clicks only once it has. Looked up on
# every try, as the tree read races with windows coming and going.
_e2e_icon_ready() {
    local colours
    E2E_ICON=$(e2e_tray_icon)
    [[ -n $E2E_ICON ]] || return 1
    ((E2E_WINDOWS)) || return 0
    colours=$(import -window "$E2E_ICON" png:- | convert png:- -format %k info:)
    ((${colours:-0} > 2))
}

e2e_click_tray_icon() {
    local x y w h
    e2e_wait 10 _e2e_icon_ready
    read -r x y w h < <(e2e_window_geometry "$E2E_ICON")
    if ((E2E_WINDOWS)); then
        # Wine takes the click only with the button held a while.
        xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) mousedown 1 sleep 0.25 mouseup 1
    else
        xdotool mousemove --sync $((x + w / 2)) $((y + h / 2)) click 1
    fi
}

# e2e_program_popups menu|tip : the program's override-redirect windows on screen
# of that kind (the alert popup is neither).
e2e_program_popups() {
    local kind=$1 w type top info alert
    top=$(xwininfo -root -children 2>/dev/null) || return 0
    # Under Wine the alert popup has no window type of its own: known by its size.
    alert=$(e2e_popups)
    for w in $(awk '/^ +0x/ {print $1}' <<<"$top"); do
        xprop -id "$w" _NET_WM_PID 2>/dev/null | grep -q "= $ALERTS_PID\$" || continue
        ! grep -qx "$w" <<<"$alert" || continue
        info=$(xwininfo -id "$w" 2>/dev/null) || continue
        [[ $info == *'Map State: IsViewable'* && $info == *'Override Redirect State: yes'* ]] || continue
        type=$(xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null)
        case $type in
        *UTILITY*) ;;
        *TOOLTIP*) [[ $kind == tip ]] && echo "$w" ;;
        *) [[ $kind == menu ]] && echo "$w" ;;
        esac
    done
}

# e2e_point_at_line "X Y W H" LINE LINES : the pointer onto line LINE (1-based)
# of a menu of LINES lines.
e2e_point_at_line() {
    local x y w h
    read -r x y w h <<<"$1"
    xdotool mousemove --sync $((x + w / 2)) $((y + h * (2 * $2 - 1) / (2 * $3)))
}

# The About window on screen (not the submenu that has the same name).
e2e_about_window() {
    local w x y width height found
    found=$(xdotool search --all --onlyvisible --pid "$ALERTS_PID" --name '^About$' 2>/dev/null) || true
    for w in $found; do
        read -r x y width height < <(e2e_window_geometry "$w")
        if ((width == 185 && height == 114)); then
            echo "$w"
            return
        fi
    done
}

# e2e_about_still WID : the ticker has stopped once the About window's picture
# holds still for longer than a good many of its 40 ms ticks.
e2e_about_still() {
    import -window "$1" "$E2E_TMP/still-a.png"
    sleep 0.4
    import -window "$1" "$E2E_TMP/still-b.png"
    [[ $(compare -metric AE "$E2E_TMP/still-a.png" "$E2E_TMP/still-b.png" null: 2>&1) == 0 ]]
}

# e2e_text_lines IMAGE X Y W H : lines of dark text in that part of a picture,
# counted as bands of rows that hold dark pixels.
e2e_text_lines() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace Gray \
        -threshold 50% -negate -scale "1x$5!" -threshold 1% txt:- |
        awk -F'[,:]' '/^0,/ && /#FFFFFF|white/ {print $2}' |
        awk 'NR == 1 || $1 != prev + 1 {n++} {prev = $1} END {print n + 0}'
}

# e2e_stroke_width IMAGE X Y W H : the median length of the runs of dark pixels
# along the rows of that part of a picture: the width of the letters' stems, 1
# for a small regular face, 2 for its bold.
e2e_stroke_width() {
    convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace Gray -threshold 50% txt:- |
        awk -F'[,: ]+' '
            function end_run() { if (len) { runs[len]++; n++; if (len > max) max = len } len = 0 }
            NR > 1 { dark = /#000000|black/; if ($1 == 0 || !dark) end_run(); if (dark) len++ }
            END { end_run(); for (k = 1; k <= max; k++) if ((seen += runs[k]) * 2 >= n) break; print k + 0 }'
}

# --- a server on a host of its own -------------------------------------------------

E2E_SERVER_IP=10.77.0.1
E2E_CLIENT_IP=10.77.0.2
E2E_HOST_PID=""

# e2e_on_host CMD... : runs a command on the server's host.
e2e_on_host() { nsenter -t "$E2E_HOST_PID" -n -- "$@"; }

# e2e_start_server_host : the server's host, a network namespace held open by a
# sleeping process, joined to ours by a veth pair (alerts-c here, alerts-s there,
# up at $E2E_SERVER_IP on its side), with "localhost" pointed at it for this test
# alone, since the program's host is fixed. The announcer runs there. Needs a mount
# namespace of the test's own (unshare -m) for the private /etc/hosts; our side of
# the pair is left to the caller to configure.
e2e_start_server_host() {
    _e2e_spawn unshare -n -- sleep infinity
    E2E_HOST_PID=$E2E_SPAWNED_PID
    # Until unshare has run, the process is still in our namespace. (Quoted:
    # "net:[N]" unquoted would be a pattern.)
    e2e_wait 5 _e2e_host_apart
    ip link add alerts-c type veth peer name alerts-s netns "$E2E_HOST_PID"
    e2e_on_host ip link set lo up
    e2e_on_host ip addr add "$E2E_SERVER_IP/24" dev alerts-s
    e2e_on_host ip link set alerts-s up
    printf '%s localhost\n' "$E2E_SERVER_IP" >"$E2E_TMP/hosts"
    mount --bind "$E2E_TMP/hosts" /etc/hosts
    E2E_ANNOUNCE_WRAP=(nsenter -t "$E2E_HOST_PID" -n --)
}
_e2e_host_apart() { [[ $(readlink "/proc/$E2E_HOST_PID/ns/net") != "$(readlink /proc/self/ns/net)" ]]; }

# --- accessibility ---------------------------------------------------------------

# e2e_start_accessibility : the accessibility bus, reached through the session bus
# (e2e_start_session_bus first); programs started afterwards publish their
# windows on it.
e2e_start_accessibility() {
    [[ -n ${DBUS_SESSION_BUS_ADDRESS:-} && $DBUS_SESSION_BUS_ADDRESS != *no-session-bus ]] ||
        e2e_fail "e2e_start_session_bus first"
    _e2e_spawn /usr/libexec/at-spi-bus-launcher --launch-immediately >"$E2E_TMP/a11y.log" 2>&1
    e2e_wait 10 dbus-send --session --dest=org.a11y.Bus --type=method_call --print-reply \
        /org/a11y/bus org.a11y.Bus.GetAddress
    export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# e2e_connection_label : the main window's connection label, as the program
# publishes it ("Not Connected", "Connected!", "Disconnected"). Without the
# accessibility bus (under Wine, or before e2e_start_accessibility) the label is
# read off the screen (letters only), as drawn.
e2e_connection_label() {
    if ((E2E_WINDOWS)) || [[ -z ${QT_LINUX_ACCESSIBILITY_ALWAYS_ON:-} ]]; then
        import -window "$ALERTS_WID" "$E2E_TMP/label.png" &&
            convert "$E2E_TMP/label.png" -crop 105x17+48+144 +repage -colorspace Gray \
                -resize 400% "$E2E_TMP/label-big.png" &&
            tesseract "$E2E_TMP/label-big.png" - --psm 7 2>/dev/null | tr -cd 'A-Za-z'
        return
    fi
    "$E2E_PYTHON" "$E2E_LIB_DIR/a11y_labels.py" "$ALERTS_PID" 'Zuded Orazaviz'
}
e2e_label_is() {
    if ((E2E_WINDOWS)) || [[ -z ${QT_LINUX_ACCESSIBILITY_ALWAYS_ON:-} ]]; then
        [[ $(e2e_connection_label) == "${1//[^A-Za-z]/}" ]]
    else
        [[ $(e2e_connection_label) == "$1" ]]
    fi
}

# --- a silently dead path and a sleep ------------------------------------------

# e2e_blackhole_connection PORT : every packet of the program's established
# connection to PORT is dropped from now on, both ways, with no FIN or RST ever
# arriving: the socket still reads "connected", as after a suspend during which
# a NAT entry expired or the server dropped the connection. New connections pass.
e2e_blackhole_connection() {
    local port
    port=$(ss -tnHp state established "( dport = :$1 )" | grep "pid=$ALERTS_PID," |
        awk '{ n = split($3, a, ":"); print a[n]; exit }')
    [[ -n $port ]] || e2e_fail "the program has no established connection to port $1"
    if ! nft list table inet e2e_blackhole >/dev/null 2>&1; then
        nft add table inet e2e_blackhole
        nft add chain inet e2e_blackhole output '{ type filter hook output priority 0; }'
        nft add chain inet e2e_blackhole input '{ type filter hook input priority 0; }'
    fi
    nft add rule inet e2e_blackhole output tcp sport "$port" drop
    nft add rule inet e2e_blackhole input tcp dport "$port" drop
    E2E_BLACKHOLED_PORT=$port
}

# e2e_established PORT LOCAL_PORT : that connection of the program's is still open.
e2e_established() {
    ss -tnH state established "( dport = :$1 and sport = :$2 )" | grep -q .
}

E2E_WALL_OFFSET=0

# e2e_start_alerts_faketime [ARGS...] : e2e_start_alerts, with libfaketime moving
# the program's wall clock alone (its monotonic clock stays real), so that
# e2e_jump_wall_clock can show it what a suspend looks like after the wake.
e2e_start_alerts_faketime() {
    local lib preload asan
    lib=$(compgen -G '/usr/lib/*/faketime/libfaketime.so.1' | head -n1)
    [[ -n $lib ]] || e2e_fail "libfaketime is not installed"
    preload=$lib
    # A sanitized build wants its runtime first among the preloaded libraries.
    # (awk reads to the end: an early exit could cut ldd off with SIGPIPE)
    asan=$(ldd "$ALERTS_BIN_DIR/alerts" | awk '/libasan/ && !found { print $3; found = 1 }')
    [[ -z $asan ]] || preload="$asan $lib"
    E2E_FAKETIME_FILE=$E2E_TMP/faketime
    E2E_WALL_OFFSET=0
    printf '+0\n' >"$E2E_FAKETIME_FILE"
    cat >"$E2E_TMP/alerts-faketime" <<EOS
#!/bin/sh
export LD_PRELOAD="$preload" FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME_NO_CACHE=1
export FAKETIME_TIMESTAMP_FILE="$E2E_FAKETIME_FILE"
exec "$ALERTS_BIN_DIR/alerts" "\$@"
EOS
    chmod +x "$E2E_TMP/alerts-faketime"
    e2e_start_alerts --bin "$E2E_TMP/alerts-faketime" "$@"
}

# e2e_jump_wall_clock SECONDS : the program's wall clock jumps ahead.
e2e_jump_wall_clock() {
    E2E_WALL_OFFSET=$((E2E_WALL_OFFSET + $1))
    # Replaced whole: the program reads it on every clock read.
    printf '+%d\n' "$E2E_WALL_OFFSET" >"$E2E_FAKETIME_FILE.new"
    mv "$E2E_FAKETIME_FILE.new" "$E2E_FAKETIME_FILE"
}
