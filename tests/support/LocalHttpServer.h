#pragma once
// A small HTTP server on 127.0.0.1 for the update check's tests: it answers every request with a
// prepared response (by path, else the default), or accepts and never answers. It runs on the
// test's own event loop, so the code under test must wait asynchronously, as the program does.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <map>
#include <memory>

namespace trevasc::test {

class LocalHttpServer : public QObject {
  public:
    QByteArray Response;                      // the answer to any other path
    std::map<QByteArray, QByteArray> ByPath;  // path of the request line -> answer
    bool Silent = false;                      // accept and never answer
    int DripIntervalMs = 0;                   // > 0: the answer one byte per interval
    int Requests = 0;                         // complete requests received
    QList<QByteArray> RequestLines;

    LocalHttpServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        connect(&server_, &QTcpServer::newConnection, this, [this] { Accept(); });
    }

    quint16 Port() const { return server_.serverPort(); }
    // "127.0.0.1:port", the form of AUTOUPDATES HOST.
    QString Host() const { return QStringLiteral("127.0.0.1:%1").arg(Port()); }
    QString Url(const QString& path = "/trevasc/currentversion.xml") const {
        return "http://" + Host() + path;
    }
    // Connections the client has not closed yet.
    int OpenConnections() const { return open_; }

    // A complete response; the body's length is announced unless `announceLength` is false.
    static QByteArray Http(int status, const QByteArray& body, const QByteArray& headers = {},
                           bool announceLength = true) {
        QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + " Status\r\n" + headers;
        if (announceLength) r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        return r + "Connection: close\r\n\r\n" + body;
    }

  private:
    void Accept() {
        while (QTcpSocket* socket = server_.nextPendingConnection()) {
            ++open_;
            pending_[socket];
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                --open_;
                pending_.erase(socket);
                socket->deleteLater();
            });
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        }
    }

    void Read(QTcpSocket* socket) {
        QByteArray& request = pending_[socket];
        request += socket->readAll();
        if (request.indexOf("\r\n\r\n") < 0) return;
        ++Requests;
        const QByteArray line = request.left(request.indexOf("\r\n"));
        RequestLines << line;
        request.clear();
        if (Silent) return;
        const QByteArray path = line.split(' ').value(1);
        const auto it = ByPath.find(path);
        const QByteArray answer = it != ByPath.end() ? it->second : Response;
        if (DripIntervalMs > 0) {
            Drip(socket, answer);
            return;
        }
        socket->write(answer);
        socket->disconnectFromHost();
    }

    // A server that keeps the line just alive: one byte per interval, until the answer is out or
    // the client goes (the timer belongs to the socket and ends with it).
    void Drip(QTcpSocket* socket, const QByteArray& answer) {
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, socket, [socket, timer, answer, sent] {
            if (*sent >= answer.size() || socket->state() != QAbstractSocket::ConnectedState) {
                timer->stop();
                socket->disconnectFromHost();
                return;
            }
            socket->write(answer.mid((*sent)++, 1));
        });
        timer->start(DripIntervalMs);
    }

    // The server goes first: its sockets report their end to the counters below.
    int open_ = 0;
    std::map<QTcpSocket*, QByteArray> pending_;
    QTcpServer server_;
};

}  // namespace trevasc::test
