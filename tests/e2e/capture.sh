# Five captures with one 320 x 240 driver: the frame files, the album beside the main
# window, zoom beside the album; with no driver nothing is captured.
source "$E2E_LIB"

capture_button() { click "$wid" 138 16; }

start one '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'
preview_runs "$wid" 320 240 || fail "the preview does not run"
capture_button
album=$(wait_window '^Album$') || fail "no album after the first capture"
wait_file "$dir/Frame0.bmp" || fail "Frame0.bmp not written"
# Flush against the main window's outer right edge, at its top.
[ "$(geometry "$album")" = "$(right_of "$wid"),0 120x265" ] ||
    fail "album at $(outer "$album"), main window at $(outer "$wid")"
click "$album" 44 13 # zoom
viewer=$(wait_window '^Frame 0$') || fail "no viewer 'Frame 0'"
[ "$(geometry "$viewer")" = "$(right_of "$album"),0 320x240" ] ||
    fail "viewer at $(outer "$viewer"), album at $(outer "$album")"
for i in 1 2 3 4; do
    capture_button
    wait_file "$dir/Frame$i.bmp" || fail "Frame$i.bmp not written"
done
for i in 0 1 2 3 4; do
    f=$dir/Frame$i.bmp
    [ "$(identify -format '%w x %h %[bit-depth] %[channels]' "$f")" = "320 x 240 8 srgb" ] ||
        fail "Frame$i.bmp is $(identify -format '%w x %h %[bit-depth] %[channels]' "$f")"
    # 24 bits per pixel in the info header.
    [ "$(od -An -tu2 -j28 -N2 "$f" | tr -d ' ')" = 24 ] || fail "Frame$i.bmp is not 24-bit"
    colours=$(/usr/bin/convert "$f" -format '%k' info:)
    [ "$colours" -gt 4 ] || fail "Frame$i.bmp holds $colours colours, not the live picture"
done
[ ! -e "$dir/Frame5.bmp" ] || fail "a sixth frame was written"

# A frame lost behind the program's back: the up arrow, held, would step onto it. One
# error box, and the program answers afterwards.
capture_button
wait_file "$dir/Frame5.bmp" || fail "Frame5.bmp not written"
rm "$dir/Frame2.bmp"
xdotool mousemove --window "$album" 111 36 mousedown 1
poll 20 boxes_at_least 2 || { xdotool mouseup 1; fail "no error box for the lost frame"; }
# Held on past the box for as long as the arrow takes to repeat several times: this is how
# long the press lasts, not a wait for something.
sleep 1.5
xdotool mouseup 1
# Nor does a box come after the release: that has no sign but the time that passes, so the
# look is short.
stays 0.5 boxes_are 2 || fail "$(($(box_count) - 1)) error boxes for one failing scroll step"
answer_box "$wid" || fail "the error box did not close"
poll 10 boxes_are 1 || fail "$(($(box_count) - 1)) error boxes left open"
capture_button
wait_file "$dir/Frame6.bmp" || fail "the program does not answer after the error box"
stop

# The main window near the screen's right edge: the album, placed for the first time, goes
# to its left and touches its outer left edge.
start left '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'
xdotool windowmove "$wid" 1000 0
moved() { [ "$(left_of "$wid")" -gt 900 ]; }
poll 10 moved || fail "the main window did not move to x 1000: $(outer "$wid")"
settle_window "$wid"
preview_runs "$wid" 320 240 || fail "the preview does not run"
capture_button
album=$(wait_window '^Album$') || fail "no album after the first capture"
[ "$(right_of "$album")" = "$(left_of "$wid")" ] ||
    fail "album at $(outer "$album"), main window at $(outer "$wid")"
[ "$(top_of "$album")" = "$(top_of "$wid")" ] ||
    fail "album at $(outer "$album"), main window at $(outer "$wid")"
stop

start none '{"drivers": []}'
for _ in 1 2 3; do capture_button; done
# Handled by the time the program answers what was asked after them.
responds || fail "the program does not answer after captures without a driver"
[ -z "$(ls "$dir" | grep Frame || true)" ] || fail "frames written without a driver"
! xdotool search --onlyvisible --name '^Album$' >/dev/null 2>&1 || fail "album shown without a driver"
stop
# A write-protected start-up directory: the failed load is reported, the program runs on.
ro=$E2E_WORK/readonly
mkdir -p "$ro"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o size=4m tmpfs "$ro" 2>/dev/null; then
    trap 'umount -l "$ro" 2>/dev/null || true' EXIT
    protect() { mount -o remount,ro "$ro"; }
    release() { umount "$ro"; }
elif [ "$(id -u)" != 0 ]; then
    protect() { chmod 555 "$ro"; }
    release() { chmod 755 "$ro"; }
else
    echo "e2e capture: no way to write-protect a directory here; that part is skipped"
    echo "e2e capture: ok"
    exit 0
fi
start readonly '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'
preview_runs "$wid" 320 240 || fail "the preview does not run"
protect
capture_button
poll 20 boxes_at_least 2 || fail "no error report after a capture into a write-protected directory"
answer_box "$wid" || fail "the error report did not close"
kill -0 "$pid" || fail "the program ended after the failed capture"
responds || fail "the program does not answer after the failed capture"
boxes_are 1 || fail "the error report did not close"
[ ! -e "$ro/Frame0.bmp" ] || fail "a frame was written into a write-protected directory"
stop
release
echo "e2e capture: ok"
