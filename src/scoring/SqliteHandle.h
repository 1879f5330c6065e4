#pragma once
#include <QString>

#include <sqlite3.h>

#include <memory>

namespace Scoring {
// A read-only connection of the exports' own to the main database, opened with the SQLite
// library the program links: SQLite's C interface is never used on the handle of Qt's driver,
// which may belong to another SQLite (Qt builds that carry their own). The exports read their
// rows straight from its statements: with 100,000 subjects the per-value conversions of a
// QSqlQuery cost several times the query itself.
std::unique_ptr<sqlite3, int (*)(sqlite3*)> openOwnConnection(QString* error);
} // namespace Scoring
