// The tab fields kept in the main INI file between runs: written, read back, and read with the
// fields' defaults and ranges when a key is missing or was edited by hand.
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "session/TabSettings.h"
#include "support/TempDir.h"

using namespace trevasc;

TEST(TabSettings, WrittenValuesComeBackAndOtherKeysStay) {
    test::TempDir dir;
    const std::string ini = dir.Write("trevasc.INI", "[MAINWINDOW]\nLeft=7\n");
    TabSettings s;
    s.Processing.SmoothWidth = 9;
    s.Processing.BackgroundWidth = 250;
    s.Processing.SlopeCount = 31;
    s.Processing.NoiseSuppression = true;  // a switch: not kept
    s.Kalpha2Ratio = 0.514;
    s.PeakSearch.MinPeakHeight = 1200;
    s.PeakSearch.MinPeakSlope = 900000000;
    s.PeakSearch.MinPeakCurvature = 77;
    s.PeakSearch.BisectorPercentage = 55;
    s.PeakSearch.MinDoublePeakDistance = 0.035;
    s.Structure.System = analysis::TCrystalSystem::Hexagonal;
    s.Structure.Lattice = {3.189, 3.189, 5.185, 90, 90, 120};
    s.Structure.H = {-3, 4};
    s.Structure.K = {0, 2};
    s.Structure.L = {1, 6};
    WriteTabSettings(ini, s);

    const TabSettings r = ReadTabSettings(ini);
    EXPECT_EQ(r.Processing.SmoothWidth, 9);
    EXPECT_EQ(r.Processing.BackgroundWidth, 250);
    EXPECT_EQ(r.Processing.SlopeCount, 31);
    EXPECT_FALSE(r.Processing.NoiseSuppression);
    EXPECT_EQ(r.Kalpha2Ratio, 0.514);
    EXPECT_EQ(r.PeakSearch.MinPeakHeight, 1200);
    EXPECT_EQ(r.PeakSearch.MinPeakSlope, 900000000);
    EXPECT_EQ(r.PeakSearch.MinPeakCurvature, 77);
    EXPECT_EQ(r.PeakSearch.BisectorPercentage, 55);
    EXPECT_EQ(r.PeakSearch.MinDoublePeakDistance, 0.035);  // exactly, not rounded
    EXPECT_EQ(r.Structure.System, analysis::TCrystalSystem::Hexagonal);
    EXPECT_EQ(r.Structure.Lattice.C, 5.185);
    EXPECT_EQ(r.Structure.Lattice.Gamma, 120.0);
    EXPECT_EQ(r.Structure.H.Min, -3);
    EXPECT_EQ(r.Structure.H.Max, 4);
    EXPECT_EQ(r.Structure.L.Max, 6);
    const IniFile file(ini);
    EXPECT_EQ(file.ReadInteger("MAINWINDOW", "Left", 0), 7);
    EXPECT_EQ(file.ReadString("PEAKSEARCH", "DOUBLEPEAKDISTANCE", ""), "0.035");
}

TEST(TabSettings, MissingOrHandEditedKeysGiveTheFieldDefaults) {
    test::TempDir dir;
    // No file at all: the documented defaults of every field.
    const TabSettings none = ReadTabSettings(dir.File("missing.INI"));
    EXPECT_EQ(none.Processing.SmoothWidth, 5);
    EXPECT_EQ(none.Processing.BackgroundWidth, 40);
    EXPECT_EQ(none.Processing.SlopeCount, 15);
    EXPECT_EQ(none.Kalpha2Ratio, 0.5);
    EXPECT_EQ(none.PeakSearch.MinPeakHeight, 30);
    EXPECT_EQ(none.PeakSearch.MinPeakSlope, 40);
    EXPECT_EQ(none.PeakSearch.MinPeakCurvature, 40);
    EXPECT_EQ(none.PeakSearch.BisectorPercentage, 30);
    EXPECT_EQ(none.PeakSearch.MinDoublePeakDistance, 0.1);
    EXPECT_EQ(none.Structure.System, analysis::TCrystalSystem::None);
    EXPECT_EQ(none.Structure.Lattice.A, 4.0);
    EXPECT_EQ(none.Structure.Lattice.Beta, 4.0);
    EXPECT_EQ(none.Structure.K.Min, 0);
    EXPECT_EQ(none.Structure.K.Max, 0);

    // Text where a number belongs, a fraction in a spin box, hexadecimal: the default. Numbers
    // outside a field's range: its nearest limit. A system past the list: none selected.
    const std::string ini =
        dir.Write("trevasc.INI",
                  "[PROCESSING]\nSMOOTHWIDTH=wide\nBACKGROUNDWIDTH=5000\nSLOPESAMPLES=12.5\n"
                  "KALPHA2RATIO=1.5\n"
                  "[PEAKSEARCH]\nMINPEAKHEIGHT=$20\nMINPEAKSLOPE=1\nBISECTORPERCENTAGE=\n"
                  "DOUBLEPEAKDISTANCE=0,2\n"
                  "[STRUCTURE]\nSYSTEM=7\nA=abc\nB=-1\nC=nan\nALPHA=200\nHMIN=-500\nHMAX=21\n");
    const TabSettings r = ReadTabSettings(ini);
    EXPECT_EQ(r.Processing.SmoothWidth, 5);
    EXPECT_EQ(r.Processing.BackgroundWidth, 1000);
    EXPECT_EQ(r.Processing.SlopeCount, 15);
    EXPECT_EQ(r.Kalpha2Ratio, 1.0);
    EXPECT_EQ(r.PeakSearch.MinPeakHeight, 30);
    EXPECT_EQ(r.PeakSearch.MinPeakSlope, 3);
    EXPECT_EQ(r.PeakSearch.BisectorPercentage, 30);
    EXPECT_EQ(r.PeakSearch.MinDoublePeakDistance, 0.2);  // a decimal comma reads as well
    EXPECT_EQ(r.Structure.System, analysis::TCrystalSystem::None);
    EXPECT_EQ(r.Structure.Lattice.A, 4.0);
    EXPECT_EQ(r.Structure.Lattice.B, 0.0);
    EXPECT_EQ(r.Structure.Lattice.C, 4.0);
    EXPECT_EQ(r.Structure.Lattice.Alpha, 180.0);
    EXPECT_EQ(r.Structure.H.Min, -100);
    EXPECT_EQ(r.Structure.H.Max, 20);
}
