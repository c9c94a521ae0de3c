#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The popup follows the primary screen. On a nested X server (Xephyr) whose
# resolution changes through RandR, as when a laptop leaves its dock or a lower
# resolution is chosen: a parked popup parks again below the new bottom edge, the
# next announcement rises into the new corner, and a popup at rest moves into the
# new corner at once. With two screens side by side it rests in the primary
# screen's corner, on no other screen and in no dead space. With a screen below
# the primary one (a laptop under its monitor), that screen never sees the popup,
# parked or gliding.
source "$(dirname "$0")/lib.sh"
e2e_init

# The desk that holds the nested servers' windows.
e2e_start_x --no-wm --no-tray --size 2600x1100
HOST_DISPLAY=$DISPLAY

# start_nested ARGS... : a nested X server on a free display; DISPLAY points at it.
start_nested() {
    local displayfile=$E2E_TMP/nested-display
    e2e_new_wine_session
    : >"$displayfile"
    DISPLAY=$HOST_DISPLAY _e2e_spawn Xephyr -displayfd 3 -nolisten tcp -noreset "$@" \
        3>"$displayfile" >>"$E2E_TMP/xephyr.log" 2>&1
    e2e_wait 10 grep -q '^[0-9]' "$displayfile"
    export DISPLAY=:$(head -n1 "$displayfile")
    e2e_wait 10 _e2e_x_up
    xsetroot -solid grey50
}

screen_size() { xdpyinfo | awk '/dimensions:/ {print $2}'; }
popup_at() { # X Y
    local x y w h
    read -r x y w h < <(e2e_window_geometry "$(e2e_popup_window)")
    [[ "$x $y" == "$1 $2" ]]
}
popup_shown() { [[ -n $(e2e_popup_window) ]]; }

# first_popup_parked : the program connected, its first popup risen into the
# 1280x1024 corner and clicked back down.
first_popup_parked() {
    e2e_start_announce
    e2e_start_alerts
    e2e_wait_announce_log '^client connected 1$' 10
    e2e_announce "player7|Chess|Hall 2"
    e2e_wait 10 popup_shown
    popup=$(e2e_popup_window)
    e2e_wait 5 popup_at 1095 903
    e2e_click "$popup" 92 60
    e2e_wait 2 popup_at 1095 1024
}

# resolution W H : the nested screen changes resolution, as a desktop's display
# settings change it.
resolution() {
    xrandr -s "$1x$2" 2>/dev/null
    e2e_wait 5 screen_is "$1x$2"
}
screen_is() { [[ $(screen_size) == "$1" ]]; }

# --- one screen whose resolution changes -------------------------------------------

# Under Wine, not shown: Wine's X11 driver does not follow Xephyr's change of
# resolution (no display change reaches the Windows program; the popup stays
# below the old edge), so this part is Linux's alone.
if ((E2E_WINDOWS == 0)); then
start_nested -resizeable -screen 1280x1024
first_popup_parked

# Smaller: parked below the new bottom edge at once, and the next one rises there.
resolution 1024 768
e2e_wait 5 popup_at 839 768
e2e_announce "player8|Blitz|Hall 3"
e2e_wait 5 popup_at 839 647
e2e_screenshot smaller
e2e_click "$popup" 92 60
e2e_wait 2 popup_at 839 768

# Larger again: parked out of sight, not left standing in the middle of the screen.
resolution 1280 1024
e2e_wait 5 popup_at 1095 1024
e2e_announce "player9|Poker|Hall 4"
e2e_wait 5 popup_at 1095 903
e2e_screenshot larger

# At rest when the screen shrinks: into the new corner at once, then it falls
# below the new edge when the hold ends.
resolution 1024 768
e2e_wait 5 popup_at 839 647
e2e_wait 10 popup_at 839 768
e2e_stop_alerts
e2e_stop_announce
fi

# --- two screens side by side ------------------------------------------------------

# two_screens LEFT RIGHT PRIMARY X Y : Xephyr's Xinerama heads, described to RandR
# as two monitors (as a desktop with two displays has them); the popup rests at X Y.
two_screens() {
    local left=$1 right=$2 primary=$3
    start_nested +xinerama -screen "$left" -screen "$right"
    local second=second
    [[ $primary == right ]] && second='*second' # the star makes it the primary one
    xrandr --setmonitor "$second" "${right%x*}/300x${right#*x}/200+${left%x*}+0" none 2>/dev/null
    [[ $primary == right ]] || xrandr --output default --primary 2>/dev/null
    e2e_start_announce
    e2e_start_alerts
    e2e_wait_announce_log '^client connected 1$' 10
    e2e_announce "player7|Chess|Hall 2"
    e2e_wait 10 popup_shown
    e2e_wait 5 popup_at "$4" "$5"
    e2e_screenshot "two-screens-$primary"
    e2e_stop_alerts
    e2e_stop_announce
}
# The smaller screen is the primary one, on the left: not the desktop's far corner.
two_screens 1024x768 1280x1024 left 839 647
# The smaller screen is the primary one, on the right: its bottom is above the
# other's, and below it lies dead space. (Under Wine, not shown: Wine makes the
# first Xinerama head Windows' primary monitor, whatever RandR calls primary.)
((E2E_WINDOWS)) || two_screens 1280x1024 1024x768 right 2119 647

# --- a screen below the primary one ------------------------------------------------

# The parked popup waits below the primary screen's bottom edge, which is the top
# of the lower screen: there it is hidden, and gliding only its part on the
# primary screen shows. Pictures of the lower screen before, during and after an
# announcement are the same.
e2e_start_x --no-wm --no-tray --size 1280x1024 --below 1280x768
xsetroot -solid grey50
# lower_screen NAME [DESK] : a picture of the lower screen alone, cut from DESK (a
# picture of the whole desk taken earlier) or from the desk as it is now.
lower_screen() {
    local desk=${2:-$E2E_TMP/desk.miff}
    [[ -n ${2:-} ]] || import -window root "$desk"
    convert "$desk" -crop 1280x768+0+1024 +repage "$E2E_OUT/lower-$1.png"
}
lower_unchanged() {
    local diff
    diff=$(compare -metric AE "$E2E_OUT/lower-before.png" "$E2E_OUT/lower-$1.png" null: 2>&1) || true
    [[ $diff == 0 ]] || e2e_fail "the lower screen changed ($1): $diff pixels"
}
# glide_shots NAME X Y : whole-desk grabs until the popup stands at X Y, looked at
# afterwards (glides_seen): a rise's pictures compared at once would take a busy
# machine past the 5 s hold and through the fall. One uncompressed grab each
# while it glides, and each look at the popup one xwininfo of the window already
# known, read by bash itself, ahead of other work on the machine where it may
# be: the more pictures a glide holds, the likelier one is part-way. None while
# it still stands where it was: the hold would use them all up.
declare -A shots=() midway=()
glide_shots() {
    local n=0 info x y from="" end=$((SECONDS + 15 * ${E2E_WAIT_SCALE:-3}))
    local at='Absolute upper-left X: +(-?[0-9]+).*Absolute upper-left Y: +(-?[0-9]+)'
    midway[$1]=""
    renice -n -10 -p $$ >/dev/null 2>&1 || true
    while ((SECONDS < end)); do
        if ! info=$(xwininfo -id "$popup" 2>/dev/null) || [[ ! $info =~ $at ]]; then
            sleep 0.05
            continue
        fi
        x=${BASH_REMATCH[1]} y=${BASH_REMATCH[2]}
        [[ "$x $y" != "$2 $3" ]] || break
        from=${from:-$y}
        # At most 50 pictures; past that, only waiting for the end of the glide.
        if ((n == 50 || y == from)); then
            sleep 0.05
            continue
        fi
        import -window root "$E2E_TMP/glide-$1-$n.miff"
        ((y <= 903 || y >= 1024)) || midway[$1]=$n
        n=$((n + 1))
    done
    renice -n 0 -p $$ >/dev/null 2>&1 || true
    shots[$1]=$n
    popup_at "$2" "$3" || e2e_fail "$1: the popup never reached $2 $3"
}
# glides_seen NAME : the lower screen unchanged in all of NAME's pictures; true
# when one was taken while the popup was part-way (that desk kept as below-NAME.png).
glides_seen() {
    local i
    for ((i = 0; i < shots[$1]; i++)); do
        lower_screen "$1-$i" "$E2E_TMP/glide-$1-$i.miff"
        lower_unchanged "$1-$i"
    done
    [[ -n ${midway[$1]} ]] || return 1
    convert "$E2E_TMP/glide-$1-${midway[$1]}.miff" "$E2E_OUT/below-$1.png"
    rm -f "$E2E_TMP/glide-$1-"*.miff
}
first_popup_parked
e2e_wait 2 e2e_is_unmapped "$popup"
lower_screen before
# A picture takes a good part of a glide's second on a busy machine, so a glide
# may pass between two; another announcement glides again.
rise=0 fall=0
for round in 1 2 3; do
    e2e_announce "player8|Blitz|Hall $round"
    glide_shots rise 1095 903
    import -window root "$E2E_TMP/at-rest.miff"
    glide_shots fall 1095 1024
    convert "$E2E_TMP/at-rest.miff" "$E2E_OUT/below-at-rest.png"
    glides_seen rise && rise=1
    glides_seen fall && fall=1
    e2e_wait 2 e2e_is_unmapped "$popup"
    ((!rise || !fall)) || break
    _e2e_log "round $round: no picture while the popup glided (load average $(cut -d' ' -f1-3 /proc/loadavg))"
done
((rise)) || e2e_fail "rise: no picture was taken while the popup glided"
((fall)) || e2e_fail "fall: no picture was taken while the popup glided"
lower_screen after
lower_unchanged after
e2e_stop_alerts
e2e_stop_announce
