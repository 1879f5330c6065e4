#include "scoring/Export.h"

#include "data/Database.h"
#include "scoring/Scoring.h"

#include <QIODevice>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

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

bool exportCsv(QIODevice* out, QString* error)
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return false;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(QStringLiteral("SELECT Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\", "
                               "\"Time\", V, J, H, A, M, GH FROM IDE ORDER BY rid"))) {
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
    SixTexts raw;
    while (q.next()) {
        for (int c = 0; c < 9; ++c)
            appendField(buffer, q.value(c).toString(), c == 0);
        for (int t = 0; t < TypeCount; ++t) {
            raw[t] = q.value(9 + t).toString();
            appendField(buffer, raw[t]);
        }
        if (const auto totals = parseTotals(raw)) {
            const Result r = score(*totals);
            for (const SixTexts* six : {&r.rankTexts, &r.weightTexts, &r.adjustedTexts})
                for (const QString& text : *six)
                    appendField(buffer, text);
            for (const QString& text : r.codeTexts)
                appendField(buffer, text);
            for (const QString& text : r.streamTexts)
                appendField(buffer, text);
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
