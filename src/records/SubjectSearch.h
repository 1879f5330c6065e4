#pragma once
#include "data/BoundedQuery.h"

#include <QSqlQuery>
#include <QString>
#include <QVector>

// Finding subjects by code, name and group, as the look-up window and `meravel-cli find` do.
// Every criterion compares folded (PersianText::foldName): "علي" finds "علی", "كريمي" finds
// "کریمی", a zero-width non-joiner or a stray blank makes no difference, a code in Persian
// digits is the code in ASCII digits. Stored names stay as typed.
//
// The folded names live in an index in memory, built from one query over IDE at the first
// search by name and built again when the table has changed since (rows added, changed or
// deleted here or by another program, the file replaced by a restore), so a search costs a
// hash look-up. A search by code or group alone uses the table's own indexes. On a server,
// which other seats change at any time, a search by name reads the rows afresh instead.
namespace SubjectSearch {
struct Criteria {
    QString code, firstName, lastName, group; // empty: any
    bool isEmpty() const;
};

struct Row {
    QString code, firstName, lastName, group; // as stored
};

// The subjects matching every given criterion, in table order; all subjects when no
// criterion is given. On a database error the result is empty and *error says why.
QVector<Row> find(const Criteria& criteria, QString* error = nullptr);

// Whether the criteria name a first or last name (searched through the folded index); without
// one, codeOrGroupQuery() is the whole search, prepared and not yet run, so a window can
// fetch its rows as they scroll into view.
bool needsIndex(const Criteria& criteria);
BoundedQuery codeOrGroupQuery(const Criteria& criteria);

// Drops the index; the next search reads the table again.
void invalidate();
} // namespace SubjectSearch
