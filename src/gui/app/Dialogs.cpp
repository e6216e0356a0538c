#include "gui/app/Dialogs.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "formats/XylibReader.h"
#include "gui/plot/PngSizeDialog.h"

namespace trevasc {

namespace {
// "*.0?" ... "*.9?", "*.0??" ... "*.9??", "*.0???" ... "*.9???": numbered raw files.
QString NumberedPatterns() {
    QStringList patterns;
    for (const QString& tail : {QStringLiteral("?"), QStringLiteral("??"), QStringLiteral("???")})
        for (int d = 0; d <= 9; ++d) patterns << QStringLiteral("*.%1%2").arg(d).arg(tail);
    return patterns.join(' ');
}

// Runs the dialog; the first chosen file, or empty when cancelled.
QString FirstChosen(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

// A save dialog that asks before overwriting and appends `suffix` to a name without one.
void SetUpSave(QFileDialog& dialog, const QStringList& filters, const QString& suffix) {
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
}

QString RunOpenDialog(QWidget* parent, const QString& title, const QStringList& filters,
                      const QString& suffix, QFileDialog::FileMode mode, QStringList* files) {
    QFileDialog dialog(parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(mode);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList selected = dialog.selectedFiles();
    if (files) *files = selected;
    return selected.isEmpty() ? QString() : selected.first();
}
}  // namespace

QStringList Dialogs::ScanFileFilters() {
    const QString numbered = NumberedPatterns();
    // The further formats: Bruker RAW version 4, Rigaku RAS, column files and those of xylib
    // (when built with it; its RAW is the older versions).
    const QString columns = QStringLiteral("*.XY *.XYE *.DAT *.CSV *.TXT");
    QStringList xylib;
    for (const std::string& ext : formats::XylibExtensions())
        xylib << QStringLiteral("*.") + QString::fromStdString(ext).toUpper();
    const QString further =
        QStringLiteral("*.RAS *.XY *.XYE *.DAT *.CSV") +
        (xylib.contains(QStringLiteral("*.RAW")) ? QString() : QStringLiteral(" *.RAW")) +
        (xylib.isEmpty() ? QString() : QStringLiteral(" ") + xylib.join(' '));
    QStringList filters = {
        QStringLiteral("All XRD files (*.X?? %1 *.TXT *.XRDML %2)").arg(numbered, further),
        QStringLiteral("XRD files Philips new (*.XRDML) (*.XRDML *.XML)"),
        QStringLiteral("XRD files Philips old (*.X??) (*.X??)"),
        QStringLiteral("XRD files PSU (*.nnn) (%1)").arg(numbered),
        QStringLiteral("Text files (*.TXT) (*.TXT)"),
        QStringLiteral("Bruker RAW files (*.RAW) (*.RAW)"),
        QStringLiteral("Rigaku RAS files (*.RAS) (*.RAS)"),
        QStringLiteral("Column files XY/XYE (%1) (%1)").arg(columns)};
    if (!xylib.isEmpty())
        filters << QStringLiteral("Other diffractometer files (xylib) (%1)").arg(xylib.join(' '));
    filters << QStringLiteral("Alle files (*.*) (*)");
    return filters;
}

QString QtDialogs::OpenScanFile(QWidget* parent) {
    return RunOpenDialog(parent, QString(), ScanFileFilters(), "X00", QFileDialog::ExistingFile,
                         nullptr);
}

QStringList QtDialogs::OpenScanFiles(QWidget* parent) {
    QStringList files;
    RunOpenDialog(parent, QString(), ScanFileFilters(), "X00", QFileDialog::ExistingFiles, &files);
    return files;
}

QString QtDialogs::OpenPeakListFile(QWidget* parent) {
    return RunOpenDialog(
        parent, QString(),
        {QStringLiteral("Text files (*.TXT) (*.TXT)"), QStringLiteral("Alle files (*.*) (*)")},
        "TXT", QFileDialog::ExistingFile, nullptr);
}

QString QtDialogs::SaveTextFile(QWidget* parent, const QString& proposed) {
    QFileDialog dialog(parent);
    SetUpSave(dialog, {QStringLiteral("Text files (*.txt)"), QStringLiteral("All files (*.*) (*)")},
              "TXT");
    const QFileInfo info(proposed);
    if (!info.path().isEmpty()) dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
    return FirstChosen(dialog);
}

QString QtDialogs::GnuplotExecutable(QWidget* parent, const QString& current) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(
        {QStringLiteral("Executable Files (*.EXE)"), QStringLiteral("All Files (*)")});
    // Programs on this platform have no ".EXE": start with every file shown.
    dialog.selectNameFilter(QStringLiteral("All Files (*)"));
    const QFileInfo info(current);
    if (info.isAbsolute()) {
        dialog.setDirectory(info.absolutePath());
        dialog.selectFile(info.fileName());
    }
    return FirstChosen(dialog);
}

QString QtDialogs::SavePngFile(QWidget* parent) {
    QFileDialog dialog(parent);
    SetUpSave(
        dialog,
        {QStringLiteral("Portable Network Graphics (*.PNG)"), QStringLiteral("All Files (*.*)")},
        QStringLiteral("png"));
    return FirstChosen(dialog);
}

std::optional<QColor> QtDialogs::ChooseColor(QWidget* parent, const QColor& initial) {
    const QColor chosen = QColorDialog::getColor(initial, parent);
    if (!chosen.isValid()) return std::nullopt;
    return chosen;
}

bool QtDialogs::Print(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::PrinterSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    dialog.exec();
}

bool QtDialogs::PngSize(QWidget* parent, int& width, int& height) {
    PngSizeDialog dialog(parent);
    dialog.SetImageSize(width, height);
    if (dialog.exec() != QDialog::Accepted) return false;
    width = dialog.ImageWidth();
    height = dialog.ImageHeight();
    return true;
}

void QtDialogs::OpenWebAddress(QWidget* parent, const QUrl& url) {
    if (!QDesktopServices::openUrl(url))
        QMessageBox::warning(parent, QString(),
                             "No web browser could be started for " + url.toString() + ".");
}

void QtDialogs::About(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::about(parent, caption, text);
}

void QtDialogs::ShowDocument(QWidget* parent, const QString& caption, const QString& html) {
    QDialog dialog(parent);
    dialog.setWindowTitle(caption);
    auto* layout = new QVBoxLayout(&dialog);
    auto* browser = new QTextBrowser(&dialog);
    browser->setObjectName("DocumentBrowser");
    browser->setHtml(html);
    layout->addWidget(browser);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(560, 620);
    dialog.exec();
}

bool Dialogs::ExecDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace trevasc
