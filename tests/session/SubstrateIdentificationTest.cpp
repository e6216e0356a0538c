// The identification of substrate peaks that the batch tool and the Python module share: what
// is refused, and that the warnings gathered before a refusal are at hand for the caller.
#include <gtest/gtest.h>

#include "base/Error.h"
#include "session/SubstrateIdentification.h"
#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

using namespace trevasc;
using trevasc::test::ScriptedPrompts;
using trevasc::test::TempDir;

namespace {

struct IdentifyRun {
    ScriptedPrompts prompts;
    WorkbenchSession session{prompts};
    int opened = 0;
    std::vector<IdentifyWarning> warnings;

    // The main scan becomes `points` points from 20 to 30 degrees.
    IdentifyReport Identify(const IdentifyRequest& request, int points = 11) {
        const auto open = [&] {
            ++opened;
            TDataPointArray scan;
            for (int i = 0; i < points; ++i) scan.push_back(TDataPoint{20.0 + i, 100});
            session.Scans().MainScan().SetRawPoints(scan);
        };
        return IdentifySubstratePeaks(session, open, request, warnings);
    }
};

std::string Failure(IdentifyRun& run, const IdentifyRequest& request, int points = 11) {
    try {
        run.Identify(request, points);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "no failure";
}

}  // namespace

TEST(SubstrateIdentification, RefusalsKeepTheWarningsBeforeThem) {
    TempDir dir;
    IdentifyRequest request;
    request.Peaks = std::vector<double>{25.0};
    request.Material = "Nope";
    request.Database = dir.File("missing.ini");
    request.DatabaseGiven = true;
    IdentifyRun missing;
    EXPECT_EQ(Failure(missing, request), "The substrate database does not exist.");
    EXPECT_EQ(missing.opened, 0);  // said before the scan is read

    // The workbench's own database may be missing: no materials, so no material of the name.
    request.DatabaseGiven = false;
    IdentifyRun none;
    EXPECT_EQ(Failure(none, request), "No material 'Nope' in the database.");
    EXPECT_TRUE(none.warnings.empty());

    request.Database = dir.Write("damaged.ini", std::string("[Si]\nSi (111)=28.441\n\0\n", 23));
    IdentifyRun damaged;
    EXPECT_EQ(Failure(damaged, request), "No material 'Nope' in the database.");
    ASSERT_EQ(damaged.warnings.size(), 1u);
    EXPECT_EQ(damaged.warnings[0].What, IdentifyWarning::Kind::DamagedDatabase);
    EXPECT_NE(damaged.warnings[0].Text.find("NUL byte"), std::string::npos);

    request.Material = "Si";
    IdentifyRun onePoint;
    EXPECT_EQ(Failure(onePoint, request, 1), "The scan holds fewer than two points.");
    EXPECT_EQ(onePoint.warnings.size(), 1u);
}

TEST(SubstrateIdentification, AutoSelectWithoutAReflectionInRangeChoosesNothing) {
    TempDir dir;
    IdentifyRequest request;
    request.Peaks = std::vector<double>{25.0};
    request.Database = dir.Write("far.ini", "[Si]\nSi (004)=69.127\n");  // the scan: 20..30
    IdentifyRun run;
    const IdentifyReport report = run.Identify(request);
    EXPECT_FALSE(report.Material);
    ASSERT_EQ(run.warnings.size(), 1u);
    EXPECT_EQ(run.warnings[0].What, IdentifyWarning::Kind::NothingInRange);
    ASSERT_TRUE(report.Scores);
    ASSERT_EQ(report.Scores->size(), 1u);
    EXPECT_FALSE(report.Scores->front().second);
    ASSERT_EQ(report.Peaks.size(), 1u);
    EXPECT_EQ(report.Peaks[0].Description, "");
}
