"""Trevasc: X-ray diffraction scans from Python.

The readers and analyses of the Trevasc workbench, with the results of its batch tool
trevasc-cli and numpy arrays out.

    >>> import trevasc
    >>> m = trevasc.read("film.xrdml")
    >>> m.main.x, m.main.counts                   # float64 arrays
    >>> trevasc.peaks(m.main, smooth=5, background=40)
    >>> k_par, k_perp, counts = trevasc.reciprocal_map(m)

Functions: read, process, peaks, fit, profile, instrument, size, lattice, thickness, simulate,
identify, reciprocal_map, two_axis_map.
Classes: Measurement, Scan. Errors: ReadError (a ValueError) for files that cannot be read,
ValueError for arguments out of range.
"""

from ._trevasc import (
    Measurement,
    ReadError,
    Scan,
    __version__,
    fit,
    identify,
    instrument,
    lattice,
    peaks,
    process,
    profile,
    read,
    reciprocal_map,
    simulate,
    size,
    thickness,
    two_axis_map,
)

__all__ = [
    "Measurement",
    "ReadError",
    "Scan",
    "fit",
    "identify",
    "instrument",
    "lattice",
    "peaks",
    "process",
    "profile",
    "read",
    "reciprocal_map",
    "simulate",
    "size",
    "thickness",
    "two_axis_map",
]

