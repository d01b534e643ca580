# Real cameras as a user meets them, on the emulated webcam set up from their profiles
# (tests/camera/profiles): a webcam that starts in MJPG 1920 x 1080, a laptop's colour and
# infrared nodes, a camera whose second node gives H.264 only. Each starts with its whole
# picture in the window, each node chosen in "Select Source" shows its picture and is
# captured, and the program ends cleanly with nothing on stderr. E2E_FAKECAM is the
# emulator.
source "$E2E_LIB"

profiles=$(cd "$(dirname "$E2E_LIB")/../camera/profiles" && pwd)
emulated_cameras

# PROFILE NODE_CHOICES...: each choice is "INDEX KIND W H": the driver index to choose in
# "Select Source" (the first is what start-up takes), "colour" or "grey", and the size of the
# picture it starts at, centred in the 660 x 500 frame at (3, 34).
try_profile() {
    local name=$1 first=1 frames=0 index kind w h x y
    shift
    python3 -c 'import json,sys; print(json.dumps({"cameras": json.load(open(sys.argv[1]))["cameras"]}))' \
        "$profiles/$name.json" >"$FAKECAM_CONFIG"
    start "$name" ""
    # 640 x 480 of each of these cameras: the whole picture in the frame made for it.
    wait_geometry "$wid" "0,0 663x558" || fail "$name: not fitted to 640 x 480: $(geometry "$wid")"
    for choice in "$@"; do
        read -r index kind w h <<<"$choice"
        x=$((3 + (660 - w) / 2)) y=$((34 + (500 - h) / 2))
        if ((!first)); then
            click "$wid" 103 16
            wait_dialog '^Select Source$' >/dev/null || fail "$name: no Select Source dialog"
            # The list holds the keyboard: from the top, down to the driver.
            xdotool key Home
            for _ in $(seq "$index"); do xdotool key Down; done
            xdotool key Return
            wait_gone '^Select Source$' || fail "$name: the dialog did not close"
        fi
        first=0
        local grey=""
        [ "$kind" = grey ] && grey=grey
        geo=$(geometry "$wid")
        shows_camera "$wid" "$x" "$y" "$w" "$h" $grey ||
            fail "$name: driver $index does not show its picture in the window ($geo)"
        click "$wid" 138 16
        wait_file "$dir/Frame$frames.bmp" || fail "$name: no capture of driver $index"
        err=$(band_error "$dir/Frame$frames.bmp" 0 0 "$w" "$h" $grey)
        [ "$err" -le 16 ] || fail "$name: the capture of driver $index is off by $err"
        frames=$((frames + 1))
    done
    close_window "$wid"
    ended || fail "$name: the program did not end when its window was closed"
    [ "$status" = 0 ] || fail "$name: ended with status $status"
    [ ! -s "$log" ] || fail "$name: the program printed on stderr"
}

try_profile arducam-1080p-h264 "0 colour 640 480" "1 colour 640 480"
try_profile dell-latitude-7420-rgb-ir "0 colour 640 480" "1 grey 640 360"
try_profile h264-usb-camera-two-nodes "0 colour 640 480" "1 colour 640 480"
echo "e2e profiles: ok"
