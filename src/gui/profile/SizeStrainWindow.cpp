#include "gui/profile/SizeStrainWindow.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "base/Error.h"
#include "gui/plot/ClipboardPicture.h"
#include "gui/plot/XYChartOutput.h"
#include "gui/profile/ResultTable.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"
#include "qtcanvas/XYPlotImageExport.h"

namespace trevasc {

namespace {
constexpr int kScreenFontSize = 12;
constexpr const char* kTooFewPeaks =
    "The instrument function needs the FWHMs of at least three fitted peaks at different angles.";
}  // namespace

class WilliamsonHallPaintBox : public QWidget {
  public:
    explicit WilliamsonHallPaintBox(SizeStrainWindow* window) : QWidget(window), window_(window) {
        setObjectName("PaintBoxWilliamsonHall");
        setAutoFillBackground(true);
        setBackgroundRole(QPalette::Base);
        setMinimumSize(320, 220);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        if (window_->chart_.Count() == 0) return;
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        QPainterCanvas canvas(painter, UserDecimalSeparator());
        canvas.SetFontName("Arial");
        canvas.SetFontSize(kScreenFontSize);
        canvas.SetFontColor(0x000000);
        canvas.SetPenColor(0x000000);
        plot::DrawXYPlot(canvas, 0, 0, width(), height(), window_->chart_);
    }

  private:
    SizeStrainWindow* window_;
};

SizeStrainWindow::SizeStrainWindow(WorkbenchSession& session, Dialogs& dialogs,
                                   std::string mainIniPath, QWidget* parent)
    : QMainWindow(parent),
      session_(session),
      dialogs_(dialogs),
      mainIniPath_(std::move(mainIniPath)) {
    setObjectName("SizeStrainWindow");
    setWindowTitle(kSizeStrainCaption);
    auto* central = new QWidget(this);
    setCentralWidget(central);

    auto* instrument = new QGroupBox("Instrument function: FWHM² = U·tan²θ + V·tanθ + W", central);
    instrument->setObjectName("GroupBoxInstrument");
    auto* instrumentGrid = new QGridLayout(instrument);
    u_ = new FloatEdit(instrument, 0.0, 10.0, 0.0, 6);
    v_ = new FloatEdit(instrument, -10.0, 10.0, 0.0, 6);
    w_ = new FloatEdit(instrument, 0.0, 10.0, 0.0, 6);
    int column = 0;
    for (auto [edit, name, caption] :
         {std::tuple{u_, "FloatEditU", "U [°²]"}, std::tuple{v_, "FloatEditV", "V [°²]"},
          std::tuple{w_, "FloatEditW", "W [°²]"}}) {
        edit->setObjectName(name);
        edit->setToolTip("Instrument function in squared degrees of 2θ.");
        instrumentGrid->addWidget(MakeLabel(instrument, caption, edit), 0, column++);
        instrumentGrid->addWidget(edit, 0, column++);
    }
    standard_ = MakeButton(instrument, "ButtonInstrumentStandard", "Use as instrument standard",
                           "Fits U, V and W over the FWHMs of the current profile fit (a "
                           "standard sample without broadening) and keeps them.");
    instrumentGrid->addWidget(standard_, 1, 0, 1, column);
    if (const auto stored = tools::ReadInstrumentFunction(mainIniPath_)) {
        u_->SetValue(stored->U);
        v_->SetValue(stored->V);
        w_->SetValue(stored->W);
    }

    auto* scherrer = new QGroupBox("Scherrer", central);
    scherrer->setObjectName("GroupBoxScherrer");
    auto* scherrerGrid = new QGridLayout(scherrer);
    k_ = new FloatEdit(scherrer, 0.1, 2.0, tools::kDefaultScherrerK, 4);
    k_->setObjectName("FloatEditK");
    k_->setToolTip("Scherrer constant K.");
    correction_ = new QComboBox(scherrer);
    correction_->setObjectName("ComboBoxCorrection");
    correction_->addItems({"quadratic", "linear"});
    correction_->setToolTip(
        "Instrument correction of the FWHM: β = √(FWHM² − FWHMinstr²) (quadratic, for Gauss "
        "profiles) or β = FWHM − FWHMinstr (linear, for Lorentz profiles).");
    scherrerGrid->addWidget(MakeLabel(scherrer, "K", k_), 0, 0);
    scherrerGrid->addWidget(k_, 0, 1);
    scherrerGrid->addWidget(MakeLabel(scherrer, "Correction", correction_), 0, 2);
    scherrerGrid->addWidget(correction_, 0, 3);

    message_ = new QLabel(central);
    message_->setObjectName("LabelSizeMessage");
    message_->setWordWrap(true);
    table_ = new QTableWidget(central);
    table_->setObjectName("TableSize");
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    paintBox_ = new WilliamsonHallPaintBox(this);

    auto* settings = new QHBoxLayout;
    settings->addWidget(instrument, 2);
    settings->addWidget(scherrer, 1);
    auto* layout = new QVBoxLayout(central);
    layout->addLayout(settings);
    layout->addWidget(message_);
    layout->addWidget(table_, 1);
    layout->addWidget(paintBox_, 1);

    QMenu* fileMenu = menuBar()->addMenu("&File");
    pngAction_ = fileMenu->addAction("&Save Williamson-Hall plot as PNG...");
    connect(pngAction_, &QAction::triggered, this, &SizeStrainWindow::SaveAsPng);
    QMenu* printMenu = menuBar()->addMenu("&Print");
    printAction_ = printMenu->addAction("&Print Williamson-Hall plot");
    printAction_->setShortcut(QKeySequence::Print);
    connect(printAction_, &QAction::triggered, this, [this] {
        if (chart_.Count() == 0 || !dialogs_.Print(this, Printer())) return;
        session_.RunAction([this] { PrintPlot(Printer()); });
    });
    QAction* setup = printMenu->addAction("Printer &setup...");
    connect(setup, &QAction::triggered, this, [this] { dialogs_.PrinterSetup(this, Printer()); });
    QMenu* editMenu = menuBar()->addMenu("&Edit");
    copyAction_ = editMenu->addAction("&Copy plot to clipboard");
    copyAction_->setShortcut(QKeySequence::Copy);
    connect(copyAction_, &QAction::triggered, this, [this] {
        if (chart_.Count() == 0) return;
        session_.RunAction(
            [this] { QGuiApplication::clipboard()->setMimeData(CreatePlotMimeData().release()); });
    });
    copyTableAction_ = editMenu->addAction("Copy &table");
    connect(copyTableAction_, &QAction::triggered, this,
            [this] { QGuiApplication::clipboard()->setText(Q(TableCopyText())); });
    for (QMenu* menu : {fileMenu, printMenu, editMenu})
        connect(menu, &QMenu::aboutToShow, this, &SizeStrainWindow::UpdateMenus);

    connect(standard_, &QPushButton::clicked, this, &SizeStrainWindow::UseAsInstrumentStandard);
    for (FloatEdit* edit : {u_, v_, w_})
        connect(edit, &QLineEdit::editingFinished, this, [this] {
            StoreInstrument();
            Recalculate();
        });
    connect(k_, &QLineEdit::editingFinished, this, &SizeStrainWindow::Recalculate);
    connect(correction_, &QComboBox::currentIndexChanged, this, &SizeStrainWindow::Recalculate);
    resize(760, 760);
    session_.Settings().AddObserver(this);
    Recalculate();
}

SizeStrainWindow::~SizeStrainWindow() {
    // Closing the window on destruction takes the focus from a field, whose editingFinished
    // would reach this half-destroyed window.
    for (QObject* field : std::initializer_list<QObject*>{u_, v_, w_, k_, correction_})
        field->disconnect(this);
    session_.Settings().RemoveObserver(this);
}

tools::InstrumentFunction SizeStrainWindow::Instrument() const {
    return {u_->Value(), v_->Value(), w_->Value()};
}

double SizeStrainWindow::K() const {
    return k_->Value();
}

tools::BroadeningCorrection SizeStrainWindow::Correction() const {
    return correction_->currentIndex() == 1 ? tools::BroadeningCorrection::Linear
                                            : tools::BroadeningCorrection::Quadratic;
}

void SizeStrainWindow::SetFit(const std::optional<tools::ProfileFitResult>& fit) {
    centres_.clear();
    fwhms_.clear();
    if (fit && fit->Fitted)
        for (const tools::ProfilePeak& p : fit->Model.Peaks) {
            centres_.push_back(p.Center);
            fwhms_.push_back(p.Fwhm);
        }
    Recalculate();
}

void SizeStrainWindow::UseAsInstrumentStandard() {
    const auto fitted = tools::FitInstrumentFunction(centres_, fwhms_);
    if (!fitted) {
        session_.GetPrompts().ShowError(kTooFewPeaks);
        return;
    }
    u_->SetValue(fitted->U);
    v_->SetValue(fitted->V);
    w_->SetValue(fitted->W);
    StoreInstrument();
    Recalculate();
}

void SizeStrainWindow::StoreInstrument() {
    // The fields' rounded values are what every calculation reads, so they are what is kept.
    session_.RunAction([this] { tools::WriteInstrumentFunction(mainIniPath_, Instrument()); });
}

void SizeStrainWindow::CurrentWavelengthChanged(double) {
    Recalculate();
}

void SizeStrainWindow::Recalculate() {
    const double wavelength = session_.Settings().CurrentWavelength();
    analysis_ = {};
    chart_ = {};
    QString message;
    if (centres_.empty()) {
        message = "No profile fit yet: fit the peaks in the Profile Fit window.";
    } else if (!(wavelength > 0.0)) {
        message = "No wavelength: select an X-ray tube line in the lattice window.";
    } else {
        analysis_ =
            tools::AnalyseSize(centres_, fwhms_, Instrument(), Correction(), wavelength, K());
        chart_ = WilliamsonHallChart(analysis_, wavelength, K());
        if (!analysis_.WilliamsonHall)
            message = "Williamson-Hall needs three or more broadened peaks.";
    }
    message_->setText(message);
    message_->setVisible(!message.isEmpty());
    ShowTable();
    UpdateMenus();
    paintBox_->update();
}

void SizeStrainWindow::ShowTable() {
    ShowTextTable(table_, SizeTable(analysis_, UserDecimalSeparator()));
}

std::string SizeStrainWindow::TableCopyText() const {
    return TableText(SizeTable(analysis_, UserDecimalSeparator()));
}

void SizeStrainWindow::UpdateMenus() {
    const bool chart = chart_.Count() > 0;
    printAction_->setEnabled(chart);
    copyAction_->setEnabled(chart);
    pngAction_->setEnabled(chart);
    copyTableAction_->setEnabled(!analysis_.Peaks.empty());
}

QPrinter& SizeStrainWindow::Printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void SizeStrainWindow::PrintPlot(QPrinter& printer) const {
    PrintXYChart(printer,
                 QStringLiteral("Williamson-Hall plot of file ") +
                     Q(session_.Scans().Registry().LoadedFileName),
                 chart_, UserDecimalSeparator());
}

std::unique_ptr<QMimeData> SizeStrainWindow::CreatePlotMimeData() const {
    return XYChartMimeData(chart_, UserDecimalSeparator());
}

QImage SizeStrainWindow::RenderPlotImage(int width, int height) const {
    return RenderXYPlotImage(chart_, width, height, UserDecimalSeparator());
}

void SizeStrainWindow::SaveAsPng() {
    if (chart_.Count() == 0) return;
    int width = pngWidth_, height = pngHeight_;
    if (!dialogs_.PngSize(this, width, height)) return;
    pngWidth_ = width;
    pngHeight_ = height;
    session_.RunAction([&] {
        const QImage image = RenderPlotImage(width, height);
        const QString fileName = dialogs_.SavePngFile(this);
        if (fileName.isEmpty() || !session_.Scans().MayWriteExport(S(fileName))) return;
        WriteImagePng(image, S(fileName));
    });
}

void SizeStrainWindow::closeEvent(QCloseEvent* event) {
    // Closing only hides the window; it lives as long as the program.
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
