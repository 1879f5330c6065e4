#include "scoring/Export.h"

#include "data/Database.h"
#include "data/DatabaseCheck.h"
#include "data/PgCopy.h"
#include "scoring/Interpretation.h"
#include "scoring/InterpretationTexts.h"
#include "scoring/Scoring.h"
#include "scoring/ScoringTexts.h"
#include "scoring/SqliteHandle.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <sqlite3.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace Scoring {

namespace {
QString caption(const char* text) { return QString::fromUtf8(text); }
// A header-band label without its " :" (" :نام" -> "نام").
QString label(const char* text) { return QString::fromUtf8(text).remove(QLatin1String(" :")).trimmed(); }
} // namespace

const QList<ExportColumn>& exportColumns()
{
    static const QList<ExportColumn> columns = [] {
        using namespace ScoringTexts;
        QList<ExportColumn> c{
            {"Code", label(LabelCode), CellKind::Text},      {"FName", label(LabelFirstName), CellKind::Text},
            {"LName", label(LabelLastName), CellKind::Text}, {"Jens", label(LabelSex), CellKind::Text},
            {"Sen", label(LabelAge), CellKind::Whole},       {"Tahsil", label(LabelGrade), CellKind::Text},
            {"Group", caption(ColumnGroup), CellKind::Text}, {"Date", label(LabelDate), CellKind::Text},
            {"Time", caption(ColumnTime), CellKind::Text},
        };
        const auto& types = InterestTypes::Latin;
        for (int t = 0; t < TypeCount; ++t)
            c.append({totalColumns().at(t), typeLetter(t), CellKind::Whole});
        const struct {
            const char* prefix;
            const char* title;
            CellKind kind;
        } rows[] = {{"rank_", Ranks, CellKind::Decimal},
                    {"weight_", Weights, CellKind::Whole},
                    {"adjusted_", Adjusted, CellKind::Decimal}};
        for (const auto& row : rows)
            for (int t = 0; t < TypeCount; ++t)
                c.append({QLatin1String(row.prefix) + QLatin1String(types[t]), caption(row.title) + ' ' + typeLetter(t),
                          row.kind});
        c.append({"code1", caption(CodeFirst), CellKind::Text});
        c.append({"code2", caption(CodeSecond), CellKind::Text});
        c.append({"code3", caption(CodeThird), CellKind::Text});
        c.append({"math", caption(StreamMath), CellKind::Decimal});
        c.append({"experimental", caption(StreamExperimental), CellKind::Decimal});
        c.append({"humanities", caption(StreamHumanities), CellKind::TwoPlaces});
        c.append({"services", caption(StreamServices), CellKind::TwoPlaces});
        c.append({"industry", caption(StreamIndustry), CellKind::TwoPlaces});
        c.append({"agriculture", caption(StreamAgriculture), CellKind::TwoPlaces});
        // The interpretation indices come last; the consistency follows from the ordering of
        // the totals, the differentiation from their values.
        c.append({"consistency", label(InterpretationTexts::ConsistencyLabel).remove(':').trimmed(), CellKind::Text});
        c.append({"differentiation", label(InterpretationTexts::DifferentiationLabel).remove(':').trimmed(),
                  CellKind::Whole});
        return c;
    }();
    return columns;
}

int firstResultColumn() { return 9 + TypeCount; }

QString subjectColumnList()
{
    QStringList names;
    for (int c = 0; c < firstResultColumn(); ++c)
        names << Database::quoted(exportColumns().at(c).name);
    return names.join(QLatin1String(", "));
}

QStringList resultTexts(const Result& r)
{
    QStringList texts;
    for (const SixTexts* six : {&r.rankTexts, &r.weightTexts, &r.adjustedTexts})
        for (const QString& text : *six)
            texts << text;
    for (const QString& text : r.codeTexts)
        texts << text;
    for (const QString& text : r.streamTexts)
        texts << text;
    return texts;
}

QStringList exportHeader()
{
    QStringList h;
    for (const ExportColumn& c : exportColumns())
        h << c.name;
    return h;
}

QStringList interpretationHeader() { return {"consistency", "differentiation"}; }

QStringList interpretationColumns(const Totals& totals)
{
    const Indices ind = indices(totals);
    return {consistencyId(ind.consistency), QString::number(ind.differentiation)};
}

bool startsLikeFormula(char first)
{
    return first == '=' || first == '+' || first == '-' || first == '@' || first == '\t' || first == '\r';
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

// The whole result of a subject depends only on the order of its six totals and their ties
// (ranks, code, leading type and all that follows from them), never on the values. There
// are 4683 such orderings, so the result columns are computed once per ordering and reused.
// The key holds each type's dense rank (0 = lowest distinct total) as a base-6 digit.
int resultKey(const Totals& totals)
{
    Totals distinct = totals;
    std::sort(distinct.begin(), distinct.end());
    const auto end = std::unique(distinct.begin(), distinct.end());
    int key = 0;
    for (int t = 0; t < TypeCount; ++t)
        key = key * TypeCount + int(std::lower_bound(distinct.begin(), end, totals[t]) - distinct.begin());
    return key;
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

namespace {
// A field as UTF-8 bytes, quoted when it holds a comma, a quote, CR or LF. A text field that a
// spreadsheet would take for a formula gets a leading apostrophe.
void appendRawField(QByteArray& line, const char* text, int size, bool isText)
{
    const bool guard = isText && size > 0 && startsLikeFormula(text[0]);
    bool quote = false;
    for (int i = 0; i < size && !quote; ++i)
        quote = text[i] == ',' || text[i] == '"' || text[i] == '\r' || text[i] == '\n';
    if (!quote) {
        if (guard)
            line += '\'';
        line.append(text, size);
        return;
    }
    line += '"';
    if (guard)
        line += '\'';
    for (int i = 0; i < size; ++i) {
        if (text[i] == '"')
            line += '"';
        line += text[i];
    }
    line += '"';
}
} // namespace

// A read-only connection of the export's own, opened with the SQLite library the program
// links: SQLite's C interface is never used on the handle of Qt's driver, which may belong to
// another SQLite (Qt builds that carry their own).
std::unique_ptr<sqlite3, int (*)(sqlite3*)> openOwnConnection(QString* error)
{
    const QString path = Database::pathOf(DbFile::Main);
    sqlite3* raw = nullptr;
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("فايل پيدا نشد: \u2066%1\u2069").arg(path);
        return {nullptr, sqlite3_close};
    }
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    if (rc != SQLITE_OK) {
        if (error)
            *error = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
        return {nullptr, sqlite3_close};
    }
    DatabaseCheck::harden(raw);
    sqlite3_busy_timeout(raw, 15000);
    return db;
}

bool exportCsv(QIODevice* out, QString* error)
{
    const QString sql = "SELECT " + subjectColumnList() + " FROM \"IDE\" ORDER BY rid";

    QByteArray buffer;
    buffer.reserve(1 << 20);
    buffer += "\xEF\xBB\xBF";
    const QStringList header = exportHeader();
    for (int i = 0; i < header.size(); ++i)
        appendField(buffer, header[i], i == 0);
    buffer += "\r\n";

    const int subjectColumns = firstResultColumn();
    const int resultColumns = int(exportColumns().size()) - firstResultColumn();
    std::vector<QByteArray> resultByOrdering(ResultKeys);
    std::vector<bool> textColumn;
    for (int c = 0; c < subjectColumns; ++c)
        textColumn.push_back(exportColumns().at(c).kind == CellKind::Text);
    SixTexts raw;
    // One subject's line from its fields as UTF-8 (null: an empty field).
    auto addRow = [&](const char* const* texts, const int* sizes) {
        for (int c = 0; c < subjectColumns; ++c) {
            const char* text = texts[c] ? texts[c] : "";
            if (c > 0)
                buffer += ',';
            appendRawField(buffer, text, sizes[c], textColumn[c]);
            if (c >= subjectColumns - TypeCount)
                raw[c - (subjectColumns - TypeCount)] = QString::fromUtf8(text, sizes[c]);
        }
        if (const auto totals = parseTotals(raw)) {
            QByteArray& columns = resultByOrdering[resultKey(*totals)];
            if (columns.isNull()) {
                const Result r = score(*totals);
                columns = QByteArray(""); // not null: computed
                for (const QString& text : resultTexts(r))
                    appendField(columns, text);
                // The leading pair, and so the consistency, follows from the ordering too.
                appendField(columns, consistencyId(r.indices.consistency));
            }
            buffer += columns;
            // The differentiation depends on the values: computed for every row.
            const auto [low, high] = std::minmax_element(totals->begin(), totals->end());
            buffer += ',';
            buffer += QByteArray::number(*high - *low);
        } else {
            buffer.append(resultColumns, ',');
        }
        buffer += "\r\n";
        return buffer.size() <= (1 << 20) - 4096 || flush(out, buffer, error);
    };

    if (Database::mainIsServer()) {
        // Streamed from the server in one COPY, without a conversion per value.
        QSqlDatabase db = Database::connection(DbFile::Main, error);
        if (!db.isOpen())
            return false;
        const char* texts[subjectColumns];
        int sizes[subjectColumns];
        QString writeError;
        const bool read = PgCopy::read(
            db, sql,
            [&](const PgCopy::Row& row) {
                for (int c = 0; c < subjectColumns; ++c) {
                    const bool present = c < row.size() && !row[c].isNull();
                    texts[c] = present ? row[c].constData() : nullptr;
                    sizes[c] = present ? int(row[c].size()) : 0;
                }
                if (addRow(texts, sizes))
                    return true;
                writeError = error ? *error : QString();
                return false;
            },
            error);
        if (!writeError.isEmpty() && error)
            *error = writeError;
        return read && flush(out, buffer, error);
    }

    // The rows are read straight from an SQLite statement as UTF-8, on a read-only connection
    // of the export's own: with 100,000 subjects the per-value conversions of a QSqlQuery cost
    // several times the query itself.
    const auto connection = openOwnConnection(error);
    if (!connection)
        return false;
    sqlite3* handle = connection.get();
    sqlite3_stmt* statement = nullptr;
    if (!handle || sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK) {
        if (error)
            *error = handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QStringLiteral("no SQLite connection");
        sqlite3_finalize(statement);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> guard(statement, sqlite3_finalize);
    const char* texts[subjectColumns];
    int sizes[subjectColumns];
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        for (int c = 0; c < subjectColumns; ++c) {
            texts[c] = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
            sizes[c] = texts[c] ? sqlite3_column_bytes(statement, c) : 0;
        }
        if (!addRow(texts, sizes))
            return false;
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(handle));
        return false;
    }
    return flush(out, buffer, error);
}

} // namespace Scoring
