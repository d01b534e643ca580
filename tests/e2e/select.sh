# "Select Source" from the keyboard: beside the main window, another driver refits the
# window, a refusing one brings the notice below the main window's corner.
source "$E2E_LIB"

start select '{"drivers": [
  {"index": 0, "name": "Test Cam A", "width": 320, "height": 240},
  {"index": 1, "name": "Quorix VideoCam", "width": 640, "height": 480},
  {"index": 2, "name": "Broken", "connect": false}]}'
wait_geometry "$wid" "0,0 663x558" || fail "not started on the Quorix driver: $(geometry "$wid")"

open_select() {
    click "$wid" 103 16
    dialog=$(wait_dialog '^Select Source$') || fail "no Select Source dialog holding the keyboard"
}
open_select
[ "$(geometry "$dialog")" = "$(right_of "$wid"),0 250x198" ] ||
    fail "dialog at $(outer "$dialog"), main window at $(outer "$wid")"
# The list has the focus: one up is driver 0; Enter is OK.
xdotool key Up Return
wait_gone '^Select Source$' || fail "the dialog did not close"
wait_geometry "$wid" "0,0 343x318" || fail "not refitted to driver 0: $(geometry "$wid")"

open_select
xdotool key Down Down Return
notice=$(wait_dialog '^Notice$') || fail "no notice holding the keyboard for a refusing driver"
[ "$(left_of "$notice")" = "$(left_of "$wid")" ] && [ "$(top_of "$notice")" = "$(( $(top_of "$wid") + 70 ))" ] ||
    fail "notice at $(outer "$notice"), main window at $(outer "$wid")"
xdotool key Return
wait_gone '^Notice$' || fail "the notice did not close"
kill -0 "$pid" || fail "the program ended"
stop
echo "e2e select: ok"
