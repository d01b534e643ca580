#!/usr/bin/env bash
# The benchmarks, run inside an X server: every figure RUNS times (5 unless
# NIMBACAST_BENCH_RUNS says otherwise), each run's figure against its baseline measured in
# the same run, then the medians.
set -euo pipefail
build=$1 out=$2
runs=${NIMBACAST_BENCH_RUNS:-5}
export XDG_RUNTIME_DIR=$out/runtime
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM PIPEWIRE_REMOTE PIPEWIRE_RUNTIME_DIR
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/bench/timing.sh"

# The baselines run with their output thrown away: say what is missing rather than stop
# silently at the first of them.
missing() { echo "bench: $1 is missing (scripts/setup installs it)" >&2; exit 1; }
for tool in gst-launch-1.0 gst-inspect-1.0 tjbench bc; do
    command -v "$tool" >/dev/null || missing "$tool"
done
for element in videotestsrc videoconvert ximagesink; do
    gst-inspect-1.0 --exists "$element" || missing "the GStreamer element $element"
done
drivers_of() { # WIDTH HEIGHT: a drivers file with one test-picture driver of that size
    local file=$out/drivers$1x$2.json
    echo "{\"drivers\":[{\"index\":0,\"name\":\"Quorix Bench\",\"width\":$1,\"height\":$2}]}" >"$file"
    echo "$file"
}
drivers=$(drivers_of 640 480)
drivers720=$(drivers_of 1280 720)
caps_of() { echo "video/x-raw,width=$1,height=$2,framerate=30/1"; }
caps=$(caps_of 640 480)

# Each measurement appends "KEY OURS BASELINE" to this file, once a run.
figures=$out/figures.txt
: >"$figures"
figure() { echo "$1 $2 $3" >>"$figures"; }
machine() { sed -n 's/^= //p'; } # the "= KEY OURS BASE" lines of a benchmark

# AVI files for the playback figures, made once.
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
# The built-in test pattern as a simulated driver: a start that looks for no camera at all.
testpattern=$out/testpattern.json
echo '{"drivers":[{"index":0,"name":"Test Pattern","version":"1.0","width":320,"height":240}]}' \
    >"$testpattern"

preview_cpu() { # WIDTH HEIGHT KEY: the program's preview against a bare pipeline to ximagesink
    local file picture
    file=$(drivers_of "$1" "$2") picture=$(caps_of "$1" "$2")
    ours() { cd "$out" && exec env NIMBACAST_CAPTURE_DRIVERS="$file" "$build/bin/nimbacast"; }
    bare() { exec gst-launch-1.0 -q videotestsrc is-live=true ! "$picture" ! videoconvert ! ximagesink; }
    cpu_figure "$3" ours bare
}

# The emulated webcam (tests/fakecam) for the camera figures: one camera offering one
# format at one size, 30 frames a second. The program and the baseline both run with the
# emulator preloaded, so both pay for the frames it makes.
cams=$out/cameras
mkdir -p "$cams/dev"
# camera FORMATS_JSON [CONTROLS]: the emulated camera, offering these formats (and controls:
# "none" unless given), for the next figure.
camera() {
    cat >"$cams/config.json" <<JSON
{"cameras":[{"node":"video0","card":"Quorix Bench Camera","bus":"usb-0000:00:14.0-1",
  "controls":"${2:-none}","formats":$1}]}
JSON
}
# kept_registry FILE VALUES_JSON: a registry whose bench camera key holds these values.
kept_registry() {
    cat >"$1" <<JSON
{"HKEY_LOCAL_MACHINE":{"Software\\\\Microsoft\\\\VfWWDM Mapper\\\\##?#v4l2#usb-0000:00:14.0-1":$2}}
JSON
}
with=(env LD_PRELOAD="$build/lib/libfakecam.so" FAKECAM_CONFIG="$cams/config.json"
    FAKECAM_DEVICE_DIR="$cams/dev" NIMBACAST_DEVICE_DIR="$cams/dev")
# What gst-launch needs after v4l2src to show a camera's format.
decoder_of() {
    case $1 in
    MJPG) echo "jpegdec !" ;;
    H264) echo "h264parse ! avdec_h264 !" ;;
    *) echo "" ;;
    esac
}
camera_cpu() { # FOURCC WIDTH HEIGHT KEY: the program's preview against gst-launch on the camera
    camera "[{\"fourcc\":\"$1\",\"sizes\":[[$2,$3,[30]]]}]"
    local decode
    decode=$(decoder_of "$1")
    ours() { cd "$out" && exec "${with[@]}" NIMBACAST_REGISTRY="$cams/registry.json" "$build/bin/nimbacast"; }
    # shellcheck disable=SC2086
    bare() { exec "${with[@]}" gst-launch-1.0 -q v4l2src device="$cams/dev/video0" ! $decode videoconvert ! ximagesink; }
    rm -f "$cams/registry.json"
    cpu_figure "$4" ours bare
}

for run in $(seq "$runs"); do
    echo "bench: run $run of $runs" >&2
    # Start to first preview frame painted, against gst-launch to its first frame.
    figure first_frame \
        "$(secs env -C "$out" NIMBACAST_CAPTURE_DRIVERS="$drivers" "$build/bin/bench_first_frame")" \
        "$(secs gst-launch-1.0 -q videotestsrc num-buffers=1 ! "$caps" ! videoconvert ! ximagesink)"

    # Start-up on this machine's drivers with no PipeWire daemon (no V4L2 device either: the
    # test pattern is found) against a start that looks for no camera, as before PipeWire
    # cameras were looked for.
    figure startup_no_pipewire \
        "$(secs env -C "$out" NIMBACAST_REGISTRY="$out/startup-registry.json" "$build/bin/bench_first_frame")" \
        "$(secs env -C "$out" NIMBACAST_REGISTRY="$out/startup-registry.json" NIMBACAST_CAPTURE_DRIVERS="$testpattern" "$build/bin/bench_first_frame")"

    preview_cpu 640 480 preview_cpu_640
    preview_cpu 1280 720 preview_cpu_1280

    camera_cpu YUYV 640 480 camera_cpu_yuyv
    camera_cpu MJPG 1280 720 camera_cpu_mjpg
    camera_cpu MJPG 1920 1080 camera_cpu_mjpg1080
    camera_cpu MJPG 3840 2160 camera_cpu_mjpg2160
    camera_cpu NV12 1920 1080 camera_cpu_nv12
    camera_cpu GREY 640 480 camera_cpu_grey
    camera_cpu H264 1920 1080 camera_cpu_h264

    # A webcam whose first format is MJPG 1920 x 1080, started as a user starts the program
    # (it shows the camera's 640 x 480, the largest size its window is made for), against
    # gst-launch showing the same camera in the same mode.
    camera '[{"fourcc":"MJPG","sizes":[[1920,1080,[30]],[1280,720,[30]],[640,480,[30]]]}]'
    rm -f "$cams/registry.json"
    figure camera_first_frame \
        "$(secs env -C "$out" "${with[@]}" NIMBACAST_REGISTRY="$cams/registry.json" "$build/bin/bench_first_frame")" \
        "$(secs "${with[@]}" gst-launch-1.0 -q v4l2src device="$cams/dev/video0" num-buffers=1 ! \
            image/jpeg,width=640,height=480 ! jpegdec ! videoconvert ! ximagesink)"

    # The same camera started with five controls kept in its key (put back before it streams)
    # against the same start with none kept.
    camera '[{"fourcc":"YUYV","sizes":[[640,480,[30]]]}]' uvc
    kept_registry "$cams/kept.json" '{"Brightness":20,"Contrast":50,"Saturation":70,"Hue":400,
        "White Balance, Automatic":0}'
    kept_registry "$cams/none.json" '{}'
    figure kept_controls_first_frame \
        "$(secs env -C "$out" "${with[@]}" NIMBACAST_REGISTRY="$cams/kept.json" "$build/bin/bench_first_frame")" \
        "$(secs env -C "$out" "${with[@]}" NIMBACAST_REGISTRY="$cams/none.json" "$build/bin/bench_first_frame")"

    at15() { exec "$build/bin/bench_preview_rate" 15; }
    at30() { exec "$build/bin/bench_preview_rate" 30; }
    cpu_figure preview_15_30 at15 at30

    # Capture click, scroll and page steps, memory after a hundred frames.
    (cd "$out" && "$build/bin/bench_album") | machine >>"$figures"

    # JPEG export at each sampling against tjbench on the same pixels: Mpixels a second, so
    # the figure is tjbench's time over ours.
    export_out=$("$build/bin/bench_export" "$out")
    quality=$(echo "$export_out" | sed -n 's/^libjpeg quality //p')
    for s in 411 422 444; do
        encode=$(echo "$export_out" | awk -v s=$s '$1 == s {print $3}')
        theirs=$(tjbench "$out/Frame0.bmp" "$quality" -subsamp $s -componly -nowrite -quiet \
            -bottomup -benchtime 2 -warmup 0.5 | awk '$1 == "BGR" {print $7}')
        figure "jpeg_$s" "$(echo "1 / $encode" | bc -l)" "$(echo "1 / $theirs" | bc -l)"
    done

    (cd "$out" && "$build/bin/bench_format_change") | machine >>"$figures"
    (cd "$out" && "$build/bin/bench_switch_driver") | machine >>"$figures"

    figure avi_open \
        "$(secs env -C "$out" NIMBACAST_CAPTURE_DRIVERS="$nodrivers" "$build/bin/bench_playback" "$media/one.avi")" \
        "$(secs gst-launch-1.0 -q playbin uri="file://$media/one.avi" video-sink=ximagesink)"
    playing() { cd "$out" && exec env NIMBACAST_CAPTURE_DRIVERS="$nodrivers" "$build/bin/bench_playback" "$media/play640.avi" --play; }
    playbin() { exec gst-launch-1.0 -q playbin uri="file://$media/play640.avi" video-sink=ximagesink; }
    cpu_figure avi_play_cpu playing playbin
done

# A camera behind PipeWire: a daemon of the benchmark's own with a virtual camera node.
"$top/tests/pipewire/run-with-pipewire.sh" "$build/bin/virtual-camera" \
    "$top/bench/pipewire.sh" "$build" "$out" "$runs" "$figures"

# KEY LABEL UNIT SCALE GOAL: one line of the summary, medians over the runs.
summary() {
    awk -v key="$1" -v label="$2" -v unit="$3" -v scale="$4" -v goal="$5" '
        function median(a, n,   i, j, t) {
            for (i = 2; i <= n; i++)
                for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
            return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
        }
        $1 == key { n++; o[n] = $2 * scale; b[n] = $3 * scale; r[n] = $2 / $3 }
        END {
            if (!n) { printf "%-58s no figure\n", label; exit }
            printf "%-58s %9.2f %-4s %9.2f %-4s ratio %5.2f (%s; %d runs)\n", label,
                median(o, n), unit, median(b, n), unit, median(r, n), goal, n
        }' "$figures"
}
echo
echo "median of $runs runs: program, baseline, ratio of each run's pair (program / baseline)"
summary first_frame "start to first preview frame / gst-launch" ms 1000 "goal <= 1.2"
summary preview_cpu_640 "preview CPU 640x480 30 fps / gst-launch ximagesink" "s" 1 "goal <= 1.3"
summary preview_cpu_1280 "preview CPU 1280x720 30 fps / gst-launch ximagesink" "s" 1 "goal <= 1.3"
summary camera_cpu_yuyv "camera preview CPU 640x480 YUYV / gst-launch v4l2src" "s" 1 "goal <= 1.3"
summary camera_cpu_mjpg "camera preview CPU 1280x720 MJPG / gst-launch v4l2src" "s" 1 "goal <= 1.3"
summary camera_cpu_mjpg1080 "camera preview CPU 1920x1080 MJPG / gst-launch v4l2src" "s" 1 "goal <= 1.1"
summary camera_cpu_mjpg2160 "camera preview CPU 3840x2160 MJPG / gst-launch v4l2src" "s" 1 "goal <= 1.1"
summary camera_cpu_nv12 "camera preview CPU 1920x1080 NV12 / gst-launch v4l2src" "s" 1 "goal <= 1.1"
summary camera_cpu_grey "camera preview CPU 640x480 GREY / gst-launch v4l2src" "s" 1 "goal <= 1.1"
summary camera_cpu_h264 "camera preview CPU 1920x1080 H.264 / gst-launch v4l2src" "s" 1 "goal <= 1.1"
summary camera_first_frame "MJPG-1080p-first camera: start to first frame / gst-launch" ms 1000 "goal <= 1.2"
summary kept_controls_first_frame "camera with five kept controls: start to first frame / none kept" ms 1000 "goal <= 1.05"
summary startup_no_pipewire "start-up, no PipeWire daemon / no camera looked for" ms 1000 "goal <= 1.05"
summary pipewire_first_frame "PipeWire camera: start to first frame / gst-launch" ms 1000 "goal <= 1.3"
summary pipewire_cpu "PipeWire camera preview CPU 640x480 / gst-launch" "s" 1 "goal <= 1.3"
summary preview_15_30 "preview CPU at 15 fps / at 30 fps" "s" 1 "goal <= 0.6"
summary capture_click "capture click (no sound) / BMP write+read" ms 1 "goal <= 2.0"
summary scroll_step "album scroll step / three BMP loads" ms 1 "goal <= 1.2"
summary page_step "album page step (none on show) / three BMP loads" ms 1 "for reference"
for s in 411 422 444; do
    summary "jpeg_$s" "JPEG ${s:0:1}:${s:1:1}:${s:2:1} ms per Mpixel, convert+encode / tjbench" ms 1000 \
        "goal <= 1.05, i.e. speed >= 0.95"
done
summary memory_100 "resident memory, preview on, 100 frames / goal" MB 1 "goal <= 1.0"
summary format_change "format change to first frame / cold connect" ms 1 "for reference"
summary driver_switch "driver switch to first frame / cold connect" ms 1 "for reference"
summary avi_open "AVI open to first frame / gst-launch playbin" ms 1000 "goal <= 1.5"
summary avi_play_cpu "AVI playback CPU 640x480 30 fps / gst-launch playbin" "s" 1 "goal <= 1.5"
