#!/usr/bin/env bash
# Runs a test program of the thread-checked build with the thread sanitizer's options: every
# report fails the test, and the reports of the libraries we do not build are suppressed
# (tsan.supp says why, line by line). GLib's slice allocator hands memory between threads
# through its own lists, unseen by the sanitizer: it is told to use malloc instead.
here=$(cd "$(dirname "$0")" && pwd)
# (GStreamer forks its plugin scanner from a process with threads; the child only execs.)
export TSAN_OPTIONS="suppressions=$here/tsan.supp:halt_on_error=1:second_deadlock_stack=1:die_after_fork=0${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
export G_SLICE=always-malloc
exec "$@"
