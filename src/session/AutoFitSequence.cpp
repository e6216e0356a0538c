#include "session/AutoFitSequence.h"

namespace trevasc {

AutoFitSequence::AutoFitSequence(WorkbenchSession& session) : session_(session) {
    const TDataSet& scan = session.Scans().MainScan();
    if (scan.Points.empty()) return;
    for (int i = 0; i < scan.Peaks.Count(); ++i)
        if (scan.Peaks.Items[static_cast<size_t>(i)].Checked) rows_.push_back(i);
}

std::optional<AutoFitJob> AutoFitSequence::Next() {
    const TDataSet& scan = session_.Scans().MainScan();
    while (next_ < rows_.size()) {
        const int row = rows_[next_++];
        // The list may have changed under a waiting window; a row that is gone is skipped.
        if (row < 0 || row >= scan.Peaks.Count() || scan.Points.empty()) continue;
        const TPeak& peak = scan.Peaks.Items[static_cast<size_t>(row)];
        current_ = row;
        AutoFitJob job{
            row, peak.Position, tools::FindAutoFitEdges(scan.Points, peak.PointIndex), {}};
        std::vector<double> positions;
        positions.reserve(scan.Peaks.Items.size());
        for (const TPeak& p : scan.Peaks.Items) positions.push_back(p.Position);
        job.Centre = tools::AutoFitCentreInterval(positions, peak.Position, job.Edges);
        return job;
    }
    current_ = -1;
    return std::nullopt;
}

void AutoFitSequence::Finish(double position) {
    const int row = current_;
    current_ = -1;
    if (row < 0 || !(position >= 0.0)) return;
    const int moved = session_.Peaks().UpdateFitted(row, position, true);
    if (moved < 0 || moved == row) return;
    // The peak went to its sorted place: the rows between its old and new place shifted by one.
    for (size_t i = next_; i < rows_.size(); ++i) {
        int& r = rows_[i];
        if (moved > row && r > row && r <= moved)
            --r;
        else if (moved < row && r >= moved && r < row)
            ++r;
    }
}

void AutoFitSequence::Complete() {
    session_.Peaks().FinishFits();
}

}  // namespace trevasc
