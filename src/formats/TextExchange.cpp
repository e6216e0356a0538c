#include "formats/TextExchange.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/DoubleList.h"
#include "base/NumberText.h"
#include "base/PathText.h"

namespace trevasc::formats {

std::string AxisHeading(TScanKind kind) {
    // A common-Omega area scan has a second axis per line; a single heading would mislead.
    if (kind == TScanKind::TwoThetaCommonOmega) return std::string();
    return AxisLabel(kind);
}

namespace {

void AppendSpectrumHeader(std::string& out, TScanKind kind, const SpectrumPositionColumn* column) {
    if (kind == TScanKind::TwoThetaCommonOmega) return;
    out += column ? column->Heading : AxisHeading(kind);
    out += "\tCounts";
    out += kLineEnd;
}

template <typename FormatPosition>
std::string SpectrumText(const ScanRegistry& registry, const SpectrumPositionColumn* column,
                         FormatPosition formatPosition) {
    const TDataSet& scan = registry.MainScan();
    std::string out;
    out.reserve(scan.Points.size() * 32 + 32);
    AppendSpectrumHeader(out, registry.OpenScanKind, column);
    for (const TDataPoint& p : scan.Points) {
        const double position = column ? column->Convert(p.Position) : p.Position;
        if (column && !std::isfinite(position)) continue;
        out += formatPosition(position);
        out += '\t';
        out += std::to_string(p.Intensity);
        out += kLineEnd;
    }
    return out;
}

// The all-spectra table, handed to `write` in pieces of about a megabyte. The table has a row
// for every distinct position and a column for every scan: when the scans share no positions
// it grows with the square of the scans, so it is never held whole here; what is held is the
// list of rows, one double per distinct position.
void WriteAllSpectraText(const ScanRegistry& registry, int digits, char decimalSeparator,
                         const ContentWriter& write) {
    const TDataSet& mainScan = registry.MainScan();
    if (mainScan.Count() == 0 || mainScan.Points.empty()) return;

    std::vector<const TDataSet*> scans{&mainScan};
    for (int i = 0; i < registry.AdditionalCount(); ++i) scans.push_back(&registry.Additional(i));

    std::string out = AxisHeading(registry.OpenScanKind);
    size_t total = 0;
    for (const TDataSet* s : scans) {
        out += "\tCounts(";
        out += s->Name;
        out += ')';
        total += s->Points.size();
    }
    out += kLineEnd;

    // Every distinct position of every scan, ascending; exact equality decides, so positions
    // that differ in the last bit give separate rows.
    TDoubleList rows;
    {
        std::vector<double> positions;
        positions.reserve(total);
        for (const TDataSet* s : scans)
            for (const TDataPoint& p : s->Points) positions.push_back(p.Position);
        rows.AddRange(positions);
    }

    // One cursor per scan: a scan contributes its next point only when that point sits exactly
    // on the row, so the points of a scan are consumed in their stored order.
    constexpr size_t kPiece = size_t{1} << 20;
    std::vector<size_t> cursor(scans.size(), 0);
    out.reserve(kPiece + 64 + 16 * scans.size());
    for (int r = 0; r < rows.Count(); ++r) {
        const double x = rows.Get(r);
        out += FormatGeneral(x, digits, decimalSeparator);
        for (size_t k = 0; k < scans.size(); ++k) {
            const TDataPointArray& pts = scans[k]->Points;
            out += '\t';
            if (cursor[k] < pts.size() && pts[cursor[k]].Position == x) {
                out += std::to_string(pts[cursor[k]].Intensity);
                ++cursor[k];
            } else {
                out += ' ';
            }
        }
        out += kLineEnd;
        if (out.size() >= kPiece) {
            write(out);
            out.clear();
        }
    }
    write(out);
}

std::string AllSpectraText(const ScanRegistry& registry, int digits, char decimalSeparator) {
    std::string text;
    WriteAllSpectraText(registry, digits, decimalSeparator,
                        [&text](std::string_view piece) { text += piece; });
    return text;
}

void AppendPeakLine(std::string& out, const TPeak& peak, bool withIdent, char decimalSeparator) {
    out += FormatFixed(peak.Position, 4, decimalSeparator);
    if (withIdent) {
        out += '\t';
        out += peak.Description;
    }
    out += kLineEnd;
}

}  // namespace

std::string SpectrumFileText(const ScanRegistry& registry, const SpectrumPositionColumn* column) {
    return SpectrumText(registry, column, [](double x) { return FormatSci23(x); });
}

std::string ColumnsFileText(const std::string& xHeading, const std::vector<double>& x,
                            const std::vector<double>& y) {
    std::string out = xHeading + "\tCounts";
    out += kLineEnd;
    const size_t n = std::min(x.size(), y.size());
    out.reserve(out.size() + n * 40);
    for (size_t i = 0; i < n; ++i) {
        out += FormatShortest(x[i]);
        out += '\t';
        out += FormatShortest(y[i]);
        out += kLineEnd;
    }
    return out;
}

std::string SpectrumClipboardText(const ScanRegistry& registry, char decimalSeparator,
                                  const SpectrumPositionColumn* column) {
    return SpectrumText(registry, column, [decimalSeparator](double x) {
        return FormatGeneral(x, 15, decimalSeparator);
    });
}

std::string AllSpectraFileText(const ScanRegistry& registry, char decimalSeparator) {
    return AllSpectraText(registry, 8, decimalSeparator);
}

void WriteAllSpectraFile(const ScanRegistry& registry, char decimalSeparator,
                         const ContentWriter& write) {
    WriteAllSpectraText(registry, 8, decimalSeparator, write);
}

std::string AllSpectraClipboardText(const ScanRegistry& registry, char decimalSeparator) {
    return AllSpectraText(registry, 15, decimalSeparator);
}

std::string PeakListClipboardText(const TDataSet& scan, PeakClipboardContent content,
                                  char decimalSeparator) {
    const bool withIdent = content == PeakClipboardContent::SelectedPeaksIdent ||
                           content == PeakClipboardContent::FullPeakListIdent;
    const bool full = content == PeakClipboardContent::FullPeakList ||
                      content == PeakClipboardContent::FullPeakListIdent;
    std::string out;
    for (const TPeak& p : scan.Peaks.Items)
        if (p.Checked) AppendPeakLine(out, p, withIdent, decimalSeparator);
    if (full) {
        out += kLineEnd;
        for (const TPeak& p : scan.Peaks.Items)
            if (!p.Checked) AppendPeakLine(out, p, withIdent, decimalSeparator);
    }
    return out;
}

std::string PeakRowText(const TPeak& peak, char decimalSeparator) {
    std::string row = FormatFixed(peak.Position, 3, decimalSeparator);
    if (!peak.Description.empty()) {
        row += ": ";
        row += peak.Description;
    }
    return row;
}

std::string SpectrumFileNameFor(std::string_view loadedFileName) {
    return RemoveExtension(loadedFileName) + "_Spec.txt";
}

}  // namespace trevasc::formats
