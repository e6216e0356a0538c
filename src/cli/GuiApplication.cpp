#include "cli/DrawProgram.h"

#ifdef TREVASC_HAVE_QT
#include <QGuiApplication>
#include <QtGlobal>

namespace trevasc::cli {

namespace {

QtMessageHandler gQtMessages = nullptr;

// A batch run has no desktop session and draws into memory only, so Qt's notice that it falls
// back to a runtime folder of its own is noise on every drawing command; other messages pass.
void DropRuntimeFolderNotice(QtMsgType type, const QMessageLogContext& context,
                             const QString& message) {
    if (message.contains(QLatin1String("XDG_RUNTIME_DIR not set"))) return;
    if (gQtMessages) gQtMessages(type, context, message);
}

}  // namespace

void EnsureGuiApplication() {
    if (qApp) return;
    gQtMessages = qInstallMessageHandler(DropRuntimeFolderNotice);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "trevasc-cli";
    static char* argv[] = {name, nullptr};
    // Never destroyed: torn down among the static objects after main(), the application would
    // outlive Qt's thread storage and warn about it on every run.
    static auto* app = new QGuiApplication(argc, argv);
    (void)app;
}

}  // namespace trevasc::cli
#endif
