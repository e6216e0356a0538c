#pragma once
// The XRD Plot window: draws the main scan with its overlays and markers, zooms the x axis with
// two left clicks, unzooms with a right click, selects peaks by clicking their marker lines,
// places new peaks in add mode, and prints, copies and exports the chart.
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <memory>

#include "gui/widgets/PaintBoxWidget.h"
#include "plot/PlotTypes.h"
#include "plot/ScanAxis.h"
#include "session/WorkbenchSession.h"

class QAction;
class QActionGroup;
class QMenu;
class QMimeData;
class QPainter;
class QPrinter;

namespace trevasc {

class Dialogs;

class PlotWindow : public QMainWindow,
                   private PlotViewObserver,
                   private PeakListObserver,
                   private SettingsObserver,
                   private PaintBoxHandler {
    Q_OBJECT
  public:
    // x of the first zoom click while none is pending; any anchor >= kZoomPendingLimit is pending.
    static constexpr double kNoZoomClick = -1e10;
    static constexpr double kZoomPendingLimit = -1e9;
    // The status bar text while "Add manually" waits for a click.
    static constexpr const char* kAddModeMessage = "Click into the plot to add a peak";

    // Draws what `session` holds and forwards clicks to it; dialogs go through `dialogs`.
    PlotWindow(WorkbenchSession& session, Dialogs& dialogs, QWidget* parent = nullptr);
    ~PlotWindow() override;

    // The record the plot refresh fills from the session.
    plot::TPlotDataset& Dataset() { return dataset_; }
    const plot::TPlotDataset& Dataset() const { return dataset_; }
    // Mapping of the last screen paint.
    const plot::TPlotArea& Area() const { return area_; }
    double ViewXMin() const { return dataset_.ViewXMin; }
    double ViewXMax() const { return dataset_.ViewXMax; }

    // Drops a pending zoom click and repaints.
    void RepaintPlot();
    // Full range, add mode off, no pending click (a right click).
    void ResetZoom();
    bool ZoomPending() const { return zoomAnchor_ >= kZoomPendingLimit; }
    double ZoomAnchor() const { return zoomAnchor_; }

    // "&View": the unit of the x axis (2Theta scans with a wavelength only; otherwise the plot
    // stays in 2Theta). Ticks, readout, zoom, markers and the spectrum export follow it.
    void SetXAxis(plot::TScanAxis axis);
    // The mapping the plot draws with now.
    plot::ScanAxisMapping AxisMapping() const;
    QAction* AxisAction(plot::TScanAxis axis) const;

    // The "&Window" menu, filled by the window registry.
    QMenu* WindowMenu() const { return windowMenu_; }
    QWidget* PaintBox();
    QPrinter& Printer();
    // The size last chosen for "Save as PNG" (offered again next time).
    int PngWidth() const { return pngWidth_; }
    int PngHeight() const { return pngHeight_; }

    // The chart as a width x height image on white, drawn as for export ("Arial" 14 pt, a margin
    // of the width of "M"). Throws TrevascError when the image cannot be allocated.
    QImage RenderPlotImage(int width, int height) const;
    // Writes an image made by RenderPlotImage as PNG (truecolour, white transparent).
    // Throws TrevascError when the file cannot be written.
    static void WritePlotPng(const QImage& image, const QString& fileName);
    // Prints the chart on a printer that is already set up (job title, landscape, page).
    void PrintPlot(QPrinter& printer) const;
    // Clipboard contents of "Copy to clipboard": SVG of the primary screen's size and a PNG.
    std::unique_ptr<QMimeData> CreatePlotMimeData() const;

    // The menu commands.
    void SaveAsPngClick();
    void PrintClick();
    void PrinterSetupClick();
    void CopyToClipboardClick();

  signals:
    void filesDropped(const QStringList& files);
    // Emitted before the window hides on close, so that window positions can be saved.
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    // PlotViewObserver, PeakListObserver, SettingsObserver
    void PlotRefresh() override;
    void ViewRangeChanged(double from, double to) override;
    void AddModeChanged(bool on) override;
    void CurrentWavelengthChanged(double angstrom) override;
    void DisplaySettingsChanged() override;

    void PaintChart(QPainter& painter) override;
    void ChartMouseDown(Qt::MouseButton button, int px, int py) override;
    void ChartMouseMove(int px, int py) override;
    void ChartMouseLeave() override;

    // The axis value under a pixel, and the 2Theta the session works in (NaN off the axis).
    double WorldX(int px, int py) const;
    double WorldTwoTheta(int px, int py) const;
    void UpdateAxisMenu();
    void SetPaintBoxCursor(Qt::CursorShape shape);
    void UpdateStatus(int px, int py);
    void UpdateMenuState();
    void ShowError(const std::string& text);
    void CreateMenus();

    WorkbenchSession& session_;
    Dialogs& dialogs_;
    plot::TPlotDataset dataset_;
    plot::TPlotArea area_;
    double zoomAnchor_ = kNoZoomClick;
    int pngWidth_ = 1000, pngHeight_ = 750;

    PaintBoxWidget* paintBox_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    QAction* saveAsPngAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* printerSetupAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QMenu* windowMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QActionGroup* axisGroup_ = nullptr;
    bool refreshing_ = false;  // inside PlotRefresh: the view range is converted with the record
};

}  // namespace trevasc
