#!/bin/bash
# SPDX-License-Identifier: MIT
# The tray on a real desktop: "Hide" puts the program into the tray; the icon's
# menu opens the About window, restores the window and exits, and the right button
# chooses nothing in it. Without a tray host "Hide" leaves the window minimised and
# reachable. The menu also stays up without a window manager. The same again on a
# StatusNotifierItem host (xfce4-panel), also across a restart of the panel.
source "$(dirname "$0")/lib.sh"
e2e_init

# --- helpers -------------------------------------------------------------------

has_tray_icon() { [[ -n $(e2e_tray_icon) ]]; }
# Waits for the icon after a "Hide"; if it never comes, tells whether the window
# was hidden or only minimised.
wait_tray_icon() {
    local i
    for ((i = 0; i < 100; i++)); do
        has_tray_icon && return 0
        sleep 0.05
    done
    _e2e_log "main window $main: $(xprop -id "$main" WM_STATE _NET_WM_STATE 2>&1 | tr '\n' ' ')"
    e2e_in_taskbar "$main" && _e2e_log "the main window is still in the taskbar"
    e2e_fail "no icon in the tray 5 s after the window was hidden"
}
no_tray_icon() { [[ -z $(e2e_tray_icon) ]]; }

menus_open() {
    local menus
    menus=$(e2e_program_popups menu)
    (($(grep -c . <<<"$menus" || true) == $1))
}
tip_shown() { [[ -n $(e2e_program_popups tip) ]]; }

wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state:/ {print $3}'; }
is_iconic() { [[ $(wm_state "$1") == Iconic ]]; }

# How the tray menu is opened: a click on trayer's icon, or a host's D-Bus call.
OPEN_TRAY_MENU=e2e_click_tray_icon

# The user's way out: the tray icon's menu, rest on "About", along its line into
# the submenu and onto "Exit". The menu must stay up all the way. On the way the
# right button chooses nothing, neither "Open/Restore" nor "Exit", and the pointer
# off "About" and back opens the submenu again over the same About window.
# exit_through_tray_menu WHERE [SCREENSHOT]
exit_through_tray_menu() {
    local menu_wid menu about
    "$OPEN_TRAY_MENU"
    e2e_wait 5 menus_open 1
    menu_wid=$(only_menu)
    menu=$(e2e_window_geometry "$menu_wid")
    e2e_point_at_line "$menu" 1 2
    xdotool click 3
    e2e_point_at_line "$menu" 2 2
    # The program takes the click before the move that opens the submenu.
    e2e_wait 5 about_or_main_shown
    ! e2e_main_shown || e2e_fail "$1: a right click chose \"Open/Restore\""
    e2e_wait 5 menus_open 2
    about=$(e2e_about_window)
    e2e_point_at_line "$(e2e_window_geometry "$(other_menu "$menu_wid")")" 1 1
    xdotool click 3
    e2e_point_at_line "$menu" 1 2
    e2e_wait 5 menus_open_or_ended 1
    e2e_alerts_alive || e2e_fail "$1: a right click on \"Exit\" ended the program"
    e2e_point_at_line "$menu" 2 2
    e2e_wait 5 menus_open 2
    e2e_assert_eq "$(e2e_about_window)" "$about" "$1: the About window once \"About\" opened again"
    e2e_point_at_line "$(e2e_window_geometry "$(other_menu "$menu_wid")")" 1 1
    menus_open 2 || e2e_fail "$1: the menu closed on the way to \"Exit\""
    [[ -z ${2:-} ]] || e2e_screenshot "$2"
    xdotool click 1
    e2e_wait_alerts_exit 10
    e2e_assert_eq "$ALERTS_STATUS" 0 "exit status $1"
}
about_or_main_shown() { about_shown || e2e_main_shown; }
menus_open_or_ended() { menus_open "$1" || ! e2e_alerts_alive; }

about_shown() { [[ -n $(e2e_about_window) ]]; }
about_gone() { [[ -z $(e2e_about_window) ]]; }

# The one open menu window of the program.
only_menu() {
    local menus
    menus=$(e2e_program_popups menu)
    (($(grep -c . <<<"$menus" || true) == 1)) || e2e_fail "expected one open menu, found: $menus"
    echo "$menus"
}

# The open menu window other than $1: the submenu of "About".
other_menu() {
    local menus
    menus=$(e2e_program_popups menu)
    grep -v -x "$1" <<<"$menus" | head -n1
}

# The tray over D-Bus (StatusNotifierItem): the watcher on the session bus, the
# items registered with it, one "service/path" a line, and calls on the one item.
sni_watcher_up() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.kde.StatusNotifierWatcher | grep -q 'boolean true'
}
sni_watcher_down() { ! sni_watcher_up; }
# The panel's tray has registered as the host that shows the items: an item that
# comes sooner can meet a tray still setting up (seen under load: xfce4-panel's
# systray asserted in sn_item_invalidate and the item never registered).
sni_host_up() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:IsStatusNotifierHostRegistered 2>/dev/null | grep -q 'boolean true'
}
sni_items() {
    dbus-send --session --print-reply --dest=org.kde.StatusNotifierWatcher /StatusNotifierWatcher \
        org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierWatcher \
        string:RegisteredStatusNotifierItems | awk -F'"' '/string "/ {print $2}'
}
sni_item_count() {
    local items
    items=$(sni_items) || return 1
    (($(grep -c . <<<"$items" || true) == $1))
}
# sni_call METHOD [ARGS...] : as a host does for a click (Activate, ContextMenu).
sni_call() {
    local item
    item=$(sni_items | head -n1)
    item=${item/@\//\/} # GNOME's watcher lists "service@/path"
    dbus-send --session --print-reply --dest="${item%%/*}" "/${item#*/}" "$@"
}
sni_activate() { sni_call org.kde.StatusNotifierItem.Activate int32:0 int32:0 >/dev/null; }
sni_context_menu() { sni_call org.kde.StatusNotifierItem.ContextMenu int32:0 int32:0 >/dev/null; }
# The tip's title: the second text of the ToolTip property (icon name, pixmaps, title, text).
sni_tip() {
    sni_call org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem \
        string:ToolTip | awk -F'"' '/string "/ {if (++n == 2) print $2}'
}
start_panel() {
    _e2e_spawn xfce4-panel >>"$E2E_TMP/xfce4-panel.log" 2>&1
    PANEL_PID=$E2E_SPAWNED_PID
    e2e_wait 20 sni_watcher_up
    e2e_wait 20 sni_host_up
}

# The menu the item hands over (DBusMenu): "dbus-send" for it, and the id of a line.
sni_menu() {
    local item path
    item=$(sni_items | head -n1)
    path=$(sni_call org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:Menu |
        awk '/object path/ {gsub(/"/, "", $NF); print $NF}')
    dbus-send --session --print-reply --dest="${item%%/*}" "$path" "$@"
}
sni_menu_id() {
    sni_menu com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string: |
        awk -v line="\"$1\"" '/int32/ {id = $2} $0 ~ "string " line {print id; exit}'
}
sni_menu_event() { sni_menu com.canonical.dbusmenu.Event int32:"$(sni_menu_id "$1")" string:"$2" variant:int32:0 uint32:0 >/dev/null; }
sni_property() {
    sni_call org.freedesktop.DBus.Properties.Get string:org.kde.StatusNotifierItem string:"$1" |
        awk 'NR == 2 {print $NF}'
}

# E2E_DESK=wayland: on sway without XWayland, with waybar's tray started after the
# program (as Plasma's watcher comes seconds after its panel), the item registers
# when "Hide" is pressed (as a screen reader does: the desk has no pointer). The
# host shows the item's menu on either button; the events it sends for the menu's
# lines (DBusMenu) open the About window and bring the main window back.
if [[ ${E2E_DESK:-} == wayland ]]; then
    e2e_start_session_bus
    e2e_start_accessibility
    e2e_start_wayland
    e2e_start_alerts
    e2e_start_waybar
    e2e_wait 20 sni_host_up
    e2e_wait 10 "$E2E_PYTHON" "$E2E_LIB_DIR/a11y_labels.py" "$ALERTS_PID" --press Hide
    e2e_wait 5 sni_item_count 1
    e2e_main_shown && e2e_fail "the hidden window is still shown"
    e2e_assert_eq "$(sni_tip)" "Zuded Orazaviz" "the item's tip"
    e2e_assert_eq "$(sni_property ItemIsMenu)" true "the host opens the menu on either button"
    sni_menu_event About opened
    e2e_wait 5 e2e_wl_has "pid=$ALERTS_PID title=\"^About\$\""
    sni_menu_event Open/Restore clicked
    e2e_wait 5 e2e_main_shown
    e2e_wait 5 sni_item_count 0
    # Started again from the launcher (sway's exec, which gives what it starts an
    # activation token), the program hands the token to the running one, whose
    # window comes back with it.
    e2e_wait 10 "$E2E_PYTHON" "$E2E_LIB_DIR/a11y_labels.py" "$ALERTS_PID" --press Hide
    e2e_wait 5 sni_item_count 1
    cat >"$E2E_TMP/launch.sh" <<EOS
echo "\$XDG_ACTIVATION_TOKEN" >"$E2E_TMP/token"
exec env -u QT_QPA_PLATFORM "$(e2e_alerts_program)" >>"$E2E_TMP/second.log" 2>&1
EOS
    swaymsg -q exec "sh $E2E_TMP/launch.sh"
    e2e_wait 10 test -s "$E2E_TMP/token"
    token=$(<"$E2E_TMP/token")
    [[ -n $token ]] || e2e_fail "sway gave the second start no activation token"
    e2e_wait 10 e2e_main_shown
    e2e_wait 5 sni_item_count 0
    e2e_wait 5 grep -qF "activate(\"$token\"" "$E2E_TMP/alerts.log"
    exit 0
fi

# E2E_DESK=plasma-x11, plasma-wayland, gnome-x11, gnome-wayland, gnome-x11-noext: KDE
# Plasma's and GNOME Shell's own trays, the program through X11. The window stays up
# as the window manager frames it; "Hide" and the window manager's minimise each put
# it into the tray (the tip as designed); the icon's menu, opened by the left and by
# the right button as the host delivers them, brings it back with "Open/Restore";
# a second start brings it back too. Without the AppIndicator extension (stock GNOME)
# there is no tray: the window stays minimised in the window list, from where it
# comes back, and a second start brings it back as well.
if [[ ${E2E_DESK:-} == @(plasma|gnome)-* ]]; then
    # On plasma-wayland the program is also installed, as its package lays it out,
    # where the desk looks for programs, for a native start at the end.
    if [[ $E2E_DESK == plasma-wayland ]]; then
        cmake --install "$ALERTS_BIN_DIR/.." --prefix "$E2E_TMP/inst" >/dev/null
        export E2E_XDG_DATA_DIR=$E2E_TMP/inst/share PATH=$E2E_TMP/inst/bin:$PATH
    fi
    e2e_start_desk "$E2E_DESK"
    # Pointer and clicks go in where the user's do: the Xvfb that shows the desk
    # (kwin_wayland reads them from its window there); gnome-wayland has none.
    desk_pointer() { DISPLAY=${E2E_SHOT_DISPLAY:-$DISPLAY} xdotool "$@"; }
    # Qt's menus ignore one large jump of the pointer: small steps, as a hand moves.
    glide_to() {
        local x y tx=$1 ty=$2 i
        read -r x y < <(desk_pointer getmouselocation | sed 's/x:\([0-9-]*\) y:\([0-9-]*\).*/\1 \2/')
        # (xdotool's --sync waits for a move that never comes when the pointer is
        # already there.)
        ((x != tx || y != ty)) || return 0
        for ((i = 1; i <= 8; i++)); do
            desk_pointer mousemove --sync $((x + (tx - x) * i / 8)) $((y + (ty - y) * i / 8))
        done
    }
    # The window as the user sees it: the desk's picture shows, at the window's
    # place, what the window draws. Through XWayland the window is mapped, framed
    # and active some time before kwin_wayland shows it, and a click in that time
    # meets the desktop beneath.
    main_seen() {
        local x y w h
        read -r x y w h < <(e2e_window_geometry "$main")
        import -window "$main" "$E2E_TMP/main.miff" && e2e_desk_grab "$E2E_TMP/desk.miff" || return 1
        e2e_gt 0.05 "$(convert "$E2E_TMP/main.miff" \( "$E2E_TMP/desk.miff" -crop "${w}x$h+$x+$y" +repage \) \
            -compose difference -composite -format '%[fx:mean]' info:)"
    }
    # "Hide", clicked where the user clicks once the window is there to click.
    press_hide() {
        local x y w h
        e2e_wait 10 main_seen
        read -r x y w h < <(e2e_window_geometry "$main")
        glide_to $((x + 100)) $((y + 116))
        desk_pointer click 1
    }
    # The program's icon on the desk's panel (Plasma's at the bottom, GNOME's top
    # bar), found by the red of its plume and shield: "X Y" of its middle.
    panel=1200x40+0+976
    [[ $E2E_DESK != gnome-* ]] || panel=1280x30+0+0
    # icon_at [AREA] : the same anywhere on the desk.
    icon_at() {
        local shot=$E2E_TMP/find-icon.png box area=${1:-$panel}
        DISPLAY=$E2E_SHOT_DISPLAY import -window root "$shot" || return 1
        box=$(convert "$shot" -crop "$area" -fuzz 15% -fill black +opaque '#d0302c' \
            -fill white -opaque '#d0302c' -format '%@' info:)
        [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 1
        local w=${BASH_REMATCH[1]} h=${BASH_REMATCH[2]} x=${BASH_REMATCH[3]} y=${BASH_REMATCH[4]}
        ((w > 2 && w < 40 && h > 2 && h < 40)) || return 1
        local left=${area#*+}
        echo "$((${left%+*} + x + w / 2 + 3)) $((${area##*+} + y + h / 2 + 2))"
    }
    has_icon() { [[ -n $(icon_at) ]]; }
    # open_menu left|right|host : a click of that button on the icon, as the user does
    # it; where there is no pointer to click with (gnome-wayland), the call the host
    # makes for it. host: the host's call for the left button (Activate), which
    # GNOME's extension sends for a double click.
    # Where a menu opened away from the icon that was clicked: checked at the end,
    # so that the rest of the walk still runs.
    menus_away=()
    # The menu on the screen, the program's own or one the host draws from the item's
    # DBusMenu (Plasma's right click, GNOME's): where the desk's picture changed,
    # the panel aside, since the click. "X Y W H", or nothing.
    area=1280x1024+0+0
    [[ $E2E_DESK != gnome-* ]] || area=1280x990+0+34
    # desk_changed BEFORE AFTER AREA : where, within AREA (WxH+X+Y), two pictures of
    # the desk differ: "X Y W H" on the desk, or nothing.
    desk_changed() {
        local box
        box=$(convert \( "$1" -crop "$3" +repage \) \( "$2" -crop "$3" +repage \) \
            -compose difference -composite -fuzz 8% -format '%@' info:)
        [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || return 0
        local left=${3#*+}
        echo "$((${left%+*} + BASH_REMATCH[3])) $((${3##*+} + BASH_REMATCH[4])) ${BASH_REMATCH[1]} ${BASH_REMATCH[2]}"
    }
    menu_rect() {
        local x y w h
        if menus_open 1; then
            e2e_window_geometry "$(only_menu)"
            return 0
        fi
        [[ -n ${E2E_SHOT_DISPLAY:-} ]] || return 0
        e2e_desk_grab "$E2E_TMP/menu-after.png" || return 0
        read -r x y w h < <(desk_changed "$E2E_TMP/menu-before.png" "$E2E_TMP/menu-after.png" "$area")
        [[ -n $h ]] && ((w > 60 && h > 30 && w < 400 && h < 200)) || return 0
        echo "$x $y $w $h"
    }
    menu_up() { [[ -n $(menu_rect) ]]; }
    open_menu() {
        local x y
        [[ -z ${E2E_SHOT_DISPLAY:-} ]] || e2e_desk_grab "$E2E_TMP/menu-before.png"
        if [[ $1 == host ]]; then
            sni_activate
        elif [[ $E2E_DESK == gnome-wayland ]]; then
            [[ $1 == left ]] && sni_activate || sni_context_menu
        else
            e2e_wait 10 has_icon
            read -r x y < <(icon_at)
            glide_to "$x" "$y"
            desk_pointer click "$([[ $1 == left ]] && echo 1 || echo 3)"
        fi
        e2e_wait 10 menu_up
        # Drawn whole: the same place twice.
        local first
        first=$(menu_rect)
        until [[ $(menu_rect) == "$first" ]]; do first=$(menu_rect); done
        MENU=$first
        [[ -n ${x:-} ]] || return 0
        local mx my mw mh
        read -r mx my mw mh <<<"$MENU"
        # At the icon: the pointer within 40 pixels of the menu's rectangle.
        if ((x < mx - 40 || x > mx + mw + 40 || y < my - 40 || y > my + mh + 40)); then
            menus_away+=("$1 button: menu at $mx,$my ${mw}x$mh, icon at $x,$y")
        fi
    }
    # "Open/Restore", the first of the menu's two lines, reached from the menu's side:
    # the way straight up from the icon crosses "About", and on a busy machine a step
    # of the glide lasts long enough for the pointer to rest there, which opens the
    # About window (as designed). That window then sits in the taskbar with the
    # program's icon, or over the main window's "Hide".
    choose_open_restore() {
        local x y w h py side
        read -r x y w h <<<"$MENU"
        read -r _ py < <(desk_pointer getmouselocation | sed 's/x:\([0-9-]*\) y:\([0-9-]*\).*/\1 \2/')
        side=$((x >= 8 ? x - 8 : x + w + 8))
        glide_to "$side" "$py"
        glide_to "$side" $((y + h / 4))
        # Onto the line in two short moves and clicked there, as a hand does: the
        # same place in every cycle, a few moves after the pointer came in.
        if ((side < x)); then
            desk_pointer mousemove --sync $((x + 4)) $((y + h / 4))
            desk_pointer mousemove --sync $((x + 12)) $((y + h / 4))
        else
            desk_pointer mousemove --sync $((x + w - 4)) $((y + h / 4))
            desk_pointer mousemove --sync $((x + w - 12)) $((y + h / 4))
        fi
        desk_pointer click 1
    }
    # Started again, the program hands over to the running one and ends.
    second_start() {
        _e2e_spawn env "${E2E_ALERTS_ENV[@]}" "$(e2e_alerts_program)" >>"$E2E_TMP/alerts.log" 2>&1
        e2e_wait 10 _e2e_not_alive "$E2E_SPAWNED_PID"
    }
    # The window manager's minimise: Plasma's title bar has the button (Breeze puts
    # it 39 pixels in from the right edge, left of the close box); GNOME's has none,
    # where the window list or a key does it.
    wm_minimise() {
        if [[ $E2E_DESK == plasma-* ]]; then
            local x y w h
            e2e_wait 10 main_seen
            read -r x y w h < <(e2e_window_geometry "$main")
            glide_to $((x + w - 39)) $((y - 14))
            desk_pointer click 1
        else
            xdotool windowminimize "$main"
        fi
    }
    main_up() { e2e_is_mapped "$main" && [[ $(xprop -id "$main" WM_STATE 2>/dev/null) == *Normal* ]]; }
    main_active() { [[ $(xprop -root _NET_ACTIVE_WINDOW) == *"$(printf '0x%x' "$main")"* ]]; }
    e2e_state() {
        local w
        echo "menus:$(for w in $(e2e_program_popups menu); do echo -n " $(e2e_window_geometry "$w")"; done)"
        echo "main: $(wm_state "$main"), about: $(e2e_about_window), items: $(sni_items | paste -sd ' ' -)"
        desk_pointer getmouselocation
    }

    e2e_start_alerts
    main=$ALERTS_WID
    e2e_wait 10 main_up
    e2e_wait 5 e2e_painted "$main"
    # Framed and shown, it stays: a minimise the window manager passes through on the
    # way lasts less than the program waits for a minimise to hold.
    sleep 1
    main_up || e2e_fail "the window hid itself as it appeared"

    if [[ $E2E_DESK == *-noext ]]; then
        sni_watcher_down || e2e_fail "a tray host is up without the extension"
        for how in hide minimise; do
            if [[ $how == hide ]]; then press_hide; else wm_minimise; fi
            e2e_wait 5 is_iconic "$main"
            e2e_in_taskbar "$main" || e2e_fail "$how: the minimised window left the window list"
            e2e_desk_screenshot "$how-$E2E_DESK"
            # Back from the window list (as the overview or the dash do it), or by a
            # second start.
            if [[ $how == hide ]]; then
                xdotool windowactivate "$main"
            else
                second_start
            fi
            e2e_wait 10 main_up
        done
        e2e_click "$main" 164 116 # "Exit"
        e2e_wait_alerts_exit 10
        exit 0
    fi

    e2e_wait 10 sni_host_up
    sni_item_count 0 || e2e_fail "an item is registered while the window is shown"
    # E2E_TRAY_CYCLES: the ways into the tray, in order, each followed by
    # "Open/Restore" from the program's own menu; by default one of each. Repeated on
    # one program, a way back that works only once shows.
    read -r -a cycles <<<"${E2E_TRAY_CYCLES:-hide minimise}"
    for how in "${cycles[@]}"; do
        if [[ $how == hide ]]; then press_hide; else wm_minimise; fi
        e2e_wait 5 sni_item_count 1
        e2e_wait 5 e2e_not_in_taskbar "$main"
        e2e_main_shown && e2e_fail "$how: the hidden window is still shown"
        e2e_assert_eq "$(sni_tip)" "Zuded Orazaviz" "the item's tip"
        _e2e_log "$how: in the tray"
        # GNOME's extension has its own ways with the buttons: they come last.
        if [[ $E2E_DESK == gnome-* ]]; then open_menu host; else open_menu left; fi
        e2e_desk_screenshot "menu-$how-$E2E_DESK"
        choose_open_restore
        e2e_wait 10 e2e_main_shown
        main=$(e2e_main_window)
        e2e_wait 10 main_up
        e2e_wait 5 main_active
        about_gone || e2e_fail "$how: the way to \"Open/Restore\" opened the About window"
        e2e_wait 10 sni_item_count 0
    done

    # A second start brings the hidden window back and ends.
    press_hide
    e2e_wait 5 sni_item_count 1
    _e2e_log "a second start"
    second_start
    e2e_wait 10 e2e_main_shown
    main=$(e2e_main_window)
    e2e_wait 10 main_up
    e2e_wait 10 sni_item_count 0

    # Each button opens the same menu, as the host delivers it.
    for button in left right; do
        [[ $E2E_DESK == gnome-* || $button == right ]] || continue # done above
        main=$(e2e_main_window)
        press_hide
        e2e_wait 5 sni_item_count 1
        _e2e_log "the $button button"
        open_menu "$button"
        e2e_desk_screenshot "menu-$button-$E2E_DESK"
        choose_open_restore
        e2e_wait 10 e2e_main_shown
        e2e_wait 10 sni_item_count 0
    done
    # Installed and started natively on Wayland, where a window carries no icon of
    # its own: the task manager finds the program's through its desktop entry.
    if [[ $E2E_DESK == plasma-wayland ]]; then
        e2e_stop_alerts
        no_icon() { ! has_icon; }
        e2e_wait 10 no_icon # the stopped program's entry gone from the task manager
        e2e_desk_grab "$E2E_TMP/no-window.miff"
        _e2e_spawn env QT_QPA_PLATFORM=wayland WAYLAND_DISPLAY="$E2E_DESK_WAYLAND" WAYLAND_DEBUG=client \
            "$E2E_TMP/inst/bin/alerts" >>"$E2E_TMP/alerts.log" 2>&1
        ALERTS_PID=$E2E_SPAWNED_PID
        e2e_wait 20 has_icon
        e2e_desk_screenshot native-installed
        # Natively, minimised by KWin's shortcut (the program is never told), the
        # window comes back with a second start from KRunner, as from the desktop's
        # launcher: the token KRunner gives it reaches the running program. Twice:
        # the shortcut minimises only the active window, so the second time also
        # shows the window came back active.
        # Where the desk's picture, above the panel and below KRunner, differs from
        # the desk without the window: the window there as the user sees it.
        native_seen() {
            local x y w h
            e2e_desk_grab "$E2E_TMP/desk.miff" || return 1
            read -r x y w h < <(desk_changed "$E2E_TMP/no-window.miff" "$E2E_TMP/desk.miff" 1280x760+0+200)
            [[ -n $h ]] && ((w > 150 && h > 150))
        }
        native_gone() { ! native_seen; }
        # KRunner's first line, the one Return starts, shows the program's icon.
        krunner_found() { [[ -n $(icon_at 1280x36+0+36) ]]; }
        # (Asked before it is up, KRunner runs every runner on the query.)
        dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.StartServiceByName string:org.kde.krunner uint32:0 >/dev/null
        tokens() { grep -c 'xdg_activation_v1#[0-9]*\.activate("kwin-' "$E2E_TMP/alerts.log"; }
        for cycle in 1 2; do
            e2e_wait 10 native_seen
            desk_pointer key super+Next
            e2e_wait 10 native_gone
            dbus-send --session --print-reply --dest=org.kde.krunner /App \
                org.kde.krunner.App.querySingleRunner string:krunner_services string:Alert >/dev/null
            e2e_wait 20 krunner_found
            desk_pointer key Return
            e2e_wait 10 native_seen
            e2e_assert_eq "$(tokens)" "$cycle" "activations with KRunner's tokens"
        done
        e2e_desk_screenshot native-second-start
    fi
    ((${#menus_away[@]} == 0)) || e2e_fail "the tray menu opened away from the icon: ${menus_away[*]}"
    exit 0
fi

# --- in the tray ----------------------------------------------------------------

e2e_start_x
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
e2e_in_taskbar "$main" || e2e_fail "the main window is not in the taskbar at start"
no_tray_icon || e2e_fail "an icon is in the tray before the window was hidden"

e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
wait_tray_icon
e2e_wait 5 e2e_not_in_taskbar "$main"
icons=$(e2e_tray_icon)
e2e_assert_eq "$(grep -c . <<<"$icons")" 1 "icons in the tray"

# The tip names the window. (Under Wine the tip is explorer.exe's window.)
if ((E2E_WINDOWS == 0)); then
    read -r ix iy iw ih < <(e2e_window_geometry "$(e2e_tray_icon)")
    xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih / 2 - 1))
    xdotool mousemove --sync $((ix + iw / 2)) $((iy + ih / 2))
    e2e_wait 10 tip_shown
    e2e_screenshot tray-tip
fi

# A left press opens the menu: two lines.
e2e_click_tray_icon
e2e_wait 5 menus_open 1
menu_wid=$(only_menu)
menu=$(e2e_window_geometry "$menu_wid")
read -r _ _ _ menu_h <<<"$menu"
((menu_h > 30 && menu_h < 70)) || e2e_fail "the tray menu is $menu_h pixels high, not two lines"
e2e_screenshot tray-menu

# Resting on "About" opens its submenu and the About window, and the menu stays up.
e2e_point_at_line "$menu" 2 2
e2e_wait 5 about_shown
e2e_wait 5 menus_open 2
about=$(e2e_about_window)
e2e_wait 5 e2e_about_still "$about"
menus_open 2 || e2e_fail "the tray menu closed while the About window appeared"
e2e_screenshot about-and-menu
e2e_screenshot about "$about"
# The credits take two lines at this width, each address one more.
e2e_assert_eq "$(e2e_text_lines "$E2E_OUT/about.png" 56 24 113 56)" 4 "lines of text in the ticker label"

# "Open/Restore" brings the window back (in a fresh native window) and the icon goes.
e2e_point_at_line "$menu" 1 2
xdotool click 1
e2e_wait 5 e2e_main_shown
main=$(e2e_main_window)
e2e_wait 5 e2e_painted "$main"
e2e_wait 5 no_tray_icon
e2e_wait 5 e2e_in_taskbar "$main"
[[ $(xprop -id "$main" _NET_WM_STATE) != *HIDDEN* ]] || e2e_fail "the restored window is minimised"
e2e_screenshot restored
e2e_wait 5 menus_open 0
about_shown || e2e_fail "restoring the main window closed the About window"

# OK unloads the About window; the program goes on. On Windows the restored
# window comes up in front of it: the About window is brought forward first.
((E2E_WINDOWS == 0)) || xdotool windowactivate --sync "$about"
e2e_click "$about" 96 92
e2e_wait 5 about_gone
e2e_alerts_alive || e2e_fail "closing the About window ended the program"

# --- Exit from the submenu of "About" --------------------------------------------

e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
wait_tray_icon
ended_pid=$ALERTS_PID
exit_through_tray_menu "under openbox"
e2e_wait 5 no_tray_icon
[[ -z $(xdotool search --all --pid "$ended_pid" --name '' 2>/dev/null) ]] ||
    e2e_fail "a window of the program is left after it ended"
e2e_screenshot after-exit
e2e_linux_only "a desk without a window manager or a tray host, and StatusNotifierItem hosts"

# --- without a window manager ------------------------------------------------------

# Showing the About window must not close the menu here either.
e2e_start_x --no-wm
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
wait_tray_icon
exit_through_tray_menu "without a window manager" no-wm-exit

# --- no tray host -----------------------------------------------------------------

e2e_start_x --no-tray
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 is_iconic "$main"
e2e_in_taskbar "$main" || e2e_fail "without a tray the minimised window left the taskbar"
no_tray_icon || e2e_fail "an icon appeared without a tray"
# Reachable: the taskbar's way of bringing it back works.
xdotool windowactivate "$main"
e2e_wait 5 e2e_is_mapped "$main"
e2e_wait 5 e2e_painted "$main"
e2e_screenshot no-tray-restored
e2e_in_taskbar "$main" || e2e_fail "without a tray the window was hidden after all"
e2e_click "$main" 164 116 # "Exit"
e2e_wait_alerts_exit 10
e2e_assert_eq "$ALERTS_STATUS" 0 "exit status without a tray"

# --- a StatusNotifierItem host: xfce4-panel ----------------------------------------

# Plasma, Xfce, LXQt, Cinnamon and GNOME's AppIndicator extension take tray icons
# over D-Bus, and Qt goes that way once a watcher is on the session bus.
e2e_start_x --no-tray
e2e_start_session_bus
start_panel
e2e_start_alerts
main=$ALERTS_WID
e2e_wait 5 e2e_is_mapped "$main"
sni_item_count 0 || e2e_fail "an item is registered before the window was hidden"

e2e_click "$main" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$main"
e2e_wait 5 e2e_not_in_taskbar "$main"
e2e_wait 5 sni_item_count 1
e2e_assert_eq "$(sni_tip)" "Zuded Orazaviz" "the item's tip"
e2e_screenshot sni-tray
# A host's left click (Activate) and right click (ContextMenu) both open the menu,
# where the host says the icon was pressed when it says so.
e2e_assert_eq "$(sni_property ItemIsMenu)" false "the presses are the program's"
for open_menu in sni_activate sni_context_menu "sni_call org.kde.StatusNotifierItem.Activate int32:300 int32:200" \
    "sni_call org.kde.StatusNotifierItem.ContextMenu int32:500 int32:100"; do
    $open_menu >/dev/null
    e2e_wait 10 menus_open 1 # a host asks over D-Bus, slow under the sanitizers
    if [[ $open_menu == *int32:[1-9]* ]]; then
        read -r mx my _ < <(e2e_window_geometry "$(only_menu)")
        e2e_assert_eq "$mx $my" "$(awk '{print $3, $4}' <<<"${open_menu//int32:/}")" "the menu at the host's place"
    fi
    xdotool key Escape
    e2e_wait 5 menus_open 0
done
# Hosts that draw the menu themselves (GNOME's right click) get its lines.
e2e_assert_eq "$(sni_menu com.canonical.dbusmenu.GetLayout int32:0 int32:-1 array:string: |
    awk '/string "label"/ {getline; sub(/.*string /, ""); printf "%s ", $0}')" \
    '"Open/Restore" "About" "Exit" ' "the menu handed to the host"

# The panel restarted while the window is hidden: the item registers with the new one.
_e2e_stop_group "$PANEL_PID"
e2e_wait 5 sni_watcher_down
start_panel
e2e_wait 10 sni_item_count 1
e2e_assert_eq "$(sni_tip)" "Zuded Orazaviz" "the item's tip after the panel restarted"

# "Open/Restore" brings the window back and the item goes.
sni_context_menu
e2e_wait 5 menus_open 1
e2e_point_at_line "$(e2e_window_geometry "$(only_menu)")" 1 2
xdotool click 1
e2e_wait 5 e2e_main_shown
e2e_wait 5 sni_item_count 0

# "Exit" leaves no item behind.
main=$(e2e_main_window)
e2e_wait 5 e2e_painted "$main"
e2e_click "$main" 100 116 # "Hide"
# Once the window manager is done with the window: a menu opened while it still
# moves the focus about is closed again at once.
e2e_wait 5 e2e_is_unmapped "$main"
e2e_wait 5 e2e_not_in_taskbar "$main"
e2e_wait 5 sni_item_count 1
OPEN_TRAY_MENU=sni_activate exit_through_tray_menu "on xfce4-panel" sni-exit
e2e_wait 5 sni_item_count 0
