"""The Python module against the batch tool: every call on the real files of tests/data gives
what trevasc-cli prints for the same arguments."""

import concurrent.futures
import gc
import json
import os
import pydoc
import re
import subprocess
import sys

import numpy as np
import pytest

# A sanitizer build whose runtimes cannot be preloaded into the interpreter cannot load the
# instrumented module.
if os.environ.get("TREVASC_PYTHON_SKIP"):
    pytest.skip(os.environ["TREVASC_PYTHON_SKIP"], allow_module_level=True)

import trevasc  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.environ.get("TREVASC_TEST_DATA", os.path.join(HERE, "..", "data"))
CLI = os.environ.get("TREVASC_CLI", os.path.join(HERE, "..", "..", "build", "bin", "trevasc-cli"))


def data(name):
    return os.path.join(DATA, name)


def cli(*args, check=True):
    r = subprocess.run([CLI, *args], capture_output=True, text=True)
    if check and r.returncode != 0:
        raise AssertionError("trevasc-cli %s failed: %s" % (" ".join(args), r.stderr))
    return r


# Files of every reader family: XML single scan and area map, Rigaku RAS with two scans, XYE
# columns, Bruker RAW 4 (own reader), and xylib's formats.
READ_FILES = [
    "xrdtools_test_scan_2ThetaOmega_v1.0.xrdml",
    "xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml",
    "nomad_m54313_om2th_10_v2.1.xrdml",
    "detector_scan_2Theta.xrdml",
    "two_scans_rsm.ras",
    "film.xye",
    "quartz_v4_two_ranges.raw",
    "quartz.uxd",
    "quartz.cif",
]


@pytest.mark.parametrize("name", READ_FILES)
def test_read_reports_what_info_reports(name):
    m = trevasc.read(data(name))
    (info,) = json.loads(cli("info", "--json", data(name)).stdout)
    assert (m.format, m.kind, m.title, m.warnings) == (
        info["format"], info["kind"], info["title"], info["warnings"])
    assert len(m) == len(info["scans"]) == len(m.scans)
    assert m.main.name == m.scans[0].name
    for scan, expected in zip(m, info["scans"]):
        assert scan.name == expected["name"]
        assert (scan.second_axis_name, scan.second_axis_position) == pytest.approx(
            (expected["secondAxisName"], expected["secondAxisPosition"]), rel=1e-14)
        x, counts = scan.x, scan.counts
        assert x.dtype == counts.dtype == np.float64
        assert x.shape == counts.shape == (expected["count"], ) == (len(scan), )
        assert (x[0], x[-1]) == pytest.approx((expected["first"], expected["last"]), rel=1e-14)
        assert (counts.min(), counts.max()) == (expected["minIntensity"],
                                                expected["maxIntensity"])


def test_positions_are_a_view_that_keeps_the_file_alive():
    scan = trevasc.read(data("xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml")).scans[3]
    x = scan.x
    # A strided view into the 16-byte points: no copy, and both accesses see the same memory.
    assert x.strides == (16, ) and not x.flags.owndata and not x.flags.writeable
    assert np.shares_memory(x, scan.x)
    expected = x.copy()
    del scan
    gc.collect()
    # The measurement stays alive as long as the array does.
    trevasc.read(data("film.xye"))
    assert np.array_equal(x, expected)


def test_an_interpreter_without_numpy_borrows_debians():
    # python -S leaves Debian's folder off the path, as pyenv's Python or a virtual environment
    # does: the arrays then come from Debian's numpy, and the folder is off the path afterwards.
    debian = "/usr/lib/python3/dist-packages"
    bare = [sys.executable, "-S", "-c"]
    if subprocess.run(bare + ["import numpy"], capture_output=True).returncode == 0:
        pytest.skip("numpy is importable without the site folders here")
    script = """import sys, trevasc, numpy
m = trevasc.read(sys.argv[1])
print(numpy.__file__, %r in sys.path, m.main.counts.dtype, int(m.main.counts.sum()))""" % debian
    r = subprocess.run(bare + [script, data("film.xye")], capture_output=True, text=True)
    assert r.returncode == 0, r.stderr
    expected = int(trevasc.read(data("film.xye")).main.counts.sum())
    assert r.stdout.split() == [debian + "/numpy/__init__.py", "False", "float64", str(expected)]


def test_read_takes_path_objects(tmp_path):
    path = tmp_path / "two.xye"
    path.write_text("10 1\n11 2\n12 3\n")
    m = trevasc.read(path)  # a path object is taken as well
    assert m.format == "two-column" and list(m.main.counts) == [1, 2, 3]
    assert m.path == str(path)


def test_scan_list_dataset_is_chosen_and_named(tmp_path):
    # Two datasets of three 2Theta points; counts 100.. in the first, 200.. in the second.
    text = "SUPERDATA\n"
    for d in range(2):
        text += "> mscan tth 1 2 3 4 5 6 3\nH       K       L       D     TIM    CTS      TTH\n"
        for i in range(3):
            text += "0 0 0 1.0 1 %d %d.5 0 0 0 0\n" % (100 * (d + 1) + i, 20 + i)
    path = tmp_path / "two.dat"
    path.write_text(text)
    first = trevasc.read(path)
    assert first.format == "scan-list" and list(first.main.counts) == [100, 101, 102]
    (info,) = json.loads(cli("info", "--json", str(path)).stdout)
    # The batch tool's warning, with the module's way of choosing another dataset.
    assert first.warnings == [w.replace("--dataset N", "dataset=N") for w in info["warnings"]]
    assert "Reading dataset 1 (choose another with dataset=N)." in first.warnings[0]
    second = trevasc.read(path, dataset=2)
    assert list(second.main.counts) == [200, 201, 202] and second.warnings == []
    with pytest.warns(UserWarning, match="dataset=N"):
        assert trevasc.peaks(str(path), min_height=3) == trevasc.peaks(first, min_height=3)
    with pytest.raises(trevasc.ReadError, match="^%s$" % re.escape(read_failure(path, "--dataset", "3"))):
        trevasc.read(path, dataset=3)
    with pytest.raises(ValueError, match="dataset needs a whole number of at least 1"):
        trevasc.read(path, dataset=0)


def read_failure(path, *options):
    """The message that trevasc-cli info prints for a file that cannot be read."""
    r = cli("info", *options, str(path), check=False)
    assert r.returncode == 1
    prefix = "trevasc-cli: %s: " % path
    line = [l for l in r.stderr.splitlines() if l.startswith(prefix)][0]
    return line[len(prefix):]


def test_unreadable_files_raise_read_error_with_the_workbench_message(tmp_path):
    assert issubclass(trevasc.ReadError, ValueError)
    broken = tmp_path / "broken.xrdml"
    broken.write_text('<?xml version="1.0"?>\n<xrdMeasurements><xrdMeasurement>'
                      "<scan><dataPoints><intensities>1 2 x</intensities>")
    text = tmp_path / "text.txt"
    text.write_text("2theta counts\n10 5\n10.5 banana\n")
    for path in [str(tmp_path / "missing.xrdml"), str(broken), str(text), str(tmp_path)]:
        with pytest.raises(trevasc.ReadError) as caught:
            trevasc.read(path)
        assert str(caught.value) == read_failure(path)
        # peaks and the maps read through the same path.
        with pytest.raises(trevasc.ReadError, match="^" + re.escape(str(caught.value)) + "$"):
            trevasc.peaks(path)


def truncated_division(a, b):
    q = abs(a) // b
    return q if a >= 0 else -q


def smoothed(counts, w):
    """The moving average as documented: window i - w//2 .. i - w//2 + w - 1, points outside
    the scan count as point i itself, the mean truncated toward zero."""
    n = len(counts)
    out = []
    for i in range(n):
        window = [counts[j] if 0 <= j < n else counts[i] for j in range(i - w // 2, i - w // 2 + w)]
        out.append(truncated_division(sum(window), w))
    return out


def background_removed(counts, b):
    """Minus the wide mean with the first and last points repeated beyond the ends."""
    n = len(counts)
    out = []
    for i in range(n):
        window = [counts[min(max(j, 0), n - 1)] for j in range(i - b // 2, i - b // 2 + b)]
        out.append(counts[i] - truncated_division(sum(window), b))
    return out


def test_process_smooths_and_removes_the_background():
    scan = trevasc.read(data("nomad_m54313_om2th_10_v2.1.xrdml")).main
    raw = [int(c) for c in scan.counts]
    assert np.array_equal(trevasc.process(scan), raw)
    for smooth, background in [(5, None), (2, None), (None, 40), (7, 25), (1000, 2)]:
        expected = raw
        if smooth:
            expected = smoothed(expected, smooth)
        if background:
            expected = background_removed(expected, background)
        got = trevasc.process(scan, smooth=smooth, background=background)
        assert got.dtype == np.float64 and got.shape == scan.x.shape
        assert np.array_equal(got, expected), (smooth, background)


@pytest.mark.parametrize("arguments, message", [
    (dict(smooth=1), "smooth needs a whole number from 2 to 1000"),
    (dict(background=1001), "background needs a whole number from 2 to 1000"),
    (dict(slope_samples=2), "slope_samples needs a whole number from 3 to 1000"),
])
def test_process_refuses_widths_out_of_range(arguments, message):
    scan = trevasc.read(data("film.xye")).main
    with pytest.raises(ValueError, match="^%s$" % message):
        trevasc.process(scan, **arguments)


def cli_peaks(path, *options):
    """(position text, description, checked) of every peak trevasc-cli peaks lists."""
    lines = cli("peaks", path, *options).stdout.split("\n")
    assert lines[0].startswith("TITLE ")
    blank = lines.index("", 1)
    rows = []
    for checked, part in [(True, lines[1:blank]), (False, lines[blank + 1:])]:
        for line in part:
            if line.strip():
                position, _, description = line.partition(" ")
                rows.append((position, description.strip(), checked))
    return sorted(rows)


def rows_of(peaks):
    return sorted(("%.4f" % p["position"], p["description"], p["checked"]) for p in peaks)


PEAK_CASES = [
    ("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", {}, []),
    ("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", dict(method=2), ["--method", "2"]),
    ("nomad_m54313_om2th_10_v2.1.xrdml", dict(smooth=5, background=40),
     ["--smooth", "5", "--background", "40"]),
    ("nomad_m54313_om2th_10_v2.1.xrdml", dict(min_height=300, bisector=40, slope_samples=9),
     ["--min-height", "300", "--bisector", "40", "--slope-samples", "9"]),
    ("nomad_XRD-918-16_10_Gonio_v1.6.xrdml", dict(min_slope=100, double_peak_dist=0.5),
     ["--min-slope", "100", "--double-peak-dist", "0.5"]),
    ("refnx_180706_HA_DG2_XRR_v1.0.xrdml", dict(method=2, min_curvature=10, smooth=3),
     ["--method", "2", "--min-curvature", "10", "--smooth", "3"]),
]


@pytest.mark.parametrize("name, keywords, options", PEAK_CASES)
def test_peaks_are_those_of_the_batch_tool(name, keywords, options):
    path = data(name)
    expected = cli_peaks(path, *options)
    assert expected, "the case should find peaks"
    from_path = trevasc.peaks(path, **keywords)
    assert rows_of(from_path) == expected
    # peaks --json lists the same peaks as the peak list file, and the module returns its dicts.
    listed = json.loads(cli("peaks", path, "--json", *options).stdout)
    assert listed["file"] == path
    assert rows_of(listed["peaks"]) == expected
    assert from_path == listed["peaks"]
    # A scan read before gives the same peaks, to the last bit.
    assert trevasc.peaks(trevasc.read(path).main, **keywords) == from_path
    positions = [p["position"] for p in from_path]
    assert positions == sorted(positions)
    curve = trevasc.process(trevasc.read(path).main, smooth=keywords.get("smooth"),
                            background=keywords.get("background"))
    for p in from_path:
        assert set(p) == {"position", "intensity", "description", "checked"}
        assert isinstance(p["intensity"], int)
        assert curve.min() <= p["intensity"] <= curve.max()


def cu_partner(two_theta):
    """2Theta of Cu Kalpha2 for the spacing Kalpha1 meets at two_theta, from the energies of
    XRAY.DEF (lambda2 / lambda1 = E1 / E2)."""
    ratio = 8048.869731 / 8028.919412
    return 2.0 * np.degrees(np.arcsin(ratio * np.sin(np.radians(two_theta / 2.0))))


def write_scan(path, x, y):
    path.write_text("".join("%.6f\t%.3f\n" % (a, b) for a, b in zip(x, y)))
    return str(path)


def test_kalpha2_stripping_is_that_of_the_batch_tool(tmp_path):
    # A flat 300 counts: y1 = y - R y1 tends to 300 / (1 + R).
    flat = write_scan(tmp_path / "flat.txt", 20.0 + 0.01 * np.arange(6001), np.full(6001, 300.0))
    scan = trevasc.read(flat).main
    for ratio in (0.5, 0.25):
        counts = trevasc.process(scan, strip_kalpha2=True, kalpha2_ratio=ratio, line="Cu K-Alpha1")
        assert counts[0] == 300.0
        assert counts[-1] == round(300.0 / (1.0 + ratio))
        lines = cli("convert", flat, "--strip-kalpha2", "--kalpha2-ratio", str(ratio),
                    "-o", "-").stdout.split("\n")[1:]
        exact = np.array([float(row.split("\t")[1]) for row in lines if row])
        # The processed curve keeps whole counts: the nearest of the exact stripped values.
        assert np.all(np.abs(counts - exact) <= 0.5)
    assert np.array_equal(trevasc.process(scan, kalpha2_ratio=0.25), np.full(6001, 300.0))

    # Narrow Cu doublets at 40 and 60 degrees: stripped, only the Kalpha1 peaks are left.
    x = 38.0 + 0.005 * np.arange(4801)
    y = np.full(x.size, 50.0)
    for c in (40.0, 60.0):
        for centre, height in ((c, 20000.0), (cu_partner(c), 10000.0)):
            y += height * np.exp(-4.0 * np.log(2.0) * ((x - centre) / 0.04) ** 2)
    doublets = write_scan(tmp_path / "doublets.txt", x, y)
    assert len(trevasc.peaks(doublets, min_height=1000)) == 4
    stripped = trevasc.peaks(doublets, min_height=1000, strip_kalpha2=True)
    assert [round(p["position"], 2) for p in stripped] == [40.0, 60.0]
    listed = json.loads(cli("peaks", doublets, "--min-height", "1000", "--strip-kalpha2",
                            "--json").stdout)
    assert stripped == listed["peaks"]
    assert trevasc.peaks(trevasc.read(doublets).main, min_height=1000, strip_kalpha2=True,
                         line="Cu K-Alpha1", smooth=3) == json.loads(
        cli("peaks", doublets, "--min-height", "1000", "--strip-kalpha2", "--line",
            "Cu K-Alpha1", "--smooth", "3", "--json").stdout)["peaks"]


def test_kalpha2_stripping_refuses_what_the_batch_tool_refuses():
    path = data("film.xye")
    scan = trevasc.read(path).main
    with pytest.raises(ValueError, match="^kalpha2_ratio needs a number from 0 to 1$"):
        trevasc.process(scan, strip_kalpha2=True, kalpha2_ratio=1.5)
    with pytest.raises(ValueError, match="^kalpha2_ratio needs a number from 0 to 1$"):
        trevasc.peaks(path, kalpha2_ratio=-0.1)
    # A line or a typed wavelength without a Kalpha2 partner: the batch tool's reason.
    for keywords, options in [(dict(line="Cu K-Beta"), ["--line", "Cu K-Beta"]),
                              (dict(wavelength=1.5), ["--wavelength", "1.5"])]:
        r = cli("peaks", path, "--strip-kalpha2", *options, check=False)
        assert r.returncode == 1
        with pytest.raises(ValueError) as caught:
            trevasc.peaks(path, strip_kalpha2=True, **keywords)
        assert r.stderr == "trevasc-cli: %s: %s\n" % (path, caught.value)
        with pytest.raises(ValueError):
            trevasc.process(scan, strip_kalpha2=True, **keywords)
    with pytest.raises(ValueError, match="^give only one of wavelength, energy and line$"):
        trevasc.process(scan, strip_kalpha2=True, wavelength=1.5, line="Cu K-Alpha1")


def gauss_peaks(x, peaks):
    """50 counts plus Gaussians, each (centre, FWHM, height)."""
    y = np.full(x.size, 50.0)
    for centre, fwhm, height in peaks:
        y += height * np.exp(-4.0 * np.log(2.0) * ((x - centre) / fwhm) ** 2)
    return y


@pytest.mark.parametrize("keywords, options", [
    (dict(from_=22, to=23), ["--from", "22", "--to", "23"]),
    (dict(from_=22, to=23, shape="gauss", peaks=[22.5], smooth=3),
     ["--from", "22", "--to", "23", "--shape", "gauss", "--peaks", "22.5", "--smooth", "3"]),
    (dict(from_=20.5, to=23, shape="pearson7", doublets=True, kalpha2_ratio=0.4, min_height=300),
     ["--from", "20.5", "--to", "23", "--shape", "pearson7", "--doublets", "--kalpha2-ratio",
      "0.4", "--min-height", "300"]),
    (dict(from_=22, to=23, strip_kalpha2=True, line="Cu K-Alpha1", peaks=[22.5]),
     ["--from", "22", "--to", "23", "--strip-kalpha2", "--line",
      "Cu K-Alpha1", "--peaks", "22.5"]),
])
def test_profile_returns_the_json_of_the_batch_tool(keywords, options):
    path = data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml")
    expected = json.loads(cli("profile", path, "--json", *options).stdout)
    assert trevasc.profile(path, **keywords) == expected
    assert trevasc.profile(trevasc.read(path).main, **keywords) == expected


def test_instrument_and_size_return_the_json_of_the_batch_tool(tmp_path):
    # A standard whose Gaussian FWHMs follow U tan^2(theta) + V tan(theta) + W exactly, and a
    # sample whose peaks are broader.
    u, v, w = 0.012, -0.004, 0.003
    centres = [30.0, 45.0, 60.0, 75.0, 90.0]
    tan = np.tan(np.radians(np.array(centres) / 2.0))
    instrumental = np.sqrt(u * tan ** 2 + v * tan + w)
    x = 25.0 + 0.005 * np.arange(14001)
    standard = write_scan(tmp_path / "standard.txt", x,
                          gauss_peaks(x, [(c, f, 5000.0) for c, f in zip(centres, instrumental)]))
    got = trevasc.instrument(standard)
    assert got == json.loads(cli("instrument", standard, "--json").stdout)
    assert [round(p["center"], 3) for p in got["peaks"]] == centres
    assert got["U"] == pytest.approx(u, rel=0.02)
    assert got["V"] == pytest.approx(v, rel=0.05)
    assert got["W"] == pytest.approx(w, rel=0.02)

    measured = np.sqrt(instrumental ** 2 + 0.05 ** 2)
    sample = write_scan(tmp_path / "sample.txt", x,
                        gauss_peaks(x, [(c, f, 5000.0) for c, f in zip(centres, measured)]))
    uvw = "%r,%r,%r" % (u, v, w)
    expected = json.loads(cli("size", sample, "--instrument", uvw, "--json").stdout)
    assert trevasc.size(sample, instrument=(u, v, w)) == expected
    # Quadratic correction: beta = 0.05 degrees in radians; Scherrer K lambda / (beta cos(theta)).
    beta = np.radians(0.05)
    for p, c in zip(expected["peaks"], centres):
        assert p["beta"] == pytest.approx(beta, rel=5e-3)
        assert p["size"] == pytest.approx(
            0.9 * 0.154056 / (beta * np.cos(np.radians(c / 2.0))), rel=5e-3)
    linear = json.loads(cli("size", sample, "--instrument", uvw, "--correction", "linear",
                            "--k", "0.94", "--line", "Cu K-Alpha1", "--json").stdout)
    assert trevasc.size(trevasc.read(sample).main, instrument=dict(U=u, V=v, W=w), k=0.94,
                        correction="linear", line="Cu K-Alpha1") == linear


def test_profile_functions_refuse_what_the_batch_tool_refuses():
    path = data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml")
    r = cli("profile", path, "--from", "30", "--to", "31", check=False)
    assert r.returncode == 1
    with pytest.raises(ValueError) as caught:
        trevasc.profile(path, from_=30, to=31)
    assert r.stderr == "trevasc-cli: %s: %s\n" % (path, caught.value)
    with pytest.warns(UserWarning, match="^peak at 24.13: "):
        with pytest.raises(ValueError, match="^The instrument function needs the FWHMs of at least "
                                             "three peaks at different positions; 2 were fitted.$"):
            trevasc.instrument(path, min_height=300)
    with pytest.raises(ValueError, match="^shape needs gauss, lorentz, pseudo-voigt or pearson7$"):
        trevasc.profile(path, from_=22, to=23, shape="voigt")
    with pytest.raises(ValueError, match="^k needs a number above 0$"):
        trevasc.size(path, instrument=(0.01, 0, 0.01), k=0)
    with pytest.raises(ValueError, match="^correction needs quadratic or linear$"):
        trevasc.size(path, instrument=(0.01, 0, 0.01), correction="cubic")
    with pytest.raises(ValueError, match=r"^instrument needs \(U, V, W\)$"):
        trevasc.size(path, instrument=(0.01, 0))


def strongest_peak(path):
    return max(trevasc.peaks(path), key=lambda p: p["intensity"])["position"]


@pytest.mark.parametrize("name, profile, window, keywords, options", [
    ("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml", "gauss", 0.6, {}, []),
    ("nomad_m54313_om2th_10_v2.1.xrdml", "lorentz", 0.4, dict(smooth=3),
     ["--smooth", "3"]),
    ("nomad_XRD-918-16_10_Gonio_v1.6.xrdml", "gauss", 1.0, dict(background=40, boundaries=0.8),
     ["--background", "40"]),
])
def test_fit_returns_the_json_of_the_batch_tool(name, profile, window, keywords, options):
    path = data(name)
    centre = strongest_peak(path)
    keywords = dict(keywords, from_=centre - window, to=centre + window)
    options = options + ["--from", repr(centre - window), "--to", repr(centre + window)]
    boundaries = keywords.pop("boundaries", None)
    if boundaries:
        keywords.update(left=centre - boundaries, right=centre + boundaries)
        options += ["--left", repr(centre - boundaries), "--right", repr(centre + boundaries)]
    expected = json.loads(cli("fit", path, "--profile", profile, "--json", *options).stdout)
    got = trevasc.fit(path, profile, **keywords)
    assert got == expected
    assert list(got) == list(expected)  # the keys in the batch tool's order
    assert abs(got["center"] - centre) < window and got["fwhm"] > 0
    assert trevasc.fit(trevasc.read(path).main, profile, **keywords) == got


def test_fit_failures_carry_the_batch_tool_message():
    path = data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml")
    x = trevasc.read(path).main.x
    # A range of two points holds no peak to fit.
    r = cli("fit", path, "--profile", "gauss", "--from", repr(x[10]), "--to", repr(x[11]),
            check=False)
    assert r.returncode == 1
    with pytest.raises(ValueError) as caught:
        trevasc.fit(path, from_=x[10], to=x[11])
    assert "trevasc-cli: %s: %s\n" % (path, caught.value) in r.stderr
    with pytest.raises(ValueError, match="profile needs 'gauss' or 'lorentz'"):
        trevasc.fit(path, "voigt")
    with pytest.raises(ValueError, match="left and right go together"):
        trevasc.fit(path, left=20.0)


@pytest.mark.parametrize("keywords, options", [
    (dict(a=5.4309, h=(0, 4), k=(0, 4), l=(0, 4), wavelength=1.5406),
     ["--a", "5.4309", "--h", "0", "4", "--k", "0", "4", "--l", "0", "4", "--wavelength",
      "1.5406"]),
    (dict(h=(-2, 2), l=(0, 3), line="Mo K-Alpha1"),
     ["--h", "-2", "2", "--l", "0", "3", "--line", "Mo K-Alpha1"]),
])
def test_simulate_returns_the_json_of_the_batch_tool(keywords, options):
    for system in ("cubic", "hexagonal"):
        expected = json.loads(cli("simulate", "--system", system, "--json", *options).stdout)
        got = trevasc.simulate(system, **keywords)
        assert got == expected and list(got) == list(expected)
    # Silicon (a = 5.4309 A) at Cu K-Alpha1: the (4 0 0) reflection by Bragg's law.
    rows = trevasc.simulate("cubic", a=5.4309, h=(0, 4), k=(0, 4), l=(0, 4),
                            wavelength=1.5406)["rows"]
    two_theta = 2 * np.degrees(np.arcsin(1.5406 / (2 * 5.4309 / 4)))
    assert "4 0 0 %.3f°" % two_theta in rows
    with pytest.raises(ValueError, match="system needs one of the seven crystal systems"):
        trevasc.simulate("cubical")
    with pytest.raises(ValueError, match="h needs MIN from -100 to 100 and MAX from -20 to 20"):
        trevasc.simulate("cubic", h=(0, 21))


@pytest.mark.parametrize("keywords, options", [
    ({}, []),
    (dict(direction="1,1,1", expected=5.43, wavelength=1.5406),
     ["--direction", "1,1,1", "--expected", "5.43", "--wavelength", "1.5406"]),
    (dict(auto=(3.0, 6.0, 0.01)), ["--auto", "3,6,0.01"]),
    (dict(manual=[1, 0, 2, 0, 3]), ["--manual", "1,0,2,0,3"]),
])
def test_lattice_returns_the_json_of_the_batch_tool(keywords, options):
    path = data("xrdtools_test_scan_2ThetaOmega_v1.0.xrdml")
    expected = json.loads(cli("lattice", path, "--json", *options).stdout)
    got = trevasc.lattice(path, **keywords)
    assert got == expected and list(got) == list(expected)
    assert trevasc.lattice(trevasc.read(path).main, **keywords) == got
    given = trevasc.lattice(peaks=[float(p) for p in got["peaks"]], **keywords)
    assert given == json.loads(cli("lattice", "--peaks", ",".join(got["peaks"]), "--json",
                                   *options).stdout)


def test_lattice_of_silicon_by_hand():
    # Si (400), (111) at Cu K-Alpha1 (1.5406 A): a = d * sqrt(h^2 + k^2 + l^2), d by Bragg.
    a = 5.4309
    peaks = [2 * np.degrees(np.arcsin(1.5406 * np.sqrt(16) / (2 * a)))]
    got = trevasc.lattice(peaks=peaks, direction="1,0,0", manual=[4], wavelength=1.5406)
    assert got["latticeConstants"][0] == pytest.approx(a, abs=2e-4)  # positions kept to 0.001°
    with pytest.raises(ValueError, match=r"manual needs one multiplier per peak \(1\)"):
        trevasc.lattice(peaks=peaks, manual=[1, 2])


XRR = "nomad_10_m84325_C_XRR_fast_processed_v2.1.xrdml"


@pytest.mark.parametrize("keywords, options", [
    ({}, []),
    (dict(half=True, line="Cu K-Alpha2"), ["--half", "--line", "Cu K-Alpha2"]),
    (dict(fit_orders=True), ["--fit-orders"]),
    (dict(thickness=20.5, first_index=3, wavelength=1.5406),
     ["--thickness", "20.5", "--first-index", "3", "--wavelength", "1.5406"]),
])
def test_thickness_returns_the_json_of_the_batch_tool(keywords, options):
    path = data(XRR)
    expected = json.loads(cli("thickness", path, "--json", *options).stdout)
    got = trevasc.thickness(path, **keywords)
    assert got == expected and list(got) == list(expected)
    assert trevasc.thickness(trevasc.read(path).main, **keywords) == got
    # The same positions given as numbers: the same thicknesses.
    positions = [float(p) for p in got["peaks"]]
    given = trevasc.thickness(peaks=positions, **keywords)
    cli_given = json.loads(cli("thickness", "--peaks", ",".join(got["peaks"]), "--json",
                               *options).stdout)
    assert given == cli_given and given["thicknesses"] == got["thicknesses"]


def test_thickness_refuses_what_the_batch_tool_refuses():
    with pytest.raises(ValueError, match="give either a scan or peaks, not both"):
        trevasc.thickness(data(XRR), peaks=[1.0, 2.0])
    with pytest.raises(ValueError, match="give either a scan or peaks, not both"):
        trevasc.thickness()
    with pytest.raises(ValueError, match="fit_orders chooses the first index and"):
        trevasc.thickness(peaks=[1.0, 1.2, 1.4], fit_orders=True, half=True)
    with pytest.raises(ValueError, match="first_index needs a whole number from 1 to 1000"):
        trevasc.thickness(peaks=[1.0, 1.2], first_index=0)


def cli_map_points(path, *options, tmp_path):
    out = cli("map", path, "-o", str(tmp_path / "map.png"), "--json", "--points", *options).stdout
    points = np.array(json.loads(out)["points"], dtype=float)
    return points[:, 0], points[:, 1], points[:, 2]


@pytest.mark.parametrize("name", ["xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml",
                                  "two_scans_rsm.ras"])
def test_maps_equal_the_points_of_the_batch_tool(name, tmp_path):
    m = trevasc.read(data(name))
    cases = [
        (lambda: trevasc.two_axis_map(m), []),
        (lambda: trevasc.reciprocal_map(m), ["--reciprocal"]),
        (lambda: trevasc.reciprocal_map(m, omega_offset=0.1, two_theta_offset=-0.05, flip=True,
                                        wavelength=1.5406),
         ["--reciprocal", "--omega-offset", "0.1", "--two-theta-offset", "-0.05", "--flip",
          "--wavelength", "1.5406"]),
        (lambda: trevasc.reciprocal_map(data(name), energy=17479.3), ["--reciprocal", "--energy",
                                                                      "17479.3"]),
    ]
    for call, options in cases:
        got = call()
        expected = cli_map_points(data(name), *options, tmp_path=tmp_path)
        assert len(got) == 3
        for g, e in zip(got, expected):
            assert g.dtype == np.float64
            assert np.array_equal(g, e), options


def test_reciprocal_map_coordinates_by_hand():
    # k_parallel = (2/lambda) sin(theta) sin(omega - theta) and
    # k_perpendicular = (2/lambda) sin(theta) cos(omega - theta) for every point.
    # A coupled scan's Omega moves with 2Theta/2 around the scan's centre.
    m = trevasc.read(data("two_scans_rsm.ras"))
    kx, kz, counts = trevasc.reciprocal_map(m, wavelength=1.5)
    two_theta = np.concatenate([s.x for s in m])
    if m.kind == "TwoThetaCommonOmega":
        omega = np.concatenate([np.full(len(s), s.second_axis_position) for s in m])
    else:
        omega = np.concatenate(
            [s.second_axis_position + (s.x - (s.x[0] + s.x[-1]) / 2) / 2 for s in m])
    theta = np.radians(two_theta / 2)
    tilt = np.radians(omega) - theta
    assert np.allclose(np.abs(kx), np.abs(2 / 1.5 * np.sin(theta) * np.sin(tilt)), rtol=1e-12)
    assert np.allclose(kz, 2 / 1.5 * np.sin(theta) * np.cos(tilt), rtol=1e-12)
    assert np.array_equal(counts, np.concatenate([s.counts for s in m]))


def test_map_and_argument_failures_carry_the_batch_tool_message(tmp_path):
    single = data("film.xye")
    r = cli("map", single, "-o", str(tmp_path / "map.png"), check=False)
    assert r.returncode == 1
    with pytest.raises(ValueError) as caught:
        trevasc.two_axis_map(trevasc.read(single))
    assert str(caught.value) in r.stderr
    area = trevasc.read(data("two_scans_rsm.ras"))
    with pytest.raises(ValueError, match="only one of wavelength, energy and line"):
        trevasc.reciprocal_map(area, wavelength=1.5, energy=8000)
    with pytest.raises(ValueError, match="unknown X-ray line 'Xx'"):
        trevasc.reciprocal_map(area, line="Xx")
    with pytest.raises(ValueError, match="wavelength needs a wavelength above 0"):
        trevasc.reciprocal_map(area, wavelength=0.0)
    with pytest.raises(ValueError, match="method needs a whole number from 1 to 2"):
        trevasc.peaks(area, method=3)
    with pytest.raises(ValueError, match="double_peak_dist needs a number from 0 to 180"):
        trevasc.peaks(area, double_peak_dist=float("nan"))


IDENTIFY_SCAN = "xrdtools_test_scan_2ThetaOmega_v1.0.xrdml"


@pytest.mark.parametrize("keywords, options", [
    (dict(material="Si"), ["--material", "Si"]),
    (dict(auto_select=True), ["--auto-select"]),
    (dict(material="SrTiO3", max_dev=2.0, peaks=[22.3, 46.9, 72.5]),
     ["--material", "SrTiO3", "--max-dev", "2", "--peaks", "22.3,46.9,72.5"]),
    (dict(auto_select=True, peaks=[]), ["--auto-select", "--peaks", ""]),
])
def test_identify_returns_the_json_of_the_batch_tool(keywords, options, tmp_path, monkeypatch):
    # The workbench's own database in a configuration folder of the test's, seeded first by the
    # module from the definition files it finds in the build tree.
    monkeypatch.setenv("XDG_CONFIG_HOME", str(tmp_path))
    path = data(IDENTIFY_SCAN)
    got = trevasc.identify(path, **keywords)
    with open(os.path.join(HERE, "..", "..", "data", "Substrates.DEF"), "rb") as f:
        assert (tmp_path / "trevasc" / "substrates.ini").read_bytes() == f.read()
    expected = json.loads(cli("identify", path, "--json", *options).stdout)
    assert got == expected and list(got) == list(expected)
    assert trevasc.identify(trevasc.read(path).main, **keywords) == got


def test_identify_names_peaks_within_max_dev_and_warns_as_the_batch_tool(tmp_path):
    x = 20.0 + 0.01 * np.arange(6001)
    path = write_scan(tmp_path / "scan.txt", x,
                      gauss_peaks(x, [(28.5, 0.1, 5000.0), (47.0, 0.1, 5000.0),
                                      (69.4, 0.1, 5000.0)]))
    db = tmp_path / "db.ini"
    db.write_text("[Si]\nSi (111)=28.441\nSi (220)=47.301\nSi (004)=69.127\n"
                  "[Ge]\nGe (004)=66.006\nLATTICE=x\n")
    # Deviations 0.059, 0.301 and 0.273 degrees: 0.2 names the first peak only, 0.5 all three.
    for max_dev, names in ((0.2, ["Si (111)", "", ""]),
                           (0.5, ["Si (111)", "Si (220)", "Si (004)"])):
        got = trevasc.identify(path, material="Si", max_dev=max_dev, database=db)
        assert [round(p["position"], 2) for p in got["peaks"]] == [28.5, 47.0, 69.4]
        assert [p["description"] for p in got["peaks"]] == names
        assert got == json.loads(cli("identify", path, "--material", "Si", "--max-dev",
                                     str(max_dev), "--database", str(db), "--json").stdout)
    # A peak list file beside the scan is taken instead of a search, also by a scan read before.
    (tmp_path / "scan_Peaks.txt").write_text("TITLE scan\n47.100\n69.400\n")
    with pytest.warns(UserWarning, match=r"^\[Ge\] LATTICE"):
        listed = trevasc.identify(path, auto_select=True, database=db)
    assert [p["position"] for p in listed["peaks"]] == [47.1, 69.4]
    # Scores: the squared distances of the expected reflections to their closest peaks.
    (si, si_score), (ge, ge_score) = listed["scores"]
    assert (si, ge) == ("Si", "Ge") and listed["material"] == "Ge"
    assert si_score == pytest.approx(18.659 ** 2 + 0.201 ** 2 + 0.273 ** 2, abs=1e-9)
    assert ge_score == pytest.approx(3.394 ** 2, abs=1e-9)
    with pytest.warns(UserWarning, match=r"^\[Ge\] LATTICE"):
        assert trevasc.identify(trevasc.read(path).main, auto_select=True, database=db) == listed
    # A damaged database and a material's unreadable line: warnings in the batch tool's order.
    db.write_bytes(db.read_bytes() + b"\0\n")
    with pytest.warns(UserWarning) as caught:
        got = trevasc.identify(path, material="Ge", database=db)
    r = cli("identify", path, "--material", "Ge", "--database", str(db), "--json")
    assert got == json.loads(r.stdout)
    messages = [str(w.message) for w in caught]
    assert "NUL byte" in messages[0] and messages[1].startswith("[Ge] LATTICE")
    assert r.stderr == "trevasc-cli: warning: %s\nwarning: %s\n" % tuple(messages)


def test_identify_refuses_what_the_batch_tool_refuses(tmp_path):
    path = data(IDENTIFY_SCAN)
    db = tmp_path / "db.ini"
    db.write_text("[Si]\nSi (004)=69.127\n")
    for keywords, options in [
        (dict(material="Nope", database=db), ["--material", "Nope", "--database", str(db)]),
        (dict(auto_select=True, database=tmp_path / "none.ini"),
         ["--auto-select", "--database", str(tmp_path / "none.ini")]),
    ]:
        r = cli("identify", path, *options, check=False)
        assert r.returncode == 1
        with pytest.raises(ValueError) as caught:
            trevasc.identify(path, **keywords)
        assert r.stderr == "trevasc-cli: %s: %s\n" % (path, caught.value)
    for keywords, message in [
        (dict(), "give either material or auto_select"),
        (dict(material="Si", auto_select=True), "give either material or auto_select"),
        (dict(material="Si", max_dev=10.5), "max_dev needs a number from 0 to 10"),
        (dict(material="Si", max_dev=float("nan")), "max_dev needs a number from 0 to 10"),
    ]:
        with pytest.raises(ValueError, match="^%s$" % message):
            trevasc.identify(path, database=db, **keywords)


PARALLEL_FILES = [
    "xrdtools_test_scan_2ThetaOmega_v1.0.xrdml",
    "xrdtools_test_area_RSM_Omega2Theta_v1.0.xrdml",
    "nomad_m54313_om2th_10_v2.1.xrdml",
    "nomad_XRD-918-16_10_Gonio_v1.6.xrdml",
    "nomad_10_m84325_C_XRR_fast_processed_v2.1.xrdml",
    "refnx_180706_HA_DG2_XRR_v1.0.xrdml",
    "two_scans_rsm.ras",
    "quartz_v4.raw",
]


def analyse(name):
    m = trevasc.read(data(name))
    curve = trevasc.process(m.main, smooth=5, background=40)
    return ([(s.name, s.x.tolist(), s.counts.tolist()) for s in m], curve.tolist(),
            trevasc.peaks(m.main, smooth=5), trevasc.peaks(data(name), method=2))


def test_threads_give_the_results_of_a_loop():
    expected = [analyse(name) for name in PARALLEL_FILES]
    with concurrent.futures.ThreadPoolExecutor(max_workers=8) as pool:
        for _ in range(3):
            assert list(pool.map(analyse, PARALLEL_FILES)) == expected


def test_every_name_is_documented():
    for name in trevasc.__all__:
        assert getattr(trevasc, name).__doc__.strip(), name
    for cls in (trevasc.Scan, trevasc.Measurement):
        for attribute in ("name", "x", "counts", "second_axis_name", "second_axis_position") \
                if cls is trevasc.Scan else ("format", "kind", "title", "warnings", "scans", "main"):
            assert getattr(cls, attribute).__doc__.strip(), attribute
    page = pydoc.render_doc(trevasc, renderer=pydoc.plaintext)
    # Signatures with the keywords, types named after the package.
    for text in ("read(path", "-> trevasc.Measurement", "peaks(scan_or_path",
                 "smooth: Optional[int] = None", "reciprocal_map(measurement", "class ReadError"):
        assert text in page
