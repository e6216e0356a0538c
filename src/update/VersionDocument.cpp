#include "update/VersionDocument.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <system_error>

#include "Version.h"
#include "base/AsciiText.h"

namespace trevasc::update {

namespace {

std::string_view Trim(std::string_view s) {
    auto space = [](unsigned char c) { return std::isspace(c) != 0; };
    while (!s.empty() && space(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && space(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

// The trimmed value of one tag pair of the lowered document, or nothing when a tag is missing.
std::optional<std::string_view> TagValue(std::string_view text, std::string_view tag) {
    const std::string open = "<" + std::string(tag) + ">";
    const std::string close = "</" + std::string(tag) + ">";
    const size_t s = text.find(open);
    if (s == std::string_view::npos) return std::nullopt;
    const size_t g = text.find('>', s);
    const size_t e = text.find(close, s);
    if (g == std::string_view::npos || e == std::string_view::npos || e < g) return std::nullopt;
    return Trim(text.substr(g + 1, e - g - 1));
}

// A whole decimal integer with an optional sign; anything else fails the conversion.
std::optional<int> ToInt(std::string_view s) {
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (s.empty() || !std::isdigit(static_cast<unsigned char>(s.front()))) return std::nullopt;
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::string WithDefaultHost(std::string_view host) {
    return host.empty() ? std::string(kDefaultUpdateHost) : std::string(host);
}

}  // namespace

std::string VersionDocumentUrl(std::string_view host) {
    return "http://" + WithDefaultHost(host) + kVersionDocumentPath;
}

std::string DownloadPageUrl(std::string_view host) {
    return "http://" + WithDefaultHost(host) + kDownloadPagePath;
}

ProgramVersion OwnVersion() {
    return {kVersionMajor, kVersionMinor, kVersionBuild};
}

std::optional<PublishedVersion> ParseVersionDocument(std::string_view document) {
    const std::string text = ToLowerAscii(document);
    int numbers[3] = {};
    const char* numberTags[3] = {"versionmajor", "versionminor", "versionbuild"};
    for (int i = 0; i < 3; ++i) {
        const auto value = TagValue(text, numberTags[i]);
        if (!value) return std::nullopt;
        const auto number = ToInt(*value);
        if (!number) return std::nullopt;
        numbers[i] = *number;
    }
    const auto changes = TagValue(text, "changes");
    if (!changes) return std::nullopt;
    return PublishedVersion{{numbers[0], numbers[1], numbers[2]}, std::string(*changes)};
}

bool IsNewer(const ProgramVersion& published, const ProgramVersion& own) {
    if (published.Major != own.Major) return published.Major > own.Major;
    if (published.Minor != own.Minor) return published.Minor > own.Minor;
    return published.Build > own.Build;
}

std::string NewVersionMessage(const ProgramVersion& v) {
    return "A new version of the Trevasc (version " + std::to_string(v.Major) + "." +
           std::to_string(v.Minor) + " Build " + std::to_string(v.Build) + ") is available at";
}

UpdateCheckResult EvaluateVersionDocument(std::string_view document, const ProgramVersion& own) {
    UpdateCheckResult result;
    result.Message = kMostRecentVersionMessage;
    const auto published = ParseVersionDocument(document);
    if (!published || !IsNewer(published->Version, own)) return result;
    result.Newer = true;
    result.Message = NewVersionMessage(published->Version);
    result.Changes = published->Changes;
    return result;
}

}  // namespace trevasc::update
