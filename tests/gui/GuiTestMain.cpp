// main() of the GUI tests: one QApplication for all of them, on the offscreen platform unless
// the environment asks for another one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "gui/app/MainWindow.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Row texts and copied tables use the user's decimal separator: pin it for the tests.
    QLocale::setDefault(QLocale::c());
    QApplication app(argc, argv);
    trevasc::ConfigureApplication(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
