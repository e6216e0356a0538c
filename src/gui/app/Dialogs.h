#pragma once
// The program's file, colour, printer and PNG-size dialogs behind one interface: the windows ask
// through it, QtDialogs shows the real dialogs, and tests answer with a script. Questions and
// messages (Yes/No, error and information boxes, input boxes) go through Prompts instead.
#include <QColor>
#include <QString>
#include <QStringList>
#include <optional>

class QDialog;
class QPrinter;
class QUrl;
class QWidget;

namespace trevasc {

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Scan files for "Open data file" (single) and "Insert plot" (several). Empty = cancelled.
    virtual QString OpenScanFile(QWidget* parent) = 0;
    virtual QStringList OpenScanFiles(QWidget* parent) = 0;
    // Peak list for "Peak list from textfile".
    virtual QString OpenPeakListFile(QWidget* parent) = 0;
    // Text export; `proposed` is the suggested path. Asks before overwriting.
    virtual QString SaveTextFile(QWidget* parent, const QString& proposed) = 0;
    // PNG export of the plot. Asks before overwriting.
    virtual QString SavePngFile(QWidget* parent) = 0;
    // Executable for "GNUPlot Executable...".
    virtual QString GnuplotExecutable(QWidget* parent, const QString& current) = 0;
    // A colour, or nothing when cancelled.
    virtual std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) = 0;
    // The print dialog; true = print.
    virtual bool Print(QWidget* parent, QPrinter& printer) = 0;
    // The page setup of the printer.
    virtual void PrinterSetup(QWidget* parent, QPrinter& printer) = 0;
    // The PNG size dialog with the current size; true = OK (the size is then changed).
    virtual bool PngSize(QWidget* parent, int& width, int& height) = 0;
    // Opens a web address in the user's browser.
    virtual void OpenWebAddress(QWidget* parent, const QUrl& url) = 0;
    // The "About" box; `text` is rich text.
    virtual void About(QWidget* parent, const QString& caption, const QString& text) = 0;
    // A read-only rich-text document in a window of its own (the keyboard shortcut list).
    virtual void ShowDocument(QWidget* parent, const QString& caption, const QString& html) = 0;
    // A dialog of the program itself (auto scan parameters, hkl multiplier, the update
    // reminder), run modally: true = OK. Tests fill it in and answer instead.
    virtual bool ExecDialog(QDialog& dialog);

    // The filter list of the scan dialogs ("All XRD files (...)", ..., "Alle files (*.*)").
    static QStringList ScanFileFilters();
};

// The real dialogs.
class QtDialogs : public Dialogs {
  public:
    QString OpenScanFile(QWidget* parent) override;
    QStringList OpenScanFiles(QWidget* parent) override;
    QString OpenPeakListFile(QWidget* parent) override;
    QString SaveTextFile(QWidget* parent, const QString& proposed) override;
    QString SavePngFile(QWidget* parent) override;
    QString GnuplotExecutable(QWidget* parent, const QString& current) override;
    std::optional<QColor> ChooseColor(QWidget* parent, const QColor& initial) override;
    bool Print(QWidget* parent, QPrinter& printer) override;
    void PrinterSetup(QWidget* parent, QPrinter& printer) override;
    bool PngSize(QWidget* parent, int& width, int& height) override;
    void OpenWebAddress(QWidget* parent, const QUrl& url) override;
    void About(QWidget* parent, const QString& caption, const QString& text) override;
    void ShowDocument(QWidget* parent, const QString& caption, const QString& html) override;
};

}  // namespace trevasc
