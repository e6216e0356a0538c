#include "gui/plot/PlotWindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QScreen>
#include <QStatusBar>
#include <QSvgGenerator>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "base/Error.h"
#include "core/DiffractionGeometry.h"
#include "gui/app/Dialogs.h"
#include "gui/plot/ClipboardPicture.h"
#include "gui/widgets/PaintBoxWidget.h"
#include "plot/PlotMapping.h"
#include "plot/XrdPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

namespace {

constexpr const char* kPlotFontName = "Arial";
constexpr int kScreenFontSize = 12;  // the paint box font
constexpr int kExportFontSize = 14;  // printing
constexpr int kPrintMeasureFontSize = 20;

QString FormatCounts(double counts) {
    if (std::fabs(counts) >= 1.0) return QString::number(std::llround(counts));
    return QString::number(counts, 'g', 3);
}

}  // namespace

PlotWindow::PlotWindow(WorkbenchSession& session, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(dialogs) {
    setObjectName(QStringLiteral("PlotWindow"));
    setWindowTitle(QStringLiteral("XRD Plot"));
    setAcceptDrops(true);

    // The paint box: the whole client area of the window.
    paintBox_ = new PaintBoxWidget(this, *this);
    paintBox_->setToolTip(
        QStringLiteral("XRD data plot. Left click twice to zoom. Right click to unzoom."));
    setCentralWidget(paintBox_);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    CreateMenus();
    UpdateMenuState();
    resize(800, 600);
    session_.View().AddObserver(this);
    session_.Peaks().AddObserver(this);
    session_.Settings().AddObserver(this);
}

PlotWindow::~PlotWindow() {
    session_.View().RemoveObserver(this);
    session_.Peaks().RemoveObserver(this);
    session_.Settings().RemoveObserver(this);
}

void PlotWindow::CreateMenus() {
    QMenu* fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    saveAsPngAction_ = fileMenu->addAction(QStringLiteral("&Save as PNG..."));
    saveAsPngAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(saveAsPngAction_, &QAction::triggered, this, [this] { SaveAsPngClick(); });

    QMenu* printMenu = menuBar()->addMenu(QStringLiteral("&Print"));
    printAction_ = printMenu->addAction(QStringLiteral("&Print plot as displayed"));
    printAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    connect(printAction_, &QAction::triggered, this, [this] { PrintClick(); });
    printerSetupAction_ = printMenu->addAction(QStringLiteral("Printer &setup..."));
    connect(printerSetupAction_, &QAction::triggered, this, [this] { PrinterSetupClick(); });

    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    copyAction_ = editMenu->addAction(QStringLiteral("&Copy to clipboard"));
    copyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copyAction_, &QAction::triggered, this, [this] { CopyToClipboardClick(); });

    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    axisGroup_ = new QActionGroup(this);
    axisGroup_->setExclusive(true);
    for (auto [axis, name] : {std::pair{plot::TScanAxis::TwoTheta, "ActionAxisTwoTheta"},
                              std::pair{plot::TScanAxis::Spacing, "ActionAxisSpacing"},
                              std::pair{plot::TScanAxis::ScatteringVector, "ActionAxisQ"}}) {
        QAction* action = viewMenu_->addAction(QString::fromUtf8(plot::ScanAxisCaption(axis)));
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setData(static_cast<int>(axis));
        axisGroup_->addAction(action);
        connect(action, &QAction::triggered, this, [this, axis] { SetXAxis(axis); });
    }
    connect(viewMenu_, &QMenu::aboutToShow, this, [this] { UpdateAxisMenu(); });
    UpdateAxisMenu();

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));

    for (QMenu* menu : {fileMenu, printMenu, editMenu})
        connect(menu, &QMenu::aboutToShow, this, [this] { UpdateMenuState(); });
}

QWidget* PlotWindow::PaintBox() {
    return paintBox_;
}

QPrinter& PlotWindow::Printer() {
    // Created on first use: setting up a printer asks the print system for its devices.
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void PlotWindow::UpdateMenuState() {
    // The shortcuts follow the actions, so the state is also kept current on every repaint
    // rather than only when a menu opens.
    printAction_->setEnabled(dataset_.Count() != 0);
    copyAction_->setEnabled(dataset_.Count() >= 1);
}

QAction* PlotWindow::AxisAction(plot::TScanAxis axis) const {
    for (QAction* action : axisGroup_->actions())
        if (action->data().toInt() == static_cast<int>(axis)) return action;
    return nullptr;
}

plot::ScanAxisMapping PlotWindow::AxisMapping() const {
    return plot::PlotAxisMapping(session_.Settings().Display().XAxis,
                                 session_.Scans().Registry().OpenScanKind,
                                 session_.Settings().CurrentWavelength());
}

void PlotWindow::UpdateAxisMenu() {
    // d and Q need a 2Theta scan and a wavelength; the chosen entry stays checked either way.
    const bool convertible = session_.Scans().Registry().OpenScanKind == TScanKind::TwoTheta &&
                             session_.Settings().CurrentWavelength() > 0.0;
    for (QAction* action : axisGroup_->actions()) {
        const auto axis = static_cast<plot::TScanAxis>(action->data().toInt());
        action->setChecked(axis == session_.Settings().Display().XAxis);
        action->setEnabled(axis == plot::TScanAxis::TwoTheta || convertible);
    }
}

void PlotWindow::SetXAxis(plot::TScanAxis axis) {
    if (axis == session_.Settings().Display().XAxis) {
        UpdateAxisMenu();
        return;
    }
    plot::XrdPlotSettings settings = session_.Settings().Display();
    settings.XAxis = axis;
    // The zoom stays: the session keeps it in 2Theta.
    session_.Settings().SetDisplay(settings);
    UpdateAxisMenu();
}

void PlotWindow::RepaintPlot() {
    zoomAnchor_ = kNoZoomClick;
    UpdateMenuState();
    paintBox_->update();
}

void PlotWindow::ResetZoom() {
    session_.Peaks().SetAddMode(false);
    zoomAnchor_ = kNoZoomClick;
    session_.View().ResetRange();
}

void PlotWindow::PlotRefresh() {
    refreshing_ = true;
    const bool built = session_.View().BuildPlotDataset(dataset_);
    refreshing_ = false;
    if (!built) return;
    plot::ConvertPlotDataset(dataset_, AxisMapping());
    UpdateAxisMenu();
    if (isHidden()) show();
    RepaintPlot();
}

void PlotWindow::ViewRangeChanged(double from, double to) {
    if (refreshing_) return;  // the refresh converts the whole record afterwards
    plot::ConvertViewRange(dataset_, from, to, AxisMapping());
    RepaintPlot();
}

void PlotWindow::CurrentWavelengthChanged(double) {
    // d and Q are drawn with the lattice window's wavelength.
    if (session_.Settings().Display().XAxis != plot::TScanAxis::TwoTheta &&
        session_.Scans().HasMainScan())
        PlotRefresh();
    else
        UpdateAxisMenu();
}

void PlotWindow::DisplaySettingsChanged() {
    UpdateAxisMenu();
}

void PlotWindow::AddModeChanged(bool on) {
    // The cross over the plot and the status bar say that the next click adds a peak.
    SetPaintBoxCursor(on ? Qt::CrossCursor : Qt::ArrowCursor);
    if (on)
        statusBar()->showMessage(QString::fromUtf8(kAddModeMessage));
    else
        statusBar()->clearMessage();
}

void PlotWindow::SetPaintBoxCursor(Qt::CursorShape shape) {
    paintBox_->SetCursorShape(shape);
}

double PlotWindow::WorldX(int px, int py) const {
    return plot::PixelToWorld(px, py, area_).X;
}

double PlotWindow::WorldTwoTheta(int px, int py) const {
    return AxisMapping().ToTwoTheta(WorldX(px, py));
}

void PlotWindow::PaintChart(QPainter& painter) {
    painter.fillRect(paintBox_->rect(), Qt::white);
    if (dataset_.Count() == 0) return;
    QPainterCanvas canvas(painter, UserDecimalSeparator());
    canvas.SetFontName(kPlotFontName);
    canvas.SetFontSize(kScreenFontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetPenColor(0x000000);
    canvas.SetBrushColor(0xFFFFFF);
    plot::DrawXrdPlot(canvas, 0, 0, paintBox_->width() - 3, paintBox_->height(), dataset_, area_);
}

void PlotWindow::ChartMouseDown(Qt::MouseButton button, int px, int py) {
    if (dataset_.Count() == 0) return;
    if (button == Qt::LeftButton) {
        if (session_.Peaks().AddMode()) {
            const double twoTheta = WorldTwoTheta(px, py);
            if (std::isfinite(twoTheta)) session_.Peaks().Add(twoTheta);
            return;
        }
        if (!ZoomPending()) {
            // Axis values: on a descending axis the left pixel has the larger value.
            const double xa = std::min(WorldX(px - 2, py), WorldX(px + 2, py));
            const double xb = std::max(WorldX(px - 2, py), WorldX(px + 2, py));
            const double x = WorldX(px, py);
            // The main-scan marker nearest to the click; the first of equally near ones wins.
            const plot::THighlightPoint* nearest = nullptr;
            double best = 1e100;
            const int n = std::min<int>(dataset_.HighlightCount(),
                                        static_cast<int>(dataset_.Highlights.size()));
            for (int i = 0; i < n; ++i) {
                const auto& marker = dataset_.Highlights[static_cast<size_t>(i)];
                if (!marker.IsMainPeak) continue;
                const double distance = std::fabs(marker.X - x);
                if (distance < best) {
                    best = distance;
                    nearest = &marker;
                }
            }
            if (nearest != nullptr && xa <= nearest->X && nearest->X <= xb) {
                const double twoTheta = AxisMapping().ToTwoTheta(nearest->X);
                if (std::isfinite(twoTheta)) session_.Peaks().SelectNearPosition(twoTheta);
                return;
            }
            zoomAnchor_ = x;
            SetPaintBoxCursor(Qt::ArrowCursor);
            return;
        }
        // Second click: a range of at least one pixel, whichever side the click is on.
        double x2 = WorldX(px, py);
        if (x2 == zoomAnchor_) x2 = WorldX(px + 1, py);
        if (x2 == zoomAnchor_) x2 = WorldX(px - 1, py);
        const double anchor = zoomAnchor_;
        zoomAnchor_ = kNoZoomClick;
        // The session zooms in 2Theta; an end no reflection reaches leaves the zoom as it is.
        const plot::ScanAxisMapping axis = AxisMapping();
        const double from = axis.ToTwoTheta(anchor), to = axis.ToTwoTheta(x2);
        if (std::isfinite(from) && std::isfinite(to) && from != to)
            session_.View().ApplyRange(from, to);
    } else if (button == Qt::RightButton) {
        ResetZoom();
    }
}

void PlotWindow::ChartMouseMove(int px, int py) {
    if (dataset_.Count() == 0) return;
    UpdateStatus(px, py);
    if (ZoomPending() || session_.Peaks().AddMode()) return;
    const double xa = std::min(WorldX(px - 2, py), WorldX(px + 2, py));
    const double xb = std::max(WorldX(px - 2, py), WorldX(px + 2, py));
    bool overMarker = false;
    const int n =
        std::min<int>(dataset_.HighlightCount(), static_cast<int>(dataset_.Highlights.size()));
    for (int i = 0; i < n && !overMarker; ++i) {
        const auto& marker = dataset_.Highlights[static_cast<size_t>(i)];
        overMarker = marker.IsMainPeak && xa <= marker.X && marker.X <= xb;
    }
    SetPaintBoxCursor(overMarker ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void PlotWindow::ChartMouseLeave() {
    if (!session_.Peaks().AddMode()) statusBar()->clearMessage();
}

void PlotWindow::UpdateStatus(int px, int py) {
    if (px < area_.Left || px > area_.Right || py < area_.Top || py > area_.Bottom ||
        area_.Right <= area_.Left || area_.Bottom <= area_.Top) {
        if (!session_.Peaks().AddMode()) statusBar()->clearMessage();
        return;
    }
    const plot::TWorldPoint w = plot::PixelToWorld(px, py, area_);
    const double counts = area_.LogY ? std::pow(10.0, w.Y) : w.Y;
    const plot::ScanAxisMapping mapping = AxisMapping();
    QString text;
    if (mapping.IsTwoTheta()) {
        const QString axis =
            dataset_.XTitle.empty() ? QStringLiteral("x") : QString::fromStdString(dataset_.XTitle);
        text = QStringLiteral("%1 = %2°    Counts = %3")
                   .arg(axis, QString::number(w.X, 'f', 4), FormatCounts(counts));
        const double wavelength = session_.Settings().CurrentWavelength();
        if (dataset_.XTitle == "TwoTheta" && wavelength > 0.0) {
            if (const auto d = BraggSpacing(w.X, wavelength); d && *d > 0.0)
                text += QStringLiteral("    d = %1 Å").arg(*d, 0, 'f', 5);
        }
    } else {
        // The axis value first, then the measured angle it stands for.
        const bool spacing = mapping.Axis() == plot::TScanAxis::Spacing;
        text =
            QStringLiteral("%1 = %2 %3    Counts = %4")
                .arg(spacing ? QStringLiteral("d") : QStringLiteral("Q"),
                     QString::number(w.X, 'f', 5),
                     spacing ? QStringLiteral("Å") : QStringLiteral("1/Å"), FormatCounts(counts));
        const double twoTheta = mapping.ToTwoTheta(w.X);
        if (std::isfinite(twoTheta))
            text += QStringLiteral("    TwoTheta = %1°").arg(twoTheta, 0, 'f', 4);
    }
    if (session_.Peaks().AddMode())
        text = QString::fromUtf8(kAddModeMessage) + QStringLiteral("    ") + text;
    statusBar()->showMessage(text);
}

QImage PlotWindow::RenderPlotImage(int width, int height) const {
    return RenderXrdPlotImage(dataset_, width, height, UserDecimalSeparator());
}

void PlotWindow::WritePlotPng(const QImage& image, const QString& fileName) {
    WriteImagePng(image, fileName.toStdString());
}

void PlotWindow::PrintPlot(QPrinter& printer) const {
    printer.setDocName(QStringLiteral("XRD plot of file ") +
                       QString::fromStdString(session_.Scans().Registry().LoadedFileName));
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) throw TrevascError("The printer could not be started.");
    QPainterCanvas canvas(painter, UserDecimalSeparator());
    canvas.SetFontName(kPlotFontName);
    canvas.SetFontSize(kPrintMeasureFontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetFontBold(false);
    canvas.SetPenColor(0x000000);
    const int m = canvas.TextWidth("MM");
    const int th = canvas.TextHeight("Äg");
    canvas.SetFontSize(kExportFontSize);
    const int pageWidth = printer.width();
    const int pageHeight = printer.height();
    plot::TPlotArea localArea;  // the window's own mapping stays that of the screen
    plot::DrawXrdPlot(canvas, m, th + m, pageWidth - 2 * m, pageHeight - th - 2 * m, dataset_,
                      localArea);
    painter.end();
}

std::unique_ptr<QMimeData> PlotWindow::CreatePlotMimeData() const {
    QSize size(1024, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) size = screen->size();

    // Vector picture: drawn like the bitmap, at the screen's resolution so that the fonts keep
    // the size they have on the screen.
    // 96 dpi, as the bitmap and the PNG export.
    const QByteArray svg = DrawSvgPicture(size, 96, [&](QPainter& painter) {
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        QPainterCanvas canvas(painter, UserDecimalSeparator());
        DrawXrdExportChart(canvas, size.width(), size.height(), dataset_);
    });

    const QImage image = RenderPlotImage(size.width(), size.height());
    return PictureMimeData(svg, image);
}

void PlotWindow::ShowError(const std::string& text) {
    session_.GetPrompts().ShowError(text);
}

void PlotWindow::SaveAsPngClick() {
    if (dataset_.Count() == 0) return;
    int width = pngWidth_, height = pngHeight_;
    if (!dialogs_.PngSize(this, width, height)) return;
    pngWidth_ = width;
    pngHeight_ = height;
    try {
        // The image is drawn before the file dialog comes up.
        const QImage image = RenderPlotImage(width, height);
        const QString fileName = dialogs_.SavePngFile(this);
        if (fileName.isEmpty() || !session_.Scans().MayWriteExport(fileName.toStdString())) return;
        WritePlotPng(image, fileName);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void PlotWindow::PrintClick() {
    if (dataset_.Count() == 0) return;
    QPrinter& printer = Printer();
    if (!dialogs_.Print(this, printer)) return;
    try {
        PrintPlot(printer);
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void PlotWindow::PrinterSetupClick() {
    dialogs_.PrinterSetup(this, Printer());
}

void PlotWindow::CopyToClipboardClick() {
    if (dataset_.Count() == 0) return;
    try {
        QGuiApplication::clipboard()->setMimeData(CreatePlotMimeData().release());
    } catch (const std::exception& e) {
        ShowError(e.what());
    }
}

void PlotWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the program.
    emit windowClosing();
    event->accept();
}

void PlotWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    if (data != nullptr && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                event->acceptProposedAction();
                return;
            }
        }
    }
}

void PlotWindow::dropEvent(QDropEvent* event) {
    QStringList files;
    if (const QMimeData* data = event->mimeData()) {
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) files << url.toLocalFile();
    }
    if (files.isEmpty()) return;
    event->acceptProposedAction();
    emit filesDropped(files);
}

}  // namespace trevasc
