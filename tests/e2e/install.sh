# The installed program: `cmake --install` into a fresh prefix, then the command of the
# installed desktop entry, run the way a desktop runs it. The program must start in a
# directory of the user's own with the help file in it, show that help, find the installed
# shutter sound, and leave alone what a returning user keeps in that directory.
source "$E2E_LIB"
# The installed program finds its data beside itself; the build's data must not stand in.
unset NIMBACAST_SYSTEM_DIR

# A blank in the prefix: the desktop entry and the launcher must quote their paths.
prefix=$E2E_WORK/inst\ dir
log=$E2E_WORK/install.out
cmake --install "$E2E_BUILD_DIR" --prefix "$prefix" >"$log" 2>&1 || fail "cmake --install failed"
log=
prefix=$(cd "$prefix" && pwd -P)
data=$prefix/share/nimbacast
[ -f "$data/Camera.wav" ] || fail "no Camera.wav in $data"
[ -f "$data/GuiHelp.hlp" ] || fail "no GuiHelp.hlp in $data"
entry=$prefix/share/applications/org.nimbacast.Nimbacast.desktop
[ -f "$entry" ] || fail "no desktop entry $entry"

# Exec as a desktop reads it: the string escapes first (\\ and \s), then arguments quoted
# as in the shell's double quotes.
exec_value=$(sed -n 's/^Exec=//p' "$entry" | head -n1)
exec_value=$(printf '%s' "$exec_value" | sed -e 's/\\\\/\x01/g' -e 's/\\s/ /g' -e 's/\x01/\\/g')
eval "command=($exec_value)"
[ -x "${command[0]}" ] || fail "Exec=$exec_value names no installed program"

help_title() { sed -n 's:.*<title>\(.*\)</title>.*:\1:p' "$1" | head -n1; }
drivers=$E2E_WORK/drivers.json
echo '{"drivers": [{"index": 0, "name": "Quorix Cam", "width": 320, "height": 240}]}' >"$drivers"

# launch CASE HOME XDG_DATA_HOME(or -) START_DIR HELP_TITLE: runs the entry's command from
# / with that home and checks the start-up directory, the help file in it and the help
# viewer the help button opens.
launch() {
    local name=$1 home=$2 xdg=$3 want_dir=$4 want_title=$5
    log=$E2E_WORK/$name.out
    (
        cd /
        export HOME=$home NIMBACAST_CAPTURE_DRIVERS=$drivers
        if [ "$xdg" = - ]; then unset XDG_DATA_HOME; else export XDG_DATA_HOME=$xdg; fi
        exec "${command[@]}" >"$log" 2>&1
    ) &
    # The launcher execs the program, so this is the program's process.
    pid=$!
    wid=$(wait_window '^ USB Camera$') || fail "$name: no main window"
    [ "$(readlink "/proc/$pid/exe")" = "$prefix/bin/nimbacast" ] ||
        fail "$name: process $pid is $(readlink "/proc/$pid/exe"), not the installed program"
    [ -d "$want_dir" ] || fail "$name: no start-up directory $want_dir"
    [ -f "$want_dir/GuiHelp.hlp" ] || fail "$name: no GuiHelp.hlp in $want_dir"
    [ "$(readlink "/proc/$pid/cwd")" = "$(cd "$want_dir" && pwd -P)" ] ||
        fail "$name: program runs in $(readlink "/proc/$pid/cwd"), not $want_dir"
    click "$wid" 16 16
    if ! wait_window "^$want_title\$" >/dev/null; then
        xdotool search --onlyvisible --name '^Help$' >/dev/null 2>&1 &&
            fail "$name: help button shows the help error box"
        fail "$name: no help viewer '$want_title'"
    fi
    stop
}

launch first "$E2E_WORK/home1" "$E2E_WORK/home1/data" "$E2E_WORK/home1/data/nimbacast" \
    "$(help_title "$data/GuiHelp.hlp")"
cmp -s "$data/GuiHelp.hlp" "$E2E_WORK/home1/data/nimbacast/GuiHelp.hlp" ||
    fail "first: the start-up directory's help file is not the installed one"
[ ! -e "$E2E_WORK/home1/GuiHelp.hlp" ] || fail "first: a help file was put in the home directory"
# The frames are written there: no other user may enter it.
[ "$(stat -c %a "$E2E_WORK/home1/data/nimbacast")" = 700 ] ||
    fail "first: the start-up directory has mode $(stat -c %a "$E2E_WORK/home1/data/nimbacast")"

# A returning user without XDG_DATA_HOME: the default data directory, with a help file and
# settings of their own that must stay as they are.
mine=$E2E_WORK/home2/.local/share/nimbacast
mkdir -p "$mine"
chmod 755 "$mine" # as an older launcher left it
printf '<html><head><title>My Camera Notes</title></head><body>mine</body></html>\n' \
    >"$mine/GuiHelp.hlp"
# The model named as the default, so that the caption stays the one waited for.
printf '[Strings]\nModel=USB Camera\n' >"$mine/Camera.ini"
cp "$mine/GuiHelp.hlp" "$E2E_WORK/help.before"
cp "$mine/Camera.ini" "$E2E_WORK/ini.before"
launch returning "$E2E_WORK/home2" - "$mine" "My Camera Notes"
cmp -s "$mine/GuiHelp.hlp" "$E2E_WORK/help.before" ||
    fail "returning: the user's help file was replaced"
cmp -s "$mine/Camera.ini" "$E2E_WORK/ini.before" ||
    fail "returning: the user's Camera.ini was changed"
[ "$(stat -c %a "$mine")" = 700 ] || fail "returning: the start-up directory has mode $(stat -c %a "$mine")"
echo "e2e install: ok"
