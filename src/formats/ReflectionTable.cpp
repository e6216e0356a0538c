#include "formats/ReflectionTable.h"

#include <algorithm>
#include <optional>

#include "base/NumberText.h"

namespace trevasc::formats {

namespace {

// Characters `from`..`to` (1-based, inclusive) of a line; shorter lines give a shorter or empty
// field, which then fails to convert like a blank one.
std::string_view Columns(std::string_view line, size_t from, size_t to) {
    if (line.size() < from) return {};
    return line.substr(from - 1, std::min(to, line.size()) - (from - 1));
}

struct FieldColumns {
    size_t D, H, K, L;  // first column of each field; d has 7 characters, the indices 3
};
constexpr FieldColumns kFields[3] = {{1, 12, 15, 18}, {24, 35, 38, 41}, {47, 58, 61, 64}};

constexpr const char* kCardLayout =
    "Expected the card layout: lines ending in \"I\" with up to three reflections each, d in "
    "columns 1-7, 24-30 and 47-53 and h, k, l in columns 12-20, 35-43 and 58-66 (three columns "
    "per index, counted from the first character that is not a blank); the material name in the "
    "first 40 columns of a line ending in \"7\".";

}  // namespace

const std::string kNoReflectionLinesMessage =
    std::string("No reflection lines found in the clipboard. ") + kCardLayout;

std::string NoReflectionsMessage(const TReflectionTable& table, std::string_view source) {
    if (!table.Reflections.empty()) return {};
    if (table.Error.empty())
        return "No reflection lines found in " + std::string(source) + ". " + kCardLayout;
    return table.Error + "\n" + kCardLayout;
}

TReflectionTable ParseReflectionTable(std::string_view text) {
    TReflectionTable table;
    bool haveMaterial = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = Trim(text.substr(pos, end - pos));
        // A CR LF pair ends one line, not two.
        pos = end + ((end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n') ? 2 : 1);
        if (line.empty()) continue;
        if (!haveMaterial && line.back() == '7') {
            haveMaterial = true;
            for (char c : Trim(line.substr(0, 40)))
                if (c != ' ') table.Material += c;
        }
        if (line.back() != 'I') continue;
        for (const FieldColumns& f : kFields) {
            const std::string_view dText = Columns(line, f.D, f.D + 6);
            const std::optional<double> d = TryParseFloat(dText);
            if (!d) {
                table.Error = FloatConversionMessage(Trim(dText));
                return table;
            }
            TTableReflection r;
            r.D = *d;
            int* indices[3] = {&r.H, &r.K, &r.L};
            const size_t starts[3] = {f.H, f.K, f.L};
            for (int i = 0; i < 3; ++i) {
                const std::string_view field = Columns(line, starts[i], starts[i] + 2);
                const std::optional<int32_t> v = TryParseInt(field);
                if (!v) {
                    table.Error = IntegerConversionMessage(field);
                    return table;
                }
                *indices[i] = *v;
            }
            if (r.D == 0.0) continue;
            r.Label = "(" + std::to_string(r.H) + " " + std::to_string(r.K) + " " +
                      std::to_string(r.L) + ")";
            table.Reflections.push_back(std::move(r));
        }
    }
    return table;
}

}  // namespace trevasc::formats
