#pragma once
// Scripted prompts and small helpers for the scan reader tests.
#include <gtest/gtest.h>

#include <deque>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "base/Error.h"
#include "core/Prompts.h"
#include "core/ScanData.h"
#include "formats/ScanFileReader.h"

namespace trevasc::test {

// Answers input queries from a script (the preset when the script is empty) and records
// everything it was shown.
class ReaderPrompts : public Prompts {
  public:
    std::deque<std::optional<std::string>> Answers;
    std::vector<std::string> Captions, Questions, Presets, Infos, Errors;

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
        Presets.push_back(preset);
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

inline std::vector<double> PositionsOf(const TDataSet& s) {
    std::vector<double> out;
    for (const auto& p : s.RawPoints) out.push_back(p.Position);
    return out;
}

inline std::vector<int> IntensitiesOf(const TDataSet& s) {
    std::vector<int> out;
    for (const auto& p : s.RawPoints) out.push_back(p.Intensity);
    return out;
}

inline void ExpectMainUntouched(const ScanRegistry& registry) {
    const TDataSet& main = registry.MainScan();
    EXPECT_EQ(std::tuple(main.Count(), main.RawPoints.size(), main.Name, main.Peaks.Count(),
                         registry.AdditionalCount()),
              std::tuple(3, 3u, "old", 1, 0));
}

using TReader = formats::ReadResult (*)(std::string_view, const std::string&, bool, ScanRegistry&,
                                        Prompts&);

// Runs a reader and returns its message ("" when it succeeded).
inline std::string ErrorOf(TReader reader, std::string_view text, ScanRegistry& registry,
                           Prompts& prompts, bool main = true,
                           const std::string& fileName = "/data/scan.txt") {
    try {
        reader(text, fileName, main, registry, prompts);
    } catch (const TrevascError& e) {
        return e.what();
    }
    return "";
}

// Each {file content, message}: the read fails with the message and changes nothing. Read as the
// main file, or with `kind` as an additional file next to open scans of that kind.
inline void ExpectFailures(TReader reader,
                           const std::vector<std::pair<std::string, std::string>>& cases,
                           std::optional<TScanKind> kind = std::nullopt) {
    for (const auto& [text, message] : cases) {
        ScanRegistry registry;
        FillMainScan(registry);
        if (kind) registry.OpenScanKind = *kind;
        ReaderPrompts prompts;
        EXPECT_EQ(ErrorOf(reader, text, registry, prompts, !kind), message) << text;
        ExpectMainUntouched(registry);
    }
}

// Large files are converted on two threads: the points, names, messages and errors must be
// those of the serial reading, wherever the halves meet.
constexpr size_t kAlwaysSerial = std::numeric_limits<size_t>::max();

using TSizedReader = formats::ReadResult (*)(std::string_view, const std::string&, bool,
                                             ScanRegistry&, Prompts&, size_t);

// Everything a reading leaves: its message, its notes, and every scan's name, second axis and
// points, the positions to the last bit.
inline std::string Outcome(TSizedReader reader, const std::string& text, size_t parallelFrom) {
    ScanRegistry registry;
    ReaderPrompts prompts;
    std::ostringstream out;
    try {
        reader(text, "/data/scan.txt", true, registry, prompts, parallelFrom);
        out << "read\n";
    } catch (const TrevascError& e) {
        out << e.what() << "\n";
    }
    out << std::hexfloat;
    for (const std::string& info : prompts.Infos) out << info << "\n";
    for (int k = 0; k <= registry.AdditionalCount(); ++k) {
        const TDataSet& s = registry.ScanAt(k);
        out << s.Name << " " << s.SecondAxisPosition << ":";
        for (const TRawPoint& p : s.RawPoints) out << " " << p.Position << "/" << p.Intensity;
        out << "\n";
    }
    return out.str();
}

// Reads `text` serially and on two threads; everything that comes out must be equal. Returns the
// first line of the serial reading: its message, or "read".
inline std::string ExpectSameBothWays(TSizedReader reader, const std::string& text) {
    const std::string serial = Outcome(reader, text, kAlwaysSerial);
    EXPECT_EQ(Outcome(reader, text, 0), serial);
    return serial.substr(0, serial.find('\n'));
}

inline std::string Replace(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

}  // namespace trevasc::test
