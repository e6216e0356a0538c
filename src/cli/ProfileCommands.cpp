#include "cli/ProfileCommands.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/NumberText.h"
#include "base/SameFile.h"
#include "cli/CliPrompts.h"
#include "cli/CliText.h"
#include "cli/CommandSupport.h"
#include "session/ProfileAnalysis.h"
#include "session/ResultJson.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/SizeStrain.h"

namespace trevasc::cli {

namespace {

// The shape and the Kα options shared by the three commands.
struct ProfileChoice {
    tools::ProfileFitOptions Fit;
    bool Strip = false;
    double Ratio = tools::kDefaultKalpha2Ratio;
};

std::vector<Option> ProfileOptions() {
    return Joined({{"--shape", ValueKind::Text, "gauss|lorentz|pseudo-voigt|pearson7",
                    "the peak profile", "pseudo-voigt"},
                   {"--doublets", ValueKind::Flag, "",
                    "each peak with its Kα2 twin at --kalpha2-ratio (reported: Kα1)"}},
                  StripOptions());
}

ProfileChoice ReadProfileChoice(const Arguments& a) {
    ProfileChoice c;
    const std::string shape = a.Text("--shape").value_or("pseudo-voigt");
    const auto parsed = tools::ParseProfileShape(shape);
    if (!parsed) throw UsageError{"--shape needs gauss, lorentz, pseudo-voigt or pearson7"};
    c.Fit.Shape = *parsed;
    c.Fit.Doublets = a.Has("--doublets");
    c.Strip = a.Has("--strip-kalpha2");
    c.Ratio = Kalpha2Ratio(a);
    if (a.Has("--kalpha2-ratio") && !c.Strip && !c.Fit.Doublets)
        throw UsageError{"--kalpha2-ratio goes with --strip-kalpha2 or --doublets"};
    c.Fit.Kalpha2Ratio = c.Ratio;
    return c;
}

// The main scan of FILE opened as the workbench opens it, with the processing of the peak
// options and, with --strip-kalpha2, the stripping before them.
void OpenProcessed(const Arguments& a, const ProfileChoice& choice, const SelectedXray& xray,
                   const PeakOptions& options, WorkbenchSession& session) {
    session.Settings().SetProcessing(options.Processing);
    if (choice.Strip)
        session.Settings().SetKalpha2Stripping({true, choice.Ratio, RequireDoublet(xray)});
    session.OpenMainFile(a.Files[0]);
}

// The peaks of --peaks, or those the peak search finds (within the range when given).
std::vector<double> PeaksToFit(const Arguments& a, const PeakOptions& options,
                               WorkbenchSession& session,
                               std::optional<std::pair<double, double>> range) {
    std::optional<std::vector<double>> listed;
    if (auto list = a.Text("--peaks")) listed = NumberList("--peaks", *list);
    return ListedOrFoundPeaks(session, listed, options.Search, options.Method, range);
}

// The readable table of a profile fit: one row per peak, each value with its error.
std::string ProfileTable(const tools::ProfileFitResult& fit) {
    const tools::ProfileModel& m = fit.Model;
    const bool shaped = tools::HasShapeParameter(m.Shape);
    const char* shapeName = m.Shape == tools::ProfileShape::PearsonVII ? "m" : "eta";
    std::string out = std::string("Shape: ") + tools::ProfileShapeName(m.Shape) +
                      "\nBackground: " + FormatShortest(m.Background0) + " + " +
                      FormatShortest(m.Background1) + " * (x - " + FormatShortest(m.MeanPosition) +
                      ")\nPoints: " + std::to_string(fit.Points) +
                      "\nChi2 (reduced): " + FormatGeneral(fit.Chi2Red, 6) +
                      "\nRwp: " + FormatGeneral(fit.Rwp, 6) + "\n\n";
    // Columns of 24 characters, right-aligned, after the peak's number.
    const auto right = [](const std::string& text) {
        return std::string(text.size() < 24 ? 24 - text.size() : 1, ' ') + text;
    };
    const auto cell = [&](double v, double e, int decimals) {
        return right(FormatFixed(v, decimals) + " +- " + FormatFixed(e, decimals));
    };
    out += "Peak" + right("Center") + right("FWHM") + right("Height") + right("Area");
    if (shaped) out += right(shapeName);
    out += "\n";
    for (size_t i = 0; i < m.Peaks.size(); ++i) {
        const tools::ProfilePeak& p = m.Peaks[i];
        std::string row = std::to_string(i + 1);
        row += std::string(row.size() < 4 ? 4 - row.size() : 1, ' ');
        row += cell(p.Center, p.CenterError, 5) + cell(p.Fwhm, p.FwhmError, 5) +
               cell(p.Height, p.HeightError, 2) + cell(p.Area, p.AreaError, 3);
        if (shaped) row += cell(p.ShapeParameter, p.ShapeParameterError, 4);
        out += row + "\n";
    }
    return out;
}

int Profile(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"profile needs exactly one file"};
    const auto range = RangeOption(a);
    if (!range) throw UsageError{"profile needs --from X --to Y"};
    const ProfileChoice choice = ReadProfileChoice(a);
    const PeakOptions options = ReadPeakOptions(a);
    const std::string& file = a.Files[0];
    const std::string target = a.Text("-o").value_or("-");
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    try {
        for (const char* output : {"-o", "--plot"})
            RefuseOutputOntoInput(a.Text(output).value_or("-"), a.Files);
        const SelectedXray xray = SelectorXray(a, prompts);
        tools::ProfileFitOptions fitOptions = choice.Fit;
        if (fitOptions.Doublets) fitOptions.Doublet = RequireDoublet(xray);
        OpenProcessed(a, choice, xray, options, session);
        const std::vector<double> peaks = PeaksToFit(a, options, session, range);
        const tools::ProfileFitResult fit =
            FitMainScanProfiles(session, range->first, range->second, peaks, fitOptions);
        PrintWarnings(prompts, file, c.Err);
        // The picture and the text come together or not at all.
        OutputSet outputs;
        if (auto picture = a.Text("--plot")) {
            const ScanColumns curve = ProcessedColumns(session.Scans().MainScan());
            outputs.Add(*picture,
                        c.Use.Pictures->XrdPlotPng(
                            tools::BuildProfilePlotDataset(curve.Position, curve.Intensity,
                                                           range->first, range->second, fit, false),
                            800, 600));
        }
        const std::string text =
            a.Has("--json") ? ProfileFitJson(fit).Text() + "\n" : ProfileTable(fit);
        CommitWithText(outputs, target, text, c.Out);
    } catch (...) {
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

// Each peak fitted alone; a peak whose fit fails is reported and left out.
SinglePeakFits FitEachPeak(const Arguments& a, const ProfileChoice& choice,
                           const SelectedXray& xray, WorkbenchSession& session,
                           const std::string& file, std::ostream& err) {
    const PeakOptions options = ReadPeakOptions(a);
    tools::ProfileFitOptions fitOptions = choice.Fit;
    if (fitOptions.Doublets) fitOptions.Doublet = RequireDoublet(xray);
    OpenProcessed(a, choice, xray, options, session);
    const SinglePeakFits fits =
        FitMainScanPeaks(session, PeaksToFit(a, options, session, std::nullopt), fitOptions);
    for (const auto& [position, error] : fits.Failed)
        err << "warning: " << Shown(file) << ": peak at " << FormatShortest(position) << ": "
            << Shown(error) << "\n";
    return fits;
}

int Instrument(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"instrument needs exactly one file"};
    const ProfileChoice choice = ReadProfileChoice(a);
    const std::string& file = a.Files[0];
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    try {
        const SelectedXray xray = SelectorXray(a, prompts);
        const SinglePeakFits fits = FitEachPeak(a, choice, xray, session, file, c.Err);
        const tools::InstrumentFunction f = InstrumentFunctionOf(fits);
        PrintWarnings(prompts, file, c.Err);
        if (a.Has("--save")) tools::WriteInstrumentFunction(WorkbenchConfig().MainIniPath, f);
        if (a.Has("--json")) {
            WriteOutput("-", InstrumentJson(f, fits.Centers, fits.Fwhms).Text() + "\n", c.Out);
        } else {
            std::string text = "U: " + FormatShortest(f.U) + "\nV: " + FormatShortest(f.V) +
                               "\nW: " + FormatShortest(f.W) + "\n\nCenter      FWHM\n";
            for (size_t i = 0; i < fits.Centers.size(); ++i)
                text +=
                    FormatFixed(fits.Centers[i], 4) + "  " + FormatFixed(fits.Fwhms[i], 5) + "\n";
            WriteOutput("-", text, c.Out);
        }
    } catch (...) {
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

int Size(const Arguments& a, CommandContext& c) {
    if (a.Files.size() != 1) throw UsageError{"size needs exactly one file"};
    const ProfileChoice choice = ReadProfileChoice(a);
    const double k = a.Number("--k", tools::kDefaultScherrerK);
    if (!(k > 0.0)) throw UsageError{"--k needs a number above 0"};
    const auto correction =
        tools::ParseBroadeningCorrection(a.Text("--correction").value_or("quadratic"));
    if (!correction) throw UsageError{"--correction needs quadratic or linear"};
    std::optional<tools::InstrumentFunction> typed;
    if (auto uvw = a.Text("--instrument")) {
        const std::vector<double> v = NumberList("--instrument", *uvw);
        if (v.size() != 3) throw UsageError{"--instrument needs U,V,W"};
        typed = tools::InstrumentFunction{v[0], v[1], v[2]};
    }
    const std::string& file = a.Files[0];
    CliPrompts prompts(Dataset(a), a.Has("--dataset"));
    WorkbenchSession session(prompts);
    try {
        const tools::InstrumentFunction instrument = [&] {
            if (typed) return *typed;
            const auto stored = tools::ReadInstrumentFunction(WorkbenchConfig().MainIniPath);
            if (!stored)
                throw TrevascError(
                    "No instrument function is stored: give --instrument U,V,W "
                    "or run instrument --save.");
            return *stored;
        }();
        const SelectedXray xray = SelectorXray(a, prompts);
        const SinglePeakFits fits = FitEachPeak(a, choice, xray, session, file, c.Err);
        const tools::SizeAnalysis analysis = tools::AnalyseSize(
            fits.Centers, fits.Fwhms, instrument, *correction, xray.Wavelength, k);
        PrintWarnings(prompts, file, c.Err);
        if (a.Has("--json")) {
            WriteOutput("-", SizeJson(k, xray.Wavelength, instrument, analysis).Text() + "\n",
                        c.Out);
            return 0;
        }
        std::string text = "K: " + FormatShortest(k) +
                           "\nWavelength: " + FormatShortest(xray.Wavelength) +
                           " A\n\nCenter     FWHM     FWHM instr  "
                           "beta (rad)    Size (nm)\n";
        for (const tools::SizePeak& p : analysis.Peaks) {
            text += FormatFixed(p.Center, 4) + "  " + FormatFixed(p.Fwhm, 5) + "  " +
                    FormatFixed(p.FwhmInstrument, 5) + "  ";
            text += p.Beta ? FormatGeneral(*p.Beta, 6) + "  " + FormatFixed(*p.Size, 2)
                           : std::string("not broadened");
            text += "\n";
        }
        if (const auto& wh = analysis.WilliamsonHall)
            text += "\nWilliamson-Hall: size " + FormatFixed(wh->Size, 2) + " +- " +
                    FormatFixed(wh->SizeError, 2) + " nm, strain " + FormatGeneral(wh->Strain, 6) +
                    " +- " + FormatGeneral(wh->StrainError, 6) + "\n";
        else
            text +=
                "\nWilliamson-Hall: none (it needs three broadened peaks and a line whose "
                "intercept is above 0)\n";
        WriteOutput("-", text, c.Out);
    } catch (...) {
        return ReportFailure(prompts, file, c.Err);
    }
    return 0;
}

}  // namespace

std::vector<Command> ProfileCommandList() {
    const std::vector<Option> peakOptions = PeakSearchOptions();
    const Option peaks = {"--peaks", ValueKind::Text, "P1,P2,...",
                          "2Theta positions of the peaks (default: the peak search's)"};
    const Option json = {"--json", ValueKind::Flag, "", "the result as JSON"};
    return {
        {"profile",
         "FILE --from X --to Y [--peaks P1,P2,...]\n"
         "                   [--shape gauss|lorentz|pseudo-voigt|pearson7] [--doublets]\n"
         "                   [--strip-kalpha2 [--kalpha2-ratio R]]\n"
         "                   [--wavelength L | --energy E | --line NAME] [--plot OUT.png]\n"
         "                   [--json] [-o OUT] [peaks options]",
         "Fits the peaks of --peaks (default: those the peak search finds in the range) together\n"
         "on a straight background over the range --from..--to: weighted least squares with\n"
         "the standard error of every value.",
         Joined(Joined({{"--from", ValueKind::Number, "X", "start of the range fitted"},
                        {"--to", ValueKind::Number, "Y", "end of the range fitted"},
                        peaks,
                        {"--plot", ValueKind::Text, "OUT.png",
                         "the range with the fit as an 800 x 600 PNG picture", "", 0, 0, true},
                        json,
                        OutputOption("the result file (default standard output)")},
                       ProfileOptions()),
                peakOptions),
         Profile},
        {"instrument",
         "FILE [--peaks P1,P2,...] [--shape ...] [--doublets] [--strip-kalpha2]\n"
         "                   [--wavelength L | --energy E | --line NAME] [--save] [--json]\n"
         "                   [peaks options]",
         "Fits each peak alone (the range of the automatic fits around it) and the instrument\n"
         "function FWHM^2 = U tan^2(theta) + V tan(theta) + W to their FWHMs (three peaks or\n"
         "more).",
         Joined(Joined({peaks,
                        {"--save", ValueKind::Flag, "",
                         "keeps U, V, W in the main INI file, section [PROFILE]"},
                        json},
                       ProfileOptions()),
                peakOptions),
         Instrument},
        {"size",
         "FILE [--peaks P1,P2,...] [--instrument U,V,W] [--k K]\n"
         "                   [--correction quadratic|linear] [--shape ...] [--doublets]\n"
         "                   [--strip-kalpha2] [--wavelength L | --energy E | --line NAME]\n"
         "                   [--json] [peaks options]",
         "Fits each peak alone, takes off the instrument's width and gives the Scherrer size of\n"
         "each broadened peak and, with three or more, the Williamson-Hall size and strain.",
         Joined(Joined({peaks,
                        {"--instrument", ValueKind::Text, "U,V,W",
                         "the instrument function (default: the values kept by instrument --save)"},
                        {"--k", ValueKind::Number, "K", "the Scherrer constant", "0.9"},
                        {"--correction", ValueKind::Text, "quadratic|linear",
                         "how the instrument's width is taken off", "quadratic"},
                        json},
                       ProfileOptions()),
                peakOptions),
         Size},
    };
}

}  // namespace trevasc::cli
