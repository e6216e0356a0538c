#pragma once
// Shared body of the reader fuzz targets: read the input as main file, then again as an
// additional file into the same registry, and check that the registry stays consistent.
// Only TrevascError (a message for the user) is an acceptable failure.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "base/Error.h"
#include "core/Prompts.h"
#include "core/ScanData.h"
#include "formats/ScanFileReader.h"

namespace trevasc::fuzz {

using ReaderFunction = formats::ReadResult (*)(std::string_view, const std::string&, bool,
                                               ScanRegistry&, Prompts&);

inline void CheckConsistent(const ScanRegistry& registry) {
    for (int k = 0; k <= registry.AdditionalCount(); ++k) {
        const TDataSet& s = registry.ScanAt(k);
        if (s.Count() < 0 || static_cast<size_t>(s.Count()) != s.RawPoints.size() ||
            (!s.Points.empty() && s.Points.size() != s.RawPoints.size()))
            std::abort();
    }
}

inline int RunReader(const uint8_t* data, size_t size, ReaderFunction reader) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ScanRegistry registry;
    UnattendedPrompts prompts;
    for (bool main : {true, false}) {
        const int before = registry.AdditionalCount();
        const int32_t mainCount = registry.MainScan().Count();
        try {
            reader(text, "fuzz/input.dat", main, registry, prompts);
        } catch (const TrevascError&) {
            // A failed read leaves the registry as it was.
            if (registry.AdditionalCount() != before || registry.MainScan().Count() != mainCount)
                std::abort();
        }
        CheckConsistent(registry);
    }
    return 0;
}

using SizedReaderFunction = formats::ReadResult (*)(std::string_view, const std::string&, bool,
                                                    ScanRegistry&, Prompts&, size_t);

// Reads the input serially and on two threads (as large files are): the message, or every
// point, must be the same.
inline int CheckSerialEqualsParallel(const uint8_t* data, size_t size, SizedReaderFunction reader) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ScanRegistry registries[2];
    std::string errors[2];
    for (int parallel : {0, 1}) {
        UnattendedPrompts prompts;
        try {
            reader(text, "fuzz/input.dat", true, registries[parallel], prompts,
                   parallel ? 0 : static_cast<size_t>(-1));
        } catch (const TrevascError& e) {
            errors[parallel] = e.what();
        }
    }
    if (errors[0] != errors[1]) std::abort();
    const ScanRegistry &a = registries[0], &b = registries[1];
    if (a.AdditionalCount() != b.AdditionalCount()) std::abort();
    for (int k = 0; k <= a.AdditionalCount(); ++k) {
        const TRawPointArray &p = a.ScanAt(k).RawPoints, &q = b.ScanAt(k).RawPoints;
        if (p.size() != q.size()) std::abort();
        for (size_t i = 0; i < p.size(); ++i)
            if (p[i].Intensity != q[i].Intensity ||
                !(p[i].Position == q[i].Position ||
                  (p[i].Position != p[i].Position && q[i].Position != q[i].Position)))
                std::abort();
    }
    return 0;
}

}  // namespace trevasc::fuzz
