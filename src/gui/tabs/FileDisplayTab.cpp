#include "gui/tabs/FileDisplayTab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <tuple>

#include "gui/widgets/Controls.h"
#include "gui/widgets/FloatEdit.h"

namespace trevasc {

FileDisplayTab::FileDisplayTab(WorkbenchSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName("TabSheet1");
    BuildControls();
    Connect();
    UpdateSpinVisibility();
    FindPeaksEnabledChanged(session_.Peaks().FindEnabled());
    // The session starts from what the controls show.
    session_.Settings().SetProcessing(ProcessingFromControls());
    session_.Settings().SetPeakSearch(PeakSearchFromControls());
    session_.Peaks().AddObserver(this);
    session_.Settings().AddObserver(this);
    session_.View().AddObserver(this);
}

FileDisplayTab::~FileDisplayTab() {
    // The ratio field's editingFinished on losing the focus must not reach a half-destroyed tab.
    kalpha2Ratio_->disconnect(this);
    session_.Peaks().RemoveObserver(this);
    session_.Settings().RemoveObserver(this);
    session_.View().RemoveObserver(this);
}

void FileDisplayTab::BuildControls() {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 6, 6, 6);
    grid->setSpacing(6);
    const plot::XrdPlotSettings display = session_.Settings().Display();

    auto* load = new QGroupBox("Load XRD data", this);
    load->setObjectName("GroupBoxLoad");
    auto* loadGrid = new QGridLayout(load);
    open_ = MakeButton(load, "BitBtnOpen", "&Open data file",
                       "Clears the plot window and open a new XRD file.");
    insert_ = MakeButton(load, "BitBtnInsert", "&Insert plot",
                         "Inserts an additional XRD file into the plot.");
    noiseSuppression_ = MakeCheck(load, "CheckBox1", "Noise suppression", false,
                                  "Check to enable a simple moving average noise suppression.");
    smoothWidth_ = MakeSpin(load, "SpinEdit2", analysis::kMinSmoothWidth, analysis::kMaxSmoothWidth,
                            5, "Averaging window width for the noise suppression.");
    smoothWidthLabel_ = MakeLabel(load, "Average over # samples", smoothWidth_);
    removeBackground_ = MakeCheck(load, "CheckBox11", "Remove background", false,
                                  "Check to enable a background removal by calculating a wide "
                                  "moving average and substracting this average from each data "
                                  "point.");
    backgroundWidth_ =
        MakeSpin(load, "SpinEdit5", analysis::kMinBackgroundWidth, analysis::kMaxBackgroundWidth,
                 40, "Averaging window width for the background removal.");
    backgroundWidthLabel_ = MakeLabel(load, "Average over # samples", backgroundWidth_);
    stripKalpha2_ =
        MakeCheck(load, "CheckBoxStripKalpha2", QString::fromUtf8("Strip Kα2"), false,
                  QString::fromUtf8("Removes the Kα2 part of every peak (Rachinger) "
                                    "before noise suppression and background removal."));
    kalpha2Ratio_ = new FloatEdit(load, tools::kMinKalpha2Ratio, tools::kMaxKalpha2Ratio,
                                  tools::kDefaultKalpha2Ratio, 4);
    kalpha2Ratio_->setObjectName("FloatEditKalpha2Ratio");
    kalpha2Ratio_->setToolTip(QString::fromUtf8(
        "Intensity of the Kα2 line relative to Kα1 (0 … 1), for stripping and doublet fits."));
    kalpha2Ratio_->setMinimumWidth(kalpha2Ratio_->fontMetrics().horizontalAdvance("0.00000") + 14);
    for (QWidget* w :
         {static_cast<QWidget*>(smoothWidth_), static_cast<QWidget*>(smoothWidthLabel_),
          static_cast<QWidget*>(backgroundWidth_), static_cast<QWidget*>(backgroundWidthLabel_)})
        KeepSpaceWhenHidden(w);
    loadGrid->addWidget(open_, 0, 0, 1, 2);
    loadGrid->addWidget(insert_, 1, 0, 1, 2);
    loadGrid->addWidget(noiseSuppression_, 2, 0, 1, 2);
    loadGrid->addWidget(smoothWidthLabel_, 3, 0);
    loadGrid->addWidget(smoothWidth_, 3, 1);
    loadGrid->addWidget(removeBackground_, 4, 0, 1, 2);
    loadGrid->addWidget(backgroundWidthLabel_, 5, 0);
    loadGrid->addWidget(backgroundWidth_, 5, 1);
    loadGrid->addWidget(stripKalpha2_, 6, 0, 1, 2);
    loadGrid->addWidget(MakeLabel(load, QString::fromUtf8("Kα2/Kα1 ratio"), kalpha2Ratio_), 7, 0);
    loadGrid->addWidget(kalpha2Ratio_, 7, 1);

    auto* displayGroup = new QGroupBox("Display", this);
    displayGroup->setObjectName("GroupBoxDisplay");
    auto* displayLayout = new QVBoxLayout(displayGroup);
    logScaling_ = MakeCheck(displayGroup, "CheckBox4", "Logarithmic scaling", display.LogScaling,
                            "Shows the intensity axis of the plot on a logarithmic scale.");
    showSlope_ = MakeCheck(displayGroup, "CheckBox6", "Show slope", display.ShowSlope,
                           "Shows the slope of the main plot on a second axis.");
    scaleOnAll_ =
        MakeCheck(displayGroup, "CheckBox8", "Scale on all graphs", display.ScaleOnAllGraphs,
                  "Scales the intensity axis so that all opened plots fit.");
    offsetGraphs_ = MakeCheck(displayGroup, "CheckBox10", "Offset addit. graphs",
                              display.OffsetAdditionalGraphs,
                              "Shifts the additional plots upwards, one above the other.");
    for (QCheckBox* box : {logScaling_, showSlope_, scaleOnAll_, offsetGraphs_})
        displayLayout->addWidget(box);

    auto* finder = new QGroupBox("Peak finder", this);
    finder->setObjectName("GroupBoxPeakFinder");
    auto* finderGrid = new QGridLayout(finder);
    const analysis::PeakSearchSettings search;
    slopeCount_ =
        MakeSpin(finder, "SpinEditSlopeCnt", analysis::kMinSlopeCount, analysis::kMaxSlopeCount, 15,
                 "Number of data points used to calculate the slope of the curve for "
                 "each data point.");
    minPeakHeight_ = MakeSpin(finder, "SpinEditMinPeak", analysis::kMinPeakHeightLimit,
                              analysis::kMaxPeakHeightLimit, search.MinPeakHeight,
                              "Minimum intensity a datapoint must have to be recognized as peak.");
    minPeakSlope_ = MakeSpin(finder, "SpinEdit1", analysis::kMinPeakSlopeLimit,
                             analysis::kMaxPeakSlopeLimit, search.MinPeakSlope,
                             "Minimum slope a peak shoulder must have for peak search method 1.");
    minPeakCurvature_ = MakeSpin(finder, "SpinEdit6", analysis::kMinPeakSlopeLimit,
                                 analysis::kMaxPeakSlopeLimit, search.MinPeakCurvature,
                                 "Minimum second derivative the curve must have to recognize a "
                                 "peak (for peak search method 2).");
    doublePeakDistance_ = new FloatEdit(finder, 0.0, analysis::kMaxDoublePeakDistance,
                                        search.MinDoublePeakDistance, 10);
    doublePeakDistance_->setObjectName("FloatEdit13");
    doublePeakDistance_->setToolTip(
        "Peaks closer than this distance are merged into one peak at their mean position.");
    findMethod1_ = MakeButton(finder, "Button1", "Find peaks (Method 1)",
                              "Click here to do a peak search using the maximum slope of the "
                              "peak shoulders.");
    findMethod2_ =
        MakeButton(finder, "Button14", "Find peaks (Method 2)",
                   "Click here to do a peak search using the curvature at the peak top.");
    areaBisector_ = MakeCheck(finder, "CheckBox2", "Use area bisector", false,
                              "Moves each found peak to the position that halves the peak area "
                              "above the chosen percentage of the peak height.");
    bisectorPercentage_ =
        MakeSpin(finder, "SpinEdit3", analysis::kMinBisectorPercentage,
                 analysis::kMaxBisectorPercentage, search.BisectorPercentage,
                 "Percentage of the peak height above which the area bisector works.");
    bisectorPercentageLabel_ = MakeLabel(finder, "Percentage of peak height", bisectorPercentage_);
    KeepSpaceWhenHidden(bisectorPercentage_);
    KeepSpaceWhenHidden(bisectorPercentageLabel_);
    rangeOnly_ = MakeCheck(finder, "CheckBox15", "In current 2Theta plot range only", false,
                           "Searches only the displayed range of the plot and keeps the peaks "
                           "outside it.");
    int row = 0;
    finderGrid->addWidget(MakeLabel(finder, "No. of samples for slope", slopeCount_), row, 0);
    finderGrid->addWidget(slopeCount_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Minimum peak height", minPeakHeight_), row, 0);
    finderGrid->addWidget(minPeakHeight_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Minimum peak slope", minPeakSlope_), row, 0);
    finderGrid->addWidget(minPeakSlope_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Minimum peak slope'", minPeakCurvature_), row, 0);
    finderGrid->addWidget(minPeakCurvature_, row++, 1);
    finderGrid->addWidget(MakeLabel(finder, "Min. double peak dist. [°]", doublePeakDistance_), row,
                          0);
    finderGrid->addWidget(doublePeakDistance_, row++, 1);
    finderGrid->addWidget(findMethod1_, row++, 0, 1, 2);
    finderGrid->addWidget(findMethod2_, row++, 0, 1, 2);
    finderGrid->addWidget(areaBisector_, row++, 0, 1, 2);
    finderGrid->addWidget(bisectorPercentageLabel_, row, 0);
    finderGrid->addWidget(bisectorPercentage_, row++, 1);
    finderGrid->addWidget(rangeOnly_, row++, 0, 1, 2);

    // Peak fitting module: the main window opens the fit window (a scan with too few points
    // gets the fit's message, so the buttons are always enabled).
    auto* fitting = new QGroupBox("Peak fitting module", this);
    fitting->setObjectName("GroupBoxPeakFitting");
    auto* fittingLayout = new QVBoxLayout(fitting);
    for (auto [name, caption, hint] :
         {std::tuple{"Button11", "Fit actual display area",
                     "Opens the Gauss/Lorentz fit window for the currently displayed plot range."},
          std::tuple{"Button12", "Auto Gauss checked",
                     "Does an automatic Gauss fitting of every peak checked in the peak list "
                     "(experimental!)."},
          std::tuple{"Button13", "Auto Lorentz checked",
                     "Does an automatic Lorentz fitting of every peak checked in the peak list "
                     "(experimental!)."}}) {
        fittingLayout->addWidget(MakeButton(fitting, name, caption, hint));
    }
    fitDisplayArea_ = fitting->findChild<QPushButton*>("Button11");
    autoGauss_ = fitting->findChild<QPushButton*>("Button12");
    autoLorentz_ = fitting->findChild<QPushButton*>("Button13");

    auto* range = new QGroupBox("Plot range", this);
    range->setObjectName("GroupBoxPlotRange");
    auto* rangeGrid = new QGridLayout(range);
    spanAllFiles_ =
        MakeCheck(range, "CheckBox13", "Span over all opened files", display.SpanAllFiles,
                  "Widens the full plot range to every opened file.");
    displayFrom_ = new FloatEdit(range, -1e10, 1e10, 0.0, 10);
    displayFrom_->setObjectName("FloatEdit11");
    displayFrom_->setToolTip("Left end of the displayed range.");
    displayTo_ = new FloatEdit(range, -1e10, 1e10, 0.0, 10);
    displayTo_->setObjectName("FloatEdit12");
    displayTo_->setToolTip("Right end of the displayed range.");
    applyRange_ = MakeButton(range, "Button18", "Apply", "Shows the entered range in the plot.");
    rangeGrid->addWidget(spanAllFiles_, 0, 0, 1, 2);
    rangeGrid->addWidget(MakeLabel(range, "Display from [°]", displayFrom_), 1, 0);
    rangeGrid->addWidget(displayFrom_, 1, 1);
    rangeGrid->addWidget(MakeLabel(range, "Display to [°]", displayTo_), 2, 0);
    rangeGrid->addWidget(displayTo_, 2, 1);
    rangeGrid->addWidget(applyRange_, 3, 1);

    for (QSpinBox* spin : {smoothWidth_, backgroundWidth_, slopeCount_, minPeakHeight_,
                           minPeakSlope_, minPeakCurvature_, bisectorPercentage_})
        FitSpinWidth(spin);
    // Wide enough for a value with all ten digits, a sign and the decimal separator
    // ("-69.99936587" must not lose its first digit).
    for (FloatEdit* edit : {displayFrom_, displayTo_, doublePeakDistance_})
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance("-0000.0000000") + 14);

    grid->addWidget(load, 0, 0);
    grid->addWidget(displayGroup, 1, 0);
    grid->addWidget(finder, 0, 1, 2, 1);
    grid->addWidget(fitting, 0, 2);
    grid->addWidget(range, 1, 2);
    grid->setRowStretch(2, 1);
    grid->setColumnStretch(3, 1);
}

void FileDisplayTab::Connect() {
    connect(open_, &QPushButton::clicked, this, &FileDisplayTab::openClicked);
    connect(insert_, &QPushButton::clicked, this, &FileDisplayTab::insertClicked);
    connect(fitDisplayArea_, &QPushButton::clicked, this, &FileDisplayTab::fitDisplayAreaClicked);
    connect(autoGauss_, &QPushButton::clicked, this, [this] { emit autoFitClicked(true); });
    connect(autoLorentz_, &QPushButton::clicked, this, [this] { emit autoFitClicked(false); });
    connect(stripKalpha2_, &QCheckBox::clicked, this, &FileDisplayTab::StripChanged);
    connect(kalpha2Ratio_, &QLineEdit::editingFinished, this, &FileDisplayTab::StripChanged);
    for (QCheckBox* box : {noiseSuppression_, removeBackground_})
        connect(box, &QCheckBox::clicked, this, [this] {
            UpdateSpinVisibility();
            ProcessingChanged();
        });
    for (QSpinBox* spin : {smoothWidth_, backgroundWidth_, slopeCount_})
        connect(spin, &QSpinBox::valueChanged, this, &FileDisplayTab::ProcessingChanged);
    for (QCheckBox* box : {logScaling_, showSlope_, scaleOnAll_, offsetGraphs_, spanAllFiles_})
        connect(box, &QCheckBox::clicked, this, &FileDisplayTab::DisplayChanged);
    connect(areaBisector_, &QCheckBox::clicked, this, &FileDisplayTab::UpdateSpinVisibility);
    auto searchChanged = [this] { session_.Settings().SetPeakSearch(PeakSearchFromControls()); };
    for (QSpinBox* spin : {minPeakHeight_, minPeakSlope_, minPeakCurvature_, bisectorPercentage_})
        connect(spin, &QSpinBox::valueChanged, this, searchChanged);
    for (QCheckBox* box : {areaBisector_, rangeOnly_})
        connect(box, &QCheckBox::clicked, this, searchChanged);
    connect(doublePeakDistance_, &FloatEdit::textChanged, this, searchChanged);
    connect(findMethod1_, &QPushButton::clicked, this,
            [this] { RunFindPeaks(analysis::TPeakMethod::Slope); });
    connect(findMethod2_, &QPushButton::clicked, this,
            [this] { RunFindPeaks(analysis::TPeakMethod::Curvature); });
    connect(applyRange_, &QPushButton::clicked, this, &FileDisplayTab::ApplyPlotRange);
}

void FileDisplayTab::UpdateSpinVisibility() {
    const bool smoothing = noiseSuppression_->isChecked();
    smoothWidth_->setVisible(smoothing);
    smoothWidthLabel_->setVisible(smoothing);
    const bool background = removeBackground_->isChecked();
    backgroundWidth_->setVisible(background);
    backgroundWidthLabel_->setVisible(background);
    const bool bisector = areaBisector_->isChecked();
    bisectorPercentage_->setVisible(bisector);
    bisectorPercentageLabel_->setVisible(bisector);
}

analysis::ProcessingSettings FileDisplayTab::ProcessingFromControls() const {
    analysis::ProcessingSettings s;
    s.NoiseSuppression = noiseSuppression_->isChecked();
    s.SmoothWidth = smoothWidth_->value();
    s.RemoveBackground = removeBackground_->isChecked();
    s.BackgroundWidth = backgroundWidth_->value();
    s.SlopeCount = slopeCount_->value();
    return s;
}

analysis::PeakSearchSettings FileDisplayTab::PeakSearchFromControls() const {
    analysis::PeakSearchSettings s;
    s.MinPeakHeight = minPeakHeight_->value();
    s.MinPeakSlope = minPeakSlope_->value();
    s.MinPeakCurvature = minPeakCurvature_->value();
    s.UseAreaBisector = areaBisector_->isChecked();
    s.BisectorPercentage = bisectorPercentage_->value();
    s.MinDoublePeakDistance = doublePeakDistance_->Value();
    s.RangeOnly = rangeOnly_->isChecked();
    return s;
}

void FileDisplayTab::ShowKeptSettings(const analysis::ProcessingSettings& processing,
                                      const analysis::PeakSearchSettings& search) {
    {
        // One hand-over to the session below instead of one per field.
        const QSignalBlocker b1(smoothWidth_), b2(backgroundWidth_), b3(slopeCount_),
            b4(minPeakHeight_), b5(minPeakSlope_), b6(minPeakCurvature_), b7(bisectorPercentage_),
            b8(doublePeakDistance_);
        smoothWidth_->setValue(processing.SmoothWidth);
        backgroundWidth_->setValue(processing.BackgroundWidth);
        slopeCount_->setValue(processing.SlopeCount);
        minPeakHeight_->setValue(search.MinPeakHeight);
        minPeakSlope_->setValue(search.MinPeakSlope);
        minPeakCurvature_->setValue(search.MinPeakCurvature);
        bisectorPercentage_->setValue(search.BisectorPercentage);
        doublePeakDistance_->SetValue(search.MinDoublePeakDistance);
    }
    session_.Settings().SetProcessing(ProcessingFromControls());
    session_.Settings().SetPeakSearch(PeakSearchFromControls());
}

void FileDisplayTab::ProcessingChanged() {
    session_.Settings().SetProcessing(ProcessingFromControls());
}

void FileDisplayTab::DisplayChanged() {
    plot::XrdPlotSettings s = session_.Settings().Display();
    s.LogScaling = logScaling_->isChecked();
    s.ShowSlope = showSlope_->isChecked();
    s.ScaleOnAllGraphs = scaleOnAll_->isChecked();
    s.OffsetAdditionalGraphs = offsetGraphs_->isChecked();
    s.SpanAllFiles = spanAllFiles_->isChecked();
    session_.Settings().SetDisplay(s);
}

void FileDisplayTab::RunFindPeaks(analysis::TPeakMethod method) {
    session_.Settings().SetPeakSearch(PeakSearchFromControls());
    session_.Peaks().Find(method);
}

void FileDisplayTab::ApplyPlotRange() {
    session_.View().ApplyRange(displayFrom_->Value(), displayTo_->Value());
}

void FileDisplayTab::SetKalphaDoubletSource(std::function<tools::KalphaDoubletLookup()> source) {
    doubletSource_ = std::move(source);
    UpdateStripBox();
}

double FileDisplayTab::Kalpha2Ratio() const {
    return kalpha2Ratio_->Value();
}

void FileDisplayTab::SetKalpha2Ratio(double ratio) {
    kalpha2Ratio_->SetValue(ratio);
    StripChanged();
}

void FileDisplayTab::StripChanged() {
    Kalpha2Settings settings;
    settings.Ratio = kalpha2Ratio_->Value();
    if (stripKalpha2_->isChecked() && doubletSource_) {
        settings.Doublet = doubletSource_().Doublet;
        settings.Enabled = settings.Doublet.has_value();
    }
    session_.Settings().SetKalpha2Stripping(settings);
}

void FileDisplayTab::UpdateStripBox() {
    const tools::KalphaDoubletLookup lookup =
        doubletSource_ ? doubletSource_()
                       : tools::KalphaDoubletLookup{std::nullopt, "No X-ray tube line."};
    const bool available = lookup.Doublet.has_value();
    stripKalpha2_->setEnabled(available);
    stripKalpha2_->setToolTip(
        available ? QString::fromUtf8("Removes the Kα2 part of every peak (Rachinger) before "
                                      "noise suppression and background removal.")
                  : QString::fromUtf8("Not available: ") + Q(lookup.Reason));
    // Without a partner line there is nothing to strip: the curve goes back to unstripped.
    if (!available) stripKalpha2_->setChecked(false);
    StripChanged();  // the wavelengths may have changed
}

void FileDisplayTab::CurrentWavelengthChanged(double) {
    UpdateStripBox();
}

void FileDisplayTab::FindPeaksEnabledChanged(bool enabled) {
    findMethod1_->setEnabled(enabled);
    findMethod2_->setEnabled(enabled);
}

void FileDisplayTab::DisplaySettingsChanged() {
    spanAllFiles_->setChecked(session_.Settings().Display().SpanAllFiles);
}

void FileDisplayTab::ViewRangeChanged(double from, double to) {
    displayFrom_->SetValue(from);
    displayTo_->SetValue(to);
}

}  // namespace trevasc
