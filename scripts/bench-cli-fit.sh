#!/bin/sh
# Times `trevasc-cli fit` of a 1000-point range against `trevasc-cli info` of the same file, as
# whole processes, the two runs alternated; prints the medians and their ratio. A text-only fit
# must not load Qt (it runs in trevasc-cli itself, not in the drawing program).
# Usage: scripts/bench-cli-fit.sh [BUILD_DIR] [RUNS]
set -eu
build=${1:-build}
runs=${2:-21}
cli="$build/bin/trevasc-cli"
[ -x "$cli" ] || { echo "no $cli: build it first" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# 1000 points from 30 to 40 degrees: a Gauss peak at 35 on a sloping background.
awk 'BEGIN { for (i = 0; i < 1000; i++) { x = 30 + i * 0.01;
             printf "%.2f %d\n", x, 100 + 2 * i + 50000 * exp(-(x - 35) ^ 2 / 0.02) } }' \
    >"$work/scan.txt"

# Wall-clock milliseconds of one run of the command line.
elapsed() {
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/info"
: >"$work/fit"
i=0
while [ "$i" -lt "$runs" ]; do
    elapsed "$cli" info "$work/scan.txt" >>"$work/info"
    elapsed "$cli" fit "$work/scan.txt" --profile gauss --json >>"$work/fit"
    i=$((i + 1))
done
info=$(median <"$work/info")
fit=$(median <"$work/fit")
echo "runs: $runs (alternated)"
echo "info median: $info us"
echo "fit  median: $fit us"
awk -v f="$fit" -v i="$info" 'BEGIN { printf "fit / info: %.2f\n", f / i }'
