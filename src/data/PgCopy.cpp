#include "data/PgCopy.h"

#include "data/Database.h"
#include "data/DatabaseTexts.h"

#include <QSqlDriver>
#include <QVariant>

#include <libpq-fe.h>

namespace {
PGconn* handleOf(const QSqlDatabase& db)
{
    return db.isOpen() ? static_cast<PGconn*>(Database::serverHandle(db)) : nullptr;
}

bool fail(PGconn* conn, QString* error, const QString& fallback = QString(), const QSqlDatabase& db = {})
{
    if (error && ServerWait::gaveUp(db)) {
        *error = QString::fromUtf8(DatabaseText::ServerSilent);
        return false;
    }
    if (error) {
        const QString text = conn ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : QString();
        *error = text.isEmpty() ? fallback : text;
    }
    return false;
}

// Drains whatever results a finished COPY left, true when the last one was a success.
bool finish(PGconn* conn, QString* error)
{
    bool ok = true;
    while (PGresult* res = PQgetResult(conn)) {
        if (PQresultStatus(res) != PGRES_COMMAND_OK && PQresultStatus(res) != PGRES_COPY_OUT) {
            if (ok && error)
                *error = QString::fromUtf8(PQresultErrorMessage(res)).trimmed();
            ok = false;
        }
        PQclear(res);
    }
    return ok;
}

// Sends a COPY statement; true when the server is ready to stream in the expected direction.
bool startCopy(PGconn* conn, const QString& sql, ExecStatusType expected, QString* error)
{
    PGresult* res = PQexec(conn, sql.toUtf8().constData());
    const bool started = res && PQresultStatus(res) == expected;
    if (!started && error)
        *error = QString::fromUtf8(res ? PQresultErrorMessage(res) : PQerrorMessage(conn)).trimmed();
    PQclear(res);
    if (!started)
        finish(conn, nullptr);
    return started;
}

void decodeField(const char* begin, const char* end, QByteArray* out)
{
    if (end - begin == 2 && begin[0] == '\\' && begin[1] == 'N') {
        *out = QByteArray();
        return;
    }
    out->resize(0);
    if (out->isNull())
        *out = QByteArray("");
    out->reserve(int(end - begin));
    for (const char* p = begin; p < end; ++p) {
        if (*p != '\\' || p + 1 >= end) {
            out->append(*p);
            continue;
        }
        const char c = *++p;
        switch (c) {
        case 'b': out->append('\b'); break;
        case 'f': out->append('\f'); break;
        case 'n': out->append('\n'); break;
        case 'r': out->append('\r'); break;
        case 't': out->append('\t'); break;
        case 'v': out->append('\v'); break;
        default:
            if (c >= '0' && c <= '7') {
                int v = c - '0';
                for (int k = 0; k < 2 && p + 1 < end && p[1] >= '0' && p[1] <= '7'; ++k)
                    v = v * 8 + (*++p - '0');
                out->append(char(v));
            } else {
                out->append(c);
            }
        }
    }
}

void encodeField(const QByteArray& field, QByteArray* line)
{
    if (field.isNull()) {
        line->append("\\N");
        return;
    }
    for (const char c : field) {
        switch (c) {
        case '\\': line->append("\\\\"); break;
        case '\t': line->append("\\t"); break;
        case '\n': line->append("\\n"); break;
        case '\r': line->append("\\r"); break;
        default: line->append(c);
        }
    }
}
} // namespace

namespace PgCopy {
Reader::Reader() = default;

Reader::~Reader() { close(); }

bool Reader::start(const QSqlDatabase& db, const QString& query, QString* error)
{
    close();
    m_db = db;
    m_failed = false;
    m_ended = false;
    m_error.clear();
    PGconn* conn = handleOf(db);
    if (!conn)
        return fail(nullptr, error, QStringLiteral("اتصال به سرور برقرار نيست"));
    m_wait = std::make_unique<ServerWait>(db);
    if (!startCopy(conn, "COPY (" + query + ") TO STDOUT", PGRES_COPY_OUT, error)) {
        m_wait.reset();
        return fail(conn, ServerWait::gaveUp(db) ? error : nullptr, QString(), db);
    }
    m_conn = conn;
    return true;
}

bool Reader::next()
{
    auto* conn = static_cast<PGconn*>(m_conn);
    if (!conn || m_ended)
        return false;
    char* buffer = nullptr;
    const int n = PQgetCopyData(conn, &buffer, 0);
    if (n < 0) {
        m_ended = true;
        if (n != -1) { // -1 is the end of the rows
            m_failed = true;
            fail(conn, &m_error, QString(), m_db);
        }
        return false;
    }
    m_wait->progress();
    const char* end = buffer + n;
    if (end > buffer && end[-1] == '\n')
        --end;
    int fields = 0;
    const char* start = buffer;
    for (const char* p = buffer;; ++p) {
        if (p == end || *p == '\t') {
            if (m_row.size() <= fields)
                m_row.resize(fields + 1);
            decodeField(start, p, &m_row[fields]);
            ++fields;
            start = p + 1;
            if (p == end)
                break;
        }
    }
    m_row.resize(fields);
    PQfreemem(buffer);
    return true;
}

bool Reader::close(QString* error)
{
    auto* conn = static_cast<PGconn*>(m_conn);
    if (!conn)
        return !m_failed;
    // The rest of a copy left early is read and dropped: the server sends it all regardless.
    while (!m_ended) {
        char* buffer = nullptr;
        const int n = PQgetCopyData(conn, &buffer, 0);
        if (n < 0) {
            m_ended = true;
            if (n != -1) {
                m_failed = true;
                fail(conn, &m_error, QString(), m_db);
            }
        } else {
            PQfreemem(buffer);
            m_wait->progress();
        }
    }
    bool ok = false;
    if (m_failed)
        finish(conn, nullptr);
    else
        ok = finish(conn, &m_error) || fail(conn, ServerWait::gaveUp(m_db) ? &m_error : nullptr, QString(), m_db);
    m_failed = !ok;
    m_conn = nullptr;
    m_wait.reset();
    if (!ok && error)
        *error = m_error;
    return ok;
}

bool read(const QSqlDatabase& db, const QString& query, const std::function<bool(const Row&)>& onRow, QString* error)
{
    Reader reader;
    if (!reader.start(db, query, error))
        return false;
    bool stopped = false;
    while (!stopped && reader.next())
        stopped = !onRow(reader.row());
    const bool ok = reader.close(error);
    if (stopped) {
        if (error && error->isEmpty())
            *error = QStringLiteral("خواندن از سرور متوقف شد");
        return false;
    }
    return ok;
}

bool write(const QSqlDatabase& db, const QString& table, const QStringList& columns,
           const std::function<bool(Row*)>& next, QString* error)
{
    PGconn* conn = handleOf(db);
    if (!conn)
        return fail(nullptr, error, QStringLiteral("اتصال به سرور برقرار نيست"));
    QStringList quotedColumns;
    for (const QString& c : columns)
        quotedColumns << Database::quoted(c);
    const QString sql = "COPY " + Database::quoted(table) + " (" + quotedColumns.join(", ") + ") FROM STDIN";
    ServerWait wait(db);
    if (!startCopy(conn, sql, PGRES_COPY_IN, error))
        return fail(conn, ServerWait::gaveUp(db) ? error : nullptr, QString(), db);
    QByteArray buffer;
    buffer.reserve(1 << 20);
    Row row;
    auto send = [&]() {
        if (buffer.isEmpty())
            return true;
        const bool sent = PQputCopyData(conn, buffer.constData(), buffer.size()) == 1;
        buffer.clear();
        wait.progress();
        return sent;
    };
    bool ok = true;
    QString why;
    while (ok && next(&row)) {
        if (row.size() != columns.size()) {
            ok = false;
            why = QStringLiteral("A row of %1 has %2 fields, not %3").arg(table).arg(row.size()).arg(columns.size());
            break;
        }
        for (int i = 0; i < row.size(); ++i) {
            if (i > 0)
                buffer.append('\t');
            encodeField(row[i], &buffer);
        }
        buffer.append('\n');
        if (buffer.size() > (1 << 20) - 65536 && !send())
            ok = false;
    }
    if (ok && !send())
        ok = false;
    if (!ok) {
        // Aborting the COPY makes the server discard every row of it.
        PQputCopyEnd(conn, "aborted by the program");
        finish(conn, nullptr);
        if (error)
            *error = why.isEmpty() ? QString::fromUtf8(PQerrorMessage(conn)).trimmed() : why;
        return fail(conn, why.isEmpty() ? error : nullptr, QString(), db);
    }
    if (PQputCopyEnd(conn, nullptr) != 1)
        return fail(conn, error, QString(), db);
    return finish(conn, error) || fail(conn, ServerWait::gaveUp(db) ? error : nullptr, QString(), db);
}
} // namespace PgCopy
