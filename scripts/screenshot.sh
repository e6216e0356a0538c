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
source "$root/scripts/screenshot-lib.sh"
require_harness "$program"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The gnuplot files are written beside the area scan: a copy in the scratch folder.
cp "$area" "$work/"
run_harness "$program" "$scan" "$work/shots" "$work/$(basename "$area")"
copy_shots "$work/shots" "$root/docs" screenshot-main screenshot-peaks screenshot-plot \
    screenshot-fit screenshot-update screenshot-substrate screenshot-additional \
    screenshot-structure screenshot-markers screenshot-map screenshot-map-reciprocal \
    screenshot-map-bw screenshot-offsets
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
