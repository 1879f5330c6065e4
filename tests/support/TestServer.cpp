#include "TestServer.h"

#include <QCoreApplication>
#include <QHash>
#include <QUrl>

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>

namespace {
// The admin address with another database name.
QString withDatabase(const QString& url, const QString& name)
{
    const int scheme = url.indexOf(QLatin1String("://")) + 3;
    const int q = url.indexOf('?', scheme);
    const int slash = url.indexOf('/', scheme);
    const QString head = (slash >= 0 && (q < 0 || slash < q)) ? url.left(slash) : (q >= 0 ? url.left(q) : url);
    return head + '/' + name + (q >= 0 ? url.mid(q) : QString());
}

bool run(const QString& url, const QString& sql, QString* error)
{
    PGconn* conn = PQconnectdb(url.toUtf8().constData());
    bool ok = PQstatus(conn) == CONNECTION_OK;
    if (ok) {
        PGresult* r = PQexec(conn, sql.toUtf8().constData());
        ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
        PQclear(r);
    }
    if (!ok && error)
        *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    PQfinish(conn);
    return ok;
}

struct Created {
    QHash<QString, QString> urls; // suffix -> address
    QStringList names;
    ~Created()
    {
        for (const QString& n : std::as_const(names))
            run(TestServer::adminUrl(), QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(n), nullptr);
    }
};

Created& created()
{
    static Created c;
    return c;
}
} // namespace

namespace TestServer {
bool engineIsServer() { return qEnvironmentVariable("MERAVEL_TEST_ENGINE") == QLatin1String("postgresql"); }

QString adminUrl() { return qEnvironmentVariable("MERAVEL_TEST_PG_URL"); }

QString extraDatabaseUrl(const QString& suffix, QString* error)
{
    if (adminUrl().isEmpty()) {
        if (error)
            *error = QStringLiteral("No PostgreSQL server given (MERAVEL_TEST_PG_URL)");
        return QString();
    }
    const auto it = created().urls.constFind(suffix);
    if (it != created().urls.constEnd())
        return it.value();
    const QString name = QStringLiteral("t%1_%2").arg(QCoreApplication::applicationPid()).arg(suffix);
    if (!run(adminUrl(), QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name), error)
        || !run(adminUrl(), QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0 ENCODING 'UTF8'").arg(name),
                error))
        return QString();
    created().names << name;
    const QString url = withDatabase(adminUrl(), name);
    created().urls.insert(suffix, url);
    return url;
}

QString processDatabaseUrl(QString* error) { return extraDatabaseUrl(QStringLiteral("main"), error); }

bool resetDatabase(const QString& url, QString* error)
{
    return run(url, QStringLiteral("DROP SCHEMA IF EXISTS public CASCADE; CREATE SCHEMA public;"), error);
}
} // namespace TestServer

namespace {
// A run that wants the server when none was given ends before its first test function, with
// the reason, as skipped (the exit status the second runs declare as their skip code). Every
// test of the main database makes its folders through this library, so none can forget it.
const bool serverGivenWhenWanted = [] {
    if (TestServer::engineIsServer() && TestServer::adminUrl().isEmpty()) {
        std::fputs("SKIP: no PostgreSQL server given (MERAVEL_TEST_PG_URL); the test command starts one\n", stdout);
        std::exit(TestServer::SkipExitCode);
    }
    return true;
}();
} // namespace
