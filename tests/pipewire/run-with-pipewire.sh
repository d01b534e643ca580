#!/usr/bin/env bash
# Runs a command beside a PipeWire daemon of its own: a private runtime directory with a
# session bus, pipewire and wireplumber, all stopped when the command ends.
#   run-with-pipewire.sh VIRTUAL_CAMERA COMMAND [ARG...]
# The command finds the virtual camera program in PIPEWIRE_VIRTUAL_CAMERA; the daemon's
# runtime directory is XDG_RUNTIME_DIR.
set -euo pipefail
export PIPEWIRE_VIRTUAL_CAMERA=$1
shift
for tool in dbus-daemon pipewire wireplumber; do
    command -v "$tool" >/dev/null || { echo "run-with-pipewire: $tool is missing (scripts/setup installs it)" >&2; exit 1; }
done
[ -x "$PIPEWIRE_VIRTUAL_CAMERA" ] || { echo "run-with-pipewire: no virtual camera at $PIPEWIRE_VIRTUAL_CAMERA" >&2; exit 1; }

export XDG_RUNTIME_DIR=$(mktemp -d)
chmod 700 "$XDG_RUNTIME_DIR"
unset PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    # Bounded: each goes at SIGTERM within a second; what does not is killed.
    for _ in $(seq 20); do
        local alive=0
        for pid in "${pids[@]}"; do kill -0 "$pid" 2>/dev/null && alive=1; done
        [ "$alive" = 0 ] && break
        sleep 0.1
    done
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
    rm -rf "$XDG_RUNTIME_DIR"
}
trap cleanup EXIT
logs=$XDG_RUNTIME_DIR/logs
mkdir "$logs"

pids+=("$(dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --fork --print-pid)")
pipewire >"$logs/pipewire" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -S "$XDG_RUNTIME_DIR/pipewire-0" ] && break; sleep 0.05; done
[ -S "$XDG_RUNTIME_DIR/pipewire-0" ] || { echo "run-with-pipewire: pipewire did not start" >&2; cat "$logs/pipewire" >&2; exit 1; }
wireplumber >"$logs/wireplumber" 2>&1 &
pids+=($!)
# wireplumber is ready once it has made its default metadata object.
ready() { grep -q 'metadata.name = "default"' <<<"$(pw-cli ls Metadata 2>/dev/null || true)"; }
for _ in $(seq 100); do ready && break; sleep 0.05; done
ready || { echo "run-with-pipewire: wireplumber did not start" >&2; cat "$logs/wireplumber" >&2; exit 1; }

# Found by clients even where the command makes a runtime directory of its own.
export PIPEWIRE_RUNTIME_DIR=$XDG_RUNTIME_DIR
set +e
"$@"
status=$?
set -e
if [ "$status" != 0 ]; then
    echo "--- wireplumber said:" >&2
    grep -av '^M\|PermissionStore' "$logs/wireplumber" | tail -n 20 >&2 || true
fi
exit "$status"
