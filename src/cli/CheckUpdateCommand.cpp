#include "cli/CheckUpdateCommand.h"

#include "cli/CliText.h"
#include "update/VersionDocument.h"

#ifdef TREVASC_HAVE_QT
#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QUrl>

#include "core/Configuration.h"
#include "net/VersionDocumentFetch.h"
#endif

namespace trevasc::cli {

namespace {

constexpr const char* kCheckUpdateUsage = "usage: trevasc-cli check-update [--url URL] [--json]\n";

#ifdef TREVASC_HAVE_QT
// The host the desktop program asks: AUTOUPDATES HOST of its main configuration file.
std::string ConfiguredHost() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (folder.isEmpty()) return {};
    const ConfigPaths paths =
        MakeConfigPaths(ChooseConfigFolder(folder.toStdString(), ""), "trevasc");
    return ReadMainSettings(paths.MainIniPath).UpdateHost;
}
#endif

}  // namespace

int CheckUpdate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string url;
    bool json = false;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json") {
            json = true;
        } else if (args[i] == "--url" && i + 1 < args.size()) {
            url = args[++i];
        } else {
            err << "trevasc-cli: check-update: unexpected argument '" << Shown(args[i]) << "'\n"
                << kCheckUpdateUsage;
            return 2;
        }
    }
#ifdef TREVASC_HAVE_QT
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "trevasc-cli";
        static char* argv[] = {name, nullptr};
        static QCoreApplication app(argc, argv);
    }
    std::string host;
    if (url.empty()) {
        host = ConfiguredHost();
        url = update::VersionDocumentUrl(host);
    } else {
        host = QUrl(QString::fromStdString(url)).authority().toStdString();
    }
    const FetchResult fetched = VersionDocumentFetch::Fetch(QUrl(QString::fromStdString(url)));
    // The address, the error (which may quote a redirect target) and the document come from
    // outside: shown escaped, as every quoted text of the batch tool.
    if (!fetched.Ok) {
        err << "trevasc-cli: check-update: could not ask " << Shown(url) << ": "
            << Shown(fetched.Error.toStdString()) << "\n";
        return 1;
    }
    const std::string document = fetched.Body.toStdString();
    // An answer that is not a version document says nothing about the versions: claiming the
    // most recent version would be a failure reported as success.
    if (!update::ParseVersionDocument(document)) {
        err << "trevasc-cli: check-update: could not read the answer of " << Shown(url)
            << ": it is not a version document (a tag is missing or a number unreadable)\n";
        return 1;
    }
    const update::UpdateCheckResult result =
        update::EvaluateVersionDocument(document, update::OwnVersion());
    if (json) {
        QJsonObject o;
        o["newer"] = result.Newer;
        o["message"] = QString::fromStdString(result.Message);
        o["changes"] = QString::fromStdString(result.Changes);
        out << QJsonDocument(o).toJson(QJsonDocument::Compact).toStdString() << "\n";
    } else if (result.Newer) {
        out << result.Message << "\n"
            << update::DownloadPageUrl(host) << "\n\nChanges to prior versions\n"
            << ShownLines(result.Changes) << "\n";
    } else {
        out << result.Message << "\n";
    }
    return 0;
#else
    (void)out;
    (void)json;
    err << "trevasc-cli: this build has no network support (Qt was not found)\n";
    return 1;
#endif
}

}  // namespace trevasc::cli
