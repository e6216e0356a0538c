#pragma once
// The published version document of the update check: where it lives, how its version numbers
// are read and when they name a newer program than the running one.
#include <optional>
#include <string>
#include <string_view>

#include "Version.h"

namespace trevasc::update {

// Host of the project's web site, the default for the update check. The main configuration
// file may name another one (AUTOUPDATES HOST), for example a local test server.
inline constexpr const char* kDefaultUpdateHost = kWebHost;
inline constexpr const char* kVersionDocumentPath = "/trevasc/currentversion.xml";
inline constexpr const char* kDownloadPagePath = "/trevasc/download.html";
// The reply of a manual check when nothing newer was found (or the check failed).
inline constexpr const char* kMostRecentVersionMessage =
    "You are currently working with the most recent version of TREVASC!";

// "http://" + host + path; an empty host means kDefaultUpdateHost. A host may carry a port
// ("127.0.0.1:8080").
std::string VersionDocumentUrl(std::string_view host);
std::string DownloadPageUrl(std::string_view host);

struct ProgramVersion {
    int Major = 0;
    int Minor = 0;
    int Build = 0;
};

// The version of this program (the project version compiled in).
ProgramVersion OwnVersion();

// The content of a version document.
struct PublishedVersion {
    ProgramVersion Version;
    std::string Changes;  // lower case, as the whole document is lowered before reading
};

// Reads the four tag pairs of a version document: the whole text is lowered, each opening tag
// is searched from the start, its value is the trimmed text between the first ">" at or after
// the opening tag and the closing tag after it. Nothing when a tag is missing or a number does
// not read as a whole decimal integer.
std::optional<PublishedVersion> ParseVersionDocument(std::string_view document);

// True when `published` is newer than `own`: a higher major, or the same major and a higher
// minor, or the same major and minor and a higher build. A lower major with a higher minor is
// not newer.
bool IsNewer(const ProgramVersion& published, const ProgramVersion& own);

// "A new version of the Trevasc (version 1.6 Build 3) is available at".
std::string NewVersionMessage(const ProgramVersion& published);

// The outcome of one check, as the reminder dialog and the batch tool show it.
struct UpdateCheckResult {
    bool Newer = false;
    std::string Message;  // NewVersionMessage when Newer, else kMostRecentVersionMessage
    std::string Changes;  // empty unless Newer
};

// The check on a fetched document: any parse failure counts as "not newer".
UpdateCheckResult EvaluateVersionDocument(std::string_view document, const ProgramVersion& own);

}  // namespace trevasc::update
