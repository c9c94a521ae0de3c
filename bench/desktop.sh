#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The benchmarks that need a real desktop, run by scripts/bench on the end-to-end
# harness's private desktop (Xvfb, openbox, trayer) in a network namespace of
# its own, where `announce --silent` holds port 4500:
#   start-up to the main window mapped, steady memory, idle CPU and wake-ups,
#   each against bench/minimal_tray; the popup's rise; and the CPU of one alert
#   against the minimal program gliding a window of the popup's size.
# Prints table rows ("row" and "note" lines, tab-separated) on standard output.
#
# Environment: ALERTS_BIN_DIR (the Release build's bin/), ALERTS_BENCH_IDLE_SECONDS
# (default 60), ALERTS_BENCH_STARTUP_RUNS (default 10); ALERTS_BENCH_WINDOWS_DIR (a
# folder holding alerts.exe and minimal_tray.exe: the start-up rows under Wine too);
# ALERTS_BENCH_STARTUP_ONLY (start-up rows alone), ALERTS_BENCH_WINDOWS_ONLY (the
# Windows rows alone), ALERTS_BENCH_ALERT_ONLY (the alert rows alone);
# ALERTS_BENCH_ALERT_RUNS (alerts counted, default 3).
source "$(dirname "$0")/../tests/e2e/lib.sh"
e2e_init

IDLE_SECONDS=${ALERTS_BENCH_IDLE_SECONDS:-60}
STARTUP_RUNS=${ALERTS_BENCH_STARTUP_RUNS:-10}
ALERT_RUNS=${ALERTS_BENCH_ALERT_RUNS:-3}
RESOLUTION=1280x1024
MAIN_TITLE='Zuded Orazaviz'
MINIMAL_TITLE='Minimal Tray'
MINIMAL=$ALERTS_BIN_DIR/minimal_tray

row() { printf 'row\t%s\t%s\t%s\t%s\t%s\n' "$@"; }
note() { printf 'note\t%s\n' "$*"; }
calc() { awk "BEGIN { print $1 }"; }
median() {
    sort -g | awk '{ v[NR] = $1 }
        END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# --- figures from /proc ----------------------------------------------------------

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
# utime + stime of the whole process, in clock ticks (after the command's closing paren).
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
# Time on the CPU of the threads alive now, in nanoseconds: exact, unlike the ticks.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.0f", s }'; }
# Voluntary context switches of the threads alive now: each is a thread going
# to sleep, so each is one wake-up to come.
wakeups() {
    cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches:/ { s += $2 } END { print s }'
}

# cpu_count PID : from now on, the process's time on the CPU, every thread of it
# counted (those started later, and those that end, too): perf's task clock,
# attached before this returns. cpu_counted : stops it; milliseconds.
cpu_count() {
    CPU_COUNTED=$E2E_TMP/task-clock.txt
    perf stat -e task-clock -x , -p "$1" -o "$CPU_COUNTED" 2>>"$E2E_TMP/perf.log" &
    CPU_COUNTER=$!
    e2e_wait 10 counting
}
counting() { [[ $(ls -l "/proc/$CPU_COUNTER/fd" 2>/dev/null) == *perf_event* ]]; }
cpu_counted() {
    kill -INT "$CPU_COUNTER"
    wait "$CPU_COUNTER" || true
    awk -F , '$3 == "task-clock" { print $1 }' "$CPU_COUNTED"
}

# Whether the window of that exact name is mapped (viewable). xwininfo is the
# lightest poll at hand: xdotool takes about twice as long to start.
visible() { [[ $(xwininfo -name "$1" 2>/dev/null) == *"Map State: IsViewable"* ]]; }
gone() { ! xwininfo -name "$1" >/dev/null 2>&1; }

# Nothing is ever written to this fifo: reading it with a time-out is a sleep
# that forks nothing, so the poll stays as tight as it can be.
mkfifo "$E2E_TMP/pause"
exec {PAUSE_FD}<>"$E2E_TMP/pause"

# start_once TITLE COMMAND...: "MS POLLS", the milliseconds from the start of the
# process to its window being mapped, and how many polls came back empty.
start_once() {
    local title=$1 start end pid polls=0
    shift
    gone "$title" || e2e_fail "a window named $title is up already"
    # Started directly, not through the harness's wrappers, which would add
    # their own start-up to the figure; stopped here.
    start=$EPOCHREALTIME
    "$@" >>"$E2E_TMP/startup.log" 2>&1 &
    pid=$!
    until visible "$title"; do
        polls=$((polls + 1))
        ((polls < 5000)) || e2e_fail "$* never mapped its window"
        read -rt 0.002 -u "$PAUSE_FD" || true
    done
    end=$EPOCHREALTIME
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    e2e_wait 10 gone "$title"
    awk -v s="$start" -v e="$end" -v p="$polls" 'BEGIN { printf "%.3f %d\n", (e - s) * 1000, p }'
}

# bench_startup LABEL OURS MINIMAL: each a command (word-split), started in turns.
bench_startup() {
    local label=$1
    local -a ours_cmd minimal_cmd ours=() minimal=()
    read -ra ours_cmd <<<"$2"
    read -ra minimal_cmd <<<"$3"
    local run ms polls total_ms=0 total_polls=0
    # One start of each to warm the file cache, not counted.
    start_once "$MAIN_TITLE" "${ours_cmd[@]}" >/dev/null
    start_once "$MINIMAL_TITLE" "${minimal_cmd[@]}" >/dev/null
    local result
    for ((run = 0; run < STARTUP_RUNS; run++)); do
        result=$(start_once "$MAIN_TITLE" "${ours_cmd[@]}")
        read -r ms polls <<<"$result"
        ours+=("$ms")
        total_ms=$(calc "$total_ms + $ms") total_polls=$((total_polls + polls + 1))
        result=$(start_once "$MINIMAL_TITLE" "${minimal_cmd[@]}")
        read -r ms polls <<<"$result"
        minimal+=("$ms")
        total_ms=$(calc "$total_ms + $ms") total_polls=$((total_polls + polls + 1))
    done
    row "start-up to main window mapped$label (median of $STARTUP_RUNS)" \
        "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${minimal[@]}" | median)" \
        ms lower
    note "start-up$label: process start to the main window viewable, xwininfo polled every" \
        "$(awk -v t="$total_ms" -v p="$total_polls" 'BEGIN { printf "%.1f", t / p }') ms on average (the figure's resolution)," \
        "on Xvfb $RESOLUTION with openbox and trayer; runs: ours ${ours[*]}; minimal ${minimal[*]}"
}

# The Windows programs under Wine, on the same desk: both from one folder (the
# installed program's, with the minimal program copied in beside it), so they
# load the same DLLs and plugins. A persistent wineserver, with Wine's own
# desktop process already up, leaves the programs' own start-up to be timed.
wine_session_start() {
    export WINEPREFIX=$E2E_TMP/wine
    source "$(dirname "${BASH_SOURCE[0]}")/../tests/wine/wine-env.sh"
    wine_prepare_prefix
    wineserver -w # the prefix's first server, then one that stays
    wineserver -p
    "$WINELOADER" cmd /c exit >/dev/null 2>&1 # explorer.exe and the services up
}
wine_session_stop() { wineserver -k || true; }

bench_startup_windows() {
    local dir=$1
    wine_session_start
    bench_startup ", Windows under Wine" "$WINELOADER $dir/alerts.exe" \
        "$WINELOADER $dir/minimal_tray.exe"
    note "Windows: $(basename "$dir") built with the cross Qt, Wine $("$WINELOADER" --version)"
    wine_session_stop
}

bench_idle() {
    # A fresh announcer, whose log holds none of the start-ups' comings and goings.
    e2e_stop_announce
    e2e_start_announce --silent
    e2e_start_alerts
    e2e_wait_announce_log '^client connected 1$' 15
    _e2e_spawn "$MINIMAL" >>"$E2E_TMP/minimal.log" 2>&1
    local minimal_pid=$E2E_SPAWNED_PID
    e2e_wait 10 visible "$MINIMAL_TITLE"
    sleep 5

    local pids=("$ALERTS_PID" "$minimal_pid") rss=() ticks0=() ticks1=() ns0=() ns1=() wake0=() wake1=()
    local i
    for i in 0 1; do
        rss[i]=$(rss_kib "${pids[i]}")
        ticks0[i]=$(cpu_ticks "${pids[i]}") ns0[i]=$(cpu_ns "${pids[i]}") wake0[i]=$(wakeups "${pids[i]}")
    done
    sleep "$IDLE_SECONDS"
    for i in 0 1; do
        ticks1[i]=$(cpu_ticks "${pids[i]}") ns1[i]=$(cpu_ns "${pids[i]}") wake1[i]=$(wakeups "${pids[i]}")
    done
    e2e_alerts_alive || e2e_fail "the program ended while idle"
    ! grep -q '^client disconnected' "$E2E_ANNOUNCE_LOG" || e2e_fail "the program lost its connection while idle"

    local hz
    hz=$(getconf CLK_TCK)
    row "steady RSS, idle (ours connected)" "$(calc "${rss[0]} / 1024")" "$(calc "${rss[1]} / 1024")" \
        MiB lower
    row "idle CPU over $IDLE_SECONDS s, utime+stime" \
        "$(calc "100 * (${ticks1[0]} - ${ticks0[0]}) / $hz / $IDLE_SECONDS")" \
        "$(calc "100 * (${ticks1[1]} - ${ticks0[1]}) / $hz / $IDLE_SECONDS")" "% of a core" lower
    row "idle CPU over $IDLE_SECONDS s, schedstat" \
        "$(calc "100 * (${ns1[0]} - ${ns0[0]}) / 1e9 / $IDLE_SECONDS")" \
        "$(calc "100 * (${ns1[1]} - ${ns0[1]}) / 1e9 / $IDLE_SECONDS")" "% of a core" lower
    row "idle wake-ups (voluntary ctx switches)" \
        "$(calc "(${wake1[0]} - ${wake0[0]}) / $IDLE_SECONDS")" \
        "$(calc "(${wake1[1]} - ${wake0[1]}) / $IDLE_SECONDS")" /s lower
    note "idle: both programs side by side, from 5 s after start for $IDLE_SECONDS s;" \
        "utime+stime counts whole ticks of 1/$hz s; schedstat and wake-ups (voluntary" \
        "context switches) are summed over the threads alive at both readings"

    _e2e_stop_group "$minimal_pid" 2
    e2e_stop_alerts
}

bench_rise() {
    "$ALERTS_BIN_DIR/bench_rise" 5 2>>"$E2E_TMP/rise.log" ||
        e2e_fail "bench_rise failed"
    note "popup rise: real window under Xvfb (xcb) with openbox, median of 5 rises"
}

# --- one alert -------------------------------------------------------------------

# glided WID : waits until the window has left its parked place below the screen
# and come back to it: one glide up and down, polled every 50 ms.
glided() {
    local top risen=0 i
    for ((i = 0; i < 400; i++)); do
        top=$(xwininfo -id "$1" 2>/dev/null | awk '/Absolute upper-left Y:/ { print $NF }')
        if [[ $top != "${RESOLUTION#*x}" ]]; then
            risen=1
        elif ((risen)); then
            return 0
        fi
        read -rt 0.05 -u "$PAUSE_FD" || true
    done
    e2e_fail "window $1 did not glide up and back"
}
popup_up() { [[ -n $(e2e_popup_window) ]]; }

# bench_alert LABEL OURS MINIMAL : each a command (word-split). The CPU of one
# alert of ours (connected, "Both Alerts": the record, the rise, the hold, the
# fall and the siren), against the minimal program gliding its window of the
# popup's size 61 steps up and 61 down (--glide), each program alone on the desk.
# The first alert loads the popup and the sound, and is not counted.
bench_alert() {
    local label=$1 pid wid
    local -a ours_cmd minimal_cmd ours=() minimal=()
    read -ra ours_cmd <<<"$2"
    read -ra minimal_cmd <<<"$3"
    e2e_stop_announce
    e2e_start_announce
    _e2e_spawn "${ours_cmd[@]}" >>"$E2E_TMP/alert.log" 2>&1
    pid=$E2E_SPAWNED_PID
    e2e_wait_announce_log '^client connected 1$' 90
    sleep 2
    cpu_count "$pid"
    e2e_announce "player7|Chess|Hall 2"
    e2e_wait 10 popup_up
    wid=$(e2e_popup_window)
    glided "$wid"
    local first
    first=$(cpu_counted)
    # counted_glides ARRAY PAUSE_S [CMD...] : ALERT_RUNS glides of $wid, each
    # after PAUSE_S idle, counted from before CMD (which starts it) to its end;
    # perf now and then ends without a count, and that glide is repeated.
    counted_glides() {
        local -n into=$1
        local pause=$2
        shift 2
        local figure tries=0 run
        for ((run = 0; run < ALERT_RUNS; run++)); do
            ((++tries <= 2 * ALERT_RUNS)) || e2e_fail "perf counted nothing"
            sleep "$pause"
            cpu_count "$pid"
            (($# == 0)) || "$@"
            glided "$wid"
            figure=$(cpu_counted)
            [[ -n $figure ]] && into+=("$figure") || run=$((run - 1))
        done
    }
    announce_alert() { e2e_announce "player7|Chess|Hall 2"; }
    counted_glides ours 1 announce_alert
    _e2e_stop_group "$pid" 3

    # A glide every 9 s: one whole glide from the end of one to the end of the next.
    _e2e_spawn "${minimal_cmd[@]}" --glide 9 >>"$E2E_TMP/alert.log" 2>&1
    pid=$E2E_SPAWNED_PID
    e2e_wait 90 popup_up
    wid=$(e2e_popup_window)
    glided "$wid"
    counted_glides minimal 0
    _e2e_stop_group "$pid" 3

    row "one alert: CPU of rise, hold, fall, siren$label (median of $ALERT_RUNS)" \
        "$(printf '%s\n' "${ours[@]}" | median)" "$(printf '%s\n' "${minimal[@]}" | median)" \
        ms lower
    note "one alert$label: the time on the CPU of all the program's threads (perf's task clock)," \
        "from before the record is sent to the popup parked again, its 122 moves and the" \
        "siren; the first alert (the popup and the sound loaded) ${first} ms, not counted;" \
        "the baseline: minimal_tray --glide, a 185x121 window moved the same 122 steps" \
        "16 ms apart with a 5 s hold, from the end of one glide to the end of the next;" \
        "runs: ours ${ours[*]}; minimal ${minimal[*]}"
}

export QT_QPA_PLATFORM=xcb
# A desktop session's runtime folder is a tmpfs (/run/user/UID), where the
# single-instance lock costs no disk write; the harness's own lies on disk.
XDG_RUNTIME_DIR=/dev/shm/$(basename "$E2E_TMP")
mkdir -m 700 "$XDG_RUNTIME_DIR"
e2e_start_x --size "$RESOLUTION"
e2e_start_announce --silent
alert_only=${ALERTS_BENCH_ALERT_ONLY:-}
if [[ -z ${ALERTS_BENCH_WINDOWS_ONLY:-} && -z $alert_only ]]; then
    bench_startup "" "$ALERTS_BIN_DIR/alerts" "$MINIMAL"
    if [[ -z ${ALERTS_BENCH_STARTUP_ONLY:-} ]]; then
        bench_idle
        bench_rise
    fi
fi
if [[ -n ${ALERTS_BENCH_WINDOWS_DIR:-} && -z $alert_only ]]; then
    bench_startup_windows "$ALERTS_BENCH_WINDOWS_DIR"
fi
# Last, with the sound server up: the rows above run without one.
if [[ -z ${ALERTS_BENCH_STARTUP_ONLY:-} ]]; then
    e2e_start_sound
    [[ -n ${ALERTS_BENCH_WINDOWS_ONLY:-} ]] ||
        bench_alert "" "$ALERTS_BIN_DIR/alerts" "$MINIMAL"
    if [[ -n ${ALERTS_BENCH_WINDOWS_DIR:-} ]]; then
        wine_session_start
        dir=$ALERTS_BENCH_WINDOWS_DIR
        bench_alert ", Windows under Wine" "$WINELOADER $dir/alerts.exe" \
            "$WINELOADER $dir/minimal_tray.exe"
        wine_session_stop
    fi
fi
rm -rf "$XDG_RUNTIME_DIR"
