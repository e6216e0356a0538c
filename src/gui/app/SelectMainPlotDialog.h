#pragma once
// "Select Main Plot": the choice of the main scan when too many scans are open for the Plot menu.
#include <QDialog>
#include <string>
#include <vector>

#include "session/WorkbenchSession.h"

class QListWidget;

namespace trevasc {

class SelectMainPlotDialog : public QDialog {
    Q_OBJECT
  public:
    explicit SelectMainPlotDialog(QWidget* parent = nullptr);

    // Fills the list (main scan first) and selects the first row.
    void SetEntries(const std::vector<ScanMenuEntry>& entries);
    bool IsEmpty() const { return entries_.empty(); }
    // Number of the selected entry (0 = main scan), -1 without a selection.
    int SelectedNumber() const;
    // Shows the dialog; the chosen scan number after OK, -1 otherwise.
    int Choose();

    QListWidget* List() const { return list_; }

  private:
    QListWidget* list_;
    std::vector<ScanMenuEntry> entries_;
};

}  // namespace trevasc
