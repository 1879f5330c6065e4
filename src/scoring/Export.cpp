#include "scoring/Export.h"

#include "data/Database.h"
#include "scoring/Scoring.h"

#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <memory>
#include <vector>

namespace Scoring {

QStringList exportHeader()
{
    QStringList h{"Code", "FName", "LName", "Jens", "Sen", "Tahsil", "Group", "Date", "Time",
                  "V", "J", "H", "A", "M", "GH"};
    static const char* const types[TypeCount] = {"v", "j", "h", "a", "m", "g"};
    for (const char* prefix : {"rank_", "weight_", "adjusted_"})
        for (const char* t : types)
            h << QString::fromLatin1(prefix) + QLatin1String(t);
    h << "code1" << "code2" << "code3"
      << "math" << "experimental" << "humanities" << "services" << "industry" << "agriculture";
    return h;
}

QString csvField(const QString& text)
{
    bool quote = false;
    for (const QChar c : text)
        if (c == ',' || c == '"' || c == '\r' || c == '\n') {
            quote = true;
            break;
        }
    if (!quote)
        return text;
    QString q = text;
    q.replace('"', QLatin1String("\"\""));
    return '"' + q + '"';
}

namespace {
// The whole result of a subject depends only on the order of its six totals and their ties
// (ranks, code, leading type and all that follows from them), never on the values. There
// are 4683 such orderings, so the result columns are computed once per ordering and reused.
// The key holds each type's dense rank (0 = lowest distinct total) as a base-6 digit.
int orderingKey(const Totals& totals)
{
    Totals distinct = totals;
    std::sort(distinct.begin(), distinct.end());
    const auto end = std::unique(distinct.begin(), distinct.end());
    int key = 0;
    for (int t = 0; t < TypeCount; ++t)
        key = key * TypeCount + int(std::lower_bound(distinct.begin(), end, totals[t]) - distinct.begin());
    return key;
}

void appendField(QByteArray& line, const QString& text, bool first = false)
{
    if (!first)
        line += ',';
    line += csvField(text).toUtf8();
}

bool flush(QIODevice* out, QByteArray& buffer, QString* error)
{
    if (buffer.isEmpty())
        return true;
    if (out->write(buffer) != buffer.size()) {
        if (error)
            *error = out->errorString();
        return false;
    }
    buffer.clear();
    return true;
}
} // namespace

namespace {
// One field of a CSV line, quoted in SQL the way csvField() quotes it.
QString sqlCsvField(const QString& column)
{
    return QStringLiteral("CASE WHEN instr(%1, ',') OR instr(%1, '\"') OR instr(%1, char(13)) OR instr(%1, char(10)) "
                          "THEN '\"' || replace(%1, '\"', '\"\"') || '\"' ELSE ifnull(%1, '') END")
        .arg(column);
}

// The subjects' columns already joined into their part of the CSV line by SQLite, and the
// six totals joined by a unit separator: two values a row instead of twenty-one keep the
// per-value conversions of the SQL driver off the export's time with 100,000 subjects.
QString exportQuery()
{
    static const QStringList subject{"Code", "FName", "LName", "Jens", "Sen", "Tahsil", "\"Group\"", "\"Date\"",
                                     "\"Time\"", "V", "J", "H", "A", "M", "GH"};
    QStringList fields, totals;
    for (const QString& c : subject)
        fields << sqlCsvField(c);
    for (const QString& c : subject.mid(subject.size() - TypeCount))
        totals << QStringLiteral("ifnull(%1, '')").arg(c);
    return QStringLiteral("SELECT ") + fields.join(QStringLiteral(" || ',' || ")) + QStringLiteral(", ")
        + totals.join(QStringLiteral(" || char(31) || ")) + QStringLiteral(" FROM IDE ORDER BY rid");
}
} // namespace

bool exportCsv(QIODevice* out, QString* error)
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(exportQuery())) {
        if (error)
            *error = q.lastError().text();
        return false;
    }

    QByteArray buffer;
    buffer.reserve(1 << 20);
    buffer += "\xEF\xBB\xBF";
    const QStringList header = exportHeader();
    for (int i = 0; i < header.size(); ++i)
        appendField(buffer, header[i], i == 0);
    buffer += "\r\n";

    constexpr int resultColumns = 3 * TypeCount + 3 + TypeCount;
    constexpr int orderings = TypeCount * TypeCount * TypeCount * TypeCount * TypeCount * TypeCount;
    std::vector<QByteArray> resultByOrdering(orderings);
    SixTexts raw;
    while (q.next()) {
        buffer += q.value(0).toString().toUtf8();
        const QString totalsText = q.value(1).toString();
        const QList<QStringView> parts = QStringView(totalsText).split(QChar(31));
        std::optional<Totals> totals;
        if (parts.size() == TypeCount) {
            for (int t = 0; t < TypeCount; ++t)
                raw[t] = parts[t].toString();
            totals = parseTotals(raw);
        }
        if (totals) {
            QByteArray& columns = resultByOrdering[orderingKey(*totals)];
            if (columns.isNull()) {
                const Result r = score(*totals);
                columns = QByteArray(""); // not null: computed
                for (const SixTexts* six : {&r.rankTexts, &r.weightTexts, &r.adjustedTexts})
                    for (const QString& text : *six)
                        appendField(columns, text);
                for (const QString& text : r.codeTexts)
                    appendField(columns, text);
                for (const QString& text : r.streamTexts)
                    appendField(columns, text);
            }
            buffer += columns;
        } else {
            buffer.append(resultColumns, ',');
        }
        buffer += "\r\n";
        if (buffer.size() > (1 << 20) - 4096 && !flush(out, buffer, error))
            return false;
    }
    if (q.lastError().isValid()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return flush(out, buffer, error);
}

} // namespace Scoring
