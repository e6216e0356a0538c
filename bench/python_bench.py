#!/usr/bin/python3
"""Times the Python module against the usual Python readers, in one interpreter, the runs of
the two sides alternated, and prints the medians and their ratios:

  trevasc.read of a 1000 x 2000 XRDML area map   against xrayutilities.io.getxrdml_map
  trevasc.read of 1,000,000 two-column lines     against numpy.loadtxt
  trevasc.peaks on those lines, smoothed (5) and background removed (40),
                                                 against trevasc.read of the same file
                                                 (and, for information, on the scan read before)

The files are those of scripts/make-bench-files.py (the reader benchmarks' inputs).

usage: PYTHONPATH=build/python bench/python_bench.py [RUNS]   (default 7)
Needs Debian's python3-numpy and python3-xrayutilities. The figures depend on the load: the
load average is printed before and after.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

import numpy

import trevasc

HERE = os.path.dirname(os.path.abspath(__file__))
MAKE_FILES = os.path.join(HERE, "..", "scripts", "make-bench-files.py")


def timed(call):
    t = time.perf_counter()
    call()
    return time.perf_counter() - t


def compare(title, ours, ours_name, theirs, theirs_name, runs, goal):
    """Medians of `runs` alternated runs; goal(ratio) says whether the target is met."""
    ours(), theirs()  # warm the file cache and the imports
    a, b = [], []
    for _ in range(runs):
        a.append(timed(ours))
        b.append(timed(theirs))
    ma, mb = statistics.median(a), statistics.median(b)
    ratio = mb / ma
    verdict, met = goal(ratio)
    print("%s\n  %-42s %8.1f ms\n  %-42s %8.1f ms\n  ratio %.1f (%s: %s)" %
          (title, ours_name, ma * 1000, theirs_name, mb * 1000, ratio, verdict,
           "met" if met else "NOT met"))
    return met


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 7
    import xrayutilities as xu

    with tempfile.TemporaryDirectory() as folder:
        subprocess.run([sys.executable, MAKE_FILES, folder], check=True, stdout=subprocess.DEVNULL)
        area = os.path.join(folder, "area_1000x2000_intensities.xrdml")
        two = os.path.join(folder, "two_column_1M.txt")
        print("load before: %s" % open("/proc/loadavg").read().split()[:3])
        results = [
            compare("XRDML area map, 1000 scans x 2000 points",
                    lambda: trevasc.read(area), "trevasc.read",
                    lambda: xu.io.getxrdml_map(area), "xrayutilities.io.getxrdml_map", runs,
                    lambda r: ("at least 10x", r >= 10)),
            compare("XRDML area map, with every scan's arrays",
                    lambda: [(s.x, s.counts) for s in trevasc.read(area)],
                    "trevasc.read + x, counts of every scan",
                    lambda: xu.io.getxrdml_map(area), "xrayutilities.io.getxrdml_map", runs,
                    lambda r: ("at least 10x", r >= 10)),
            compare("two-column text, 1,000,000 lines",
                    lambda: trevasc.read(two).main.counts, "trevasc.read + counts",
                    lambda: numpy.loadtxt(two), "numpy.loadtxt", runs,
                    lambda r: ("at least 3x", r >= 3)),
            compare("peak search, 1,000,000 points, smooth 5, background 40",
                    lambda: trevasc.read(two), "trevasc.read",
                    lambda: trevasc.peaks(two, smooth=5, background=40), "trevasc.peaks", runs,
                    lambda r: ("peaks at most 2x read", r <= 2)),
        ]
        # The other reading of the target: the search on a scan already read (the processing
        # alone, after copying the points into a session), against reading it.
        scan = trevasc.read(two).main
        compare("peak search on the scan read before",
                lambda: trevasc.read(two), "trevasc.read",
                lambda: trevasc.peaks(scan, smooth=5, background=40), "trevasc.peaks(scan)", runs,
                lambda r: ("at most 2x read", r <= 2))
        print("load after: %s" % open("/proc/loadavg").read().split()[:3])
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
