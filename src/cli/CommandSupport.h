#pragma once
// What the scan and tool commands share: the dataset, output and range options, the peak search
// options, the reports of warnings and failures, number lists and the X-ray tube selector.
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "analysis/PeakSearch.h"
#include "analysis/Processing.h"
#include "base/AtomicFile.h"
#include "cli/CliFrame.h"
#include "cli/CliPrompts.h"
#include "core/Configuration.h"
#include "session/WorkbenchSession.h"
#include "tools/profile/Kalpha2Stripping.h"

namespace trevasc::cli {

// --dataset N: which scan of a scan-list file to open (default 1).
Option DatasetOption();
int Dataset(const Arguments& a);

// Prints each warning as "warning: FILE: TEXT".
void PrintWarnings(const std::vector<std::string>& warnings, const std::string& file,
                   std::ostream& err);
// Prints the warnings gathered so far, each once: a command that fails after printing them
// then prints only those that came later.
void PrintWarnings(CliPrompts& prompts, const std::string& file, std::ostream& err);
// For a catch block: the warnings, then "trevasc-cli: FILE: MESSAGE"; the exit code. Usage
// and output errors go on to the frame.
int ReportFailure(CliPrompts& prompts, const std::string& file, std::ostream& err);
// Writes `text` to OUT ("-" = standard output).
void WriteOutput(const std::string& target, const std::string& text, std::ostream& out);
// Commits `outputs` with `text` as one more of them, or with `text` on standard output for "-"
// (written first there, so that a failed write leaves no file behind).
void CommitWithText(OutputSet& outputs, const std::string& target, const std::string& text,
                    std::ostream& out);

// The processing and peak search options, with the defaults of the workbench's controls.
std::vector<Option> PeakSearchOptions();
struct PeakOptions {
    analysis::ProcessingSettings Processing;
    analysis::PeakSearchSettings Search;
    analysis::TPeakMethod Method = analysis::TPeakMethod::Slope;
};
PeakOptions ReadPeakOptions(const Arguments& a);

// -o OUT (a picture: the command then draws).
Option OutputOption(const std::string& help, bool picture = false);
// The range --from..--to, both or neither.
std::optional<std::pair<double, double>> RangeOption(const Arguments& a);

// The parts of a comma-separated text, empty ones included.
std::vector<std::string> SplitCommas(const std::string& text);
// The numbers of a comma-separated list; UsageError naming the option for any other text.
std::vector<double> NumberList(const std::string& name, const std::string& text);
// The folder of the running program.
std::string ProgramFolder();

// The X-ray tube selector as --wavelength, --energy or --line set it.
struct SelectedXray {
    double Wavelength = 0.0;  // Å
    // The Kα1/Kα2 pair of the selected line; none for a typed value or a line without a Kα2.
    std::optional<tools::KalphaDoublet> Doublet;
    std::string NoDoubletReason;
};
SelectedXray SelectorXray(const Arguments& a, CliPrompts& prompts);
double SelectorWavelength(const Arguments& a, CliPrompts& prompts);

// The Kα doublet of the selected line, or TrevascError with the reason there is none.
tools::KalphaDoublet RequireDoublet(const SelectedXray& xray);

// --strip-kalpha2 and --kalpha2-ratio R, with the wavelength options that choose the line.
std::vector<Option> StripOptions();
// --kalpha2-ratio (default 0.5); UsageError outside 0..1.
double Kalpha2Ratio(const Arguments& a);
// With --strip-kalpha2: the session strips the main scan's Kα2 (before smoothing and
// background removal) with the selected line's doublet. Call before opening the file.
void ApplyKalpha2Options(const Arguments& a, CliPrompts& prompts, WorkbenchSession& session);

// The configuration files of the workbench (WorkbenchConfigPaths), seeded from the definition
// files beside the executable (or installed) when missing.
ConfigPaths WorkbenchConfig();

}  // namespace trevasc::cli
