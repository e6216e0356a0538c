#include "cli/CheckUpdateCommand.h"

#include "base/Error.h"
#include "cli/CliText.h"
#include "session/ResultJson.h"
#include "update/VersionDocument.h"

namespace trevasc::cli {

namespace {

int CheckUpdate(const Arguments& a, CommandContext& c) {
    if (!a.Files.empty()) throw UsageError{"unexpected argument '" + a.Files[0] + "'"};
    if (!c.Use.FetchVersion) throw TrevascError("this build has no network support");
    const FetchedDocument fetched = c.Use.FetchVersion(a.Text("--url").value_or(""));
    // The address, the error (which may quote a redirect target) and the document come from
    // outside: shown escaped, as every quoted text of the batch tool.
    if (!fetched.Ok) {
        c.Err << "trevasc-cli: check-update: could not ask " << Shown(fetched.Url) << ": "
              << Shown(fetched.Error) << "\n";
        return 1;
    }
    // An answer that is not a version document says nothing about the versions: claiming the
    // most recent version would be a failure reported as success.
    if (!update::ParseVersionDocument(fetched.Body)) {
        c.Err << "trevasc-cli: check-update: could not read the answer of " << Shown(fetched.Url)
              << ": it is not a version document (a tag is missing or a number unreadable)\n";
        return 1;
    }
    const update::UpdateCheckResult result =
        update::EvaluateVersionDocument(fetched.Body, update::OwnVersion());
    if (a.Has("--json")) {
        c.Out << UpdateCheckJson(result).Text() << "\n";
    } else if (result.Newer) {
        c.Out << result.Message << "\n"
              << update::DownloadPageUrl(fetched.Host) << "\n\nChanges to prior versions\n"
              << ShownLines(result.Changes) << "\n";
    } else {
        c.Out << result.Message << "\n";
    }
    return 0;
}

}  // namespace

Command CheckUpdateCommand() {
    Command command{
        "check-update",
        "[--url URL] [--json]",
        "Asks the project's server (or URL) for the version document and prints the update\n"
        "reminder's text and the changes, or the \"most recent version\" message.",
        {{"--url", ValueKind::Text, "URL",
          "the version document's address (default from the workbench's configuration)"},
         {"--json", ValueKind::Flag, "", "one object with newer, message and changes"}},
        CheckUpdate};
    command.NeedsQtProgram = true;
    return command;
}

}  // namespace trevasc::cli
