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
# It returns once the main window is on the screen: the driver's pictures may not have come
# yet, so a script waits for the preview (preview_runs, shows_camera) before it captures.
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
}
program_env=()

# emulated_cameras: the emulated webcam (E2E_FAKECAM) in every program started after it, with
# its config ($FAKECAM_CONFIG, for the script to write), log and device directory under
# $cams. A sanitizer build's runtime is loaded before the emulator.
emulated_cameras() {
    cams=$E2E_WORK/cameras
    mkdir -p "$cams/dev"
    export FAKECAM_CONFIG=$cams/config.json FAKECAM_DEVICE_DIR=$cams/dev FAKECAM_LOG=$cams/log
    local preload=$E2E_FAKECAM asan
    # (awk reads ldd to its end: a pipe closed early would fail the line under pipefail.)
    asan=$(ldd "$NIMBACAST_PROGRAM" | awk '/libasan/ && !found++ {print $3}') || true
    [ -z "$asan" ] || preload=$asan:$preload
    program_env=(LD_PRELOAD=$preload NIMBACAST_DEVICE_DIR=$cams/dev)
}

# Waiting. Every wait below is for something the program shows or does, bounded by the clock
# (not by a count of looks, which take longer on a busy machine), and returns 1 when it did
# not come so that the caller fails naming it. The bounds are generous: they cost nothing when
# the thing comes, and a sanitizer build is several times slower.

# deadline SECONDS: the clock in milliseconds that many seconds (decimals allowed) from now.
# past DEADLINE: whether the clock has reached it.
now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((10#$t / 1000)); }
deadline() {
    local whole=${1%%.*} frac=000
    [[ $1 == *.* ]] && frac=${1#*.}000
    echo $(($(now_ms) + whole * 1000 + 10#${frac:0:3}))
}
past() { [ "$(now_ms)" -ge "$1" ]; }

# poll SECONDS COMMAND...: runs the command every tenth of a second until it succeeds, for up
# to SECONDS; fails when it never did.
poll() {
    local until
    until=$(deadline "$1")
    shift
    until "$@"; do
        past "$until" && return 1
        sleep 0.1
    done
}

# stays SECONDS COMMAND...: the command holds at every look for SECONDS. Only for what has no
# sign of its own, such as "no second box comes": keep SECONDS short.
stays() {
    local until
    until=$(deadline "$1")
    shift
    until past "$until"; do
        "$@" || return 1
        sleep 0.1
    done
    "$@"
}

# gone PID: whether that process has ended.
gone() { ! kill -0 "$1" 2>/dev/null; }

# ended [PID]: waits up to 20 s for the program (or that process) to end by itself; sets
# status to its exit status.
ended() {
    local p=${1:-$pid}
    poll 20 gone "$p" || return 1
    status=0
    wait "$p" 2>/dev/null || status=$?
}

stop() {
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# wait_window NAME_REGEX: prints the first visible window of that name, waiting up to 20 s;
# under a window manager, once it wears its decorations and stands still.
wait_window() {
    local w until
    until=$(deadline 20)
    while :; do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
        [ -n "$w" ] && { settle_window "$w"; echo "$w"; return 0; }
        past "$until" && return 1
        sleep 0.1
    done
}

# settle_window WINDOW: waits up to 5 s for the window manager to frame the window and for
# its outer bounds to stay the same over two looks. (The frame's extents are the sign that it
# is framed; that the window manager has done placing it has no sign but that.)
settle_window() {
    [ -n "${E2E_WM:-}" ] || return 0
    local before now until
    until=$(deadline 5)
    until past "$until"; do
        if xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; then
            now=$(outer "$1")
            [ "$now" = "${before:-}" ] && return 0
            before=$now
        fi
        sleep 0.1
    done
}

# wait_gone NAME_REGEX: waits up to 20 s until no visible window has that name.
wait_gone() { poll 20 no_window "$1"; }
no_window() { ! xdotool search --onlyvisible --name "$1" >/dev/null 2>&1; }

# has_focus WINDOW / wait_focus WINDOW: whether the window holds the keyboard focus; waits up
# to 10 s for it. Keys typed before a dialog has the focus go elsewhere: every dialog is
# waited for so before it is typed into (the toolkit hands the focus on to the dialog's own
# field before it handles the keys that follow in the server's queue).
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null || true)" = "$1" ]; }
wait_focus() { poll 10 has_focus "$1"; }

# wait_dialog NAME_REGEX: prints the visible window of that name once it holds the keyboard
# focus, waiting up to 20 s for the window and 10 s for the focus.
wait_dialog() {
    local w
    w=$(wait_window "$1") || return 1
    wait_focus "$w" || return 1
    echo "$w"
}

# box_count: the visible windows captioned as the main window is: the main window and the
# program's message boxes. other_box WINDOW: the first of them that is not WINDOW.
box_count() { xdotool search --onlyvisible --name '^ USB Camera$' 2>/dev/null | wc -l; }
other_box() {
    xdotool search --onlyvisible --name '^ USB Camera$' 2>/dev/null | grep -vx "$1" | head -n1 || true
}
# boxes_at_least N / boxes_are N: the count of them.
boxes_at_least() { [ "$(box_count)" -ge "$1" ]; }
boxes_are() { [ "$(box_count)" = "$1" ]; }

# answer_box MAIN: waits up to 20 s for a message box beside the main window MAIN, and for it
# to hold the focus; presses Enter in it and waits up to 10 s for it to close.
answer_box() {
    local box
    poll 20 box_beside "$1" || return 1
    box=$(other_box "$1")
    wait_focus "$box" || return 1
    xdotool key Return
    poll 10 off_screen "$box"
}
box_beside() { [ -n "$(other_box "$1")" ]; }
# on_screen WINDOW / off_screen WINDOW: whether the window is on the screen.
on_screen() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }
off_screen() { ! on_screen "$1"; }

# responds: the program still answers: the main window's "Select Source" button brings its
# dialog, which Escape closes. Input is handled in the order it came, so whatever was asked of
# the program before has been done by then.
responds() {
    local d
    click "$wid" 103 16
    d=$(wait_dialog '^Select Source$') || return 1
    xdotool key Escape
    poll 10 off_screen "$d"
}

# close_window WINDOW: asks the window to close as a window manager's close box does.
close_window() { "$(dirname "$E2E_LIB")/close-window.py" "$1"; }

# wait_popup: waits up to 10 s for a popup of the program (a list dropped down, a menu) to be
# on the screen: a window of the program's class that the window manager leaves alone.
wait_popup() { poll 10 popup_shown; }
popup_shown() {
    local w
    for w in $(xwininfo -root -children | awk '/\("nimbacast" "nimbacast"\)/ {print $1}'); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' &&
            xwininfo -id "$w" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
    done
    return 1
}

# bounds WINDOW: "x y w h l r t b": the client area's place on the screen and size, and the
# window manager's decorations around it (all 0 on a bare X server).
# (Read with the shell's own matching: the waits look often.)
bounds() {
    local info ext x='' y='' w='' h=''
    local re='Absolute upper-left X: *(-?[0-9]+).*Absolute upper-left Y: *(-?[0-9]+).*Width: *([0-9]+).*Height: *([0-9]+)'
    info=$(xwininfo -id "$1")
    [[ $info =~ $re ]] && x=${BASH_REMATCH[1]} y=${BASH_REMATCH[2]} w=${BASH_REMATCH[3]} h=${BASH_REMATCH[4]}
    ext=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null || true)
    if [[ $ext == *=* ]]; then ext=${ext#*=}; else ext=; fi
    echo "$x" "$y" "$w" "$h" ${ext//,/ }
}

# geometry WINDOW: "x,y wxh": where the window's outer bounds begin and its client size.
geometry() {
    local x y w h l=0 r=0 t=0 b=0
    read -r x y w h l r t b <<<"$(bounds "$1")"
    echo "$((x - ${l:-0})),$((y - ${t:-0})) ${w}x$h"
}
# size_of WINDOW: "wxh", its client size.
size_of() { geometry "$1" | cut -d' ' -f2; }

# wait_geometry WINDOW "x,y wxh" / wait_size WINDOW wxh: waits up to 10 s for the window to be
# there (a window is fitted to its picture after it shows, and refitted after a change).
wait_geometry() { poll 10 geometry_is "$@"; }
wait_size() { poll 10 size_is "$@"; }
geometry_is() { [ "$(geometry "$1")" = "$2" ]; }
size_is() { [ "$(size_of "$1")" = "$2" ]; }

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

# wait_file PATH [SECONDS]: waits up to 20 s (a slow or sanitizer build is slow), or SECONDS,
# for a file to appear. The program writes every file whole under another name and renames it
# into place, so a file that is there is complete.
wait_file() { poll "${2:-20}" test -e "$1"; }

# pixel WINDOW X Y: the colour at client coordinates as "r,g,b".
pixel() {
    import -window "$1" -crop 1x1+$2+$3 +repage -depth 8 txt:- | sed -n 2p |
        sed 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/'
}
# wait_pixel WINDOW X Y R,G,B: waits up to 10 s for the window to show that colour there (a
# window that has just come or changed size may not be painted yet).
wait_pixel() { poll 10 pixel_is "$@"; }
pixel_is() { [ "$(pixel "$1" "$2" "$3")" = "$4" ]; }

# wait_change WINDOW CROP MIN: waits up to 15 s for more than MIN pixels of the window's CROP
# (WxH+X+Y in client coordinates) to differ from how they looked at the call; sets changed
# to the count at the last look.
wait_change() {
    local ref now until
    ref=$(mktemp --suffix=.png) now=$(mktemp --suffix=.png)
    import -window "$1" -crop "$2" +repage "$ref" 2>/dev/null || true
    until=$(deadline 15)
    while :; do
        sleep 0.1
        import -window "$1" -crop "$2" +repage "$now" 2>/dev/null || true
        changed=$(compare -metric AE "$ref" "$now" null: 2>&1 || true)
        changed=${changed%%.*}
        [[ $changed =~ ^[0-9]+$ ]] || changed=0
        if [ "$changed" -gt "$3" ]; then
            rm -f "$ref" "$now"
            return 0
        fi
        past "$until" && break
    done
    rm -f "$ref" "$now"
    return 1
}

# preview_runs WINDOW W H: waits up to 15 s for the preview of a W x H picture, which lies at
# (13, 44) in the main window, to move: the driver's pictures are coming.
preview_runs() { wait_change "$1" "${2}x$3+13+44" 0; }

# The emulated and virtual cameras' picture: four vertical colour bands.
# band_error IMAGE X0 Y0 W H [grey|+N]: the largest channel difference from the camera's four
# bands (as their luma, for a grey camera; N brighter in every channel for a camera whose
# brightness is N above its default) at the middle of each band of the picture at (X0, Y0)
# of that size in IMAGE.
band_error() {
    local worst=0 i x y rgb r g b want c
    local -a wanted=("200 50 50" "50 200 50" "50 50 200" "200 200 50")
    [ "${6:-}" != grey ] || wanted=("95 95 95" "138 138 138" "67 67 67" "183 183 183")
    if [[ ${6:-} == +* ]]; then
        for i in 0 1 2 3; do
            read -r -a want <<<"${wanted[$i]}"
            for c in 0 1 2; do
                want[c]=$((want[c] + ${6#+}))
                ((want[c] > 255)) && want[c]=255
            done
            wanted[i]="${want[*]}"
        done
    fi
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

# shows_camera WID X0 Y0 W H [grey|+N]: waits up to 20 s for window WID to show the camera's
# picture at (X0, Y0) of that size; fails naming how far off the last look was.
shows_camera() {
    local shot err until
    shot=$(mktemp --suffix=.png)
    until=$(deadline 20)
    while :; do
        import -window "$1" "$shot"
        err=$(band_error "$shot" "$2" "$3" "$4" "$5" "${6:-}")
        [ "$err" -le 16 ] && { rm -f "$shot"; return 0; }
        past "$until" && break
        sleep 0.1
    done
    rm -f "$shot"
    echo "off by $err" >&2
    return 1
}
