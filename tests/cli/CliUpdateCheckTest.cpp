// `trevasc-cli check-update` against an HTTP server on 127.0.0.1 run by the test itself. The
// command runs in this process, so that the server answers while the command's event loop waits.
#ifdef TREVASC_HAVE_QT
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <tuple>

#include "support/CliRun.h"
#include "support/LocalHttpServer.h"
#include "support/TempDir.h"
#include "update/VersionDocument.h"

namespace trevasc::test {
namespace {

// The application the commands share in this process (the plot command needs a GUI one). It
// must exist before the test's server opens its socket.
void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_cli";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
}

CliRun CheckUpdate(std::vector<std::string> args) {
    args.insert(args.begin(), "check-update");
    return Cli(args);
}

QByteArray Document(int major, int minor, int build, const QByteArray& changes = "") {
    return "<VersionMajor>" + QByteArray::number(major) + "</VersionMajor><VersionMinor>" +
           QByteArray::number(minor) + "</VersionMinor><VersionBuild>" + QByteArray::number(build) +
           "</VersionBuild><Changes>" + changes + "</Changes>";
}

struct CliCheckUpdate : ::testing::Test {
    CliCheckUpdate() { EnsureApplication(); }
    const update::ProgramVersion own = update::OwnVersion();
};

// The server's text reaches the terminal escaped: an escape sequence could rewrite the screen.
TEST_F(CliCheckUpdate, NewerDocumentPrintsTheReminderEscapedInTextAndJson) {
    LocalHttpServer server;
    server.Response =
        LocalHttpServer::Http(200, Document(own.Major, own.Minor, own.Build + 1,
                                            "Line ONE \x1b]0;owned\x07\nLine \"two\" \x1b[2J"));
    const std::string url = server.Url().toStdString();
    const std::string message = "A new version of the Trevasc (version " +
                                std::to_string(own.Major) + "." + std::to_string(own.Minor) +
                                " Build " + std::to_string(own.Build + 1) + ") is available at";

    CliRun r = CheckUpdate({"--url", url});
    ASSERT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, message + "\nhttp://" + server.Host().toStdString() +
                         "/trevasc/download.html\n\nChanges to prior versions\nline one "
                         "\\x1b]0;owned\\x07\nline \"two\" \\x1b[2j\n");

    r = CheckUpdate({"--json", "--url", url});
    ASSERT_EQ(r.Code, 0) << r.Err;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(r.Out)).object();
    EXPECT_EQ(o.value("newer").toBool(false), true);
    EXPECT_EQ(o.value("message").toString().toStdString(), message);
    EXPECT_EQ(o.value("changes").toString().toStdString(),
              "line one \\x1b]0;owned\\x07\nline \"two\" \\x1b[2j");
    EXPECT_EQ(server.Requests, 2);
}

TEST_F(CliCheckUpdate, NotNewerAndFailures) {
    // The answer, the exit code and the start of the message. An answer that arrived but is no
    // version document is unreadable, not "most recent".
    const std::tuple<QByteArray, int, std::string> cases[] = {
        {LocalHttpServer::Http(200, Document(own.Major, own.Minor, own.Build)), 0, ""},
        {LocalHttpServer::Http(200, "<html><body>Moved</body></html>"), 1,
         "could not read the answer of "},
        {LocalHttpServer::Http(500, Document(99, 0, 0)), 1, "could not ask "},
    };
    for (const auto& [response, code, message] : cases) {
        LocalHttpServer server;
        server.Response = response;
        const CliRun r = CheckUpdate({"--json", "--url", server.Url().toStdString()});
        EXPECT_EQ(r.Code, code) << r.Err;
        if (code == 0)
            EXPECT_TRUE(Has(r.Out, "\"newer\": false") &&
                        Has(r.Out, "working with the most recent version of TREVASC!"))
                << r.Out;
        else
            EXPECT_TRUE(r.Out.empty() && Has(r.Err, message + server.Url().toStdString())) << r.Err;
    }
    quint16 port = 0;
    {
        LocalHttpServer closed;
        port = closed.Port();
    }
    const CliRun refused =
        CheckUpdate({"--url", "http://127.0.0.1:" + std::to_string(port) + "/x.xml"});
    EXPECT_EQ(refused.Code, 1);
    EXPECT_TRUE(Has(refused.Err, "could not ask"));
}

TEST_F(CliCheckUpdate, AsksTheHostOfTheWorkbenchConfiguration) {
    LocalHttpServer server;
    server.Response = LocalHttpServer::Http(200, Document(0, 0, 1));
    // The workbench's main configuration file names the server (AUTOUPDATES HOST).
    TempDir home;
    std::filesystem::create_directories(home.File("trevasc"));
    home.Write("trevasc/trevasc.INI", "[AUTOUPDATES]\nHOST=" + server.Host().toStdString() + "\n");
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home.Path()));
    const CliRun r = CheckUpdate({});
    qputenv("XDG_CONFIG_HOME", saved);
    EXPECT_EQ(r.Code, 0) << r.Err;
    EXPECT_EQ(r.Out, "You are currently working with the most recent version of TREVASC!\n");
    ASSERT_EQ(server.RequestLines.size(), 1);
    EXPECT_TRUE(server.RequestLines[0].startsWith("GET /trevasc/currentversion.xml "));
}

}  // namespace
}  // namespace trevasc::test
#endif
