#pragma once
// The file dialogs of the main window behind one small interface, so that tests can answer them.
#include <QString>
#include <QStringList>

class QWidget;

namespace trevasc {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // Scan files for "Open data file" (single) and "Insert plot" (several). Empty = cancelled.
    virtual QString OpenScanFile(QWidget* parent);
    virtual QStringList OpenScanFiles(QWidget* parent);
    // Peak list for "Peak list from textfile".
    virtual QString OpenPeakListFile(QWidget* parent);
    // Text export; `proposed` is the suggested path. Asks before overwriting.
    virtual QString SaveTextFile(QWidget* parent, const QString& proposed);
    // Executable for "GNUPlot Executable...".
    virtual QString GnuplotExecutable(QWidget* parent, const QString& current);

    // The filter list of the scan dialogs ("All XRD files (...)", ..., "Alle files (*.*)").
    static QStringList ScanFileFilters();
};

}  // namespace trevasc
