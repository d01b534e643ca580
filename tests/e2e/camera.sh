# A webcam as a user meets it, on the emulated one: the preview fitted to the camera's
# picture and showing it, a capture of it, the camera pulled out (said, a capture refused,
# nothing hangs) and plugged in again. E2E_FAKECAM is the emulator; NIMBACAST_PREVIEW
# chooses the overlay or the toolkit's painting as for the user.
source "$E2E_LIB"

emulated_cameras
cat >"$FAKECAM_CONFIG" <<JSON
{"cameras":[{"node":"video0","metaNode":"video1","card":"Quorix USB Camera",
  "bus":"usb-0000:00:14.0-2","unplugFile":"$cams/unplugged",
  "formats":[{"fourcc":"YUYV","sizes":[[640,480,[30,15]]]},
             {"fourcc":"MJPG","sizes":[[640,480,[30]],[1280,720,[30]]]}]}]}
JSON
start camera ""
wait_geometry "$wid" "0,0 663x558" || fail "not fitted to 640 x 480: $(geometry "$wid")"

# The preview shows the camera's picture where the capture window lies, at (13, 44).
shows_camera "$wid" 13 44 640 480 || fail "the preview does not show the camera's picture"

# Every click is a capture, written or refused, and uses up a frame number.
captures=0
capture_button() { click "$wid" 138 16; captures=$((captures + 1)); }
capture_button
wait_file "$dir/Frame0.bmp" || fail "Frame0.bmp not written"
[ "$(identify -format '%w x %h' "$dir/Frame0.bmp")" = "640 x 480" ] ||
    fail "Frame0.bmp is $(identify -format '%w x %h' "$dir/Frame0.bmp")"
err=$(band_error "$dir/Frame0.bmp" 0 0 640 480)
[ "$err" -le 16 ] || fail "Frame0.bmp is not the camera's picture (off by $err)"
album=$(wait_window '^Album$') || fail "no album after the capture"

# Pulled out: a capture is refused with a box, no frame file, the program runs on.
touch "$cams/unplugged"
logged() { grep -q "$1" "$FAKECAM_LOG" 2>/dev/null; }
poll 10 logged UNPLUG || fail "the camera never noticed it was pulled out"
# Each capture is answered with its frame file or with a box; until the program notices the
# loss, the last picture may still be written.
answered() { [ -e "$dir/Frame$((captures - 1)).bmp" ] || boxes_at_least 2; }
for _ in $(seq 30); do
    capture_button
    poll 20 answered || fail "capture $((captures - 1)) brought neither its frame file nor a box"
    boxes_at_least 2 && break
done
boxes_at_least 2 || fail "no box for a capture from a camera that was pulled out"
refused=$dir/Frame$((captures - 1)).bmp
answer_box "$wid" || fail "the box for the refused capture did not close"
kill -0 "$pid" || fail "the program ended after the camera went"
[ ! -e "$refused" ] || fail "$(basename "$refused") written for a refused capture"

# Plugged in again and chosen again in "Select Source": its picture comes back.
rm "$cams/unplugged"
poll 10 boxes_are 1 || fail "$(($(box_count) - 1)) boxes left open"
streams() { grep -c '^video0 STREAMON$' "$FAKECAM_LOG" || true; }
before=$(streams)
streams_again() { [ "$(streams)" -gt "$before" ]; }
click "$wid" 103 16
wait_dialog '^Select Source$' >/dev/null || fail "no Select Source dialog holding the keyboard"
xdotool key Return
wait_gone '^Select Source$' || fail "the dialog did not close"
# Captured once the camera streams again.
poll 20 streams_again || fail "the camera was not started again after Select Source"
# The camera's stream starts anew: it is captured once its frame counter (the strip at the
# top of its picture) moves again, not while the last picture before the loss is on show.
wait_change "$wid" 640x60+13+44 0 || fail "the camera's frame counter did not move again"
next=$dir/Frame$captures.bmp
capture_button
wait_file "$next" || fail "no capture after plugging the camera in again"
err=$(band_error "$next" 0 0 640 480)
[ "$err" -le 16 ] || fail "$(basename "$next") is not the camera's picture (off by $err)"
stop
echo "e2e camera (${NIMBACAST_PREVIEW:-overlay}): ok"
