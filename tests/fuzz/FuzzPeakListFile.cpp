// libFuzzer target: ReadPeakListText on arbitrary bytes, with either decimal separator. A list
// that reads must write and read back to the very same file text: the peak list beside a scan
// goes through this cycle every time the user saves it.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "core/ScanData.h"
#include "formats/PeakListFile.h"

using namespace trevasc;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TDataPointArray points;
    for (int i = 0; i < 4; ++i) points.push_back({10.0 + i, 100 * i, 0, 0});
    for (char separator : {'.', ','}) {
        TDataSet scan;
        scan.SetRawPoints(points);
        std::string title = "before";
        try {
            formats::ReadPeakListText(text, scan, true, title, separator, "fuzz_Peaks.txt");
        } catch (const TrevascError&) {
            continue;  // a message for the user: fine
        }
        for (bool ident : {true, false}) {
            const std::string written = ident ? formats::PeakListIdentFileText(scan, title)
                                              : formats::PeakListFileText(scan);
            TDataSet back;
            back.SetRawPoints(points);
            std::string backTitle = title;
            formats::ReadPeakListText(written, back, true, backTitle);  // must not throw
            const std::string rewritten = ident ? formats::PeakListIdentFileText(back, backTitle)
                                                : formats::PeakListFileText(back);
            if (rewritten != written || back.Peaks.Count() != scan.Peaks.Count()) std::abort();
        }
    }
    return 0;
}
