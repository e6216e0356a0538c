// The small reusable widgets: the numeric edit field and the "X-Ray tube" selector.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QTest>
#include <string>
#include <vector>

#include "gui/widgets/FloatEdit.h"
#include "gui/widgets/XrayTubeSelector.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

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
