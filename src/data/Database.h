#pragma once
#include "data/ServerUrl.h"
#include "data/ServerWait.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

// The two databases of the program folder. The settings database is always the SQLite file
// Theme.skn of the seat; the main database is the SQLite file meravelDB.mdb, or the tables of a
// PostgreSQL server when the folder's database.conf (or the companion tool's --database) names
// one, so that several seats share one registry. Each database has one connection per thread,
// shared by every record set on it; a write that belongs together runs inside one
// Transaction on that connection.
enum class DbFile { Main, Settings };
enum class Engine { SQLite, PostgreSQL };

// Where a main database lives: a SQLite file or a server.
struct DbLocation {
    Engine engine = Engine::SQLite;
    QString path; // the SQLite file
    ServerUrl server; // the server
    QString problem; // why the configured location cannot be used (set instead of the above)

    // A file path or a postgresql:// address (db copy's --from and --to).
    static DbLocation fromText(const QString& text);
    bool isServer() const { return engine == Engine::PostgreSQL; }
    QString display() const; // the file, or host:port/dbname
};

namespace Database {
// The SQLite file of the current program folder (for the main database, the file used when
// no server is configured).
QString pathOf(DbFile file);

// The file in the program folder that names the server: database.conf.
QString configFile();
// The companion tool's --database: the main database of this process is this address
// instead of the folder's choice; empty returns to the folder's choice.
void setMainOverride(const QString& url);
// The main database's location: the override, else database.conf, else the SQLite file.
DbLocation mainLocation();
bool mainIsServer();

// The open connection, opened on first use. A missing SQLite file is never created: the
// result is then not open and *error names the missing file. A server that cannot be reached,
// refuses the login or lacks the program's tables gives a Persian message naming the server
// and the reason; the local file is never used instead.
QSqlDatabase connection(DbFile file, QString* error = nullptr);
// A condition on the main database that a column holds one of the texts ("\"Code\" IN ..."),
// with one placeholder for *bound, which holds the whole list: for a set of values too large
// to bind one by one. An empty list matches nothing.
QString listCondition(const QString& column, const QStringList& texts, QVariant* bound);

// A connection of its own to a location, under the given connection name (db copy, backups
// of a server). A SQLite file is created only when create is set. The caller closes it and
// removes the name (ScopedConnection does both).
QSqlDatabase openLocation(const DbLocation& location, const QString& name, QString* error, bool create = false);

// Closes every connection this thread holds (before the backup window copies the file,
// or when a test lays out a new program folder).
void closeAll();

// The program's tables of the main database: IDE, S1 to S4, type1, in that order.
const QStringList& programTables();

// Engine-neutral helpers. Identifiers are written as stored ("Group", "Code"), quoted, so
// that both engines read them the same way.
bool isServer(const QSqlDatabase& db);
QString quoted(const QString& identifier);
// The stored name of a table, found without regard to case; empty when there is none.
QString findTable(const QSqlDatabase& db, const QString& name);
// Every column of a table in order (with rid), as stored.
QStringList columnsOf(const QSqlDatabase& db, const QString& table);
// Serialises the writes that concern one subject code across seats, until the transaction
// that is open on db ends. On SQLite it takes the file's write lock at once (waiting out the
// busy time-out; then the Persian DatabaseText::FileBusy), before the transaction reads.
bool lockSubjectForWrite(const QSqlDatabase& db, const QString& code, QString* error = nullptr);
// libpq's connection (PGconn*) behind a server connection; nullptr for a file.
void* serverHandle(const QSqlDatabase& db);
// A write refused because the subject code is registered already (the server's unique code).
bool isDuplicateCode(const QSqlError& error);
} // namespace Database

// Closes and forgets a connection made by Database::openLocation.
class ScopedConnection {
public:
    ScopedConnection(const DbLocation& location, QString* error, bool create = false);
    ~ScopedConnection();
    ScopedConnection(const ScopedConnection&) = delete;
    ScopedConnection& operator=(const ScopedConnection&) = delete;
    QSqlDatabase& db() { return m_db; }
    bool isOpen() const { return m_db.isOpen(); }

private:
    QString m_name;
    QSqlDatabase m_db;
};

// Keeps a subject's test to one seat at a time: on a server, an advisory lock of the seat's
// connection, held while the test window is open; a seat that crashes or loses its
// connection lets go of it at once. A single-seat file has no other seat.
class SubjectHold {
public:
    enum class Outcome { Held, HeldElsewhere, Failed };
    SubjectHold() = default;
    ~SubjectHold() { release(); }
    SubjectHold(const SubjectHold&) = delete;
    SubjectHold& operator=(const SubjectHold&) = delete;

    Outcome acquire(const QString& code, QString* error = nullptr);
    void release();
    // The lock's two keys, for "pg_advisory_lock(k1, k2)" with the code bound to k2's text.
    static constexpr const char* LockArguments = "2, hashtext(?)";

private:
    QString m_code;
    bool m_held = false;
};

// All-or-nothing: rolls back unless commit() succeeded.
class Transaction {
public:
    explicit Transaction(DbFile file);
    explicit Transaction(QSqlDatabase db);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    bool isActive() const { return m_active; }
    bool commit(QString* error = nullptr);

private:
    QSqlDatabase m_db;
    bool m_active = false;
    ServerWait m_wait{m_db};
};
