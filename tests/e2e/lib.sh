# Helpers of the end-to-end scripts; sourced inside the X server.
set -euo pipefail

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${log:-}" ] && [ -s "$log" ]; then
        echo "--- what the program printed:" >&2
        cat "$log" >&2
    fi
    if [ -n "${pid:-}" ] && ! kill -0 "$pid" 2>/dev/null; then
        wait "$pid" 2>/dev/null
        echo "--- the program had ended with status $?" >&2
    fi
    exit 1
}

# start NAME DRIVERS_JSON: starts the program in a fresh start-up directory $E2E_WORK/NAME
# with the given simulated drivers; sets pid, dir and wid (the main window).
start() {
    dir=$E2E_WORK/$1
    mkdir -p "$dir"
    cp "$NIMBACAST_HELPFILE" "$dir/GuiHelp.hlp"
    printf '%s\n' "$2" >"$dir/drivers.json"
    log=$E2E_WORK/$1.out
    (cd "$dir" && NIMBACAST_CAPTURE_DRIVERS=$dir/drivers.json exec "$NIMBACAST_PROGRAM" \
        >"$log" 2>&1) &
    pid=$!
    wid=$(wait_window '^ USB Camera$') || fail "no main window in $1"
    sleep 1
}

stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# wait_window NAME_REGEX: prints the first visible window of that name, waiting up to 10 s.
wait_window() {
    local w
    for _ in $(seq 100); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        [ -n "$w" ] && { echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}

# geometry WINDOW: "x,y wxh" of the window.
geometry() {
    xdotool getwindowgeometry "$1" | tr -d ' ' | sed -n 's/^\(Position\|Geometry\)://p' |
        cut -d'(' -f1 | paste -sd' '
}

# click WINDOW X Y: a left click at client coordinates.
click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
}

# wait_file PATH: waits up to 20 s for a file to appear (a slow or sanitizer build is slow).
wait_file() {
    for _ in $(seq 200); do
        [ -e "$1" ] && { sleep 0.2; return 0; }
        sleep 0.1
    done
    return 1
}

# wait_gone NAME_REGEX: waits up to 10 s until no visible window has that name.
wait_gone() {
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.1
    done
    return 1
}
