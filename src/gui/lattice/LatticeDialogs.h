#pragma once
// The two small dialogs of the lattice window: the auto scan range ("Auto scan parameters") and
// the manual multiplier ("Assign hkl to selected peak"). Both keep their values between uses.
#include <QDialog>

class QSpinBox;

namespace trevasc {

class FloatEdit;

class AutoScanDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AutoScanDialog(QWidget* parent = nullptr);
    double Start() const;
    double End() const;
    double Step() const;
    FloatEdit* StartEdit() const { return start_; }
    FloatEdit* EndEdit() const { return end_; }
    FloatEdit* StepEdit() const { return step_; }

  private:
    FloatEdit* start_ = nullptr;
    FloatEdit* end_ = nullptr;
    FloatEdit* step_ = nullptr;
};

class HklAssignDialog : public QDialog {
    Q_OBJECT
  public:
    explicit HklAssignDialog(QWidget* parent = nullptr);
    int Multiplier() const;
    void SetMultiplier(int value);
    QSpinBox* MultiplierSpin() const { return spin_; }

  private:
    QSpinBox* spin_ = nullptr;
};

}  // namespace trevasc
