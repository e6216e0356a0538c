#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "core/ScanData.h"
#include "plot/ColorConfig.h"
#include "plot/Legend.h"
#include "plot/RecordingCanvas.h"
#include "plot/XrdPlotRefresh.h"
#include "support/TempDir.h"

using namespace trevasc;
using namespace trevasc::plot;

namespace {

void Fill(TDataSet& scan, const std::string& name, double from, double step,
          std::vector<int32_t> counts) {
    TDataPointArray pts;
    for (size_t i = 0; i < counts.size(); ++i)
        pts.push_back(
            {from + step * static_cast<double>(i), counts[i], 0.5 * static_cast<double>(i), 0});
    scan.SetRawPoints(std::move(pts));
    scan.Name = name;
}

// Every colour of a configuration: the seven named ones, then the additional ones.
std::vector<TColor> AllColors(const TColorConfig& c) {
    std::vector<TColor> all{c.Peak,         c.HiLitPeak, c.SubstratePeak, c.AdditionalPeak,
                            c.StrucSimPeak, c.MainPlot,  c.SlopePlot};
    all.insert(all.end(), c.AdditionalColors.begin(), c.AdditionalColors.end());
    return all;
}

}  // namespace

TEST(ColorConfig, DefaultsRoundTripAndKeyOrder) {
    test::TempDir dir;
    const TColorConfig d = ReadColorConfig(dir.File("missing.ini"));
    EXPECT_EQ(AllColors(d),
              (std::vector<TColor>{0xFF0000, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0, 0x008000}));

    TColorConfig c;
    c.MainPlot = 0x123456;
    c.HiLitPeak = 0xFFFFFF;
    c.AdditionalColors = {1, 2, 0xABCDEF};
    const std::string file = dir.File("colors.ini");
    WriteColorConfig(file, c);
    EXPECT_EQ(AllColors(ReadColorConfig(file)), AllColors(c));
    EXPECT_EQ(ReadColorConfig(file).AdditionalColorCount(), 3);

    // Written in the order MainPlot, SlopePlot, the peak colours, AdditionalColorCount, ...:
    // the later PlotColors keys join their section after SlopePlot.
    const std::string text = dir.Read("colors.ini");
    size_t at = 0;
    for (const char* key :
         {"[PlotColors]", "MainPlot=1193046", "SlopePlot=32768", "AdditionalColorCount=3",
          "AdditionalColor0=1", "AdditionalColor2=11259375", "[PeakColors]", "Peak=16711680",
          "HiLitPeak=16777215", "SubstratePeak=65535", "AdditionalPeak=65280",
          "StrucSimPeak=16776960"}) {
        at = text.find(key, at);
        ASSERT_NE(at, std::string::npos) << key << " in\n" << text;
    }
    // A shorter list leaves no stale keys behind.
    c.AdditionalColors.resize(1);
    WriteColorConfig(file, c);
    EXPECT_EQ(dir.Read("colors.ini").find("AdditionalColor2"), std::string::npos);
}

TEST(ColorConfig, DamagedValuesAndTheRandomExtension) {
    test::TempDir dir;
    const std::string file =
        dir.Write("colors.ini",
                  "[PlotColors]\nMainPlot=$FF\nSlopePlot=0x00FF00\nAdditionalColorCount=3\n"
                  "AdditionalColor1=255\n[PeakColors]\nPeak=junk\nHiLitPeak=99999999999\n");
    // Hex values read; unreadable values and values beyond 32 bits keep their defaults.
    EXPECT_EQ(AllColors(ReadColorConfig(file)),
              (std::vector<TColor>{0xFF0000, 0x0000FF, 0x00FFFF, 0x00FF00, 0xFFFF00, 0xFF, 0x00FF00,
                                   kDefaultAdditionalColor, 255, kDefaultAdditionalColor}));
    dir.Write("colors.ini", "[PlotColors]\nAdditionalColorCount=2000000000\n");
    EXPECT_EQ(ReadColorConfig(file).AdditionalColorCount(), kMaxAdditionalColors);
    dir.Write("colors.ini", "[PlotColors]\nAdditionalColorCount=-4\n");
    EXPECT_EQ(ReadColorConfig(file).AdditionalColorCount(), 0);

    // New colours come from the source after the existing ones and are never white.
    std::mt19937 a(42), b(42);
    TColorConfig c1, c2;
    c1.AdditionalColors = {7};
    EnsureAdditionalColors(c1, 500, MakeRandomColorSource(a));
    EnsureAdditionalColors(c2, 499, MakeRandomColorSource(b));
    ASSERT_EQ(c1.AdditionalColors.size(), 500u);
    EXPECT_EQ(c1.AdditionalColors[0], 7u);
    EXPECT_TRUE(std::equal(c2.AdditionalColors.begin(), c2.AdditionalColors.end(),
                           c1.AdditionalColors.begin() + 1));
    for (TColor col : c1.AdditionalColors) EXPECT_LT(col, 0xFFFFFFu);
    TColorConfig c3;  // a source that misbehaves
    EnsureAdditionalColors(c3, 1, [] { return TColor{0xFFFFFF}; });
    EXPECT_NE(c3.AdditionalColors[0], 0xFFFFFFu);
}

TEST(XrdPlotRefresh, BuildsTheDatasetFromTheOpenScans) {
    ScanRegistry reg;
    XrdPlotSettings s;
    TColorConfig colors;
    std::mt19937 rng(1);
    TPlotDataset ds;
    ds.Title = "untouched";
    EXPECT_FALSE(RefreshXrdPlot(ds, reg, s, colors, {}, MakeRandomColorSource(rng)));
    EXPECT_EQ(ds.Title, "untouched");

    Fill(reg.MainScan(), "main", 20, 0.5, {5, 0, -3, 100});
    AddPeak(reg.MainScan(), 20.5, "Si (004)", true);
    AddPeak(reg.MainScan(), 21.0, "", false);
    Fill(reg.AppendAdditionalScan(), "add1", 10, 1, {0, 2, 4});
    AddPeak(reg.Additional(0), 11, "other", true);
    Fill(reg.AppendAdditionalScan(), "add2", 30, 10, {1});  // one point: no span
    reg.PlotTitle = "XRD Plot: main";
    reg.OpenScanKind = TScanKind::Omega;
    s.OffsetAdditionalGraphs = true;
    s.SpanAllFiles = true;
    s.ShowSlope = true;
    s.ShowPeaksFromAllPlots = true;
    const std::vector<THighlightPoint> extra{{21.2, colors.SubstratePeak, "Si", false}};
    ASSERT_TRUE(RefreshXrdPlot(ds, reg, s, colors, extra, MakeRandomColorSource(rng)));

    // Counts <= 0 as 1.
    ASSERT_EQ(ds.Count(), 4);
    EXPECT_EQ((std::vector<double>{ds.Points[0].Y, ds.Points[2].Y, ds.SecondaryPoints[3].Y}),
              (std::vector<double>{5, 1, 1.5}));
    EXPECT_EQ((std::vector<std::string>{ds.Title, ds.XTitle, ds.YTitle, ds.SecondaryTitle}),
              (std::vector<std::string>{"XRD Plot: main", "Omega", "Counts", "Slope"}));
    EXPECT_TRUE(ds.LogY);
    // Span over the scans with two or more points only; not zoomed: the full range.
    EXPECT_EQ(std::tuple(ds.FullXMin, ds.FullXMax, ds.ViewXMax), std::tuple(10.0, 21.5, 21.5));
    // Overlays: below 1 as 1, then times 3^k.
    ASSERT_EQ(ds.OverlayCount(), 2);
    EXPECT_EQ((std::vector<double>{ds.Overlays[0].Points[0].Y, ds.Overlays[0].Points[2].Y,
                                   ds.Overlays[1].Points[0].Y}),
              (std::vector<double>{3, 12, 9}));
    // Two random overlay colours became part of the configuration.
    ASSERT_EQ(colors.AdditionalColorCount(), 2);
    EXPECT_EQ(ds.Overlays[1].Color, colors.AdditionalColors[1]);
    // Markers: main peaks (checked red, unchecked blue), additional peaks, then the extras.
    ASSERT_EQ(ds.HighlightCount(), 4);
    EXPECT_EQ((std::vector<TColor>{ds.Highlights[0].Color, ds.Highlights[1].Color,
                                   ds.Highlights[2].Color}),
              (std::vector<TColor>{colors.HiLitPeak, colors.Peak, colors.AdditionalColors[0]}));
    EXPECT_TRUE(ds.Highlights[0].IsMainPeak && !ds.Highlights[2].IsMainPeak);
    EXPECT_EQ(ds.Highlights[0].Text + " " + ds.Highlights[3].Text, "Si (004) Si");

    // A zoom range is kept; without span and offsets the full range is the main scan's.
    s = XrdPlotSettings{};
    s.ViewXMin = 20.2;
    s.ViewXMax = 20.8;
    ASSERT_TRUE(RefreshXrdPlot(ds, reg, s, colors, {}, MakeRandomColorSource(rng)));
    EXPECT_EQ(std::tuple(ds.ViewXMin, ds.FullXMin, ds.Overlays[1].Points[0].Y),
              std::tuple(20.2, 20.0, 1.0));
    EXPECT_EQ(ds.HighlightCount(), 2);
    EXPECT_EQ(colors.AdditionalColorCount(), 2);  // no new colours needed

    EXPECT_EQ(OverlayOffsetFactor(49), 3.0);
    EXPECT_NEAR(std::pow(OverlayOffsetFactor(50), 50), 1e20, 1e6);
}

TEST(Legend, RowsAndDrawing) {
    ScanRegistry reg;
    TColorConfig colors;
    EXPECT_TRUE(LegendRows(reg, colors, true, 0xC0C0C0).empty());
    Fill(reg.MainScan(), "main", 20, 1, {1, 2});
    Fill(reg.AppendAdditionalScan(), "a", 20, 1, {1, 2});
    Fill(reg.AppendAdditionalScan(), "b", 20, 1, {1, 2});
    colors.AdditionalColors = {0x0000FF};
    auto rows = LegendRows(reg, colors, true, 0xC0C0C0);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].Text, "Slope of main");
    // The last scan has no configured colour.
    EXPECT_EQ((std::vector<TColor>{rows[1].Color, rows[2].Color, rows[3].Color}),
              (std::vector<TColor>{colors.SlopePlot, 0x0000FF, 0xC0C0C0}));
    EXPECT_EQ(LegendRows(reg, colors, false, 0).size(), 3u);

    // One row each: a short line in the row's colour, then its text.
    RecordingCanvas c;
    c.SetFontSize(9);
    EXPECT_EQ(DrawLegend(c, rows), 11);  // the text height
    const auto lines = c.OpsOf(TCanvasOpKind::Line), texts = c.OpsOf(TCanvasOpKind::Text);
    ASSERT_TRUE(lines.size() == 4u && texts.size() == 4u);
    EXPECT_EQ(lines[2].PenColor, 0x0000FFu);
    EXPECT_TRUE(texts[3].Text == "b" && texts[3].X1 > lines[3].X2 && texts[3].Y1 > texts[2].Y1);
}
