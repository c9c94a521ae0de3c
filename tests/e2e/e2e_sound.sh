#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The siren, heard on a real sound server: it plays for an announcement under
# "Both Alerts", not under "Disable Alerts"; without its file the window system's
# bell sounds instead; put back, it plays again; a second announcement during the
# siren starts it again from the beginning; hidden in the tray, the option chosen
# before still holds.
source "$(dirname "$0")/lib.sh"; e2e_init

SIREN_S=1.6
# Client coordinates of two option boxes.
DISABLE_X=40 DISABLE_Y=80
SOUND_X=40 SOUND_Y=64

# A copy of the program, so that its siren can be taken away without touching the build.
bin=$E2E_TMP/bin
mkdir -p "$bin"
cp -a "$ALERTS_BIN_DIR/alerts" "$ALERTS_BIN_DIR/Media" "$bin/"

e2e_start_x
e2e_start_sound
e2e_start_announce
e2e_start_alerts --bin "$bin/alerts"
e2e_wait_announce_log '^client connected 1$' 5

# announce_and_record NAME : records one announcement until its sound is over.
announce_and_record() { e2e_record_announcement "$E2E_OUT/$1.wav" "player7|Chess|$1"; }

# 1. "Both Alerts" is checked at start: the siren sounds.
announce_and_record both
rms=$(e2e_sound_rms "$E2E_OUT/both.wav")
echo "both: RMS $rms, sound $(e2e_sound_spans "$E2E_OUT/both.wav" | tr '\n' ' ')" >&2
e2e_gt "$rms" 0.05 || e2e_fail "no siren under Both Alerts (RMS $rms)"
e2e_siren_heard "$E2E_OUT/both.wav" || e2e_fail "what played under Both Alerts is not the siren"
read -r start end < <(e2e_sound_spans "$E2E_OUT/both.wav")
length=$(awk -v s="$start" -v e="$end" 'BEGIN {print e - s}')
e2e_gt "$length" 1.4 || e2e_fail "the siren was cut short: ${length}s of ${SIREN_S}s"

# 2. "Disable Alerts": the record is taken, nothing sounds.
e2e_click "$ALERTS_WID" $DISABLE_X $DISABLE_Y
e2e_record_start "$E2E_OUT/disabled.wav"
t=$(e2e_record_pos)
e2e_announce 'player7|Chess|disabled'
[[ $E2E_LAST_SENT == *" to 1 clients" ]] || e2e_fail "disabled: record not delivered"
# Listen for longer than the siren takes to start.
e2e_wait_recorded "$(awk -v t="$t" 'BEGIN {print t + 1.5}')"
e2e_record_stop
rms=$(e2e_sound_rms "$E2E_OUT/disabled.wav")
echo "disabled: RMS $rms" >&2
e2e_gt 0.001 "$rms" || e2e_fail "sound played under Disable Alerts (RMS $rms)"

# 3. "Play Alert Sound" with the siren gone: the bell instead, and the program lives on.
e2e_click "$ALERTS_WID" $SOUND_X $SOUND_Y
rm "$bin/Media/siren.wav"
announce_and_record missing
bell=$(e2e_sound_tone "$E2E_OUT/missing.wav" "$E2E_BELL_HZ")
low=$(e2e_sound_tone "$E2E_OUT/missing.wav" $E2E_SIREN_LOW_HZ)
echo "missing: bell $bell, ${E2E_SIREN_LOW_HZ}Hz $low, RMS $(e2e_sound_rms "$E2E_OUT/missing.wav")" >&2
e2e_gt "$bell" 0.02 || e2e_fail "no default sound without the siren file"
e2e_gt 0.005 "$low" || e2e_fail "a siren played without the siren file"
e2e_alerts_alive || e2e_fail "the program died without its siren"

# 4. The siren put back plays again.
cp "$ALERTS_BIN_DIR/Media/siren.wav" "$bin/Media/siren.wav"
announce_and_record restored
e2e_siren_heard "$E2E_OUT/restored.wav" || e2e_fail "the siren put back in place did not play"

# 5. A second announcement during the siren starts it again from the beginning.
rec=$E2E_OUT/restart.wav
e2e_record_start "$rec"
t=$(e2e_record_pos)
e2e_announce 'player7|Chess|first'
e2e_wait_sound "$t" 5
first=$(e2e_sound_onsets "$rec" 0.01 0.02 "$t" | head -n1)
e2e_wait_recorded "$(awk -v t="$first" 'BEGIN {print t + 0.6}')"
e2e_announce 'player7|Chess|second'
e2e_wait_sound_end "$t" 0.3 10
e2e_record_stop
mapfile -t onsets < <(e2e_sound_onsets "$rec" 0.01 0.005)
spans=$(e2e_sound_spans "$rec" 0.01 0.005 | tr '\n' ' ')
echo "restart: onsets ${onsets[*]}; sound $spans" >&2
e2e_assert_eq "${#onsets[@]}" 2 "the siren did not start again (sound: $spans)"
read -r start end < <(e2e_sound_spans "$rec" 0.01 0.005 | tail -n1)
length=$(awk -v s="$start" -v e="$end" 'BEGIN {print e - s}')
e2e_gt "$length" 1.4 || e2e_fail "the second siren was not played from its beginning (${length}s)"
peak=$(sox "$rec" -n stat 2>&1 | awk '/^Maximum amplitude:/ {print $3}')
e2e_gt 0.75 "$peak" || e2e_fail "two sirens played over each other (peak $peak)"

# 6. Hidden in the tray, the option chosen before holds: under "Play Alert Sound"
# an announcement plays the siren and leaves the popup parked below the screen.
read -r _ screen_h < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
popup_parked() {
    local x y w h
    read -r x y w h < <(e2e_window_geometry "$(e2e_popup_window)")
    ((y == screen_h))
}
e2e_wait 10 popup_parked # the first announcement's popup has fallen back
e2e_click "$ALERTS_WID" 100 116 # "Hide"
e2e_wait 5 e2e_is_unmapped "$ALERTS_WID"
e2e_wait 5 e2e_not_in_taskbar "$ALERTS_WID"
announce_and_record hidden
e2e_siren_heard "$E2E_OUT/hidden.wav" || e2e_fail "hidden in the tray, the siren did not play"
popup_parked || e2e_fail "hidden in the tray, \"Play Alert Sound\" showed the popup"

e2e_alerts_alive || e2e_fail "the program died"
