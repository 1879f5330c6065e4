#include "records/SubjectSearch.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/PersianText.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace SubjectSearch {
namespace {
// What the index was built from; any difference means the table may have changed.
struct Signature {
    QString path;
    qint64 modified = -1, size = -1, rows = -1, maxRid = -1, dataVersion = -1, ownChanges = -1;
    bool operator==(const Signature& o) const
    {
        return path == o.path && modified == o.modified && size == o.size && rows == o.rows && maxRid == o.maxRid
            && dataVersion == o.dataVersion && ownChanges == o.ownChanges;
    }
};

struct Entry {
    Row row;
    QString code, group; // folded
};

struct Index {
    bool built = false;
    Signature signature;
    QVector<Entry> entries;
    QHash<QString, QVector<int>> byFirst, byLast, byCode; // folded value -> entries, in order
};

Index& index()
{
    static Index i;
    return i;
}

qint64 single(QSqlDatabase& db, const QString& sql, int column = 0)
{
    QSqlQuery q(db);
    return q.exec(sql) && q.next() ? q.value(column).toLongLong() : -1;
}

Signature currentSignature(QSqlDatabase& db)
{
    Signature s;
    s.path = Database::pathOf(DbFile::Main);
    const QFileInfo info(s.path);
    s.modified = info.lastModified().toMSecsSinceEpoch();
    s.size = info.size();
    QSqlQuery q(db);
    if (q.exec("SELECT count(*), max(rid) FROM \"IDE\"") && q.next()) {
        s.rows = q.value(0).toLongLong();
        s.maxRid = q.value(1).isNull() ? 0 : q.value(1).toLongLong();
    }
    // Writes by another connection change data_version; writes on this one, total_changes().
    s.dataVersion = single(db, "PRAGMA data_version");
    s.ownChanges = single(db, "SELECT total_changes()");
    return s;
}

bool build(QSqlDatabase& db, const Signature& signature, QString* error)
{
    Index& i = index();
    i = Index();
    BoundedQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec("SELECT \"Code\", \"FName\", \"LName\", \"Group\" FROM \"IDE\" ORDER BY rid")) {
        if (error)
            *error = q.errorText();
        return false;
    }
    while (q.next()) {
        Entry e;
        e.row = {q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()};
        e.code = PersianText::foldName(e.row.code);
        e.group = PersianText::foldName(e.row.group);
        const int n = i.entries.size();
        i.byFirst[PersianText::foldName(e.row.firstName)].append(n);
        i.byLast[PersianText::foldName(e.row.lastName)].append(n);
        i.byCode[e.code].append(n);
        i.entries.append(std::move(e));
    }
    i.signature = signature;
    i.built = true;
    return true;
}

// Runs a prepared search and hands each row on; false (and *error) when it fails.
template <typename Take> bool readRows(BoundedQuery q, QString* error, Take take)
{
    q.setForwardOnly(true);
    if (!q.tryExec(error))
        return false;
    while (q.next())
        take(Row{q.value(0).toString(), q.value(1).toString(), q.value(2).toString(), q.value(3).toString()});
    return true;
}
} // namespace

bool Criteria::isEmpty() const
{
    return code.isEmpty() && firstName.isEmpty() && lastName.isEmpty() && group.isEmpty();
}

void invalidate() { index() = Index(); }

bool needsIndex(const Criteria& criteria)
{
    return !PersianText::foldName(criteria.firstName).isEmpty() || !PersianText::foldName(criteria.lastName).isEmpty();
}

// Without a name to fold, the indexes of the table answer at once (codes are stored in ASCII
// digits, groups are letters); the folded index is neither read nor built.
BoundedQuery codeOrGroupQuery(const Criteria& criteria)
{
    const QString code = PersianText::foldName(criteria.code), group = PersianText::foldName(criteria.group);
    QStringList where;
    if (!code.isEmpty())
        where << "\"Code\" = ?";
    if (!group.isEmpty())
        where << "\"Group\" = ?";
    BoundedQuery q(Database::connection(DbFile::Main));
    q.prepare("SELECT \"Code\", \"FName\", \"LName\", \"Group\" FROM \"IDE\""
              + (where.isEmpty() ? QString() : " WHERE " + where.join(" AND ")) + " ORDER BY rid");
    if (!code.isEmpty())
        q.addBindValue(code);
    if (!group.isEmpty())
        q.addBindValue(group);
    return q;
}

QVector<Row> find(const Criteria& criteria, QString* error)
{
    QVector<Row> rows;
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return rows;
    if (!needsIndex(criteria)) {
        readRows(codeOrGroupQuery(criteria), error, [&rows](Row r) { rows.append(std::move(r)); });
        return rows;
    }
    const QString code = PersianText::foldName(criteria.code);
    const QString first = PersianText::foldName(criteria.firstName);
    const QString last = PersianText::foldName(criteria.lastName);
    const QString group = PersianText::foldName(criteria.group);
    if (Database::isServer(db)) {
        // Other seats change the server's rows at any time, and nothing cheap tells this seat
        // when: every search by name reads the rows (of the given code) afresh and compares
        // them folded.
        Criteria narrowed;
        narrowed.code = criteria.code;
        readRows(codeOrGroupQuery(narrowed), error, [&](Row r) {
            if ((group.isEmpty() || PersianText::foldName(r.group) == group)
                && (first.isEmpty() || PersianText::foldName(r.firstName) == first)
                && (last.isEmpty() || PersianText::foldName(r.lastName) == last))
                rows.append(std::move(r));
        });
        return rows;
    }
    const Signature signature = currentSignature(db);
    Index& i = index();
    if ((!i.built || !(i.signature == signature)) && !build(db, signature, error))
        return rows;
    // The smallest list of candidates a given criterion names, then the other criteria.
    const QVector<int>* candidates = nullptr;
    auto narrow = [&](const QHash<QString, QVector<int>>& by, const QString& key) {
        if (key.isEmpty())
            return true;
        const auto it = by.constFind(key);
        if (it == by.constEnd())
            return false;
        if (!candidates || it->size() < candidates->size())
            candidates = &it.value();
        return true;
    };
    if (!narrow(i.byCode, code) || !narrow(i.byFirst, first) || !narrow(i.byLast, last))
        return rows;
    auto matches = [&](const Entry& e) {
        return (code.isEmpty() || e.code == code) && (group.isEmpty() || e.group == group)
            && (first.isEmpty() || PersianText::foldName(e.row.firstName) == first)
            && (last.isEmpty() || PersianText::foldName(e.row.lastName) == last);
    };
    if (candidates) {
        for (int n : *candidates)
            if (matches(i.entries[n]))
                rows.append(i.entries[n].row);
    } else {
        for (const Entry& e : i.entries)
            if (matches(e))
                rows.append(e.row);
    }
    return rows;
}
} // namespace SubjectSearch
