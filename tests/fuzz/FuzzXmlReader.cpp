// libFuzzer target: ReadXmlMeasurementText on arbitrary bytes, serially and on two threads.
#include "FuzzReaderHarness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trevasc::fuzz::RunReader(data, size, &trevasc::formats::ReadXmlMeasurementText);
    return trevasc::fuzz::CheckSerialEqualsParallel(data, size,
                                                    &trevasc::formats::ReadXmlMeasurementText);
}
