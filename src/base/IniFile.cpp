// The one translation unit that compiles SimpleIni.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include "base/IniFile.h"

#include <SimpleIni.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/AsciiText.h"
#include "base/AtomicFile.h"
#include "base/Error.h"
#include "base/InputFile.h"

namespace trevasc {

struct IniFile::Impl {
    // Case-insensitive keys, single values unless RepeatedKeys::KeepEach, no multi-line values.
    CSimpleIniA ini{false, false, false};
};

IniFile::IniFile(std::string fileName, RepeatedKeys repeated)
    : fileName_(std::move(fileName)), impl_(std::make_unique<Impl>()) {
    impl_->ini.SetSpaces(false);
    impl_->ini.SetMultiKey(repeated == RepeatedKeys::KeepEach);
    std::error_code ec;
    const bool exists = std::filesystem::exists(fileName_, ec);
    if (!exists && !ec) return;  // missing: an empty document
    std::string data;
    try {
        data = ReadWholeFile(fileName_);
    } catch (const TrevascError& e) {
        problem_ = std::string(e.what()) + " It is left as it is and not written.";
        return;
    }
    if (const size_t nul = data.find('\0'); nul != std::string::npos) {
        // The parser would stop at the first NUL byte: what follows is read with those bytes
        // left out, and the file is not written back, which would drop the rest for good.
        const long line = 1 + std::count(data.begin(), data.begin() + nul, '\n');
        problem_ = fileName_ + ": line " + std::to_string(line) +
                   " holds a NUL byte, so the file cannot be read whole. It is left as it is "
                   "and not written.";
        std::erase(data, '\0');
    }
    LoadText(data);
}

namespace {

// SimpleIni skips a line that opens a section without closing it, but then files the keys that
// follow under a section named from that line on into theirs, and saves that name so that it
// reads differently again. Such a line becomes a comment: ignored as before, and kept.
std::string CommentOutOpenSections(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 16);
    // SimpleIni passes over a UTF-8 byte order mark; the first line starts after it.
    size_t pos = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    out.append(text.substr(0, pos));
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(pos, end - pos);
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string_view::npos && line[first] == '[' &&
            line.find(']', first) == std::string_view::npos)
            out += ';';
        out += line;
        if (end < text.size()) out += text[end];
        pos = end + 1;
    }
    return out;
}

}  // namespace

void IniFile::LoadText(std::string_view text) {
    impl_->ini.Reset();
    const std::string checked = CommentOutOpenSections(text);
    loaded_ = impl_->ini.LoadData(checked.data(), checked.size()) >= 0;
}

std::string IniFile::Text() const {
    std::string out;
    impl_->ini.Save(out, false);
    return out;
}

IniFile::~IniFile() = default;

namespace {
template <typename List>
std::vector<std::string> InFileOrder(List list) {
    list.sort(CSimpleIniA::Entry::LoadOrder());
    std::vector<std::string> out;
    for (const auto& e : list) out.emplace_back(e.pItem);
    return out;
}
}  // namespace

std::vector<std::string> IniFile::Sections() const {
    CSimpleIniA::TNamesDepend names;
    impl_->ini.GetAllSections(names);
    return InFileOrder(names);
}

std::vector<std::string> IniFile::Keys(const std::string& section) const {
    CSimpleIniA::TNamesDepend names;
    if (!impl_->ini.IsMultiKey()) {
        impl_->ini.GetAllKeys(section.c_str(), names);
    } else if (const CSimpleIniA::TKeyVal* entries = impl_->ini.GetSection(section.c_str())) {
        // GetAllKeys names a repeated key once; the section itself holds every occurrence.
        for (const auto& entry : *entries) names.push_back(entry.first);
    }
    return InFileOrder(names);
}

bool IniFile::HasKey(const std::string& section, const std::string& key) const {
    return impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr) != nullptr;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    const char* v = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    return v ? DecodeIniValue(v) : def;
}

long long IniFile::ReadInteger(const std::string& section, const std::string& key,
                               long long def) const {
    const char* v = impl_->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (!v) return def;
    std::string s(v);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.pop_back();
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    s = s.substr(i);
    bool neg = false;
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        neg = s[0] == '-';
        s.erase(0, 1);
    }
    int base = 10;
    if (!s.empty() && s[0] == '$') {
        base = 16;
        s.erase(0, 1);
    } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.erase(0, 2);
    }
    // At most 18 decimal or 15 hexadecimal digits: every such number fits 63 bits, so the sum
    // below cannot overflow. Longer numbers are no setting this program writes.
    if (s.empty() || s.size() > (base == 16 ? 15u : 18u)) return def;
    long long value = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return def;
        value = value * base + d;
    }
    return neg ? -value : value;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    const std::string v = ToLowerAscii(ReadString(section, key, ""));
    if (v == "1" || v == "true" || v == "yes" || v == "on") return true;
    if (v == "0" || v == "false" || v == "no" || v == "off") return false;
    return def;
}

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool HasEdgeBlank(std::string_view s) {
    return !s.empty() && (IsBlank(s.front()) || IsBlank(s.back()));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Why `name` cannot stand in the file as it is; empty when it can.
std::string NameProblem(std::string_view name, bool isSection) {
    if (std::any_of(name.begin(), name.end(), IsControl)) return "a control character";
    if (HasEdgeBlank(name)) return "spaces at its ends";
    if (isSection) return name.find(']') != std::string_view::npos ? "\"]\"" : "";
    if (name.find('=') != std::string_view::npos) return "\"=\"";
    if (!name.empty() && (name[0] == '[' || name[0] == ';' || name[0] == '#'))
        return "\"" + std::string(1, name[0]) + "\" at its start";
    return "";
}

}  // namespace

std::string EncodeIniValue(std::string_view value) {
    const bool plain = std::none_of(value.begin(), value.end(), IsControl) &&
                       !HasEdgeBlank(value) && (value.empty() || value.front() != '"');
    if (plain) return std::string(value);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out = "\"";
    for (char c : value) {
        if (IsControl(c) || c == '%' || c == '"') {
            out += '%';
            out += kHex[static_cast<unsigned char>(c) >> 4];
            out += kHex[static_cast<unsigned char>(c) & 0xF];
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string DecodeIniValue(std::string_view stored) {
    if (stored.size() < 2 || stored.front() != '"' || stored.back() != '"')
        return std::string(stored);
    const std::string_view inner = stored.substr(1, stored.size() - 2);
    std::string out;
    for (size_t i = 0; i < inner.size(); ++i) {
        const int high = inner[i] == '%' && i + 2 < inner.size() ? HexDigit(inner[i + 1]) : -1;
        const int low = high >= 0 ? HexDigit(inner[i + 2]) : -1;
        if (low >= 0) {
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += inner[i];
        }
    }
    return out;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
    if (const std::string why = NameProblem(section, true); !why.empty())
        throw TrevascError("The section name \"" + section + "\" cannot be stored in " + fileName_ +
                           ": it holds " + why + ".");
    if (const std::string why = NameProblem(key, false); !why.empty())
        throw TrevascError("The key \"" + key + "\" cannot be stored in " + fileName_ +
                           ": it holds " + why + ".");
    // Replaces every occurrence of a repeated key (no effect with single keys).
    impl_->ini.SetValue(section.c_str(), key.c_str(), EncodeIniValue(value).c_str(), nullptr, true);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, long long value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(const std::string& section) {
    impl_->ini.Delete(section.c_str(), nullptr);
}

void IniFile::EraseKey(const std::string& section, const std::string& key) {
    impl_->ini.Delete(section.c_str(), key.c_str());
}

void IniFile::Save() const {
    if (!problem_.empty()) throw TrevascError(problem_);
    WriteFileAtomic(fileName_, Text());
}

bool IniFile::TrySave() const noexcept {
    try {
        Save();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace trevasc
