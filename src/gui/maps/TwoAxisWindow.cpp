#include "gui/maps/TwoAxisWindow.h"

#include <QActionGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProcess>
#include <QStatusBar>
#include <QTimer>
#include <cerrno>
#include <cstring>

#include "gui/widgets/Controls.h"
#include "gui/widgets/PaintBoxWidget.h"
#include "qtcanvas/PlotImageExport.h"

namespace trevasc {

namespace {

constexpr const char* kMapFontName = "Arial";
constexpr const char* kDrawingCaption = "Drawing the map";

// Starts `program` without a shell and without waiting for it. When it cannot be started: the
// system's error as "Systemfehler.  Code: %d." and its text. Qt words the failure with the
// system's own message ("execv: No such file or directory"), so the number is recovered from it.
std::string StartDetached(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    // The screen kinds end the script with "-" (read further commands): from nothing here, so
    // gnuplot never competes with a terminal the workbench was started from. The template's
    // screen terminal keeps its window open ("persist").
    process.setStandardInputFile(QProcess::nullDevice());
    if (process.startDetached()) return {};
    const QString reason = process.errorString();
    int code = ENOENT;
    QString text = reason;
    for (int c = 1; c < 200; ++c) {
        const QString message = QString::fromLocal8Bit(std::strerror(c));
        if (!message.isEmpty() && reason.endsWith(message)) {
            code = c;
            text = message;
            break;
        }
    }
    return "Systemfehler.  Code: " + std::to_string(code) + ".\r\n" + S(text);
}

}  // namespace

// The map window's busy state: the main window is disabled and the busy cursor (and, for a
// slow drawing, the progress dialog with Cancel) shown until the scope is left, errors included.
class TwoAxisWindow::BusyScope {
  public:
    explicit BusyScope(TwoAxisWindow& window) : window_(window), main_(window.mainWindow_) {
        window_.busy_ = true;
        if (main_) main_->setEnabled(false);
        window_.session_.Progress().Report({ProgressEvent::Phase::Begin, kDrawingCaption, 0, 0});
    }
    ~BusyScope() {
        window_.session_.Progress().Report({ProgressEvent::Phase::End, kDrawingCaption, 0, 0});
        if (main_) main_->setEnabled(true);
        window_.busy_ = false;
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    TwoAxisWindow& window_;
    QPointer<QWidget> main_;
};

TwoAxisWindow::TwoAxisWindow(WorkbenchSession& session, QWidget* mainWindow, QWidget* parent)
    : QMainWindow(parent), session_(session), mainWindow_(mainWindow) {
    setObjectName(QStringLiteral("TwoAxisWindow"));
    setWindowTitle(kTwoAxisCaption);
    setMinimumSize(200, 200);
    // The drawing area: shows the off-screen picture and reports the pointer.
    paintBox_ = new PaintBoxWidget(this, *this);
    setCentralWidget(paintBox_);
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    resizeTimer_ = new QTimer(this);
    resizeTimer_->setObjectName(QStringLiteral("ResizeTimer"));
    resizeTimer_->setSingleShot(true);
    resizeTimer_->setInterval(kResizeDelayMs);
    connect(resizeTimer_, &QTimer::timeout, this, &TwoAxisWindow::ResizeTimerFired);
    CreateMenus();
    resize(400, 300);
    session_.View().AddObserver(this);
}

TwoAxisWindow::~TwoAxisWindow() {
    session_.View().RemoveObserver(this);
}

QWidget* TwoAxisWindow::PaintBox() const {
    return paintBox_;
}

void TwoAxisWindow::CreateMenus() {
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    // The same copy shortcut as the plot window; the text copy beside it.
    edit->addAction(QStringLiteral("&Copy as Bitmap"), this, &TwoAxisWindow::CopyAsBitmap)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    edit->addAction(QStringLiteral("Copy as &Text"), this, &TwoAxisWindow::CopyAsText)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));

    QMenu* gnuplotMenu = menuBar()->addMenu(QStringLiteral("&Gnuplot"));
    const std::pair<const char*, tools::GnuplotKind> kinds[] = {
        {"Open &black && white", tools::GnuplotKind::ScreenBW},
        {"Open &color", tools::GnuplotKind::ScreenColor},
        {"&PNG black && white", tools::GnuplotKind::PngBW},
        {"P&NG color", tools::GnuplotKind::PngColor},
    };
    for (const auto& [caption, kind] : kinds) {
        const tools::GnuplotKind k = kind;
        gnuplotMenu->addAction(QString::fromUtf8(caption), this, [this, k] { ExportGnuplot(k); });
    }
    gnuplotMenu->addSeparator();
    contourAction_ = gnuplotMenu->addAction(QStringLiteral("Co&ntour lines"));
    contourAction_->setCheckable(true);
    contourAction_->setChecked(session_.Settings().Maps().ContourLines);
    connect(contourAction_, &QAction::triggered, this,
            [this](bool on) { session_.Settings().Maps().ContourLines = on; });
    // The setting may have changed elsewhere (a batch run, the next version of the main
    // window): the mark follows it whenever the menu opens.
    connect(gnuplotMenu, &QMenu::aboutToShow, this,
            [this] { contourAction_->setChecked(session_.Settings().Maps().ContourLines); });

    QMenu* scale = menuBar()->addMenu(QStringLiteral("&Scale"));
    scaleGroup_ = new QActionGroup(this);
    scaleGroup_->setExclusive(true);
    const std::pair<const char*, plot::TMapScale> scales[] = {
        {"&Color", plot::TMapScale::Color},
        {"&Black && White", plot::TMapScale::BlackWhite},
        {"Black && White &inverse", plot::TMapScale::BlackWhiteInverse},
    };
    for (const auto& [caption, mode] : scales) {
        const plot::TMapScale m = mode;
        QAction* action =
            scale->addAction(QString::fromUtf8(caption), this, [this, m] { SetScaleMode(m); });
        action->setCheckable(true);
        action->setChecked(m == scale_);
        action->setData(static_cast<int>(m));
        scaleGroup_->addAction(action);
    }
    scale->addSeparator();
    scale->addAction(QStringLiteral("Flip &X axis"), this, &TwoAxisWindow::FlipXAxis);

    windowMenu_ = menuBar()->addMenu(QStringLiteral("&Window"));
}

// ---------------------------------------------------------------------------------------------
// Building and drawing

bool TwoAxisWindow::ConfirmWithoutOffsets() {
    const MapSettings& maps = session_.Settings().Maps();
    if (maps.RsmOmegaOffset != 0.0 || maps.RsmTwoThetaOffset != 0.0) return true;
    return session_.GetPrompts().Confirm(tools::kNoOffsetsWarning);
}

void TwoAxisWindow::ShowTwoAxisPlot() {
    ShowMap(tools::MapMode::TwoAxis);
}

void TwoAxisWindow::ShowReciprocalSpaceMap() {
    ShowMap(tools::MapMode::Reciprocal);
}

void TwoAxisWindow::ShowMap(tools::MapMode mode) {
    if (busy_) return;
    if (mode == tools::MapMode::Reciprocal && !ConfirmWithoutOffsets()) return;
    session_.Settings().Maps().Mode = mode;
    if (RenderMap()) ShowOrRepaint();
}

void TwoAxisWindow::FlipXAxis() {
    if (busy_) return;
    if (session_.Settings().Maps().Mode != tools::MapMode::Reciprocal) {
        session_.GetPrompts().ShowInfo(tools::kNoReciprocalPlotMessage);
        return;
    }
    // The flip is kept even when the user then declines to draw without offsets: the next
    // reciprocal map is drawn flipped.
    session_.Settings().Maps().FlipKParallel = !session_.Settings().Maps().FlipKParallel;
    if (!ConfirmWithoutOffsets()) return;
    if (RenderMap()) ShowOrRepaint();
}

void TwoAxisWindow::ShowOrRepaint() {
    if (isVisible()) {
        paintBox_->update();
    } else {
        show();
    }
    raise();
    activateWindow();
}

void TwoAxisWindow::SetScaleMode(plot::TMapScale scale) {
    if (busy_) return;
    scale_ = scale;
    for (QAction* action : scaleGroup_->actions())
        action->setChecked(action->data().toInt() == static_cast<int>(scale));
    RenderMap();
    paintBox_->update();
}

std::optional<QImage> TwoAxisWindow::DrawMap(QSize size, const MapImageStyle& style,
                                             const plot::T2dPlotDataset& dataset,
                                             plot::TPlotArea& area) {
    bool cancelled = false;
    const plot::MapProgressCallback progress = [&](int32_t done, int32_t total) {
        cancelled = !session_.Progress().Report({ProgressEvent::Phase::Step, kDrawingCaption,
                                                 static_cast<int>(done), static_cast<int>(total)});
        return !cancelled;
    };
    plot::TwoDPlotResult result;
    QImage image =
        RenderMapImage(dataset, scale_, size.width(), size.height(), style, &result, progress);
    if (cancelled) return std::nullopt;
    area = result.Area;
    return image;
}

MapImageStyle TwoAxisWindow::ScreenStyle() const {
    MapImageStyle style;
    style.Background = palette().color(QPalette::Button);
    style.FontName = kMapFontName;
    style.FontSize = kScreenFontSize;
    style.DecimalSeparator = UserDecimalSeparator();
    return style;
}

bool TwoAxisWindow::RenderMap() {
    return Render(true);
}

bool TwoAxisWindow::Render(bool report) {
    if (busy_) return false;
    if (!tools::IsMapScanKind(session_.Scans().Registry().OpenScanKind)) {
        hide();
        return false;
    }
    // A window that was never shown has not placed its drawing area yet.
    if (!isVisible() && layout()) layout()->activate();
    bool noSecondAxis = false;
    const bool built = WithBuiltMap(
        [&](const tools::MapBuild& build) {
            // Scans that name no second axis add no points: an empty frame would say nothing.
            if (build.Dataset.Points.empty()) {
                noSecondAxis = true;
                return;
            }
            clickOpensOffsets_ = build.ClickOpensOffsets;
            reciprocalReadout_ = build.ReciprocalReadout;
            const QSize size = paintBox_->size().expandedTo(QSize(1, 1));
            lastRenderSize_ = size;
            plot::TPlotArea area;
            // A cancelled drawing keeps the picture shown before.
            std::optional<QImage> image = DrawMap(size, ScreenStyle(), build.Dataset, area);
            if (!image) return;
            picture_ = std::move(*image);
            area_ = area;
        },
        report);
    if (!noSecondAxis) return built;
    hide();
    if (report) session_.GetPrompts().ShowError(tools::kNoSecondAxisMessage);
    return false;
}

void TwoAxisWindow::TwoAxisRefresh() {
    // Opening, inserting or selecting scans: a shown map follows them in its mode, and goes
    // away when the new main scan forms none. A hidden window draws when it is next shown.
    if (!isVisible() || busy_) return;
    if (Render(false))
        paintBox_->update();
    else
        hide();
}

bool TwoAxisWindow::WithBuiltMap(const std::function<void(const tools::MapBuild&)>& use,
                                 bool report) {
    if (busy_) return false;
    bool built = false;
    BusyScope busy(*this);
    session_.RunAction([&] {
        const tools::MapBuild build =
            session_.BuildMapDataset(session_.Settings().Maps().Mode, report);
        if (!build.Built) return;
        built = true;
        use(build);
    });
    return built;
}

// ---------------------------------------------------------------------------------------------
// Clipboard and gnuplot

void TwoAxisWindow::CopyAsBitmap() {
    WithBuiltMap([&](const tools::MapBuild& build) {
        // The screen's proportions at a size fit for print, on white.
        MapImageStyle style = ScreenStyle();
        style.Background = Qt::white;
        style.FontSize = kBitmapFontSize;
        plot::TPlotArea bitmapArea;  // the window's readout keeps the screen's mapping
        const std::optional<QImage> image =
            DrawMap(MapBitmapSize(paintBox_->width(), paintBox_->height()), style, build.Dataset,
                    bitmapArea);
        if (image) QGuiApplication::clipboard()->setImage(*image);
    });
}

void TwoAxisWindow::CopyAsText() {
    WithBuiltMap([&](const tools::MapBuild& build) {
        QGuiApplication::clipboard()->setText(
            Q(tools::MapAsText(build.Dataset, session_.Settings().DecimalSeparator())));
    });
}

void TwoAxisWindow::ExportGnuplot(tools::GnuplotKind kind) {
    if (session_.Scans().MainScan().Count() < 2) return;
    WithBuiltMap([&](const tools::MapBuild& build) {
        const ScanRegistry& scans = session_.Scans().Registry();
        const tools::GnuplotExportResult files = tools::WriteGnuplotFiles(
            build.Dataset, kind, session_.Settings().Maps().ContourLines, scans.LoadedFileFolder,
            scans.LoadedFileName, S(templateFile_));
        if (!files.Ok) {
            session_.GetPrompts().ShowError(files.Message);
            return;
        }
        QStringList arguments;
        for (const std::string& a : files.Arguments) arguments << Q(a);
        const QString program = gnuplotProgram_ ? gnuplotProgram_() : QStringLiteral("gnuplot");
        const std::string error = StartDetached(program, arguments);
        if (!error.empty()) {
            tools::RemoveGnuplotFiles(files.Files);  // of no use without the program
            session_.GetPrompts().ShowError(error);
            return;
        }
        // gnuplot writes the picture on its own, without a window: say where it goes, the file
        // name first (a narrow window cuts the end of the message; the hint holds it whole).
        if (kind == tools::GnuplotKind::PngBW || kind == tools::GnuplotKind::PngColor) {
            const QFileInfo picture(Q(files.Files.PictureFile));
            statusBar()->showMessage(
                QStringLiteral("gnuplot writes %1 in %2")
                    .arg(picture.fileName(), QDir::toNativeSeparators(picture.absolutePath())));
            statusBar()->setToolTip(QDir::toNativeSeparators(picture.absoluteFilePath()));
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Paint box

void TwoAxisWindow::PaintChart(QPainter& painter) {
    const QSize size = paintBox_->size();
    if (!picture_.isNull() && picture_.size() == size) {
        painter.drawImage(0, 0, picture_);
        return;
    }
    // Resized: the old picture until the map is drawn again a second after the last change.
    painter.fillRect(paintBox_->rect(), palette().color(QPalette::Button));
    if (!picture_.isNull()) painter.drawImage(0, 0, picture_);
    if (size != lastRenderSize_) resizeTimer_->start();
}

void TwoAxisWindow::ResizeTimerFired() {
    if (!isVisible()) return;
    lastRenderSize_ = paintBox_->size();
    RenderMap();
    paintBox_->update();
}

void TwoAxisWindow::ChartMouseMove(int px, int py) {
    if (picture_.isNull() || !tools::InsideMapArea(area_, px, py)) {
        ChartMouseLeave();
        return;
    }
    paintBox_->SetCursorShape(Qt::CrossCursor);
    statusBar()->showMessage(Q(tools::MapReadoutText(area_, px, py, reciprocalReadout_,
                                                     session_.Settings().DecimalSeparator())));
}

void TwoAxisWindow::ChartMouseLeave() {
    paintBox_->SetCursorShape(Qt::ArrowCursor);
    statusBar()->clearMessage();
}

void TwoAxisWindow::ChartMouseDown(Qt::MouseButton button, int px, int py) {
    if (button != Qt::LeftButton || busy_ || !clickOpensOffsets_ || picture_.isNull()) return;
    if (!tools::InsideMapArea(area_, px, py)) return;
    const tools::MapPoint p = tools::MapPointAt(area_, px, py);
    emit offsetsRequested(p.X, p.Y);
}

void TwoAxisWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the program.
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
