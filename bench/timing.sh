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
