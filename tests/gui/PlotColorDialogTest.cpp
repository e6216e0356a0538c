// The plot colour dialog and the PNG size dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "gui/PlotColorDialog.h"
#include "gui/PngSizeDialog.h"

namespace trevasc {
namespace {

QStringList Entries(const QComboBox* list) {
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    return entries;
}

TEST(PlotColorDialog, ListsElementsAndShowsTheirColours) {
    plot::TColorConfig config;
    config.AdditionalColors = {0x123456, 0xABCDEF, 0x000001};
    config.AdditionalColorCount = 3;
    PlotColorDialog dialog(config);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Plot Color Configuration");
    EXPECT_NE(dialog.findChild<QGroupBox*>()->title().indexOf("Color of Element"), -1);
    EXPECT_EQ(Entries(dialog.ElementList()),
              QStringList({"Peak", "Highlighted Peak", "Substrate Peak", "Additional Peak",
                           "Structure Simulation Peaks", "Main XRD Plot", "Slope Plot",
                           "Additional (Overlay) Plot 1", "Additional (Overlay) Plot 2",
                           "Additional (Overlay) Plot 3"}));
    EXPECT_EQ(dialog.ElementList()->currentIndex(), 0);
    const QByteArray dir = qgetenv("TREVASC_SCREENSHOT_DIR");
    if (!dir.isEmpty()) dialog.grab().save(QString::fromLocal8Bit(dir) + "/plotcolordialog.png");

    // 0x00BBGGRR: the defaults are blue, red, yellow, lime, aqua, black, green.
    const QColor expected[] = {
        QColor(0, 0, 255),        QColor(255, 0, 0), QColor(255, 255, 0), QColor(0, 255, 0),
        QColor(0, 255, 255),      QColor(0, 0, 0),   QColor(0, 128, 0),   QColor(0x56, 0x34, 0x12),
        QColor(0xEF, 0xCD, 0xAB), QColor(1, 0, 0)};
    for (int i = 0; i < 10; ++i) {
        dialog.ElementList()->setCurrentIndex(i);
        EXPECT_EQ(dialog.SwatchColor(), expected[i]) << i;
        EXPECT_TRUE(dialog.ChangeColorButton()->isEnabled());
    }
    // Without a selection: the button face and a disabled button.
    dialog.ElementList()->setCurrentIndex(-1);
    EXPECT_FALSE(dialog.ChangeColorButton()->isEnabled());
    EXPECT_EQ(dialog.SwatchColor(), dialog.palette().color(QPalette::Button));
}

TEST(PlotColorDialog, ChosenColourGoesStraightIntoTheConfiguration) {
    plot::TColorConfig config;
    config.AdditionalColors = {0xFF0000, 0xFF0000};
    config.AdditionalColorCount = 2;
    PlotColorDialog dialog(config);
    QColor offered;
    std::optional<QColor> answer = QColor(10, 20, 30);
    dialog.SetColorChooser([&](const QColor& initial, QWidget*) {
        offered = initial;
        return answer;
    });
    dialog.show();

    dialog.ElementList()->setCurrentIndex(5);  // Main XRD Plot
    QTest::mouseClick(dialog.ChangeColorButton(), Qt::LeftButton);
    EXPECT_EQ(offered, QColor(0, 0, 0));
    EXPECT_EQ(config.MainPlot, 0x1E140Au);  // blue 30, green 20, red 10
    EXPECT_EQ(dialog.SwatchColor(), QColor(10, 20, 30));

    dialog.ElementList()->setCurrentIndex(8);  // second overlay
    answer = QColor(255, 128, 0);
    QTest::mouseClick(dialog.ChangeColorButton(), Qt::LeftButton);
    EXPECT_EQ(offered, QColor(0, 0, 255));
    EXPECT_EQ(config.AdditionalColors[1], 0x0080FFu);
    EXPECT_EQ(config.AdditionalColors[0], 0xFF0000u);

    // A cancelled chooser and "Done" change nothing.
    const plot::TColorConfig before = config;
    answer = std::nullopt;
    dialog.ElementList()->setCurrentIndex(1);
    QTest::mouseClick(dialog.ChangeColorButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.DoneButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(config.HiLitPeak, before.HiLitPeak);
    EXPECT_EQ(config.MainPlot, before.MainPlot);
    EXPECT_EQ(config.AdditionalColors, before.AdditionalColors);
    EXPECT_EQ(dialog.SwatchColor(), QColor(255, 0, 0));
}

TEST(PlotColorDialog, OverlayEntriesFollowTheConfigurationWhenOpened) {
    plot::TColorConfig config;
    PlotColorDialog dialog(config);
    EXPECT_EQ(dialog.ElementList()->count(), 7);
    // Three overlays got colours from a plot refresh meanwhile.
    config.AdditionalColors = {1, 2, 3};
    config.AdditionalColorCount = 3;
    dialog.show();
    EXPECT_EQ(dialog.ElementList()->count(), 10);
    EXPECT_EQ(dialog.ElementList()->itemText(9), "Additional (Overlay) Plot 3");
    dialog.hide();
    // A count beyond the list offers only the colours that exist.
    config.AdditionalColorCount = 5;
    dialog.show();
    EXPECT_EQ(dialog.ElementList()->count(), 10);
    EXPECT_EQ(PlotColorDialog::ElementColor(config, 10), nullptr);
    EXPECT_EQ(PlotColorDialog::ElementColor(config, 9), &config.AdditionalColors[2]);
}

TEST(PngSizeDialog, LimitsDefaultsAndTexts) {
    PngSizeDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Save as PNG");
    EXPECT_EQ(dialog.ImageWidth(), 1000);
    EXPECT_EQ(dialog.ImageHeight(), 750);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains("Image &width (pixels)"));
    EXPECT_TRUE(labels.contains("Image &height (pixels)"));
    for (QSpinBox* edit : {dialog.WidthEdit(), dialog.HeightEdit()}) {
        EXPECT_EQ(edit->minimum(), 10);
        EXPECT_EQ(edit->maximum(), 32767);
        EXPECT_EQ(edit->singleStep(), 100);
    }
    const QByteArray dir = qgetenv("TREVASC_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        dialog.show();
        dialog.grab().save(QString::fromLocal8Bit(dir) + "/pngsizedialog.png");
    }
    dialog.SetImageSize(5, 40000);
    EXPECT_EQ(dialog.ImageWidth(), 10);
    EXPECT_EQ(dialog.ImageHeight(), 32767);
    // Keyboard entry and Cancel keep what was typed for the next time.
    dialog.show();
    dialog.WidthEdit()->selectAll();
    QTest::keyClicks(dialog.WidthEdit(), "2400");
    dialog.reject();
    dialog.show();
    EXPECT_EQ(dialog.ImageWidth(), 2400);
}

}  // namespace
}  // namespace trevasc
