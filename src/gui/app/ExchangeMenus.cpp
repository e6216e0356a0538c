#include "gui/app/ExchangeMenus.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <utility>

#include "base/AtomicFile.h"
#include "base/PathText.h"
#include "formats/TextExchange.h"
#include "gui/app/Dialogs.h"
#include "gui/widgets/Controls.h"
#include "plot/ScanAxis.h"
#include "session/WorkbenchSession.h"

namespace trevasc {

ExchangeMenus::ExchangeMenus(WorkbenchSession& session, Dialogs& dialogs, QWidget* window)
    : QObject(window), session_(session), dialogs_(dialogs), window_(window) {}

void ExchangeMenus::AddExportMenu(QMenuBar* bar) {
    QMenu* exportMenu = bar->addMenu("E&xport");
    exportSpectrumAction_ =
        exportMenu->addAction("&Spectrum to textfile", this, &ExchangeMenus::ExportSpectrum);
    exportMenu->addAction("&All spectra to textfile", this, &ExchangeMenus::ExportAllSpectra);
    exportMenu->addSeparator();
    exportPeaksAction_ =
        exportMenu->addAction("&Peak list to textfile", this, [this] { ExportPeakList(false); });
    exportPeaksIdentAction_ = exportMenu->addAction("Peak list+&ident to textfile", this,
                                                    [this] { ExportPeakList(true); });
    connect(exportMenu, &QMenu::aboutToShow, this, &ExchangeMenus::UpdateExportMenu);
}

void ExchangeMenus::AddImportMenu(QMenuBar* bar) {
    QMenu* importMenu = bar->addMenu("&Import");
    importPeaksAction_ =
        importMenu->addAction("&Peak list from textfile", this, &ExchangeMenus::ImportPeakList);
    connect(importMenu, &QMenu::aboutToShow, this, &ExchangeMenus::UpdateImportMenu);
}

void ExchangeMenus::AddCopyEntries(QMenu* edit) {
    copySpectrumAction_ = edit->addAction("Copy &spectrum", this, &ExchangeMenus::CopySpectrum);
    copySpectrumAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    edit->addAction("Copy &all spectra", this, &ExchangeMenus::CopyAllSpectra);
    edit->addSeparator();
    const std::pair<const char*, formats::PeakClipboardContent> copyItems[] = {
        {"Copy full &peak list", formats::PeakClipboardContent::FullPeakList},
        {"Copy full peak list+&ident", formats::PeakClipboardContent::FullPeakListIdent},
        {"Copy s&elected peaks", formats::PeakClipboardContent::SelectedPeaks},
        {"Copy selected peaks+i&dent", formats::PeakClipboardContent::SelectedPeaksIdent},
    };
    for (const auto& [caption, content] : copyItems) {
        const int value = static_cast<int>(content);
        copyPeakActions_.push_back(
            edit->addAction(caption, this, [this, value] { CopyPeaks(value); }));
    }
    connect(edit, &QMenu::aboutToShow, this, &ExchangeMenus::UpdateEditMenu);
}

void ExchangeMenus::UpdateExportMenu() {
    const TDataSet& main = session_.Scans().MainScan();
    exportSpectrumAction_->setEnabled(main.Count() >= 1);
    exportPeaksAction_->setEnabled(main.Peaks.Count() >= 1);
    exportPeaksIdentAction_->setEnabled(main.Peaks.Count() >= 1);
}

void ExchangeMenus::UpdateImportMenu() {
    importPeaksAction_->setEnabled(session_.Scans().HasMainScan());
}

void ExchangeMenus::UpdateEditMenu() {
    const TDataSet& main = session_.Scans().MainScan();
    copySpectrumAction_->setEnabled(main.Count() >= 1);
    for (QAction* action : copyPeakActions_) action->setEnabled(main.Peaks.Count() >= 1);
}

QString ExchangeMenus::ProposedExportName(const char* suffix) const {
    const ScanRegistry& registry = session_.Scans().Registry();
    return Q(RemoveExtension(registry.LoadedFileFolder + registry.LoadedFileName)) + suffix;
}

std::optional<formats::SpectrumPositionColumn> ExchangeMenus::PositionColumn() const {
    // The spectrum goes out in the unit the plot shows.
    const plot::ScanAxisMapping axis = plot::PlotAxisMapping(
        session_.Settings().Display().XAxis, session_.Scans().Registry().OpenScanKind,
        session_.Settings().CurrentWavelength());
    if (axis.IsTwoTheta()) return std::nullopt;
    return formats::SpectrumPositionColumn{plot::ScanAxisHeading(axis.Axis()),
                                           [axis](double x) { return axis.FromTwoTheta(x); }};
}

void ExchangeMenus::ExportSpectrum() {
    if (!session_.Scans().HasMainScan()) return;
    const QString file = dialogs_.SaveTextFile(window_, ProposedExportName("_Spec.txt"));
    if (file.isEmpty() || !session_.Scans().MayWriteExport(S(file))) return;
    const auto column = PositionColumn();
    session_.RunAction([&] {
        WriteFileAtomic(S(file), formats::SpectrumFileText(session_.Scans().Registry(),
                                                           column ? &*column : nullptr));
    });
}

void ExchangeMenus::ExportAllSpectra() {
    if (!session_.Scans().HasMainScan()) return;
    const QString file = dialogs_.SaveTextFile(window_, ProposedExportName("_Spec.txt"));
    if (file.isEmpty() || !session_.Scans().MayWriteExport(S(file))) return;
    session_.RunAction([&] {
        WriteFileAtomic(S(file),
                        formats::AllSpectraFileText(session_.Scans().Registry(),
                                                    session_.Settings().DecimalSeparator()));
    });
}

void ExchangeMenus::ExportPeakList(bool withIdent) {
    if (session_.Scans().MainScan().Peaks.Count() < 1) return;
    const QString file = dialogs_.SaveTextFile(window_, ProposedExportName("_Peaks.txt"));
    if (file.isEmpty() || !session_.Scans().MayWriteExport(S(file))) return;
    session_.RunAction([&] { session_.Peaks().Export(S(file), withIdent); });
}

void ExchangeMenus::ImportPeakList() {
    if (!session_.Scans().HasMainScan()) return;
    const QString file = dialogs_.OpenPeakListFile(window_);
    if (file.isEmpty()) return;
    session_.RunAction([&] { session_.Peaks().Import(S(file)); });
}

void ExchangeMenus::CopyText(const std::string& text) {
    QGuiApplication::clipboard()->setText(Q(text));
}

void ExchangeMenus::CopySpectrum() {
    if (!session_.Scans().HasMainScan()) return;
    const auto column = PositionColumn();
    CopyText(formats::SpectrumClipboardText(session_.Scans().Registry(),
                                            session_.Settings().DecimalSeparator(),
                                            column ? &*column : nullptr));
}

void ExchangeMenus::CopyAllSpectra() {
    if (!session_.Scans().HasMainScan()) return;
    CopyText(formats::AllSpectraClipboardText(session_.Scans().Registry(),
                                              session_.Settings().DecimalSeparator()));
}

void ExchangeMenus::CopyPeaks(int content) {
    if (session_.Scans().MainScan().Peaks.Count() < 1) return;
    CopyText(formats::PeakListClipboardText(session_.Scans().MainScan(),
                                            static_cast<formats::PeakClipboardContent>(content),
                                            session_.Settings().DecimalSeparator()));
}

}  // namespace trevasc
