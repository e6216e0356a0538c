// The tab fields kept in the main INI file between runs: written, read back, and read with the
// fields' defaults and ranges when a key is missing or was edited by hand.
#include <gtest/gtest.h>

#include "base/IniFile.h"
#include "session/TabSettings.h"
#include "support/TempDir.h"

using namespace trevasc;

namespace {

template <class... T>
std::vector<double> Row(T... values) {
    return {static_cast<double>(values)...};
}

// Every kept field and the noise switch, in one row.
std::vector<double> Fields(const TabSettings& s) {
    const auto& p = s.Processing;
    const auto& f = s.PeakSearch;
    const auto& t = s.Structure;
    return Row(p.SmoothWidth, p.BackgroundWidth, p.SlopeCount, p.NoiseSuppression, s.Kalpha2Ratio,
               f.MinPeakHeight, f.MinPeakSlope, f.MinPeakCurvature, f.BisectorPercentage,
               f.MinDoublePeakDistance, t.System, t.Lattice.A, t.Lattice.B, t.Lattice.C,
               t.Lattice.Alpha, t.Lattice.Beta, t.Lattice.Gamma, t.H.Min, t.H.Max, t.K.Min, t.K.Max,
               t.L.Min, t.L.Max);
}

}  // namespace

TEST(TabSettings, WrittenValuesComeBackAndOtherKeysStay) {
    test::TempDir dir;
    const std::string ini = dir.Write("trevasc.INI", "[MAINWINDOW]\nLeft=7\n");
    TabSettings s;
    s.Processing = {true, 9, false, 250, 31};  // noise suppression is a switch: not kept
    s.Kalpha2Ratio = 0.514;
    s.PeakSearch.MinPeakHeight = 1200;
    s.PeakSearch.MinPeakSlope = 900000000;
    s.PeakSearch.MinPeakCurvature = 77;
    s.PeakSearch.BisectorPercentage = 55;
    s.PeakSearch.MinDoublePeakDistance = 0.035;
    s.Structure = {analysis::TCrystalSystem::Hexagonal,
                   {3.189, 3.189, 5.185, 90, 90, 120},
                   {-3, 4},
                   {0, 2},
                   {1, 6}};
    WriteTabSettings(ini, s);
    // The double peak distance exactly, not rounded.
    EXPECT_EQ(Fields(ReadTabSettings(ini)), Row(9, 250, 31, 0, 0.514, 1200, 900000000, 77, 55,
                                                0.035, analysis::TCrystalSystem::Hexagonal, 3.189,
                                                3.189, 5.185, 90, 90, 120, -3, 4, 0, 2, 1, 6));
    const IniFile file(ini);
    EXPECT_EQ(file.ReadInteger("MAINWINDOW", "Left", 0), 7);
    EXPECT_EQ(file.ReadString("PEAKSEARCH", "DOUBLEPEAKDISTANCE", ""), "0.035");
}

TEST(TabSettings, MissingOrHandEditedKeysGiveTheFieldDefaults) {
    test::TempDir dir;
    const auto none = analysis::TCrystalSystem::None;
    // No file at all: the documented defaults of every field.
    EXPECT_EQ(
        Fields(ReadTabSettings(dir.File("missing.INI"))),
        Row(5, 40, 15, 0, 0.5, 30, 40, 40, 30, 0.1, none, 4, 4, 4, 4, 4, 4, 0, 0, 0, 0, 0, 0));
    // Text where a number belongs, a fraction in a spin box, hexadecimal: the default. Numbers
    // outside a field's range: its nearest limit. A system past the list: none selected. A
    // decimal comma reads as well.
    const std::string ini =
        dir.Write("trevasc.INI",
                  "[PROCESSING]\nSMOOTHWIDTH=wide\nBACKGROUNDWIDTH=5000\nSLOPESAMPLES=12.5\n"
                  "KALPHA2RATIO=1.5\n"
                  "[PEAKSEARCH]\nMINPEAKHEIGHT=$20\nMINPEAKSLOPE=1\nBISECTORPERCENTAGE=\n"
                  "DOUBLEPEAKDISTANCE=0,2\n"
                  "[STRUCTURE]\nSYSTEM=7\nA=abc\nB=-1\nC=nan\nALPHA=200\nHMIN=-500\nHMAX=21\n");
    EXPECT_EQ(Fields(ReadTabSettings(ini)), Row(5, 1000, 15, 0, 1.0, 30, 3, 40, 30, 0.2, none, 4, 0,
                                                4, 180, 4, 4, -100, 20, 0, 0, 0, 0));
}
