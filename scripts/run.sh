#!/usr/bin/env bash
# Opens the workbench on a sample scan, or runs the batch tool when there is no display.
set -euo pipefail
build=${1:-build}
sample=${2:-data/samples/xrdtools_test_scan_2ThetaOmega_v1.0.xrdml}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x "$build/bin/trevasc" ]; then
    unset QT_QPA_PLATFORM
    exec "$build/bin/trevasc" "$sample"
fi
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: running the batch tool on $sample instead of the workbench."
fi
"$build/bin/trevasc-cli" info "$sample"
