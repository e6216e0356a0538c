// The plot colour dialog.
#include <QComboBox>
#include <QPushButton>

#include "gui/GuiTestSupport.h"
#include "gui/plot/PlotColorDialog.h"

namespace trevasc {
namespace {

TEST(PlotColorDialog, ListsTheElementsWithTheirColoursAndFollowsTheOverlayCount) {
    plot::TColorConfig config;
    test::ScriptedDialogs dialogs;
    PlotColorDialog dialog(config, dialogs);
    EXPECT_EQ(dialog.ElementList()->count(), 7);
    // Three overlays got colours from a plot refresh before the dialog opens.
    config.AdditionalColors = {0x123456, 0xABCDEF, 0x000001};
    dialog.show();
    QStringList entries;
    for (int i = 0; i < dialog.ElementList()->count(); ++i)
        entries << dialog.ElementList()->itemText(i);
    EXPECT_EQ(entries, QStringList({"Peak", "Highlighted Peak", "Substrate Peak", "Additional Peak",
                                    "Structure Simulation Peaks", "Main XRD Plot", "Slope Plot",
                                    "Additional (Overlay) Plot 1", "Additional (Overlay) Plot 2",
                                    "Additional (Overlay) Plot 3"}));
    // 0x00BBGGRR: the default highlight is red, the main plot black; the overlays' own colours.
    const std::pair<int, QColor> swatches[] = {{1, QColor(255, 0, 0)},
                                               {5, QColor(0, 0, 0)},
                                               {7, QColor(0x56, 0x34, 0x12)},
                                               {9, QColor(1, 0, 0)}};
    for (auto [index, color] : swatches) {
        dialog.ElementList()->setCurrentIndex(index);
        EXPECT_EQ(dialog.SwatchColor(), color) << index;
    }
    // Without a selection: the button face and a disabled button.
    dialog.ElementList()->setCurrentIndex(-1);
    EXPECT_FALSE(dialog.ChangeColorButton()->isEnabled());
    EXPECT_EQ(dialog.SwatchColor(), dialog.palette().color(QPalette::Button));
    // A count beyond the colours that exist offers only those.
    dialog.hide();
    dialog.show();
    EXPECT_EQ(dialog.ElementList()->count(), 10);
    EXPECT_EQ(PlotColorDialog::ElementColor(config, 10), nullptr);
}

TEST(PlotColorDialog, ChosenColourGoesStraightIntoTheConfiguration) {
    plot::TColorConfig config;
    config.AdditionalColors = {0xFF0000, 0xFF0000};
    test::ScriptedDialogs dialogs;
    PlotColorDialog dialog(config, dialogs);
    const QColor& offered = dialogs.LastInitialColor;
    dialogs.ColorAnswers = {QColor(10, 20, 30), QColor(255, 128, 0), std::nullopt};
    dialog.show();
    dialog.ElementList()->setCurrentIndex(5);  // Main XRD Plot
    QTest::mouseClick(dialog.ChangeColorButton(), Qt::LeftButton);
    EXPECT_EQ(offered, QColor(0, 0, 0));
    EXPECT_EQ(config.MainPlot, 0x1E140Au);  // blue 30, green 20, red 10
    EXPECT_EQ(dialog.SwatchColor(), QColor(10, 20, 30));
    dialog.ElementList()->setCurrentIndex(8);  // second overlay
    QTest::mouseClick(dialog.ChangeColorButton(), Qt::LeftButton);
    EXPECT_EQ(offered, QColor(0, 0, 255));
    EXPECT_EQ(config.AdditionalColors, (std::vector<plot::TColor>{0xFF0000, 0x0080FF}));

    // A cancelled chooser and "Done" change nothing.
    const plot::TColorConfig before = config;
    dialog.ElementList()->setCurrentIndex(1);
    QTest::mouseClick(dialog.ChangeColorButton(), Qt::LeftButton);
    QTest::mouseClick(dialog.DoneButton(), Qt::LeftButton);
    EXPECT_EQ(config.HiLitPeak, before.HiLitPeak);
    EXPECT_EQ(dialog.SwatchColor(), QColor(255, 0, 0));
}

}  // namespace
}  // namespace trevasc
