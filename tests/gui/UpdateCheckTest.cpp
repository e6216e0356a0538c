// The update check against a real HTTP server on 127.0.0.1 run by the test itself: the GET's
// limits, and the main window's reminder, messages, timer and switch.
#include <QElapsedTimer>
#include <QLabel>
#include <QSignalSpy>
#include <QTimer>

#include "GuiTestSupport.h"
#include "gui/update/UpdateCheckController.h"
#include "gui/update/UpdateReminderDialog.h"
#include "net/VersionDocumentFetch.h"
#include "support/LocalHttpServer.h"
#include "update/VersionDocument.h"

namespace trevasc::test {
namespace {

QByteArray VersionDocument(int major, int minor, int build, const QByteArray& changes) {
    return "<currentversion><versionmajor>" + QByteArray::number(major) +
           "</versionmajor><versionminor>" + QByteArray::number(minor) +
           "</versionminor><versionbuild>" + QByteArray::number(build) +
           "</versionbuild><changes>" + changes + "</changes></currentversion>";
}

QByteArray NewerDocument() {
    return VersionDocument(update::OwnVersion().Major + 1, 0, 1, "New MAP export\nFaster READER");
}

// Runs one GET to its end (bounded wait) and returns its result.
FetchResult Get(const QString& url, const FetchLimits& limits = {}) {
    VersionDocumentFetch fetch;
    QSignalSpy spy(&fetch, &VersionDocumentFetch::finished);
    fetch.Start(QUrl(url), limits);
    EXPECT_TRUE(spy.wait(15000)) << url.toStdString();
    EXPECT_EQ(spy.count(), 1);
    return spy.isEmpty() ? FetchResult{} : spy.first().first().value<FetchResult>();
}

TEST(VersionDocumentFetch, AnswersOfTheServer) {
    const QByteArray tenMegabytes(10 * 1024 * 1024, 'x');
    const struct {
        const char* Name;
        QByteArray Response;
        bool Ok;
        const char* ErrorPart;
    } cases[] = {
        {"document", LocalHttpServer::Http(200, NewerDocument()), true, ""},
        {"exactly 1 MiB", LocalHttpServer::Http(200, QByteArray(1024 * 1024, 'y')), true, ""},
        {"HTTP 500", LocalHttpServer::Http(500, "<versionmajor>9</versionmajor>"), false, ""},
        {"HTTP 404", LocalHttpServer::Http(404, "not here"), false, ""},
        {"10 MB announced", LocalHttpServer::Http(200, tenMegabytes), false, "longer"},
        {"10 MB unannounced", LocalHttpServer::Http(200, tenMegabytes, {}, false), false, "longer"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        LocalHttpServer server;
        server.Response = c.Response;
        const FetchResult r = Get(server.Url());
        EXPECT_EQ(r.Ok, c.Ok) << r.Error.toStdString();
        EXPECT_TRUE(r.Error.contains(c.ErrorPart)) << r.Error.toStdString();
        EXPECT_EQ(r.Error.isEmpty(), c.Ok);
        EXPECT_EQ(r.Body.size(), c.Ok ? c.Response.size() - c.Response.indexOf("\r\n\r\n") - 4 : 0);
        EXPECT_EQ(server.Requests, 1);
        QTRY_COMPARE_WITH_TIMEOUT(server.OpenConnections(), 0, 5000);  // closed in every case
    }
    // A port nobody listens on any more, and another scheme.
    quint16 port = 0;
    {
        LocalHttpServer closed;
        port = closed.Port();
    }
    EXPECT_FALSE(Get(QStringLiteral("http://127.0.0.1:%1/x.xml").arg(port)).Ok);
    EXPECT_FALSE(Get("ftp://127.0.0.1/trevasc/currentversion.xml").Ok);
}

// Only the same scheme, host and port: another host, another port of this computer and https
// are other servers; a redirect that never ends is reported as a loop.
TEST(VersionDocumentFetch, FollowsRedirectsOnTheSameServerOnlyAndReportsALoop) {
    LocalHttpServer server;
    server.Response = LocalHttpServer::Http(301, {}, "Location: /trevasc/moved.xml\r\n");
    server.ByPath["/trevasc/moved.xml"] = LocalHttpServer::Http(200, NewerDocument());
    const FetchResult moved = Get(server.Url());
    EXPECT_EQ(moved.Body, NewerDocument()) << moved.Error.toStdString();
    ASSERT_EQ(server.RequestLines.size(), 2);
    EXPECT_TRUE(server.RequestLines[1].startsWith("GET /trevasc/moved.xml "));

    LocalHttpServer other;
    other.Response = LocalHttpServer::Http(200, NewerDocument());
    const struct {
        const char* Name;
        QString Location;
        const char* ErrorPart;
    } cases[] = {
        {"another host", "http://localhost.invalid/x.xml", "another server"},
        {"another port", other.Url(), "another server"},
        {"https", "https://" + server.Host() + "/trevasc/currentversion.xml", "another server"},
        {"itself", "/trevasc/currentversion.xml", "redirects in a loop"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        server.Requests = 0;
        server.Response =
            LocalHttpServer::Http(302, {}, "Location: " + c.Location.toUtf8() + "\r\n");
        const FetchResult r = Get(server.Url());
        EXPECT_FALSE(r.Ok);
        EXPECT_TRUE(r.Error.contains(c.ErrorPart)) << r.Error.toStdString();
        EXPECT_FALSE(r.Error.contains("status")) << r.Error.toStdString();
    }
    EXPECT_EQ(other.Requests, 0);
    // The loop: the first request and the five redirects that were followed.
    EXPECT_EQ(server.Requests, 6);
}

// A server that sends one byte now and then is never silent for long, so only the bound on the
// whole exchange ends the wait: with the limits shortened the test runs in about a second.
TEST(VersionDocumentFetch, ADrippingServerCannotHoldTheCheck) {
    LocalHttpServer server;
    server.Response = LocalHttpServer::Http(200, NewerDocument());
    server.DripIntervalMs = 100;  // the whole answer would take about 25 s
    FetchLimits limits;           // 5 s of silence as usual, the whole exchange shortened to 1 s
    limits.TotalTimeoutMs = 1000;
    QElapsedTimer clock;
    clock.start();
    const FetchResult r = Get(server.Url(), limits);
    EXPECT_TRUE(r.Error.contains("no complete answer within 1 s")) << r.Error.toStdString();
    EXPECT_GE(clock.elapsed(), 800);  // Qt's coarse timers may fire up to 5 % early
    EXPECT_LT(clock.elapsed(), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(server.OpenConnections(), 0, 5000);
}

// A main window whose AUTOUPDATES section points at `server`.
void StartWithServer(MainWindowHarness& h, const LocalHttpServer& server, bool enabled) {
    h.Config.Write("trevasc.INI", "[AUTOUPDATES]\nENABLED=" + std::string(enabled ? "1" : "0") +
                                      "\nHOST=" + server.Host().toStdString() + "\n");
    h.Start();
}

// Runs the manual check to its end.
void CheckNow(MainWindowHarness& h) {
    QSignalSpy done(h.Window->UpdateCheck(), &UpdateCheckController::finished);
    h.MenuItem("&Options", "Check for &update now...")->trigger();
    ASSERT_TRUE(done.wait(15000));
}

TEST(UpdateCheckWindow, ManualCheckShowsTheReminderEveryTime) {
    LocalHttpServer server;
    server.Response = LocalHttpServer::Http(200, NewerDocument());
    MainWindowHarness h;
    StartWithServer(h, server, false);
    CheckNow(h);
    UpdateReminderDialog* reminder = h.Window->UpdateCheck()->Reminder();
    ASSERT_EQ(h.Dialogs.ModalShown, QList<QDialog*>{reminder});
    EXPECT_EQ(reminder->windowTitle(), "Update Reminder");
    EXPECT_EQ(reminder->Message(),
              QStringLiteral("A new version of the Trevasc (version %1.0 Build 1) is available at")
                  .arg(update::OwnVersion().Major + 1));
    EXPECT_EQ(reminder->Changes(), "new map export\nfaster reader");
    const QString download = "http://" + server.Host() + "/trevasc/download.html";
    EXPECT_EQ(reminder->DownloadUrl(), download);
    emit reminder->findChild<QLabel*>("LinkLabel")->linkActivated(download);
    EXPECT_EQ(h.Dialogs.OpenedUrls, QList<QUrl>{QUrl(download)});
    // A second check downloads again and shows the reminder again.
    CheckNow(h);
    EXPECT_EQ(server.Requests, 2);
    EXPECT_EQ(h.Dialogs.ModalShown.size(), 2);
    EXPECT_TRUE(h.Prompts.Infos.empty());
}

// Which version is newer is the version logic's; the window says "most recent" or why it failed.
TEST(UpdateCheckWindow, ManualCheckReportsTheMostRecentVersionOrTheFailure) {
    const update::ProgramVersion own = update::OwnVersion();
    // The answer, and whether it is an error (naming the address) or the "most recent" note.
    const std::pair<QByteArray, bool> cases[] = {
        {LocalHttpServer::Http(200, VersionDocument(own.Major, own.Minor, own.Build, "x")), false},
        {LocalHttpServer::Http(500, NewerDocument()), true},
        {LocalHttpServer::Http(200, "<versionmajor>9</versionmajor>"), true},
    };
    for (const auto& [response, error] : cases) {
        LocalHttpServer server;
        server.Response = response;
        MainWindowHarness h;
        StartWithServer(h, server, false);
        CheckNow(h);
        EXPECT_TRUE(h.Dialogs.ModalShown.isEmpty());
        const std::vector<std::string>& said = error ? h.Prompts.Errors : h.Prompts.Infos;
        EXPECT_EQ(h.Prompts.Errors.size() + h.Prompts.Infos.size(), 1u);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find(error ? server.Url().toStdString()
                                     : "You are currently working with the most recent version"),
                  std::string::npos)
            << said[0];
    }
}

TEST(UpdateCheckWindow, TimerFollowsTheSwitchAndTheSwitchIsSaved) {
    LocalHttpServer server;
    server.Response = LocalHttpServer::Http(200, NewerDocument());
    MainWindowHarness h;
    StartWithServer(h, server, false);
    QTimer* timer = h.Window->UpdateCheck()->Timer();
    QAction* onStart = h.MenuItem("&Options", "Check for &update on start");
    // Off at start: never armed.
    EXPECT_FALSE(onStart->isChecked() || timer->isActive());
    // Switched on: one check 10 s later (shortened here), then the timer stays off.
    onStart->trigger();
    ASSERT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 10000);
    QSignalSpy done(h.Window->UpdateCheck(), &UpdateCheckController::finished);
    timer->start(1);
    ASSERT_TRUE(done.wait(15000));
    EXPECT_EQ(server.Requests, 1);
    EXPECT_EQ(h.Dialogs.ModalShown.size(), 1);
    EXPECT_FALSE(timer->isActive());
    // Switched off: the timer stops.
    timer->start();
    onStart->trigger();
    EXPECT_FALSE(timer->isActive());

    // On at start: armed when the window is shown. Switched off then, the switch as the user
    // left it is written at exit, not the one read at start-up.
    StartWithServer(h, server, true);
    EXPECT_TRUE(h.Window->UpdateCheck()->Timer()->isActive());
    h.MenuItem("&Options", "Check for &update on start")->trigger();
    EXPECT_FALSE(h.Window->UpdateCheck()->Timer()->isActive());
    h.Window->close();
    EXPECT_NE(h.Config.Read("trevasc.INI").find("ENABLED=0"), std::string::npos);
}

// The real limits: 5 s of silence ends the check (the README's promise), the whole exchange
// never takes more than 15 s; the window stays responsive meanwhile and says nothing after.
TEST(UpdateCheckWindow, SilentServerEndsTheCheckAfterFiveSecondsQuietlyAndResponsively) {
    EXPECT_EQ(FetchLimits{}.TotalTimeoutMs, 15000);
    LocalHttpServer server;
    server.Silent = true;
    MainWindowHarness h;
    StartWithServer(h, server, true);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(20);
    QSignalSpy done(h.Window->UpdateCheck(), &UpdateCheckController::finished);
    QElapsedTimer clock;
    clock.start();
    h.Window->UpdateCheck()->Timer()->start(1);
    ASSERT_TRUE(done.wait(15000));
    EXPECT_TRUE(clock.elapsed() >= 4500 && clock.elapsed() < 8000) << clock.elapsed();
    EXPECT_FALSE(done.first().first().toBool());
    EXPECT_GT(ticks, 100);  // the 5 s of waiting ran the event loop throughout
    EXPECT_EQ(server.Requests, 1);
    EXPECT_TRUE(h.Prompts.Errors.empty() && h.Prompts.Infos.empty() &&
                h.Dialogs.ModalShown.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(server.OpenConnections(), 0, 5000);
}

TEST(UpdateCheckWindow, ClosingDuringAManualCheckAbandonsItQuietly) {
    LocalHttpServer server;
    server.Silent = true;
    MainWindowHarness h;
    StartWithServer(h, server, false);
    QSignalSpy done(h.Window->UpdateCheck(), &UpdateCheckController::finished);
    h.MenuItem("&Options", "Check for &update now...")->trigger();
    ASSERT_TRUE(h.Window->UpdateCheck()->Running());
    EXPECT_NE(QApplication::overrideCursor(), nullptr);  // busy while it waits
    QTRY_COMPARE_WITH_TIMEOUT(server.Requests, 1, 5000);
    h.Window->close();
    EXPECT_FALSE(h.Window->UpdateCheck()->Running());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    QTRY_COMPARE_WITH_TIMEOUT(server.OpenConnections(), 0, 5000);
    EXPECT_EQ(done.count(), 0);
    EXPECT_TRUE(h.Prompts.Errors.empty() && h.Prompts.Infos.empty());
}

}  // namespace
}  // namespace trevasc::test
