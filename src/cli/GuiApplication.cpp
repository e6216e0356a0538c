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
    static QGuiApplication app(argc, argv);
}

}  // namespace trevasc::cli
#endif
