# Helpers of the end-to-end scripts; sourced inside the X server.
set -euo pipefail

# Under a window manager when E2E_WM names one: placements are then checked with the
# decorations it puts around every window.
if [ -n "${E2E_WM:-}" ] && ! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
    "$E2E_WM" >/dev/null 2>&1 &
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
        sleep 0.1
    done
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' ||
        { echo "FAIL: $E2E_WM did not start" >&2; exit 1; }
fi

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
# with the given simulated drivers (empty: the machine's own, as for a user); sets pid, dir
# and wid (the main window). The array program_env, when a script sets it, adds variables
# (NAME=VALUE) to the program's environment alone.
# The registry of a run is $dir/registry.json, never the user's own; a script may write it,
# or Camera.ini, into $E2E_WORK/NAME before it starts the program there. A third argument
# is the caption to wait for (default " USB Camera").
start() {
    dir=$E2E_WORK/$1
    mkdir -p "$dir"
    cp "$NIMBACAST_HELPFILE" "$dir/GuiHelp.hlp"
    local -a vars=("${program_env[@]}" "NIMBACAST_REGISTRY=$dir/registry.json")
    if [ -n "$2" ]; then
        printf '%s\n' "$2" >"$dir/drivers.json"
        vars+=("NIMBACAST_CAPTURE_DRIVERS=$dir/drivers.json")
    fi
    log=$E2E_WORK/$1.out
    (cd "$dir" && exec env "${vars[@]}" "$NIMBACAST_PROGRAM" >"$log" 2>&1) &
    pid=$!
    wid=$(wait_window "${3:-^ USB Camera\$}") || fail "no main window in $1"
    sleep 1
}
program_env=()

# ended: waits up to 10 s for the program to end by itself.
ended() {
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || { wait "$pid" 2>/dev/null || true; return 0; }
        sleep 0.1
    done
    return 1
}

stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# wait_window NAME_REGEX: prints the first visible window of that name, waiting up to 10 s;
# under a window manager, once it wears its decorations and stands still.
wait_window() {
    local w
    for _ in $(seq 100); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        [ -n "$w" ] && { settle_window "$w"; echo "$w"; return 0; }
        sleep 0.1
    done
    return 1
}

# settle_window WINDOW: waits up to 5 s for the window manager to frame the window and for
# its outer bounds to stay the same over two looks.
settle_window() {
    [ -n "${E2E_WM:-}" ] || return 0
    local before now
    for _ in $(seq 50); do
        if xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; then
            now=$(outer "$1")
            [ "$now" = "${before:-}" ] && return 0
            before=$now
        fi
        sleep 0.1
    done
}

# bounds WINDOW: "x y w h l r t b": the client area's place on the screen and size, and the
# window manager's decorations around it (all 0 on a bare X server).
bounds() {
    local info ext
    info=$(xwininfo -id "$1")
    ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
    echo "$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")" \
        "$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")" \
        "$(sed -n 's/^ *Width: *//p' <<<"$info")" "$(sed -n 's/^ *Height: *//p' <<<"$info")" \
        ${ext//,/ }
}

# geometry WINDOW: "x,y wxh": where the window's outer bounds begin and its client size.
geometry() {
    local x y w h l=0 r=0 t=0 b=0
    read -r x y w h l r t b <<<"$(bounds "$1")"
    echo "$((x - ${l:-0})),$((y - ${t:-0})) ${w}x$h"
}

# outer WINDOW: "x,y wxh" of the window's outer bounds, decorations included.
outer() {
    local x y w h l=0 r=0 t=0 b=0
    read -r x y w h l r t b <<<"$(bounds "$1")"
    l=${l:-0} r=${r:-0} t=${t:-0} b=${b:-0}
    echo "$((x - l)),$((y - t)) $((w + l + r))x$((h + t + b))"
}

# right_of WINDOW / left_of WINDOW: the x just past its outer right edge, its outer left x.
right_of() { local o; o=$(outer "$1"); echo $(( ${o%%,*} + $(cut -d' ' -f2 <<<"$o" | cut -dx -f1) )); }
left_of() { local o; o=$(outer "$1"); echo "${o%%,*}"; }
top_of() { local o; o=$(outer "$1"); o=${o#*,}; echo "${o%% *}"; }

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

# The emulated and virtual cameras' picture: four vertical colour bands.
# band_error IMAGE X0 Y0 W H: the largest channel difference from the camera's four bands
# at the middle of each band of the picture at (X0, Y0) of that size in IMAGE.
band_error() {
    local worst=0 i x y rgb r g b want
    local -a wanted=("200 50 50" "50 200 50" "50 50 200" "200 200 50")
    for i in 0 1 2 3; do
        x=$(($2 + $4 * (2 * i + 1) / 8)) y=$(($3 + $5 * 2 / 3))
        rgb=$(/usr/bin/convert "$1" -format "%[fx:int(255*p{$x,$y}.r)] %[fx:int(255*p{$x,$y}.g)] %[fx:int(255*p{$x,$y}.b)]" info:)
        read -r r g b <<<"$rgb"
        read -r -a want <<<"${wanted[$i]}"
        for d in $((r - want[0])) $((g - want[1])) $((b - want[2])); do
            d=${d#-}
            ((d > worst)) && worst=$d
        done
    done
    echo "$worst"
}

# shows_camera WID X0 Y0 W H: waits up to 5 s for window WID to show the camera's picture at
# (X0, Y0) of that size; fails naming how far off the last look was.
shows_camera() {
    local shot err
    shot=$(mktemp --suffix=.png)
    for _ in $(seq 50); do
        import -window "$1" "$shot"
        err=$(band_error "$shot" "$2" "$3" "$4" "$5")
        [ "$err" -le 16 ] && { rm -f "$shot"; return 0; }
        sleep 0.1
    done
    rm -f "$shot"
    echo "off by $err" >&2
    return 1
}
