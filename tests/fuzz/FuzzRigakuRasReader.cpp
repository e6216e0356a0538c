// libFuzzer target: ReadRigakuRasText on arbitrary bytes.
#include "FuzzReaderHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return trevasc::fuzz::RunReader(data, size, &trevasc::formats::ReadRigakuRasText);
}
