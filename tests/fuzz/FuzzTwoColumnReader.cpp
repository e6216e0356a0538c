// libFuzzer target: ReadTwoColumnText on arbitrary bytes, serially and on two threads.
#include "FuzzReaderHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trevasc::fuzz::RunReader(data, size, &trevasc::formats::ReadTwoColumnText);
    return trevasc::fuzz::CheckSerialEqualsParallel(data, size,
                                                    &trevasc::formats::ReadTwoColumnText);
}
