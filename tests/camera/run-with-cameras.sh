#!/usr/bin/env bash
# Runs a command with the emulated webcam preloaded and files of its own:
#   run-with-cameras.sh LIBFAKECAM COMMAND [ARG...]
# The command finds the emulator's config, log and device directory in FAKECAM_CONFIG,
# FAKECAM_LOG and FAKECAM_DEVICE_DIR, and the program its devices through
# NIMBACAST_DEVICE_DIR; it starts with no camera until it writes the config.
set -euo pipefail
library=$1
shift
[ -f "$library" ] || { echo "run-with-cameras: no emulator at $library" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/dev"
echo '{"cameras":[]}' >"$work/config.json"
export FAKECAM_CONFIG=$work/config.json FAKECAM_DEVICE_DIR=$work/dev FAKECAM_LOG=$work/log
export NIMBACAST_DEVICE_DIR=$work/dev
# The system's device list, where the name of a node the user may not open is read.
mkdir "$work/sys"
export FAKECAM_SYSFS_DIR=$work/sys NIMBACAST_SYSFS_DIR=$work/sys
# The cameras are the emulated ones only: a PipeWire daemon of the session offers none here.
export PIPEWIRE_RUNTIME_DIR=$work
unset PIPEWIRE_REMOTE
# A sanitizer build's runtime must come first of all libraries.
preload=$library
# (awk reads ldd to its end: a pipe closed early would fail the whole line under pipefail.)
runtime=$(ldd "$1" 2>/dev/null | awk '/libasan|libtsan/ && !found++ {print $3}') || true
[ -z "$runtime" ] || preload=$runtime:$library
LD_PRELOAD=$preload${LD_PRELOAD:+:$LD_PRELOAD} "$@"
