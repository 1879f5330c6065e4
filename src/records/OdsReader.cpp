#include "records/OdsReader.h"

namespace Workbook {

namespace {
// Repeat counts are clamped: a sheet is at most about a million rows and 16,384 columns.
qint64 repeatCount(const QXmlStreamReader& xml, QLatin1String name)
{
    bool ok = false;
    const qint64 n = attribute(xml, name).toLongLong(&ok);
    if (!ok || n < 1)
        return 1;
    return std::min<qint64>(n, 1 << 24);
}

// The shown text of a string cell: its paragraphs joined by line breaks, with the
// space, tab and line-break elements expanded. Annotations are not part of the value.
QString odsCellText(QXmlStreamReader& xml, TextBudget& budget)
{
    QString text;
    int depth = 1, paragraphs = 0, annotation = 0;
    while (depth > 0 && !xml.atEnd() && !budget.exceeded()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const auto n = xml.name();
            if (annotation) {
                continue;
            } else if (n == QLatin1String("annotation")) {
                ++annotation;
            } else if (n == QLatin1String("p") || n == QLatin1String("h")) {
                if (depth == 2 && paragraphs++ > 0)
                    budget.appendRepeated(text, '\n', 1);
            } else if (n == QLatin1String("s")) {
                budget.appendRepeated(text, ' ', repeatCount(xml, QLatin1String("c")));
            } else if (n == QLatin1String("tab")) {
                budget.appendRepeated(text, '\t', 1);
            } else if (n == QLatin1String("line-break")) {
                budget.appendRepeated(text, '\n', 1);
            }
        } else if (xml.isEndElement()) {
            --depth;
            if (xml.name() == QLatin1String("annotation") && annotation)
                --annotation;
        } else if (xml.isCharacters() && !annotation && depth > 1) {
            budget.append(text, xml.text());
        }
    }
    return text;
}

QString odsCellValue(QXmlStreamReader& xml, TextBudget& budget)
{
    QString type;
    QString value, dateValue, timeValue, boolValue, stringValue;
    bool hasStringValue = false;
    for (const QXmlStreamAttribute& a : xml.attributes()) {
        const auto n = a.name();
        if (n == QLatin1String("value-type") && (type.isEmpty() || a.prefix() == QLatin1String("office")))
            type = a.value().toString();
        else if (n == QLatin1String("value"))
            value = a.value().toString();
        else if (n == QLatin1String("date-value"))
            dateValue = a.value().toString();
        else if (n == QLatin1String("time-value"))
            timeValue = a.value().toString();
        else if (n == QLatin1String("boolean-value"))
            boolValue = a.value().toString();
        else if (n == QLatin1String("string-value")) {
            stringValue = a.value().toString();
            hasStringValue = true;
        }
    }
    if (type == QLatin1String("float") || type == QLatin1String("percentage") || type == QLatin1String("currency")) {
        xml.skipCurrentElement();
        bool ok = false;
        const double n = value.trimmed().toDouble(&ok);
        return ok ? WorkbookReader::numberText(n) : value;
    }
    if (type == QLatin1String("boolean")) {
        xml.skipCurrentElement();
        return boolValue == QLatin1String("true") ? "TRUE" : "FALSE";
    }
    if (type == QLatin1String("date")) {
        xml.skipCurrentElement();
        return dateValue;
    }
    if (type == QLatin1String("time")) {
        xml.skipCurrentElement();
        return timeValue;
    }
    if (type == QLatin1String("string")) {
        if (hasStringValue) {
            xml.skipCurrentElement();
            budget.accept(stringValue);
            return stringValue;
        }
        return odsCellText(xml, budget);
    }
    xml.skipCurrentElement(); // no value type: an empty cell
    return QString();
}
} // namespace

bool readOdsSheets(const QByteArray& content, QStringList* names, const QString& sheet, const Wanted* wanted,
                   QHash<QString, QString>* values, bool* found, QString* error, TextBudget* budget)
{
    QXmlStreamReader xml(content);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement() || xml.name() != QLatin1String("table"))
            continue;
        const QString name = attribute(xml, QLatin1String("name"));
        if (names)
            names->append(name);
        if (!wanted || name.compare(sheet, Qt::CaseInsensitive) != 0) {
            xml.skipCurrentElement();
            continue;
        }
        *found = true;
        // Rows may stand inside header-row, row-group and rows elements at any depth.
        qint64 row = 0;
        int depth = 1;
        while (depth > 0 && !xml.atEnd()) {
            xml.readNext();
            if (xml.isEndElement()) {
                --depth;
                continue;
            }
            if (!xml.isStartElement())
                continue;
            const auto n = xml.name();
            if (n == QLatin1String("table-row")) {
                const qint64 repeat = repeatCount(xml, QLatin1String("number-rows-repeated"));
                const qint64 first = row + 1;
                row += repeat;
                if (first > wanted->maxRow) {
                    xml.skipCurrentElement();
                    continue;
                }
                const qint64 last = std::min<qint64>(row, std::numeric_limits<int>::max());
                if (wanted->within(first, last, 1, std::numeric_limits<int>::max()).isEmpty()) {
                    xml.skipCurrentElement();
                    continue;
                }
                qint64 column = 0;
                while (xml.readNextStartElement()) {
                    const auto cn = xml.name();
                    if (cn != QLatin1String("table-cell") && cn != QLatin1String("covered-table-cell")) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const qint64 colRepeat = repeatCount(xml, QLatin1String("number-columns-repeated"));
                    const qint64 firstCol = column + 1;
                    column += colRepeat;
                    const QList<QPair<int, int>> hits = wanted->within(first, last, firstCol, column);
                    if (hits.isEmpty()) {
                        xml.skipCurrentElement();
                        continue;
                    }
                    const QString text = odsCellValue(xml, *budget);
                    if (budget->exceeded()) {
                        setError(error, Damaged + ": " + TooMuchText);
                        return false;
                    }
                    for (const auto& h : hits)
                        wanted->assign(h.first, h.second, text, values);
                }
            } else if (n == QLatin1String("table-row-group") || n == QLatin1String("table-header-rows")
                       || n == QLatin1String("table-rows")) {
                ++depth;
            } else {
                xml.skipCurrentElement(); // columns, shapes, nested content
            }
        }
        break;
    }
    return !xmlFailed(xml, "content.xml", error);
}

} // namespace Workbook
