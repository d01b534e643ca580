# A camera keeps what the user set, and comes back by itself, on the emulated webcam: the
# brightness set in Video Source is there from the first frame of the next run (the camera
# forgot it: each run is a camera freshly powered), and the camera pulled out and plugged in
# again previews again with no click, still brighter, and is captured.
source "$E2E_LIB"

emulated_cameras
cat >"$FAKECAM_CONFIG" <<JSON
{"cameras":[{"node":"video0","metaNode":"video1","card":"Quorix USB Camera",
  "bus":"usb-0000:00:14.0-2","unplugFile":"$cams/unplugged",
  "formats":[{"fourcc":"YUYV","sizes":[[640,480,[30,15]]]}]}]}
JSON
logged_since() { tail -n +"$(($1 + 1))" "$FAKECAM_LOG" | grep -q "$2"; }

start keeps ""
wait_geometry "$wid" "0,0 663x558" || fail "not fitted to 640 x 480: $(geometry "$wid")"
shows_camera "$wid" 13 44 640 480 || fail "the preview does not show the camera's picture"

# Video Source from the keyboard: the brightness (its first control) to its highest, OK.
click "$wid" 74 16
wait_dialog '^Video Source$' >/dev/null || fail "no Video Source dialog holding the keyboard"
xdotool key End Return
wait_gone '^Video Source$' || fail "the Video Source dialog did not close"
poll 10 logged_since 0 'S_CTRL 0x00980900 64' || fail "the brightness did not reach the camera"
stop

# The next run: the brightness is on the camera before it streams, so the first picture
# shown is brighter.
lines=$(wc -l <"$FAKECAM_LOG")
start keeps ""
shows_camera "$wid" 13 44 640 480 +64 || fail "the picture of the next run is not brighter"
tail -n +"$((lines + 1))" "$FAKECAM_LOG" | grep -E '^video0 (S_CTRL|STREAMON)' | head -1 |
    grep -q 'S_CTRL 0x00980900 64' || fail "the brightness was not set before the stream began"

# Pulled out and plugged in again: the preview moves again by itself.
lines=$(wc -l <"$FAKECAM_LOG")
touch "$cams/unplugged"
poll 10 logged_since "$lines" UNPLUG || fail "the camera never noticed it was pulled out"
rm "$cams/unplugged"
poll 10 logged_since "$lines" REPLUG || fail "the camera was not plugged in again"
wait_change "$wid" 640x60+13+44 0 || fail "the preview did not come back by itself"
shows_camera "$wid" 13 44 640 480 +64 || fail "the camera came back without its brightness"
click "$wid" 138 16
wait_file "$dir/Frame0.bmp" || fail "no capture after the camera came back"
err=$(band_error "$dir/Frame0.bmp" 0 0 640 480 +64)
[ "$err" -le 16 ] || fail "Frame0.bmp is not the brighter picture (off by $err)"
boxes_are 1 || fail "$(($(box_count) - 1)) boxes open beside the main window"
stop
echo "e2e keeps: ok"
