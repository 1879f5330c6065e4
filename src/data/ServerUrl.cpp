#include "data/ServerUrl.h"

#include <QUrl>
#include <QUrlQuery>

bool ServerUrl::looksLikeUrl(const QString& text)
{
    const QString t = text.trimmed();
    return t.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || t.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

bool ServerUrl::isSslMode(const QString& mode)
{
    static const char* const modes[] = {"disable", "allow", "prefer", "require", "verify-ca", "verify-full"};
    for (const char* m : modes)
        if (mode == QLatin1String(m))
            return true;
    return false;
}

bool ServerUrl::check(QString* error) const
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    // Qt quotes the host, user and database name in the connection string; the options it
    // passes as they are, so each is one of its known words. A control character or a comma
    // (libpq's list of hosts) has no place in any of them.
    auto plain = [](const QString& text, bool host) {
        for (const QChar c : text)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || (host && c == ','))
                return false;
        return true;
    };
    if (!sslmode.isEmpty() && !isSslMode(sslmode))
        // The value itself is not repeated: it may carry a password.
        return fail(QStringLiteral("sslmode must be one of disable, allow, prefer, require, verify-ca or verify-full"));
    if (!plain(host, true))
        return fail(QStringLiteral("Malformed host (a control character or a list of hosts)"));
    if (!plain(user, false) || !plain(database, false))
        return fail(QStringLiteral("Malformed user or database name"));
    if (port != -1 && (port <= 0 || port > 65535))
        return fail(QStringLiteral("Malformed port %1").arg(port));
    return true;
}

bool ServerUrl::parse(const QString& text, ServerUrl* url, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const QString t = text.trimmed();
    if (!looksLikeUrl(t))
        return fail(QStringLiteral("Not a PostgreSQL address (postgresql://user@host:port/dbname): %1").arg(t));
    const int schemeEnd = t.indexOf(QLatin1String("://")) + 3;
    QString rest = t.mid(schemeEnd);
    QString query;
    const int q = rest.indexOf('?');
    if (q >= 0) {
        query = rest.mid(q + 1);
        rest = rest.left(q);
    }
    const int slash = rest.indexOf('/');
    QString authority = slash >= 0 ? rest.left(slash) : rest;
    ServerUrl u;
    u.database = slash >= 0 ? QUrl::fromPercentEncoding(rest.mid(slash + 1).toUtf8()) : QString();
    const int at = authority.lastIndexOf('@');
    if (at >= 0) {
        const QString userInfo = authority.left(at);
        authority = authority.mid(at + 1);
        if (userInfo.contains(':'))
            return fail(QStringLiteral("A password does not belong in the address; use the PostgreSQL password file "
                                       "(~/.pgpass) or PGPASSWORD"));
        u.user = QUrl::fromPercentEncoding(userInfo.toUtf8());
    }
    // host, host:port, [v6]:port, or a percent-encoded socket folder
    QString hostPart = authority;
    if (hostPart.startsWith('[')) {
        const int close = hostPart.indexOf(']');
        if (close < 0)
            return fail(QStringLiteral("Malformed host in %1").arg(t));
        u.host = hostPart.mid(1, close - 1);
        hostPart = hostPart.mid(close + 1);
        if (hostPart.startsWith(':'))
            hostPart = hostPart.mid(1);
        else
            hostPart.clear();
    } else {
        const int colon = hostPart.lastIndexOf(':');
        if (colon >= 0) {
            u.host = QUrl::fromPercentEncoding(hostPart.left(colon).toUtf8());
            hostPart = hostPart.mid(colon + 1);
        } else {
            u.host = QUrl::fromPercentEncoding(hostPart.toUtf8());
            hostPart.clear();
        }
    }
    if (!hostPart.isEmpty()) {
        bool ok = false;
        const int port = hostPart.toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            return fail(QStringLiteral("Malformed port in %1").arg(t));
        u.port = port;
    }
    const QUrlQuery params(query);
    for (const auto& [key, value] : params.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("sslmode"))
            u.sslmode = value;
        else if (key == QLatin1String("host"))
            u.host = value;
        else if (key == QLatin1String("port")) {
            bool ok = false;
            u.port = value.toInt(&ok);
            if (!ok)
                return fail(QStringLiteral("Malformed port in %1").arg(t));
        } else if (key == QLatin1String("user"))
            u.user = value;
        else if (key == QLatin1String("dbname"))
            u.database = value;
        else if (key == QLatin1String("password"))
            return fail(QStringLiteral("A password does not belong in the address; use the PostgreSQL password file "
                                       "(~/.pgpass) or PGPASSWORD"));
        else
            return fail(QStringLiteral("Unknown parameter %1 in %2").arg(key, t));
    }
    if (u.database.isEmpty())
        return fail(QStringLiteral("No database name in %1").arg(t));
    if (!u.check(error))
        return false;
    *url = u;
    return true;
}

QString ServerUrl::display() const
{
    QString s = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (port > 0)
        s += ':' + QString::number(port);
    return s + '/' + database;
}

QString ServerUrl::toString() const
{
    QString s = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        s += QString::fromUtf8(QUrl::toPercentEncoding(user)) + '@';
    const bool socket = host.startsWith('/');
    if (!socket)
        s += host.contains(':') ? '[' + host + ']' : host;
    if (port > 0)
        s += ':' + QString::number(port);
    s += '/' + QString::fromUtf8(QUrl::toPercentEncoding(database));
    QStringList params;
    if (socket)
        params << QStringLiteral("host=") + QString::fromUtf8(QUrl::toPercentEncoding(host, "/"));
    if (!sslmode.isEmpty())
        params << QStringLiteral("sslmode=") + sslmode;
    if (!params.isEmpty())
        s += '?' + params.join('&');
    return s;
}
