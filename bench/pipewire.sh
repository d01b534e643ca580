#!/usr/bin/env bash
# The PipeWire camera figures, run by inside.sh beside a daemon of their own
# (tests/pipewire/run-with-pipewire.sh): a virtual camera node streaming 640 x 480 at 30
# frames a second, the program's preview of it against gst-launch-1.0 on the same node.
#   pipewire.sh BUILD OUT RUNS FIGURES
set -euo pipefail
source "$(dirname "$0")/timing.sh"
build=$1 out=$2 runs=$3 figures=$4
figure() { echo "$1 $2 $3" >>"$figures"; }
node=quorix-bench-camera
"$PIPEWIRE_VIRTUAL_CAMERA" "$node" "Quorix Bench Camera" >"$out/virtual-camera.out" 2>&1 &
camera=$!
trap 'kill $camera 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q ready "$out/virtual-camera.out" && break; sleep 0.05; done
grep -q ready "$out/virtual-camera.out" || { echo "bench: the virtual camera did not start" >&2; exit 1; }
sleep 0.5 # the session manager offers the node

source=(pipewiresrc "target-object=$node" "stream-properties=props,media.type=Video")
registry=$out/pipewire-registry.json
# Each start is timed once the daemon has let go of the stream before it.
settled() { sleep 1; secs "$@"; }
for run in $(seq "$runs"); do
    echo "bench: PipeWire run $run of $runs" >&2
    rm -f "$registry"
    echo "pipewire_first_frame $(settled env -C "$out" NIMBACAST_REGISTRY="$registry" \
        "$build/bin/bench_first_frame") $(settled gst-launch-1.0 -q "${source[@]}" \
        num-buffers=1 ! videoconvert ! ximagesink)" >>"$figures"
    ours() { cd "$out" && exec env NIMBACAST_REGISTRY="$registry" "$build/bin/nimbacast"; }
    bare() { exec gst-launch-1.0 -q "${source[@]}" ! videoconvert ! ximagesink; }
    cpu_figure pipewire_cpu ours bare
done
