#pragma once
// The HTTP GET of the version document: asynchronous (the event loop keeps running while it
// waits), bounded in time and size, and refusing redirects to another scheme, host or port. Needs
// only Qt Core and Qt Network, so the batch tool shares it with the desktop program.
#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class QTimer;

namespace trevasc {

struct FetchLimits {
    // Longest silence: the wait for the connection and between two pieces of the answer.
    int ConnectTimeoutMs = 5000;
    // Longest wait for the whole exchange, redirects included, so that a server trickling bytes
    // cannot hold the check.
    int TotalTimeoutMs = 15000;
    // A longer answer counts as a failure.
    qint64 MaxBytes = 1024 * 1024;
    // More redirects than this count as a loop.
    int MaxRedirects = 5;
};

// The outcome of one GET: the body, or the reason why there is none.
struct FetchResult {
    bool Ok = false;
    QByteArray Body;
    QString Error;
};

class VersionDocumentFetch : public QObject {
    Q_OBJECT
  public:
    explicit VersionDocumentFetch(QObject* parent = nullptr);
    ~VersionDocumentFetch() override;

    // Starts the GET of `url`. A GET still running is abandoned first (without a signal).
    void Start(const QUrl& url, const FetchLimits& limits = {});
    bool IsRunning() const { return reply_ != nullptr; }
    // Abandons a running GET (without a signal) and closes its connection.
    void Cancel() { Release(); }

    // Runs one GET to the end in a local event loop (needs a QCoreApplication). For the batch
    // tool, where nothing else waits on the event loop.
    static FetchResult Fetch(const QUrl& url, const FetchLimits& limits = {});

  signals:
    // Exactly once per Start that was not abandoned.
    void finished(const trevasc::FetchResult& result);

  private:
    void ReadAvailable();
    void HeadersArrived();
    void ReplyFinished();
    // One GET of the exchange (the first or a redirect's).
    void Get(const QUrl& url);
    void FollowRedirect(const QUrl& target);
    // Abandons the current reply only; the exchange (manager, total timer) goes on.
    void DropReply();
    void Finish(bool ok, const QString& error);
    void Release();

    QUrl url_;
    FetchLimits limits_;
    QByteArray body_;
    QPointer<QNetworkAccessManager> manager_;
    QPointer<QNetworkReply> reply_;
    QTimer* totalTimer_ = nullptr;
    int redirects_ = 0;
};

}  // namespace trevasc

Q_DECLARE_METATYPE(trevasc::FetchResult)
