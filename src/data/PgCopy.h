#pragma once
#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <memory>

class ServerWait;

// Bulk reading and writing on a server connection with PostgreSQL's COPY in its text form:
// one round trip for a whole table instead of one per row.
namespace PgCopy {
// One row's fields as UTF-8; a null field is a null QByteArray.
using Row = QVector<QByteArray>;

// "COPY (query) TO STDOUT" read one row at a time, so the caller decides when to take the
// next (the exports turn each row into their format before the next arrives). A copy left
// before its end is drained when the reader is closed or dropped, so the connection serves
// the next statement. The wait for the server is bounded while the copy runs (ServerWait).
class Reader {
public:
    Reader();
    ~Reader();
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    // Sends the COPY; false with the server's reason when it did not start.
    bool start(const QSqlDatabase& db, const QString& query, QString* error);
    // The next row into row(); false at the end or on a failure (then close() says why).
    bool next();
    const Row& row() const { return m_row; }
    // Drains what is left and ends the copy; false with the reason when the copy failed.
    bool close(QString* error = nullptr);

private:
    QSqlDatabase m_db;
    void* m_conn = nullptr;
    std::unique_ptr<ServerWait> m_wait;
    Row m_row;
    bool m_failed = false, m_ended = false;
    QString m_error;
};

// Runs "COPY (query) TO STDOUT" and hands every row to onRow (false stops with an error).
bool read(const QSqlDatabase& db, const QString& query, const std::function<bool(const Row&)>& onRow, QString* error);

// Runs "COPY table (columns) FROM STDIN", asking next() for rows until it returns false.
bool write(const QSqlDatabase& db, const QString& table, const QStringList& columns,
           const std::function<bool(Row*)>& next, QString* error);
} // namespace PgCopy
