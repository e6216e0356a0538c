#pragma once
// The XRD Plot window: draws the main scan with its overlays and markers, zooms the x axis with
// two left clicks, unzooms with a right click, selects peaks by clicking their marker lines,
// places new peaks in add mode, and prints, copies and exports the chart.
#include <QImage>
#include <QMainWindow>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "plot/PlotTypes.h"

class QAction;
class QMenu;
class QMimeData;
class QPainter;
class QPrinter;

namespace trevasc {

class PngSizeDialog;
class PlotPaintBox;

class PlotWindow : public QMainWindow {
    Q_OBJECT
  public:
    // x of the first zoom click while none is pending; any anchor >= kZoomPendingLimit is pending.
    static constexpr double kNoZoomClick = -1e10;
    static constexpr double kZoomPendingLimit = -1e9;
    // Wavelength of the default X-ray line (Cu K-alpha1, 8048.88018 eV), in Angstrom.
    static constexpr double kDefaultWavelength = 1.54056;

    explicit PlotWindow(QWidget* parent = nullptr);
    ~PlotWindow() override;

    // The record the main window's plot refresh fills.
    plot::TPlotDataset& Dataset() { return dataset_; }
    const plot::TPlotDataset& Dataset() const { return dataset_; }
    // Mapping of the last screen paint.
    const plot::TPlotArea& Area() const { return area_; }
    double ViewXMin() const { return dataset_.ViewXMin; }
    double ViewXMax() const { return dataset_.ViewXMax; }

    // Drops a pending zoom click and repaints.
    void RepaintPlot();
    // Full range, add mode off, no pending click; emits viewRangeChanged and repaints.
    void ResetZoom();
    // The "Apply" of the main window's plot range: [from, to], swapped when to < from, one
    // degree wide when both are equal.
    void SetViewRange(double from, double to);
    // Add mode: the next left click asks for a peak at the clicked position (cross cursor).
    void SetAddMode(bool on);
    bool AddMode() const { return addMode_; }
    bool ZoomPending() const { return zoomAnchor_ >= kZoomPendingLimit; }
    double ZoomAnchor() const { return zoomAnchor_; }

    // Print job title "XRD plot of file " + name.
    void SetLoadedFileName(const QString& name) { loadedFileName_ = name; }
    // Wavelength for the d-spacing of 2Theta scans in the status bar.
    void SetWavelength(double angstrom) { wavelength_ = angstrom; }
    double Wavelength() const { return wavelength_; }
    // Enables a "&Window" item (by its menu text); the items of windows that the program does
    // not offer stay disabled.
    void SetWindowItemEnabled(const QString& which, bool enabled);

    QWidget* PaintBox();
    PngSizeDialog* PngSize() { return pngSizeDialog_; }
    QPrinter& Printer();

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

    // Dialogs, replaceable so that tests can answer them. Empty functions use the Qt dialogs.
    std::function<bool(QPrinter&)> PrintDialogHook;   // true = print
    std::function<bool(PngSizeDialog&)> PngSizeHook;  // true = OK
    std::function<QString()> SaveFileNameHook;        // empty = cancelled
    std::function<void(const QString&)> ErrorHook;    // error box

  signals:
    void addPeakRequested(double x);
    void peakMarkerClicked(double x);
    void viewRangeChanged(double from, double to);
    // The text of the "&Window" item ("&Trevasc", "Plot &Color Legend", ...).
    void showWindowRequested(const QString& which);
    void filesDropped(const QStringList& files);
    // Emitted before the window hides on close, so that window positions can be saved.
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    friend class PlotPaintBox;

    void PaintBox1Paint(QPainter& painter);
    void PaintBox1MouseDown(Qt::MouseButton button, int px, int py);
    void PaintBox1MouseMove(int px, int py);
    void PaintBox1MouseLeave();

    double WorldX(int px, int py) const;
    void SetPaintBoxCursor(Qt::CursorShape shape);
    void UpdateStatus(int px, int py);
    void UpdateMenuState();
    void ShowError(const QString& text);
    void CreateMenus();

    plot::TPlotDataset dataset_;
    plot::TPlotArea area_;
    bool logDrawn_ = false;  // the last screen paint drew the main axis logarithmic
    double zoomAnchor_ = kNoZoomClick;
    bool addMode_ = false;
    QString loadedFileName_;
    double wavelength_ = kDefaultWavelength;

    PlotPaintBox* paintBox_ = nullptr;
    PngSizeDialog* pngSizeDialog_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    QAction* saveAsPngAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* printerSetupAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QMap<QString, QAction*> windowActions_;
};

}  // namespace trevasc
