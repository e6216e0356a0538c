#pragma once
// The batch twins of the lattice and film thickness windows.
#include <ostream>
#include <string>
#include <vector>

namespace trevasc::cli {

// args[0] is the command name. Exit code 0, or 1 with a message on standard error.
int LatticeCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int ThicknessCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// The twins of the "2 Axis Plot" window: its bitmap copy and text copy, and its gnuplot export.
int MapCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int GnuplotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

inline constexpr const char* kToolUsage =
    "       trevasc-cli lattice (FILE | --peaks P1,P2,...) [--direction h,k,l] [--expected A]\n"
    "                   [--auto START,END,STEP] [--manual m1,m2,...]\n"
    "                   [--nelson-riley-plot OUT.png] [--wavelength L | --energy E | --line NAME]\n"
    "                   [--json]\n"
    "       trevasc-cli thickness (FILE | --peaks P1,P2,...) [--half] [--thickness NM]\n"
    "                   [--first-index N] [--fit-orders]\n"
    "                   [--wavelength L | --energy E | --line NAME] [--json]\n"
    "       trevasc-cli map FILE... -o OUT.png [--reciprocal] [--omega-offset X]\n"
    "                   [--two-theta-offset Y] [--flip] [--scale color|bw|bw-inverse]\n"
    "                   [--size WxH] [--text OUT.txt] [--wavelength L | --energy E | --line NAME]\n"
    "                   [--points] [--levels] [--json]\n"
    "       trevasc-cli gnuplot FILE... --kind bw|color|png-bw|png-color [map options]\n"
    "                   [--template T] [--no-contour] [--exe PROGRAM] [--no-run] [--json]\n";

}  // namespace trevasc::cli
