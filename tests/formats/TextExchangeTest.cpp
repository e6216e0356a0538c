#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <tuple>

#include "base/DoubleList.h"
#include "base/NumberText.h"
#include "formats/TextExchange.h"

using namespace trevasc;
using namespace trevasc::formats;

namespace {

void Fill(TDataSet& s, const std::string& name, std::initializer_list<std::pair<double, int>> pts) {
    TDataPointArray a;
    for (auto [x, y] : pts) a.push_back({x, y, 0, 0});
    s.SetRawPoints(std::move(a));
    s.Name = name;
}

std::vector<double> Items(const TDoubleList& list) {
    std::vector<double> v;
    for (int i = 0; i < list.Count(); ++i) v.push_back(list.Get(i));
    return v;
}

}  // namespace

TEST(DoubleList, AddKeepsDistinctAscendingValuesAndFindReportsNeighbours) {
    TDoubleList list;
    for (double x : {5.0, 1.0, 3.0, 5.0, -2.0, 3.0, 4.0}) list.Add(x);
    EXPECT_EQ(Items(list), (std::vector<double>{-2.0, 1.0, 3.0, 4.0, 5.0}));
    // Found, or not found with the last item below.
    for (const auto& [value, found, at] :
         {std::tuple(3.0, true, 2), std::tuple(3.5, false, 2), std::tuple(-7.0, false, -1)}) {
        int index = 99;
        EXPECT_EQ(list.Find(0, list.Count() - 1, value, index), found) << value;
        EXPECT_EQ(index, at) << value;
    }
    list.Add(std::nextafter(3.0, 4.0));  // exact equality: one bit away is a separate item
    EXPECT_EQ(list.Count(), 6);
}

TEST(DoubleList, AddRangeGivesTheSameListAsSingleAdds) {
    std::vector<double> values;
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> pick(0, 400);
    for (int i = 0; i < 3000; ++i) values.push_back(10.0 + pick(rng) * 0.01);
    for (int i = 0; i < 50; ++i) values.push_back(std::nextafter(values[i], 100.0));
    std::vector<double> descending(values);
    std::sort(descending.rbegin(), descending.rend());

    TDoubleList single, ranged;
    for (double v : values) single.Add(v);
    ranged.Add(12.0);
    ranged.AddRange(descending);
    EXPECT_EQ(Items(ranged), Items(single));
}

TEST(AllSpectra, ATableOfScansWithoutCommonPositionsGoesOutInBoundedPieces) {
    // 40 scans of 3000 points on positions of their own: 120,000 rows of 41 columns, about
    // 10 MB of text, of which a piece holds at most a megabyte and a row.
    ScanRegistry reg;
    const int scans = 40, points = 3000;
    for (int k = 0; k < scans; ++k) {
        TDataSet& s = k == 0 ? reg.MainScan() : reg.AppendAdditionalScan();
        TDataPointArray a;
        for (int i = 0; i < points; ++i) a.push_back({10.0 + i * 0.01 + k * 0.0001, k * 10 + i});
        s.SetRawPoints(std::move(a));
        s.Name = "s" + std::to_string(k);
    }
    std::string text;
    size_t largest = 0, pieces = 0;
    WriteAllSpectraFile(reg, '.', [&](std::string_view piece) {
        text += piece;
        largest = std::max(largest, piece.size());
        ++pieces;
    });
    EXPECT_GT(pieces, 5u);
    EXPECT_LE(largest, (size_t{1} << 20) + 400);
    EXPECT_EQ(text, AllSpectraFileText(reg, '.'));
    // One row per point, in ascending order: 10 (scan 0), 10.0001 (scan 1, count 10), ...
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), scans * points + 1);
    std::string second = "\r\n10.0001\t \t10";
    for (int c = 2; c < scans; ++c) second += "\t ";
    EXPECT_NE(text.find(second + "\r\n10.0002\t \t \t20\t "), std::string::npos);
}

TEST(AllSpectra, MergesPositionsOfAllScansWithBlanksForMissingPoints) {
    ScanRegistry reg;
    EXPECT_EQ(AllSpectraFileText(reg, '.'), "");  // no main scan: nothing
    Fill(reg.MainScan(), "a", {{10.0, 1}, {10.5, 2}});
    Fill(reg.AppendAdditionalScan(), "b", {{10.25, 3}, {10.5, 4}});
    EXPECT_EQ(AllSpectraFileText(reg, '.'),
              "TwoTheta\tCounts(a)\tCounts(b)\r\n10\t1\t \r\n10.25\t \t3\r\n10.5\t2\t4\r\n");
    // The clipboard and the all-spectra file use the user's decimal separator.
    EXPECT_EQ(AllSpectraClipboardText(reg, ','),
              "TwoTheta\tCounts(a)\tCounts(b)\r\n10\t1\t \r\n10,25\t \t3\r\n10,5\t2\t4\r\n");
    // The cursor of a descending scan waits at its first value, so only that row gets one.
    Fill(reg.MainScan(), "up", {{1.0, 1}, {2.0, 2}, {3.0, 3}});
    Fill(reg.Additional(0), "down", {{3.0, 30}, {2.0, 20}, {1.0, 10}});
    EXPECT_EQ(AllSpectraFileText(reg, '.'),
              "TwoTheta\tCounts(up)\tCounts(down)\r\n1\t1\t \r\n2\t2\t \r\n3\t3\t30\r\n");
    // 8 significant digits in the file, 15 on the clipboard.
    Fill(reg.MainScan(), "a", {{10.123456789, 5}});
    reg.ClearAdditionalScans();
    EXPECT_EQ(AllSpectraFileText(reg, '.'), "TwoTheta\tCounts(a)\r\n10.123457\t5\r\n");
    EXPECT_EQ(AllSpectraClipboardText(reg, '.'), "TwoTheta\tCounts(a)\r\n10.123456789\t5\r\n");
}

TEST(SpectrumText, HeaderFollowsTheScanKind) {
    ScanRegistry reg;
    Fill(reg.MainScan(), "s", {{20.5, 123}, {-0.00125, -7}});
    EXPECT_EQ(SpectrumFileText(reg),
              "TwoTheta\tCounts\r\n"
              " 2.05000000000000E+0001\t123\r\n"
              "-1.25000000000000E-0003\t-7\r\n");
    EXPECT_EQ(SpectrumClipboardText(reg, ','), "TwoTheta\tCounts\r\n20,5\t123\r\n-0,00125\t-7\r\n");

    reg.OpenScanKind = TScanKind::Psi;
    EXPECT_EQ(SpectrumClipboardText(reg, '.').substr(0, 12), "Psi\tCounts\r\n");

    reg.OpenScanKind = TScanKind::TwoThetaCommonOmega;
    EXPECT_EQ(SpectrumFileText(reg).substr(0, 24), " 2.05000000000000E+0001\t");
    EXPECT_EQ(SpectrumClipboardText(reg, '.').substr(0, 5), "20.5\t");
    Fill(reg.AppendAdditionalScan(), "b", {{20.5, 1}});
    EXPECT_EQ(AllSpectraFileText(reg, '.').substr(0, 20), "\tCounts(s)\tCounts(b)");
    EXPECT_EQ(SpectrumFileNameFor("scan.v2.xrdml"), "scan.v2_Spec.txt");
}

TEST(PeakClipboard, FourContentsFollowTheCheckMarks) {
    TDataSet s;
    Fill(s, "s", {{10, 1}, {40, 2}});
    AddPeak(s, 33.0123, "Si (004)", true);
    AddPeak(s, 12.5, "", false);
    AddPeak(s, 20.25, "film", true);

    EXPECT_EQ(PeakListClipboardText(s, PeakClipboardContent::SelectedPeaks, ','),
              "20,2500\r\n33,0123\r\n");
    EXPECT_EQ(PeakListClipboardText(s, PeakClipboardContent::FullPeakList, '.'),
              "20.2500\r\n33.0123\r\n\r\n12.5000\r\n");
    EXPECT_EQ(PeakListClipboardText(s, PeakClipboardContent::SelectedPeaksIdent, '.'),
              "20.2500\tfilm\r\n33.0123\tSi (004)\r\n");
    EXPECT_EQ(PeakListClipboardText(s, PeakClipboardContent::FullPeakListIdent, '.'),
              "20.2500\tfilm\r\n33.0123\tSi (004)\r\n\r\n12.5000\t\r\n");

    for (auto& p : s.Peaks.Items) p.Checked = false;
    EXPECT_EQ(PeakListClipboardText(s, PeakClipboardContent::SelectedPeaks, '.'), "");
}

TEST(ColumnsText, EveryNumberReadsBackAsTheSameDouble) {
    const std::vector<double> x = {10.0, 10.1, 1.0 / 3.0, 123456.789e-7};
    const std::vector<double> y = {200.0, -66.666666666666671, 2.0 / 3.0, 1e-300};
    const std::string text = ColumnsFileText("d(Angstrom)", x, y);
    ASSERT_EQ(text.rfind("d(Angstrom)\tCounts\r\n", 0), 0u);
    std::istringstream lines(text.substr(text.find('\n') + 1));
    for (size_t i = 0; i < x.size(); ++i) {
        double a = 0, b = 0;
        ASSERT_TRUE(lines >> a >> b) << i;
        EXPECT_EQ(a, x[i]);
        EXPECT_EQ(b, y[i]);
    }
    EXPECT_FALSE(lines >> std::ws && lines.peek() != EOF);
}
