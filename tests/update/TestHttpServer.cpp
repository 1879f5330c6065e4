#include "TestHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

TestHttpServer::TestHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QString TestHttpServer::url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

TestHttpServer::Route TestHttpServer::reply(int status, const QByteArray& reason, const QByteArray& body,
                                            const QByteArray& extraHeaders)
{
    Route r;
    r.head = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\nConnection: close\r\n" + extraHeaders;
    r.body = body;
    return r;
}

TestHttpServer::Route TestHttpServer::silence()
{
    Route r;
    r.silent = true;
    return r;
}

TestHttpServer::Route TestHttpServer::raw(const QByteArray& head, const QByteArray& body)
{
    Route r;
    r.head = head;
    r.body = body;
    return r;
}

void TestHttpServer::serve(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    if (!request.contains("\r\n\r\n") || socket->property("served").toBool())
        return;
    socket->setProperty("served", true);
    requests << request.left(request.indexOf("\r\n\r\n") + 4);
    const QByteArray path = request.split(' ').value(1);
    const Route route = m_routes.value(path, reply(404, "Not Found", "no such file"));
    if (route.silent)
        return;

    socket->write(route.head + "\r\n");
    QByteArray body = route.cutAfter >= 0 ? route.body.left(route.cutAfter) : route.body;
    const bool close = !(route.cutAfter >= 0 && route.stallAfterCut);
    if (route.pieceSize <= 0) {
        socket->write(body);
        if (close)
            socket->disconnectFromHost();
        return;
    }
    // A slow body: one piece per tick.
    QPointer<QTcpSocket> guard(socket);
    auto* timer = new QTimer(socket);
    timer->setInterval(route.pieceDelayMs);
    auto offset = std::make_shared<int>(0);
    connect(timer, &QTimer::timeout, socket, [guard, timer, body, offset, close, size = route.pieceSize] {
        if (!guard)
            return;
        if (*offset >= body.size()) {
            timer->stop();
            if (close)
                guard->disconnectFromHost();
            return;
        }
        guard->write(body.mid(*offset, size));
        *offset += size;
    });
    timer->start();
}
