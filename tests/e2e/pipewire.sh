# A camera behind PipeWire as a user meets it: a virtual camera node of the test's own daemon
# (run-with-pipewire.sh; tests/pipewire/virtual-camera.c says how it streams) chosen at
# start-up for its maker's name, its picture previewed and captured, a smaller size chosen in
# "Video Format", and the node taken away: a capture is then refused and the program runs on.
source "$E2E_LIB"

node=quorix-e2e-camera
camera_log=$E2E_WORK/virtual-camera.out
"$PIPEWIRE_VIRTUAL_CAMERA" "$node" "Quorix PipeWire Camera" >"$camera_log" 2>&1 &
camera=$!
trap 'kill $camera 2>/dev/null || true' EXIT
poll 10 grep -q ready "$camera_log" || fail "the virtual camera did not start"
# Offered by the session manager once it has made an item of the node.
offered() { grep -q "node.name = \"$node\"" <<<"$(pw-cli ls Node 2>/dev/null || true)"; }
poll 10 offered || fail "PipeWire does not list the virtual camera's node"

start pipewire ""
wait_geometry "$wid" "0,0 663x558" || fail "not fitted to 640 x 480: $(geometry "$wid")"

shows_camera "$wid" 13 44 640 480 || fail "the preview does not show the camera's picture"

click "$wid" 138 16
wait_file "$dir/Frame0.bmp" || fail "Frame0.bmp not written"
[ "$(identify -format '%w x %h' "$dir/Frame0.bmp")" = "640 x 480" ] || fail "Frame0.bmp is not 640 x 480"
err=$(band_error "$dir/Frame0.bmp" 0 0 640 480)
[ "$err" -le 16 ] || fail "Frame0.bmp is not the camera's picture (off by $err)"
wait_window '^Album$' >/dev/null || fail "no album after the capture"

# "Video Format": the node's sizes, the current one chosen; the one above it is 320 x 240.
click "$wid" 45 16
wait_dialog '^Video Format$' >/dev/null || fail "no Video Format dialog holding the keyboard"
xdotool key Up Return
wait_gone '^Video Format$' || fail "the Video Format dialog did not close"
wait_geometry "$wid" "0,0 343x318" || fail "not refitted to 320 x 240: $(geometry "$wid")"
shows_camera "$wid" 13 44 320 240 || fail "the preview at 320 x 240 does not show the camera's picture"

# The node goes: a capture is refused with a box and no frame file; the program runs on.
kill "$camera"
wait "$camera" 2>/dev/null || true
# Each capture is answered with its frame file or with a box; until the program notices the
# loss, the last picture may still be written.
captures=1
answered() { [ -e "$dir/Frame$((captures - 1)).bmp" ] || boxes_at_least 2; }
for _ in $(seq 30); do
    click "$wid" 138 16
    captures=$((captures + 1))
    poll 20 answered || fail "capture $((captures - 1)) brought neither its frame file nor a box"
    boxes_at_least 2 && break
done
boxes_at_least 2 || fail "no box for a capture from a camera whose node has gone"
answer_box "$wid" || fail "the box for the refused capture did not close"
kill -0 "$pid" || fail "the program ended after the camera went"
[ ! -e "$dir/Frame$((captures - 1)).bmp" ] || fail "a frame was written for a refused capture"
stop
echo "e2e pipewire: ok"
