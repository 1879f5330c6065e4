#pragma once
#include <QHash>
#include <QSqlDatabase>
#include <QString>

class BoundedQuery;

// What the stores share: writing named columns of one subject's row.
namespace StoreColumns {
// Stores the columns (names matched without regard to case against the table's own) into the
// first row with the code in table, on db (a caller's transaction covers it). An unknown
// column, a missing row or a failed write give false and *error.
bool write(const QSqlDatabase& db, const QString& table, const QString& code, const QHash<QString, QString>& columns,
           QString* error);
// *error = the query's error; false.
bool failed(const BoundedQuery& query, QString* error);
} // namespace StoreColumns
