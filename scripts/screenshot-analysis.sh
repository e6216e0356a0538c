#!/usr/bin/env bash
# Takes the pictures of the analysis windows for the documentation: the lattice window with the
# Nelson-Riley plot of a real scan's substrate peaks, and the film thickness window on the
# fringes of a real reflectivity scan.
#   scripts/screenshot-analysis.sh [build folder] [lattice scan] [reflectivity scan]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scan=${2:-$root/tests/data/nomad_m54313_om2th_10_v2.1.xrdml}
xrr=${3:-$root/../shared/realdata/genx_XRDML_alt_XRR_v2.0.xrdml}
program=$build/bin/trevasc-screenshot-analysis
if [ ! -x "$program" ]; then
    echo "error: $program not found; build the target trevasc-screenshot-analysis first" >&2
    exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
    echo "error: xvfb-run not found (Debian packages xvfb and xauth)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1600x1000x24" timeout 60 "$program" "$scan" "$xrr" "$work/shots"
mkdir -p "$root/docs"
for name in screenshot-lattice screenshot-nelson-riley screenshot-thickness; do
    if [ ! -s "$work/shots/$name.png" ]; then
        echo "error: $name.png was not written" >&2
        exit 1
    fi
    cp "$work/shots/$name.png" "$root/docs/$name.png"
done
echo "written: docs/screenshot-lattice.png docs/screenshot-nelson-riley.png docs/screenshot-thickness.png"
