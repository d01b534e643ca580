# Two starts in one start-up directory: the second brings the first's main window to the
# front and ends with status 0, touching none of the first's files; a start after the first
# was killed runs as usual; a start in another directory runs beside it.
source "$E2E_LIB"

driver='{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'

# launch NAME DIR: starts the program in DIR with the simulated driver, its registry there and
# its output in $E2E_WORK/NAME.out; sets pid.
launch() {
    mkdir -p "$2"
    printf '%s\n' "$driver" >"$2/drivers.json"
    log=$E2E_WORK/$1.out
    (cd "$2" && NIMBACAST_CAPTURE_DRIVERS=$2/drivers.json NIMBACAST_REGISTRY=$2/registry.json \
        exec "$NIMBACAST_PROGRAM" >"$log" 2>&1) &
    pid=$!
}

# main_of PID: the visible main window of that process, waiting up to 20 s.
main_of() {
    local w until
    until=$(deadline 20)
    while :; do
        w=$(xdotool search --all --onlyvisible --pid "$1" --name '^ USB Camera$' 2>/dev/null | head -n1 || true)
        [ -n "$w" ] && { settle_window "$w"; echo "$w"; return 0; }
        past "$until" && return 1
        sleep 0.1
    done
}

# above W1 W2: whether W1 is stacked above W2 (by the window manager's list under one, by the
# server's order of the root's children on a bare server).
above() {
    local order w
    if [ -n "${E2E_WM:-}" ]; then
        order=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr ',' '\n' | tac)
    else
        order=$(xwininfo -root -children | awk '/^ +0x/ {print $1}')
    fi
    for w in $order; do
        [ $((w)) = "$1" ] && return 0
        [ $((w)) = "$2" ] && return 1
    done
    return 1
}

# in_front W1 W2: waits up to 10 s for W1 to stand above W2 and, under a window manager (which
# alone hands the focus from one program to another), to hold the focus.
in_front() { poll 10 stands_in_front "$1" "$2"; }
stands_in_front() { above "$1" "$2" && { [ -z "${E2E_WM:-}" ] || has_focus "$1"; }; }

main_windows() { xdotool search --onlyvisible --name '^ USB Camera$' 2>/dev/null | wc -l; }

one=$E2E_WORK/one
launch first "$one"
first=$pid
w1=$(main_of "$first") || fail "no main window of the first start"
preview_runs "$w1" 320 240 || fail "the first start's preview does not run"
click "$w1" 138 16
wait_file "$one/Frame0.bmp" || fail "the first start wrote no Frame0.bmp"
frame=$(md5sum <"$one/Frame0.bmp")
registry=$(md5sum <"$one/registry.json")

# Another directory: it runs beside the first, and takes the focus.
launch other "$E2E_WORK/two"
other=$pid
w2=$(main_of "$other") || fail "no main window in another directory"
[ "$(main_windows)" = 2 ] || fail "$(main_windows) main windows with two directories"
xdotool windowactivate "$w2" 2>/dev/null || xdotool windowraise "$w2" windowfocus "$w2"
in_front "$w2" "$w1" || fail "the second directory's window did not come to the front"

# A second start in the first one's directory.
launch second "$one"
ended || fail "the second start in the same directory did not end"
[ "$status" = 0 ] || fail "the second start ended with status $status"
in_front "$w1" "$w2" || fail "the first start's main window did not come to the front"
[ "$(main_windows)" = 2 ] || fail "$(main_windows) main windows after the second start"
kill -0 "$first" || fail "the first start ended"
[ "$(md5sum <"$one/Frame0.bmp")" = "$frame" ] || fail "the first start's Frame0.bmp changed"
[ ! -e "$one/Frame1.bmp" ] || fail "a Frame1.bmp appeared"
[ "$(md5sum <"$one/registry.json")" = "$registry" ] || fail "the registry file changed"
[ ! -s "$E2E_WORK/second.out" ] || { log=$E2E_WORK/second.out; fail "the second start said something"; }

# Killed, the first leaves no lock behind: the next start there runs.
kill -KILL "$first"
wait "$first" 2>/dev/null || true
launch third "$one"
main_of "$pid" >/dev/null || fail "no main window of a start after the first was killed"
stop
pid=$other
stop
echo "e2e instance: ok"
