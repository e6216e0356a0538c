// libFuzzer target: the xylib reader on arbitrary bytes. The first byte picks the file name's
// extension, which decides the order in which xylib's formats are checked.
#include "FuzzReaderHarness.h"
#include "formats/XylibReader.h"

namespace {

const char* const kExtensions[] = {"raw", "uxd", "rd",  "sd",  "udf", "dat", "cpi", "cif",
                                   "dbw", "rit", "xdd", "mca", "spe", "vms", "txt", "x"};

// The file name of the current input (the reader interface takes the name from the harness).
std::string currentName;

trevasc::formats::ReadResult ReadXylib(std::string_view text, const std::string&, bool main,
                                       trevasc::ScanRegistry& registry, trevasc::Prompts& prompts) {
    return trevasc::formats::ReadXylibText(text, currentName, main, registry, prompts);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t pick = size > 0 ? data[0] % (sizeof kExtensions / sizeof kExtensions[0]) : 0;
    currentName = std::string("fuzz/input.") + kExtensions[pick];
    return trevasc::fuzz::RunReader(data, size, &ReadXylib);
}
