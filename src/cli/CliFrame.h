#pragma once
// The frame of the batch tool's commands: each command declares its options once, in a table
// (name, kind of value, help text, default), and from that table come its parser, its usage
// text, its --help and its part of the manual page. The frame also owns the one usage-error
// format, the exit codes and the decision whether a command needs the drawing program.
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/Drawing.h"

namespace trevasc::cli {

enum class ValueKind {
    Flag,     // no value
    Text,     // any text
    Number,   // a floating-point number
    Integer,  // a whole number within [Min, Max]
    Pair,     // two texts (MIN MAX)
};

struct Option {
    Option(std::string name, ValueKind kind, std::string placeholder, std::string help,
           std::string def = {}, int min = 0, int max = 0, bool picture = false)
        : Name(std::move(name)),
          Kind(kind),
          Placeholder(std::move(placeholder)),
          Help(std::move(help)),
          Default(std::move(def)),
          Min(min),
          Max(max),
          Picture(picture) {}

    std::string Name;  // "--json", "-o"
    ValueKind Kind = ValueKind::Flag;
    std::string Placeholder;  // the value as shown in the help ("N", "WxH", "MIN MAX")
    std::string Help;         // may hold line breaks: further lines are indented
    std::string Default;      // shown as "(default ...)"; empty: no default to show
    int Min = 0, Max = 0;     // Integer: the accepted range
    bool Picture = false;     // the option asks for a picture: the command then draws
};

// The X-ray tube selector's three ways to give the wavelength, shared by the commands that
// compute with one.
std::vector<Option> WavelengthOptions();
// `list` followed by `more`.
std::vector<Option> Joined(std::vector<Option> list, const std::vector<Option>& more);

// A malformed command line: "trevasc-cli CMD: MESSAGE", the command's usage, exit code 2.
struct UsageError {
    std::string Message;
};

// Standard output did not take what was written (a full disk, a closed pipe); `Error` is the
// errno of the failed write, 0 when unknown.
struct OutputError {
    int Error = 0;
};
// Throws OutputError when the stream has failed. Called right after each write, while errno
// still tells why.
void CheckOutput(const std::ostream& out);
// "trevasc-cli: cannot write standard output" with the reason (errno `error`, 0 unknown) on
// `err`; the exit code 1.
int ReportOutputFailure(std::ostream& err, int error);

// A parsed command line: the files (positional arguments) in order and the options given.
class Arguments {
  public:
    std::vector<std::string> Files;

    bool Has(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
    std::optional<double> Number(const std::string& name) const;
    double Number(const std::string& name, double def) const;
    std::optional<int> Integer(const std::string& name) const;
    int Integer(const std::string& name, int def) const;
    // The two values of a Pair option.
    std::optional<std::pair<std::string, std::string>> Pair(const std::string& name) const;

  private:
    friend Arguments ParseOptions(const std::vector<Option>&, const std::vector<std::string>&);
    std::vector<std::string> flags_;
    std::map<std::string, std::vector<std::string>> values_;
};

// The arguments after the command name. Throws UsageError for an unknown option, a missing
// value, a value that is not of the option's kind, and an option with a value given twice
// (which of the two was meant is not ours to guess); flags may repeat. "--" ends the options,
// "-" is a file (standard input or output).
Arguments ParseOptions(const std::vector<Option>& options, const std::vector<std::string>& args);

// What a command works with besides its arguments.
struct CommandContext {
    std::ostream& Out;
    std::ostream& Err;
    const Facilities& Use;
};

struct Command {
    std::string Name;
    std::string Synopsis;     // after "trevasc-cli NAME "
    std::string Description;  // the paragraph of --help
    std::vector<Option> Options;
    // Exit code 0 or 1; throws UsageError for a command line that does not fit, and may throw
    // TrevascError (or any exception) for a failure of the work (exit code 1, the message).
    std::function<int(const Arguments&, CommandContext&)> Run;
    // Runs only in the program with Qt (the update check's network access), whatever the
    // options.
    bool NeedsQtProgram = false;
};

// The usage of one command: the synopsis and its options.
std::string CommandUsage(const Command& command);
// --help: the synopsis, the description and the options.
std::string CommandHelp(const Command& command);
// The OPTIONS section of the manual page (roff), made from the tables.
std::string ManualOptions(const std::vector<Command>& commands);

// The message of the exception being handled, whatever a reader, a calculation or a writer
// threw, so that no failure ends the program unreported. Called inside a catch block.
std::string CurrentFailure();

// Runs one command with the arguments after the program name (args[0] is the command's
// name): --help, parsing, the hand-over to the drawing program when a picture is asked for and
// there is no drawing here, the body, and the one report of every failure.
int RunCommand(const Command& command, const std::vector<std::string>& args, std::ostream& out,
               std::ostream& err, const Facilities& use);

}  // namespace trevasc::cli
