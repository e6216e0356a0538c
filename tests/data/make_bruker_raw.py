#!/usr/bin/env python3
"""Writes the small Siemens/Bruker RAW test files (versions 1 to 4) of this folder.

The layouts follow xylib's description of the format (bruker_raw.cpp, from the DIFFRAC-AT
manual's appendix "DIFFRAC-AT Raw Data File Format" and the DIFFRAC-plus XCH manual's
"V3 RAW File Structure"; version 4 from its development sources): little-endian integers, 4-byte
floats in versions 1 and 2 and 8-byte doubles for the angles of versions 3 and 4. Steps are powers
of two so that the positions are exact.

Usage: python3 make_bruker_raw.py   (writes quartz_v1.raw, quartz_v2.raw, quartz_v3.raw,
quartz_v4.raw and quartz_v4_two_ranges.raw here)
"""
import os
import struct

PEAK = [120, 135, 180, 420, 1650, 3980, 1720, 450, 190, 130]
SIDE = [55, 60, 250, 58]


def counts(values):
    return b"".join(struct.pack("<f", v) for v in values)


def put(buffer, offset, data):
    buffer[offset:offset + len(data)] = data


def version1():
    # Each range: a header, the flag "another range follows", then one float per step.
    def rng(start, step, values, follows):
        h = struct.pack("<I", len(values))
        h += struct.pack("<ffI", 1.0, step, 1)      # time per step, step, scan mode
        h += b"\0" * 4
        h += struct.pack("<ffff", start, start / 2, -1e6, -1e6)  # 2theta, theta, khi, phi
        h += b"quartz".ljust(32, b"\0")
        h += struct.pack("<ff", 1.5406, 1.5444)
        h += b"\0" * 72
        h += struct.pack("<I", 1 if follows else 0)
        return h + counts(values)
    # Early files do not repeat the "RAW " mark before a further range.
    return b"RAW " + rng(26.0, 0.125, PEAK, True) + rng(20.0, 0.25, SIDE, False)


def version2():
    head = bytearray(256)
    put(head, 0, b"RAW2")
    put(head, 4, struct.pack("<H", 1))           # number of ranges
    put(head, 168, b"01/01/00 12:00:00".ljust(20, b" "))
    put(head, 188, b"Cu")
    put(head, 190, struct.pack("<fff", 1.5406, 1.5444, 0.5))
    rng = bytearray(64)                           # range header, its length first
    put(rng, 0, struct.pack("<HH", len(rng), len(PEAK)))
    put(rng, 8, struct.pack("<fff", 1.0, 0.125, 26.0))  # seconds per step, step, start
    put(rng, 46, struct.pack("<H", 298))          # temperature in K
    return bytes(head) + bytes(rng) + counts(PEAK)


def version3():
    head = bytearray(712)
    put(head, 0, b"RAW1.01")
    put(head, 8, struct.pack("<II", 1, 2))        # status done, two ranges
    put(head, 16, b"01/01/00".ljust(10, b"\0"))
    put(head, 326, b"quartz".ljust(60, b"\0"))
    put(head, 608, b"Cu")
    put(head, 616, struct.pack("<ddddd", 1.5418, 1.5406, 1.5444, 1.3922, 0.5))

    def rng(start, step, values):
        h = bytearray(304)
        put(h, 0, struct.pack("<II", len(h), len(values)))
        put(h, 8, struct.pack("<dd", start / 2, start))   # theta, 2theta at the start
        put(h, 176, struct.pack("<d", step))
        put(h, 192, struct.pack("<f", 1.0))              # time per step
        put(h, 224, struct.pack("<II", 40, 40))          # kV, mA
        put(h, 240, struct.pack("<d", 1.5406))
        put(h, 256, struct.pack("<I", 0))                # no supplementary headers
        return bytes(h) + counts(values)
    return bytes(head) + rng(26.0, 0.125, PEAK) + rng(20.0, 0.25, SIDE)


def version4(ranges):
    # File header, 61 bytes: the mark, measurement status and range count, date and time.
    head = bytearray(61)
    put(head, 0, b"RAW4.00")
    put(head, 10, struct.pack("<BB", 1, len(ranges)))
    put(head, 12, b"12/07/26")
    put(head, 24, b"04:40:00")

    # Header segments, each led by its type and its whole length: a named text (type 10) and
    # the tube with its wavelengths (type 30).
    def text_segment(tag, value):
        body = value.encode().ljust(20, b"\0")
        name = tag.encode().ljust(24, b"\0")
        return struct.pack("<II", 10, 36 + len(body)) + b"\0" * 4 + name + body
    tube = bytearray(120)
    put(tube, 0, struct.pack("<II", 30, len(tube)))
    put(tube, 72, struct.pack("<ddddd", 1.5418, 1.5406, 1.5444, 1.3922, 0.5))
    put(tube, 116, b"Cu")
    segments = text_segment("SampleID", "quartz") + bytes(tube)

    # A range: its 160-byte header (type 160 first), drive segments (type 50, start at +56),
    # then one 4-byte float per step.
    def drive(name, start):
        d = bytearray(64)
        put(d, 0, struct.pack("<II", 50, len(d)))
        put(d, 12, name.encode().ljust(24, b"\0"))
        put(d, 56, struct.pack("<d", start))
        return bytes(d)

    def rng(scan_type, start, step, values):
        drives = drive("Theta", start / 2) + drive("2Theta", start)
        h = bytearray(160)
        put(h, 0, struct.pack("<I", 160))
        put(h, 32, scan_type.encode().ljust(24, b"\0"))
        put(h, 72, struct.pack("<ddIf", start, step, len(values), 1.0))  # time per step
        put(h, 100, struct.pack("<ff", 40.0, 40.0))                       # kV, mA
        put(h, 112, struct.pack("<d", 1.5406))
        put(h, 136, struct.pack("<II", 4, len(drives)))  # bytes per value, drive segments
        return bytes(h) + drives + counts(values)
    return bytes(head) + segments + b"".join(rng(*r) for r in ranges)


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    coupled = ("Locked Coupled", 26.0, 0.125, PEAK)
    detector = ("Detector Scan", 20.0, 0.25, SIDE)
    for name, data in (("quartz_v1.raw", version1()), ("quartz_v2.raw", version2()),
                       ("quartz_v3.raw", version3()), ("quartz_v4.raw", version4([coupled])),
                       ("quartz_v4_two_ranges.raw", version4([coupled, detector]))):
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)
