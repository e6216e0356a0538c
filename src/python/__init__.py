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


def _borrow_debian_numpy():
    """Makes numpy importable for the arrays of this module.

    An interpreter of its own (pyenv's, a virtual environment without system packages) does not
    look in Debian's folder, where python3-numpy is. When it lacks numpy and Debian's numpy was
    built for its Python version, that numpy is imported from there; the folder is taken off the
    path again, so nothing else of Debian's shadows the interpreter's own packages.
    """
    import importlib.util
    import os
    import sys
    import sysconfig

    if importlib.util.find_spec("numpy") is not None:
        return  # the interpreter's own, imported when the first array is made

    debian = "/usr/lib/python3/dist-packages"
    extension = "_multiarray_umath" + (sysconfig.get_config_var("EXT_SUFFIX") or "")
    if not any(os.path.isfile(os.path.join(debian, "numpy", core, extension))
               for core in ("core", "_core")):
        return
    sys.path.append(debian)
    try:
        importlib.import_module("numpy")
    except ImportError:
        # Leave no half-imported numpy behind for the interpreter's own to trip over.
        for name in [n for n in sys.modules if n == "numpy" or n.startswith("numpy.")]:
            del sys.modules[name]
    finally:
        sys.path.remove(debian)


_borrow_debian_numpy()

from ._trevasc import (  # noqa: E402
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

