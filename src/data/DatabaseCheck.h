#pragma once
#include <QString>
#include <QStringList>
#include <QVector>

struct sqlite3;

// Whether a file may become the program's main database. A restored file is trusted
// afterwards by every window, so it must hold nothing that runs by itself (triggers, views,
// virtual tables), no table the program does not know, and exactly the columns the
// program's own schema gives each table.
namespace DatabaseCheck {
struct Table {
    QString name; // as the schema spells it
    QStringList columns; // in the schema's order
    QStringList types; // the declared type of each column
    int primaryKeyColumn; // index into columns
};

// The tables of the main database as the program's own schema creates them.
const QVector<Table>& mainTables();

// Checks a closed SQLite file: it opens read-only in defensive mode with untrusted schema,
// passes the integrity check, holds no trigger, view or virtual table, no table besides the
// program's own (and SQLite's internal ones), and each table has exactly its columns (names
// compared without regard to case). Indexes on the program's tables are allowed. Returns
// false with a description in *error. The file is never changed.
bool validateMainDatabase(const QString& path, QString* error = nullptr);

// Puts a connection of the SQLite library this program links into defensive mode and
// stops it from trusting functions named in a database's schema.
void harden(sqlite3* db);

// Makes every connection the linked SQLite library opens from now on (including those of
// Qt's SQLite driver when it uses the same library) defensive and schema-distrusting.
// Idempotent. Returns how many connections the library has hardened so far in this
// process, so a caller can tell whether a connection it just opened went through it.
void hardenEveryConnection();
quint64 hardenedConnectionCount();
} // namespace DatabaseCheck
