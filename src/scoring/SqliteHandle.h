#pragma once
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

// The SQLite handle under a Qt connection, or nullptr for another driver. The exports read
// their rows straight from SQLite statements: with 100,000 subjects the per-value
// conversions of a QSqlQuery cost several times the query itself.
inline sqlite3* sqliteHandle(const QSqlDatabase& db)
{
    const QVariant v = db.driver()->handle();
    if (v.isValid() && qstrcmp(v.typeName(), "sqlite3*") == 0)
        return *static_cast<sqlite3* const*>(v.data());
    return nullptr;
}
