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
source "$root/scripts/screenshot-lib.sh"
require_harness "$program"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_harness "$program" "$scan" "$xrr" "$work/shots"
copy_shots "$work/shots" "$root/docs" screenshot-lattice screenshot-nelson-riley screenshot-thickness
echo "written: docs/screenshot-lattice.png docs/screenshot-nelson-riley.png docs/screenshot-thickness.png"
