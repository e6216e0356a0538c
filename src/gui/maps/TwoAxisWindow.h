#pragma once
// "2 Axis Plot": the open scans as a colour map, either as measured (2Theta against the second
// axis) or in reciprocal space. The map is drawn off screen into a picture of the drawing area's
// size; the status bar reads positions under the pointer, a click into the measured map asks
// for the offsets dialog, and the map goes to the clipboard (bitmap, text) and to gnuplot.
#include <QImage>
#include <QMainWindow>
#include <QPointer>
#include <QSize>
#include <QString>
#include <functional>
#include <optional>

#include "gui/widgets/PaintBoxWidget.h"
#include "plot/PlotTypes.h"
#include "plot/TwoDPlot.h"
#include "qtcanvas/MapImageExport.h"
#include "session/WorkbenchSession.h"
#include "tools/gnuplot/GnuplotExport.h"
#include "tools/maps/MapBuilder.h"

class QAction;
class QActionGroup;
class QMenu;
class QPainter;
class QTimer;

namespace trevasc {

inline constexpr const char* kTwoAxisCaption = "2 Axis Plot";

class TwoAxisWindow : public QMainWindow, private PlotViewObserver, private PaintBoxHandler {
    Q_OBJECT
  public:
    // Re-render this long after the last resize.
    static constexpr int kResizeDelayMs = 1000;
    // "Copy as &Bitmap": font "Arial" 36 pt (the size: MapBitmapSize).
    static constexpr int kBitmapFontSize = 36;
    static constexpr int kScreenFontSize = 12;

    // `mainWindow` is disabled while a map is built and drawn.
    TwoAxisWindow(WorkbenchSession& session, QWidget* mainWindow, QWidget* parent = nullptr);
    ~TwoAxisWindow() override;

    // Where gnuplot and its script template are found: the program is asked for at every
    // export (the user may change it in the main window's options meanwhile).
    void SetGnuplotProgram(std::function<QString()> program) {
        gnuplotProgram_ = std::move(program);
    }
    void SetGnuplotTemplate(const QString& templateFile) { templateFile_ = templateFile; }

    // "&2-Axis Plot" and "&Reciprocal Space Map" of every Window menu.
    void ShowTwoAxisPlot();
    void ShowReciprocalSpaceMap();
    // "Flip &X axis" of the Scale menu.
    void FlipXAxis();
    // Builds the map of the open scans in the session's map mode and draws it into the
    // picture. Hides the window for a scan kind that forms no map and for scans without a
    // second axis (telling the user why). True when a map was built.
    bool RenderMap();
    // The Scale menu's three entries.
    void SetScaleMode(plot::TMapScale scale);
    plot::TMapScale ScaleMode() const { return scale_; }

    // "&Copy as Bitmap" and "Copy as &Text".
    void CopyAsBitmap();
    void CopyAsText();
    // The four export entries of the "&Gnuplot" menu.
    void ExportGnuplot(tools::GnuplotKind kind);

    const QImage& Picture() const { return picture_; }
    const plot::TPlotArea& Area() const { return area_; }
    bool ClickOpensOffsets() const { return clickOpensOffsets_; }
    bool ReciprocalReadout() const { return reciprocalReadout_; }
    QWidget* PaintBox() const;
    QTimer* ResizeTimer() const { return resizeTimer_; }
    QMenu* WindowMenu() const { return windowMenu_; }

  signals:
    // A click into the measured map: the 2Theta and second-axis value under the pointer.
    void offsetsRequested(double twoTheta, double secondAxis);
    // Emitted before the window hides on close, so that window positions can be saved.
    void windowClosing();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    class BusyScope;

    // PlotViewObserver: the open scans changed.
    void TwoAxisRefresh() override;

    void CreateMenus();
    // RenderMap; `report` false draws without messages (a redraw nobody asked for).
    bool Render(bool report);
    void ShowMap(tools::MapMode mode);
    void ShowOrRepaint();
    bool ConfirmWithoutOffsets();
    // The map as a picture, with the progress dialog's Cancel; nothing when cancelled.
    std::optional<QImage> DrawMap(QSize size, const MapImageStyle& style,
                                  const plot::T2dPlotDataset& dataset, plot::TPlotArea& area);
    // Builds the map in the session's mode while the main window is disabled and hands it to
    // `use`; errors are shown. True when the map was built.
    bool WithBuiltMap(const std::function<void(const tools::MapBuild&)>& use, bool report = true);
    // The window's own picture: button face, "Arial" in the screen size.
    MapImageStyle ScreenStyle() const;

    void PaintChart(QPainter& painter) override;
    void ChartMouseMove(int px, int py) override;
    void ChartMouseDown(Qt::MouseButton button, int px, int py) override;
    void ChartMouseLeave() override;
    void ResizeTimerFired();

    WorkbenchSession& session_;
    QPointer<QWidget> mainWindow_;
    std::function<QString()> gnuplotProgram_;
    QString templateFile_;

    QImage picture_;
    plot::TPlotArea area_;
    plot::TMapScale scale_ = plot::TMapScale::Color;
    bool clickOpensOffsets_ = false;
    bool reciprocalReadout_ = false;
    bool busy_ = false;     // a map is being built or drawn (the progress dialog runs events)
    QSize lastRenderSize_;  // the drawing area the timer last rendered for

    PaintBoxWidget* paintBox_ = nullptr;
    QTimer* resizeTimer_ = nullptr;
    QActionGroup* scaleGroup_ = nullptr;
    QAction* contourAction_ = nullptr;
    QMenu* windowMenu_ = nullptr;
};

}  // namespace trevasc
