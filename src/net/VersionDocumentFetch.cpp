#include "net/VersionDocumentFetch.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include "Version.h"

namespace trevasc {

namespace {

// The same server: scheme, host and port. An upgrade to https would be a different port on the
// same host, which is a different server as far as the check can tell.
bool SameServer(const QUrl& from, const QUrl& to) {
    const int defaultPort = from.scheme() == "https" ? 443 : 80;
    return to.scheme() == from.scheme() &&
           to.host().compare(from.host(), Qt::CaseInsensitive) == 0 &&
           to.port(defaultPort) == from.port(defaultPort);
}

bool IsLoopback(const QString& host) {
    const QHostAddress address(host);
    return host.compare("localhost", Qt::CaseInsensitive) == 0 ||
           (!address.isNull() && address.isLoopback());
}

}  // namespace

VersionDocumentFetch::VersionDocumentFetch(QObject* parent) : QObject(parent) {
    totalTimer_ = new QTimer(this);
    totalTimer_->setSingleShot(true);
    connect(totalTimer_, &QTimer::timeout, this, [this] {
        Finish(false, QStringLiteral("no complete answer within %1 s from %2")
                          .arg(limits_.TotalTimeoutMs / 1000.0)
                          .arg(url_.host()));
    });
}

VersionDocumentFetch::~VersionDocumentFetch() {
    Release();
}

void VersionDocumentFetch::Start(const QUrl& url, const FetchLimits& limits) {
    Release();
    url_ = url;
    limits_ = limits;
    redirects_ = 0;
    body_.clear();
    if (!url.isValid() || (url.scheme() != "http" && url.scheme() != "https")) {
        // Reported from the event loop, as every other outcome, so that callers see one order.
        manager_ = nullptr;
        QTimer::singleShot(0, this, [this, url] {
            emit finished({false, {}, "not an http address: " + url.toString()});
        });
        return;
    }
    // A manager of its own for every GET: its connection cache dies with it, so the connection
    // is closed in every case, and no cookie or cache survives between checks.
    manager_ = new QNetworkAccessManager(this);
    // A proxy cannot reach this computer's own loopback server.
    if (IsLoopback(url.host())) manager_->setProxy(QNetworkProxy::NoProxy);
    // One bound for the whole exchange, redirects included.
    totalTimer_->start(limits.TotalTimeoutMs);
    Get(url);
}

void VersionDocumentFetch::Get(const QUrl& url) {
    body_.clear();
    QNetworkRequest request(url);
    // Redirects are followed here, not by Qt: its own following of a redirect from a server that
    // closes every connection re-sent requests and ended a loop with a meaningless status.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Qt aborts a reply when no byte moves for this long: the connect timeout, and the same
    // patience with a server that accepts and never answers.
    request.setTransferTimeout(limits_.ConnectTimeoutMs);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setRawHeader("Connection", "close");
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("trevasc/%1.%2.%3")
                                                            .arg(kVersionMajor)
                                                            .arg(kVersionMinor)
                                                            .arg(kVersionBuild));
    reply_ = manager_->get(request);
    // Qt's own buffer stays small; the body is collected and bounded here.
    reply_->setReadBufferSize(64 * 1024);
    connect(reply_, &QNetworkReply::readyRead, this, &VersionDocumentFetch::ReadAvailable);
    connect(reply_, &QNetworkReply::metaDataChanged, this, &VersionDocumentFetch::HeadersArrived);
    connect(reply_, &QNetworkReply::finished, this, &VersionDocumentFetch::ReplyFinished);
}

void VersionDocumentFetch::HeadersArrived() {
    if (!reply_) return;
    const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > limits_.MaxBytes)
        Finish(false, QStringLiteral("the answer is longer than %1 bytes").arg(limits_.MaxBytes));
}

void VersionDocumentFetch::ReadAvailable() {
    if (!reply_) return;
    body_ += reply_->readAll();
    if (body_.size() > limits_.MaxBytes)
        Finish(false, QStringLiteral("the answer is longer than %1 bytes").arg(limits_.MaxBytes));
}

void VersionDocumentFetch::FollowRedirect(const QUrl& target) {
    if (!SameServer(url_, target)) {
        Finish(false, "refused a redirect to another server: " + target.toString());
        return;
    }
    if (++redirects_ > limits_.MaxRedirects) {
        Finish(false, QStringLiteral("the server redirects in a loop (more than %1 redirects)")
                          .arg(limits_.MaxRedirects));
        return;
    }
    DropReply();
    Get(target);
}

void VersionDocumentFetch::ReplyFinished() {
    if (!reply_) return;
    ReadAvailable();
    if (!reply_) return;
    const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply_->error() == QNetworkReply::OperationCanceledError) {
        // The transfer timeout aborts the reply this way.
        Finish(false, QStringLiteral("no answer within %1 s from %2")
                          .arg(limits_.ConnectTimeoutMs / 1000.0)
                          .arg(url_.host()));
    } else if (const QVariant location =
                   reply_->attribute(QNetworkRequest::RedirectionTargetAttribute);
               status >= 300 && status <= 399 && location.isValid()) {
        FollowRedirect(reply_->url().resolved(location.toUrl()));
    } else if (reply_->error() != QNetworkReply::NoError) {
        Finish(false, reply_->errorString());
    } else if (status < 200 || status > 299) {
        Finish(false, QStringLiteral("the server answered with HTTP status %1").arg(status));
    } else {
        Finish(true, {});
    }
}

void VersionDocumentFetch::Finish(bool ok, const QString& error) {
    FetchResult result{ok, ok ? body_ : QByteArray(), error};
    Release();
    emit finished(result);
}

void VersionDocumentFetch::Release() {
    totalTimer_->stop();
    DropReply();
    if (manager_) {
        manager_->deleteLater();
        manager_ = nullptr;
    }
    body_.clear();
}

void VersionDocumentFetch::DropReply() {
    if (reply_) {
        QNetworkReply* reply = reply_;
        reply_ = nullptr;
        reply->disconnect(this);
        reply->abort();
        reply->deleteLater();
    }
}

FetchResult VersionDocumentFetch::Fetch(const QUrl& url, const FetchLimits& limits) {
    VersionDocumentFetch fetch;
    FetchResult result;
    QEventLoop loop;
    connect(&fetch, &VersionDocumentFetch::finished, &loop, [&](const FetchResult& r) {
        result = r;
        loop.quit();
    });
    fetch.Start(url, limits);
    loop.exec();
    return result;
}

}  // namespace trevasc
