#!/usr/bin/env bash
# Takes the pictures of the line-profile windows for the documentation: the Profile Fit and Size
# and Strain windows on a real powder scan, and its XRD plot over the lattice spacing d.
#   scripts/screenshot-profile.sh [build folder] [powder scan]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
scan=${2:-$root/../shared/realdata/fityk_nacl01.dat}
program=$build/bin/trevasc-screenshot-profile
source "$root/scripts/screenshot-lib.sh"
require_harness "$program"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run_harness "$program" "$scan" "$work/shots"
copy_shots "$work/shots" "$root/docs" screenshot-profile-fit screenshot-size-strain \
    screenshot-plot-spacing
echo "written: docs/screenshot-profile-fit.png docs/screenshot-size-strain.png docs/screenshot-plot-spacing.png"
