#pragma once
#include "data/Database.h"

#include <QString>

// Moving a clinic's main database between a SQLite file and a server, both ways: every row of
// IDE, S1 to S4 and type1, rid included, so that the copy reads row for row as the original.
namespace DbTransfer {
// Copies every row of the program's tables from source into destination, inside the
// transaction the caller holds on destination; the destination's tables must be empty except
// type1, whose rows are replaced. A source on a server should be read inside one
// repeatable-read transaction (snapshot) so that the tables agree with each other.
bool copyRows(const QSqlDatabase& source, const QSqlDatabase& destination, QString* error);

// Empties the program's tables of destination (inside the caller's transaction).
bool clearRows(const QSqlDatabase& destination, QString* error);

// After all rows of a server's tables were replaced (committed): brings the server's planner
// statistics and visibility map up to date, so the look-up window's name lists and grid read
// their indexes at once instead of waiting for the server's own maintenance. Nothing for a
// file; a failure only costs speed and is ignored.
void refreshStatistics(const QSqlDatabase& db);

// Whether destination holds any subject or answer row.
bool holdsSubjects(const QSqlDatabase& destination, QString* error);

// Starts a read-only snapshot of the whole server database on db (no-op for a file).
bool beginSnapshot(const QSqlDatabase& db, QString* error);
void endSnapshot(const QSqlDatabase& db);

// Writes the tables of source (a server, read as one snapshot, or a file) into a new SQLite
// file of today's form at path, replacing what is there only once the file is complete.
bool snapshotToFile(const QSqlDatabase& server, const QString& path, QString* error);

// db copy: source and destination are files or servers. A destination file that does not
// exist is created; an existing destination must hold the program's tables and no subject
// unless replace is set. One transaction on the destination.
enum class Outcome { Done, SourceUnusable, DestinationUnusable, DestinationNotEmpty, Failed };
struct Result {
    Outcome outcome = Outcome::Done;
    QString detail; // English, for the companion tool
    qint64 subjects = 0;
};
Result copy(const DbLocation& from, const DbLocation& to, bool replace);
} // namespace DbTransfer
