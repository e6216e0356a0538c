// The small reusable widgets (the numeric edit field and the "X-Ray tube" selector), the legend
// window with the picture it copies, and the plot colour dialog.
#include <QComboBox>
#include <QPushButton>
#include <string>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/plot/LegendWindow.h"
#include "gui/plot/PlotColorDialog.h"
#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/XrayTubeSelector.h"

using namespace trevasc;

TEST(FloatEditTest, ValueIsTheDisplayedTextClampedToTheRange) {
    FloatEdit edit(nullptr, 0.0, 180.0, 0.1, 6);
    EXPECT_DOUBLE_EQ(edit.Value(), 0.1);
    // Both decimal marks; unreadable, empty and NaN texts read as the minimum.
    for (const char* text : {"12,5", "12.5"}) {
        edit.setText(text);
        EXPECT_DOUBLE_EQ(edit.Value(), 12.5) << text;
    }
    for (const char* text : {"", "abc", "nan", "inf", "1.2.3"}) {
        edit.setText(text);
        EXPECT_DOUBLE_EQ(edit.Value(), 0.0) << text;
    }
    edit.setText("500");
    EXPECT_DOUBLE_EQ(edit.Value(), 180.0);
    // Setting writes the value rounded to the field's significant digits (and clamped).
    edit.SetValue(1.5499734);
    EXPECT_EQ(edit.text(), "1.54997");
    edit.SetValue(-3);
    EXPECT_EQ(edit.text(), "0");
    edit.SetRange(-10, 10);
    edit.SetValue(-3);
    EXPECT_DOUBLE_EQ(edit.Value(), -3);
}

// The selection rules themselves are tested on the selector state; here: the widgets' wiring.
TEST(XrayTubeSelectorTest, ListAndFieldsFollowEachOther) {
    test::TempDir dir;
    const std::string ini =
        dir.Write("xray.ini", "[ENERGY]\nCu K-Alpha1=8048.869731\nMo K-Alpha1=17480,6\nZero=0\n");
    test::ScriptedPrompts prompts;
    XrayTubeSelector selector(QString::fromStdString(ini), prompts);
    QComboBox* list = selector.TransitionList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(selector.WavelengthEdit()->text(), "1.54056");  // the first entry is selected
    emit list->activated(1);
    EXPECT_EQ(selector.EnergyEdit()->text(), "17480.6");
    // Typing an energy clears the selection in the list and the wavelength follows, and the
    // other way round.
    selector.EnergyEdit()->clear();
    QTest::keyClicks(selector.EnergyEdit(), "8000");
    EXPECT_EQ(selector.WavelengthEdit()->text(), "1.54997");
    EXPECT_EQ(list->currentIndex(), -1);
    selector.WavelengthEdit()->clear();
    QTest::keyClicks(selector.WavelengthEdit(), "1,5");
    EXPECT_NEAR(selector.EnergyEdit()->Value(), 12399.78285 / 1.5, 1e-2);
    EXPECT_EQ(selector.WavelengthEdit()->text(), "1,5");  // the typed text stays
    // An energy of 0 has no wavelength: the message goes to the error reporter.
    emit list->activated(2);
    EXPECT_EQ(prompts.Errors.size(), 1u);
}

namespace trevasc {
namespace {

class LegendWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto fill = [](TDataSet& scan, const char* name) {
            scan.SetRawPoints({{10.0, 5}, {11.0, 7}});
            scan.Name = name;
        };
        fill(registry_.MainScan(), "Main scan");
        fill(registry_.AppendAdditionalScan(), "Overlay one");
        fill(registry_.AppendAdditionalScan(), "Overlay two");
        colors_.MainPlot = 0x0000FF;            // red
        colors_.SlopePlot = 0x008000;           // green
        colors_.AdditionalColors = {0xFF0000};  // blue; the second overlay has none
    }

    ScanRegistry registry_;
    plot::TColorConfig colors_;
    LegendWindow window_;
};

// Which rows there are is the legend logic's; the window adds the background colour for an
// overlay without one, and hides without a main scan.
TEST_F(LegendWindowTest, OverlayWithoutColourTakesTheFaceAndNoMainScanHidesTheWindow) {
    window_.SetContent(registry_, colors_, false);
    window_.show();
    ASSERT_EQ(window_.Rows().size(), 3u);
    const QColor face = window_.palette().color(QPalette::Button);
    EXPECT_EQ(window_.Rows()[2].Color, plot::RGBColor(face.red(), face.green(), face.blue()));
    registry_.MainScan().ClearPoints();
    window_.SetContent(registry_, colors_, true);
    EXPECT_FALSE(window_.isVisible());
    EXPECT_EQ(window_.CreateLegendMimeData(), nullptr);
}

TEST_F(LegendWindowTest, CopyGivesSvgAndBitmapOfTheRows) {
    window_.SetContent(registry_, colors_, true);
    test::FindAction(window_, "&Copy")->trigger();
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    const QByteArray svg = data->data("image/svg+xml");
    for (const char* text : {"Main scan", "Slope of Main scan", "Overlay one", "Overlay two"})
        EXPECT_TRUE(svg.contains(text)) << text;
    QImage png;
    ASSERT_TRUE(png.loadFromData(data->data("image/png"), "PNG"));
    // Four rows: the red main row, then the green slope row.
    const int h = png.height() / 4;
    ASSERT_GT(h, 8);
    EXPECT_GT(test::CountPixels(png, QColor(255, 0, 0), QRect(0, 0, png.width() / 2, h)), 0);
    EXPECT_GT(test::CountPixels(png, QColor(0, 128, 0), QRect(0, h, png.width() / 2, h)), 0);
}

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
