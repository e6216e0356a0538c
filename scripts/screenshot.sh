#!/usr/bin/env bash
# Takes the pictures of the documentation: starts the workbench under a virtual X server on a
# real scan, finds its peaks and saves the main window and the plot window as PNG files; the map
# window and the offsets dialog are taken on a real area measurement.
#   scripts/screenshot.sh [build folder] [scan file] [area scan file]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scan=${2:-$root/tests/data/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml}
area=${3:-$root/tests/data/xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml}
program=$build/bin/trevasc-screenshot
if [ ! -x "$program" ]; then
    echo "error: $program not found; build the target trevasc-screenshot first" >&2
    exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "error: xvfb-run not found (Debian packages xvfb and xauth)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The harness uses a configuration folder of its own: the user's settings are neither read nor
# changed.
unset QT_QPA_PLATFORM
# The gnuplot files are written beside the area scan: a copy in the scratch folder.
cp "$area" "$work/"
xvfb-run -a -s "-screen 0 1600x1000x24" timeout 60 "$program" "$scan" "$work/shots" "$work/$(basename "$area")"
mkdir -p "$root/docs"
for name in screenshot-main screenshot-peaks screenshot-plot screenshot-fit screenshot-update \
    screenshot-substrate screenshot-additional screenshot-structure screenshot-markers \
    screenshot-map screenshot-map-reciprocal screenshot-map-bw screenshot-offsets; do
    if [ ! -s "$work/shots/$name.png" ]; then
        echo "error: $name.png was not written" >&2
        exit 1
    fi
    cp "$work/shots/$name.png" "$root/docs/$name.png"
done
# The PNG that gnuplot renders from the shipped template (it runs detached: wait for it).
picture="$work/$(basename "${area%.*}")_GnuPlotData.dat_Color.png"
for _ in $(seq 1 30); do
    [ -s "$picture" ] && break
    sleep 1
done
if [ -s "$picture" ]; then
    sleep 1
    cp "$picture" "$root/docs/gnuplot-map.png"
else
    echo "warning: gnuplot did not write $picture (is gnuplot installed?)" >&2
fi
echo "written: the screenshot-*.png pictures and gnuplot-map.png in docs/"
