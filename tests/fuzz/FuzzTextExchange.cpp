// libFuzzer target: the spectrum and peak list texts of the clipboard and the export files, for
// registries built from arbitrary bytes (any finite positions and intensities, any names and
// descriptions). The texts the program reads back must read back: the full peak list through the
// peak list reader with the same positions, the spectrum file through the two-column reader with
// the same points.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>

#include "base/Error.h"
#include "base/NumberText.h"
#include "core/Prompts.h"
#include "core/ScanData.h"
#include "formats/PeakListFile.h"
#include "formats/ScanFileReader.h"
#include "formats/TextExchange.h"

using namespace trevasc;

namespace {

double FiniteDouble(FuzzedDataProvider& input) {
    const double x = input.ConsumeFloatingPoint<double>();
    return std::isfinite(x) ? x : 0.0;
}

void FillScan(FuzzedDataProvider& input, TDataSet& scan, bool grid) {
    TDataPointArray points(input.ConsumeIntegralInRange<size_t>(0, 64));
    // A grid as instruments write it, or positions anywhere.
    const double start = grid ? input.ConsumeFloatingPointInRange<double>(0.0, 180.0) : 0.0;
    const double step = grid ? input.ConsumeFloatingPointInRange<double>(1e-4, 1.0) : 0.0;
    for (size_t i = 0; i < points.size(); ++i) {
        points[i].Position = grid ? start + static_cast<double>(i) * step : FiniteDouble(input);
        points[i].Intensity = grid ? input.ConsumeIntegralInRange<int32_t>(0, 2000000000)
                                   : input.ConsumeIntegral<int32_t>();
    }
    scan.SetRawPoints(points);
    scan.Name = input.ConsumeRandomLengthString(40);
    const size_t peaks = input.ConsumeIntegralInRange<size_t>(0, 16);
    for (size_t i = 0; i < peaks; ++i)
        AddPeak(scan, FiniteDouble(input), input.ConsumeRandomLengthString(40),
                input.ConsumeBool());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    ScanRegistry registry;
    registry.OpenScanKind = static_cast<TScanKind>(input.ConsumeIntegralInRange<int>(0, 4));
    const bool grid = input.ConsumeBool();
    FillScan(input, registry.MainScan(), grid);
    const int additional = input.ConsumeIntegralInRange<int>(0, 3);
    for (int k = 0; k < additional; ++k) FillScan(input, registry.AppendAdditionalScan(), false);
    const char separator = input.ConsumeBool() ? ',' : '.';

    formats::SpectrumClipboardText(registry, separator);
    formats::AllSpectraFileText(registry, separator);
    formats::AllSpectraClipboardText(registry, separator);
    for (auto content :
         {formats::PeakClipboardContent::SelectedPeaks, formats::PeakClipboardContent::FullPeakList,
          formats::PeakClipboardContent::SelectedPeaksIdent,
          formats::PeakClipboardContent::FullPeakListIdent})
        formats::PeakListClipboardText(registry.MainScan(), content, separator);

    // The full peak list without descriptions reads back, peak by peak.
    const TDataSet& main = registry.MainScan();
    TDataSet back;
    std::string title;
    formats::ReadPeakListText(formats::PeakListClipboardText(
                                  main, formats::PeakClipboardContent::FullPeakList, separator),
                              back, true, title, separator);
    // Peaks that differ by less than the four decimals may come back in another order.
    const auto written = [](const TDataSet& scan) {
        std::multiset<std::pair<std::string, bool>> peaks;
        for (const TPeak& p : scan.Peaks.Items)
            peaks.emplace(FormatFixed(p.Position, 4), p.Checked);
        return peaks;
    };
    if (written(back) != written(main)) std::abort();

    // The spectrum file of a grid scan reads back as the same points.
    const std::string spectrum = formats::SpectrumFileText(registry);
    if (grid && main.Points.size() >= 2) {
        ScanRegistry read;
        UnattendedPrompts prompts;
        formats::ReadTwoColumnText(spectrum, "fuzz.txt", true, read, prompts);  // must not throw
        const TDataSet& scan = read.MainScan();
        if (scan.RawPoints.size() != main.Points.size()) std::abort();
        for (size_t i = 0; i < scan.RawPoints.size(); ++i) {
            const double x = main.Points[i].Position;
            if (scan.RawPoints[i].Intensity != main.Points[i].Intensity ||
                std::fabs(scan.RawPoints[i].Position - x) > 1e-9 * std::max(1.0, std::fabs(x)))
                std::abort();
        }
    }
    return 0;
}
