#include "cli/CliCommands.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <map>
#include <optional>

#include "cli/CliPrompts.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/WorkbenchSession.h"
#include "formats/NumberText.h"
#include "formats/TextExchange.h"

namespace trevasc::cli {

namespace {

constexpr const char* kUsage =
    "usage: trevasc-cli info [--json] [--dataset N] FILE...\n"
    "       trevasc-cli convert [--all] [--dataset N] FILE -o OUT   (OUT '-' = standard output)\n";

struct UsageError {
    std::string Message;
};

// Options shared by the commands; positional arguments are collected in order.
struct Arguments {
    std::vector<std::string> Files;
    std::map<std::string, std::string> Values;  // --name value
    std::vector<std::string> Flags;             // --name

    bool Has(const std::string& flag) const {
        return std::find(Flags.begin(), Flags.end(), flag) != Flags.end();
    }
    std::optional<std::string> Value(const std::string& name) const {
        auto it = Values.find(name);
        if (it == Values.end()) return std::nullopt;
        return it->second;
    }
};

Arguments ParseArguments(const std::vector<std::string>& args, size_t first,
                         const std::vector<std::string>& flags,
                         const std::vector<std::string>& valued) {
    Arguments a;
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (s == "-") {
            a.Files.push_back(s);
        } else if (s.size() > 1 && s[0] == '-') {
            if (std::find(flags.begin(), flags.end(), s) != flags.end()) {
                a.Flags.push_back(s);
            } else if (std::find(valued.begin(), valued.end(), s) != valued.end()) {
                if (i + 1 >= args.size()) throw UsageError{"option " + s + " needs a value"};
                a.Values[s] = args[++i];
            } else {
                throw UsageError{"unknown option " + s};
            }
        } else {
            a.Files.push_back(s);
        }
    }
    return a;
}

int DatasetOption(const Arguments& a) {
    auto v = a.Value("--dataset");
    if (!v) return 1;
    auto n = formats::TryParseInt(*v);
    if (!n || *n < 1) throw UsageError{"--dataset needs a whole number of at least 1"};
    return *n;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    return out + "\"";
}

std::string Number(double v) { return formats::FormatGeneral(v, 15); }

struct ScanSummary {
    std::string Name;
    int Count = 0;
    double First = 0, Last = 0;
    std::string SecondAxisName;
    double SecondAxisPosition = 0;
    long long MinIntensity = 0, MaxIntensity = 0;
    int Peaks = 0;
};

ScanSummary Summarize(const TDataSet& scan) {
    ScanSummary s;
    s.Name = scan.Name;
    s.Count = scan.Count;
    if (!scan.RawPoints.empty()) {
        s.First = scan.RawPoints.front().Position;
        s.Last = scan.RawPoints.back().Position;
        auto [mn, mx] = std::minmax_element(
            scan.RawPoints.begin(), scan.RawPoints.end(),
            [](const TDataPoint& a, const TDataPoint& b) { return a.Intensity < b.Intensity; });
        s.MinIntensity = mn->Intensity;
        s.MaxIntensity = mx->Intensity;
    }
    s.SecondAxisName = scan.SecondAxisName;
    s.SecondAxisPosition = scan.SecondAxisPosition;
    s.Peaks = scan.Peaks.Count;
    return s;
}

struct FileReport {
    std::string File;
    std::string Format;
    std::string Kind;
    std::string Title;
    std::vector<std::string> Warnings;
    std::optional<std::string> Error;
    std::vector<ScanSummary> Scans;
};

// Opens one file as the workbench would open it as main file.
FileReport OpenForReport(const std::string& file, int dataset, bool datasetGiven) {
    FileReport r;
    r.File = file;
    CliPrompts prompts(dataset, datasetGiven);
    WorkbenchSession session(prompts);
    try {
        session.OpenMainFile(file);
        r.Format = session.LastFormatName();
        r.Kind = ScanKindName(session.Registry().OpenScanKind);
        r.Title = session.Registry().PlotTitle;
        for (int k = 0; k <= session.Registry().AdditionalCount(); ++k)
            r.Scans.push_back(Summarize(session.Registry().ScanAt(k)));
    } catch (const TrevascError& e) {
        r.Format = session.LastFormatName();
        r.Error = e.what();
    } catch (const std::bad_alloc&) {
        r.Error = "Out of memory";
    }
    r.Warnings = prompts.Warnings();
    return r;
}

void PrintText(const FileReport& r, std::ostream& out) {
    out << r.File << "\n";
    out << "  format: " << r.Format << "\n";
    out << "  kind: " << r.Kind << "\n";
    out << "  title: " << r.Title << "\n";
    out << "  scans: " << r.Scans.size() << "\n";
    for (size_t i = 0; i < r.Scans.size(); ++i) {
        const ScanSummary& s = r.Scans[i];
        out << "  scan " << i << ": " << s.Name << "\n";
        out << "    points: " << s.Count << ", from " << Number(s.First) << " to " << Number(s.Last)
            << "\n";
        if (!s.SecondAxisName.empty())
            out << "    second axis: " << s.SecondAxisName << " = " << Number(s.SecondAxisPosition)
                << "\n";
        out << "    intensity: " << s.MinIntensity << " .. " << s.MaxIntensity << "\n";
        out << "    peaks: " << s.Peaks << "\n";
    }
}

void PrintJson(const FileReport& r, std::ostream& out) {
    out << "  {\"file\": " << JsonString(r.File) << ", \"format\": " << JsonString(r.Format)
        << ", \"kind\": " << JsonString(r.Kind) << ", \"title\": " << JsonString(r.Title)
        << ", \"warnings\": [";
    for (size_t i = 0; i < r.Warnings.size(); ++i)
        out << (i ? ", " : "") << JsonString(r.Warnings[i]);
    out << "]";
    if (r.Error) out << ", \"error\": " << JsonString(*r.Error);
    out << ", \"scans\": [";
    for (size_t i = 0; i < r.Scans.size(); ++i) {
        const ScanSummary& s = r.Scans[i];
        out << (i ? ",\n" : "\n") << "    {\"name\": " << JsonString(s.Name)
            << ", \"count\": " << s.Count << ", \"first\": " << Number(s.First)
            << ", \"last\": " << Number(s.Last)
            << ", \"secondAxisName\": " << JsonString(s.SecondAxisName)
            << ", \"secondAxisPosition\": " << Number(s.SecondAxisPosition)
            << ", \"minIntensity\": " << s.MinIntensity << ", \"maxIntensity\": " << s.MaxIntensity
            << ", \"peaks\": " << s.Peaks << "}";
    }
    out << (r.Scans.empty() ? "]}" : "\n  ]}");
}

int Info(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments a = ParseArguments(args, 1, {"--json"}, {"--dataset"});
    if (a.Files.empty()) throw UsageError{"info needs at least one file"};
    const int dataset = DatasetOption(a);
    const bool json = a.Has("--json");
    int code = 0;
    if (json) out << "[\n";
    for (size_t i = 0; i < a.Files.size(); ++i) {
        FileReport r = OpenForReport(a.Files[i], dataset, a.Value("--dataset").has_value());
        for (const std::string& w : r.Warnings) err << "warning: " << r.File << ": " << w << "\n";
        if (r.Error) {
            err << "trevasc-cli: " << r.File << ": " << *r.Error << "\n";
            code = 1;
        }
        if (json) {
            PrintJson(r, out);
            out << (i + 1 < a.Files.size() ? ",\n" : "\n");
        } else if (!r.Error) {
            PrintText(r, out);
        }
    }
    if (json) out << "]\n";
    return code;
}

// Writes `text` to OUT ("-" = standard output).
void WriteOutput(const std::string& target, const std::string& text, std::ostream& out) {
    if (target == "-")
        out << text;
    else
        WriteFileAtomic(target, text);
}

int Convert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Arguments a = ParseArguments(args, 1, {"--all"}, {"-o", "--dataset"});
    if (a.Files.size() != 1) throw UsageError{"convert needs exactly one file"};
    auto target = a.Value("-o");
    if (!target) throw UsageError{"convert needs -o OUT"};
    const std::string& file = a.Files[0];
    CliPrompts prompts(DatasetOption(a), a.Value("--dataset").has_value());
    WorkbenchSession session(prompts);
    try {
        session.OpenMainFile(file);
        const std::string text = a.Has("--all")
                                     ? formats::AllSpectraFileText(session.Registry(), '.')
                                     : formats::SpectrumFileText(session.Registry());
        for (const std::string& w : prompts.Warnings()) err << "warning: " << file << ": " << w << "\n";
        WriteOutput(*target, text, out);
    } catch (const TrevascError& e) {
        for (const std::string& w : prompts.Warnings()) err << "warning: " << file << ": " << w << "\n";
        err << "trevasc-cli: " << file << ": " << e.what() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    static const std::map<std::string, std::function<int(const std::vector<std::string>&,
                                                         std::ostream&, std::ostream&)>>
        commands = {{"info", Info}, {"convert", Convert}};
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        (args.empty() ? err : out) << kUsage;
        return args.empty() ? 2 : 0;
    }
    auto it = commands.find(args[0]);
    if (it == commands.end()) {
        err << "trevasc-cli: unknown command '" << args[0] << "'\n" << kUsage;
        return 2;
    }
    try {
        return it->second(args, out, err);
    } catch (const UsageError& e) {
        err << "trevasc-cli: " << e.Message << "\n" << kUsage;
        return 2;
    }
}

}  // namespace trevasc::cli
