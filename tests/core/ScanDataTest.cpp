#include <gtest/gtest.h>

#include <sstream>

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

// The intensity is that of the nearest point inside the scan (the index stays unclamped, as
// PeakPointIndex); equal positions keep their insertion order; scans of fewer than two points are
// never read outside.
TEST(AddPeak, IntensityClampsToTheScanAndEqualPositionsKeepTheirOrder) {
    TDataSet s = MakeScan({{10, 1}, {11, 2}, {12, 3}, {13, 4}});
    AddPeak(s, 10.0, "", false);
    AddPeak(s, 20.0, "beyond", true);
    AddPeak(s, 5.0, "before", true);
    AddPeak(s, 11.5, "first", true);  // index 1.5 rounds to 2 (halves to even)
    AddPeak(s, 11.5, "second", true);
    std::ostringstream rows;
    for (const TPeak& p : s.Peaks.Items)
        rows << p.Description << "@" << p.PointIndex << "=" << p.Intensity << " ";
    EXPECT_EQ(rows.str(), "before@-5=1 @0=1 first@1.5=3 second@1.5=3 beyond@10=4 ");
    EXPECT_TRUE(s.Peaks.Unsaved);
    for (TDataSet t : {TDataSet(), MakeScan({{10, 77}})}) {
        AddPeak(t, 12.0, "", true);
        EXPECT_EQ(t.Peaks.Items[0].PointIndex, 0.0);
        EXPECT_EQ(t.Peaks.Items[0].Intensity, t.Count() ? 77 : 0);
    }
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
