#pragma once
// Records the notifications of every part of a workbench session as short texts, in the order
// they come, so that a test sees the hand-over order across the parts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/WorkbenchSession.h"
#include "support/ScriptedPrompts.h"
#include "support/TempDir.h"

namespace trevasc::test {

inline std::string FlagText(bool on) {
    return on ? "1" : "0";
}

class SessionRecorder : public OpenScansObserver,
                        public PeakListObserver,
                        public PlotViewObserver,
                        public SettingsObserver {
  public:
    explicit SessionRecorder(WorkbenchSession& session) : session_(session) {
        session_.Scans().AddObserver(this);
        session_.Peaks().AddObserver(this);
        session_.View().AddObserver(this);
        session_.Settings().AddObserver(this);
    }
    ~SessionRecorder() override {
        session_.Scans().RemoveObserver(this);
        session_.Peaks().RemoveObserver(this);
        session_.View().RemoveObserver(this);
        session_.Settings().RemoveObserver(this);
    }
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    std::vector<std::string> Events;
    // The last hand-over of checked peaks.
    std::vector<std::string> Rows;
    std::string Source;

    void CaptionChanged(const std::string& c) override { Events.push_back("caption:" + c); }
    void FileHistoryChanged() override { Events.push_back("history"); }
    void ScanMenuChanged() override { Events.push_back("menu"); }

    void PeakListReset() override { Events.push_back("peaks"); }
    void PeakRowChanged(int row) override { Events.push_back("row:" + std::to_string(row)); }
    void HighlightChanged(int row) override {
        Events.push_back("highlight:" + std::to_string(row));
    }
    void FindPeaksEnabledChanged(bool on) override { Events.push_back("find:" + FlagText(on)); }
    void AddModeChanged(bool on) override { Events.push_back("addmode:" + FlagText(on)); }
    void CheckedPeaksSent(PeakHandOverTarget target, const std::vector<std::string>& rows,
                          const std::string& source) override {
        Events.push_back(target == PeakHandOverTarget::Lattice ? "lattice" : "thickness");
        Rows = rows;
        Source = source;
    }
    void PeakDataOutdated() override { Events.push_back("old"); }

    void ViewRangeChanged(double, double) override { Events.push_back("view"); }
    void PlotRefresh() override { Events.push_back("plot"); }
    void PlotWindowUpdate() override { Events.push_back("plotwindow"); }
    void TwoAxisRefresh() override { Events.push_back("twoaxis"); }
    void LegendRefresh() override { Events.push_back("legend"); }

    void DisplaySettingsChanged() override { Events.push_back("display"); }
    void AdditionalLatticeSpacingChanged(double a) override {
        Events.push_back("spacing:" + std::to_string(a));
    }
    void PermittedReflexesChanged(const std::string& t) override {
        Events.push_back("allowed:" + t);
    }
    void CurrentWavelengthChanged(double w) override {
        Events.push_back("wavelength:" + std::to_string(w));
    }

    // How often an event came.
    long Count(const std::string& event) const {
        long n = 0;
        for (const std::string& e : Events) n += e == event;
        return n;
    }

  private:
    WorkbenchSession& session_;
};

// n points of a two-column scan from `start` in steps of 0.5 degrees, intensity base + index.
inline std::string TwoColumn(double start, int n, int base = 100) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += std::to_string(start + 0.5 * i) + "\t" + std::to_string(base + i) + "\n";
    return s;
}

// A session with a scripted user, a folder for scan files and a recorder of every part.
struct SessionFixture : ::testing::Test {
    TempDir dir;
    ScriptedPrompts prompts;
    WorkbenchSession session{prompts};
    SessionRecorder observer{session};
    SessionFixture() { session.Scans().SetProgramTitle("Trevasc v1.0 (Build 1)"); }
};

}  // namespace trevasc::test
