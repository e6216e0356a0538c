#include "gui/fitting/PeakFitWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <cmath>

#include "base/NumberText.h"
#include "gui/widgets/Controls.h"
#include "plot/PlotMapping.h"
#include "plot/XrdPlotRenderer.h"
#include "qtcanvas/PlotImageExport.h"
#include "qtcanvas/QPainterCanvas.h"

namespace trevasc {

namespace {
// Charts on screen use "Arial" at 12 points, as the plot and Nelson-Riley windows do.
constexpr int kScreenFontSize = 12;
}  // namespace

class FitPaintBox : public QWidget {
  public:
    explicit FitPaintBox(PeakFitWindow* owner) : QWidget(owner), owner_(owner) {
        setObjectName(QStringLiteral("PaintBox1"));
        setToolTip(
            QStringLiteral("Left button: left background boundary. Right button: right "
                           "background boundary."));
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMinimumSize(320, 200);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        owner_->PaintChart(painter, width(), height());
    }
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        owner_->PlotMouse(event->buttons(), p.x(), p.y());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint p = event->position().toPoint();
        owner_->PlotMouse(event->buttons(), p.x(), p.y());
    }

  private:
    PeakFitWindow* owner_;
};

namespace {
constexpr const char* kNoValue = "-";
}

PeakFitWindow::PeakFitWindow(Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Window), prompts_(prompts) {
    setObjectName(QStringLiteral("PeakFitWindow"));
    setWindowTitle(QStringLiteral("Peak Fitting Module"));

    auto* hint = new QLabel(
        QStringLiteral("Select left and right background range with left/right mouse button."),
        this);
    hint->setObjectName(QStringLiteral("Label1"));
    paintBox_ = new FitPaintBox(this);

    auto* data = new QGroupBox(QStringLiteral("Peak Fit Data"), this);
    data->setObjectName(QStringLiteral("GroupBoxFitData"));
    auto* dataLayout = new QHBoxLayout(data);
    position_ = new QLabel(kNoValue, data);
    position_->setObjectName(QStringLiteral("LabelPosition"));
    position_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    fwhmValue_ = new QLabel(kNoValue, data);
    fwhmValue_->setObjectName(QStringLiteral("LabelFwhm"));
    fwhmValue_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (QLabel* value : {position_, fwhmValue_})
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance("0000.000") + 8);
    dataLayout->addWidget(new QLabel(QStringLiteral("Position:"), data));
    dataLayout->addWidget(position_);
    dataLayout->addSpacing(16);
    dataLayout->addWidget(new QLabel(QStringLiteral("FWHM:"), data));
    dataLayout->addWidget(fwhmValue_);
    dataLayout->addStretch(1);
    message_ = new QLabel(this);
    message_->setObjectName(QStringLiteral("LabelFitMessage"));
    message_->setWordWrap(true);
    message_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette warning = message_->palette();
    warning.setColor(QPalette::WindowText, QColor(176, 0, 0));
    message_->setPalette(warning);
    message_->hide();

    lorentz_ = MakeButton(this, "ButtonLorentzFit", "Lorentz Fit",
                          "Fits a Lorentz profile on the background line (Ctrl+L).");
    gauss_ = MakeButton(this, "ButtonGaussFit", "Gauss Fit",
                        "Fits a Gauss profile on the background line (Ctrl+G).");
    logScaling_ = MakeCheck(this, "CheckBoxLogScaling", "Logarithmic Scaling", false,
                            "Logarithmic intensity axis.");
    animated_ = MakeCheck(this, "CheckBoxAnimated", "animated", true,
                          "Shows the curve after every refinement pass of the fit.");
    accept_ = MakeButton(this, "ButtonAccept", "Accept and update peak list",
                         "Puts the fitted position into the peak list (Enter).");
    cancel_ = MakeButton(this, "ButtonCancel", "Cancel",
                         "Closes the window without changing the peak list (Esc).");
    accept_->setDefault(true);

    auto* fitButtons = new QHBoxLayout;
    fitButtons->addWidget(lorentz_);
    fitButtons->addWidget(gauss_);
    fitButtons->addSpacing(16);
    fitButtons->addWidget(logScaling_);
    fitButtons->addWidget(animated_);
    fitButtons->addStretch(1);
    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch(1);
    closeButtons->addWidget(accept_);
    closeButtons->addWidget(cancel_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(paintBox_, 1);
    layout->addWidget(data);
    layout->addWidget(message_);
    layout->addLayout(fitButtons);
    layout->addLayout(closeButtons);
    resize(720, 540);

    connect(lorentz_, &QPushButton::clicked, this, [this] { RunFit(tools::FitProfile::Lorentz); });
    connect(gauss_, &QPushButton::clicked, this, [this] { RunFit(tools::FitProfile::Gauss); });
    connect(logScaling_, &QCheckBox::toggled, this, [this](bool on) {
        dataset_.LogY = on;
        paintBox_->update();
    });
    connect(accept_, &QPushButton::clicked, this, &PeakFitWindow::Accept);
    connect(cancel_, &QPushButton::clicked, this, &PeakFitWindow::Reject);
    auto shortcut = [this](QList<QKeySequence> keys, const QPushButton* button, auto slot) {
        connect(AddShortcut(this, keys, button->text()), &QShortcut::activated, this, slot);
    };
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_L)}, lorentz_, [this] {
        if (lorentz_->isEnabled()) RunFit(tools::FitProfile::Lorentz);
    });
    shortcut({QKeySequence(Qt::CTRL | Qt::Key_G)}, gauss_, [this] {
        if (gauss_->isEnabled()) RunFit(tools::FitProfile::Gauss);
    });
    shortcut({QKeySequence(Qt::Key_Escape)}, cancel_, [this] { Reject(); });
    // Return and the keypad's Enter.
    shortcut({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}, accept_, [this] {
        if (accept_->isEnabled()) Accept();
    });
}

PeakFitWindow::~PeakFitWindow() {
    if (waitLoop_) waitLoop_->quit();
}

QWidget* PeakFitWindow::PaintBox() const {
    return paintBox_;
}

void PeakFitWindow::Initialise(int first, int last, const TDataPointArray& points, double xL,
                               double xR) {
    points_ = points;
    const int n = static_cast<int>(points_.size());
    first_ = n == 0 ? 0 : std::clamp(first, 0, n - 1);
    last_ = n == 0 ? -1 : std::clamp(last, first_, n - 1);
    dataset_ = tools::BuildFitPlotDataset(points_, first_, last_, logScaling_->isChecked());
    overlay_ = tools::FitOverlayColors(plot::TFitOverlay{});
    overlay_.LeftBoundary = xL;
    overlay_.RightBoundary = xR;
    acceptState_ = -1;
    cancelFit_ = false;
    DiscardFit();
}

void PeakFitWindow::OpenFitWindow(int first, int last, const TDataPointArray& points) {
    autoMode_ = false;
    centre_.reset();
    const int n = static_cast<int>(points.size());
    const double xL = n ? points[static_cast<size_t>(std::clamp(first, 0, n - 1))].Position : 0;
    const double xR = n ? points[static_cast<size_t>(std::clamp(last, 0, n - 1))].Position : 0;
    Initialise(first, last, points, xL, xR);
    SetControlsEnabled(true);
    accept_->setDefault(true);
    cancel_->setDefault(false);
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

double PeakFitWindow::AutoFit(int first, int last, tools::FitProfile profile,
                              const TDataPointArray& points, double xL, double xR,
                              const tools::CentreInterval& centre) {
    autoMode_ = true;
    centre_ = centre;
    stopAutoFits_ = false;
    animated_->setChecked(true);
    logScaling_->setChecked(false);
    Initialise(first, last, points, xL, xR);
    SetControlsEnabled(false);
    // The main window is disabled meanwhile; this window stays usable for Accept and Cancel.
    setWindowModality(Qt::NonModal);
    show();
    raise();
    RunFit(profile);
    if (acceptState_ == -1) {
        const bool fitted = overlay_.ProfileKind != 0;
        accept_->setEnabled(fitted);
        cancel_->setEnabled(true);
        // Enter accepts only a fit that worked.
        accept_->setDefault(fitted);
        cancel_->setDefault(!fitted);
        (fitted ? accept_ : cancel_)->setFocus();
        QEventLoop loop;
        waitLoop_ = &loop;
        waiting_ = true;
        loop.exec();
        waiting_ = false;
        waitLoop_ = nullptr;
    }
    autoMode_ = false;
    centre_.reset();
    return acceptState_ == 1 && overlay_.ProfileKind != 0 ? overlay_.Center : -1.0;
}

void PeakFitWindow::SetControlsEnabled(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{lorentz_, gauss_, logScaling_, animated_,
                                                      accept_, cancel_, paintBox_})
        w->setEnabled(enabled);
}

void PeakFitWindow::DiscardFit() {
    overlay_.ProfileKind = 0;
    fwhm_ = 0.0;
    ShowValues();
    ShowMessage({});
    paintBox_->update();
}

void PeakFitWindow::ShowMessage(const std::string& message) {
    message_->setText(Q(message));
    message_->setVisible(!message.empty());
}

void PeakFitWindow::ShowValues() {
    if (overlay_.ProfileKind == 0) {
        position_->setText(kNoValue);
        fwhmValue_->setText(kNoValue);
        return;
    }
    const char separator = UserDecimalSeparator();
    position_->setText(Q(FormatFixed(overlay_.Center, 3, separator)));
    fwhmValue_->setText(Q(FormatFixed(fwhm_, 3, separator)));
}

void PeakFitWindow::SetBoundary(bool left, double x) {
    if (fitting_ || !std::isfinite(x)) return;
    if (left) {
        overlay_.LeftBoundary = x;
        if (overlay_.LeftBoundary > overlay_.RightBoundary) overlay_.RightBoundary = x;
    } else {
        overlay_.RightBoundary = x;
        if (overlay_.RightBoundary < overlay_.LeftBoundary) overlay_.LeftBoundary = x;
    }
    DiscardFit();
}

void PeakFitWindow::PlotMouse(Qt::MouseButtons buttons, int px, int py) {
    if (dataset_.Count() == 0 || area_.Right <= area_.Left) return;
    const double x = plot::PixelToWorld(px, py, area_).X;
    if (buttons & Qt::LeftButton) {
        SetBoundary(true, x);
    } else if (buttons & Qt::RightButton) {
        SetBoundary(false, x);
    }
}

void PeakFitWindow::RunFit(tools::FitProfile profile) {
    if (fitting_) return;
    overlay_.ProfileKind = 0;
    const tools::PeakFit fit(points_, first_, last_);
    if (fit.BackgroundAreaTooLarge(overlay_.LeftBoundary, overlay_.RightBoundary)) {
        DiscardFit();
        prompts_.ShowError(tools::kBackgroundTooLargeMessage);
        return;
    }
    // The window takes no input but Cancel while the fit runs; it repaints after every width
    // factor and, when animated, shows each pass's best curve.
    fitting_ = true;
    cancelFit_ = false;
    SetControlsEnabled(false);
    cancel_->setEnabled(true);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool animated = animated_->isChecked();
    const double xL = overlay_.LeftBoundary, xR = overlay_.RightBoundary;
    const tools::FitResult result = fit.Run(
        profile, xL, xR,
        [&](const tools::FitProgress& p) {
            if (p.PassFinished && animated) {
                overlay_.ProfileKind = static_cast<uint8_t>(profile);
                overlay_.Center = p.Best.Center;
                overlay_.WidthFactor = p.Best.WidthFactor;
                overlay_.Amplitude = p.Best.Amplitude;
                paintBox_->repaint();
            }
            QCoreApplication::processEvents();
            return !cancelFit_;
        },
        centre_);
    QApplication::restoreOverrideCursor();
    fitting_ = false;
    if (result.Fitted) {
        const plot::TFitOverlay colours = overlay_;
        overlay_ = result.Overlay;
        overlay_.FitColor = colours.FitColor;
        overlay_.BackgroundColor = colours.BackgroundColor;
        overlay_.CenterColor = colours.CenterColor;
        overlay_.HalfWidthColor = colours.HalfWidthColor;
        overlay_.BoundaryColor = colours.BoundaryColor;
        fwhm_ = result.Fwhm;
        ShowValues();
        ShowMessage({});
        paintBox_->update();
    } else {
        DiscardFit();
        // A fit that ran but ended where its centre means nothing is told in the window; the
        // documented message box stays for boundaries that leave nothing to fit.
        if (result.Error == tools::kBackgroundTooLargeMessage)
            prompts_.ShowError(result.Error);
        else if (!result.Cancelled)
            ShowMessage(result.Error);
    }
    if (autoMode_) {
        // Only Accept and Cancel take input while the automatic mode waits.
        accept_->setEnabled(result.Fitted);
        cancel_->setEnabled(true);
        if (result.Cancelled) Finish(0);
    } else {
        SetControlsEnabled(true);
        if (result.Cancelled) Finish(0);
    }
}

void PeakFitWindow::Finish(int state) {
    acceptState_ = state;
    if (waitLoop_) {
        waitLoop_->quit();
    } else if (!autoMode_) {
        hide();
    }
}

void PeakFitWindow::Accept() {
    if (fitting_) return;
    if (autoMode_) {
        Finish(1);
        return;
    }
    const bool fitted = overlay_.ProfileKind != 0;
    const double position = overlay_.Center;
    Finish(1);
    if (fitted) emit fitAccepted(position);
}

void PeakFitWindow::Reject() {
    if (fitting_) {
        cancelFit_ = true;  // RunFit finishes as cancelled
        return;
    }
    Finish(0);
}

void PeakFitWindow::closeEvent(QCloseEvent* event) {
    if (fitting_) {
        cancelFit_ = true;
        event->ignore();
        return;
    }
    if (waitLoop_) stopAutoFits_ = true;  // closing the window ends the automatic fits
    Finish(0);
    QWidget::closeEvent(event);
}

void PeakFitWindow::PaintChart(QPainter& painter, int width, int height) {
    painter.fillRect(0, 0, width, height, Qt::white);
    if (dataset_.Count() == 0) return;
    QPainterCanvas canvas(painter, UserDecimalSeparator());
    canvas.SetFontName("Arial");
    canvas.SetFontSize(kScreenFontSize);
    canvas.SetFontColor(0x000000);
    canvas.SetPenColor(0x000000);
    canvas.SetBrushColor(0xFFFFFF);
    plot::DrawFitPlot(canvas, 0, 0, width - 3, height, overlay_, dataset_, area_);
}

}  // namespace trevasc
