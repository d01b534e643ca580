# Window place, size and caption, a moving preview, the no-driver start, a broken drivers
# file.
source "$E2E_LIB"

two_drivers='{"drivers": [
  {"index": 0, "name": "Generic", "connect": false},
  {"index": 2, "name": "Quorix VideoCam", "version": "5.1.0", "width": 640, "height": 480}]}'
# The capture window lies at (13, 44) in the client area: it must change from how it looked
# at first, and show a picture.
preview_moves() {
    wait_change "$wid" 640x480+13+44 1000 || fail "$1: preview does not move ($changed pixels changed)"
    import -window "$wid" -crop 640x480+13+44 +repage "$dir/a.png"
    colours=$(/usr/bin/convert "$dir/a.png" -format '%k' info:)
    [ "$colours" -gt 4 ] || fail "$1: preview shows $colours colours"
}
start preferred "$two_drivers"
[ "$(xdotool getwindowname "$wid")" = " USB Camera" ] || fail "caption '$(xdotool getwindowname "$wid")'"
wait_geometry "$wid" "0,0 663x558" || fail "640x480 driver: window at $(geometry "$wid")"
preview_moves "drawn by the X server"
stop
# The same through the toolkit's own painting.
NIMBACAST_PREVIEW=toolkit start toolkit "$two_drivers"
wait_geometry "$wid" "0,0 663x558" || fail "toolkit preview: window at $(geometry "$wid")"
preview_moves "painted by the toolkit"
stop

start none '{"drivers": []}'
wait_geometry "$wid" "0,0 280x276" || fail "no driver: window at $(geometry "$wid")"
stop

# A broken drivers file is reported and the program still runs, with no driver.
mkdir -p "$E2E_WORK/broken"
echo '{"drivers": [ {"index": 1,} ]}' >"$E2E_WORK/broken/drivers.json"
(cd "$E2E_WORK/broken" && NIMBACAST_CAPTURE_DRIVERS=$E2E_WORK/broken/drivers.json \
    exec "$NIMBACAST_PROGRAM" >"$E2E_WORK/broken/out.txt" 2>&1) &
pid=$!
log=$E2E_WORK/broken/out.txt
poll 10 grep -q drivers.json "$log" || fail "broken drivers file not reported"
# Said in a box as well; once it is answered the main window comes, with no driver.
report_box() { xdotool search --onlyvisible --classname '^nimbacast$' 2>/dev/null | head -n1 || true; }
report_up() { [ -n "$(report_box)" ]; }
poll 10 report_up || fail "no box reporting the broken drivers file"
kill -0 "$pid" || fail "program ended after a broken drivers file"
wait_focus "$(report_box)" || fail "the report box did not take the keyboard"
xdotool key Return
wid=$(wait_window '^ USB Camera$') || fail "no main window after a broken drivers file"
wait_geometry "$wid" "0,0 280x276" || fail "broken drivers file: window at $(geometry "$wid")"
stop
echo "e2e startup: ok"
