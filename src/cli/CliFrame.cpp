#include "cli/CliFrame.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <system_error>

#include "base/Error.h"
#include "base/NumberText.h"
#include "cli/CliText.h"

namespace trevasc::cli {

std::vector<Option> WavelengthOptions() {
    return {{"--wavelength", ValueKind::Number, "L",
             "wavelength in Angstrom, as typed into the X-ray tube selector"},
            {"--energy", ValueKind::Number, "E", "X-ray energy in eV, as typed into the selector"},
            {"--line", ValueKind::Text, "NAME", "an X-ray line of the selector (\"Cu K-Alpha1\")"}};
}

std::vector<Option> Joined(std::vector<Option> list, const std::vector<Option>& more) {
    list.insert(list.end(), more.begin(), more.end());
    return list;
}

void CheckOutput(const std::ostream& out) {
    if (!out) throw OutputError{errno};
}

bool Arguments::Has(const std::string& name) const {
    return std::find(flags_.begin(), flags_.end(), name) != flags_.end() || values_.count(name);
}

std::optional<std::string> Arguments::Text(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end()) return std::nullopt;
    return it->second[0];
}

std::optional<double> Arguments::Number(const std::string& name) const {
    const auto text = Text(name);
    if (!text) return std::nullopt;
    return TryParseFloat(*text);  // checked by the parser
}

double Arguments::Number(const std::string& name, double def) const {
    return Number(name).value_or(def);
}

std::optional<int> Arguments::Integer(const std::string& name) const {
    const auto text = Text(name);
    if (!text) return std::nullopt;
    return TryParseInt(*text);  // checked by the parser
}

int Arguments::Integer(const std::string& name, int def) const {
    return Integer(name).value_or(def);
}

std::optional<std::pair<std::string, std::string>> Arguments::Pair(const std::string& name) const {
    const auto it = values_.find(name);
    if (it == values_.end() || it->second.size() < 2) return std::nullopt;
    return std::pair{it->second[0], it->second[1]};
}

namespace {

// Checks a value against the option's kind.
void CheckValue(const Option& o, const std::string& value) {
    switch (o.Kind) {
        case ValueKind::Number:
            if (!TryParseFloat(value))
                throw UsageError{o.Name + " needs a number, not '" + Shown(value) + "'"};
            return;
        case ValueKind::Integer: {
            const auto n = TryParseInt(value);
            if (!n || *n < o.Min || *n > o.Max)
                throw UsageError{o.Name + " needs a whole number from " + std::to_string(o.Min) +
                                 " to " + std::to_string(o.Max)};
            return;
        }
        default:
            return;
    }
}

}  // namespace

Arguments ParseOptions(const std::vector<Option>& options, const std::vector<std::string>& args) {
    Arguments a;
    bool optionsEnded = false;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        if (optionsEnded || s == "-" || s.size() < 2 || s[0] != '-') {
            a.Files.push_back(s);
            continue;
        }
        if (s == "--") {
            optionsEnded = true;  // as with every POSIX tool: "-leading.txt" can be named
            continue;
        }
        const auto o = std::find_if(options.begin(), options.end(),
                                    [&](const Option& option) { return option.Name == s; });
        if (o == options.end())
            throw UsageError{"unknown option " + Shown(s) +
                             " (name a file beginning with '-' after '--')"};
        if (o->Kind == ValueKind::Flag) {
            a.flags_.push_back(s);
            continue;
        }
        const size_t count = o->Kind == ValueKind::Pair ? 2 : 1;
        if (i + count >= args.size())
            throw UsageError{"option " + s + " needs " + (count == 1 ? "a value" : "two values")};
        if (a.values_.count(s)) throw UsageError{"option " + s + " is given twice"};
        std::vector<std::string> values(args.begin() + static_cast<long>(i) + 1,
                                        args.begin() + static_cast<long>(i + count) + 1);
        for (const std::string& v : values) CheckValue(*o, v);
        a.values_[s] = std::move(values);
        i += count;
    }
    return a;
}

namespace {

constexpr size_t kHelpColumn = 27;

// One option's lines of the usage: name and value, then the help (and default) from the help
// column on.
std::string OptionLines(const Option& o) {
    std::string left = "  " + o.Name + (o.Placeholder.empty() ? "" : " " + o.Placeholder);
    std::string help = o.Help;
    if (!o.Default.empty()) help += " (default " + o.Default + ")";
    left += left.size() + 1 < kHelpColumn ? std::string(kHelpColumn - left.size(), ' ') : "  ";
    std::string text;
    size_t start = 0;
    for (size_t end = help.find('\n'); end != std::string::npos; end = help.find('\n', start)) {
        text += help.substr(start, end - start) + "\n" + std::string(kHelpColumn, ' ');
        start = end + 1;
    }
    return left + text + help.substr(start) + "\n";
}

std::string OptionList(const Command& c) {
    std::string text;
    for (const Option& o : c.Options) text += OptionLines(o);
    return text + "  --help                   this text\n" +
           "  --                       ends the options: every argument after it is a file\n";
}

// Roff text: backslashes and minus signs escaped.
std::string Roff(const std::string& text) {
    std::string out;
    for (char ch : text) {
        if (ch == '\\')
            out += "\\e";
        else if (ch == '-')
            out += "\\-";
        else
            out += ch;
    }
    return out;
}

}  // namespace

std::string CommandUsage(const Command& c) {
    return "usage: trevasc-cli " + c.Name + " " + c.Synopsis + "\n" + OptionList(c);
}

std::string CommandHelp(const Command& c) {
    return "usage: trevasc-cli " + c.Name + " " + c.Synopsis + "\n" + c.Description + "\n" +
           OptionList(c);
}

std::string ManualOptions(const std::vector<Command>& commands) {
    std::string roff =
        ".SH OPTIONS\nEvery command takes\n.B \\-\\-help\n"
        "(its usage on standard output) and\n.B \\-\\-\n"
        "(every argument after it is a file).\n";
    for (const Command& c : commands) {
        roff += ".SS " + Roff(c.Name) + "\n";
        if (c.Options.empty()) roff += "No options.\n";
        for (const Option& o : c.Options) {
            roff += ".TP\n";
            if (o.Placeholder.empty())
                roff += ".B " + Roff(o.Name) + "\n";
            else
                roff += ".BI \"" + Roff(o.Name) + " \" \"" + Roff(o.Placeholder) + "\"\n";
            std::string help = o.Help;
            std::replace(help.begin(), help.end(), '\n', ' ');
            if (!o.Default.empty()) help += " (default " + o.Default + ")";
            // A line that begins with '.' or an apostrophe would be a request.
            roff += (help[0] == '.' || help[0] == '\'' ? "\\&" : "") + Roff(help) + "\n";
        }
    }
    return roff;
}

namespace {

bool AsksForPicture(const Command& c, const Arguments& a) {
    return std::any_of(c.Options.begin(), c.Options.end(),
                       [&](const Option& o) { return o.Picture && a.Has(o.Name); });
}

}  // namespace

int ReportOutputFailure(std::ostream& err, int error) {
    err << "trevasc-cli: cannot write standard output";
    if (error != 0) err << ": " << std::generic_category().message(error);
    err << "\n";
    return 1;
}

std::string CurrentFailure() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    }
}

int RunCommand(const Command& c, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err, const Facilities& use) {
    const auto optionsEnd = std::find(args.begin(), args.end(), "--");
    if (std::find(args.begin() + 1, optionsEnd, "--help") != optionsEnd) {
        out << CommandHelp(c);
        out.flush();
        return out ? 0 : 1;
    }
    const std::string prefix = "trevasc-cli " + c.Name + ": ";
    try {
        const Arguments a = ParseOptions(c.Options, args);
        // Only a command line that asks for a picture needs the drawing program.
        const bool needsQt = c.NeedsQtProgram || AsksForPicture(c, a);
        if (needsQt && !use.Pictures) {
            if (use.HandOver) return use.HandOver();
            err << prefix << "this build has no drawing support (Qt was not found)\n";
            return 1;
        }
        CommandContext context{out, err, use};
        const int code = c.Run(a, context);
        errno = 0;
        out.flush();
        CheckOutput(out);
        return code;
    } catch (const UsageError& e) {
        err << prefix << e.Message << "\n" << CommandUsage(c);
        return 2;
    } catch (const OutputError& e) {
        return ReportOutputFailure(err, e.Error);
    } catch (...) {
        err << prefix << Shown(CurrentFailure()) << "\n";
        return 1;
    }
}

}  // namespace trevasc::cli
