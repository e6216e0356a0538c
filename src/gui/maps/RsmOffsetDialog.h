#pragma once
// "Set Offsets for Reciprocal Space Mapping": the Omega and 2Theta offsets of a reciprocal space
// map from a peak clicked in the measured map and the angles where that peak is expected; the
// expected angles may come from the lattice parameters, the reflex and the substrate
// orientation. The dialog lives as long as the program, so "Expected Omega" keeps its value
// from one use to the next.
#include <QDialog>

#include "session/WorkbenchSession.h"
#include "tools/maps/MapBuilder.h"

class QCheckBox;
class QLabel;
class QSpinBox;

namespace trevasc {

class FloatEdit;

inline constexpr const char* kRsmOffsetCaption = "Set Offsets for Reciprocal Space Mapping";

class RsmOffsetDialog : public QDialog {
    Q_OBJECT
  public:
    explicit RsmOffsetDialog(WorkbenchSession& session, QWidget* parent = nullptr);

    // Prepares the dialog for a click into the measured map: the peak positions are shown and
    // the expected 2Theta starts at the clicked one (a 2Theta offset of 0).
    void SetPeak(const tools::OffsetsDialogInput& peak);
    // The offsets as shown.
    tools::RsmOffsets Offsets() const;
    // "Calculate 2Theta/Offset": the expected angles of the reflex, or its message.
    void CalculateClick();

  private:
    void Recalculate();

    WorkbenchSession& session_;
    tools::OffsetsDialogInput peak_;
    QLabel* twoThetaLabel_ = nullptr;
    QLabel* omegaLabel_ = nullptr;
    QLabel* deltaOmegaLabel_ = nullptr;
    FloatEdit* expectedTwoTheta_ = nullptr;
    FloatEdit* expectedOmega_ = nullptr;
    FloatEdit* omegaOffset_ = nullptr;
    FloatEdit* twoThetaOffset_ = nullptr;
    FloatEdit* latticeA_ = nullptr;
    FloatEdit* latticeB_ = nullptr;
    FloatEdit* latticeC_ = nullptr;
    QSpinBox* reflex_[3] = {};
    QSpinBox* orientation_[3] = {};
    QCheckBox* rotatePhi_ = nullptr;
};

}  // namespace trevasc
