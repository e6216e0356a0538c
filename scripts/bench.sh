#!/usr/bin/env bash
# Runs every benchmark program and prints medians of five repetitions.
set -euo pipefail
build=${1:-build}
for b in "$build"/bin/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b" --benchmark_min_time=0.2 --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
        2>/dev/null | grep -E 'median|Benchmark' || true
done
