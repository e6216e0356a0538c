#include "gui/lattice/NelsonRileyWindow.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScreen>

#include "base/Error.h"
#include "gui/plot/ClipboardPicture.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"
#include "qtcanvas/XYPlotImageExport.h"

namespace trevasc {

namespace {
constexpr int kScreenFontSize = 12;
constexpr int kPrintMeasureFontSize = 20;
constexpr int kExportFontSize = 14;
}  // namespace

class NelsonRileyPaintBox : public QWidget {
  public:
    explicit NelsonRileyPaintBox(NelsonRileyWindow* window) : QWidget(window), window_(window) {
        setObjectName("PaintBox1");
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (window_->dataset_.Count() == 0) return;
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        QPainterCanvas canvas(painter, UserDecimalSeparator());
        canvas.SetFontName("Arial");
        canvas.SetFontSize(kScreenFontSize);
        canvas.SetFontColor(0x000000);
        canvas.SetPenColor(0x000000);
        plot::DrawXYPlot(canvas, 0, 0, width(), height(), window_->dataset_);
    }

  private:
    NelsonRileyWindow* window_;
};

NelsonRileyWindow::NelsonRileyWindow(WorkbenchSession& session, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(dialogs) {
    setObjectName("NelsonRileyWindow");
    setWindowTitle(kNelsonRileyCaption);
    resize(400, 300);
    paintBox_ = new NelsonRileyPaintBox(this);
    setCentralWidget(paintBox_);

    QMenu* printMenu = menuBar()->addMenu("&Print");
    printAction_ = printMenu->addAction("&Print Nelson-Riley plot");
    printAction_->setShortcut(QKeySequence::Print);
    connect(printAction_, &QAction::triggered, this, [this] {
        if (dataset_.Count() == 0) return;
        if (!dialogs_.Print(this, Printer())) return;
        session_.RunAction([this] { PrintPlot(Printer()); });
    });
    QAction* setup = printMenu->addAction("Printer &setup...");
    connect(setup, &QAction::triggered, this, [this] { dialogs_.PrinterSetup(this, Printer()); });
    QMenu* editMenu = menuBar()->addMenu("&Edit");
    copyAction_ = editMenu->addAction("&Copy to clipboard");
    copyAction_->setShortcut(QKeySequence::Copy);
    connect(copyAction_, &QAction::triggered, this, [this] {
        if (dataset_.Count() == 0) return;
        session_.RunAction(
            [this] { QGuiApplication::clipboard()->setMimeData(CreatePlotMimeData().release()); });
    });
    windowMenu_ = menuBar()->addMenu("&Window");
    // The entries follow the data each time their menu opens.
    connect(printMenu, &QMenu::aboutToShow, this, &NelsonRileyWindow::UpdateMenus);
    connect(editMenu, &QMenu::aboutToShow, this, &NelsonRileyWindow::UpdateMenus);
    UpdateMenus();
}

NelsonRileyWindow::~NelsonRileyWindow() = default;

void NelsonRileyWindow::UpdateMenus() {
    printAction_->setEnabled(dataset_.Count() > 0);
    copyAction_->setEnabled(dataset_.Count() > 0);
}

QPrinter& NelsonRileyWindow::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void NelsonRileyWindow::SetData(const plot::TPlotXYDataset& dataset) {
    dataset_ = dataset;
    oldData_ = false;
    setWindowTitle(kNelsonRileyCaption);
    UpdateMenus();
    paintBox_->update();
    show();
    raise();
}

void NelsonRileyWindow::MarkOld() {
    oldData_ = true;
    setWindowTitle(kNelsonRileyOldCaption);
}

void NelsonRileyWindow::ShowWindow() {
    if (oldData_) session_.GetPrompts().ShowInfo(kNelsonRileyOldMessage);
    show();
    raise();
    activateWindow();
}

void NelsonRileyWindow::PrintPlot(QPrinter& printer) const {
    printer.setDocName(QStringLiteral("Nelson-Riley plot of file ") +
                       QString::fromStdString(session_.Scans().Registry().LoadedFileName));
    printer.setPageOrientation(QPageLayout::Landscape);
    QPainter painter;
    if (!painter.begin(&printer)) throw TrevascError("The printer could not be started.");
    QPainterCanvas canvas(painter, UserDecimalSeparator());
    canvas.SetFontName("Arial");
    canvas.SetFontSize(kPrintMeasureFontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetFontBold(false);
    canvas.SetPenColor(0x000000);
    const int m = canvas.TextWidth("MM");
    const int h = canvas.TextHeight("Äg");
    canvas.SetFontSize(kExportFontSize);
    plot::DrawXYPlot(canvas, m, m + h, printer.width() - 2 * m, printer.height() - (m + h) - m,
                     dataset_);
    painter.end();
}

std::unique_ptr<QMimeData> NelsonRileyWindow::CreatePlotMimeData() const {
    if (dataset_.Count() == 0) return nullptr;
    QSize size(1024, 768);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) size = screen->size();
    const char separator = UserDecimalSeparator();
    return PictureMimeData(RenderXYPlotSvg(dataset_, size.width(), size.height(), separator),
                           RenderXYPlotImage(dataset_, size.width(), size.height(), separator));
}

void NelsonRileyWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the program.
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
