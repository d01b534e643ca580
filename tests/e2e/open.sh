# The open command under X: an AVI chosen through the dialog plays in the playback window,
# fitted around it beside the main window; a BMP shows in the frame viewer; a damaged AVI
# gives a message box and the program goes on.
source "$E2E_LIB"

# One folder a case, so that the file to click is the first of its list.
media=$E2E_WORK/media
mkdir -p "$media/play" "$media/other" "$media/damaged"
avi() { # NAME WIDTH HEIGHT SECONDS
    gst-launch-1.0 -q avimux name=mux ! filesink location="$media/$1" videotestsrc \
        pattern=ball num-buffers=$(($4 * 5)) ! "video/x-raw,width=$2,height=$3,framerate=5/1" \
        ! jpegenc ! mux. || fail "cannot make $1"
}
avi play/twelve.avi 320 240 12
avi other/small.avi 100 80 3
printf 'RIFF\020\000\000\000AVI LIST' >"$media/damaged/damaged.avi"
/usr/bin/convert -size 64x48 xc:'#208080' "BMP3:$media/play/picture.bmp"

# open_dialog: the main window's open button; sets dlg to the dialog.
open_dialog() {
    click "$wid" 167 16
    dlg=$(wait_window '^Open$') || fail "no open dialog"
    sleep 0.5 # until the name field has the focus
}
# filter up|down: picks the filter above or below the current one from the type list.
filter() {
    local h
    h=$(geometry "$dlg" | cut -d' ' -f2 | cut -dx -f2)
    click "$dlg" 300 $((h - 24))
    sleep 0.7
    xdotool key "$1" Return
    sleep 0.5
}
# folder PATH: shows that folder in the dialog (typed after the filter, so that no file of
# the folder can be taken for the name).
folder() {
    local h
    h=$(geometry "$dlg" | cut -d' ' -f2 | cut -dx -f2)
    click "$dlg" 300 $((h - 54)) # the file name field, over what it holds
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    sleep 1.5 # the folder's list fills in the background
}
# first_row_then_open: clicks the first file of the list and confirms it.
first_row_then_open() {
    # The first click may only close the name field's completion list.
    click "$dlg" 200 72
    sleep 0.6
    click "$dlg" 200 72
    sleep 0.5
    xdotool key Return
    wait_gone '^Open$' || fail "the open dialog did not close"
}
# pixel WINDOW X Y: the colour at client coordinates as "r,g,b".
pixel() {
    import -window "$1" -crop 1x1+$2+$3 +repage -depth 8 txt:- | sed -n 2p | sed 's/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/'
}

start open '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'

# The AVI filter chosen and the file clicked: the AVI path.
open_dialog
filter Up
folder "$media/play"
first_row_then_open
anim=$(wait_window "^$media/play/twelve.avi\$") || fail "no playback window"
[ "$(geometry "$anim" | cut -d' ' -f2)" = "350x321" ] || fail "playback window at $(geometry "$anim")"
[ "$(left_of "$anim")" = "$(right_of "$wid")" ] || fail "playback window not beside the main window"
# The panel at (5, 5) is navy; the video at (10, 10) in it moves; the position clock runs.
[ "$(pixel "$anim" 8 8)" = "0,0,128" ] || fail "the panel is $(pixel "$anim" 8 8)"
import -window "$anim" -crop 320x240+15+15 +repage "$dir/a.png"
import -window "$anim" -crop 50x21+57+298 +repage "$dir/clock-a.png"
sleep 1.5
import -window "$anim" -crop 320x240+15+15 +repage "$dir/b.png"
import -window "$anim" -crop 50x21+57+298 +repage "$dir/clock-b.png"
changed=$(compare -metric AE "$dir/a.png" "$dir/b.png" null: 2>&1 || true)
[ "${changed%%.*}" -gt 100 ] || fail "the video does not move ($changed pixels changed)"
changed=$(compare -metric AE "$dir/clock-a.png" "$dir/clock-b.png" null: 2>&1 || true)
[ "${changed%%.*}" -gt 10 ] || fail "the position clock does not run"
[ "$(pixel "$anim" 14 14)" = "0,0,128" ] || fail "the video starts before (10, 10)"

# A second AVI, typed with the AVI filter kept from the last choice: refitted in place.
before=$(outer "$anim" | cut -d' ' -f1)
open_dialog
xdotool type --delay 10 "$media/other/small.avi"
xdotool key Return
wait_gone '^Open$' || fail "the open dialog did not close"
anim=$(wait_window "^$media/other/small.avi\$") || fail "no playback window for small.avi"
for _ in $(seq 30); do
    [ "$(geometry "$anim" | cut -d' ' -f2)" = "228x247" ] && break
    sleep 0.1
done
[ "$(geometry "$anim" | cut -d' ' -f2)" = "228x247" ] || fail "small video: $(geometry "$anim")"
[ "$(outer "$anim" | cut -d' ' -f1)" = "$before" ] || fail "the playback window moved"
# The picture at (59, 53) in the panel, navy around it.
[ "$(pixel "$anim" 62 57)" = "0,0,128" ] || fail "left of the picture: $(pixel "$anim" 62 57)"
[ "$(pixel "$anim" 5 5)" != "$(pixel "$anim" 110 98)" ] || fail "no picture in the panel"

# A BMP with the BMP filter: the frame viewer at its size, captioned with its path.
open_dialog
filter Down
folder "$media/play"
first_row_then_open
viewer=$(wait_window "^$media/play/picture.bmp\$") || fail "no frame viewer"
[ "$(geometry "$viewer" | cut -d' ' -f2)" = "64x48" ] || fail "viewer at $(geometry "$viewer")"
[ "$(pixel "$viewer" 10 10)" = "32,128,128" ] || fail "viewer shows $(pixel "$viewer" 10 10)"

# A damaged AVI clicked with the AVI filter: one message box, and the program goes on.
open_dialog
filter Up
folder "$media/damaged"
first_row_then_open
box=""
for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name '^ USB Camera$' | grep -v "^$wid\$" | head -n1 || true)
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no message box for the damaged AVI"
sleep 0.3
xdotool key Return
for _ in $(seq 50); do
    xdotool search --onlyvisible --name '^ USB Camera$' | grep -qv "^$wid\$" || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null || fail "the program ended after the damaged AVI"
grep -q "damaged.avi" "$log" && fail "the fault went to standard error only"
stop
echo "e2e open: ok"
