// Kα2 stripping in the processing of the main scan: stripped first, then smoothed; additional
// scans untouched; switching it off gives the measured curve back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"
#include "tools/profile/Kalpha2Stripping.h"

using namespace trevasc;
using trevasc::test::ScriptedPrompts;
using trevasc::test::TempDir;

namespace {

// A flat 300-count background from 20° to 80° in 0.01° steps with a line of 3000 counts at 30°.
std::string FlatScan() {
    std::string s;
    for (int i = 0; i <= 6000; ++i)
        s += std::to_string(20.0 + 0.01 * i) + "\t" + (i == 1000 ? "3000" : "300") + "\n";
    return s;
}

}  // namespace

TEST(Kalpha2Session, MainScanIsStrippedBeforeSmoothingAndAdditionalScansAreNot) {
    TempDir dir;
    ScriptedPrompts prompts;
    WorkbenchSession session{prompts};
    const std::string file = dir.Write("flat.txt", FlatScan());
    session.OpenMainFile(file);
    session.LoadScanFile(dir.Write("second.txt", FlatScan()), false);
    ASSERT_EQ(session.Registry().AdditionalCount(), 1);

    const tools::KalphaDoublet cu{1.540562, 1.544390};
    analysis::ProcessingSettings processing = session.Processing();
    processing.NoiseSuppression = true;
    processing.SmoothWidth = 5;
    session.SetProcessing(processing);
    const TDataPointArray smoothedOnly = session.MainScan().Points;

    // Enabled without a doublet (a line with no Kα2 partner): nothing changes.
    session.SetKalpha2Stripping({true, 0.5, std::nullopt});
    EXPECT_EQ(session.MainScan().Points[5000].Intensity, smoothedOnly[5000].Intensity);

    session.SetKalpha2Stripping({true, 0.5, cu});
    const TDataPointArray& pts = session.MainScan().Points;
    ASSERT_EQ(pts.size(), 6001u);
    // Far from the start the flat 300 has become 2/3 of itself.
    EXPECT_EQ(pts[5990].Intensity, 200);
    EXPECT_EQ(session.Registry().Additional(0).Points[5990].Intensity, 300);

    // The same as smoothing the stripped counts.
    TDataSet expected;
    expected.RawPoints = tools::StripKalpha2(session.MainScan().RawPoints, cu, 0.5);
    analysis::RebuildProcessedCurve(expected, processing);
    for (size_t i = 0; i < pts.size(); ++i)
        ASSERT_EQ(pts[i].Intensity, expected.Points[i].Intensity) << i;
    // The raw points keep the measurement.
    EXPECT_EQ(session.MainScan().RawPoints[5990].Intensity, 300);

    session.SetKalpha2Stripping({false, 0.5, cu});
    for (size_t i = 0; i < pts.size(); ++i)
        ASSERT_EQ(session.MainScan().Points[i].Intensity, smoothedOnly[i].Intensity) << i;
}
