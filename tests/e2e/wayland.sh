#!/usr/bin/env bash
# A Wayland session as a new user meets it: weston (headless, with Xwayland) and Qt's Wayland
# plugin installed. With WAYLAND_DISPLAY and DISPLAY set the program runs as an X11 client of
# Xwayland and asks for its windows where the placement rules put them; with
# QT_QPA_PLATFORM=wayland it runs on the compositor itself, quietly; the installed desktop
# entry starts it either way.
#   wayland.sh PROGRAM HELPFILE SYSTEMDIR WAYLAND_TESTS
set -euo pipefail
export NIMBACAST_PROGRAM=$1 NIMBACAST_HELPFILE=$2 NIMBACAST_SYSTEM_DIR=$3
wayland_tests=$4
export E2E_WORK=$(mktemp -d)
export XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM DISPLAY WAYLAND_DISPLAY XDG_SESSION_TYPE E2E_WM
for tool in weston Xwayland xdotool xwininfo xprop; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done

weston_log=$E2E_WORK/weston.log
weston --backend=headless-backend.so --xwayland --socket=nimbacast-e2e --width=1280 \
    --height=1024 --idle-time=0 >"$weston_log" 2>&1 &
weston_pid=$!
stop_weston() {
    kill "$weston_pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$weston_pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$weston_pid" 2>/dev/null || true
    wait "$weston_pid" 2>/dev/null || true
    rm -rf "$E2E_WORK"
}
trap stop_weston EXIT
for _ in $(seq 100); do
    grep -q 'xserver listening on display' "$weston_log" && break
    kill -0 "$weston_pid" 2>/dev/null || break
    sleep 0.1
done
display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$weston_log" | head -n1)
[ -n "$display" ] || { echo "FAIL: weston did not start with Xwayland" >&2; cat "$weston_log" >&2; exit 1; }
export WAYLAND_DISPLAY=nimbacast-e2e DISPLAY=$display
source "$(dirname "$0")/lib.sh"

# hinted WINDOW: "x,y", the place the program asked for in its size hints.
hinted() {
    xprop -id "$1" WM_NORMAL_HINTS | sed -n 's/.*user specified location: \(-*[0-9]*\), \(-*[0-9]*\).*/\1,\2/p'
}
# x_window NAME: whether Xwayland's window tree has a window of that name of this program.
x_window() {
    xwininfo -root -tree | grep -q "\"$1\": (\"nimbacast\""
}
# press WINDOW KEYS...: keys sent to the window. weston's headless backend has no seat, and
# Xwayland crashes on input made with XTEST; a key sent to the window reaches the program.
press() {
    local w=$1 key
    shift
    for key in "$@"; do xdotool key --window "$w" "$key" 2>/dev/null; done
}

# 1. X11 through Xwayland, as a Wayland session runs the program by default.
start xwayland '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'
x_window " USB Camera" || fail "the main window is no X window of Xwayland"
[ "$(hinted "$wid")" = "0,0" ] || fail "the main window asked for $(hinted "$wid"), not 0,0"
preview_runs "$wid" 320 240 || fail "the preview does not run"
# The focus goes round the buttons in their order; the fifth is the capture button.
press "$wid" Tab Tab Tab Tab Tab space
album=$(wait_window '^Album$') || fail "no album after a capture"
wait_file "$dir/Frame0.bmp" || fail "Frame0.bmp not written"
x_window "Album" || fail "the album is no X window of Xwayland"
# Beside the main window as the program asked for it: weston places X11 windows itself and
# does not tell their frames, while GNOME's and KDE's window managers do as asked; the ask is
# what the program controls. (Outer bounds are client areas: no frame extents are set.)
read -r mx my <<<"$(hinted "$wid" | tr , ' ')"
read -r _ _ mw _ <<<"$(bounds "$wid")"
read -r _ _ aw _ <<<"$(bounds "$album")"
screen=$(xwininfo -root | sed -n 's/^ *Width: *//p')
want=$((mx + mw))
[ "$screen" -lt $((mx + mw + aw)) ] && want=$((mx - aw))
{ [ "$want" -lt 0 ] || [ "$screen" -lt $((want + aw)) ]; } && want=0
[ "$(hinted "$album")" = "$want,$((my < 0 ? 0 : my))" ] ||
    fail "the album asked for $(hinted "$album"), main window asked for $mx,$my, $mw wide"
stop

# 2. On the compositor itself: the program starts, shows its window and ends at SIGTERM
# with nothing said but the protocol trace asked for here.
dir=$E2E_WORK/native
mkdir -p "$dir"
cp "$NIMBACAST_HELPFILE" "$dir/GuiHelp.hlp"
echo '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}' >"$dir/drivers.json"
log=$E2E_WORK/native.out
(cd "$dir" && QT_QPA_PLATFORM=wayland WAYLAND_DEBUG=client \
    NIMBACAST_CAPTURE_DRIVERS=$dir/drivers.json NIMBACAST_REGISTRY=$dir/registry.json \
    exec "$NIMBACAST_PROGRAM" >"$log" 2>&1) &
pid=$!
# The window is there once it has its title and the compositor has had a buffer of it.
shown() { grep -q 'set_title(" USB Camera")' "$log" && grep -q 'wl_surface@[0-9]*\.attach(wl_buffer' "$log"; }
poll 20 shown || fail "no window of the program drawn on the compositor"
! x_window " USB Camera" || fail "with QT_QPA_PLATFORM=wayland the program is an X11 client"
# It runs on: it hands the compositor one picture of its preview after another, twenty of them.
drawn() { [ "$(grep -c 'wl_surface@[0-9]*\.attach(wl_buffer' "$log")" -ge 20 ]; }
poll 20 drawn || fail "the program stopped drawing on the compositor"
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
kill -TERM "$pid"
ended || fail "the program did not end at SIGTERM"
[ "$status" = 0 ] || fail "the program ended with status $status"
said=$(grep -av '^\[ *[0-9]*\.[0-9]*\] ' "$log" || true)
[ -z "$said" ] || fail "the program said on the compositor: $said"
log=

# 3. The installed desktop entry's command, as a desktop runs it, in both cases: an X11
# client of Xwayland by default, a client of the compositor when Wayland is chosen.
prefix=$E2E_WORK/prefix
cmake --install "$E2E_BUILD_DIR" --prefix "$prefix" >"$E2E_WORK/install.out" 2>&1 ||
    fail "cmake --install failed"
exec_value=$(sed -n 's/^Exec=//p' "$prefix/share/applications/org.nimbacast.Nimbacast.desktop" | head -n1)
exec_value=$(printf '%s' "$exec_value" | sed -e 's/\\\\/\x01/g' -e 's/\\s/ /g' -e 's/\x01/\\/g')
eval "command=($exec_value)"
drivers=$E2E_WORK/entry-drivers.json
echo '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}' >"$drivers"
# shown_anywhere: the main window drawn on the compositor or made in Xwayland.
shown_anywhere() { shown || x_window " USB Camera"; }
for platform in default wayland; do
    log=$E2E_WORK/entry-$platform.out
    (
        cd /
        unset XDG_DATA_HOME
        export HOME=$E2E_WORK/home-$platform NIMBACAST_CAPTURE_DRIVERS=$drivers WAYLAND_DEBUG=client
        [ "$platform" = default ] || export QT_QPA_PLATFORM=$platform
        exec "${command[@]}" >"$log" 2>&1
    ) &
    pid=$!
    poll 20 shown_anywhere || fail "the desktop entry's program showed no window"
    if [ "$platform" = default ]; then
        x_window " USB Camera" || fail "the desktop entry's program is no X11 client of Xwayland"
    else
        shown || fail "the desktop entry's program drew no window on the compositor"
        ! x_window " USB Camera" || fail "the desktop entry's program is an X11 client"
    fi
    [ "$(readlink "/proc/$pid/cwd")" = "$E2E_WORK/home-$platform/.local/share/nimbacast" ] ||
        fail "the desktop entry's program runs in $(readlink "/proc/$pid/cwd")"
    stop
done
log=

# 4. Every window and dialog, worked in-process on the compositor.
log=$E2E_WORK/suite.out
(cd "$E2E_WORK" && QT_QPA_PLATFORM=wayland "$wayland_tests" >"$log" 2>&1) ||
    fail "the in-process suite failed on the compositor"
echo "e2e wayland: ok"
