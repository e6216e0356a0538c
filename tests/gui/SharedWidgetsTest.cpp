// The small reusable widgets: the numeric edit field, the "X-Ray tube" selector and the
// "Select Main Plot" dialog.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <string>
#include <vector>

#include "core/TempDir.h"
#include "gui/FloatEdit.h"
#include "gui/SelectMainPlotDialog.h"
#include "gui/XrayTubeSelector.h"

using namespace trevasc;
using trevasc::test::TempDir;

TEST(FloatEditTest, ValueIsTheDisplayedTextClampedToTheRange) {
    FloatEdit edit(nullptr, 0.0, 180.0, 0.1, 6);
    EXPECT_EQ(edit.text(), "0.1");
    EXPECT_DOUBLE_EQ(edit.Value(), 0.1);
    // Both decimal marks; unreadable, empty and NaN texts read as the minimum.
    edit.setText("12,5");
    EXPECT_DOUBLE_EQ(edit.Value(), 12.5);
    edit.setText("12.5");
    EXPECT_DOUBLE_EQ(edit.Value(), 12.5);
    for (const char* text : {"", "abc", "nan", "inf", "1.2.3"}) {
        edit.setText(text);
        EXPECT_DOUBLE_EQ(edit.Value(), 0.0) << text;
    }
    edit.setText("500");
    EXPECT_DOUBLE_EQ(edit.Value(), 180.0);
    // Setting writes the value rounded to the field's significant digits (and clamped).
    edit.SetValue(1.5499734);
    EXPECT_EQ(edit.text(), "1.54997");
    EXPECT_DOUBLE_EQ(edit.Value(), 1.54997);
    edit.SetValue(-3);
    EXPECT_EQ(edit.text(), "0");
    edit.SetRange(-10, 10);
    edit.SetValue(-3);
    EXPECT_DOUBLE_EQ(edit.Value(), -3);
}

namespace {

struct XrayTubeSelectorTest : ::testing::Test {
    TempDir dir;
    std::vector<std::string> errors;
    std::string Ini(const std::string& extra = "") {
        return dir.Write(
            "xray.ini", "[ENERGY]\nCu K-Alpha1=8048.869731\nMo K-Alpha1=17480,6\nZero=0\n" + extra);
    }
    XrayTubeSelector::ErrorReporter Reporter() {
        return [this](const std::string& e) { errors.push_back(e); };
    }
};

}  // namespace

TEST_F(XrayTubeSelectorTest, SelectionFillsEnergyAndWavelengthAndTypingClearsIt) {
    XrayTubeSelector selector(QString::fromStdString(Ini()), nullptr, Reporter());
    EXPECT_EQ(selector.title(), "X-Ray tube");
    QComboBox* list = selector.TransitionList();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(1), "Mo K-Alpha1");
    // CONFIG/DEFAULTENERGY missing: the first entry is selected at creation.
    EXPECT_EQ(list->currentIndex(), 0);
    EXPECT_EQ(selector.EnergyEdit()->text(), "8048.869731");
    EXPECT_EQ(selector.WavelengthEdit()->text(), "1.54056");
    EXPECT_DOUBLE_EQ(selector.Wavelength(), 1.54056);

    // A comma in the file reads like a point.
    emit list->activated(1);
    EXPECT_EQ(selector.EnergyEdit()->text(), "17480.6");
    EXPECT_EQ(selector.SelectedIndex(), 1);

    // Typing an energy clears the selection and the wavelength follows.
    selector.EnergyEdit()->clear();
    QTest::keyClicks(selector.EnergyEdit(), "8000");
    EXPECT_EQ(selector.EnergyEdit()->text(), "8000");
    EXPECT_EQ(selector.WavelengthEdit()->text(), "1.54997");
    EXPECT_EQ(selector.SelectedIndex(), -1);
    EXPECT_EQ(list->currentIndex(), -1);

    // Typing a wavelength: the energy follows, the typed text stays.
    emit list->activated(0);
    selector.WavelengthEdit()->clear();
    QTest::keyClicks(selector.WavelengthEdit(), "1,5");
    EXPECT_EQ(selector.WavelengthEdit()->text(), "1,5");
    EXPECT_EQ(selector.SelectedIndex(), -1);
    EXPECT_NEAR(selector.Energy(), 12399.78285 / 1.5, 1e-3);

    // An energy of 0 has no wavelength: reported, the wavelength keeps its value.
    const std::vector<std::string> before = errors;
    const QString wavelength = selector.WavelengthEdit()->text();
    emit list->activated(2);
    EXPECT_GT(errors.size(), before.size());
    EXPECT_EQ(selector.WavelengthEdit()->text(), wavelength);
}

TEST_F(XrayTubeSelectorTest, StoredIndexSelectsAtCreationAndIsWrittenBack) {
    const std::string path = Ini("[CONFIG]\nDEFAULTENERGY=1\n");
    {
        XrayTubeSelector selector(QString::fromStdString(path), nullptr, Reporter());
        EXPECT_EQ(selector.TransitionList()->currentIndex(), 1);
        EXPECT_EQ(selector.EnergyEdit()->text(), "17480.6");
        selector.EnergyEdit()->clear();
        QTest::keyClicks(selector.EnergyEdit(), "9000");
        selector.SaveDefaultEnergy();
    }
    // The typed energy belongs to no transition: the next start selects nothing and shows the
    // initial field values.
    XrayTubeSelector selector(QString::fromStdString(path), nullptr, Reporter());
    EXPECT_EQ(selector.TransitionList()->currentIndex(), -1);
    EXPECT_EQ(selector.EnergyEdit()->text(), "8000");
    EXPECT_EQ(selector.WavelengthEdit()->text(), "4");
    EXPECT_TRUE(errors.empty());
}

TEST(SelectMainPlotDialogTest, ListsEntriesAndReportsTheChosenNumber) {
    SelectMainPlotDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "Select Main Plot");
    EXPECT_TRUE(dialog.IsEmpty());
    EXPECT_EQ(dialog.SelectedNumber(), -1);
    dialog.SetEntries({{"main.xrdml", 0}, {"b.xrdml", 2}, {"c.xrdml", 5}});
    EXPECT_EQ(dialog.List()->count(), 3);
    EXPECT_EQ(dialog.SelectedNumber(), 0);  // the first row is selected
    dialog.List()->setCurrentRow(2);
    EXPECT_EQ(dialog.SelectedNumber(), 5);
    QLabel* label = dialog.findChild<QLabel*>();
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Opened &plots");
    EXPECT_EQ(dialog.findChild<QPushButton*>("CancelButton")->text(), "Cancel");
}
