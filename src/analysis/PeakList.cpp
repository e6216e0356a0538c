#include "analysis/PeakList.h"

#include <algorithm>
#include <cmath>

#include "base/NumberText.h"
#include "core/DiffractionGeometry.h"

namespace trevasc::analysis {

namespace {

bool ValidRow(const TDataSet& scan, int row) {
    return row >= 0 && static_cast<size_t>(row) < scan.Peaks.Items.size();
}

}  // namespace

int AddPeakToMainScan(TDataSet& mainScan, double position, const std::string& description,
                      bool checked) {
    return AddPeak(mainScan, position, description, checked);
}

bool DeleteHighlightedPeak(TDataSet& mainScan, int highlightedRow) {
    if (!ValidRow(mainScan, highlightedRow)) return false;
    auto& items = mainScan.Peaks.Items;
    items.erase(items.begin() + highlightedRow);
    mainScan.Peaks.Unsaved = true;
    return true;
}

std::string IdentifyPromptText(double position, char decimalSeparator) {
    return "Please enter a description for the peak at " +
           FormatFixed(position, 3, decimalSeparator) + "°";
}

bool IdentifyPeak(TDataSet& mainScan, int highlightedRow, const std::string& text) {
    if (!ValidRow(mainScan, highlightedRow)) return false;
    mainScan.Peaks.Items[static_cast<size_t>(highlightedRow)].Description = text;
    mainScan.Peaks.Unsaved = true;
    return true;
}

bool IdentifyHighlightedPeak(TDataSet& mainScan, int highlightedRow, Prompts& prompts,
                             char decimalSeparator) {
    if (!ValidRow(mainScan, highlightedRow)) return false;
    const TPeak& peak = mainScan.Peaks.Items[static_cast<size_t>(highlightedRow)];
    const auto answer = prompts.InputQuery(
        kIdentifyCaption, IdentifyPromptText(peak.Position, decimalSeparator), peak.Description);
    // Cancel hands back the current description; the rest of the action runs as for OK.
    const std::string text = answer ? *answer : peak.Description;
    return IdentifyPeak(mainScan, highlightedRow, text);
}

bool SetAllChecks(TDataSet& mainScan, bool checked) {
    bool changed = false;
    for (TPeak& p : mainScan.Peaks.Items) {
        changed = changed || p.Checked != checked;
        p.Checked = checked;
    }
    // Check marks are part of the saved peak list, so changing them is a change of the list.
    if (changed) mainScan.Peaks.Unsaved = true;
    return changed;
}

void AdjustPeakPositions(TDataSet& mainScan, double a0, double k) {
    if (k == 0.0) return;
    auto& items = mainScan.Peaks.Items;
    for (TPeak& p : items) {
        // Nelson-Riley abscissa NR = cos^2(theta)/sin(theta) + cos^2(theta)/theta (theta in rad),
        // the same as the lattice window's plot. The peak moves so that its lattice constant
        // a0 * sin(theta)/sin(theta') equals the fitted line's value at its NR.
        const double s = std::sin(ThetaRadians(p.Position));
        const double a = k * NelsonRileyAbscissa(p.Position) + a0;
        const double moved = TwoThetaFromSinTheta(s * a / a0);
        // A peak at 0°, a0 = 0 or |sin(theta')| > 1 has no adjusted position: it stays where it
        // is, as a failed line of a list calculation is skipped.
        if (!std::isfinite(moved)) continue;
        p.Position = moved;
        if (mainScan.Points.size() >= 2) p.PointIndex = PeakPointIndex(mainScan, moved);
    }
    // Very close peaks could trade places; the list stays sorted by position.
    std::stable_sort(items.begin(), items.end(),
                     [](const TPeak& x, const TPeak& y) { return x.Position < y.Position; });
    mainScan.Peaks.Unsaved = true;
}

void SetPeakDescriptionsByPosition(TDataSet& mainScan, const std::vector<double>& positions,
                                   const std::vector<std::string>& texts) {
    const size_t pairs = std::min(positions.size(), texts.size());
    for (size_t j = 0; j < pairs; ++j)
        for (TPeak& p : mainScan.Peaks.Items)
            if (std::fabs(p.Position - positions[j]) < kDescriptionMatchDistance) {
                p.Description = texts[j];
                mainScan.Peaks.Unsaved = true;
            }
}

TPeakSelection SelectPeakNearPosition(TDataSet& mainScan, double position, int highlightedRow) {
    TPeakSelection result;
    result.HighlightedRow = highlightedRow;
    auto& items = mainScan.Peaks.Items;
    double bestDistance = 1e100;
    int best = -1;
    for (size_t i = 0; i < items.size(); ++i) {
        const double d = std::fabs(items[i].Position - position);
        if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<int>(i);
        }
    }
    if (best < 0) return result;
    if (best == highlightedRow) {
        TPeak& p = items[static_cast<size_t>(best)];
        p.Checked = !p.Checked;
        mainScan.Peaks.Unsaved = true;
        result.Toggled = true;
    } else {
        result.HighlightedRow = best;
    }
    return result;
}

std::vector<std::string> CheckedPeakLines(const TDataSet& mainScan, char decimalSeparator) {
    std::vector<std::string> lines;
    for (const TPeak& p : mainScan.Peaks.Items)
        if (p.Checked) lines.push_back(FormatFixed(p.Position, 3, decimalSeparator));
    return lines;
}

}  // namespace trevasc::analysis
