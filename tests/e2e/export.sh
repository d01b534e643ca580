# Export under a real X server: the save dialog answered by typing, the settings dialog by
# clicks on its controls and keys; the written files checked for sampling, size and pixels.
source "$E2E_LIB"

sampling() { identify -format '%[jpeg:sampling-factor]' "$1"; }

# save_as PATH: the album's save button, then the path typed into the save dialog's name
# field, which holds the focus when the dialog comes, over whatever it offers.
save_as() {
    click "$album" 17 13
    wait_dialog '^Save As$' >/dev/null || fail "no save dialog holding the keyboard"
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    wait_gone '^Save As$' || fail "the save dialog did not close"
}

# settings: opens the file format settings dialog; sets fmt to its window.
settings() {
    click "$album" 71 13
    fmt=$(wait_dialog '^File format settings$') || fail "no file format settings dialog holding the keyboard"
}

start jpeg '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 640, "height": 480}]}'
preview_runs "$wid" 640 480 || fail "the preview does not run"
click "$wid" 138 16
album=$(wait_window '^Album$') || fail "no album"
wait_file "$dir/Frame0.bmp" || fail "no frame"

save_as "$dir/default"
wait_file "$dir/default.jpg" || fail "no default.jpg"
[ "$(identify -format '%w x %h' "$dir/default.jpg")" = "640 x 480" ] || fail "default.jpg size"
[ "$(sampling "$dir/default.jpg")" = "1x1,1x1,1x1" ] || fail "default sampling $(sampling "$dir/default.jpg")"

settings
wait_size "$fmt" 244x232 || fail "settings dialog at $(geometry "$fmt")"
click "$fmt" 150 106   # the sampling list
wait_popup || fail "the sampling list did not drop down"
xdotool key Home Return
click "$fmt" 100 197   # the quality track bar
xdotool key End
click "$fmt" 205 39    # OK
wait_gone '^File format settings$' || fail "the settings dialog did not close"
save_as "$dir/small.jpg"
wait_file "$dir/small.jpg" || fail "no small.jpg"
[ "$(sampling "$dir/small.jpg")" = "4x1,1x1,1x1" ] || fail "4:1:1 sampling $(sampling "$dir/small.jpg")"
[ "$(stat -c %s "$dir/small.jpg")" -lt "$(stat -c %s "$dir/default.jpg")" ] ||
    fail "quality 100 is not smaller"

click "$album" 44 13 # zoom, so that the viewer's caption can be seen
viewer=$(wait_window '^Frame 0$') || fail "no viewer"
settings
click "$fmt" 22 28     # "BMP file"
wait_size "$fmt" 244x65 || fail "BMP settings at $(geometry "$fmt")"
click "$fmt" 205 39
wait_gone '^File format settings$' || fail "the settings dialog did not close"
save_as "$dir/copy.bmp"
wait_file "$dir/copy.bmp" || fail "no copy.bmp"
[ "$(od -An -tu2 -j28 -N2 "$dir/copy.bmp" | tr -d ' ')" = 24 ] || fail "copy.bmp is not 24-bit"
[ "$(compare -metric AE "$dir/copy.bmp" "$dir/Frame0.bmp" null: 2>&1)" = 0 ] ||
    fail "copy.bmp differs from the frame"
wait_window "^$dir/copy.bmp\$" >/dev/null || fail "viewer caption is not the saved path"
stop

start big '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 704, "height": 576}]}'
preview_runs "$wid" 704 576 || fail "the preview does not run"
click "$wid" 138 16
album=$(wait_window '^Album$') || fail "no album"
save_as "$dir/big.jpg"
wait_file "$dir/big.jpg" || fail "no big.jpg"
[ "$(identify -format '%w x %h' "$dir/big.jpg")" = "704 x 576" ] || fail "704 x 576 export"
stop
echo "e2e export: ok"
