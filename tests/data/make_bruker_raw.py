#!/usr/bin/env python3
"""Writes the small Siemens/Bruker RAW test files (versions 1, 2 and 3) of this folder.

The layouts follow xylib's description of the format (bruker_raw.cpp, from the DIFFRAC-AT
manual's appendix "DIFFRAC-AT Raw Data File Format" and the DIFFRAC-plus XCH manual's
"V3 RAW File Structure"): little-endian integers, 4-byte floats in versions 1 and 2 and 8-byte
doubles for the angles of version 3. Steps are powers of two so that the positions are exact.

Usage: python3 make_bruker_raw.py   (writes quartz_v1.raw, quartz_v2.raw, quartz_v3.raw here)
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


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    for name, data in (("quartz_v1.raw", version1()), ("quartz_v2.raw", version2()),
                       ("quartz_v3.raw", version3())):
        with open(os.path.join(here, name), "wb") as f:
            f.write(data)
