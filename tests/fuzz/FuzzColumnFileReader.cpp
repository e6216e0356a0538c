// libFuzzer target: ReadColumnText on arbitrary bytes, and the whole detection chain (the
// two-column reader first, then the further readers) on the same bytes.
#include "FuzzReaderHarness.h"

namespace {
trevasc::formats::ReadResult ReadAny(std::string_view text, const std::string& fileName, bool main,
                                     trevasc::ScanRegistry& registry, trevasc::Prompts& prompts) {
    return trevasc::formats::ReadScanText(text, fileName, main, registry, prompts);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trevasc::fuzz::RunReader(data, size, &trevasc::formats::ReadColumnText);
    return trevasc::fuzz::RunReader(data, size, &ReadAny);
}
