#pragma once
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>
#include <optional>

#include "data/Database.h"

// The rows of one "SELECT * FROM T" query with a current row, as the windows use them.
//
// Snapshot: a record set shows the rows that existed when it was last (re-)read; rows added
// through another record set appear only after requery(). Rows are numbered by their rid,
// so the snapshot is "rid <= the highest rid at the last read"; a row's values are read when
// it first becomes current and kept until the next requery(). Nothing is read at open(),
// so a window can open record sets on tables with 100,000 rows without cost.
//
// Filter: "column='value'" (column names without regard to case); the value is bound as a
// parameter, never pasted into SQL, so a quote in it simply matches no row.
class RecordSet {
public:
    RecordSet() = default;

    // query: "SELECT * FROM Table" with or without a trailing blank.
    bool open(DbFile file, const QString& query, QString* error = nullptr);
    bool isOpen() const { return !m_table.isEmpty(); }
    QString table() const { return m_table; }
    QStringList columns() const { return m_columns; } // without the internal rid

    void requery();                               // drops filter, pending new row and cached values
    bool filter(const QString& expression);       // false if the expression cannot be parsed
    bool filter(const QString& column, const QString& value);
    // The reading of a filter expression "column='value'": false when it has another form.
    static bool parseFilter(const QString& expression, QString* column, QString* value);
    void clearFilter();
    QString filterText() const { return m_filterText; }

    int rowCount();
    bool isEmpty();
    bool hasCurrent() const { return m_curRid >= 0 || m_adding; }
    int position();    // index of the current row, -1 when none
    void moveFirst();
    void moveLast();
    void moveTo(int index);
    bool moveNext();   // false (and no current row) past the end

    // Current row. Unknown columns read as "" and refuse writes.
    QString value(const QString& column);
    bool setValue(const QString& column, const QString& text);

    void addNew();                      // start a new, empty current row (not stored until update())
    bool isAdding() const { return m_adding; }
    bool update(QString* error = nullptr); // store the current row (insert when new)
    bool remove(QString* error = nullptr); // delete the current row
    void cancelUpdate();

    qint64 currentRid() const;

private:
    QString canonicalColumn(const QString& name) const;
    void ensureRows();
    void setCurrent(qint64 rid);
    // One rid chosen by an aggregate ("min(rid)", "max(rid)") over the visible rows, with an
    // optional extra condition on rid; -1 when there is none.
    qint64 pickRid(const char* aggregate, const char* ridCondition = nullptr, qint64 bound = 0);
    QString whereVisible() const;
    const QVector<QString>* currentValues();

    DbFile m_file = DbFile::Main;
    QString m_table;
    QStringList m_columns;
    QString m_filterColumn;
    QString m_filterValue;
    QString m_filterText;
    bool m_filtered = false;

    bool m_rowsRead = false;
    qint64 m_snapshotMaxRid = -1; // taken at (re-)read; -1: not taken yet
    QVector<qint64> m_rids;   // the visible rows, read only when navigation by index needs them
    qint64 m_curRid = -1;
    bool m_invalidFilter = false;

    QHash<qint64, QVector<QString>> m_cache;
    QHash<int, QString> m_pending; // column index -> text, for the current (or new) row
    bool m_adding = false;
};
