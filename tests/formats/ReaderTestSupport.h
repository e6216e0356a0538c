#pragma once
// Scripted prompts and small helpers for the scan reader tests.
#include <deque>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/Prompts.h"
#include "core/ScanData.h"

namespace trevasc::test {

// Answers input queries from a script (the preset when the script is empty) and records
// everything it was shown.
class ReaderPrompts : public Prompts {
  public:
    std::deque<std::optional<std::string>> Answers;
    std::vector<std::string> Captions, Questions, Infos, Errors;

    bool Confirm(const std::string& text) override {
        Questions.push_back(text);
        return true;
    }
    void ShowError(const std::string& text) override { Errors.push_back(text); }
    void ShowInfo(const std::string& text) override { Infos.push_back(text); }
    std::optional<std::string> InputQuery(const std::string& caption, const std::string& prompt,
                                          const std::string& preset) override {
        Captions.push_back(caption);
        Questions.push_back(prompt);
        if (Answers.empty()) return preset;
        auto answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
};

inline std::string ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A main scan with known points and a peak, to see that failed reads leave it alone.
inline void FillMainScan(ScanRegistry& registry) {
    TDataPointArray points;
    for (int i = 0; i < 3; ++i) points.push_back({10.0 + i, 100 + i, 0, 0});
    registry.MainScan().SetRawPoints(points);
    registry.MainScan().Name = "old";
    registry.MainScan().Peaks.Clear();
    AddPeak(registry.MainScan(), 11.0, "kept", true);
}

}  // namespace trevasc::test
