// libFuzzer target: ReadBrukerRaw4Text on arbitrary bytes. Inputs without the mark "RAW4.00" are
// given it, so that the fuzzer spends its time inside the layout.
#include <string>

#include "FuzzReaderHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    if (input.substr(0, 7) == "RAW4.00")
        return trevasc::fuzz::RunReader(data, size, &trevasc::formats::ReadBrukerRaw4Text);
    const std::string marked = "RAW4.00" + std::string(input);
    return trevasc::fuzz::RunReader(reinterpret_cast<const uint8_t*>(marked.data()), marked.size(),
                                    &trevasc::formats::ReadBrukerRaw4Text);
}
