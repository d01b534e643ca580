# On a scaled desktop (QT_SCALE_FACTOR=2, as KDE and GNOME scale on X11) the preview fills its
# capture window, twice as large in the screen's pixels as the picture, for the test pattern
# and for a camera drawn by the X server; a capture keeps the camera's own size. Placements
# are in the toolkit's pixels, so the screen sees every size doubled. E2E_FAKECAM is the
# emulator.
source "$E2E_LIB"
export QT_SCALE_FACTOR=2

# The test pattern at 320 x 240: its frame of 343 x 318 with the picture at (13, 44), doubled.
start pattern '{"drivers":[{"index":0,"name":"Quorix Test Pattern","width":320,"height":240}]}'
wait_geometry "$wid" "0,0 686x636" || fail "test pattern not fitted: $(geometry "$wid")"
preview_runs "$wid" 640 480 || fail "the test pattern's preview does not move"
# The pattern's white bar at its top-left corner, and its blue bar at the top right, reach
# the capture window's corners: nothing of it is left black.
for at in "30 92" "660 92"; do
    read -r x y <<<"$at"
    [ "$(pixel "$wid" "$x" "$y")" != "0,0,0" ] ||
        fail "the test pattern leaves ($x, $y) of its capture window black"
done
stop

emulated_cameras
cat >"$FAKECAM_CONFIG" <<JSON
{"cameras":[{"node":"video0","metaNode":"video1","card":"Quorix USB Camera",
  "bus":"usb-0000:00:14.0-2","formats":[{"fourcc":"YUYV","sizes":[[320,240,[30]]]}]}]}
JSON
start camera ""
wait_geometry "$wid" "0,0 686x636" || fail "camera not fitted: $(geometry "$wid")"
# The camera's four bands across the whole capture window, at (26, 88) on the screen.
shows_camera "$wid" 26 88 640 480 || fail "the camera's picture does not fill its capture window"
click "$wid" 276 32
wait_file "$dir/Frame0.bmp" || fail "Frame0.bmp not written"
[ "$(identify -format '%w x %h' "$dir/Frame0.bmp")" = "320 x 240" ] ||
    fail "Frame0.bmp is $(identify -format '%w x %h' "$dir/Frame0.bmp"), not the camera's size"
stop
echo "e2e scaled: ok"
