#include "data/SubjectReader.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/PgCopy.h"
#include "data/SqliteHandle.h"

#include <QSqlError>

#include <optional>

namespace SubjectReader {

QString where(const Filter& filter)
{
    return filter.condition.isEmpty() ? QString() : QStringLiteral(" WHERE ") + filter.condition;
}

struct Rows::Source {
    enum Kind { File, Copy, Query } kind = File;
    SqliteHandle::Connection own{nullptr, sqlite3_close};
    SqliteHandle::Statement statement{nullptr, sqlite3_finalize};
    PgCopy::Reader copy;
    std::optional<BoundedQuery> query;
    std::vector<QByteArray> values; // the current row of the query
    bool done = false;
};

Rows::Rows() = default;
Rows::~Rows() = default;
Rows::Rows(Rows&&) noexcept = default;
Rows& Rows::operator=(Rows&&) noexcept = default;

bool Rows::open(const QString& table, const QStringList& columns, const Filter& filter, QString* error)
{
    m_source.reset();
    m_error.clear();
    m_texts.assign(size_t(columns.size()), "");
    m_sizes.assign(size_t(columns.size()), 0);
    QStringList names;
    for (const QString& c : columns)
        names << Database::quoted(c);
    const QString sql = QStringLiteral("SELECT ") + names.join(QLatin1String(", ")) + QStringLiteral(" FROM ")
        + Database::quoted(table) + where(filter) + QStringLiteral(" ORDER BY rid");
    auto source = std::make_unique<Source>();

    if (Database::mainIsServer()) {
        QSqlDatabase db = Database::connection(DbFile::Main, error);
        if (!db.isOpen())
            return false;
        if (filter.values.isEmpty()) {
            source->kind = Source::Copy;
            if (!source->copy.start(db, sql, error))
                return false;
        } else {
            source->kind = Source::Query;
            source->values.resize(size_t(columns.size()));
            BoundedQuery& q = source->query.emplace(db);
            q.setForwardOnly(true);
            q.prepare(sql);
            for (const QVariant& v : filter.values)
                q.addBindValue(v);
            if (!q.tryExec(error))
                return false;
        }
        m_source = std::move(source);
        return true;
    }

    source->own = SqliteHandle::openMain(error);
    if (!source->own)
        return false;
    sqlite3* handle = source->own.get();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(statement);
        return false;
    }
    source->statement.reset(statement);
    for (int i = 0; i < filter.values.size(); ++i) {
        const QByteArray v = filter.values.at(i).toString().toUtf8();
        sqlite3_bind_text(statement, i + 1, v.constData(), int(v.size()), SQLITE_TRANSIENT);
    }
    m_source = std::move(source);
    return true;
}

bool Rows::next()
{
    if (!m_source || m_source->done)
        return false;
    Source& s = *m_source;
    const int n = int(m_texts.size());
    switch (s.kind) {
    case Source::File: {
        sqlite3_stmt* statement = s.statement.get();
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW) {
            if (rc != SQLITE_DONE)
                m_error = QString::fromUtf8(sqlite3_errmsg(s.own.get()));
            s.done = true;
            return false;
        }
        for (int c = 0; c < n; ++c) {
            const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            m_texts[size_t(c)] = text ? text : "";
            m_sizes[size_t(c)] = text ? sqlite3_column_bytes(statement, c) : 0;
        }
        return true;
    }
    case Source::Copy: {
        if (!s.copy.next()) {
            s.done = true;
            s.copy.close(&m_error);
            return false;
        }
        const PgCopy::Row& row = s.copy.row();
        for (int c = 0; c < n; ++c) {
            const bool present = c < row.size() && !row[c].isNull();
            m_texts[size_t(c)] = present ? row[c].constData() : "";
            m_sizes[size_t(c)] = present ? int(row[c].size()) : 0;
        }
        return true;
    }
    case Source::Query: {
        BoundedQuery& q = *s.query;
        if (!q.next()) {
            if (q.lastError().isValid())
                m_error = q.errorText();
            s.done = true;
            return false;
        }
        for (int c = 0; c < n; ++c) {
            QByteArray& value = s.values[size_t(c)];
            value = q.value(c).toString().toUtf8();
            m_texts[size_t(c)] = value.constData();
            m_sizes[size_t(c)] = int(value.size());
        }
        return true;
    }
    }
    return false;
}

void Rows::close() { m_source.reset(); }

bool Rows::movable() const { return m_source && m_source->kind != Source::Query; }

bool forEach(const QString& table, const QStringList& columns, const Filter& filter,
             const std::function<bool(const Rows&)>& onRow, QString* error)
{
    Rows rows;
    if (!rows.open(table, columns, filter, error))
        return false;
    while (rows.next())
        if (!onRow(rows))
            return false;
    if (!rows.error().isEmpty()) {
        if (error)
            *error = rows.error();
        return false;
    }
    return true;
}

qint64 count(const Filter& filter, QString* error)
{
    BoundedQuery q(Database::connection(DbFile::Main, error));
    q.prepare(QStringLiteral("SELECT COUNT(*) FROM \"IDE\"") + where(filter));
    for (const QVariant& v : filter.values)
        q.addBindValue(v);
    if (!q.exec() || !q.next()) {
        if (error && error->isEmpty())
            *error = q.errorText();
        return -1;
    }
    return q.value(0).toLongLong();
}

} // namespace SubjectReader
