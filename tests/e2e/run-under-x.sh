#!/usr/bin/env bash
# Runs one end-to-end script under a fresh X server:
#   run-under-x.sh SCRIPT PROGRAM HELPFILE SYSTEMDIR
set -euo pipefail
script=$1
export NIMBACAST_PROGRAM=$2 NIMBACAST_HELPFILE=$3 NIMBACAST_SYSTEM_DIR=$4
export E2E_WORK=$(mktemp -d)
trap 'rm -rf "$E2E_WORK"' EXIT
export XDG_RUNTIME_DIR=$E2E_WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM
export E2E_LIB=$(cd "$(dirname "$0")" && pwd)/lib.sh
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$script"
