#include "gui/profile/ProfileFitWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cmath>

#include "base/NumberText.h"
#include "gui/profile/ResultTable.h"
#include "gui/widgets/Controls.h"
#include "plot/PlotMapping.h"
#include "plot/XYPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

namespace {
constexpr int kScreenFontSize = 12;
// A right click removes the start peak within this many pixels.
constexpr int kRemoveTolerancePixels = 8;

struct ShapeEntry {
    const char* Caption;
    tools::ProfileShape Shape;
};
constexpr ShapeEntry kShapes[] = {{"Gauss", tools::ProfileShape::Gauss},
                                  {"Lorentz", tools::ProfileShape::Lorentz},
                                  {"pseudo-Voigt", tools::ProfileShape::PseudoVoigt},
                                  {"Pearson VII", tools::ProfileShape::PearsonVII}};
}  // namespace

class ProfilePaintBox : public QWidget {
  public:
    explicit ProfilePaintBox(ProfileFitWindow* owner) : QWidget(owner), owner_(owner) {
        setObjectName(QStringLiteral("PaintBoxProfile"));
        setToolTip(QStringLiteral(
            "Left click: adds a start peak. Right click on a start peak: removes it."));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(360, 220);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->PaintChart(painter, width(), height());
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        owner_->ChartClick(event->button(), p.x(), p.y());
    }

  private:
    ProfileFitWindow* owner_;
};

ProfileFitWindow::ProfileFitWindow(WorkbenchSession& session,
                                   std::function<tools::KalphaDoubletLookup()> doublet,
                                   std::function<double()> ratio, QWidget* parent)
    : QWidget(parent, Qt::Window),
      session_(session),
      doublet_(std::move(doublet)),
      ratio_(std::move(ratio)) {
    setObjectName(QStringLiteral("ProfileFitWindow"));
    setWindowTitle(kProfileFitCaption);

    shape_ = new QComboBox(this);
    shape_->setObjectName(QStringLiteral("ComboBoxShape"));
    shape_->setToolTip(QStringLiteral("Profile function of every peak."));
    for (const ShapeEntry& e : kShapes) shape_->addItem(QString::fromUtf8(e.Caption));
    shape_->setCurrentIndex(2);  // pseudo-Voigt
    doublets_ = MakeCheck(this, "CheckBoxDoublets", QString::fromUtf8("Kα1/Kα2 doublets"), false,
                          QString::fromUtf8("Each peak also has its Kα2 partner."));
    fit_ = MakeButton(this, "ButtonFit", "Fit", "Fits all start peaks of the range at once.");
    cancelButton_ = MakeButton(this, "ButtonCancelFit", "Cancel", "Stops the running fit.");
    cancelButton_->setEnabled(false);
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QStringLiteral("ProgressBarFit"));
    progress_->setTextVisible(false);
    progress_->setMaximumWidth(160);
    progress_->setValue(0);
    range_ = new QLabel(this);
    range_->setObjectName(QStringLiteral("LabelRange"));

    paintBox_ = new ProfilePaintBox(this);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("LabelFitMessage"));
    message_->setWordWrap(true);
    QPalette warning = message_->palette();
    warning.setColor(QPalette::WindowText, QColor(176, 0, 0));
    message_->setPalette(warning);
    message_->hide();

    table_ = new QTableWidget(this);
    table_->setObjectName(QStringLiteral("TableProfileResult"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->setMinimumHeight(120);

    accept_ =
        MakeButton(this, "ButtonAccept", "Accept", "Puts the fitted centres into the peak list.");
    copy_ = MakeButton(this, "ButtonCopy", "Copy", "Copies the result table to the clipboard.");
    close_ = MakeButton(this, "ButtonClose", "Close", "Closes the window.");

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Shape:"), this));
    controls->addWidget(shape_);
    controls->addWidget(doublets_);
    controls->addSpacing(12);
    controls->addWidget(fit_);
    controls->addWidget(cancelButton_);
    controls->addWidget(progress_);
    controls->addStretch(1);
    controls->addWidget(range_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(accept_);
    buttons->addWidget(copy_);
    buttons->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addWidget(paintBox_, 3);
    layout->addWidget(message_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);
    resize(820, 640);

    connect(fit_, &QPushButton::clicked, this, &ProfileFitWindow::RunFit);
    connect(cancelButton_, &QPushButton::clicked, this, &ProfileFitWindow::CancelFit);
    connect(accept_, &QPushButton::clicked, this, &ProfileFitWindow::Accept);
    connect(copy_, &QPushButton::clicked, this, &ProfileFitWindow::CopyToClipboard);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    // A changed model makes the shown fit stale.
    connect(shape_, &QComboBox::currentIndexChanged, this, [this] { DiscardFit(); });
    connect(doublets_, &QCheckBox::toggled, this, [this] { DiscardFit(); });
    UpdateDoubletBox();
    DiscardFit();
}

ProfileFitWindow::~ProfileFitWindow() = default;

QWidget* ProfileFitWindow::PaintBox() const {
    return paintBox_;
}

void ProfileFitWindow::UpdateDoubletBox() {
    const tools::KalphaDoubletLookup lookup =
        doublet_ ? doublet_() : tools::KalphaDoubletLookup{std::nullopt, "No X-ray tube line."};
    const bool available = lookup.Doublet.has_value();
    if (!available) doublets_->setChecked(false);
    doublets_->setEnabled(available && !fitting_);
    doublets_->setToolTip(available ? QString::fromUtf8("Each peak also has its Kα2 partner.")
                                    : Q(lookup.Reason));
}

void ProfileFitWindow::OpenForView() {
    if (fitting_) return;
    const TDataSet& scan = session_.Scans().MainScan();
    scan_ = ProcessedColumns(scan);
    from_ = session_.View().ViewXMin();
    to_ = session_.View().ViewXMax();
    if (from_ == to_ && !scan_.Position.empty()) {
        // No zoom recorded yet: the whole scan is in view.
        from_ = scan_.Position.front();
        to_ = scan_.Position.back();
    }
    if (from_ > to_) std::swap(from_, to_);
    starts_ = CheckedPeaksInRange(scan, from_, to_);
    listed_ = starts_;
    const char separator = UserDecimalSeparator();
    range_->setText(
        QStringLiteral("Range: %1° … %2°")
            .arg(Q(FormatFixed(from_, 3, separator)), Q(FormatFixed(to_, 3, separator))));
    UpdateDoubletBox();
    DiscardFit();
    show();
    raise();
    activateWindow();
}

void ProfileFitWindow::ShowWindow() {
    if (from_ == to_ && session_.Scans().HasMainScan()) {
        OpenForView();
        return;
    }
    UpdateDoubletBox();
    show();
    raise();
    activateWindow();
}

tools::ProfileFitOptions ProfileFitWindow::Options() const {
    tools::ProfileFitOptions options;
    options.Shape = kShapes[std::clamp(shape_->currentIndex(), 0, 3)].Shape;
    if (doublets_->isChecked() && doublet_) {
        if (const auto lookup = doublet_(); lookup.Doublet) {
            options.Doublets = true;
            options.Doublet = *lookup.Doublet;
            if (ratio_) options.Kalpha2Ratio = ratio_();
        }
    }
    return options;
}

void ProfileFitWindow::SetControlsEnabled(bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{shape_, fit_, accept_, copy_, close_, paintBox_})
        w->setEnabled(enabled);
    cancelButton_->setEnabled(!enabled);
    if (enabled) {
        UpdateDoubletBox();
        accept_->setEnabled(result_.has_value());
        copy_->setEnabled(result_.has_value());
    } else {
        doublets_->setEnabled(false);
    }
}

void ProfileFitWindow::RunFit() {
    if (fitting_) return;
    if (starts_.empty()) {
        ShowMessage(QStringLiteral("No start peak in the range: click into the chart to add one."));
        return;
    }
    const tools::ProfileFitOptions options = Options();
    fitting_ = true;
    cancel_ = false;
    result_.reset();
    SetControlsEnabled(false);
    progress_->setRange(0, options.MaxEvaluations);
    progress_->setValue(0);
    ShowMessage({});
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // The fit runs here; the progress callback keeps the windows repainting and reads Cancel.
    tools::ProfileFitResult result = tools::FitLineProfiles(
        scan_.Position, scan_.Intensity, from_, to_, starts_, options, [this](int evaluations) {
            progress_->setValue(std::min(evaluations, progress_->maximum()));
            QCoreApplication::processEvents();
            return !cancel_;
        });
    QApplication::restoreOverrideCursor();
    fitting_ = false;
    progress_->setValue(0);
    if (result.Fitted) {
        fitStarts_ = starts_;
        result_ = std::move(result);
    } else {
        ShowMessage(result.Cancelled ? QStringLiteral("The fit was cancelled.") : Q(result.Error));
    }
    SetControlsEnabled(true);
    ShowTable();
    UpdateChart();
    if (result_) emit fitFinished();
}

void ProfileFitWindow::Accept() {
    if (fitting_ || !result_) return;
    std::vector<double> centres;
    for (const tools::ProfilePeak& p : result_->Model.Peaks) centres.push_back(p.Center);
    session_.RunAction([&] { AcceptProfileCentres(session_, fitStarts_, listed_, centres); });
    // The list now holds the fitted centres: a further Accept moves them again.
    listed_ = centres;
    fitStarts_ = centres;
}

void ProfileFitWindow::CopyToClipboard() const {
    if (!result_) return;
    QGuiApplication::clipboard()->setText(
        Q(TableText(ProfileFitTable(*result_, UserDecimalSeparator()))));
}

void ProfileFitWindow::DiscardFit() {
    if (fitting_) return;
    result_.reset();
    ShowMessage({});
    ShowTable();
    UpdateChart();
    accept_->setEnabled(false);
    copy_->setEnabled(false);
}

void ProfileFitWindow::ShowMessage(const QString& text) {
    message_->setText(text);
    message_->setVisible(!text.isEmpty());
}

void ProfileFitWindow::ShowTable() {
    ShowTextTable(table_,
                  result_ ? ProfileFitTable(*result_, UserDecimalSeparator()) : TextTable{});
}

void ProfileFitWindow::UpdateChart() {
    chart_ = ProfileFitChart(scan_, from_, to_, starts_, result_ ? &*result_ : nullptr);
    paintBox_->update();
}

void ProfileFitWindow::ChartClick(Qt::MouseButton button, int px, int py) {
    if (fitting_ || area_.Right <= area_.Left) return;
    const double x = plot::PixelToWorld(px, py, area_).X;
    if (button == Qt::LeftButton) {
        if (x < from_ || x > to_) return;
        AddStartPeak(starts_, x);
    } else if (button == Qt::RightButton) {
        const double perPixel = (area_.XMax - area_.XMin) / (area_.Right - area_.Left);
        if (!RemoveStartPeak(starts_, x, kRemoveTolerancePixels * perPixel)) return;
    } else {
        return;
    }
    DiscardFit();
}

void ProfileFitWindow::PaintChart(QPainter& painter, int width, int height) {
    painter.fillRect(0, 0, width, height, Qt::white);
    QPainterCanvas canvas(painter, UserDecimalSeparator());
    canvas.SetFontName("Arial");
    canvas.SetFontSize(kScreenFontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetPenColor(0x000000);
    canvas.SetBrushColor(0xFFFFFF);
    plot::DrawXYPlot(canvas, 0, 0, width - 3, height, chart_, area_);
}

void ProfileFitWindow::closeEvent(QCloseEvent* event) {
    if (fitting_) {
        // The fit stops first; the window stays until it has.
        cancel_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace trevasc
