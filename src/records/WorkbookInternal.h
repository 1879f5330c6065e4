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

// Whether an XML part declares a document type. A DTD may declare entities that expand a few
// bytes into gigabytes; no workbook part needs one, so any part that carries one is refused.
// Only the prolog is read (up to the first element), in whatever encoding the part declares.
bool carriesDoctype(const QByteArray& data);

// The text a read builds is capped: one cell holds at most WorkbookReader::MaxCellText
// characters (what a spreadsheet cell can hold), the whole read at most MaxWorkbookText.
// Repeated spaces count as the characters they stand for. Once over a cap, nothing more is
// added and the read fails with TooMuchText.
class TextBudget {
public:
    bool append(QString& text, QStringView piece)
    {
        if (!take(text.size(), piece.size()))
            return false;
        text += piece;
        return true;
    }
    bool appendRepeated(QString& text, QChar c, qint64 count)
    {
        if (!take(text.size(), count))
            return false;
        text += QString(int(count), c);
        return true;
    }
    // A value read whole (an attribute, a <v> element) is checked after the fact: its size is
    // bounded by the part's size already.
    bool accept(const QString& value) { return take(0, value.size()); }
    bool exceeded() const { return m_exceeded; }

private:
    bool take(qint64 have, qint64 count)
    {
        if (m_exceeded || count > WorkbookReader::MaxCellText - have
            || count > WorkbookReader::MaxWorkbookText - m_total) {
            m_exceeded = true;
            return false;
        }
        m_total += count;
        return true;
    }
    qint64 m_total = 0;
    bool m_exceeded = false;
};

extern const QString TooMuchText;

// A malformed XML part ends the read with an error, never with partial values.
bool xmlFailed(const QXmlStreamReader& xml, const QString& part, QString* error);
QString attribute(const QXmlStreamReader& xml, QLatin1String localName);

} // namespace Workbook
