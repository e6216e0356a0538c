#include "gui/lattice/NelsonRileyWindow.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>

#include "base/Error.h"
#include "gui/plot/ClipboardPicture.h"
#include "gui/plot/XYChartOutput.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"
#include "qtcanvas/XYPlotImageExport.h"

namespace trevasc {

namespace {
constexpr int kScreenFontSize = 12;
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
    PrintXYChart(printer,
                 QStringLiteral("Nelson-Riley plot of file ") +
                     QString::fromStdString(session_.Scans().Registry().LoadedFileName),
                 dataset_, UserDecimalSeparator());
}

std::unique_ptr<QMimeData> NelsonRileyWindow::CreatePlotMimeData() const {
    return XYChartMimeData(dataset_, UserDecimalSeparator());
}

void NelsonRileyWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the program.
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
