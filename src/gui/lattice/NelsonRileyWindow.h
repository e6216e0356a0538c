#pragma once
// "Nelson-Riley Plot": the lattice constants of the checked peaks over the Nelson-Riley
// abscissa with the fitted line, drawn by the plot engine; printing and a clipboard copy (SVG
// and PNG). The lattice window fills it.
#include <QMainWindow>
#include <memory>

#include "gui/app/Dialogs.h"
#include "plot/PlotTypes.h"
#include "session/WorkbenchSession.h"

class QAction;
class QMenu;
class QMimeData;
class QPrinter;

namespace trevasc {

inline constexpr const char* kNelsonRileyCaption = "Nelson-Riley Plot";
inline constexpr const char* kNelsonRileyOldCaption = "Nelson-Riley Plot (Old data in use!)";
inline constexpr const char* kNelsonRileyOldMessage =
    "Nelson-Riley plot is not automatically updated with the current peak data and is still "
    "showing old data.";

class NelsonRileyWindow : public QMainWindow {
    Q_OBJECT
  public:
    NelsonRileyWindow(WorkbenchSession& session, Dialogs& dialogs, QWidget* parent = nullptr);
    ~NelsonRileyWindow() override;

    // From the lattice calculation: new data, old mark off, repaint, show.
    void SetData(const plot::TPlotXYDataset& dataset);
    // A fit without plot or fewer than two peaks.
    void HideWindow() { hide(); }
    void MarkOld();
    bool OldData() const { return oldData_; }
    // "&Window" and every other way of bringing it up: the old-data message first when old.
    void ShowWindow();
    const plot::TPlotXYDataset& Dataset() const { return dataset_; }
    QMenu* WindowMenu() const { return windowMenu_; }
    QWidget* PaintBox() const { return paintBox_; }

    // "&Print Nelson-Riley plot" onto a printer that is set up already.
    void PrintPlot(QPrinter& printer) const;
    // "&Copy to clipboard": SVG and PNG of the screen size; null without data.
    std::unique_ptr<QMimeData> CreatePlotMimeData() const;

  signals:
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    friend class NelsonRileyPaintBox;
    void UpdateMenus();
    QPrinter& Printer();

    WorkbenchSession& session_;
    Dialogs& dialogs_;
    plot::TPlotXYDataset dataset_;
    bool oldData_ = false;
    QWidget* paintBox_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
};

}  // namespace trevasc
