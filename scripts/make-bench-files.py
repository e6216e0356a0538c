#!/usr/bin/env python3
"""Writes the reader benchmark files into a folder, byte for byte as bench/bench_readers.cpp
generates them, so that whole programs can be timed on the same input:

  two_column_1M.txt                    1,000,000 lines "2Theta<TAB>counts" (~12 MB)
  columns_1M.xye                       1,000,000 lines "2Theta intensity sigma" (~28 MB)
  area_1000x2000_intensities.xrdml     area measurement, 1000 scans x 2000 points, version 1
                                       style <intensities> (~9 MB)
  area_1000x2000_counts.xrdml          the same with version 2 style raw <counts> and
                                       <beamAttenuationFactors> (~19 MB)

usage: make-bench-files.py FOLDER
"""
import os
import sys


def noise(k):
    # Knuth's multiplicative hash, as in the C++ generator.
    return (k * 2654435761) & 0xFFFFFFFF


def fixed4(units):
    return "%d.%04d" % (units // 10000, units % 10000)


def two_column_text(lines):
    out = ["# generated two-column scan: 2Theta, counts\n"]
    for k in range(lines):
        d = abs(k - 500000) // 100
        counts = 50 + noise(k) % 1000 + 10000000 // (100 + d * d)
        out.append("%s\t%d\n" % (fixed4(50000 + k), counts))
    return "".join(out)


def xye_text(lines):
    out = ["# generated XYE scan: 2Theta, intensity, uncertainty\n"]
    for k in range(lines):
        d = abs(k - 500000) // 100
        counts = 50 + noise(k) % 1000 + 10000000 // (100 + d * d)
        out.append("%s %s %s\n" % (fixed4(50000 + k), fixed4(counts * 10000 + (noise(k + 7) % 10) * 1000),
                                   fixed4(100 * (noise(k + 13) % 500))))
    return "".join(out)


def area_text(scans, points, raw_counts):
    ns = "2.1" if raw_counts else "1.0"
    out = ['<?xml version="1.0" encoding="UTF-8"?>\n',
           '<xrdMeasurements xmlns="http://www.xrdml.com/XRDMeasurement/%s" status="Completed">\n' % ns,
           '\t<sample type="To be analyzed">\n\t\t<id>BENCH</id>\n\t\t<name>area map</name>\n'
           '\t</sample>\n',
           '\t<xrdMeasurement measurementType="Area measurement" status="Completed" '
           'measurementStepAxis="Omega">\n']
    for s in range(scans):
        out.append('\t\t<scan appendNumber="0" mode="Continuous" scanAxis="Omega-2Theta" '
                   'status="Completed">\n')
        out.append('\t\t\t<header>\n\t\t\t\t<author>\n\t\t\t\t\t<name>User</name>\n'
                   '\t\t\t\t</author>\n\t\t\t</header>\n')
        out.append('\t\t\t<dataPoints>\n')
        out.append('\t\t\t\t<positions axis="2Theta" unit="deg">\n\t\t\t\t\t<startPosition>%s'
                   '</startPosition>\n\t\t\t\t\t<endPosition>%s</endPosition>\n'
                   '\t\t\t\t</positions>\n' % (fixed4(600000), fixed4(600000 + 100 * (points - 1))))
        out.append('\t\t\t\t<positions axis="Omega" unit="deg">\n\t\t\t\t\t<startPosition>%s'
                   '</startPosition>\n\t\t\t\t\t<endPosition>%s</endPosition>\n'
                   '\t\t\t\t</positions>\n' % (fixed4(200000 + 100 * s), fixed4(220000 + 100 * s)))
        out.append('\t\t\t\t<commonCountingTime unit="seconds">1.00</commonCountingTime>\n')
        if raw_counts:
            factors = " ".join("188.00" if p % 500 == 0 else "1.00" for p in range(points))
            out.append('\t\t\t\t<beamAttenuationFactors>%s</beamAttenuationFactors>\n' % factors)
        values = " ".join(str(noise(s * points + p) % 1000) for p in range(points))
        if raw_counts:
            out.append('\t\t\t\t<counts unit="counts">%s</counts>\n' % values)
        else:
            out.append('\t\t\t\t<intensities unit="counts">%s</intensities>\n' % values)
        out.append('\t\t\t</dataPoints>\n\t\t</scan>\n')
    out.append('\t</xrdMeasurement>\n</xrdMeasurements>\n')
    return "".join(out)


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    files = {
        "two_column_1M.txt": two_column_text(1000000),
        "columns_1M.xye": xye_text(1000000),
        "area_1000x2000_intensities.xrdml": area_text(1000, 2000, False),
        "area_1000x2000_counts.xrdml": area_text(1000, 2000, True),
    }
    for name, text in files.items():
        with open(os.path.join(folder, name), "w", encoding="utf-8", newline="") as f:
            f.write(text)
        print("%s: %d bytes" % (os.path.join(folder, name), len(text.encode("utf-8"))))


if __name__ == "__main__":
    main()
