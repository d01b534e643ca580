# The settings file sets the caption; the registry brings back the picture size kept at the
# last exit and keeps it again at this one; the driver's format dialog driven from the
# keyboard refits the window; every way of ending removes the frames of the run.
source "$E2E_LIB"

drivers='{"drivers": [{"index": 0, "name": "Quorix Cam", "sizes": [[320, 240], [640, 480]]}]}'
registry='{"HKEY_LOCAL_MACHINE": {
  "Software\\Microsoft\\Windows\\CurrentVersion": {"VersionNumber": "4.10.2222"},
  "System\\CurrentControlSet\\Control\\MediaResources\\msvideo\\MSVideo.VFWWDM":
    {"DevicePath": "\\\\?\\simulated\\0"},
  "Software\\Microsoft\\VfWWDM Mapper\\##?#simulated#0":
    {"ImageWidth": 320, "ImageHeight": 240, "ApWidth": 640, "ApHeight": 480}}}'

# key_holds DIR NAME VALUE: the driver's key in the run's registry holds that number.
key_holds() {
    tr -d ' \n' <"$1/registry.json" | grep -o '"Software\\\\Microsoft\\\\VfWWDMMapper\\\\##?#simulated#0":{[^}]*}' |
        grep -q "\"$2\":$3[,}]"
}
frames() { ls "$1" | grep -c '^Frame' || true; }

# Start at the kept size, with the settings file's caption; end with the exit button.
mkdir -p "$E2E_WORK/exit"
printf '%s\n' "$registry" >"$E2E_WORK/exit/registry.json"
printf '[Strings]\nVendor=Quorix\nModel = VideoCam Pro \n' >"$E2E_WORK/exit/Camera.ini"
start exit "$drivers" '^Quorix VideoCam Pro$'
wait_size "$wid" 663x558 || fail "kept size not restored: $(geometry "$wid")"
preview_runs "$wid" 640 480 || fail "the preview does not run"
click "$wid" 138 16
wait_file "$dir/Frame0.bmp" || fail "no frame captured"
click "$wid" 196 16 # exit
ended || fail "the exit button did not end the program"
[ "$(frames "$dir")" = 0 ] || fail "frames left after the exit button: $(ls "$dir")"
for v in "ApWidth 640" "ApHeight 480" "ImageWidth 320" "ImageHeight 240"; do
    key_holds "$dir" $v || fail "the driver's key does not hold $v: $(cat "$dir/registry.json")"
done

# The driver's format dialog from the keyboard: Down to 640 x 480, Enter.
start format "$drivers"
wait_size "$wid" 343x318 || fail "not at 320x240: $(geometry "$wid")"
click "$wid" 45 16
wait_dialog '^Video Format$' >/dev/null || fail "no format dialog with the keyboard"
xdotool key Down Return
wait_size "$wid" 663x558 || fail "not refitted: $(geometry "$wid")"
preview_runs "$wid" 640 480 || fail "the preview does not run at 640x480"
click "$wid" 138 16
wait_file "$dir/Frame0.bmp" || fail "no frame captured"
[ "$(identify -format '%w x %h' "$dir/Frame0.bmp")" = "640 x 480" ] || fail "frame not at 640x480"

# The session ends the program: the same close.
kill -TERM "$pid"
ended || fail "SIGTERM did not end the program"
[ "$(frames "$dir")" = 0 ] || fail "frames left after SIGTERM: $(ls "$dir")"
key_holds "$dir" ApWidth 640 || fail "size not written back after SIGTERM"

# The window's close box: what a window manager sends when it is clicked.
start closebox "$drivers"
preview_runs "$wid" 320 240 || fail "the preview does not run"
click "$wid" 138 16
wait_file "$dir/Frame0.bmp" || fail "no frame captured"
close_window "$wid" || fail "the main window cannot be asked to close"
ended || fail "WM_DELETE_WINDOW did not end the program"
[ "$(frames "$dir")" = 0 ] || fail "frames left after the close box: $(ls "$dir")"
echo "e2e settings: ok"
