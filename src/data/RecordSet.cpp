#include "data/RecordSet.h"

#include "data/BoundedQuery.h"

#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <algorithm>

namespace {
using Database::quoted;

QString textOf(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString();
}
} // namespace

bool RecordSet::open(DbFile file, const QString& query, QString* error)
{
    static const QRegularExpression selectAll(
        QStringLiteral(R"(^\s*SELECT\s+\*\s+FROM\s+\[?(\w+)\]?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto match = selectAll.match(query);
    if (!match.hasMatch()) {
        if (error)
            *error = QStringLiteral("Unsupported query: %1").arg(query);
        return false;
    }
    QSqlDatabase db = Database::connection(file, error);
    if (!db.isOpen())
        return false;

    const QString wanted = match.captured(1);
    const QString table = Database::findTable(db, wanted);
    if (table.isEmpty()) {
        if (error)
            *error = QStringLiteral("Table not found: %1").arg(wanted);
        return false;
    }
    QStringList columns;
    for (const QString& name : Database::columnsOf(db, table))
        if (name.compare("rid", Qt::CaseInsensitive) != 0)
            columns << name;
    if (columns.isEmpty()) {
        if (error)
            *error = QStringLiteral("Table not found: %1").arg(wanted);
        return false;
    }
    m_file = file;
    m_table = table;
    m_columns = columns;
    requery();
    return true;
}

QString RecordSet::canonicalColumn(const QString& name) const
{
    for (const QString& c : m_columns)
        if (c.compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return QString();
}

void RecordSet::requery()
{
    m_filtered = false;
    m_invalidFilter = false;
    m_filterColumn.clear();
    m_filterValue.clear();
    m_filterText.clear();
    m_rowsRead = false;
    m_rids.clear();
    m_cache.clear();
    m_pending.clear();
    m_adding = false;
    m_snapshotMaxRid = 0;
    m_curRid = -1;
    if (!isOpen())
        return;
    BoundedQuery q(Database::connection(m_file));
    if (q.exec("SELECT coalesce(max(rid), 0) FROM " + quoted(m_table)) && q.next())
        m_snapshotMaxRid = q.value(0).toLongLong();
    moveFirst();
}

QString RecordSet::whereVisible() const
{
    QString where = " WHERE rid <= ?";
    if (m_filtered && !m_invalidFilter)
        where += " AND " + quoted(m_filterColumn) + " = ?";
    return where;
}

qint64 RecordSet::pickRid(const char* aggregate, const char* ridCondition, qint64 bound)
{
    if (!isOpen() || m_invalidFilter)
        return -1;
    BoundedQuery q(Database::connection(m_file));
    QString sql = QStringLiteral("SELECT %1 FROM ").arg(QLatin1String(aggregate)) + quoted(m_table) + whereVisible();
    if (ridCondition)
        sql += QStringLiteral(" AND rid %1 ?").arg(QLatin1String(ridCondition));
    q.prepare(sql);
    q.addBindValue(m_snapshotMaxRid);
    if (m_filtered)
        q.addBindValue(m_filterValue);
    if (ridCondition)
        q.addBindValue(bound);
    if (!q.exec() || !q.next() || q.value(0).isNull())
        return -1;
    return q.value(0).toLongLong();
}

void RecordSet::ensureRows()
{
    // Only navigation by index needs every visible row number; values are read per row.
    if (m_rowsRead || !isOpen())
        return;
    m_rowsRead = true;
    m_rids.clear();
    if (m_invalidFilter)
        return;
    BoundedQuery q(Database::connection(m_file));
    q.setForwardOnly(true);
    q.prepare("SELECT rid FROM " + quoted(m_table) + whereVisible() + " ORDER BY rid");
    q.addBindValue(m_snapshotMaxRid);
    if (m_filtered)
        q.addBindValue(m_filterValue);
    if (!q.exec())
        return;
    while (q.next())
        m_rids.append(q.value(0).toLongLong());
}

void RecordSet::setCurrent(qint64 rid)
{
    m_pending.clear();
    m_adding = false;
    m_curRid = rid;
}

bool RecordSet::parseFilter(const QString& expression, QString* column, QString* value)
{
    // column='value' (the value may itself hold quotes; the closing quote is the last one)
    static const QRegularExpression form(QStringLiteral(R"(^\s*\[?(\w+)\]?\s*=\s*'(.*)'\s*$)"),
                                         QRegularExpression::DotMatchesEverythingOption);
    const auto m = form.match(expression);
    if (!m.hasMatch())
        return false;
    *column = m.captured(1);
    *value = m.captured(2);
    return true;
}

bool RecordSet::filter(const QString& expression)
{
    QString column, value;
    if (!parseFilter(expression, &column, &value)) {
        // An expression of another form shows no row.
        m_filtered = true;
        m_invalidFilter = true;
        m_filterText = expression;
        m_rowsRead = false;
        setCurrent(-1);
        return false;
    }
    const bool ok = filter(column, value);
    m_filterText = expression;
    return ok;
}

bool RecordSet::filter(const QString& column, const QString& value)
{
    const QString canonical = canonicalColumn(column);
    m_filterText = column + "='" + value + "'";
    m_filtered = true;
    m_invalidFilter = canonical.isEmpty(); // an unknown column matches nothing
    m_filterColumn = canonical;
    m_filterValue = value;
    m_rowsRead = false;
    moveFirst();
    return !m_invalidFilter;
}

void RecordSet::clearFilter()
{
    m_filtered = false;
    m_invalidFilter = false;
    m_filterColumn.clear();
    m_filterText.clear();
    m_rowsRead = false;
    moveFirst();
}

int RecordSet::rowCount()
{
    if (m_rowsRead)
        return m_rids.size();
    if (!isOpen() || m_invalidFilter)
        return 0;
    BoundedQuery q(Database::connection(m_file));
    q.prepare("SELECT count(*) FROM " + quoted(m_table) + whereVisible());
    q.addBindValue(m_snapshotMaxRid);
    if (m_filtered)
        q.addBindValue(m_filterValue);
    return (q.exec() && q.next()) ? q.value(0).toInt() : 0;
}

bool RecordSet::isEmpty()
{
    if (m_rowsRead)
        return m_rids.isEmpty();
    return pickRid("min(rid)") < 0;
}

int RecordSet::position()
{
    if (m_curRid < 0)
        return -1;
    ensureRows();
    return int(std::lower_bound(m_rids.cbegin(), m_rids.cend(), m_curRid) - m_rids.cbegin());
}

void RecordSet::moveFirst()
{
    setCurrent(m_rowsRead ? (m_rids.isEmpty() ? -1 : m_rids.first()) : pickRid("min(rid)"));
}

void RecordSet::moveLast()
{
    setCurrent(m_rowsRead ? (m_rids.isEmpty() ? -1 : m_rids.last()) : pickRid("max(rid)"));
}

void RecordSet::moveTo(int index)
{
    ensureRows();
    setCurrent((index >= 0 && index < m_rids.size()) ? m_rids[index] : -1);
}

bool RecordSet::moveNext()
{
    if (m_curRid < 0)
        return false;
    if (m_rowsRead) {
        const auto it = std::upper_bound(m_rids.cbegin(), m_rids.cend(), m_curRid);
        setCurrent(it == m_rids.cend() ? -1 : *it);
    } else {
        setCurrent(pickRid("min(rid)", ">", m_curRid));
    }
    return m_curRid >= 0;
}

qint64 RecordSet::currentRid() const
{
    return m_adding ? -1 : m_curRid;
}

const QVector<QString>* RecordSet::currentValues()
{
    const qint64 rid = currentRid();
    if (rid < 0)
        return nullptr;
    auto it = m_cache.find(rid);
    if (it == m_cache.end()) {
        QVector<QString> values(m_columns.size());
        BoundedQuery q(Database::connection(m_file));
        q.prepare("SELECT * FROM " + quoted(m_table) + " WHERE rid = ?");
        q.addBindValue(rid);
        if (q.exec() && q.next()) {
            const QSqlRecord rec = q.record();
            for (int i = 0; i < m_columns.size(); ++i)
                values[i] = textOf(q.value(rec.indexOf(m_columns[i])));
        }
        it = m_cache.insert(rid, values);
    }
    return &it.value();
}

QString RecordSet::value(const QString& column)
{
    const int index = m_columns.indexOf(canonicalColumn(column));
    if (index < 0)
        return QString();
    const auto pending = m_pending.constFind(index);
    if (pending != m_pending.constEnd())
        return pending.value();
    if (m_adding)
        return QString();
    const QVector<QString>* values = currentValues();
    return values ? values->at(index) : QString();
}

bool RecordSet::setValue(const QString& column, const QString& text)
{
    const int index = m_columns.indexOf(canonicalColumn(column));
    if (index < 0 || !hasCurrent())
        return false;
    m_pending.insert(index, text);
    return true;
}

void RecordSet::addNew()
{
    m_pending.clear();
    m_adding = true;
}

void RecordSet::cancelUpdate()
{
    m_pending.clear();
    m_adding = false;
}

bool RecordSet::update(QString* error)
{
    if (!isOpen() || !hasCurrent()) {
        if (error)
            *error = QStringLiteral("رديف جاري وجود ندارد.");
        return false;
    }
    QSqlDatabase db = Database::connection(m_file, error);
    if (!db.isOpen())
        return false;
    BoundedQuery q(db);
    QStringList names;
    QList<QString> values;
    for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it) {
        names << quoted(m_columns[it.key()]);
        values << it.value();
    }
    if (m_adding) {
        QString sql;
        if (names.isEmpty()) {
            sql = "INSERT INTO " + quoted(m_table) + " DEFAULT VALUES";
        } else {
            QStringList marks;
            for (int i = 0; i < names.size(); ++i)
                marks << "?";
            sql = "INSERT INTO " + quoted(m_table) + " (" + names.join(',') + ") VALUES (" + marks.join(',') + ")";
        }
        const bool server = Database::isServer(db);
        if (server)
            sql += " RETURNING rid";
        q.prepare(sql);
        for (const QString& v : values)
            q.addBindValue(v);
        if (!q.tryExec(error))
            return false;
        // The new row belongs to this record set's view at once, as the last row.
        const qint64 rid = server ? (q.next() ? q.value(0).toLongLong() : -1) : q.lastInsertId().toLongLong();
        if (m_rowsRead && (!m_filtered || m_invalidFilter))
            m_rids.append(rid);
        else
            m_rowsRead = false;
        m_snapshotMaxRid = qMax(m_snapshotMaxRid, rid);
        setCurrent(rid);
        return true;
    }
    if (names.isEmpty())
        return true;
    QStringList sets;
    for (const QString& n : names)
        sets << n + " = ?";
    q.prepare("UPDATE " + quoted(m_table) + " SET " + sets.join(',') + " WHERE rid = ?");
    for (const QString& v : values)
        q.addBindValue(v);
    const qint64 rid = currentRid();
    q.addBindValue(rid);
    if (!q.tryExec(error))
        return false;
    auto cached = m_cache.find(rid);
    if (cached != m_cache.end())
        for (auto it = m_pending.constBegin(); it != m_pending.constEnd(); ++it)
            (*cached)[it.key()] = it.value();
    m_pending.clear();
    return true;
}

bool RecordSet::remove(QString* error)
{
    const qint64 rid = currentRid();
    if (rid < 0) {
        if (error)
            *error = QStringLiteral("رديف جاري وجود ندارد.");
        return false;
    }
    BoundedQuery q(Database::connection(m_file, error));
    q.prepare("DELETE FROM " + quoted(m_table) + " WHERE rid = ?");
    q.addBindValue(rid);
    if (!q.tryExec(error))
        return false;
    m_cache.remove(rid);
    if (m_rowsRead) {
        // The row list may not hold the deleted row (read before another connection added
        // it): then only the current row moves on.
        const int index = position();
        if (index >= 0 && index < m_rids.size() && m_rids[index] == rid)
            m_rids.removeAt(index);
        setCurrent(index >= 0 && index < m_rids.size() ? m_rids[index] : (m_rids.isEmpty() ? -1 : m_rids.last()));
    } else {
        const qint64 next = pickRid("min(rid)", ">", rid);
        setCurrent(next >= 0 ? next : pickRid("max(rid)"));
    }
    return true;
}
