#!/usr/bin/env bash
# Runs one end-to-end script under a fresh X server of its own:
#   run-under-x.sh SCRIPT PROGRAM HELPFILE SYSTEMDIR
# The server takes the first free display number itself (-displayfd), so that scripts can run
# side by side; xvfb-run -a picks a number before the server holds it, and two starts at once
# could pick the same.
set -euo pipefail
script=$1
export NIMBACAST_PROGRAM=$2 NIMBACAST_HELPFILE=$3 NIMBACAST_SYSTEM_DIR=$4
export E2E_WORK=$(mktemp -d)
server=
cleanup() {
    [ -z "$server" ] || { kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; } || true
    rm -rf "$E2E_WORK"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
export E2E_LIB=$(cd "$(dirname "$0")" && pwd)/lib.sh

Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp 3>"$E2E_WORK/display" \
    >"$E2E_WORK/xvfb.out" 2>&1 &
server=$!
for _ in $(seq 200); do
    [ -s "$E2E_WORK/display" ] && break
    kill -0 "$server" 2>/dev/null || break
    sleep 0.05
done
[ -s "$E2E_WORK/display" ] || { echo "FAIL: the X server did not start" >&2; cat "$E2E_WORK/xvfb.out" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$E2E_WORK/display")
bash "$script"
