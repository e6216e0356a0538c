#include "gui/lattice/LatticeWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

#include "gui/lattice/LatticeDialogs.h"
#include "gui/lattice/NelsonRileyWindow.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/ListGroup.h"
#include "gui/widgets/XrayTubeSelector.h"
#include "qtcanvas/PlotImageExport.h"
#include "session/ToolHandOver.h"

namespace trevasc {

namespace {

constexpr const char* kAutoScanCaption = "Auto scan";

QListWidget* MakeList(QWidget* parent, const char* name, const QString& hint) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setToolTip(hint);
    list->setMouseTracking(true);
    return list;
}

FloatEdit* MakeField(QWidget* parent, const char* name, const TFloatEditValue& rules, double value,
                     const QString& hint, bool readOnly) {
    auto* edit = new FloatEdit(parent, rules.Min(), rules.Max(), value, rules.Digits());
    edit->setObjectName(name);
    edit->setToolTip(hint);
    edit->setReadOnly(readOnly);
    return edit;
}

// The blue underlined caption "Error" that opens the error info window.
QLabel* MakeErrorCaption(QWidget* parent, const char* name, const QString& hint) {
    auto* label = new QLabel("<a href=\"info\" style=\"color: blue\">Error</a>", parent);
    label->setObjectName(name);
    label->setToolTip(hint);
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    return label;
}

QStringList Rows(const std::vector<std::string>& rows) {
    QStringList list;
    for (const std::string& r : rows) list << Q(r);
    return list;
}

// Disables a window for a long loop and enables it again however the loop ends.
class DisabledWhileBusy {
  public:
    explicit DisabledWhileBusy(QWidget* window) : window_(window) { window_->setEnabled(false); }
    ~DisabledWhileBusy() { window_->setEnabled(true); }
    DisabledWhileBusy(const DisabledWhileBusy&) = delete;
    DisabledWhileBusy& operator=(const DisabledWhileBusy&) = delete;

  private:
    QWidget* window_;
};

}  // namespace

LatticeWindow::LatticeWindow(WorkbenchSession& session, Dialogs& dialogs,
                             const QString& xrayIniPath, QWidget* parent)
    : QMainWindow(parent), session_(session), dialogs_(dialogs), calc_(UserDecimalSeparator()) {
    setObjectName("LatticeWindow");
    setWindowTitle(kLatticeCaption);
    selector_ = new XrayTubeSelector(xrayIniPath, session_.GetPrompts(), this);
    BuildControls();
    autoScanDialog_ = new AutoScanDialog(this);
    hklDialog_ = new HklAssignDialog(this);
    session_.Settings().SetCurrentWavelength(selector_->Wavelength());
    connect(selector_, &XrayTubeSelector::wavelengthChanged, this,
            [this](double angstrom) { session_.Settings().SetCurrentWavelength(angstrom); });
    session_.Peaks().AddObserver(this);
    resize(780, 560);
}

std::string LatticeWindow::SelectedLineName() const {
    if (selector_->SelectedIndex() < 0) return {};
    return S(selector_->TransitionList()->currentText());
}

LatticeWindow::~LatticeWindow() {
    session_.Peaks().RemoveObserver(this);
    // The lattice window's X-ray selection is the one kept for the next start.
    selector_->SaveDefaultEnergy();
}

void LatticeWindow::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);

    // Expected lattice constant, direction and the X-ray tube.
    auto* top = new QHBoxLayout;
    auto* inputs = new QGridLayout;
    expected_ = MakeField(central, "FloatEdit1", tools::LatticeCalculation::ExpectedField(), 4.0,
                          "Enter the expected lattice parameter of your sample here.", false);
    auto_ = MakeButton(central, "Button4", "Auto",
                       "Tries to find a suitable lattice spacing to fit all peaks (assuming an "
                       "single-domain epitaxial film).");
    direction_ = new QLineEdit("1,0,0", central);
    direction_->setObjectName("Edit1");
    direction_->setToolTip("Multiplier used for display in the hkl list.");
    inputs->addWidget(MakeLabel(central, "Expected lattice constant [Å]", expected_), 0, 0);
    inputs->addWidget(expected_, 0, 1);
    inputs->addWidget(auto_, 0, 2);
    inputs->addWidget(MakeLabel(central, "Direction h,k,l", direction_), 1, 0);
    inputs->addWidget(direction_, 1, 1);
    inputs->setColumnStretch(1, 1);
    top->addLayout(inputs, 1);
    top->addWidget(selector_);
    layout->addLayout(top);

    // The four lists.
    auto* lists = new QGridLayout;
    peaks_ = MakeList(central, "ListBox1", "Peak positions used for the calculation.");
    spacings_ = MakeList(central, "ListBox2",
                         "Lattice distance d calculated from the peak "
                         "positions.");
    hkl_ = MakeList(central, "ListBox3",
                    "Multiplier used for the peak to calculate the lattice constant from the "
                    "distance value d. Italic values mean manual assignment.");
    lattice_ = MakeList(central, "ListBox4",
                        "Lattice constant calculated from the hkl-multiplier and the distance d.");
    const std::vector<std::pair<QListWidget*, QString>> columns = {
        {peaks_, "Peaks"},
        {spacings_, "Distance d [Å]"},
        {hkl_, "h,k,l"},
        {lattice_, "Lattice constant [Å]"}};
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        lists->addWidget(MakeLabel(central, columns[static_cast<size_t>(c)].second,
                                   columns[static_cast<size_t>(c)].first),
                         0, c);
        lists->addWidget(columns[static_cast<size_t>(c)].first, 1, c);
        // The Delete key in a list acts as "Delete selected".
        connect(AddShortcut(columns[static_cast<size_t>(c)].first, {QKeySequence(Qt::Key_Delete)},
                            "Delete selected", Qt::WidgetShortcut),
                &QShortcut::activated, this, &LatticeWindow::DeleteSelectedClick);
    }
    lists_ = new ListGroup({peaks_, spacings_, hkl_, lattice_}, this);
    deleteSelected_ = MakeButton(central, "Button3", "Delete selected",
                                 "Click to delete the selected peak from the list.");
    assign_ = MakeButton(central, "Button5", "Assign manually",
                         "Click to assign the hkl-multiplier manually");
    lists->addWidget(deleteSelected_, 2, 0);
    lists->addWidget(assign_, 2, 2);
    layout->addLayout(lists, 1);

    // Results and commands.
    auto* bottom = new QHBoxLayout;
    auto* results = new QGroupBox("Total lattice data", central);
    auto* grid = new QGridLayout(results);
    const auto meanField = tools::LatticeCalculation::MeanField();
    const auto errorField = tools::LatticeCalculation::ErrorField();
    mean_ = MakeField(results, "FloatEdit2", meanField, 0.0,
                      "Arithmetic mean value of the lattice constant list.", true);
    meanError_ = MakeField(results, "FloatEdit3", errorField, 0.0,
                           "Standard error of the mean. Click on caption for more info.", true);
    nelsonRileyValue_ =
        MakeField(results, "FloatEdit4", tools::LatticeCalculation::NelsonRileyField(), 0.0,
                  "Nelson-Riley fit of the lattice constant list.", true);
    nelsonRileyError_ = MakeField(
        results, "FloatEdit5", errorField, 0.0,
        "Statistical error of the Nelson-Riley fit. Click on caption for more info.", true);
    meanErrorCaption_ = MakeErrorCaption(
        results, "LabelMeanError", "Standard error of the mean. Click on caption for more info.");
    nelsonRileyErrorCaption_ = MakeErrorCaption(
        results, "LabelNelsonRileyError",
        "Statistical error of the Nelson-Riley fit. Click on caption for more info.");
    for (QLabel* caption : {meanErrorCaption_, nelsonRileyErrorCaption_})
        connect(caption, &QLabel::linkActivated, this, [this] { emit errorInfoRequested(); });
    grid->addWidget(MakeLabel(results, "Arithmetic mean [Å]", mean_), 0, 0);
    grid->addWidget(mean_, 0, 1);
    grid->addWidget(meanErrorCaption_, 0, 2);
    grid->addWidget(meanError_, 0, 3);
    grid->addWidget(MakeLabel(results, "Nelson-Riley [Å]", nelsonRileyValue_), 1, 0);
    grid->addWidget(nelsonRileyValue_, 1, 1);
    grid->addWidget(nelsonRileyErrorCaption_, 1, 2);
    grid->addWidget(nelsonRileyError_, 1, 3);
    bottom->addWidget(results, 1);
    auto* commands = new QVBoxLayout;
    addIds_ = MakeCheck(central, "CheckBox1", "Add peak IDs", false,
                        "Automatically add the hkl multiplier as identifier to the main window "
                        "peak list.");
    calculate_ = MakeButton(central, "Button1", "Calculate lattice data",
                            "Recalculate the hkl multipliers and the lattice data (don't update "
                            "the Nelson-Riley plot window).");
    plot_ = MakeButton(central, "Button2", "Nelson-Riley plot",
                       "Recalculate the hkl multipliers and the lattice data, open and update "
                       "the Nelson-Riley window.");
    commands->addWidget(addIds_);
    commands->addWidget(calculate_);
    commands->addWidget(plot_);
    commands->addStretch(1);
    bottom->addLayout(commands);
    layout->addLayout(bottom);

    connect(auto_, &QPushButton::clicked, this, &LatticeWindow::AutoClick);
    connect(deleteSelected_, &QPushButton::clicked, this, &LatticeWindow::DeleteSelectedClick);
    connect(assign_, &QPushButton::clicked, this, &LatticeWindow::AssignManuallyClick);
    connect(calculate_, &QPushButton::clicked, this, &LatticeWindow::CalculateClick);
    connect(plot_, &QPushButton::clicked, this, &LatticeWindow::NelsonRileyPlotClick);
    // Keyboard: F5 calculates, F6 draws the Nelson-Riley plot.
    connect(AddShortcut(this, {QKeySequence(Qt::Key_F5)}, calculate_->text()),
            &QShortcut::activated, this, &LatticeWindow::CalculateClick);
    connect(AddShortcut(this, {QKeySequence(Qt::Key_F6)}, plot_->text()), &QShortcut::activated,
            this, &LatticeWindow::NelsonRileyPlotClick);

    windowMenu_ = menuBar()->addMenu("&Window");
    QMenu* nelsonRiley = menuBar()->addMenu("&Nelson-Riley");
    QAction* adjust = nelsonRiley->addAction("&Adjust peaks in main window according to plot");
    connect(adjust, &QAction::triggered, this, &LatticeWindow::AdjustPeaksClick);
}

void LatticeWindow::ReadFields() {
    calc_.ExpectedText = S(expected_->text());
    calc_.DirectionFieldText = S(direction_->text());
    calc_.AddPeakIds = addIds_->isChecked();
}

void LatticeWindow::ShowCalculation() {
    const int row = lists_->SelectedRow();
    lists_->SetRows(peaks_, Rows(calc_.PeakRows()));
    lists_->SetRows(spacings_, Rows(calc_.SpacingRows()));
    lists_->SetRows(hkl_, Rows(calc_.HklRows()));
    lists_->SetRows(lattice_, Rows(calc_.LatticeRows()));
    for (int i = 0; i < hkl_->count(); ++i) {
        QFont font = hkl_->font();
        font.setItalic(calc_.IsManualRow(i));
        hkl_->item(i)->setFont(font);
    }
    lists_->SelectRow(row);
    expected_->setText(Q(calc_.ExpectedText));
    direction_->setText(Q(calc_.DirectionFieldText));
    mean_->setText(Q(calc_.MeanText()));
    meanError_->setText(Q(calc_.ErrorText()));
    nelsonRileyValue_->setText(Q(calc_.NelsonRileyText()));
    nelsonRileyError_->setText(Q(calc_.NelsonRileyErrorText()));
    addIds_->setChecked(calc_.AddPeakIds);
}

void LatticeWindow::Apply(const tools::TLatticeEffects& effects) {
    using NR = tools::TLatticeEffects::NelsonRiley;
    if (nelsonRiley_) {
        if (effects.NelsonRileyWindow == NR::Hide) nelsonRiley_->HideWindow();
        if (effects.NelsonRileyWindow == NR::HideAndMarkOld) {
            nelsonRiley_->HideWindow();
            nelsonRiley_->MarkOld();
        }
        if (effects.NelsonRileyWindow == NR::Show) nelsonRiley_->SetData(effects.NelsonRileyData);
    }
    ApplyLatticeEffects(session_, effects);
}

void LatticeWindow::CalculateClick() {
    ReadFields();
    session_.RunAction(
        [this] { Apply(calc_.CalculateLatticeData(session_.Settings().CurrentWavelength())); });
    ShowCalculation();
}

void LatticeWindow::NelsonRileyPlotClick() {
    ReadFields();
    session_.RunAction(
        [this] { Apply(calc_.NelsonRileyPlot(session_.Settings().CurrentWavelength())); });
    ShowCalculation();
}

void LatticeWindow::AutoClick() {
    if (calc_.PeakRows().empty()) return;
    if (!dialogs_.ExecDialog(*autoScanDialog_)) return;
    ReadFields();
    const double start = autoScanDialog_->Start();
    const double end = autoScanDialog_->End();
    const double step = autoScanDialog_->Step();
    session_.RunAction([&] {
        DisabledWhileBusy busy(this);
        struct ProgressEnd {
            WorkbenchSession& session;
            ~ProgressEnd() { session.Progress().End(kAutoScanCaption); }
        };
        session_.Progress().Begin(kAutoScanCaption, 0);
        ProgressEnd finish{session_};
        Apply(calc_.AutoScanLattice(session_.Settings().CurrentWavelength(), start, end, step,
                                    [this](int64_t done, int64_t total) {
                                        return session_.Progress().Report(kAutoScanCaption,
                                                                          static_cast<int>(done),
                                                                          static_cast<int>(total));
                                    }));
    });
    ShowCalculation();
}

void LatticeWindow::AssignManuallyClick() {
    const int row = hkl_->currentRow();
    if (row < 0 || row >= static_cast<int>(calc_.PeakRows().size())) {
        session_.GetPrompts().ShowInfo("Please select a row of the h,k,l list first.");
        return;
    }
    hklDialog_->SetMultiplier(calc_.ManualMultiplier(row));
    if (!dialogs_.ExecDialog(*hklDialog_)) return;
    ReadFields();
    const int value = hklDialog_->Multiplier();
    session_.RunAction([&] {
        Apply(calc_.AssignManualMultiplier(row, value, session_.Settings().CurrentWavelength()));
    });
    ShowCalculation();
    lists_->SelectRow(row);
}

void LatticeWindow::DeleteSelectedClick() {
    const int row = lists_->SelectedRow();
    if (row < 0) return;
    calc_.DeleteRow(row);
    ShowCalculation();
}

void LatticeWindow::AdjustPeaksClick() {
    const auto [a0, k] = calc_.TakeStoredFit();
    session_.Peaks().AdjustPositions(a0, k);
}

void LatticeWindow::SetOld(bool old) {
    if (old) calc_.MarkOld();
    setWindowTitle(old ? kLatticeOldCaption : kLatticeCaption);
}

void LatticeWindow::ShowWindow() {
    if (calc_.OldData()) session_.GetPrompts().ShowInfo(kOldPeakDataMessage);
    show();
    raise();
    activateWindow();
}

void LatticeWindow::CheckedPeaksSent(PeakHandOverTarget target,
                                     const std::vector<std::string>& rows,
                                     const std::string& sourceName) {
    if (target != PeakHandOverTarget::Lattice) return;
    calc_.ReceivePeaks(rows, sourceName);
    SetOld(false);
    ShowCalculation();
    ShowWindow();
}

void LatticeWindow::PeakDataOutdated() {
    SetOld(true);
    if (nelsonRiley_) nelsonRiley_->MarkOld();
}

void LatticeWindow::closeEvent(QCloseEvent* event) {
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
