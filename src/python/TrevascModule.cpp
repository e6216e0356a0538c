// The Python bindings: types and conversions only; the calls are in PythonApi.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "Version.h"
#include "python/PythonApi.h"
#include "session/ResultJson.h"

namespace py = pybind11;

namespace trevasc::python {
namespace {

// One scan of a measurement; keeps the measurement alive for the arrays that view it.
struct ScanHandle {
    std::shared_ptr<const Measurement> File;
    int Index = 0;  // 0: main scan, k: additional scan k

    const TDataSet& Data() const { return File->Registry.ScanAt(Index); }
};

struct MeasurementHandle {
    std::shared_ptr<const Measurement> File;

    int Count() const { return File->Registry.AdditionalCount() + 1; }
    ScanHandle At(int k) const { return {File, k}; }
};

std::string PathText(const py::object& path) {
    return py::module_::import("os").attr("fspath")(path).cast<std::string>();
}

// The positions as a read-only view into the 16-byte points: no copy; the capsule holds the
// measurement until numpy lets go of the array.
py::array PositionView(const ScanHandle& scan) {
    const TRawPointArray& points = scan.Data().RawPoints;
    if (points.empty()) return py::array_t<double>(0);
    auto* owner = new std::shared_ptr<const Measurement>(scan.File);
    py::capsule base(owner,
                     [](void* p) { delete static_cast<std::shared_ptr<const Measurement>*>(p); });
    py::array_t<double> view({static_cast<py::ssize_t>(points.size())},
                             {static_cast<py::ssize_t>(sizeof(TRawPoint))},
                             &points.front().Position, base);
    view.attr("setflags")(py::arg("write") = false);
    return view;
}

// The counts are stored as 32-bit integers beside the positions: float64 needs a copy.
py::array CountsArray(const ScanHandle& scan) {
    const TRawPointArray& points = scan.Data().RawPoints;
    py::array_t<double> counts(static_cast<py::ssize_t>(points.size()));
    double* out = counts.mutable_data();
    for (size_t i = 0; i < points.size(); ++i) out[i] = points[i].Intensity;
    return counts;
}

py::array ToArray(std::vector<double>&& values) {
    auto* owner = new std::vector<double>(std::move(values));
    py::capsule base(owner, [](void* p) { delete static_cast<std::vector<double>*>(p); });
    return py::array_t<double>({static_cast<py::ssize_t>(owner->size())}, {sizeof(double)},
                               owner->data(), base);
}

void Warn(const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings)
        if (PyErr_WarnEx(PyExc_UserWarning, w.c_str(), 2) != 0) throw py::error_already_set();
}

MeasurementHandle Read(const py::object& path, std::optional<int> dataset) {
    const std::string file = PathText(path);
    std::shared_ptr<const Measurement> m;
    {
        py::gil_scoped_release release;
        m = ReadMeasurement(file, dataset.value_or(1), dataset.has_value());
    }
    return {std::move(m)};
}

// A Measurement argument, or a path that is read first.
MeasurementHandle MeasurementArgument(const py::object& measurement) {
    if (py::isinstance<MeasurementHandle>(measurement))
        return measurement.cast<MeasurementHandle>();
    return Read(measurement, std::nullopt);
}

// A Scan, a Measurement (its main scan) or a path: what the analyses run on. The handle keeps
// the scan alive while the call runs.
ScanSource SourceArgument(const py::object& source, std::optional<int> dataset) {
    ScanSource s;
    std::optional<ScanHandle> scan;
    if (py::isinstance<ScanHandle>(source)) scan = source.cast<ScanHandle>();
    if (py::isinstance<MeasurementHandle>(source)) scan = source.cast<MeasurementHandle>().At(0);
    if (scan) {
        s.Scan = &scan->Data();
        s.Kind = scan->File->ScanKind;
        s.Title = scan->Index == 0 ? scan->File->Title : "XRD Plot: " + scan->Data().Name;
        if (scan->Index == 0) s.Path = scan->File->Path;
    } else {
        s.Path = PathText(source);
        s.Dataset = dataset.value_or(1);
        s.DatasetGiven = dataset.has_value();
    }
    return s;
}

// A JSON value of the batch tool's results as Python values: objects become dicts (in the
// members' order), arrays lists, whole numbers int, numbers float, null None.
py::object ToPython(const json::Value& v) {
    switch (v.GetKind()) {
        case json::Value::Kind::Null:
            return py::none();
        case json::Value::Kind::Bool:
            return py::bool_(v.AsBool());
        case json::Value::Kind::Integer:
            return py::int_(v.AsInteger());
        case json::Value::Kind::Number:
            return py::float_(v.AsNumber());
        case json::Value::Kind::String:
            return py::str(v.AsString());
        case json::Value::Kind::Array: {
            py::list list;
            for (const json::Value& e : v.Elements()) list.append(ToPython(e));
            return list;
        }
        case json::Value::Kind::Object: {
            py::dict dict;
            for (const auto& [key, member] : v.Members()) dict[py::str(key)] = ToPython(member);
            return dict;
        }
    }
    return py::none();
}

// Runs a calculation on a scan source (none for None) without the GIL; its JSON result as
// Python values.
template <typename Calculation>
py::object ResultFor(const py::object& source, Calculation&& calculation) {
    std::optional<ScanSource> on;
    if (!source.is_none()) on = SourceArgument(source, std::nullopt);
    json::Value result;
    {
        py::gil_scoped_release release;
        result = calculation(on ? &*on : nullptr);
    }
    return ToPython(result);
}

PeakOptions MakePeakOptions(int method, std::optional<int> smooth, std::optional<int> background,
                            int slopeSamples, int minHeight, int minSlope, int minCurvature,
                            std::optional<int> bisector, double doublePeakDist) {
    PeakOptions o;
    o.Method = method;
    o.Smooth = smooth;
    o.Background = background;
    o.SlopeSamples = slopeSamples;
    o.MinHeight = minHeight;
    o.MinSlope = minSlope;
    o.MinCurvature = minCurvature;
    o.Bisector = bisector;
    o.DoublePeakDistance = doublePeakDist;
    return o;
}

// The Python values of a peak's members, as ToPython makes them of PeakJson's values.
py::object PeakMemberValue(double x) {
    return py::float_(x);
}
py::object PeakMemberValue(int32_t n) {
    return py::int_(static_cast<long long>(n));
}
py::object PeakMemberValue(bool b) {
    return py::bool_(b);
}
py::object PeakMemberValue(const std::string& text) {
    return py::str(text);
}

// The dicts of ToPython(PeakJson(p)), made without the JSON values in between: a million-point
// scan has some 20,000 peaks. The keys are made Python strings once.
py::list PeakDicts(const std::vector<TPeak>& peaks) {
    std::vector<py::str> keys;
    ForEachPeakMember(TPeak{}, [&](const char* key, const auto&) { keys.emplace_back(key); });
    py::list list(peaks.size());
    for (size_t i = 0; i < peaks.size(); ++i) {
        py::dict dict;
        size_t k = 0;
        ForEachPeakMember(peaks[i], [&](const char*, const auto& value) {
            if (PyDict_SetItem(dict.ptr(), keys[k++].ptr(), PeakMemberValue(value).ptr()) != 0)
                throw py::error_already_set();
        });
        PyList_SET_ITEM(list.ptr(), static_cast<Py_ssize_t>(i), dict.release().ptr());
    }
    return list;
}

// The arguments profile(), instrument() and size() share, in the order of their parameters.
#define TREVASC_PROFILE_PARAMETERS                                                                 \
    std::optional<std::vector<double>> peaks, const std::string &shape, bool doublets, bool strip, \
        double ratio, std::optional<double> wavelength, std::optional<double> energy,              \
        std::optional<std::string> line, int method, std::optional<int> smooth,                    \
        std::optional<int> background, int slopeSamples, int minHeight, int minSlope,              \
        int minCurvature, std::optional<int> bisector, double doublePeakDist,                      \
        std::optional<int> dataset
#define TREVASC_PROFILE_ARGUMENTS                                                                  \
    py::arg("peaks") = py::none(), py::arg("shape") = "pseudo-voigt", py::arg("doublets") = false, \
    py::arg("strip_kalpha2") = false, py::arg("kalpha2_ratio") = 0.5,                              \
    py::arg("wavelength") = py::none(), py::arg("energy") = py::none(),                            \
    py::arg("line") = py::none(), py::arg("method") = 1, py::arg("smooth") = py::none(),           \
    py::arg("background") = py::none(), py::arg("slope_samples") = 15, py::arg("min_height") = 30, \
    py::arg("min_slope") = 40, py::arg("min_curvature") = 40, py::arg("bisector") = py::none(),    \
    py::arg("double_peak_dist") = 0.1, py::arg("dataset") = py::none()
#define TREVASC_PROFILE_OPTIONS                                                            \
    ProfileRunOptions {                                                                    \
        peaks, shape, doublets, {strip, ratio, {wavelength, energy, line}},                \
            MakePeakOptions(method, smooth, background, slopeSamples, minHeight, minSlope, \
                            minCurvature, bisector, doublePeakDist)                        \
    }

// Runs a profile analysis without the GIL and returns its JSON as Python values.
template <class F>
py::object ProfileResult(const py::object& source, std::optional<int> dataset, F&& run) {
    const ScanSource on = SourceArgument(source, dataset);
    ProfileOutcome r;
    {
        py::gil_scoped_release release;
        r = run(on);
    }
    Warn(r.Warnings);
    if (r.Error) throw ArgumentFailure(*r.Error);
    return ToPython(r.Result);
}

// U, V, W as a sequence or as the dict instrument() returns.
tools::InstrumentFunction InstrumentArgument(const py::object& value) {
    if (py::isinstance<py::dict>(value)) {
        const py::dict d = value.cast<py::dict>();
        return {d["U"].cast<double>(), d["V"].cast<double>(), d["W"].cast<double>()};
    }
    const auto uvw = value.cast<std::vector<double>>();
    if (uvw.size() != 3) throw ArgumentFailure("instrument needs (U, V, W)");
    return {uvw[0], uvw[1], uvw[2]};
}

py::tuple MapArrays(const py::object& measurement, const MapOptions& options) {
    const MeasurementHandle m = MeasurementArgument(measurement);
    plot::T2dPlotDataset dataset;
    {
        py::gil_scoped_release release;
        dataset = BuildMap(*m.File, options);
    }
    const auto n = static_cast<py::ssize_t>(dataset.Points.size());
    py::array_t<double> x(n), y(n), z(n);
    double *px = x.mutable_data(), *py_ = y.mutable_data(), *pz = z.mutable_data();
    for (py::ssize_t i = 0; i < n; ++i) {
        const plot::T2dPlotPoint& p = dataset.Points[static_cast<size_t>(i)];
        px[i] = p.X;
        py_[i] = p.Y;
        pz[i] = p.Z;
    }
    return py::make_tuple(x, y, z);
}

constexpr const char* kModuleDoc = R"(Trevasc: X-ray diffraction scans from Python.

The readers and analyses of the Trevasc workbench, with the results of its batch tool
trevasc-cli and numpy arrays out:

    m = trevasc.read("film.xrdml")          # every format the workbench opens
    m.main.x, m.main.counts                 # numpy float64 arrays
    trevasc.peaks(m.main, smooth=5)         # the peak search of trevasc-cli peaks
    kx, kz, counts = trevasc.reciprocal_map(m)

Files that cannot be read raise trevasc.ReadError (a ValueError) with the workbench's message;
arguments out of range raise ValueError. The calls release the GIL while they read and compute,
so threads work on several files at once.)";

}  // namespace
}  // namespace trevasc::python

using namespace trevasc;
using namespace trevasc::python;

PYBIND11_MODULE(_trevasc, m) {
    m.doc() = kModuleDoc;
    // The types are named after the package (trevasc.Scan, not trevasc._trevasc.Scan) in
    // signatures and help(): pybind11 takes the prefix from the module's name while they are made.
    const py::object moduleName = m.attr("__name__");
    m.attr("__name__") = "trevasc";
    m.attr("__version__") = kVersionText;
    py::register_exception<ReadFailure>(m, "ReadError", PyExc_ValueError);
    m.attr("ReadError").attr("__doc__") =
        "A file that cannot be read; the message is the workbench's (a ValueError).";

    py::class_<ScanHandle>(m, "Scan", "One scan of a measurement: positions, counts, second axis.")
        .def_property_readonly(
            "name", [](const ScanHandle& s) { return s.Data().Name; }, "The scan's name.")
        .def_property_readonly("x", &PositionView,
                               "The positions (degrees of the scan axis): a read-only float64 "
                               "view of the points as read, no copy.")
        .def_property_readonly("counts", &CountsArray,
                               "The counts as read, a float64 array (a copy: the points keep "
                               "them as integers).")
        .def_property_readonly(
            "second_axis_name", [](const ScanHandle& s) { return s.Data().SecondAxisName; },
            "The name of the second axis (such as 'Omega'), '' when the scan has none.")
        .def_property_readonly(
            "second_axis_position", [](const ScanHandle& s) { return s.Data().SecondAxisPosition; },
            "The position of the second axis (degrees).")
        .def("__len__", [](const ScanHandle& s) { return s.Data().RawPoints.size(); })
        .def("__repr__", [](const ScanHandle& s) {
            return "<trevasc.Scan " + py::repr(py::str(s.Data().Name)).cast<std::string>() + ", " +
                   std::to_string(s.Data().RawPoints.size()) + " points>";
        });

    py::class_<MeasurementHandle>(m, "Measurement",
                                  "A file as read: its scans and what trevasc-cli info reports.")
        .def_property_readonly(
            "path", [](const MeasurementHandle& h) { return h.File->Path; }, "The file read.")
        .def_property_readonly(
            "format", [](const MeasurementHandle& h) { return h.File->Format; },
            "The format as trevasc-cli info names it ('xml', 'two-column', 'xylib:NAME', ...).")
        .def_property_readonly(
            "kind", [](const MeasurementHandle& h) { return h.File->Kind; },
            "The scan kind: 'TwoTheta', 'Phi', 'Omega', 'Psi' or 'TwoThetaCommonOmega'.")
        .def_property_readonly(
            "title", [](const MeasurementHandle& h) { return h.File->Title; }, "The plot title.")
        .def_property_readonly(
            "warnings", [](const MeasurementHandle& h) { return h.File->Warnings; },
            "The reader's messages about a file that was read nevertheless.")
        .def_property_readonly(
            "scans",
            [](const MeasurementHandle& h) {
                std::vector<ScanHandle> scans;
                for (int k = 0; k < h.Count(); ++k) scans.push_back(h.At(k));
                return scans;
            },
            "The scans: the main scan first, then the further scans of the file.")
        .def_property_readonly(
            "main", [](const MeasurementHandle& h) { return h.At(0); }, "The main scan.")
        .def("__len__", &MeasurementHandle::Count)
        .def("__getitem__",
             [](const MeasurementHandle& h, int k) {
                 if (k < 0) k += h.Count();
                 if (k < 0 || k >= h.Count()) throw py::index_error("scan index out of range");
                 return h.At(k);
             })
        .def("__iter__",
             [](const MeasurementHandle& h) {
                 std::vector<ScanHandle> scans;
                 for (int k = 0; k < h.Count(); ++k) scans.push_back(h.At(k));
                 return py::iter(py::cast(scans));
             })
        .def("__repr__", [](const MeasurementHandle& h) {
            return "<trevasc.Measurement " + py::repr(py::str(h.File->Path)).cast<std::string>() +
                   ", " + h.File->Format + ", " + std::to_string(h.Count()) + " scan(s)>";
        });

    m.def("read", &Read, py::arg("path"), py::arg("dataset") = py::none(),
          R"(Reads a scan file as the workbench opens it (XRDML, text and column formats, Bruker
RAW, Rigaku RAS, the formats of xylib). dataset: which dataset of a scan-list file (default 1,
with a warning naming it). Returns a Measurement; raises ReadError with the workbench's message.)");

    m.def(
        "process",
        [](const ScanHandle& scan, std::optional<int> smooth, std::optional<int> background,
           int slopeSamples, bool strip, double ratio, std::optional<double> wavelength,
           std::optional<double> energy, std::optional<std::string> line) {
            const PeakOptions o =
                MakePeakOptions(1, smooth, background, slopeSamples, 30, 40, 40, std::nullopt, 0.1);
            const analysis::ProcessingSettings settings = ProcessingOf(o);
            const Kalpha2Settings kalpha2 = Kalpha2Of({strip, ratio, {wavelength, energy, line}});
            const TScanKind kind = scan.File->ScanKind;
            if (strip && kind != TScanKind::TwoTheta && kind != TScanKind::TwoThetaCommonOmega)
                throw ArgumentFailure("strip_kalpha2 needs a 2Theta scan; this one is " +
                                      std::string(ScanKindName(kind)) + ".");
            std::vector<double> counts;
            {
                py::gil_scoped_release release;
                counts = ProcessedCounts(scan.Data(), settings, kalpha2);
            }
            return ToArray(std::move(counts));
        },
        py::arg("scan"), py::kw_only(), py::arg("smooth") = py::none(),
        py::arg("background") = py::none(), py::arg("slope_samples") = 15,
        py::arg("strip_kalpha2") = false, py::arg("kalpha2_ratio") = 0.5,
        py::arg("wavelength") = py::none(), py::arg("energy") = py::none(),
        py::arg("line") = py::none(),
        R"(The counts of the processed curve of a scan as float64 (its positions are scan.x):
smooth=W averages over W samples (2..1000), background=W removes the background averaged over
W samples (2..1000), as trevasc-cli's --smooth and --background; None leaves the curve as read.
slope_samples (3..1000) is checked as --slope-samples is. strip_kalpha2=True first removes the
Kα2 line of the selected Kα1 line (Rachinger, kalpha2_ratio from 0 to 1) as the main window's
Strip Kα2 does, in whole counts; the line is chosen as trevasc-cli's --line, --wavelength or
--energy choose it (at most one; none: the first line of the definition file), and must have a
Kα2 partner. Stripping needs a 2Theta scan.)");

    m.def(
        "peaks",
        [](const py::object& source, int method, std::optional<int> smooth,
           std::optional<int> background, int slopeSamples, int minHeight, int minSlope,
           int minCurvature, std::optional<int> bisector, double doublePeakDist,
           std::optional<int> dataset, bool strip, double ratio, std::optional<double> wavelength,
           std::optional<double> energy, std::optional<std::string> line) {
            const PeakOptions o =
                MakePeakOptions(method, smooth, background, slopeSamples, minHeight, minSlope,
                                minCurvature, bisector, doublePeakDist);
            const Kalpha2Settings kalpha2 = Kalpha2Of({strip, ratio, {wavelength, energy, line}});
            const ScanSource from = SourceArgument(source, dataset);
            PeakSearchResult r;
            {
                py::gil_scoped_release release;
                r = FindPeaks(from, o, kalpha2);
            }
            Warn(r.Warnings);
            return PeakDicts(r.Peaks);
        },
        py::arg("scan_or_path"), py::kw_only(), py::arg("method") = 1,
        py::arg("smooth") = py::none(), py::arg("background") = py::none(),
        py::arg("slope_samples") = 15, py::arg("min_height") = 30, py::arg("min_slope") = 40,
        py::arg("min_curvature") = 40, py::arg("bisector") = py::none(),
        py::arg("double_peak_dist") = 0.1, py::arg("dataset") = py::none(),
        py::arg("strip_kalpha2") = false, py::arg("kalpha2_ratio") = 0.5,
        py::arg("wavelength") = py::none(), py::arg("energy") = py::none(),
        py::arg("line") = py::none(),
        R"(The peak search of trevasc-cli peaks on a Scan, a Measurement (its main scan) or a file
path, with the same options and defaults: method 1 (steepest shoulders) or 2 (curvature),
smooth, background, slope_samples, min_height, min_slope, min_curvature, bisector (percentage of
the peak height; None: off), double_peak_dist (degrees), dataset (a scan-list file's dataset),
strip_kalpha2 with kalpha2_ratio and wavelength, energy or line (as process() takes them).
Returns the peaks of trevasc-cli peaks --json: a list of dicts {'position', 'intensity',
'description', 'checked'} by position.)");

    m.def(
        "fit",
        [](const py::object& source, const std::string& profile, std::optional<double> from,
           std::optional<double> to, std::optional<double> left, std::optional<double> right,
           std::optional<int> smooth, std::optional<int> background, std::optional<int> dataset) {
            FitOptions o;
            o.Profile = profile;
            o.From = from;
            o.To = to;
            o.Left = left;
            o.Right = right;
            o.Processing.Smooth = smooth;
            o.Processing.Background = background;
            const ScanSource on = SourceArgument(source, dataset);
            FitOutcome r;
            {
                py::gil_scoped_release release;
                r = FitPeak(on, o);
            }
            Warn(r.Warnings);
            return ToPython(r.Result);
        },
        py::arg("scan_or_path"), py::arg("profile") = "gauss", py::kw_only(),
        py::arg("from_") = py::none(), py::arg("to") = py::none(), py::arg("left") = py::none(),
        py::arg("right") = py::none(), py::arg("smooth") = py::none(),
        py::arg("background") = py::none(), py::arg("dataset") = py::none(),
        R"(The peak fit of trevasc-cli fit --json on a Scan, a Measurement (its main scan) or a
file path: profile 'gauss' or 'lorentz', the range from_..to (degrees; default the whole scan),
the background boundaries left and right (default the range's ends), on the curve processed with
smooth and background. Returns a dict with the keys of the batch tool's JSON ('center', 'fwhm',
'amplitude', 'passes', ...); raises ValueError with its message when no peak can be fitted.)");

    m.def(
        "simulate",
        [](const std::string& system, double a, double b, double c, double alpha, double beta,
           double gamma, std::pair<int, int> h, std::pair<int, int> k, std::pair<int, int> l,
           std::optional<double> wavelength, std::optional<double> energy,
           std::optional<std::string> line) {
            SimulateOptions o;
            o.System = system;
            o.Cell = {a, b, c, alpha, beta, gamma};
            o.H = {h.first, h.second};
            o.K = {k.first, k.second};
            o.L = {l.first, l.second};
            o.Wavelength = {wavelength, energy, line};
            json::Value result;
            {
                py::gil_scoped_release release;
                result = SimulateStructure(o);
            }
            return ToPython(result);
        },
        py::arg("system"), py::kw_only(), py::arg("a") = 4.0, py::arg("b") = 4.0,
        py::arg("c") = 4.0, py::arg("alpha") = 4.0, py::arg("beta") = 4.0, py::arg("gamma") = 4.0,
        py::arg("h") = std::pair{0, 0}, py::arg("k") = std::pair{0, 0},
        py::arg("l") = std::pair{0, 0}, py::arg("wavelength") = py::none(),
        py::arg("energy") = py::none(), py::arg("line") = py::none(),
        R"(The reflections of trevasc-cli simulate --json: a crystal system ('cubic',
'tetragonal', ... as the batch tool names them), the lattice parameters a, b, c (Angstrom) and
alpha, beta, gamma (degrees) with the Structure tab's defaults, the index ranges h, k, l as
(min, max) pairs, and the wavelength: wavelength (Angstrom), energy (eV) or line (a name of
XRAY.DEF), at most one; default the first line of XRAY.DEF (the batch tool's default is the
workbench's last choice). Returns a dict with the keys of the batch tool's JSON.)");

    m.def(
        "lattice",
        [](const py::object& source, std::optional<std::vector<double>> peaks,
           const std::string& direction, std::optional<double> expected,
           std::optional<std::tuple<double, double, double>> automatic, std::vector<int> manual,
           std::optional<double> wavelength, std::optional<double> energy,
           std::optional<std::string> line) {
            LatticeOptions o;
            o.Peaks = std::move(peaks);
            o.Direction = direction;
            o.Expected = expected;
            if (automatic)
                o.Auto = std::vector<double>{std::get<0>(*automatic), std::get<1>(*automatic),
                                             std::get<2>(*automatic)};
            o.Manual = std::move(manual);
            o.Wavelength = {wavelength, energy, line};
            return ResultFor(source, [&o](const ScanSource* on) { return LatticeConstant(on, o); });
        },
        py::arg("scan_or_path") = py::none(), py::kw_only(), py::arg("peaks") = py::none(),
        py::arg("direction") = "1,0,0", py::arg("expected") = py::none(),
        py::arg("auto") = py::none(), py::arg("manual") = std::vector<int>{},
        py::arg("wavelength") = py::none(), py::arg("energy") = py::none(),
        py::arg("line") = py::none(),
        R"(The lattice constant of trevasc-cli lattice --json from the checked peaks of a Scan, a
Measurement or a file path (its peak list file, else a Method 1 search), or from peaks, a list
of 2Theta positions: direction (the base direction 'h,k,l'), expected (Angstrom), auto (start,
end, step) for the automatic scan of trial constants, manual (one multiplier per peak, 0 =
automatic). The wavelength as for reciprocal_map. Returns a dict with the keys of the batch
tool's JSON.)");

    m.def(
        "thickness",
        [](const py::object& source, std::optional<std::vector<double>> peaks, bool half,
           std::optional<double> thickness, std::optional<int> firstIndex, bool fitOrders,
           std::optional<double> wavelength, std::optional<double> energy,
           std::optional<std::string> line) {
            ThicknessOptions o;
            o.Peaks = std::move(peaks);
            o.Half = half;
            o.Thickness = thickness;
            o.FirstIndex = firstIndex;
            o.FitOrders = fitOrders;
            o.Wavelength = {wavelength, energy, line};
            return ResultFor(source, [&o](const ScanSource* on) { return FilmThickness(on, o); });
        },
        py::arg("scan_or_path") = py::none(), py::kw_only(), py::arg("peaks") = py::none(),
        py::arg("half") = false, py::arg("thickness") = py::none(),
        py::arg("first_index") = py::none(), py::arg("fit_orders") = false,
        py::arg("wavelength") = py::none(), py::arg("energy") = py::none(),
        py::arg("line") = py::none(),
        R"(The film thickness of trevasc-cli thickness --json from the checked fringe peaks of a
Scan, a Measurement or a file path (its peak list file, else a Method 1 search), or from peaks,
a list of 2Theta positions: half adds 1/2 to every order, thickness (nm) is typed in after the
estimate, first_index is the index of the first peak (1..1000), fit_orders chooses the first
order that fits best. The wavelength as for reciprocal_map. Returns a dict with the keys of the
batch tool's JSON.)");

    m.def(
        "identify",
        [](const py::object& source, std::optional<std::string> material, bool autoSelect,
           double maxDev, std::optional<std::vector<double>> peaks, const py::object& database) {
            IdentifyOptions o;
            o.Material = std::move(material);
            o.AutoSelect = autoSelect;
            o.MaxDeviation = maxDev;
            o.Peaks = std::move(peaks);
            if (!database.is_none()) o.Database = PathText(database);
            const ScanSource on = SourceArgument(source, std::nullopt);
            std::vector<std::string> warnings;
            json::Value result;
            std::exception_ptr failure;
            {
                py::gil_scoped_release release;
                try {
                    result = IdentifySubstrate(on, o, warnings);
                } catch (...) {
                    failure = std::current_exception();
                }
            }
            // The warnings before the result or the failure they may explain.
            Warn(warnings);
            if (failure) std::rethrow_exception(failure);
            return ToPython(result);
        },
        py::arg("scan_or_path"), py::arg("material") = py::none(), py::arg("auto_select") = false,
        py::arg("max_dev") = 0.5, py::arg("peaks") = py::none(), py::arg("database") = py::none(),
        R"(The substrate peaks of trevasc-cli identify --json on a Scan, a Measurement (its main
scan) or a file path: the peaks (peaks, a list of 2Theta positions; default the scan's peak list
file, else a Method 1 search) named after the expected reflections of a material of the
substrate database within max_dev degrees (0..10). Give either material (a section name of the
database) or auto_select=True (the material that fits best). database: an INI file; default
substrates.ini of the workbench's configuration folder ($XDG_CONFIG_HOME/trevasc, else
~/.config/trevasc), seeded from Substrates.DEF when missing. Returns a dict with the keys of the
batch tool's JSON; a damaged database, a material's unreadable lines and no material with a
reflection in the scan range give a UserWarning; raises ValueError with the batch tool's message
when the database or the material does not exist or the scan holds fewer than two points.)");

    m.def(
        "reciprocal_map",
        [](const py::object& measurement, double omegaOffset, double twoThetaOffset,
           std::optional<double> wavelength, std::optional<double> energy,
           std::optional<std::string> line, bool flip) {
            MapOptions o;
            o.Mode = tools::MapMode::Reciprocal;
            o.OmegaOffset = omegaOffset;
            o.TwoThetaOffset = twoThetaOffset;
            o.FlipKParallel = flip;
            o.Wavelength = {wavelength, energy, line};
            return MapArrays(measurement, o);
        },
        py::arg("measurement"), py::kw_only(), py::arg("omega_offset") = 0.0,
        py::arg("two_theta_offset") = 0.0, py::arg("wavelength") = py::none(),
        py::arg("energy") = py::none(), py::arg("line") = py::none(), py::arg("flip") = false,
        R"(The reciprocal space map of a Measurement (or a path) as trevasc-cli map --reciprocal
lists its points: returns (k_parallel, k_perpendicular, counts), float64 arrays in 1/Angstrom.
omega_offset and two_theta_offset (degrees) are added to every angle; flip reverses k_parallel.
The wavelength: wavelength (Angstrom), energy (eV) or line (a name of XRAY.DEF), at most one;
default the first line of XRAY.DEF. Raises ValueError when the scans form no map.)");

    m.def(
        "two_axis_map",
        [](const py::object& measurement) {
            MapOptions o;
            o.Mode = tools::MapMode::TwoAxis;
            return MapArrays(measurement, o);
        },
        py::arg("measurement"),
        R"(The two-axis map of a Measurement (or a path) as trevasc-cli map lists its points:
returns (scan_axis, second_axis, counts), float64 arrays. Raises ValueError when the scans form
no map.)");
    const char* profileOptionsDoc =
        R"(peaks: 2Theta positions (default: those the peak search finds); shape: 'gauss',
'lorentz', 'pseudo-voigt' or 'pearson7'; doublets: each peak with its Kalpha2 twin at
kalpha2_ratio (reported: Kalpha1); strip_kalpha2, kalpha2_ratio and wavelength, energy or line
as process() takes them (the line also gives the doublets); method, smooth, background and the
peak-search options as peaks() takes them; dataset: a scan-list file's dataset.)";

    m.def(
        "profile",
        [](const py::object& source, double from, double to, TREVASC_PROFILE_PARAMETERS) {
            const ProfileRunOptions o = TREVASC_PROFILE_OPTIONS;
            return ProfileResult(source, dataset, [&](const ScanSource& on) {
                return FitProfiles(on, from, to, o);
            });
        },
        py::arg("scan_or_path"), py::kw_only(), py::arg("from_"), py::arg("to"),
        TREVASC_PROFILE_ARGUMENTS,
        (std::string(R"(The profile fit of trevasc-cli profile --json on a Scan, a Measurement
(its main scan) or a file path: the peaks fitted together on a straight background over
from_..to by weighted least squares. Returns a dict with the keys of the batch tool's JSON
(shape, background, chi2red, rwp, points, peaks with their standard errors); raises ValueError
when there is no peak in the range or the fit fails.
)") + profileOptionsDoc)
            .c_str());

    m.def(
        "instrument",
        [](const py::object& source, TREVASC_PROFILE_PARAMETERS) {
            const ProfileRunOptions o = TREVASC_PROFILE_OPTIONS;
            return ProfileResult(source, dataset,
                                 [&](const ScanSource& on) { return FitInstrument(on, o); });
        },
        py::arg("scan_or_path"), py::kw_only(), TREVASC_PROFILE_ARGUMENTS,
        (std::string(R"(The instrument function of trevasc-cli instrument --json from a Scan, a
Measurement or a file path of a standard: each peak fitted alone, then
FWHM^2 = U tan^2(theta) + V tan(theta) + W fitted to their FWHMs. Returns {'U', 'V', 'W',
'peaks': [{'center', 'fwhm'}]}; a peak whose fit fails is left out with a warning; raises
ValueError with fewer than three fitted peaks.
)") + profileOptionsDoc)
            .c_str());

    m.def(
        "size",
        [](const py::object& source, const py::object& instrument, double k,
           const std::string& correction, TREVASC_PROFILE_PARAMETERS) {
            const ProfileRunOptions o = TREVASC_PROFILE_OPTIONS;
            const SizeOptions size{k, correction, InstrumentArgument(instrument)};
            return ProfileResult(source, dataset, [&](const ScanSource& on) {
                return AnalyseSizeStrain(on, o, size);
            });
        },
        py::arg("scan_or_path"), py::kw_only(), py::arg("instrument"), py::arg("k") = 0.9,
        py::arg("correction") = "quadratic", TREVASC_PROFILE_ARGUMENTS,
        (std::string(R"(Crystallite size and strain of trevasc-cli size --json from a Scan, a
Measurement or a file path: each peak fitted alone, its FWHM corrected for the instrument
(instrument: (U, V, W) or the dict instrument() returns; correction 'quadratic' or 'linear'),
the Scherrer size with the constant k at the selected line's wavelength, and Williamson-Hall
(None with fewer than three broadened peaks). Returns a dict with the keys of the batch tool's
JSON.
)") + profileOptionsDoc)
            .c_str());

    m.attr("__name__") = moduleName;
}
