#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The windows carry their font. On a desk whose fonts are DejaVu alone, as on many
# minimal installs, every caption of the three windows is whole on the screen (read
# back by OCR), and each window looks exactly, pixel for pixel, as it does on a desk
# that has other releases of Liberation Sans installed.
source "$(dirname "$0")/lib.sh"
e2e_init

# fontconfig as the system has it, but with these font folders alone.
fonts_conf() { # NAME DIR...
    local name=$1 dir
    shift
    {
        echo '<?xml version="1.0"?><!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd"><fontconfig>'
        for dir in "$@"; do echo "<dir>$dir</dir>"; done
        echo '<include ignore_missing="yes">/etc/fonts/conf.d</include>'
        echo "<cachedir>$E2E_TMP/fc-cache-$name</cachedir></fontconfig>"
    } >"$E2E_TMP/$name.conf"
    echo "$E2E_TMP/$name.conf"
}

shown() { [[ -n $("$@") ]]; }
popup_at_rest() {
    local x y w h
    read -r x y w h < <(e2e_window_geometry "$1")
    ((y + h == SCREEN_H))
}

# shoot_desk NAME FONTS_CONF : the three windows on a fresh desk, as NAME-*.png.
shoot_desk() {
    local name=$1 menu popup about
    export FONTCONFIG_FILE=$2
    e2e_start_x --size 1024x768
    SCREEN_H=768
    xsetroot -solid grey50
    e2e_start_announce
    e2e_start_alerts
    e2e_wait_announce_log '^client connected 1$' 10
    e2e_wait 5 e2e_painted "$ALERTS_WID"
    e2e_wait 5 e2e_label_is 'Connected!'
    e2e_screenshot "$name-main" "$ALERTS_WID"

    e2e_announce "player7|Chess|Hall 2"
    e2e_wait 5 shown e2e_popup_window
    popup=$(e2e_popup_window)
    e2e_wait 5 popup_at_rest "$popup"
    e2e_screenshot "$name-popup" "$popup"

    # The About window, as a user opens it: from the tray, resting on "About".
    e2e_click "$ALERTS_WID" 100 116 # "Hide"
    e2e_wait 5 shown e2e_tray_icon
    e2e_click_tray_icon
    e2e_wait 5 shown e2e_program_popups menu
    menu=$(e2e_program_popups menu)
    e2e_point_at_line "$(e2e_window_geometry "$menu")" 2 2
    e2e_wait 5 shown e2e_about_window
    about=$(e2e_about_window)
    xdotool key Escape Escape
    e2e_wait 5 e2e_about_still "$about"
    e2e_screenshot "$name-about" "$about"
    e2e_screenshot "$name-desk"
    e2e_stop_alerts
    e2e_stop_announce
    unset FONTCONFIG_FILE
}

shoot_desk dejavu "$(fonts_conf dejavu /usr/share/fonts/truetype/dejavu)"
# No Liberation Sans of any release reached the desk.
if FONTCONFIG_FILE=$E2E_TMP/dejavu.conf fc-list | grep -q -i liberation; then
    e2e_fail "the DejaVu desk offers Liberation fonts"
fi
# An older release of the family, as Debian 12 installs it by default. (Under
# Wine the windows' faces come from Windows' font folder, where Wine has a
# scalable MS Sans Serif of its own: the one desk is enough.)
if ((E2E_WINDOWS == 0)); then
    shoot_desk liberation "$(fonts_conf liberation /usr/share/fonts/truetype/dejavu /usr/share/fonts/truetype/liberation)"
    FONTCONFIG_FILE=$E2E_TMP/liberation.conf fc-list | grep -q -i 'liberation' ||
        e2e_fail "the second desk has no Liberation fonts of its own"

    for window in main popup about; do
        differ=$(compare -metric AE "$E2E_OUT/dejavu-$window.png" "$E2E_OUT/liberation-$window.png" null: 2>&1) || true
        e2e_assert_eq "$differ" 0 "pixels of the $window window that depend on the desk's fonts"
    done
fi

# The title is bold wherever the system's face has no bold of its own: its stems
# are wider than those of the message below it, drawn regular in the same face.
title=$(e2e_stroke_width "$E2E_OUT/dejavu-popup.png" 8 5 169 17)
message=$(e2e_stroke_width "$E2E_OUT/dejavu-popup.png" 16 32 153 73)
((title > message)) ||
    e2e_fail "the popup's title is drawn regular: stems of $title px, as the message's $message px"

# Every caption whole, read back from the DejaVu desk: "NAME X Y W H CAPTION" in
# each window's own pixels, the controls' places in their designs.
ocr_reads() { # WINDOW X Y W H : the text in that part of the window, spaces removed
    convert "$E2E_OUT/dejavu-$1.png" -crop "$4x$5+$2+$3" +repage -colorspace Gray \
        -resize 500% -normalize "$E2E_TMP/ocr.png"
    tesseract "$E2E_TMP/ocr.png" - --psm 6 2>/dev/null | tr -d ' \n'
}
# The credits take two lines, each address one more, all above the OK button (OCR
# misreads the addresses' small punctuation, so they are counted, not read).
e2e_assert_eq "$(e2e_text_lines "$E2E_OUT/dejavu-about.png" 56 24 113 56)" 4 "lines of text in the About window's credits"

# Under Wine, GDI draws the faces unsmoothed, and OCR misreads digits, case and
# punctuation: the letters are compared.
reads_whole() { # READ CAPTION
    if ((E2E_WINDOWS)); then
        [[ $(tr -cd 'A-Za-z' <<<"${1,,}") == *"$(tr -cd 'A-Za-z' <<<"${2,,}")"* ]]
    else
        [[ $1 == *"${2// /}"* ]]
    fi
}
while read -r window x y w h caption; do
    read_back=$(ocr_reads "$window" "$x" "$y" "$w" "$h")
    # A focus frame's dotted line along the edge can throw OCR off (Windows'
    # style draws it on the line above): a few rows more, never more columns.
    reads_whole "$read_back" "$caption" ||
        read_back=$(ocr_reads "$window" "$x" $((y - 2)) "$w" $((h + 3)))
    reads_whole "$read_back" "$caption" ||
        e2e_fail "$window: \"$caption\" is not whole on the screen (read \"$read_back\")"
done <<'EOF'
main 8 0 60 20 Options
main 16 24 97 17 Show Alert Box
main 16 40 81 17 Both Alerts
main 16 56 113 17 Play Alert Sound
main 16 72 89 17 Disable Alerts
main 76 107 49 19 Hide
main 140 107 49 19 Exit
main 12 107 49 19 Connect
main 48 144 105 17 Connected!
about 56 8 121 17 ZARQ Zuded Orazaviz 1.0
about 76 83 41 19 OK
about 56 24 113 56 Brought to you by Korvel and Tandrike --
popup 8 5 169 17 Tournament Started
popup 16 32 153 73 player7 started a new Chess tournament on Hall 2
EOF
