#include "data/DbTransfer.h"

#include "data/BoundedQuery.h"
#include "data/DatabaseCheck.h"
#include "data/DatabaseTexts.h"
#include "data/MainSchema.h"
#include "data/MainSchemaSql.h"
#include "data/PrivateFile.h"
#include "data/PgCopy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUuid>

#include <sqlite3.h>

#include <cstdio>
#include <memory>

namespace {
bool failed(const BoundedQuery& q, QString* error)
{
    if (error)
        *error = q.lastError().text();
    return false;
}

QString selectAll(const MainSchema::Table& t)
{
    QStringList cols;
    for (const QString& c : t.columns)
        cols << Database::quoted(c);
    return "SELECT " + cols.join(", ") + " FROM " + Database::quoted(t.name) + " ORDER BY rid";
}

// INSERT of one whole row of the table, its values bound in column order.
QString insertRow(const MainSchema::Table& t)
{
    QStringList cols, marks;
    for (const QString& c : t.columns) {
        cols << Database::quoted(c);
        marks << QStringLiteral("?");
    }
    return "INSERT INTO " + Database::quoted(t.name) + " (" + cols.join(", ") + ") VALUES (" + marks.join(", ") + ")";
}

// Reads every row of a table from a file, as text (NULL kept as null).
bool readFileRows(const QSqlDatabase& db, const MainSchema::Table& t,
                  const std::function<bool(const PgCopy::Row&)>& onRow, QString* error)
{
    BoundedQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(selectAll(t)))
        return failed(q, error);
    PgCopy::Row row(t.columns.size());
    while (q.next()) {
        for (int i = 0; i < row.size(); ++i) {
            const QVariant v = q.value(i);
            row[i] = v.isNull() ? QByteArray() : v.toString().toUtf8();
            if (!v.isNull() && row[i].isNull())
                row[i] = QByteArray("");
        }
        if (!onRow(row))
            return false;
    }
    if (q.lastError().isValid())
        return failed(q, error);
    return true;
}

bool readRows(const QSqlDatabase& db, const MainSchema::Table& t, const std::function<bool(const PgCopy::Row&)>& onRow,
              QString* error)
{
    if (Database::isServer(db))
        return PgCopy::read(db, selectAll(t), onRow, error);
    return readFileRows(db, t, onRow, error);
}

QVariant textValue(const QByteArray& field)
{
    return field.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(QString::fromUtf8(field));
}

bool copyTable(const QSqlDatabase& source, const QSqlDatabase& destination, const MainSchema::Table& t, QString* error)
{
    if (!Database::isServer(destination)) {
        BoundedQuery ins(destination);
        if (!ins.prepare(insertRow(t)))
            return failed(ins, error);
        QString insertError;
        const bool read = readRows(
            source, t,
            [&](const PgCopy::Row& row) {
                for (int i = 0; i < row.size(); ++i)
                    ins.bindValue(i, i == 0 ? QVariant(row[0].toLongLong()) : textValue(row[i]));
                if (!ins.exec()) {
                    insertError = ins.lastError().text();
                    return false;
                }
                return true;
            },
            error);
        if (!insertError.isEmpty() && error)
            *error = insertError;
        return read && insertError.isEmpty();
    }
    // Into a server: a file is streamed through COPY; rows of another server are gathered
    // first, as one connection cannot read and write at once.
    if (!Database::isServer(source)) {
        BoundedQuery q(source);
        q.setForwardOnly(true);
        if (!q.exec(selectAll(t)))
            return failed(q, error);
        const int n = t.columns.size();
        const bool ok = PgCopy::write(
            destination, t.name, t.columns,
            [&](PgCopy::Row* row) {
                if (!q.next())
                    return false;
                row->resize(n);
                for (int i = 0; i < n; ++i) {
                    const QVariant v = q.value(i);
                    (*row)[i] = v.isNull() ? QByteArray() : v.toString().toUtf8();
                    if (!v.isNull() && (*row)[i].isNull())
                        (*row)[i] = QByteArray("");
                }
                return true;
            },
            error);
        if (ok && q.lastError().isValid())
            return failed(q, error);
        return ok;
    }
    QVector<PgCopy::Row> rows;
    if (!PgCopy::read(
            source, selectAll(t),
            [&](const PgCopy::Row& r) {
                rows.append(r);
                return true;
            },
            error))
        return false;
    int at = 0;
    return PgCopy::write(
        destination, t.name, t.columns,
        [&](PgCopy::Row* row) {
            if (at >= rows.size())
                return false;
            *row = rows[at++];
            return true;
        },
        error);
}

// Writes the server's tables (read inside the caller's snapshot) into the new, empty SQLite
// file at path through SQLite's own interface: each value goes from the server's COPY stream
// to its statement as it is, with no conversion on the way (binding value by value through
// Qt took nine seconds for 100,000 subjects).
bool writeServerToNewFile(const QSqlDatabase& server, const QString& path, QString* error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    auto sqliteFailed = [&] {
        if (error)
            *error = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
        return false;
    };
    if (rc != SQLITE_OK)
        return sqliteFailed();
    DatabaseCheck::harden(raw);
    if (sqlite3_exec(raw, "PRAGMA journal_mode=OFF; BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(raw, MainSchema::Sql, nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(raw, "DELETE FROM \"type1\"", nullptr, nullptr, nullptr) != SQLITE_OK)
        return sqliteFailed();
    for (const MainSchema::Table& t : MainSchema::tables()) {
        const QByteArray sql = insertRow(t).toUtf8();
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(raw, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
            return sqliteFailed();
        const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> insert(statement, sqlite3_finalize);
        bool inserted = true;
        const bool read = PgCopy::read(
            server, selectAll(t),
            [&](const PgCopy::Row& row) {
                for (int i = 0; i < row.size(); ++i) {
                    if (row[i].isNull())
                        sqlite3_bind_null(statement, i + 1);
                    else if (i == 0) // rid
                        sqlite3_bind_int64(statement, 1, row[0].toLongLong());
                    else
                        sqlite3_bind_text(statement, i + 1, row[i].constData(), int(row[i].size()), SQLITE_STATIC);
                }
                inserted = sqlite3_step(statement) == SQLITE_DONE;
                sqlite3_reset(statement);
                return inserted;
            },
            error);
        if (!inserted)
            return sqliteFailed();
        if (!read)
            return false;
    }
    return sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK || sqliteFailed();
}
} // namespace

namespace DbTransfer {
bool clearRows(const QSqlDatabase& destination, QString* error)
{
    BoundedQuery q(destination);
    if (Database::isServer(destination)) {
        QStringList names;
        for (const MainSchema::Table& t : MainSchema::tables())
            names << Database::quoted(t.name);
        return q.exec("TRUNCATE " + names.join(", ")) || failed(q, error);
    }
    for (const MainSchema::Table& t : MainSchema::tables())
        if (!q.exec("DELETE FROM " + Database::quoted(t.name)))
            return failed(q, error);
    return true;
}

void refreshStatistics(const QSqlDatabase& db)
{
    if (!Database::isServer(db))
        return;
    BoundedQuery q(db);
    // VACUUM runs outside a transaction, one table at a time.
    for (const MainSchema::Table& t : MainSchema::tables())
        q.exec(QStringLiteral("VACUUM (ANALYZE) ") + Database::quoted(t.name));
}

bool holdsSubjects(const QSqlDatabase& destination, QString* error)
{
    BoundedQuery q(destination);
    for (const QString& t : Database::programTables()) {
        if (t == QLatin1String("type1")) // the type descriptions, not a clinic's data
            continue;
        if (!q.exec("SELECT 1 FROM " + Database::quoted(t) + " LIMIT 1")) {
            failed(q, error);
            return true;
        }
        if (q.next())
            return true;
    }
    return false;
}

bool copyRows(const QSqlDatabase& source, const QSqlDatabase& destination, QString* error)
{
    BoundedQuery q(destination);
    if (!q.exec("DELETE FROM \"type1\""))
        return failed(q, error);
    for (const MainSchema::Table& t : MainSchema::tables())
        if (!copyTable(source, destination, t, error))
            return false;
    if (Database::isServer(destination)) {
        // New rows get numbers after the copied ones.
        for (const MainSchema::Table& t : MainSchema::tables()) {
            const QString table = Database::quoted(t.name);
            if (!q.exec(QStringLiteral("SELECT setval(pg_get_serial_sequence('%1', 'rid'), "
                                       "coalesce(max(rid), 0) + 1, false) FROM %1")
                            .arg(table)))
                return failed(q, error);
        }
    }
    return true;
}

bool beginSnapshot(const QSqlDatabase& db, QString* error)
{
    if (!Database::isServer(db))
        return true;
    BoundedQuery q(db);
    return q.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY") || failed(q, error);
}

void endSnapshot(const QSqlDatabase& db)
{
    if (Database::isServer(db))
        BoundedQuery(db).exec("ROLLBACK");
}

bool snapshotToFile(const QSqlDatabase& server, const QString& path, QString* error)
{
    // The file holds the clinic's personal data: its owner's only, from its first byte. A
    // link, a device or a folder at the destination is refused, never replaced.
    PrivateFile::Replacement replacement(path);
    if (!replacement.open(error))
        return false;
    replacement.file()->close();
    const QString temp = replacement.temporaryPath();
    bool ok = false;
    if (Database::isServer(server)) {
        ServerWait wait(server);
        ok = beginSnapshot(server, error);
        if (ok) {
            ok = writeServerToNewFile(server, temp, error);
            endSnapshot(server);
        }
        if (!ok && error && ServerWait::gaveUp(server))
            *error = QString::fromUtf8(DatabaseText::ServerSilent);
    } else {
        DbLocation file;
        file.path = temp;
        ScopedConnection out(file, error, true);
        if (out.isOpen()) {
            BoundedQuery(out.db()).exec("PRAGMA journal_mode=OFF");
            Transaction tx(out.db());
            ok = MainSchema::createInFile(out.db(), error) && copyRows(server, out.db(), error);
            ok = ok && tx.commit(error);
        }
    }
    if (ok) {
        QFile::remove(path + "-journal");
        // One rename replaces the destination: until then it stays whole.
        ok = replacement.commit(error);
    }
    return ok;
}

Result copy(const DbLocation& from, const DbLocation& to, bool replace)
{
    Result r;
    auto result = [&r](Outcome o, const QString& detail) {
        r.outcome = o;
        r.detail = detail;
        return r;
    };
    if (!from.isServer() && !QFileInfo(from.path).isFile())
        return result(Outcome::SourceUnusable, QStringLiteral("فايل پيدا نشد: \u2066%1\u2069").arg(from.display()));
    if (!from.isServer() && !to.isServer()
        && QFileInfo(from.path).absoluteFilePath() == QFileInfo(to.path).absoluteFilePath())
        return result(Outcome::DestinationUnusable, QStringLiteral("مبدأ و مقصد يکي هستند"));
    QString error;
    // A file is checked as a restore checks it: what the server cannot index (a 4,000
    // character name) is refused here, naming the subject, rather than failing the copy as a
    // whole with the server's own words.
    if (!from.isServer() && !DatabaseCheck::validateMainDatabase(from.path, &error))
        return result(Outcome::SourceUnusable, QStringLiteral("%1: %2").arg(from.display(), error));
    ScopedConnection source(from, &error);
    if (!source.isOpen())
        return result(Outcome::SourceUnusable, error);
    QString detail;
    if (MainSchema::check(source.db(), &detail) != MainSchema::State::Ready)
        return result(Outcome::SourceUnusable,
                      QStringLiteral("%1 does not hold the program's tables: %2").arg(from.display(), detail));

    const bool newFile = !to.isServer() && !QFileInfo::exists(to.path);
    if (newFile) {
        if (!snapshotToFile(source.db(), to.path, &error))
            return result(Outcome::Failed, error);
    } else {
        ScopedConnection destination(to, &error);
        if (!destination.isOpen())
            return result(Outcome::DestinationUnusable, error);
        const MainSchema::State state = MainSchema::check(destination.db(), &detail);
        if (state != MainSchema::State::Ready)
            return result(Outcome::DestinationUnusable,
                          to.isServer() && state == MainSchema::State::Empty
                              ? QStringLiteral("%1 has no tables yet: run db init on it first").arg(to.display())
                              : QStringLiteral("%1 does not hold the program's tables: %2").arg(to.display(), detail));
        Transaction tx(destination.db());
        if (!tx.isActive())
            return result(Outcome::Failed, destination.db().lastError().text());
        const bool holds = holdsSubjects(destination.db(), &error);
        if (holds && !replace)
            return result(Outcome::DestinationNotEmpty,
                          error.isEmpty()
                              ? QStringLiteral("%1 already holds subjects (--replace replaces them)").arg(to.display())
                              : error);
        bool ok = clearRows(destination.db(), &error) && beginSnapshot(source.db(), &error);
        if (ok) {
            ok = copyRows(source.db(), destination.db(), &error);
            endSnapshot(source.db());
        }
        if (!ok || !tx.commit(&error))
            return result(Outcome::Failed, error);
        refreshStatistics(destination.db());
    }
    {
        ScopedConnection done(to, &error);
        BoundedQuery q(done.db());
        if (q.exec("SELECT count(*) FROM \"IDE\"") && q.next())
            r.subjects = q.value(0).toLongLong();
    }
    return result(Outcome::Done, QString());
}
} // namespace DbTransfer
