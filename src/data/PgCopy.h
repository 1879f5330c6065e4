#pragma once
#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// Bulk reading and writing on a server connection with PostgreSQL's COPY in its text form:
// one round trip for a whole table instead of one per row.
namespace PgCopy {
// One row's fields as UTF-8; a null field is a null QByteArray.
using Row = QVector<QByteArray>;

// Runs "COPY (query) TO STDOUT" and hands every row to onRow (false stops with an error).
bool read(const QSqlDatabase& db, const QString& query, const std::function<bool(const Row&)>& onRow, QString* error);

// Runs "COPY table (columns) FROM STDIN", asking next() for rows until it returns false.
bool write(const QSqlDatabase& db, const QString& table, const QStringList& columns,
           const std::function<bool(Row*)>& next, QString* error);
} // namespace PgCopy
