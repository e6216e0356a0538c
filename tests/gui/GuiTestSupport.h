#pragma once
// Helpers for the GUI tests: a main window on a temporary configuration folder with scripted
// prompts and scripted file dialogs, clicks on named controls and pixel counts.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QScreen>
#include <QTest>
#include <QUrl>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "gui/app/Dialogs.h"
#include "gui/app/MainWindow.h"
#include "plot/PlotTypes.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

namespace trevasc::test {

// Dialogs that return prepared answers (an empty answer = Cancel) and count their calls.
class ScriptedDialogs : public Dialogs {
  public:
    std::deque<QStringList> OpenAnswers;  // for OpenScanFile (first entry) and OpenScanFiles
    std::deque<QString> SaveAnswers, PeakListAnswers, PngAnswers;
    std::deque<std::optional<QColor>> ColorAnswers;
    bool PrintAnswer = false, PngSizeAnswer = false;
    int PngWidth = 0, PngHeight = 0;  // the size "typed" into the PNG size dialog (0: keep)
    int OpenCalls = 0, PrintCalls = 0, PngSizeCalls = 0;
    QString LastProposedName;
    QColor LastInitialColor;

    QString OpenScanFile(QWidget* parent) override {
        const QStringList files = OpenScanFiles(parent);
        return files.isEmpty() ? QString() : files.first();
    }
    QStringList OpenScanFiles(QWidget*) override {
        ++OpenCalls;
        return Next(OpenAnswers);
    }
    QString OpenPeakListFile(QWidget*) override { return Next(PeakListAnswers); }
    QString SaveTextFile(QWidget*, const QString& proposed) override {
        LastProposedName = proposed;
        return Next(SaveAnswers);
    }
    QString SavePngFile(QWidget*) override { return Next(PngAnswers); }
    std::deque<QString> GnuplotAnswers;  // "&GNUPlot Executable...": the chosen program
    QString LastGnuplotPreset;
    QString GnuplotExecutable(QWidget*, const QString& current) override {
        LastGnuplotPreset = current;
        return Next(GnuplotAnswers);
    }
    std::optional<QColor> ChooseColor(QWidget*, const QColor& initial) override {
        LastInitialColor = initial;
        return Next(ColorAnswers);
    }
    bool Print(QWidget*, QPrinter&) override {
        ++PrintCalls;
        return PrintAnswer;
    }
    void PrinterSetup(QWidget*, QPrinter&) override {}
    bool PngSize(QWidget*, int& width, int& height) override {
        ++PngSizeCalls;
        if (PngWidth > 0) width = PngWidth;
        if (PngHeight > 0) height = PngHeight;
        return PngSizeAnswer;
    }

    // The modal dialogs shown, the web addresses opened, the About and document texts.
    QList<QDialog*> ModalShown;
    QList<QUrl> OpenedUrls;
    QString AboutText, DocumentCaption, DocumentHtml;
    void OpenWebAddress(QWidget*, const QUrl& url) override { OpenedUrls << url; }
    void About(QWidget*, const QString&, const QString& text) override { AboutText = text; }
    void ShowDocument(QWidget*, const QString& caption, const QString& html) override {
        DocumentCaption = caption;
        DocumentHtml = html;
    }
    // Program dialogs (auto scan, hkl multiplier): the test sets their fields, the answer says
    // whether OK was pressed.
    // FillDialog, when set, plays the user's typing into the dialog before the answer.
    std::deque<bool> DialogAnswers;
    std::function<void(QDialog&)> FillDialog;
    int DialogCalls = 0;
    bool ExecDialog(QDialog& dialog) override {
        ++DialogCalls;
        ModalShown << &dialog;
        if (FillDialog) FillDialog(dialog);
        return Next(DialogAnswers);
    }

  private:
    template <typename T>
    static T Next(std::deque<T>& answers) {
        if (answers.empty()) return T();
        T a = answers.front();
        answers.pop_front();
        return a;
    }
};

inline const char* kTestScan = "xrdtools_test_scan_2ThetaOmega_v1.0.xrdml";

inline QString TestDataFile(const char* name = kTestScan) {
    return QString(TREVASC_TEST_DATA_DIR) + "/" + name;
}

// The child of `window` with the given object name.
template <typename T>
T* Child(const QWidget* window, const char* name) {
    T* child = window->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// The rows of a list, or of the list `name` inside `window`.
inline QStringList Rows(const QListWidget* list) {
    QStringList rows;
    for (int i = 0; list && i < list->count(); ++i) rows << list->item(i)->text();
    return rows;
}
inline QStringList Rows(const QWidget* window, const char* name) {
    return Rows(Child<QListWidget>(window, name));
}

// The pixel column of `x` in a plot area (the area of the last paint).
inline int PixelColumn(const plot::TPlotArea& a, double x) {
    return a.Left +
           static_cast<int>(std::lround((x - a.XMin) * (a.Right - a.Left) / (a.XMax - a.XMin)));
}

// The action of `widget` with the given text.
inline QAction* FindAction(const QWidget& widget, const QString& text) {
    for (QAction* a : widget.findChildren<QAction*>())
        if (a->text() == text) return a;
    ADD_FAILURE() << "no action " << text.toStdString();
    return nullptr;
}

// The user's locale (QLocale) for the lifetime of the object; the tests' C locale afterwards.
class UserLocale {
  public:
    explicit UserLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~UserLocale() { QLocale::setDefault(QLocale::c()); }
};

// A drag of `urls` entering `target`, then their drop (which goes to the widget that took the
// enter); true when the drag was accepted.
inline bool DropUrls(QWidget* target, const QList<QUrl>& urls) {
    QMimeData mime;
    mime.setUrls(urls);
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(target, &enter);
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return enter.isAccepted();
}

// Pixels of exactly `color` (alpha included) inside `area` (the whole image when empty).
inline int CountPixels(const QImage& image, const QColor& color, QRect area = {}) {
    if (area.isEmpty()) area = image.rect();
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) n += image.pixelColor(x, y) == color;
    return n;
}

// Clicks the named button inside `parent`; a check box on its indicator (the middle of a
// stretched box is outside its hit area).
inline void ClickButton(const QWidget* parent, const char* name,
                        Qt::MouseButton button = Qt::LeftButton) {
    auto* b = parent->findChild<QAbstractButton*>(name);
    ASSERT_NE(b, nullptr) << name;
    const bool box = qobject_cast<QCheckBox*>(b) != nullptr;
    QTest::mouseClick(b, button, {}, box ? QPoint(6, b->height() / 2) : b->rect().center());
}

// The pointer moved onto `p` of `widget` with no button pressed, sent to the widget as the
// event it receives.
inline void MoveMouse(QWidget* widget, QPoint p) {
    QMouseEvent move(QEvent::MouseMove, QPointF(p), widget->mapToGlobal(QPointF(p)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

// A main window on a configuration folder that lives as long as the harness (a second window
// on the same folder is a restart of the program).
class MainWindowHarness {
  public:
    TempDir Config;
    ScriptedPrompts Prompts;
    ScriptedDialogs Dialogs;
    std::unique_ptr<MainWindow> Window;

    MainWindowHarness() {
        // The automatic update check of a test window asks a closed port on this computer,
        // never the project's web server.
        Config.Write("trevasc.INI", "[AUTOUPDATES]\nHOST=127.0.0.1:9\n");
        Start();
    }

    // Creates (or re-creates) the main window and shows it, with an optional command-line file.
    MainWindow& Start(const QString& commandLineFile = {}) {
        Window.reset();
        MainWindowOptions options;
        options.ConfigFolder = QString::fromStdString(Config.Path());
        options.ProgramFolder = TREVASC_BIN_DIR;
        options.ProgramName = "trevasc";
        Window = std::make_unique<MainWindow>(options, &Prompts, &Dialogs);
        Window->SetCommandLineFile(commandLineFile);
        Window->show();
        QApplication::processEvents();
        return *Window;
    }

    template <typename T>
    T* Find(const char* name) const {
        return Window->findChild<T*>(name);
    }

    void Click(const char* name, Qt::MouseButton button = Qt::LeftButton) const {
        ClickButton(Window.get(), name, button);
    }
    // The tool window registered under `id` (its objectName), as its own type.
    template <typename W>
    W* Tool(const char* id) const {
        return qobject_cast<W*>(Window->Windows().Window(id));
    }

    // A menu of the menu bar, after its enabling rules ran as on opening it.
    QMenu* Menu(const QString& title) const {
        for (QAction* m : Window->menuBar()->actions())
            if (m->text() == title && m->menu()) {
                emit m->menu()->aboutToShow();
                return m->menu();
            }
        return nullptr;
    }
    QAction* MenuItem(const QString& menuTitle, const QString& text) const {
        if (QMenu* menu = Menu(menuTitle))
            for (QAction* a : menu->actions())
                if (a->text() == text) return a;
        ADD_FAILURE() << "no menu item " << text.toStdString();
        return nullptr;
    }

    // Opens a scan (the test scan unless named) as the File menu does.
    void OpenTestScan(const QString& file = TestDataFile()) {
        ASSERT_TRUE(Window->Session().RunAction([&] {
            Window->Session().OpenMainFile(file.toStdString());
        })) << (Prompts.Errors.empty() ? "" : Prompts.Errors.back());
        QApplication::processEvents();
    }
};

}  // namespace trevasc::test
