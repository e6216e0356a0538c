#include "session/ResultJson.h"

#include <algorithm>

#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"

namespace trevasc {

using json::Value;

ScanSummary Summarize(const TDataSet& scan) {
    ScanSummary s;
    s.Name = scan.Name;
    s.Count = scan.Count();
    if (!scan.RawPoints.empty()) {
        s.First = scan.RawPoints.front().Position;
        s.Last = scan.RawPoints.back().Position;
        auto [mn, mx] = std::minmax_element(
            scan.RawPoints.begin(), scan.RawPoints.end(),
            [](const TRawPoint& a, const TRawPoint& b) { return a.Intensity < b.Intensity; });
        s.MinIntensity = mn->Intensity;
        s.MaxIntensity = mx->Intensity;
    }
    s.SecondAxisName = scan.SecondAxisName;
    s.SecondAxisPosition = scan.SecondAxisPosition;
    s.Peaks = scan.Peaks.Count();
    return s;
}

Value ScanFileJson(const ScanFileReport& r) {
    Value o = Value::Object();
    o.Set("file", r.File);
    o.Set("format", r.Format);
    o.Set("kind", r.Kind);
    o.Set("title", r.Title);
    o.Set("warnings", Value::ArrayOf(r.Warnings));
    if (r.Error) o.Set("error", *r.Error);
    o.Set("scans", Value::ArrayOf(r.Scans,
                                  [](const ScanSummary& s) {
                                      Value scan = Value::Object();
                                      scan.Set("name", s.Name);
                                      scan.Set("count", s.Count);
                                      scan.Set("first", s.First);
                                      scan.Set("last", s.Last);
                                      scan.Set("secondAxisName", s.SecondAxisName);
                                      scan.Set("secondAxisPosition", s.SecondAxisPosition);
                                      scan.Set("minIntensity", s.MinIntensity);
                                      scan.Set("maxIntensity", s.MaxIntensity);
                                      scan.Set("peaks", s.Peaks);
                                      return scan;
                                  },
                                  {4, 2}));
    return o;
}

Value PeakJson(const TPeak& p) {
    Value o = Value::Object();
    ForEachPeakMember(p, [&](const char* key, const auto& value) { o.Set(key, Value(value)); });
    return o;
}

Value PeakListJson(const std::string& file, const std::vector<TPeak>& peaks) {
    Value o = Value::Object();
    o.Set("file", file);
    o.Set("peaks", Value::ArrayOf(peaks, PeakJson, {4, 2}));
    return o;
}

namespace {

// The members of a successful fit, appended to `o`.
void AddFit(Value& o, const tools::FitResult& r) {
    o.Set("center", r.Overlay.Center);
    o.Set("widthFactor", r.Overlay.WidthFactor);
    o.Set("amplitude", r.Overlay.Amplitude);
    o.Set("backgroundSlope", r.Overlay.BackgroundSlope);
    o.Set("backgroundOffset", r.Overlay.BackgroundOffset);
    o.Set("fwhm", r.Fwhm);
    // As the fit window's fields show them.
    o.Set("positionText", FormatFixed(r.Overlay.Center, 3));
    o.Set("fwhmText", FormatFixed(r.Fwhm, 3));
    o.Set("sum", r.Sum);
    o.Set("refined", r.Refined);
    o.Set("passes", Value::ArrayOf(r.Passes, [](const tools::FitTriple& p) {
              Value pass = Value::Object();
              pass.Set("widthFactor", p.WidthFactor);
              pass.Set("amplitude", p.Amplitude);
              pass.Set("center", p.Center);
              pass.Set("sum", p.Sum);
              return pass;
          }));
}

}  // namespace

Value PeakFitJson(int first, int last, double left, double right, const tools::FitResult& fit) {
    Value o = Value::Object();
    o.Set("first", first);
    o.Set("last", last);
    o.Set("left", left);
    o.Set("right", right);
    AddFit(o, fit);
    return o;
}

Value AutoFitPeakJson(const AutoFitJob& job, const tools::FitResult& fit) {
    const tools::AutoFitEdges& e = job.Edges;
    Value o = Value::Object();
    o.Set("position", job.Position);
    o.Set("L", e.Left);
    o.Set("R", e.Right);
    o.Set("margin", e.Margin);
    o.Set("first", e.First);
    o.Set("last", e.Last);
    o.Set("left", e.LeftBoundary);
    o.Set("right", e.RightBoundary);
    o.Set("fitted", fit.Fitted);
    if (fit.Fitted)
        AddFit(o, fit);
    else
        o.Set("message", fit.Error);
    return o;
}

Value AutoFitJson(const std::string& file, const std::string& profile, std::vector<Value> peaks,
                  const std::string& peakList) {
    Value list = Value::Array({4, 2});
    for (Value& p : peaks) list.Add(std::move(p));
    Value o = Value::Object();
    o.Set("file", file);
    o.Set("profile", profile);
    o.Set("peaks", std::move(list));
    o.Set("peakList", peakList);
    return o;
}

Value LatticeJson(const tools::LatticeCalculation& calc, const std::string& plotTitle) {
    Value o = Value::Object();
    o.Set("peaks", Value::ArrayOf(calc.PeakRows()));
    o.Set("direction", calc.DirectionFieldText);
    o.Set("expected", calc.ExpectedValue());
    o.Set("spacings", Value::ArrayOf(calc.Spacings()));
    o.Set("multipliers", Value::ArrayOf(calc.Multipliers()));
    o.Set("hklRows", Value::ArrayOf(calc.HklRows()));
    Value constants = Value::Array();
    for (size_t i = 0; i < calc.LatticeConstants().size(); ++i)
        // A row with multiple 0 has no lattice constant ("-").
        constants.Add(calc.Multipliers()[i] != 0 ? Value(calc.LatticeConstants()[i]) : Value());
    o.Set("latticeConstants", std::move(constants));
    o.Set("mean", calc.Mean());
    o.Set("error", calc.Error());
    o.Set("nelsonRiley", calc.NelsonRiley());
    o.Set("nelsonRileyError", calc.NelsonRileyError());
    o.Set("slope", calc.FitSlope());
    o.Set("intercept", calc.FitIntercept());
    o.Set("plotTitle", plotTitle);
    Value ids = Value::Array();
    for (size_t i = 0; i < calc.PeakRows().size() && i < calc.HklRows().size(); ++i)
        ids.Add(Value::Array().Add(calc.PeakRows()[i]).Add("(" + calc.HklRows()[i] + ")"));
    o.Set("identifiers", std::move(ids));
    return o;
}

Value ThicknessJson(const tools::FilmThicknessCalculation& calc, const std::string& plotTitle,
                    double latticeSpacing) {
    Value o = Value::Object();
    o.Set("peaks", Value::ArrayOf(calc.PeakRows()));
    o.Set("estimate", calc.ThicknessValue());
    o.Set("firstIndex", calc.FirstIndex());
    o.Set("spacings", Value::ArrayOf(calc.Spacings()));
    o.Set("orders", Value::ArrayOf(calc.Orders()));
    o.Set("orderRows", Value::ArrayOf(calc.OrderRows()));
    o.Set("thicknesses", Value::ArrayOf(calc.Thicknesses()));
    o.Set("mean", calc.Mean());
    o.Set("standardDeviation", calc.StandardDeviation());
    // The refraction line, null below three fringes.
    Value refraction;
    if (const auto& fit = calc.Refraction()) {
        refraction = Value::Object();
        refraction.Set("thickness", fit->Thickness);
        refraction.Set("twoThetaCritical", fit->TwoThetaCritical);
        refraction.Set("firstOrder", fit->FirstOrder);
        refraction.Set("residual", fit->Residual);
    }
    o.Set("refraction", std::move(refraction));
    o.Set("plotTitle", plotTitle);
    o.Set("latticeSpacing", latticeSpacing);
    return o;
}

Value MapJson(const tools::MapBuild& build, const plot::TwoDPlotResult& r, bool points,
              bool levels) {
    const plot::T2dPlotDataset& ds = build.Dataset;
    Value o = Value::Object();
    o.Set("xTitle", ds.XTitle);
    o.Set("yTitle", ds.YTitle);
    o.Set("zTitle", ds.ZTitle);
    o.Set("info", ds.Info);
    o.Set("count", ds.Count());
    o.Set("plotWidth", r.Grid.Width);
    o.Set("plotHeight", r.Grid.Height);
    o.Set("xMin", r.Area.XMin);
    o.Set("xMax", r.Area.XMax);
    o.Set("yMin", r.Area.YMin);
    o.Set("yMax", r.Area.YMax);
    o.Set("logMin", r.LogRange.LogMin);
    o.Set("logMax", r.LogRange.LogMax);
    o.Set("radius", r.Radius);
    if (points)
        o.Set("points", Value::ArrayOf(ds.Points, [](const plot::T2dPlotPoint& p) {
                  return Value::Array().Add(p.X).Add(p.Y).Add(p.Z).Add(p.ScanIndex);
              }));
    if (levels) {
        // Row by row from the smallest Y, a row a line.
        Value rows = Value::Array({2, -1});
        for (int32_t gy = 0; gy < r.Grid.Height; ++gy) {
            const int32_t* row = r.Grid.Levels.data() + static_cast<size_t>(gy) * r.Grid.Width;
            Value cells = Value::Array();
            for (int32_t gx = 0; gx < r.Grid.Width; ++gx) cells.Add(row[gx]);
            rows.Add(std::move(cells));
        }
        o.Set("levels", std::move(rows));
    }
    return o;
}

Value GnuplotJson(const tools::GnuplotExportResult& files, const std::string& program) {
    Value o = Value::Object();
    o.Set("dataFile", files.Files.DataFile);
    o.Set("scriptFile", files.Files.ScriptFile);
    o.Set("pictureFile", files.Files.PictureFile);
    o.Set("program", program);
    o.Set("arguments", Value::ArrayOf(files.Arguments));
    return o;
}

Value SimulateJson(const analysis::TCrystalSystemInputs& inputs, double wavelength,
                   const std::vector<analysis::TStrucSimPeak>& peaks) {
    Value o = Value::Object();
    o.Set("labels", Value::Array().Add(inputs.LengthLabel).Add(inputs.AngleLabel));
    o.Set("wavelength", wavelength);
    o.Set("rows",
          Value::ArrayOf(peaks, [](const analysis::TStrucSimPeak& p) { return Value(p.Text); }));
    o.Set("reflections", Value::ArrayOf(peaks, [](const analysis::TStrucSimPeak& p) {
              Value r = Value::Object();
              r.Set("h", p.H);
              r.Set("k", p.K);
              r.Set("l", p.L);
              r.Set("d", p.D);
              r.Set("twoTheta", p.TwoTheta);
              return r;
          }));
    return o;
}

Value LinesJson(const std::vector<analysis::TAdditionalLine>& lines) {
    using analysis::TAdditionalLine;
    Value o = Value::Object();
    o.Set("lines",
          Value::ArrayOf(lines, [](const TAdditionalLine& l) { return Value(l.TwoTheta); }));
    o.Set("rows", Value::ArrayOf(lines, [](const TAdditionalLine& l) {
              return Value(analysis::AdditionalLineRowText(l));
          }));
    o.Set("orders", Value::ArrayOf(lines, [](const TAdditionalLine& l) { return Value(l.Order); }));
    return o;
}

Value JcpdsJson(const formats::TReflectionTable& table, const std::vector<std::string>& rows,
                double wavelength, const std::string& error) {
    Value reflections = Value::Array();
    for (const formats::TTableReflection& r : table.Reflections) {
        const std::optional<double> twoTheta = BraggTwoTheta(r.D, wavelength);
        if (!twoTheta) continue;  // no Bragg angle at this wavelength: not listed
        Value item = Value::Object();
        item.Set("label", r.Label);
        item.Set("h", r.H);
        item.Set("k", r.K);
        item.Set("l", r.L);
        item.Set("d", r.D);
        item.Set("twoTheta", *twoTheta);
        reflections.Add(std::move(item));
    }
    Value o = Value::Object();
    o.Set("material", table.Material);
    o.Set("rows", Value::ArrayOf(rows));
    o.Set("reflections", std::move(reflections));
    o.Set("error", error.empty() ? Value() : Value(error));
    return o;
}

namespace {

Value ExpectedJson(const std::vector<analysis::TExpectedReflection>& reflections) {
    return Value::ArrayOf(reflections, [](const analysis::TExpectedReflection& r) {
        return Value::Array().Add(r.Position).Add(r.Name);
    });
}

}  // namespace

Value SubstratesJson(const std::vector<analysis::TSubstrateMaterial>& materials) {
    Value o = Value::Object();
    o.Set("materials", Value::ArrayOf(materials, [](const analysis::TSubstrateMaterial& m) {
              Value material = Value::Object();
              material.Set("name", m.Name);
              material.Set("expected", ExpectedJson(m.Reflections));
              material.Set("allowed", Value::OrNull(m.Allowed));
              material.Set("lattice", Value::OrNull(m.Lattice));
              material.Set("problems", Value::ArrayOf(m.Problems));
              return material;
          }));
    return o;
}

Value IdentifyJson(const IdentifyReport& r) {
    Value o = Value::Object();
    o.Set("material", Value::OrNull(r.Material));
    if (r.Scores)
        o.Set("scores", Value::ArrayOf(*r.Scores, [](const auto& score) {
                  return Value::Array().Add(score.first).Add(Value::OrNull(score.second));
              }));
    o.Set("expected", ExpectedJson(r.Expected));
    o.Set("allowed", Value::OrNull(r.Allowed));
    o.Set("lattice", Value::OrNull(r.Lattice));
    o.Set("peaks", Value::ArrayOf(r.Peaks, [](const TPeak& p) {
              Value peak = Value::Object();
              peak.Set("position", p.Position);
              peak.Set("description", p.Description);
              peak.Set("checked", p.Checked);
              return peak;
          }));
    return o;
}

Value UpdateCheckJson(const update::UpdateCheckResult& result) {
    Value o = Value::Object();
    o.Set("changes", result.Changes);
    o.Set("message", result.Message);
    o.Set("newer", result.Newer);
    return o;
}

Value ProfileFitJson(const tools::ProfileFitResult& fit) {
    const tools::ProfileModel& m = fit.Model;
    Value o = Value::Object();
    o.Set("shape", tools::ProfileShapeName(m.Shape));
    Value background = Value::Array();
    background.Add(m.Background0);
    background.Add(m.Background1);
    o.Set("background", std::move(background));
    o.Set("chi2red", fit.Chi2Red);
    o.Set("rwp", fit.Rwp);
    o.Set("points", fit.Points);
    const char* shapeKey = m.Shape == tools::ProfileShape::PseudoVoigt  ? "eta"
                           : m.Shape == tools::ProfileShape::PearsonVII ? "m"
                                                                        : nullptr;
    o.Set("peaks", Value::ArrayOf(m.Peaks,
                                  [&](const tools::ProfilePeak& p) {
                                      Value peak = Value::Object();
                                      peak.Set("center", p.Center);
                                      peak.Set("centerError", p.CenterError);
                                      peak.Set("fwhm", p.Fwhm);
                                      peak.Set("fwhmError", p.FwhmError);
                                      peak.Set("height", p.Height);
                                      peak.Set("heightError", p.HeightError);
                                      peak.Set("area", p.Area);
                                      peak.Set("areaError", p.AreaError);
                                      if (shapeKey) {
                                          peak.Set(shapeKey, p.ShapeParameter);
                                          peak.Set(std::string(shapeKey) + "Error",
                                                   p.ShapeParameterError);
                                      }
                                      return peak;
                                  },
                                  {4, 2}));
    return o;
}

namespace {

// {"U", "V", "W"}.
Value InstrumentFunctionJson(const tools::InstrumentFunction& f) {
    Value o = Value::Object();
    o.Set("U", f.U);
    o.Set("V", f.V);
    o.Set("W", f.W);
    return o;
}

}  // namespace

Value InstrumentJson(const tools::InstrumentFunction& f, const std::vector<double>& centers,
                     const std::vector<double>& fwhms) {
    Value o = InstrumentFunctionJson(f);
    Value peaks = Value::Array({4, 2});
    for (size_t i = 0; i < std::min(centers.size(), fwhms.size()); ++i) {
        Value p = Value::Object();
        p.Set("center", centers[i]);
        p.Set("fwhm", fwhms[i]);
        peaks.Add(std::move(p));
    }
    o.Set("peaks", std::move(peaks));
    return o;
}

Value SizeJson(double k, double wavelength, const tools::InstrumentFunction& f,
               const tools::SizeAnalysis& analysis) {
    Value o = Value::Object();
    o.Set("k", k);
    o.Set("wavelength", wavelength);
    o.Set("instrument", InstrumentFunctionJson(f));
    o.Set("peaks", Value::ArrayOf(analysis.Peaks,
                                  [](const tools::SizePeak& p) {
                                      Value peak = Value::Object();
                                      peak.Set("center", p.Center);
                                      peak.Set("fwhm", p.Fwhm);
                                      peak.Set("fwhmInstrument", p.FwhmInstrument);
                                      peak.Set("beta", Value::OrNull(p.Beta));
                                      peak.Set("size", Value::OrNull(p.Size));
                                      return peak;
                                  },
                                  {4, 2}));
    if (const auto& wh = analysis.WilliamsonHall) {
        Value w = Value::Object();
        w.Set("size", wh->Size);
        w.Set("sizeError", wh->SizeError);
        w.Set("strain", wh->Strain);
        w.Set("strainError", wh->StrainError);
        o.Set("williamsonHall", std::move(w));
    } else {
        o.Set("williamsonHall", Value());
    }
    return o;
}

}  // namespace trevasc
