#!/usr/bin/env bash
# The benchmarks, run inside an X server.
set -euo pipefail
build=$1 out=$2
export XDG_RUNTIME_DIR=$out/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM

# The baselines run with their output thrown away: say what is missing rather than stop
# silently at the first of them.
missing() { echo "bench: $1 is missing (scripts/setup installs it)" >&2; exit 1; }
for tool in gst-launch-1.0 gst-inspect-1.0 tjbench bc; do
    command -v "$tool" >/dev/null || missing "$tool"
done
for element in videotestsrc videoconvert ximagesink; do
    gst-inspect-1.0 --exists "$element" || missing "the GStreamer element $element"
done
drivers=$out/drivers640.json
echo '{"drivers":[{"index":0,"name":"Quorix Bench","width":640,"height":480}]}' >"$drivers"
caps='video/x-raw,width=640,height=480,framerate=30/1'

now() { date +%s.%N; }
median() { sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

# --- start to first preview frame painted, median of five runs -----------------------
# medians_of OURS BASE: runs the two commands in turn five times; prints the median seconds
# of each.
medians_of() {
    local ours=() base=() t0 t1 t2
    for _ in 1 2 3 4 5; do
        t0=$(now)
        $1 >/dev/null 2>&1
        t1=$(now)
        $2 >/dev/null 2>&1
        t2=$(now)
        ours+=("$(echo "$t1 - $t0" | bc -l)")
        base+=("$(echo "$t2 - $t1" | bc -l)")
    done
    echo "$(printf '%s\n' "${ours[@]}" | median) $(printf '%s\n' "${base[@]}" | median)"
}
ours_first_frame() { (cd "$out" && NIMBACAST_CAPTURE_DRIVERS=$drivers "$build/bin/bench_first_frame"); }
bare_first_frame() { gst-launch-1.0 -q videotestsrc num-buffers=1 ! "$caps" ! videoconvert ! ximagesink; }
read -r o b < <(medians_of ours_first_frame bare_first_frame)
printf 'first frame: program %.0f ms, gst-launch to first frame %.0f ms, ratio %.2f\n' \
    "$(echo "$o*1000" | bc -l)" "$(echo "$b*1000" | bc -l)" "$(echo "$o/$b" | bc -l)"

# --- CPU while previewing 640 x 480 at 30 frames per second ---------------------------
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
cpu_of() { # command...: CPU seconds used over a 10 s window after a 3 s settle
    "$@" >/dev/null 2>&1 &
    local pid=$! a b
    sleep 3
    a=$(ticks $pid)
    sleep 10
    b=$(ticks $pid)
    kill $pid; wait $pid 2>/dev/null || true
    echo "($b - $a) / $(getconf CLK_TCK)" | bc -l
}
prog=$(cd "$out" && cpu_of env NIMBACAST_CAPTURE_DRIVERS="$drivers" "$build/bin/nimbacast")
bare=$(cpu_of gst-launch-1.0 -q videotestsrc is-live=true ! "$caps" ! videoconvert ! ximagesink)
printf 'preview CPU over 10 s: program %.2f s, gst-launch %.2f s, ratio %.2f\n' \
    "$prog" "$bare" "$(echo "$prog/$bare" | bc -l)"

# --- capture click and album scroll step at 640 x 480 ---------------------------------
(cd "$out" && "$build/bin/bench_album")

# --- JPEG export at each sampling against tjbench on the same pixels -------------------
export_out=$("$build/bin/bench_export" "$out")
quality=$(echo "$export_out" | sed -n 's/^libjpeg quality //p')
for s in 411 422 444; do
    read -r whole encode < <(echo "$export_out" | awk -v s=$s '$1 == s {print $2, $3}')
    theirs=$(tjbench "$out/Frame0.bmp" "$quality" -subsamp $s -componly -nowrite -quiet \
        -bottomup -benchtime 2 -warmup 0.5 | awk '$1 == "BGR" {print $7}')
    printf 'JPEG %s:%s:%s q%s: tjbench %s Mpix/s; convert+encode %s Mpix/s, ratio %.2f; whole export (read, convert, encode, write whole) %s Mpix/s, ratio %.2f\n' \
        "${s:0:1}" "${s:1:1}" "${s:2:1}" "$quality" "$theirs" "$encode" "$(echo "$encode/$theirs" | bc -l)" \
        "$whole" "$(echo "$whole/$theirs" | bc -l)"
done

# --- a size change in the driver's format dialog, against a cold connect at that size ---
(cd "$out" && "$build/bin/bench_format_change")

# --- the preview at 15 against 30 frames a second, 640 x 480 ---------------------------
at15=$(cpu_of "$build/bin/bench_preview_rate" 15)
at30=$(cpu_of "$build/bin/bench_preview_rate" 30)
printf 'preview CPU over 10 s at 15 fps: %.2f s; at 30 fps %.2f s; ratio %.2f\n' \
    "$at15" "$at30" "$(echo "$at15/$at30" | bc -l)"

# --- "Select Source" switching drivers ---------------------------------------------------
(cd "$out" && "$build/bin/bench_switch_driver")

# --- AVI playback: open to first frame painted, and CPU while playing 640 x 480 at 30 -----
media=$out/media
mkdir -p "$media"
mpeg4=avenc_mpeg4
gst-inspect-1.0 --exists avenc_mpeg4 || mpeg4=jpegenc
gst-launch-1.0 -q videotestsrc pattern=ball num-buffers=1 ! "$caps" ! jpegenc ! avimux ! \
    filesink location="$media/one.avi" >/dev/null 2>&1
gst-launch-1.0 -q videotestsrc pattern=ball num-buffers=600 ! "$caps" ! $mpeg4 ! avimux ! \
    filesink location="$media/play640.avi" >/dev/null 2>&1
nodrivers=$out/nodrivers.json
echo '{"drivers":[]}' >"$nodrivers"
ours_open() { (cd "$out" && NIMBACAST_CAPTURE_DRIVERS=$nodrivers "$build/bin/bench_playback" "$media/one.avi"); }
bare_open() { gst-launch-1.0 -q playbin uri="file://$media/one.avi" video-sink=ximagesink; }
read -r o b < <(medians_of ours_open bare_open)
printf 'AVI open to first frame: program %.0f ms, gst-launch playbin %.0f ms, ratio %.2f\n' \
    "$(echo "$o*1000" | bc -l)" "$(echo "$b*1000" | bc -l)" "$(echo "$o/$b" | bc -l)"
prog=$(cd "$out" && cpu_of env NIMBACAST_CAPTURE_DRIVERS="$nodrivers" "$build/bin/bench_playback" "$media/play640.avi" --play)
bare=$(cpu_of gst-launch-1.0 -q playbin uri="file://$media/play640.avi" video-sink=ximagesink)
printf 'AVI playback CPU over 10 s (640 x 480 at 30, %s): program %.2f s, gst-launch playbin %.2f s, ratio %.2f\n' \
    "$mpeg4" "$prog" "$bare" "$(echo "$prog/$bare" | bc -l)"
