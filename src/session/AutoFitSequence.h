#pragma once
// "Auto Gauss checked" / "Auto Lorentz checked" without the window: the checked peaks of the
// main scan in list order, the fit range around each, the interval its centre is confined to,
// and the update of every accepted one. The main window shows each job in the fit window and
// waits for Accept or Cancel; the batch tool fits and accepts.
#include <optional>
#include <vector>

#include "session/WorkbenchSession.h"
#include "tools/fitting/PeakFit.h"

namespace trevasc {

struct AutoFitJob {
    int Row = 0;            // the peak's row in the list now
    double Position = 0.0;  // its position before the fit
    tools::AutoFitEdges Edges;
    // Halfway to the neighbouring peaks of the list, so that a weak peak cannot be fitted onto
    // a strong neighbour.
    tools::CentreInterval Centre;
};

class AutoFitSequence {
  public:
    // Takes the rows checked now; a main scan without points has nothing to fit.
    explicit AutoFitSequence(WorkbenchSession& session);

    int Total() const { return static_cast<int>(rows_.size()); }
    int Done() const { return static_cast<int>(next_); }
    // The next checked peak, or nothing after the last.
    std::optional<AutoFitJob> Next();
    // The outcome of the job handed out last: a position >= 0 (accepted) becomes the peak's
    // position and clears its check mark; anything else leaves the peak unchanged.
    void Finish(double position);
    // After the last peak: the list is marked unsaved and the plot redrawn.
    void Complete();

  private:
    WorkbenchSession& session_;
    std::vector<int> rows_;  // rows still to fit follow rows_[next_ - 1], adjusted as peaks move
    size_t next_ = 0;
    int current_ = -1;
};

}  // namespace trevasc
