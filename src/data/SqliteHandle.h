#pragma once
#include <QString>

#include <sqlite3.h>

#include <memory>

// Connections of the program's own to the main database file, opened with the SQLite library
// the program links: SQLite's C interface is never used on the handle of Qt's driver, which
// may belong to another SQLite (Qt builds that carry their own). The readers of every subject
// step their statements on such a connection: with 100,000 subjects the per-value conversions
// of a QSqlQuery cost several times the query itself.
namespace SqliteHandle {
using Connection = std::unique_ptr<sqlite3, int (*)(sqlite3*)>;
using Statement = std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)>;

// A read-only, hardened connection to the main database file with a busy time-out; null with
// *error set when the file is missing or cannot be opened (it is never created).
Connection openMain(QString* error);
} // namespace SqliteHandle
