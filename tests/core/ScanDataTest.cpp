#include <gtest/gtest.h>

#include "core/ScanData.h"

using namespace trevasc;

namespace {
TDataSet MakeScan(std::initializer_list<std::pair<double, int>> pts) {
    TDataSet s;
    TDataPointArray a;
    for (auto [x, y] : pts) a.push_back({x, y, 0, 0});
    s.SetRawPoints(std::move(a));
    return s;
}
}  // namespace

TEST(PeakPointIndex, LinearOnTheScanAxisAndZeroWithoutOne) {
    // 4 points over 10 ... 13: index = (x - 10) * 3 / 3; outside the scan it is not clamped.
    const TDataSet s = MakeScan({{10, 1}, {11, 2}, {12, 3}, {13, 4}});
    const std::pair<double, double> cases[] = {
        {10.0, 0.0}, {11.5, 1.5}, {13.0, 3.0}, {20.0, 10.0}, {5.0, -5.0}};
    for (const auto& [position, index] : cases)
        EXPECT_DOUBLE_EQ(PeakPointIndex(s, position), index) << position;
    // Uneven steps: only the ends count, (11 - 10) * 2 / 4 = 0.5.
    EXPECT_DOUBLE_EQ(PeakPointIndex(MakeScan({{10, 1}, {13, 1}, {14, 1}}), 11.0), 0.5);
    // No axis to map onto: one point, or two at the same position.
    EXPECT_EQ(PeakPointIndex(MakeScan({{10, 1}}), 12.0), 0.0);
    EXPECT_EQ(PeakPointIndex(MakeScan({{10, 1}, {10, 2}}), 12.0), 0.0);
}

TEST(AddPeak, IndexAndIntensityClampToTheScan) {
    TDataSet s = MakeScan({{10, 1}, {11, 2}, {12, 3}, {13, 4}});
    AddPeak(s, 10.0, "", false);
    AddPeak(s, 20.0, "beyond", true);
    AddPeak(s, 5.0, "before", true);
    AddPeak(s, 11.5, "", true);  // index 1.5 rounds to 2 (halves to even)
    ASSERT_EQ(s.Peaks.Count(), 4);
    EXPECT_EQ(s.Peaks.Items[0].Description, "before");
    EXPECT_EQ(s.Peaks.Items[0].Intensity, 1);
    EXPECT_DOUBLE_EQ(s.Peaks.Items[1].PointIndex, 0.0);
    EXPECT_EQ(s.Peaks.Items[2].Intensity, 3);
    EXPECT_EQ(s.Peaks.Items[3].Intensity, 4);
    EXPECT_TRUE(s.Peaks.Unsaved);
}

TEST(AddPeak, EqualPositionsKeepInsertionOrder) {
    TDataSet s = MakeScan({{10, 1}, {11, 2}});
    AddPeak(s, 10.5, "first", true);
    AddPeak(s, 10.5, "second", true);
    AddPeak(s, 10.2, "low", true);
    ASSERT_EQ(s.Peaks.Count(), 3);
    EXPECT_EQ(s.Peaks.Items[1].Description, "first");
    EXPECT_EQ(s.Peaks.Items[2].Description, "second");
}

TEST(AddPeak, ScansWithFewerThanTwoPointsNeverReadOutside) {
    TDataSet empty;
    AddPeak(empty, 12.0, "", true);
    EXPECT_EQ(empty.Peaks.Items[0].PointIndex, 0.0);
    EXPECT_EQ(empty.Peaks.Items[0].Intensity, 0);
    TDataSet one = MakeScan({{10, 77}});
    AddPeak(one, 12.0, "", true);
    EXPECT_EQ(one.Peaks.Items[0].PointIndex, 0.0);
    EXPECT_EQ(one.Peaks.Items[0].Intensity, 77);
}

TEST(ScanRegistry, ScanAtAndSelectMainReorder) {
    ScanRegistry r;
    EXPECT_EQ(r.ScanAt(0).Count(), 0);
    r.ClearAdditionalScans();  // nothing to release
    EXPECT_EQ(r.AdditionalCount(), 0);
    r.MainScan().Name = "M";
    for (const char* n : {"A", "B", "C", "D"}) r.AppendAdditionalScan().Name = n;
    r.SelectMain(3);
    EXPECT_EQ(r.MainScan().Name, "C");
    std::string order;
    for (int k = 1; k <= r.AdditionalCount(); ++k) order += r.ScanAt(k).Name;
    EXPECT_EQ(order, "MABD");
    r.SelectMain(0);
    r.SelectMain(5);
    EXPECT_EQ(r.MainScan().Name, "C");
    r.ClearAdditionalScans();
    EXPECT_EQ(r.AdditionalCount(), 0);
}
