# The measuring helpers of the benchmark scripts (sourced).
now() { date +%s.%N; }
secs() { # command...: wall seconds it took
    local t0 t1
    t0=$(now)
    "$@" >/dev/null 2>&1
    t1=$(now)
    echo "$t1 - $t0" | bc -l
}
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
cpu_of() { # command...: CPU seconds used over a window of CPU_SECONDS (default 10) after a 3 s settle
    "$@" >/dev/null 2>&1 &
    local pid=$! a b
    sleep 3
    a=$(ticks $pid)
    sleep "${CPU_SECONDS:-10}"
    b=$(ticks $pid)
    kill $pid; wait $pid 2>/dev/null || true
    echo "($b - $a) / $(getconf CLK_TCK)" | bc -l
}
# cpu_window command...: "SECONDS CPU": how long, in 5 s steps from 10 s up to 60 s, the
# command had to run (after a 3 s settle) to use at least half a CPU second, and what it used.
# A figure of less would be mostly the clock's ticks.
cpu_window() {
    "$@" >/dev/null 2>&1 &
    local pid=$! a b t=0 hz used
    hz=$(getconf CLK_TCK)
    sleep 3
    a=$(ticks $pid)
    while :; do
        sleep 5
        t=$((t + 5))
        b=$(ticks $pid)
        used=$(echo "($b - $a) / $hz" | bc -l)
        ((t >= 10)) && [ "$(echo "$used >= 0.5" | bc -l)" = 1 ] && break
        ((t >= 60)) && break
    done
    kill $pid; wait $pid 2>/dev/null || true
    echo "$t $used"
}
# cpu_figure KEY OURS BASELINE: the CPU of two commands (functions that exec a program) over
# the same window, long enough for the baseline to use half a CPU second.
cpu_figure() {
    local t base ours
    read -r t base <<<"$(cpu_window "$3")"
    ours=$(CPU_SECONDS=$t cpu_of "$2")
    figure "$1" "$ours" "$base"
}
