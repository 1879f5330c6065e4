#include "data/DatabaseCheck.h"

#include "data/MainSchemaSql.h"
#include "data/SubjectText.h"

#include <QFile>
#include <QHash>
#include <QSet>

#include <sqlite3.h>

#include <atomic>
#include <memory>

namespace {
std::atomic<quint64> hardened{0};

int hardenOnOpen(sqlite3* db, const char**, const sqlite3_api_routines*)
{
    DatabaseCheck::harden(db);
    ++hardened;
    return SQLITE_OK;
}

using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;
using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &s, nullptr) != SQLITE_OK) {
        sqlite3_finalize(s);
        s = nullptr;
    }
    return Statement(s, sqlite3_finalize);
}

QString text(sqlite3_stmt* s, int column)
{
    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return t ? QString::fromUtf8(t, sqlite3_column_bytes(s, column)) : QString();
}

QString lastError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

// One column as table_xinfo reports it.
struct Column {
    QString name, type;
    int primaryKey = 0, hidden = 0;
    bool notNull = false;
};

bool readColumns(sqlite3* db, const QString& table, QVector<Column>* columns, QString* error)
{
    columns->clear();
    const QByteArray sql = "PRAGMA table_xinfo(\"" + QString(table).replace('"', "\"\"").toUtf8() + "\")";
    Statement s = prepare(db, sql.constData());
    if (!s) {
        *error = lastError(db);
        return false;
    }
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
        columns->push_back({text(s.get(), 1), text(s.get(), 2), sqlite3_column_int(s.get(), 5),
                            sqlite3_column_int(s.get(), 6), sqlite3_column_int(s.get(), 3) != 0});
    if (rc != SQLITE_DONE) {
        *error = lastError(db);
        return false;
    }
    return true;
}

// An index as the checks compare it: "table(column collation order, ...)", lower case, with
// "partial" or "unique" added; an expression column reads "<expression>".
QString indexShape(sqlite3* db, const QString& name, const QString& table, QString* error)
{
    bool unique = false, partial = false, found = false;
    {
        const QByteArray sql = "PRAGMA index_list(\"" + QString(table).replace('"', "\"\"").toUtf8() + "\")";
        Statement s = prepare(db, sql.constData());
        if (!s) {
            *error = lastError(db);
            return QString();
        }
        while (sqlite3_step(s.get()) == SQLITE_ROW)
            if (text(s.get(), 1).compare(name, Qt::CaseInsensitive) == 0) {
                found = true;
                unique = sqlite3_column_int(s.get(), 2) != 0;
                partial = sqlite3_column_int(s.get(), 4) != 0;
            }
    }
    QStringList columns;
    const QByteArray sql = "PRAGMA index_xinfo(\"" + QString(name).replace('"', "\"\"").toUtf8() + "\")";
    Statement s = prepare(db, sql.constData());
    if (!s) {
        *error = lastError(db);
        return QString();
    }
    while (sqlite3_step(s.get()) == SQLITE_ROW) {
        if (sqlite3_column_int(s.get(), 5) == 0) // the row id the index carries
            continue;
        const int cid = sqlite3_column_int(s.get(), 1);
        columns << (cid < 0 ? QStringLiteral("<expression>") : text(s.get(), 2)) + ' ' + text(s.get(), 4) + ' '
                + QString::number(sqlite3_column_int(s.get(), 3));
    }
    QString shape = table + '(' + columns.join(QLatin1String(", ")) + ')';
    if (!found || unique)
        shape += QLatin1String(" unique");
    if (partial)
        shape += QLatin1String(" partial");
    return shape.toLower();
}

Connection open(const QString& path, int flags, QString* error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, nullptr);
    Connection db(raw, sqlite3_close);
    if (rc != SQLITE_OK) {
        *error = raw ? lastError(raw) : QStringLiteral("out of memory");
        return Connection(nullptr, sqlite3_close);
    }
    DatabaseCheck::harden(raw);
    return db;
}

// The program's own indexes: lower-case name -> shape (indexShape).
QHash<QString, QString> readSchemaIndexes()
{
    QHash<QString, QString> indexes;
    QString error;
    Connection db = open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, &error);
    if (!db || sqlite3_exec(db.get(), MainSchema::Sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return indexes;
    Statement s = prepare(db.get(),
                          "SELECT name, tbl_name FROM sqlite_schema WHERE type = 'index' AND sql IS NOT NULL");
    QList<QPair<QString, QString>> names;
    while (s && sqlite3_step(s.get()) == SQLITE_ROW)
        names.append({text(s.get(), 0), text(s.get(), 1)});
    for (const auto& [name, table] : names)
        indexes.insert(name.toLower(), indexShape(db.get(), name, table, &error));
    return indexes;
}

const QHash<QString, QString>& schemaIndexes()
{
    static const QHash<QString, QString> indexes = readSchemaIndexes();
    return indexes;
}

QVector<DatabaseCheck::Table> readSchema()
{
    QVector<DatabaseCheck::Table> tables;
    QString error;
    Connection db = open(QStringLiteral(":memory:"), SQLITE_OPEN_READWRITE | SQLITE_OPEN_MEMORY, &error);
    if (!db || sqlite3_exec(db.get(), MainSchema::Sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        return tables;
    Statement s = prepare(db.get(),
                          "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
                          "ESCAPE '\\' ORDER BY rowid");
    QStringList names;
    while (s && sqlite3_step(s.get()) == SQLITE_ROW)
        names << text(s.get(), 0);
    for (const QString& name : names) {
        QVector<Column> columns;
        if (!readColumns(db.get(), name, &columns, &error))
            return {};
        DatabaseCheck::Table t{name, {}, {}, -1};
        for (const Column& c : columns) {
            if (c.primaryKey)
                t.primaryKeyColumn = int(t.columns.size());
            t.columns << c.name;
            t.types << c.type;
        }
        tables << t;
    }
    return tables;
}

bool refuse(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// Every subject's texts as registration would take them: no character XML forbids, names,
// class and group no longer than both engines index. The first row that fails is named.
bool checkSubjects(sqlite3* db, QString* error)
{
    static const char* const columns[] = {"Code", "FName", "LName", "Jens", "Sen", "Tahsil", "Group", "Date", "Time"};
    Statement s = prepare(db,
                          "SELECT \"Code\", \"FName\", \"LName\", \"Jens\", \"Sen\", \"Tahsil\", \"Group\", "
                          "\"Date\", \"Time\" FROM \"IDE\" ORDER BY rowid");
    if (!s)
        return refuse(error, lastError(db));
    int rc;
    while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
        for (int c = 0; c < 9; ++c) {
            const QString why = SubjectText::problem(QLatin1String(columns[c]), text(s.get(), c));
            if (!why.isEmpty())
                return refuse(error,
                              QStringLiteral("The subject with code %1: %2").arg(text(s.get(), 0).left(40), why));
        }
    }
    if (rc != SQLITE_DONE)
        return refuse(error, lastError(db));
    return true;
}
} // namespace

namespace DatabaseCheck {
const QVector<Table>& mainTables()
{
    static const QVector<Table> tables = readSchema();
    return tables;
}

void harden(sqlite3* db)
{
    sqlite3_db_config(db, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

void hardenEveryConnection()
{
    // Registering the same entry point twice is a no-op for SQLite.
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(hardenOnOpen));
}

quint64 hardenedConnectionCount() { return hardened.load(); }

bool validateMainDatabase(const QString& path, QString* error)
{
    QString why;
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return refuse(error, f.errorString());
        // SQLite would take an empty file for an empty database.
        if (f.read(16) != QByteArray("SQLite format 3\0", 16))
            return refuse(error, QStringLiteral("اين فايل پايگاه داده نيست"));
    }
    // Read-only: checking a file never changes it nor rolls back a journal beside it.
    Connection db = open(path, SQLITE_OPEN_READONLY, &why);
    if (!db)
        return refuse(error, why);
    if (sqlite3_exec(db.get(), "PRAGMA trusted_schema=OFF", nullptr, nullptr, nullptr) != SQLITE_OK)
        return refuse(error, lastError(db.get()));

    const QVector<Table>& expected = mainTables();
    if (expected.isEmpty())
        return refuse(error, QStringLiteral("ساختار پايگاه داده برنامه خوانده نشد"));
    QSet<QString> known;
    for (const Table& t : expected)
        known.insert(t.name.toLower());

    QSet<QString> present;
    QList<QPair<QString, QString>> indexes;
    {
        Statement s = prepare(db.get(), "SELECT type, name, tbl_name, sql FROM sqlite_schema");
        if (!s)
            return refuse(error, lastError(db.get()));
        int rc;
        while ((rc = sqlite3_step(s.get())) == SQLITE_ROW) {
            const QString type = text(s.get(), 0), name = text(s.get(), 1), table = text(s.get(), 2).toLower();
            const QString sql = text(s.get(), 3).simplified().toUpper();
            const bool internal = name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive);
            if (type == QLatin1String("trigger"))
                return refuse(error, QStringLiteral("فايل يک تريگر دارد: %1").arg(name));
            if (type == QLatin1String("view"))
                return refuse(error, QStringLiteral("فايل يک نما (view) دارد: %1").arg(name));
            if (type == QLatin1String("table")) {
                if (sql.startsWith(QLatin1String("CREATE VIRTUAL")))
                    return refuse(error, QStringLiteral("فايل يک جدول مجازي دارد: %1").arg(name));
                if (internal) {
                    static const QSet<QString> allowed{"sqlite_sequence", "sqlite_stat1", "sqlite_stat4"};
                    if (!allowed.contains(name.toLower()))
                        return refuse(error, QStringLiteral("فايل جدولي ناشناخته دارد: %1").arg(name));
                    continue;
                }
                if (!known.contains(table))
                    return refuse(error, QStringLiteral("فايل جدولي ناشناخته دارد: %1").arg(name));
                // Constraints the program's tables never have would make its writes fail.
                if (sql.contains(QLatin1String("CHECK")) || sql.contains(QLatin1String("REFERENCES")))
                    return refuse(error, QStringLiteral("جدول %1 قيدهايي دارد که برنامه ندارد").arg(name));
                present.insert(table);
            } else if (type == QLatin1String("index")) {
                if (!internal && !known.contains(table))
                    return refuse(error, QStringLiteral("فايل روي جدولي ناشناخته نمايه دارد: %1").arg(name));
                // Only the program's own indexes: one on an expression would run that
                // expression at every write.
                if (!internal)
                    indexes.append({name, table});
            } else {
                return refuse(error, QStringLiteral("فايل شيئي ناشناخته دارد: %1").arg(name));
            }
        }
        if (rc != SQLITE_DONE)
            return refuse(error, lastError(db.get()));
    }

    for (const Table& t : expected) {
        if (!present.contains(t.name.toLower()))
            return refuse(error, QStringLiteral("جدول %1 در فايل نيست").arg(t.name));
        QVector<Column> columns;
        if (!readColumns(db.get(), t.name, &columns, &why))
            return refuse(error, why);
        bool same = columns.size() == t.columns.size();
        for (int i = 0; same && i < columns.size(); ++i) {
            const Column& c = columns[i];
            same = c.hidden == 0 && !c.notNull && c.name.compare(t.columns[i], Qt::CaseInsensitive) == 0
                && c.type.compare(t.types[i], Qt::CaseInsensitive) == 0
                && (c.primaryKey != 0) == (i == t.primaryKeyColumn);
        }
        if (!same)
            return refuse(error, QStringLiteral("جدول %1 ستون هاي برنامه را ندارد").arg(t.name));
    }
    for (const auto& [name, table] : indexes) {
        const QString shape = indexShape(db.get(), name, table, &why);
        if (shape.isEmpty())
            return refuse(error, why);
        const auto own = schemaIndexes().constFind(name.toLower());
        if (own == schemaIndexes().constEnd() || *own != shape)
            return refuse(error, QStringLiteral("The file holds an index the program does not create: %1").arg(name));
    }
    // The integrity check comes after the schema's: it evaluates every index, so an index
    // the program does not create must be refused before it runs.
    QStringList problems;
    {
        Statement s = prepare(db.get(), "PRAGMA integrity_check");
        if (!s)
            return refuse(error, lastError(db.get()));
        int rc;
        while ((rc = sqlite3_step(s.get())) == SQLITE_ROW)
            problems << text(s.get(), 0);
        if (rc != SQLITE_DONE)
            return refuse(error, lastError(db.get()));
    }
    if (problems != QStringList{QStringLiteral("ok")})
        return refuse(error, problems.join(QStringLiteral("; ")));
    return checkSubjects(db.get(), error);
}
} // namespace DatabaseCheck
