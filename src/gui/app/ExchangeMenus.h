#pragma once
// The main window's exchange of scans and peak lists as text: the "E&xport" and "&Import" menus
// and the copy entries of "&Edit", with the rules that enable them when a menu opens.
#include <QObject>
#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "formats/TextExchange.h"

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace trevasc {

class Dialogs;
class WorkbenchSession;

class ExchangeMenus : public QObject {
    Q_OBJECT
  public:
    // `window` owns the menus and is the parent of the file dialogs.
    ExchangeMenus(WorkbenchSession& session, Dialogs& dialogs, QWidget* window);

    // Appends the "E&xport" and "&Import" menus to `bar`.
    void AddExportMenu(QMenuBar* bar);
    void AddImportMenu(QMenuBar* bar);
    // Appends the copy entries to the "&Edit" menu.
    void AddCopyEntries(QMenu* edit);

  private:
    void UpdateExportMenu();
    void UpdateImportMenu();
    void UpdateEditMenu();
    // The loaded file's name without its extension, followed by `suffix`.
    QString ProposedExportName(const char* suffix) const;
    // The position column of "&Spectrum to textfile" and "Copy &spectrum" when the plot shows
    // d or Q; none for the scan's own unit.
    std::optional<formats::SpectrumPositionColumn> PositionColumn() const;

    void ExportSpectrum();
    void ExportAllSpectra();
    void ExportPeakList(bool withIdent);
    void ImportPeakList();
    void CopyText(const std::string& text);
    void CopySpectrum();
    void CopyAllSpectra();
    void CopyPeaks(int content);

    WorkbenchSession& session_;
    Dialogs& dialogs_;
    QWidget* window_;
    QAction* exportSpectrumAction_ = nullptr;
    QAction* exportPeaksAction_ = nullptr;
    QAction* exportPeaksIdentAction_ = nullptr;
    QAction* importPeaksAction_ = nullptr;
    QAction* copySpectrumAction_ = nullptr;
    std::vector<QAction*> copyPeakActions_;
};

}  // namespace trevasc
