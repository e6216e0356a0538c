#!/usr/bin/env bash
# Times whole processes side by side on the same generated files: the batch tool against
# numpy.loadtxt (two-column text) and xrayutilities' XRDML map reader (area measurement).
# Needs Debian's python3-numpy, python3-xrayutilities and hyperfine.
set -euo pipefail
build=${1:-build}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
py=/usr/bin/python3
$py "$(dirname "$0")/make-bench-files.py" "$dir" >/dev/null
cli="$build/bin/trevasc-cli"
hyperfine --warmup 2 --runs 10 --export-markdown "$dir/two.md" \
    "$cli info $dir/two_column_1M.txt" \
    "$py -c 'import numpy; numpy.loadtxt(\"$dir/two_column_1M.txt\")'"
cat "$dir/two.md"
hyperfine --warmup 1 --runs 5 --export-markdown "$dir/xml.md" \
    "$cli info $dir/area_1000x2000_intensities.xrdml" \
    "$py -c 'import xrayutilities as xu; xu.io.getxrdml_map(\"$dir/area_1000x2000_intensities.xrdml\")'"
cat "$dir/xml.md"
for f in two_column_1M.txt area_1000x2000_intensities.xrdml; do
    /usr/bin/time -f "$f: peak memory %M KiB, file $(stat -c %s "$dir/$f") bytes" "$cli" info "$dir/$f" >/dev/null
done
