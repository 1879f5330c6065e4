#pragma once
// Pieces the workbook formats share: the reader's error texts, the cells asked for, and the
// XML helpers of the zip-based formats. Used only by the workbook reader's own files.
#include "records/WorkbookReader.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

namespace Workbook {

extern const QString NotWorkbook;
extern const QString Damaged;

void setError(QString* error, const QString& text);

// The wanted cells by row and column, with the addresses that named them (several
// spellings such as "c3" and "C3" may name one cell).
struct Wanted {
    QMap<int, QMap<int, QStringList>> rows;
    QList<QPair<int, int>> cells;
    int maxRow = 0;

    bool build(const QStringList& addresses, QHash<QString, QString>* values, QString* error)
    {
        for (const QString& a : addresses) {
            int r = 0, c = 0;
            if (!WorkbookReader::parseAddress(a, &r, &c)) {
                setError(error, QStringLiteral("not a cell address: ") + a);
                return false;
            }
            QStringList& names = rows[r][c];
            if (names.isEmpty())
                cells.append({r, c});
            names.append(a);
            maxRow = std::max(maxRow, r);
            values->insert(a, QString());
        }
        return true;
    }
    bool wants(int row, int column) const
    {
        const auto it = rows.constFind(row);
        return it != rows.constEnd() && it->contains(column);
    }
    void assign(int row, int column, const QString& text, QHash<QString, QString>* values) const
    {
        for (const QString& a : rows.value(row).value(column))
            values->insert(a, text);
    }
    // The wanted cells in rows [firstRow, lastRow] and columns [firstCol, lastCol].
    QList<QPair<int, int>> within(qint64 firstRow, qint64 lastRow, qint64 firstCol, qint64 lastCol) const
    {
        QList<QPair<int, int>> hits;
        if (firstRow > maxRow)
            return hits;
        for (auto r = rows.lowerBound(int(std::max<qint64>(firstRow, 0))); r != rows.constEnd() && r.key() <= lastRow; ++r)
            for (auto c = r->lowerBound(int(std::min<qint64>(firstCol, 1 << 30))); c != r->constEnd() && c.key() <= lastCol; ++c)
                hits.append({r.key(), c.key()});
        return hits;
    }
};

// A malformed XML part ends the read with an error, never with partial values.
bool xmlFailed(const QXmlStreamReader& xml, const QString& part, QString* error);
QString attribute(const QXmlStreamReader& xml, QLatin1String localName);

} // namespace Workbook
