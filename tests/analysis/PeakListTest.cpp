#include <gtest/gtest.h>

#include "analysis/PeakList.h"
#include "formats/ReaderTestSupport.h"

using namespace trevasc;
using namespace trevasc::analysis;

namespace {

// 101 points from 20° to 30°, intensity 10 * index.
TDataSet Scan() {
    TDataPointArray pts;
    for (int i = 0; i <= 100; ++i) pts.push_back({20.0 + 0.1 * i, 10 * i, 0.0, 0.0});
    TDataSet s;
    s.SetRawPoints(std::move(pts));
    return s;
}

std::vector<std::string> Rows(const TDataSet& s) {
    std::vector<std::string> rows;
    for (const auto& p : s.Peaks.Items) rows.push_back(PeakRowText(p) + (p.Checked ? " [x]" : ""));
    return rows;
}

}  // namespace

TEST(PeakList, AddDeleteAndIdentifyKeepRowsAndMarks) {
    TDataSet s = Scan();
    AddPeakToMainScan(s, 21.0, "a", true);
    AddPeakToMainScan(s, 25.0, "c", false);
    EXPECT_EQ(AddPeakToMainScan(s, 23.0, "b", true), 1);  // sorted place
    EXPECT_EQ(Rows(s), (std::vector<std::string>{"21.000: a [x]", "23.000: b [x]", "25.000: c"}));
    AddPeakToMainScan(s, 35.0);

    s.Peaks.Unsaved = false;
    EXPECT_FALSE(DeleteHighlightedPeak(s, -1) || DeleteHighlightedPeak(s, 4) ||
                 IdentifyPeak(s, -1, "x") || s.Peaks.Unsaved);
    EXPECT_TRUE(DeleteHighlightedPeak(s, 1));
    EXPECT_TRUE(IdentifyPeak(s, 0, ""));  // an empty text leaves only the position
    EXPECT_EQ(Rows(s), (std::vector<std::string>{"21.000 [x]", "25.000: c", "35.000 [x]"}));
    EXPECT_TRUE(s.Peaks.Unsaved);
    s.Peaks.Items[1] = {33.0124, 0, 0, true, "Si (004)"};
    EXPECT_EQ(PeakRowText(s.Peaks.Items[1], ','), "33,012: Si (004)");
}

TEST(PeakList, PromptForIdentify) {
    TDataSet s = Scan();
    AddPeakToMainScan(s, 24.56789, "old", true);
    s.Peaks.Unsaved = false;
    test::ReaderPrompts prompts;
    prompts.Answers = {std::string("Si (004)"), std::nullopt};
    EXPECT_TRUE(IdentifyHighlightedPeak(s, 0, prompts));
    EXPECT_EQ(
        prompts.Captions.back() + "|" + prompts.Questions.back() + "|" + prompts.Presets.back(),
        "Identify peak|Please enter a description for the peak at 24.568°|old");
    s.Peaks.Unsaved = false;
    EXPECT_TRUE(IdentifyHighlightedPeak(s, 0, prompts));  // Cancel keeps the text
    EXPECT_EQ(s.Peaks.Items[0].Description, "Si (004)");
    EXPECT_TRUE(s.Peaks.Unsaved);
    EXPECT_FALSE(IdentifyHighlightedPeak(s, 3, prompts));
    EXPECT_EQ(prompts.Captions.size(), 2u);  // no such row: nothing asked
}

TEST(PeakList, ChecksSelectionAndHandOver) {
    TDataSet s = Scan();
    for (double p : {26.0, 22.0, 24.0}) AddPeakToMainScan(s, p, "", false);
    s.Peaks.Unsaved = false;
    EXPECT_FALSE(SetAllChecks(s, false) || s.Peaks.Unsaved);  // nothing changed
    EXPECT_TRUE(SetAllChecks(s, true) && s.Peaks.Unsaved);
    EXPECT_EQ(CheckedPeakLines(s), (std::vector<std::string>{"22.000", "24.000", "26.000"}));
    s.Peaks.Items[1].Checked = false;
    EXPECT_EQ(CheckedPeakLines(s, ','), (std::vector<std::string>{"22,000", "26,000"}));

    // First click on a marker highlights, a second click on the same peak toggles its mark.
    s.Peaks.Unsaved = false;
    TPeakSelection sel = SelectPeakNearPosition(s, 23.9, -1);
    EXPECT_TRUE(sel.HighlightedRow == 1 && !sel.Toggled && !s.Peaks.Unsaved);
    sel = SelectPeakNearPosition(s, 24.2, sel.HighlightedRow);
    EXPECT_TRUE(sel.HighlightedRow == 1 && sel.Toggled && s.Peaks.Items[1].Checked &&
                s.Peaks.Unsaved);
    // Equally far from two peaks: the first one wins.
    EXPECT_EQ(SelectPeakNearPosition(s, 23.0, 2).HighlightedRow, 0);
    TDataSet none = Scan();
    sel = SelectPeakNearPosition(none, 23.0, 5);
    EXPECT_TRUE(sel.HighlightedRow == 5 && !sel.Toggled);
}

TEST(PeakList, DescriptionsByPosition) {
    TDataSet s = Scan();
    for (double p : {22.0, 22.0099, 22.0101, 25.0}) AddPeakToMainScan(s, p);
    s.Peaks.Unsaved = false;
    SetPeakDescriptionsByPosition(s, {40.0}, {"nothing near"});
    EXPECT_FALSE(s.Peaks.Unsaved);
    SetPeakDescriptionsByPosition(s, {22.0, 25.0, 25.005, 1.0}, {"(111)", "(200)", "(220)"});
    // Within 0.01: 22.0101 is too far; a later pair overrides an earlier one.
    EXPECT_EQ(Rows(s), (std::vector<std::string>{"22.000: (111) [x]", "22.010: (111) [x]",
                                                 "22.010 [x]", "25.000: (220) [x]"}));
    EXPECT_TRUE(s.Peaks.Unsaved);
}

TEST(PeakList, AdjustPeakPositions) {
    TDataSet s = Scan();
    AddPeakToMainScan(s, 28.0, "Si (111)", true);
    s.Peaks.Unsaved = false;
    const TPeak before = s.Peaks.Items[0];
    AdjustPeakPositions(s, 5.43, 0.0);
    EXPECT_TRUE(s.Peaks.Items[0].Position == before.Position && !s.Peaks.Unsaved);

    // 2Theta 28°: theta = 14°, NR = cos²/sin + cos²/theta(rad) = 3.891644 + 3.853034;
    // a = 0.01 * 7.744678 + 5.43; sin(theta') = sin 14° * a / 5.43 -> 2Theta' = 28.40768°.
    AdjustPeakPositions(s, 5.43, 0.01);
    const TPeak& p = s.Peaks.Items[0];
    EXPECT_NEAR(p.Position, 28.407681, 1e-6);
    EXPECT_NEAR(p.PointIndex, 84.07681, 1e-5);  // 0.1° steps from 20°
    EXPECT_EQ(p.Intensity, before.Intensity);   // only position and index move
    EXPECT_TRUE(s.Peaks.Unsaved);

    // A line that pushes sin(theta') above 1, or a peak at 0°, leaves those peaks in place.
    TDataSet w = Scan();
    AddPeakToMainScan(w, 0.0);
    AddPeakToMainScan(w, 170.0);
    AdjustPeakPositions(w, 1.0, 0.5);
    EXPECT_EQ(Rows(w), (std::vector<std::string>{"0.000 [x]", "170.000 [x]"}));
    TDataSet empty;
    AdjustPeakPositions(empty, 5.43, 0.01);
    EXPECT_TRUE(empty.Peaks.Unsaved);
}
