#pragma once
#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTcpServer>

// A small HTTP server on 127.0.0.1 with a free port, for the update tests: each path answers
// with a scripted reply that may be wrong on purpose (any status, a lying Content-Length, a
// body cut short, a slow body, no answer at all, no HTTP at all).
class TestHttpServer : public QObject {
public:
    struct Route {
        QByteArray head;          // status line and headers, each ending in CR LF (no blank line)
        QByteArray body;
        int cutAfter = -1;        // close the connection after this many body bytes
        int pieceSize = 0;        // > 0: send the body in pieces of this size...
        int pieceDelayMs = 0;     // ...this far apart
        bool silent = false;      // accept the request and never answer
        bool stallAfterCut = false; // with cutAfter: keep the connection open instead of closing
    };

    TestHttpServer();
    quint16 port() const { return m_server.serverPort(); }
    QString url(const QString& path) const;

    void set(const QString& path, const Route& route) { m_routes.insert(path.toLatin1(), route); }
    // The raw request heads received, in order.
    QList<QByteArray> requests;

    // A complete reply: status line, Content-Length of the body, Connection: close.
    static Route reply(int status, const QByteArray& reason, const QByteArray& body,
                       const QByteArray& extraHeaders = QByteArray());
    // A reply with an explicit head (Content-Length as given, or none).
    static Route raw(const QByteArray& head, const QByteArray& body);
    // A route that takes the request and never answers.
    static Route silence();

private:
    void serve(class QTcpSocket* socket);
    QTcpServer m_server;
    QHash<QByteArray, Route> m_routes;
};
Q_DECLARE_METATYPE(TestHttpServer::Route)
