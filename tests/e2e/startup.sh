# Window place, size and caption, a moving preview, the no-driver start, a broken drivers
# file.
source "$E2E_LIB"

two_drivers='{"drivers": [
  {"index": 0, "name": "Generic", "connect": false},
  {"index": 2, "name": "Quorix VideoCam", "version": "5.1.0", "width": 640, "height": 480}]}'
# The capture window lies at (13, 44) in the client area: two shots of it must differ.
preview_moves() {
    import -window "$wid" -crop 640x480+13+44 +repage "$dir/a.png"
    sleep 0.5
    import -window "$wid" -crop 640x480+13+44 +repage "$dir/b.png"
    changed=$(compare -metric AE "$dir/a.png" "$dir/b.png" null: 2>&1 || true)
    [ "${changed%%.*}" -gt 1000 ] || fail "$1: preview does not move ($changed pixels changed)"
    colours=$(/usr/bin/convert "$dir/a.png" -format '%k' info:)
    [ "$colours" -gt 4 ] || fail "$1: preview shows $colours colours"
}
start preferred "$two_drivers"
[ "$(xdotool getwindowname "$wid")" = " USB Camera" ] || fail "caption '$(xdotool getwindowname "$wid")'"
[ "$(geometry "$wid")" = "0,0 663x558" ] || fail "640x480 driver: window at $(geometry "$wid")"
preview_moves "drawn by the X server"
stop
# The same through the toolkit's own painting.
NIMBACAST_PREVIEW=toolkit start toolkit "$two_drivers"
[ "$(geometry "$wid")" = "0,0 663x558" ] || fail "toolkit preview: window at $(geometry "$wid")"
preview_moves "painted by the toolkit"
stop

start none '{"drivers": []}'
[ "$(geometry "$wid")" = "0,0 280x276" ] || fail "no driver: window at $(geometry "$wid")"
stop

# A broken drivers file is reported and the program still runs, with no driver.
mkdir -p "$E2E_WORK/broken"
echo '{"drivers": [ {"index": 1,} ]}' >"$E2E_WORK/broken/drivers.json"
(cd "$E2E_WORK/broken" && NIMBACAST_CAPTURE_DRIVERS=$E2E_WORK/broken/drivers.json \
    exec "$NIMBACAST_PROGRAM" >"$E2E_WORK/broken/out.txt" 2>&1) &
pid=$!
for _ in $(seq 50); do grep -q drivers.json "$E2E_WORK/broken/out.txt" && break; sleep 0.1; done
grep -q "drivers.json" "$E2E_WORK/broken/out.txt" || fail "broken drivers file not reported"
kill -0 "$pid" || fail "program ended after a broken drivers file"
stop
echo "e2e startup: ok"
