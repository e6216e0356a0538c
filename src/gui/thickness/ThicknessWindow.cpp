#include "gui/thickness/ThicknessWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QSpinBox>
#include <QVBoxLayout>

#include "gui/lattice/LatticeWindow.h"
#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/ListGroup.h"
#include "gui/widgets/XrayTubeSelector.h"
#include "qtcanvas/PlotImageExport.h"
#include "session/ToolHandOver.h"

namespace trevasc {

namespace {

QStringList Rows(const std::vector<std::string>& rows) {
    QStringList list;
    for (const std::string& r : rows) list << Q(r);
    return list;
}

QListWidget* MakeList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    list->setMouseTracking(true);
    return list;
}

}  // namespace

ThicknessWindow::ThicknessWindow(WorkbenchSession& session, const QString& xrayIniPath,
                                 QWidget* parent)
    : QMainWindow(parent), session_(session), calc_(UserDecimalSeparator()) {
    setObjectName("XrrWindow");
    setWindowTitle(kThicknessCaption);
    // Its own selector: it reads CONFIG/DEFAULTENERGY at creation and never writes it.
    selector_ = new XrayTubeSelector(xrayIniPath, session_.GetPrompts(), this);
    BuildControls();
    session_.Peaks().AddObserver(this);
    resize(720, 520);
}

ThicknessWindow::~ThicknessWindow() {
    session_.Peaks().RemoveObserver(this);
}

double ThicknessWindow::Wavelength() const {
    return selector_->Wavelength();
}

void ThicknessWindow::BuildControls() {
    auto* central = new QWidget(this);
    setCentralWidget(central);
    auto* layout = new QVBoxLayout(central);

    auto* top = new QHBoxLayout;
    auto* inputs = new QGridLayout;
    const auto field = tools::FilmThicknessCalculation::ThicknessField();
    thickness_ = new FloatEdit(central, field.Min(), field.Max(), 4.0, field.Digits());
    thickness_->setObjectName("FloatEdit1");
    firstIndex_ = new QSpinBox(central);
    firstIndex_->setObjectName("SpinEdit1");
    firstIndex_->setRange(tools::FilmThicknessCalculation::kMinIndex,
                          tools::FilmThicknessCalculation::kMaxIndex);
    firstIndex_->setValue(1);
    half_ = new QCheckBox("+½", central);
    half_->setObjectName("CheckBox2");
    fitOrders_ = MakeButton(central, "ButtonFitOrders", "Fit orders",
                            "Chooses the order of the first fringe (0.5, 1, 1.5 ... 100) that puts "
                            "sin²θ on the straightest line against the squared order, then "
                            "calculates.");
    inputs->addWidget(MakeLabel(central, "Thickness from peak dist. [nm]", thickness_), 0, 0);
    inputs->addWidget(thickness_, 0, 1, 1, 3);  // its 10 digits need the width of the row
    inputs->addWidget(MakeLabel(central, "Index of first peak", firstIndex_), 1, 0);
    inputs->addWidget(firstIndex_, 1, 1);
    inputs->addWidget(half_, 1, 2);
    inputs->addWidget(fitOrders_, 1, 3);
    inputs->setColumnStretch(1, 1);
    top->addLayout(inputs, 1);
    top->addWidget(selector_);
    layout->addLayout(top);

    auto* lists = new QGridLayout;
    peaks_ = MakeList(central, "ListBox1");
    spacings_ = MakeList(central, "ListBox2");
    orders_ = MakeList(central, "ListBox3");
    thicknesses_ = MakeList(central, "ListBox4");
    const std::vector<std::pair<QListWidget*, QString>> columns = {
        {peaks_, "Peaks"},
        {spacings_, "Distance d [nm]"},
        {orders_, "Index"},
        {thicknesses_, "Thickness [nm]"}};
    for (int c = 0; c < 4; ++c) {
        const auto& column = columns[static_cast<size_t>(c)];
        lists->addWidget(MakeLabel(central, column.second, column.first), 0, c);
        lists->addWidget(column.first, 1, c);
    }
    lists_ = new ListGroup({peaks_, spacings_, orders_, thicknesses_}, this);
    deleteSelected_ = MakeButton(central, "Button3", "Delete selected",
                                 "Click to delete the selected peak from the list.");
    lists->addWidget(deleteSelected_, 2, 0);
    layout->addLayout(lists, 1);

    auto* bottom = new QHBoxLayout;
    auto* results = new QGroupBox("Total lattice data", central);
    auto* grid = new QGridLayout(results);
    const auto meanField = tools::FilmThicknessCalculation::MeanField();
    const auto deviationField = tools::FilmThicknessCalculation::DeviationField();
    mean_ = new FloatEdit(results, meanField.Min(), meanField.Max(), 0.0, meanField.Digits());
    mean_->setObjectName("FloatEdit2");
    mean_->setReadOnly(true);
    deviation_ = new FloatEdit(results, deviationField.Min(), deviationField.Max(), 0.0,
                               deviationField.Digits());
    deviation_->setObjectName("FloatEdit3");
    deviation_->setReadOnly(true);
    grid->addWidget(MakeLabel(results, "Arithmetic mean [nm]", mean_), 0, 0);
    grid->addWidget(mean_, 0, 1);
    grid->addWidget(MakeLabel(results, "Standard deviation [nm]", deviation_), 1, 0);
    grid->addWidget(deviation_, 1, 1);
    // The refraction line needs three fringes; below that both fields show "-".
    const auto refractionField = tools::FilmThicknessCalculation::RefractionField();
    const auto criticalField = tools::FilmThicknessCalculation::CriticalAngleField();
    refraction_ = new FloatEdit(results, refractionField.Min(), refractionField.Max(), 0.0,
                                refractionField.Digits());
    refraction_->setObjectName("FloatEditRefraction");
    critical_ = new FloatEdit(results, criticalField.Min(), criticalField.Max(), 0.0,
                              criticalField.Digits());
    critical_->setObjectName("FloatEditCriticalAngle");
    for (FloatEdit* edit : {refraction_, critical_}) {
        edit->setReadOnly(true);
        edit->setText(tools::FilmThicknessCalculation::kNoRefractionText);
    }
    refraction_->setToolTip(
        "Thickness from the line of sin²θ against the squared order, which allows for "
        "refraction in the film (at least three fringes).");
    critical_->setToolTip("Critical angle from the intercept of the same line.");
    grid->addWidget(MakeLabel(results, "Refraction-corrected [nm]", refraction_), 2, 0);
    grid->addWidget(refraction_, 2, 1);
    grid->addWidget(MakeLabel(results, "Critical angle 2θc [°]", critical_), 3, 0);
    grid->addWidget(critical_, 3, 1);
    bottom->addWidget(results, 1);
    auto* commands = new QVBoxLayout;
    addIds_ = new QCheckBox("Add peak IDs", central);
    addIds_->setObjectName("CheckBox1");
    calculate_ = new QPushButton("Calculate thickness data", central);
    calculate_->setObjectName("Button1");
    commands->addWidget(addIds_);
    commands->addWidget(calculate_);
    commands->addStretch(1);
    bottom->addLayout(commands);
    layout->addLayout(bottom);

    connect(calculate_, &QPushButton::clicked, this, &ThicknessWindow::CalculateClick);
    connect(AddShortcut(this, {QKeySequence(Qt::Key_F5)}, calculate_->text()),
            &QShortcut::activated, this, &ThicknessWindow::CalculateClick);
    connect(deleteSelected_, &QPushButton::clicked, this, &ThicknessWindow::DeleteSelectedClick);
    connect(thickness_, &QLineEdit::textEdited, this, [this](const QString& text) {
        session_.RunAction([&] { calc_.ThicknessEdited(S(text), Wavelength()); });
        ShowCalculation(false);
    });
    connect(firstIndex_, &QSpinBox::valueChanged, this, [this](int value) {
        if (showing_) return;
        calc_.SetFirstIndex(value);
        ShowCalculation();
    });
    connect(half_, &QCheckBox::toggled, this, [this](bool on) {
        if (showing_) return;
        const int index = calc_.FirstIndex();
        calc_.SetHalfOrders(on);
        // Index 0 is allowed only as order ½: the field's minimum follows the box.
        showing_ = true;
        firstIndex_->setMinimum(calc_.MinFirstIndex());
        showing_ = false;
        if (calc_.FirstIndex() != index) ShowCalculation();
    });
    connect(fitOrders_, &QPushButton::clicked, this, &ThicknessWindow::FitOrdersClick);
    windowMenu_ = menuBar()->addMenu("&Window");
}

void ThicknessWindow::ShowCalculation(bool writeThickness) {
    showing_ = true;
    lists_->SetRows(peaks_, Rows(calc_.PeakRows()));
    lists_->SetRows(spacings_, Rows(calc_.SpacingRows()));
    lists_->SetRows(orders_, Rows(calc_.OrderRows()));
    lists_->SetRows(thicknesses_, Rows(calc_.ThicknessRows()));
    // While the user types, the field keeps the typed text.
    if (writeThickness) thickness_->setText(Q(calc_.ThicknessText()));
    half_->setChecked(calc_.HalfOrders());
    firstIndex_->setMinimum(calc_.MinFirstIndex());
    firstIndex_->setValue(calc_.FirstIndex());
    mean_->setText(Q(calc_.MeanText()));
    deviation_->setText(Q(calc_.DeviationText()));
    refraction_->setText(Q(calc_.RefractionText()));
    critical_->setText(Q(calc_.CriticalAngleText()));
    addIds_->setChecked(calc_.AddPeakIds);
    showing_ = false;
}

void ThicknessWindow::RunEstimate() {
    session_.RunAction([this] { calc_.Estimate(Wavelength()); });
    ShowCalculation();
}

void ThicknessWindow::CalculateClick() {
    calc_.AddPeakIds = addIds_->isChecked();
    calc_.SetHalfOrders(half_->isChecked());
    session_.RunAction([this] { ApplyThicknessEffects(session_, calc_.Calculate(Wavelength())); });
    // The check box is unchecked after every calculation, failed or not.
    calc_.AddPeakIds = false;
    ShowCalculation();
}

void ThicknessWindow::FitOrdersClick() {
    if (!session_.RunAction([this] { calc_.FitOrders(Wavelength()); })) return;
    ShowCalculation();
    CalculateClick();
}

void ThicknessWindow::DeleteSelectedClick() {
    const int row = lists_->SelectedRow();
    if (row < 0) return;
    session_.RunAction([&] { calc_.DeleteRow(row, Wavelength()); });
    ShowCalculation();
}

void ThicknessWindow::SetOld(bool old) {
    if (old) calc_.MarkOld();
    setWindowTitle(old ? kThicknessOldCaption : kThicknessCaption);
}

void ThicknessWindow::ShowWindow() {
    if (calc_.OldData()) session_.GetPrompts().ShowInfo(kOldPeakDataMessage);
    RunEstimate();
    show();
    raise();
    activateWindow();
}

void ThicknessWindow::CheckedPeaksSent(PeakHandOverTarget target,
                                       const std::vector<std::string>& rows, const std::string&) {
    if (target != PeakHandOverTarget::Thickness) return;
    calc_.ReceivePeaks(rows);
    SetOld(false);
    ShowCalculation();
    ShowWindow();
}

void ThicknessWindow::PeakDataOutdated() {
    SetOld(true);
}

void ThicknessWindow::closeEvent(QCloseEvent* event) {
    emit windowClosing();
    event->accept();
}

}  // namespace trevasc
