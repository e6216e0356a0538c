#include "gui/tabs/PeaksTab.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include "analysis/PeakList.h"
#include "gui/widgets/Controls.h"

namespace trevasc {

PeaksTab::PeaksTab(WorkbenchSession& session, QWidget* parent)
    : QWidget(parent), session_(session) {
    setObjectName("TabSheet2");
    BuildControls();
    session_.Peaks().AddObserver(this);
    PeakListReset();
}

PeaksTab::~PeaksTab() {
    session_.Peaks().RemoveObserver(this);
}

void PeaksTab::BuildControls() {
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    auto* group = new QGroupBox("Peaks", this);
    group->setObjectName("GroupBoxPeaks");
    outer->addWidget(group);
    auto* layout = new QGridLayout(group);

    peakList_ = new QListWidget(group);
    peakList_->setObjectName("CheckListBox1");
    peakList_->setToolTip("List of peaks of the main plot. ");
    peakList_->setSelectionMode(QAbstractItemView::SingleSelection);
    // One row per peak, readable in full: a long description scrolls instead of being cut.
    peakList_->setWrapping(false);
    peakList_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    peakList_->setTextElideMode(Qt::ElideNone);

    delete_ = MakeButton(group, "Button3", "Delete highlighted",
                         "Deletes the highlighted peak from the list.");
    addManually_ = MakeButton(group, "Button4", "Add manually",
                              "Left click: add a peak by clicking into the plot. Right click: "
                              "enter the peak position.");
    addManually_->installEventFilter(this);
    identify_ =
        MakeButton(group, "Button2", "Identify", "Enter a description for the highlighted peak.");
    checkAll_ = MakeButton(group, "Button9", "Check all", "Checks every peak of the list.");
    uncheckAll_ = MakeButton(group, "Button10", "Uncheck all", "Unchecks every peak of the list.");
    lattice_ = MakeButton(group, "Button8", "Lattice data calculation",
                          "Opens the lattice data calculation window with the checked peaks.");
    thickness_ = MakeButton(group, "Button15", "Thickness calculation",
                            "Opens the thickness calculation (XRR) window with the checked peaks.");
    profileFit_ = MakeButton(group, "ButtonProfileFit", "Profile fit of checked peaks in view",
                             "Fits the checked peaks of the displayed range together with one "
                             "profile function (Profile Fit window).");
    connect(profileFit_, &QPushButton::clicked, this, &PeaksTab::profileFitClicked);
    // The windows receive the checked peaks through the session.
    connect(lattice_, &QPushButton::clicked, this,
            [this] { session_.Peaks().SendChecked(PeakHandOverTarget::Lattice); });
    connect(thickness_, &QPushButton::clicked, this,
            [this] { session_.Peaks().SendChecked(PeakHandOverTarget::Thickness); });
    peaksOfAllPlots_ = MakeCheck(group, "CheckBox14", "Show peaks from all plots in graph",
                                 session_.Settings().Display().ShowPeaksFromAllPlots,
                                 "Shows the peaks of the additional plots in the plot, in their "
                                 "plot colours.");

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {delete_, addManually_, identify_, checkAll_, uncheckAll_, lattice_,
                           thickness_, profileFit_})
        buttons->addWidget(b);
    buttons->addStretch(1);
    layout->addWidget(peakList_, 0, 0);
    layout->addLayout(buttons, 0, 1);
    layout->addWidget(peaksOfAllPlots_, 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);

    connect(peakList_, &QListWidget::itemChanged, this, &PeaksTab::ItemChanged);
    connect(peakList_, &QListWidget::currentRowChanged, this, &PeaksTab::RowClicked);
    connect(delete_, &QPushButton::clicked, this, [this] { session_.Peaks().DeleteHighlighted(); });
    connect(addManually_, &QPushButton::clicked, this,
            [this] { session_.Peaks().SetAddMode(true); });
    connect(identify_, &QPushButton::clicked, this,
            [this] { session_.Peaks().IdentifyHighlighted(); });
    connect(checkAll_, &QPushButton::clicked, this,
            [this] { session_.Peaks().SetAllChecks(true); });
    connect(uncheckAll_, &QPushButton::clicked, this,
            [this] { session_.Peaks().SetAllChecks(false); });
    connect(peaksOfAllPlots_, &QCheckBox::clicked, this, [this](bool on) {
        plot::XrdPlotSettings s = session_.Settings().Display();
        s.ShowPeaksFromAllPlots = on;
        session_.Settings().SetDisplay(s);
    });
}

bool PeaksTab::eventFilter(QObject* watched, QEvent* event) {
    // "Add manually" with the right mouse button asks for the angle.
    if (watched == addManually_ && event->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        if (addManually_->isEnabled())
            session_.RunAction([this] { session_.Peaks().AddByAngle(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void PeaksTab::PeakListReset() {
    filling_ = true;
    peakList_->clear();
    const char sep = session_.Settings().DecimalSeparator();
    for (const TPeak& peak : session_.Scans().MainScan().Peaks.Items) {
        auto* item = new QListWidgetItem(Q(analysis::PeakRowText(peak, sep)));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(peak.Checked ? Qt::Checked : Qt::Unchecked);
        peakList_->addItem(item);
    }
    peakList_->setCurrentRow(session_.Peaks().HighlightedRow());
    filling_ = false;
}

void PeaksTab::PeakRowChanged(int row) {
    const auto& items = session_.Scans().MainScan().Peaks.Items;
    if (row < 0 || row >= static_cast<int>(items.size()) || row >= peakList_->count()) return;
    filling_ = true;
    const TPeak& peak = items[static_cast<size_t>(row)];
    QListWidgetItem* item = peakList_->item(row);
    item->setText(Q(analysis::PeakRowText(peak, session_.Settings().DecimalSeparator())));
    item->setCheckState(peak.Checked ? Qt::Checked : Qt::Unchecked);
    filling_ = false;
}

void PeaksTab::HighlightChanged(int row) {
    filling_ = true;
    if (row < 0) {
        peakList_->setCurrentRow(-1);
        peakList_->clearSelection();
    } else {
        peakList_->setCurrentRow(row);
    }
    filling_ = false;
}

void PeaksTab::ItemChanged(QListWidgetItem* item) {
    if (filling_) return;
    session_.Peaks().SetChecked(peakList_->row(item), item->checkState() == Qt::Checked);
}

void PeaksTab::RowClicked(int row) {
    if (filling_) return;
    session_.Peaks().SetHighlightedRow(row);
}

}  // namespace trevasc
