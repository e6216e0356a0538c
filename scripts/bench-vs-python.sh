#!/usr/bin/env bash
# Times the batch tool side by side with the Python peers on the same generated files:
#   two_column_1M.txt                 trevasc-cli info   against numpy.loadtxt
#   area_1000x2000_intensities.xrdml  trevasc-cli info   against xrayutilities' getxrdml_map
#   two_column_1M.txt                 trevasc-cli peaks --smooth 1000 --background 1000
#                                     against trevasc-cli info on the same file
# Ours is timed as a whole process (start-up included), the peers in-process (interpreter start
# and imports excluded). The runs of both sides alternate, so a change of machine load hits both;
# the figures are medians of RUNS runs each (default 11), and the ratios are taken from them.
# Peak memory: the maximum resident set of one whole process of ours (GNU time), and for the
# peers that of a fresh interpreter that imports the module and reads the file once, with the
# part that the reading added on top of the imports.
#
# usage: scripts/bench-vs-python.sh [BUILD] [RUNS]
# Needs Debian's python3-numpy and python3-xrayutilities (WITH_PEERS=1 scripts/install-deps.sh).
# The times depend on the load: check that nothing else runs (the load average is printed before
# and after).
set -euo pipefail
build=${1:-build}
runs=${2:-11}
cli="$(cd "$build/bin" && pwd)/trevasc-cli"
[ -x "$cli" ] || { echo "bench-vs-python.sh: $cli not built" >&2; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
py=/usr/bin/python3
$py "$(dirname "$0")/make-bench-files.py" "$dir" >/dev/null
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
# Some machines set OPENBLAS_CORETYPE and OPENBLAS_L2_SIZE for old OpenBLAS builds; they slow a
# current numpy, so the peer runs without them (this command only).
env -u OPENBLAS_CORETYPE -u OPENBLAS_L2_SIZE "$py" - "$cli" "$dir" "$runs" <<'EOF'
import os, statistics, subprocess, sys, time

cli, folder, runs = sys.argv[1], sys.argv[2], int(sys.argv[3])
two = os.path.join(folder, "two_column_1M.txt")
area = os.path.join(folder, "area_1000x2000_intensities.xrdml")

import numpy
import xrayutilities as xu

def run_ours(args):
    """Wall time (s) of one whole trevasc-cli process."""
    t = time.perf_counter()
    pid = os.posix_spawn(cli, [cli] + args, os.environ,
                         file_actions=[(os.POSIX_SPAWN_OPEN, 1, os.devnull, os.O_WRONLY, 0)])
    _, status = os.waitpid(pid, 0)
    elapsed = time.perf_counter() - t
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit("trevasc-cli %s failed" % " ".join(args))
    return elapsed

def our_memory(args):
    """Peak resident memory (KiB) of one trevasc-cli process. GNU time forks from a small
    process: a child spawned from this interpreter would report the interpreter's peak, which
    the kernel carries over an exec."""
    out = subprocess.run(["/usr/bin/time", "-f", "%M", cli] + args, check=True,
                         stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True).stderr
    return int(out.split()[-1])

def run_peer(call):
    t = time.perf_counter()
    call()
    return time.perf_counter() - t

def peer_memory(code):
    """Peak resident memory (KiB) of a fresh interpreter running `code`, and the part added
    after the imports."""
    # VmHWM belongs to the process's own memory map, so nothing of the parent's counts.
    probe = ("import re\n"
             "def hwm():\n"
             "    return int(re.search(r'VmHWM:\\s*(\\d+)', open('/proc/self/status').read())[1])\n"
             "%s\nbefore = hwm()\n%s\nprint(before, hwm())\n")
    imports, work = code
    out = subprocess.run([sys.executable, "-c", probe % (imports, work)], check=True,
                         capture_output=True, text=True).stdout.split()
    return int(out[1]), int(out[1]) - int(out[0])

def median(xs):
    return statistics.median(xs) * 1000.0

cases = [
    ("two-column 1M lines", ["info", two], lambda: numpy.loadtxt(two), "numpy.loadtxt",
     ("import numpy", "numpy.loadtxt(%r)" % two)),
    ("area map 1000x2000", ["info", area], lambda: xu.io.getxrdml_map(area),
     "xrayutilities getxrdml_map",
     ("import xrayutilities as xu", "xu.io.getxrdml_map(%r)" % area)),
]
peaks_args = ["peaks", two, "--smooth", "1000", "--background", "1000"]

# One warm-up of everything: page cache, imports, lazy initialisation.
for _, args, call, _, _ in cases:
    run_ours(args)
    call()
run_ours(peaks_args)

rows = []
for label, args, call, peer_name, code in cases:
    ours, peer = [], []
    for _ in range(runs):
        ours.append(run_ours(args))
        peer.append(run_peer(call))
    rss = our_memory(args)
    peer_rss, peer_added = peer_memory(code)
    rows.append((label, median(ours), rss, peer_name, median(peer), peer_rss, peer_added))

info_times, peaks_times = [], []
for _ in range(runs):
    info_times.append(run_ours(["info", two]))
    peaks_times.append(run_ours(peaks_args))
peaks_rss = our_memory(peaks_args)

print("medians of %d runs each" % runs)
for label, ours, rss, peer_name, peer, peer_rss, peer_added in rows:
    print("%-20s trevasc-cli info %7.1f ms (peak %4d MiB) | %s %7.1f ms in-process "
          "(peak %4d MiB, %d MiB for the read) | ratio %.2fx"
          % (label, ours, rss // 1024, peer_name, peer, peer_rss // 1024, peer_added // 1024,
             peer / ours))
info_ms, peaks_ms = median(info_times), median(peaks_times)
print("%-20s trevasc-cli peaks --smooth 1000 --background 1000 %7.1f ms (peak %4d MiB) | "
      "info %7.1f ms | peaks/info %.2fx" % ("two-column 1M lines", peaks_ms, peaks_rss // 1024,
                                           info_ms, peaks_ms / info_ms))
EOF
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
