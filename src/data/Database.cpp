#include "data/Database.h"

#include "data/DatabaseCheck.h"
#include "data/DatabaseTexts.h"
#include "data/ProgramFolder.h"
#include "data/Utf8.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QThread>
#include <QUuid>

#include <libpq-fe.h>

namespace {
// The connections this thread opened through connection() carry its number in their names, so
// closeAll() finds them without a thread-local list (whose clean-up at a thread's end some
// run-times get wrong).
QString threadPrefix()
{
    return QStringLiteral("meravel:%1:").arg(reinterpret_cast<quintptr>(QThread::currentThreadId()));
}

QString connectionName(const QString& where) { return threadPrefix() + where; }

// Every SQLite connection of the process is defensive and distrusts its schema's functions,
// from before the first one opens.
const bool connectionsHardened = [] {
    DatabaseCheck::hardenEveryConnection();
    return true;
}();

QString& mainOverride()
{
    static QString url;
    return url;
}

PGconn* pgHandle(const QSqlDatabase& db) { return static_cast<PGconn*>(Database::serverHandle(db)); }

// The [database] section of database.conf: url=, sslmode=. Lines starting with # or ; are
// comments. A password has no place in the program folder and is refused.
DbLocation readConfig(const QString& path)
{
    DbLocation loc;
    loc.engine = Engine::PostgreSQL;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        loc.problem = f.errorString();
        return loc;
    }
    QString section, url, sslmode;
    const QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    for (QString line : lines) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#') || line.startsWith(';'))
            continue;
        if (line.startsWith('[') && line.endsWith(']')) {
            section = line.mid(1, line.size() - 2).trimmed().toLower();
            continue;
        }
        const int eq = line.indexOf('=');
        if (section != QLatin1String("database") || eq < 0)
            continue;
        const QString key = line.left(eq).trimmed().toLower();
        const QString value = line.mid(eq + 1).trimmed();
        if (key == QLatin1String("url"))
            url = value;
        else if (key == QLatin1String("sslmode"))
            sslmode = value;
        else if (key == QLatin1String("password")) {
            loc.problem = QStringLiteral("A password does not belong in database.conf; use the PostgreSQL password "
                                         "file (~/.pgpass) or PGPASSWORD");
            return loc;
        }
    }
    if (url.isEmpty()) {
        loc.problem = QStringLiteral("No url= in the [database] section");
        return loc;
    }
    QString error;
    if (!ServerUrl::parse(url, &loc.server, &error)) {
        loc.problem = error;
        return loc;
    }
    if (!sslmode.isEmpty())
        loc.server.sslmode = sslmode;
    if (!loc.server.check(&error))
        loc.problem = error;
    return loc;
}

QString serverFailure(const DbLocation& loc, const QString& reason)
{
    return u(DatabaseText::ServerFailed) + QStringLiteral("\r\n") + loc.server.display() + QStringLiteral("\r\n")
        + reason.trimmed();
}

QSqlDatabase openServer(const DbLocation& loc, const QString& name, QString* error)
{
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                   : QSqlDatabase::addDatabase("QPSQL", name);
    if (!db.isValid()) {
        if (error)
            *error = serverFailure(loc, QStringLiteral("The PostgreSQL driver of Qt (QPSQL) is not installed"));
        return QSqlDatabase();
    }
    const ServerUrl& s = loc.server;
    // Nothing reaches the connection string unchecked, whichever way the address came.
    QString unfit;
    if (!s.check(&unfit)) {
        if (error)
            *error = serverFailure(loc, unfit);
        return QSqlDatabase();
    }
    db.setDatabaseName(s.database);
    db.setUserName(s.user);
    db.setHostName(s.host);
    db.setPort(s.port);
    // The session settings travel in the start-up packet, so they hold from the first statement
    // on, before Qt's driver asks the server how it reads a backslash in a literal (it escapes
    // the values it binds accordingly). Keep-alives let a connection to a host that vanished
    // (cable, power, network) fail within a minute instead of waiting for the system's hours.
    QStringList options{QStringLiteral("connect_timeout=15"),
                        QStringLiteral("application_name=meravel"),
                        QStringLiteral("options='-c standard_conforming_strings=on -c statement_timeout=30s "
                                       "-c lock_timeout=15s'"),
                        QStringLiteral("keepalives=1"),
                        QStringLiteral("keepalives_idle=20"),
                        QStringLiteral("keepalives_interval=5"),
                        QStringLiteral("keepalives_count=4")};
    if (!s.sslmode.isEmpty())
        options << QStringLiteral("sslmode=") + s.sslmode;
    db.setConnectOptions(options.join(';'));
    if (!db.open()) {
        if (error)
            *error = serverFailure(
                loc, db.lastError().databaseText().isEmpty() ? db.lastError().text() : db.lastError().databaseText());
        return QSqlDatabase();
    }
    ServerWait::forget(pgHandle(db));
    QSqlQuery q(db);
    // A backslash stays a backslash in a literal, whatever the server or the role was set to;
    // a server that does not take the setting is not used.
    if (!q.exec("SHOW standard_conforming_strings") || !q.next() || q.value(0).toString() != QLatin1String("on")) {
        if (error)
            *error = serverFailure(loc, q.lastError().text());
        q.finish();
        db.close();
        return QSqlDatabase();
    }
    return db;
}

QSqlDatabase openFile(const QString& path, const QString& name, QString* error, bool create)
{
    // SQLite would create a missing file; the program never wants an empty database.
    if (!create && !QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("فايل پيدا نشد: \u2066%1\u2069").arg(QDir::toNativeSeparators(path));
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                    : QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(path);
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=15000");
    Q_UNUSED(connectionsHardened);
    DatabaseCheck::hardenEveryConnection();
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return QSqlDatabase();
    }
    QSqlQuery q(db);
    // Functions named in a schema never run on the program's behalf. (Defensive mode comes
    // from the hardening above when Qt's driver uses the SQLite library the program links;
    // this setting holds with any SQLite.)
    q.exec("PRAGMA trusted_schema=OFF");
    // The single file is the whole database whenever no write is in progress.
    q.exec("PRAGMA journal_mode=DELETE");
    q.exec("PRAGMA synchronous=FULL");
    // A file that is no database fails here rather than at the first real query.
    if (!q.exec("SELECT count(*) FROM sqlite_master")) {
        if (error)
            *error = q.lastError().text();
        q.finish();
        db.close();
        return QSqlDatabase();
    }
    return db;
}
} // namespace

DbLocation DbLocation::fromText(const QString& text)
{
    DbLocation loc;
    if (ServerUrl::looksLikeUrl(text)) {
        loc.engine = Engine::PostgreSQL;
        QString error;
        if (!ServerUrl::parse(text, &loc.server, &error))
            loc.problem = error;
    } else {
        loc.path = QDir(text).absolutePath();
    }
    return loc;
}

QString DbLocation::display() const { return isServer() ? server.display() : QDir::toNativeSeparators(path); }

namespace Database {
QString pathOf(DbFile file)
{
    return file == DbFile::Main ? ProgramFolder::mainDatabase() : ProgramFolder::themeDatabase();
}

QString configFile() { return ProgramFolder::file(QStringLiteral("database.conf")); }

void setMainOverride(const QString& url) { mainOverride() = url; }

DbLocation mainLocation()
{
    if (!mainOverride().isEmpty())
        return DbLocation::fromText(mainOverride());
    const QString conf = configFile();
    if (QFileInfo::exists(conf))
        return readConfig(conf);
    DbLocation loc;
    loc.path = pathOf(DbFile::Main);
    return loc;
}

bool mainIsServer() { return mainLocation().isServer(); }

QSqlDatabase connection(DbFile file, QString* error)
{
    DbLocation loc;
    if (file == DbFile::Main) {
        loc = mainLocation();
    } else {
        loc.path = pathOf(file);
    }
    if (!loc.problem.isEmpty()) {
        if (error)
            *error = loc.isServer() && !mainOverride().isEmpty()
                ? serverFailure(loc, loc.problem)
                : u(DatabaseText::ConfigUnusable) + QStringLiteral("\r\n") + QDir::toNativeSeparators(configFile())
                    + QStringLiteral("\r\n") + loc.problem;
        return QSqlDatabase();
    }
    const QString name = connectionName(loc.isServer() ? loc.server.toString() : loc.path);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen()) {
            // A server connection that was lost is opened afresh for the next action.
            PGconn* pg = loc.isServer() ? pgHandle(db) : nullptr;
            if (!loc.isServer() || (pg && PQstatus(pg) == CONNECTION_OK && !ServerWait::gaveUp(db)))
                return db;
            ServerWait::forget(pg);
            db.close();
        }
    }
    bool ok = false;
    {
        QSqlDatabase db = loc.isServer() ? openServer(loc, name, error) : openFile(loc.path, name, error, false);
        ok = db.isOpen();
        if (ok && loc.isServer()) {
            for (const QString& table : Database::programTables())
                if (findTable(db, table) != table) {
                    if (error)
                        *error = serverFailure(loc, u(DatabaseText::NoTables));
                    db.close();
                    ok = false;
                    break;
                }
        }
    }
    if (!ok) {
        QSqlDatabase::removeDatabase(name);
        return QSqlDatabase();
    }
    return QSqlDatabase::database(name, false);
}

QSqlDatabase openLocation(const DbLocation& location, const QString& name, QString* error, bool create)
{
    if (!location.problem.isEmpty()) {
        if (error)
            *error = location.problem;
        return QSqlDatabase();
    }
    return location.isServer() ? openServer(location, name, error) : openFile(location.path, name, error, create);
}

void closeAll()
{
    const QString prefix = threadPrefix();
    const QStringList names = QSqlDatabase::connectionNames();
    for (const QString& name : names) {
        if (!name.startsWith(prefix))
            continue;
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            ServerWait::forget(pgHandle(db));
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
}

bool isServer(const QSqlDatabase& db) { return db.driverName() == QLatin1String("QPSQL"); }

const QStringList& programTables()
{
    static const QStringList tables{"IDE", "S1", "S2", "S3", "S4", "type1"};
    return tables;
}

QString listCondition(const QString& column, const QStringList& texts, QVariant* bound)
{
    // The list is one bound value, a JSON array of texts, never part of the statement.
    *bound = QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(texts)).toJson(QJsonDocument::Compact));
    return quoted(column)
        + (mainIsServer() ? QStringLiteral(" IN (SELECT json_array_elements_text(CAST(? AS json)))")
                          : QStringLiteral(" IN (SELECT value FROM json_each(?))"));
}

QString quoted(const QString& identifier)
{
    QString s = identifier;
    s.replace('"', "\"\"");
    return '"' + s + '"';
}

QString findTable(const QSqlDatabase& db, const QString& name)
{
    QSqlQuery q(db);
    if (isServer(db))
        // The catalog itself: information_schema's views cost some 10 ms a query.
        q.prepare("SELECT relname FROM pg_catalog.pg_class WHERE relnamespace = current_schema()::regnamespace "
                  "AND relkind IN ('r', 'p') AND lower(relname) = lower(?) ORDER BY relname <> ? LIMIT 1");
    else
        q.prepare("SELECT name FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE "
                  "ORDER BY name <> ? LIMIT 1");
    q.addBindValue(name);
    q.addBindValue(name);
    if (!q.exec() || !q.next())
        return QString();
    return q.value(0).toString();
}

QStringList columnsOf(const QSqlDatabase& db, const QString& table)
{
    QStringList columns;
    QSqlQuery q(db);
    if (isServer(db)) {
        q.prepare("SELECT a.attname FROM pg_catalog.pg_attribute a JOIN pg_catalog.pg_class c ON c.oid = a.attrelid "
                  "WHERE c.relnamespace = current_schema()::regnamespace AND c.relname = ? AND a.attnum > 0 "
                  "AND NOT a.attisdropped ORDER BY a.attnum");
        q.addBindValue(table);
        if (!q.exec())
            return columns;
        while (q.next())
            columns << q.value(0).toString();
    } else {
        if (!q.exec("PRAGMA table_info(" + quoted(table) + ")"))
            return columns;
        while (q.next())
            columns << q.value(1).toString();
    }
    return columns;
}

bool lockSubjectForWrite(const QSqlDatabase& db, const QString& code, QString* error)
{
    if (!isServer(db)) {
        // The file's write lock is taken now, before the transaction reads anything: a
        // transaction that has read may not wait for another writer (SQLite refuses at once,
        // "database is locked"), one that has not waits out the busy time-out.
        QSqlQuery q(db);
        if (!q.exec("UPDATE \"IDE\" SET rid = rid WHERE 0")) {
            if (error)
                *error = q.lastError().nativeErrorCode() == QLatin1String("5") ? u(DatabaseText::FileBusy)
                                                                               : q.lastError().text();
            return false;
        }
        return true;
    }
    QSqlQuery q(db);
    q.prepare("SELECT pg_advisory_xact_lock(1, hashtext(?))");
    q.addBindValue(code.trimmed());
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}

void* serverHandle(const QSqlDatabase& db)
{
    if (!db.isValid() || !db.driver() || !isServer(db))
        return nullptr;
    const QVariant v = db.driver()->handle();
    // The driver names the type after libpq's struct (pg_conn*) or its typedef.
    if (v.isValid() && (qstrcmp(v.typeName(), "pg_conn*") == 0 || qstrcmp(v.typeName(), "PGconn*") == 0))
        return *static_cast<void* const*>(v.data());
    return nullptr;
}

bool isDuplicateCode(const QSqlError& error)
{
    // unique_violation
    return error.nativeErrorCode() == QLatin1String("23505");
}
} // namespace Database

ScopedConnection::ScopedConnection(const DbLocation& location, QString* error, bool create)
    : m_name(QStringLiteral("meravel:own:") + QUuid::createUuid().toString())
{
    m_db = Database::openLocation(location, m_name, error, create);
}

ScopedConnection::~ScopedConnection()
{
    ServerWait::forget(pgHandle(m_db));
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_name);
}

SubjectHold::Outcome SubjectHold::acquire(const QString& code, QString* error)
{
    release();
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return Outcome::Failed;
    if (!Database::isServer(db))
        return Outcome::Held;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT pg_try_advisory_lock(%1)").arg(QLatin1String(LockArguments)));
    q.addBindValue(code.trimmed());
    if (!q.exec() || !q.next()) {
        if (error)
            *error = q.lastError().text();
        return Outcome::Failed;
    }
    if (!q.value(0).toBool())
        return Outcome::HeldElsewhere;
    m_code = code.trimmed();
    m_held = true;
    return Outcome::Held;
}

void SubjectHold::release()
{
    if (!m_held)
        return;
    m_held = false;
    QSqlDatabase db = Database::connection(DbFile::Main);
    if (!db.isOpen() || !Database::isServer(db))
        return;
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(QLatin1String(LockArguments)));
    q.addBindValue(m_code);
    q.exec();
}

Transaction::Transaction(DbFile file)
    : Transaction(Database::connection(file))
{
}

Transaction::Transaction(QSqlDatabase db)
    : m_db(db)
{
    // A server connection already inside a transaction would take BEGIN with a mere warning,
    // and this transaction's commit would then end the other one: it does not begin.
    if (Database::isServer(m_db) && m_db.isOpen()) {
        PGconn* conn = static_cast<PGconn*>(Database::serverHandle(m_db));
        if (!conn || PQtransactionStatus(conn) != PQTRANS_IDLE)
            return;
    }
    m_active = m_db.isOpen() && m_db.transaction();
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit(QString* error)
{
    if (!m_active) {
        if (error && error->isEmpty())
            *error = m_db.isValid() ? m_db.lastError().text() : QStringLiteral("پايگاه داده باز نشد.");
        return false;
    }
    if (!m_db.commit()) {
        if (error)
            *error = ServerWait::gaveUp(m_db) ? u(DatabaseText::ServerSilent) : m_db.lastError().text();
        m_db.rollback();
        m_active = false;
        return false;
    }
    m_active = false;
    return true;
}
