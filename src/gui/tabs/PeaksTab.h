#pragma once
// The tab "Peaks/Reflections": the main scan's peak list with its check marks, and the buttons
// that delete, add, identify, check and uncheck peaks. The list is a view of the session's peak
// list: every row and check mark is redrawn from the model, and every click goes to the session.
#include <QWidget>

#include "session/WorkbenchSession.h"

class QCheckBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;

namespace trevasc {

class PeaksTab : public QWidget, private PeakListObserver {
    Q_OBJECT
  public:
    PeaksTab(WorkbenchSession& session, QWidget* parent = nullptr);
    ~PeaksTab() override;

    QListWidget* PeakList() const { return peakList_; }

  signals:
    // "Profile fit of checked peaks in view".
    void profileFitClicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // PeakListObserver
    void PeakListReset() override;
    void PeakRowChanged(int row) override;
    void HighlightChanged(int row) override;

    void BuildControls();
    void ItemChanged(QListWidgetItem* item);
    void RowClicked(int row);

    WorkbenchSession& session_;
    QListWidget* peakList_ = nullptr;       // CheckListBox1
    QPushButton* delete_ = nullptr;         // Button3
    QPushButton* addManually_ = nullptr;    // Button4
    QPushButton* identify_ = nullptr;       // Button2
    QPushButton* checkAll_ = nullptr;       // Button9
    QPushButton* uncheckAll_ = nullptr;     // Button10
    QPushButton* lattice_ = nullptr;        // Button8
    QPushButton* thickness_ = nullptr;      // Button15
    QPushButton* profileFit_ = nullptr;     // ButtonProfileFit
    QCheckBox* peaksOfAllPlots_ = nullptr;  // CheckBox14
    bool filling_ = false;                  // the view is being redrawn from the model
};

}  // namespace trevasc
