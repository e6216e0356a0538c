#include <gtest/gtest.h>

#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

using namespace trevasc;

namespace {

class FieldObserver : public SessionObserver {
  public:
    std::vector<std::string> Events;
    void AdditionalLatticeSpacingChanged(double a) override {
        Events.push_back("lattice:" + std::to_string(a).substr(0, 5));
    }
    void PermittedReflexesChanged(const std::string& t) override {
        Events.push_back("allowed:" + t);
    }
    void PeakRowChanged(int row) override { Events.push_back("row:" + std::to_string(row)); }
    void PlotRefresh() override { Events.push_back("plot"); }
    void CurrentWavelengthChanged(double w) override {
        Events.push_back("wavelength:" + std::to_string(w).substr(0, 6));
    }
};

}  // namespace

TEST(ReflectionSession, AdditionalFieldsNotifyOnlyOnChange) {
    test::ScriptedPrompts prompts;
    WorkbenchSession session(prompts);
    FieldObserver observer;
    session.AddObserver(&observer);
    EXPECT_DOUBLE_EQ(session.AdditionalLatticeSpacing(), 4.0);
    EXPECT_EQ(session.PermittedReflexes(), "1,2,3,4,5,6,7,8");
    session.SetAdditionalLatticeSpacing(5.43102);
    session.SetAdditionalLatticeSpacing(5.43102);
    session.SetPermittedReflexes("4,8");
    session.SetPermittedReflexes("4,8");
    session.SetCurrentWavelength(WorkbenchSession::kDefaultWavelength);
    session.SetCurrentWavelength(1.54439);
    EXPECT_EQ(observer.Events,
              (std::vector<std::string>{"lattice:5.431", "allowed:4,8", "wavelength:1.5443"}));
    EXPECT_DOUBLE_EQ(session.AdditionalLatticeSpacing(), 5.43102);
}

TEST(ReflectionSession, IdentifyTellsChangedRowsThenRedraws) {
    test::ScriptedPrompts prompts;
    test::TempDir dir;
    WorkbenchSession session(prompts);
    std::string text;
    for (int i = 0; i < 200; ++i) text += std::to_string(20 + 0.25 * i) + "\t100\n";
    session.OpenMainFile(dir.Write("scan.txt", text));
    session.AddPeak(28.4);
    session.AddPeak(47.3);
    FieldObserver observer;
    session.AddObserver(&observer);
    session.IdentifyPeaksByPositions({28.441, 69.127}, {"Si (111)", "Si (004)"}, 0.5);
    EXPECT_EQ(observer.Events, (std::vector<std::string>{"row:0", "plot"}));
    EXPECT_EQ(session.MainScan().Peaks.Items[0].Description, "Si (111)");
}

TEST(ReflectionSession, ReportProgressPassesCancelBack) {
    test::ScriptedPrompts prompts;
    WorkbenchSession session(prompts);
    EXPECT_TRUE(session.ReportProgress({ProgressEvent::Phase::Step, "x", 1, 2}));
    std::vector<int> seen;
    session.SetProgressCallback([&](const ProgressEvent& e) {
        seen.push_back(e.Done);
        return e.Done < 2;
    });
    EXPECT_TRUE(session.ReportProgress({ProgressEvent::Phase::Step, "x", 1, 3}));
    EXPECT_FALSE(session.ReportProgress({ProgressEvent::Phase::Step, "x", 2, 3}));
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
}
