# The open command under X: an AVI chosen through the dialog plays in the playback window,
# fitted around it beside the main window; a BMP shows in the frame viewer; a damaged AVI
# gives a message box and the program goes on.
source "$E2E_LIB"

# One folder a case, so that the file to choose is the first of its list.
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

# The file dialog is the toolkit's own, worked from the keyboard alone: its file name field
# holds the focus when it comes; from there Tab is the list of file types and Shift+Tab the
# list of files.

# open_dialog: the main window's open button; sets dlg to the dialog once it holds the
# keyboard.
open_dialog() {
    click "$wid" 167 16
    dlg=$(wait_dialog '^Open$') || fail "no open dialog holding the keyboard"
}
# filter Up|Down: picks the filter above or below the current one in the type list, and goes
# back to the name field.
filter() {
    xdotool key Tab "$1" shift+Tab
}
# name_field_shows / first_row_shows: whether the dialog's file name field, or the first row of
# its list of files, shows anything but its background. Looked at, never clicked: the field's
# text (past the text cursor at its left end) lies 54 pixels above the dialog's bottom edge,
# the first row 72 below its top.
dialog_part_shows() {
    import -window "$dlg" -crop "$1" +repage "$E2E_WORK/part.png" 2>/dev/null || return 1
    [ "$(/usr/bin/convert "$E2E_WORK/part.png" -format '%k' info:)" -gt 1 ]
}
name_field_shows() {
    dialog_part_shows "200x10+105+$(($(size_of "$dlg" | cut -dx -f2) - 59))"
}
name_field_empty() { ! name_field_shows; }
first_row_shows() { dialog_part_shows 200x10+130+67; }
# folder PATH: shows that folder in the dialog: typed into the name field over what it holds
# and entered (after the filter, so that no file of the folder can be taken for the name).
# The field shows the typed path, then empties once the dialog has gone there: only from then
# on is the first row the new folder's, whose list fills in the background.
folder() {
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    poll 10 name_field_shows || fail "the typed folder $1 did not show in the name field"
    xdotool key Return
    poll 10 name_field_empty || fail "the open dialog did not go to $1"
    poll 20 first_row_shows || fail "the open dialog's list of $1 did not fill"
}
# first_row_then_open: chooses the first file of the list (Home and Space there) and opens it.
# The list can still be refilling when it first shows (a later sort drops the choice), so the
# choice is made again until the name field holds the chosen file's name.
choose_first_row() {
    xdotool key Home space
    poll 2 name_field_shows
}
first_row_then_open() {
    xdotool key shift+Tab
    poll 20 choose_first_row || fail "the first file of the list was not chosen"
    xdotool key Return
    wait_gone '^Open$' || fail "the open dialog did not close"
}
# picture_in_panel: the small video's picture differs from the navy panel around it.
picture_in_panel() { [ "$(pixel "$anim" 5 5)" != "$(pixel "$anim" 110 98)" ]; }

start open '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}'

# The AVI filter chosen and the file chosen in the list: the AVI path.
open_dialog
filter Up
folder "$media/play"
first_row_then_open
anim=$(wait_window "^$media/play/twelve.avi\$") || fail "no playback window"
wait_size "$anim" 350x321 || fail "playback window at $(geometry "$anim")"
[ "$(left_of "$anim")" = "$(right_of "$wid")" ] || fail "playback window not beside the main window"
# The panel at (5, 5) is navy; the video at (10, 10) in it moves; the position clock runs.
wait_pixel "$anim" 8 8 0,0,128 || fail "the panel is $(pixel "$anim" 8 8)"
wait_change "$anim" 320x240+15+15 100 || fail "the video does not move ($changed pixels changed)"
wait_change "$anim" 50x21+57+298 10 || fail "the position clock does not run ($changed pixels changed)"
[ "$(pixel "$anim" 14 14)" = "0,0,128" ] || fail "the video starts before (10, 10)"

# A second AVI, typed with the AVI filter kept from the last choice: refitted in place.
before=$(outer "$anim" | cut -d' ' -f1)
open_dialog
xdotool key ctrl+a
xdotool type --delay 10 "$media/other/small.avi"
xdotool key Return
wait_gone '^Open$' || fail "the open dialog did not close"
anim=$(wait_window "^$media/other/small.avi\$") || fail "no playback window for small.avi"
wait_size "$anim" 228x247 || fail "small video: $(geometry "$anim")"
[ "$(outer "$anim" | cut -d' ' -f1)" = "$before" ] || fail "the playback window moved"
# The picture at (59, 53) in the panel, navy around it.
wait_pixel "$anim" 62 57 0,0,128 || fail "left of the picture: $(pixel "$anim" 62 57)"
poll 10 picture_in_panel || fail "no picture in the panel"

# A BMP with the BMP filter: the frame viewer at its size, captioned with its path.
open_dialog
filter Down
folder "$media/play"
first_row_then_open
viewer=$(wait_window "^$media/play/picture.bmp\$") || fail "no frame viewer"
wait_size "$viewer" 64x48 || fail "viewer at $(geometry "$viewer")"
wait_pixel "$viewer" 10 10 32,128,128 || fail "viewer shows $(pixel "$viewer" 10 10)"

# A damaged AVI chosen with the AVI filter: one message box, and the program goes on.
open_dialog
filter Up
folder "$media/damaged"
first_row_then_open
poll 20 box_beside "$wid" || fail "no message box for the damaged AVI"
answer_box "$wid" || fail "the message box for the damaged AVI did not close"
kill -0 "$pid" 2>/dev/null || fail "the program ended after the damaged AVI"
grep -q "damaged.avi" "$log" && fail "the fault went to standard error only"
stop
echo "e2e open: ok"
