#!/bin/sh
# Runs every benchmark program of a build and prints the ratios they measure, one line each:
#     name: ratio X (limit Y)
# plus "name: figure ..." lines for measured figures that are not ratios.
#
# Usage: bench/run.sh BUILD_DIR
#   BUILD_DIR is a build configured with -DVANTORIX_BENCH=ON, best RelWithDebInfo, e.g.
#     cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTORIX_BENCH=ON
#     cmake --build build-rel
#     bench/run.sh build-rel
#   This script builds nothing. Every program BUILD_DIR/bin/bench_* is run; a new bench
#   program joins by printing its lines in the form above (bench/BenchRatios.h does that).
#   Each program's full table goes to BUILD_DIR/bench-logs/<program>.log.
# Large benchmark files are made under /tmp and removed by the programs themselves.
# Exit status: 0 when every program ran and every ratio with a limit is within it.
set -u

build=${1:?usage: bench/run.sh BUILD_DIR}
bin=$build/bin
logs=$build/bench-logs
mkdir -p "$logs" || exit 2

status=0
ran=0
for program in "$bin"/bench_*; do
    [ -x "$program" ] || continue
    ran=1
    name=$(basename "$program")
    "$program" >"$logs/$name.out" 2>"$logs/$name.log"
    code=$?
    grep -E '^[^ ]+: (ratio|figure) ' "$logs/$name.out"
    # A ratio over its limit fails the run even if the program did not say so.
    over=$(awk '/: ratio [0-9.]+ \(limit [0-9.]+\)$/ {
                    x = $3; y = $5; sub(/\)$/, "", y); if (x + 0 > y + 0) n++ }
                END { print n + 0 }' "$logs/$name.out")
    if [ "$code" -ne 0 ] || [ "$over" -ne 0 ]; then
        echo "$name: FAILED (exit $code, $over ratio(s) over limit; see $logs/$name.log)"
        status=1
    fi
done

if [ "$ran" -eq 0 ]; then
    echo "no bench programs in $bin (configure with -DVANTORIX_BENCH=ON and build first)" >&2
    exit 2
fi
exit $status
