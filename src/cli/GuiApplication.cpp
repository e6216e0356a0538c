#include "cli/DrawProgram.h"

#ifdef TREVASC_HAVE_QT
#include <QGuiApplication>

namespace trevasc::cli {

void EnsureGuiApplication() {
    if (qApp) return;
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
