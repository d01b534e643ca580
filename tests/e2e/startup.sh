#!/usr/bin/env bash
# The built program under a real X server with simulated drivers: window place, size and
# caption, a moving preview, and the no-driver start.
set -euo pipefail
program=$1
helpfile=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR=$work/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

cat >"$work/preferred.json" <<'JSON'
{"drivers": [
  {"index": 0, "name": "Generic", "connect": false},
  {"index": 2, "name": "Quorix VideoCam", "version": "5.1.0", "width": 640, "height": 480}
]}
JSON
echo '{"drivers": []}' >"$work/none.json"
echo '{"drivers": [ {"index": 1,} ]}' >"$work/broken.json"

cat >"$work/inside.sh" <<'INSIDE'
#!/usr/bin/env bash
set -euo pipefail
program=$1 work=$2 helpfile=$3
fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts the program with a drivers file in a fresh start-up directory; sets pid and wid.
start() {
    local drivers=$1 dir=$work/start-$(basename "$1" .json)
    mkdir -p "$dir"
    cp "$helpfile" "$dir/GuiHelp.hlp"
    (cd "$dir" && NIMBACAST_CAPTURE_DRIVERS=$drivers exec "$program" >"$dir/out.txt" 2>&1) &
    pid=$!
    wid=
    for _ in $(seq 100); do
        wid=$(xdotool search --onlyvisible --name '^ USB Camera$' 2>/dev/null | head -n1 || true)
        [ -n "$wid" ] && break
        sleep 0.1
    done
    [ -n "$wid" ] || fail "no main window for $drivers"
    sleep 1
}
stop() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; }
geometry() { xdotool getwindowgeometry "$wid" | tr -d ' ' | sed -n 's/^\(Position\|Geometry\)://p' | cut -d'(' -f1 | paste -sd' '; }

start "$work/preferred.json"
[ "$(xdotool getwindowname "$wid")" = " USB Camera" ] || fail "caption '$(xdotool getwindowname "$wid")'"
[ "$(geometry)" = "0,0 663x558" ] || fail "640x480 driver: window at $(geometry)"
# The capture window lies at (13, 44) in the client area: two shots of it must differ.
import -window "$wid" -crop 640x480+13+44 +repage "$work/a.png"
sleep 0.5
import -window "$wid" -crop 640x480+13+44 +repage "$work/b.png"
changed=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
[ "${changed%%.*}" -gt 1000 ] || fail "preview does not move ($changed pixels changed)"
colours=$(/usr/bin/convert "$work/a.png" -format '%k' info:)
[ "$colours" -gt 4 ] || fail "preview shows $colours colours"
stop

start "$work/none.json"
[ "$(geometry)" = "0,0 280x276" ] || fail "no driver: window at $(geometry)"
stop

# A broken drivers file is reported and the program still runs, with no driver.
(cd "$work" && NIMBACAST_CAPTURE_DRIVERS=$work/broken.json exec "$program" >"$work/broken.txt" 2>&1) &
pid=$!
for _ in $(seq 50); do grep -q broken.json "$work/broken.txt" && break; sleep 0.1; done
grep -q "broken.json" "$work/broken.txt" || fail "broken drivers file not reported"
kill -0 "$pid" || fail "program ended after a broken drivers file"
stop
echo "e2e startup: ok"
INSIDE
chmod +x "$work/inside.sh"
xvfb-run -a -s "-screen 0 1280x1024x24" "$work/inside.sh" "$program" "$work" "$helpfile"
