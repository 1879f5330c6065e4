#include "scoring/ReferenceGroup.h"

#include "data/Database.h"
#include "data/PersianText.h"
#include "data/PgCopy.h"
#include "questionnaire/AnswerColumns.h"
#include "scoring/PsychometricsTexts.h"
#include "scoring/SqliteHandle.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <functional>

#include <algorithm>
#include <atomic>
#include <map>
#include <memory>
#include <thread>

namespace ReferenceGroup {
using Psychometrics::Subject;

namespace {
// Hands every row of a query to onRow as UTF-8 fields (a null field: nullptr): a file straight
// from SQLite's statement on a connection of its own, a server in one COPY, or through Qt when
// a server's query has values to bind (COPY takes none).
using RowHandler = std::function<void(const char* const* texts, const int* sizes)>;

bool forEachRow(const QString& sql, const QVariantList& values, int columns, const RowHandler& onRow, QString* error,
                sqlite3* own = nullptr)
{
    std::vector<const char*> texts(size_t(columns), nullptr);
    std::vector<int> sizes(size_t(columns), 0);
    if (Database::mainIsServer()) {
        QSqlDatabase db = Database::connection(DbFile::Main, error);
        if (!db.isOpen())
            return false;
        if (values.isEmpty())
            return PgCopy::read(
                db, sql,
                [&](const PgCopy::Row& row) {
                    for (int c = 0; c < columns; ++c) {
                        const bool present = c < row.size() && !row[c].isNull();
                        texts[size_t(c)] = present ? row[c].constData() : nullptr;
                        sizes[size_t(c)] = present ? int(row[c].size()) : 0;
                    }
                    onRow(texts.data(), sizes.data());
                    return true;
                },
                error);
        QSqlQuery q(db);
        q.setForwardOnly(true);
        q.prepare(sql);
        for (const QVariant& v : values)
            q.addBindValue(v);
        if (!q.exec()) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
        std::vector<QByteArray> fields(static_cast<size_t>(columns));
        while (q.next()) {
            for (int c = 0; c < columns; ++c) {
                const QVariant v = q.value(c);
                fields[size_t(c)] = v.isNull() ? QByteArray() : v.toString().toUtf8();
                texts[size_t(c)] = v.isNull() ? nullptr : fields[size_t(c)].constData();
                sizes[size_t(c)] = int(fields[size_t(c)].size());
            }
            onRow(texts.data(), sizes.data());
        }
        if (q.lastError().isValid()) {
            if (error)
                *error = q.lastError().text();
            return false;
        }
        return true;
    }

    auto connection = own ? std::unique_ptr<sqlite3, int (*)(sqlite3*)>(nullptr, sqlite3_close)
                          : Scoring::openOwnConnection(error);
    if (!own && !connection)
        return false;
    sqlite3* handle = own ? own : connection.get();
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(handle, sql.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(handle));
        sqlite3_finalize(raw);
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite3_finalize);
    std::vector<QByteArray> bound;
    for (int i = 0; i < values.size(); ++i) {
        bound.push_back(values.at(i).toString().toUtf8());
        sqlite3_bind_text(raw, i + 1, bound.back().constData(), int(bound.back().size()), SQLITE_TRANSIENT);
    }
    int rc;
    while ((rc = sqlite3_step(raw)) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            texts[size_t(c)] = reinterpret_cast<const char*>(sqlite3_column_text(raw, c));
            sizes[size_t(c)] = texts[size_t(c)] ? sqlite3_column_bytes(raw, c) : 0;
        }
        onRow(texts.data(), sizes.data());
    }
    if (rc != SQLITE_DONE) {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(handle));
        return false;
    }
    return true;
}

// A stored total: a whole number 0..50, blanks around it allowed (as parseTotals reads it).
int totalValue(const char* text, int size)
{
    if (!text)
        return -1;
    if (size == 1 && text[0] >= '0' && text[0] <= '9')
        return text[0] - '0';
    if (size == 2 && text[0] >= '1' && text[0] <= '9' && text[1] >= '0' && text[1] <= '9')
        return (text[0] - '0') * 10 + text[1] - '0';
    Scoring::SixTexts one;
    one.fill(QStringLiteral("0"));
    one[0] = QString::fromUtf8(text, size);
    const auto totals = Scoring::parseTotals(one);
    return totals ? (*totals)[0] : -1;
}
} // namespace

bool read(const GroupSummary::Selection& selection, std::vector<Subject>* subjects, QString* error)
{
    QString where;
    QVariantList values;
    if (!GroupSummary::whereClause(selection, &where, &values, error))
        return false;
    std::vector<Subject> out;
    QHash<QByteArray, int> byCode;
    QString readError;
    const QString ide = QStringLiteral("SELECT \"Code\", \"Jens\", \"Tahsil\", \"V\", \"J\", \"H\", \"A\", \"M\", "
                                       "\"GH\" FROM \"IDE\"")
        + where + QStringLiteral(" ORDER BY rid");
    const bool ideRead = forEachRow(
        ide, values, 3 + Psychometrics::TypeCount,
        [&](const char* const* texts, const int* sizes) {
            Subject s;
            for (int t = 0; t < Psychometrics::TypeCount; ++t) {
                const int total = totalValue(texts[3 + t], sizes[3 + t]);
                if (total < 0 || total > Psychometrics::MaxTotal)
                    return;
                s.totals[size_t(t)] = total;
            }
            const QByteArray code(texts[0] ? texts[0] : "", sizes[0]);
            if (byCode.contains(code))
                return; // a code's first row is the subject
            s.code = QString::fromUtf8(code);
            s.sex = QString::fromUtf8(texts[1] ? texts[1] : "", sizes[1]);
            s.grade = QString::fromUtf8(texts[2] ? texts[2] : "", sizes[2]);
            byCode.insert(code, int(out.size()));
            out.push_back(std::move(s));
        },
        error);
    if (!ideRead)
        return false;

    if (out.empty()) {
        *subjects = std::move(out);
        return true;
    }
    // One pass over each answer table. Each table fills its own items of every subject, so on
    // the file the four passes run side by side, each on a connection of its own opened here.
    struct Target {
        int type, item; // where each column of the row goes
    };
    struct Pass {
        int table = 0;
        QString sql;
        std::vector<Target> targets;
        std::unique_ptr<sqlite3, int (*)(sqlite3*)> connection{nullptr, sqlite3_close};
        bool ok = true;
        QString error;
    };
    const bool onFile = !Database::mainIsServer();
    std::vector<Pass> passes;
    // The widest table first, so the passes end close together.
    for (int table : {int(AnswerTables::S3), int(AnswerTables::S1), int(AnswerTables::S2), int(AnswerTables::S4)}) {
        Pass pass;
        pass.table = table;
        pass.sql = QStringLiteral("SELECT \"Code\"");
        for (int t = 0; t < Psychometrics::TypeCount; ++t)
            for (int i = 0; i < Psychometrics::ItemsPerType; ++i)
                if (Psychometrics::itemPlace(i).table == table) {
                    pass.sql += QStringLiteral(", ") + Database::quoted(Psychometrics::itemKey(t, i));
                    pass.targets.push_back({t, i});
                }
        pass.sql += QStringLiteral(" FROM ") + Database::quoted(AnswerColumns::tableName(table))
            + QStringLiteral(" ORDER BY rid");
        if (onFile) {
            pass.connection = Scoring::openOwnConnection(error);
            if (!pass.connection)
                return false;
        }
        passes.push_back(std::move(pass));
    }
    const QHash<QByteArray, int>& codes = byCode; // read only from here on, by every pass
    auto run = [&](Pass& pass) {
        std::vector<bool> seen(out.size(), false);
        const bool ratings = pass.table == AnswerTables::S4;
        pass.ok = forEachRow(
            pass.sql, {}, 1 + int(pass.targets.size()),
            [&](const char* const* texts, const int* sizes) {
                const auto it = codes.constFind(QByteArray::fromRawData(texts[0] ? texts[0] : "", sizes[0]));
                if (it == codes.constEnd() || seen[size_t(it.value())])
                    return;
                seen[size_t(it.value())] = true;
                Subject& s = out[size_t(it.value())];
                for (size_t c = 0; c < pass.targets.size(); ++c) {
                    const char* text = texts[c + 1];
                    const int size = sizes[c + 1];
                    s.items[size_t(pass.targets[c].type)][size_t(pass.targets[c].item)] = quint8(
                        ratings ? Psychometrics::ratingValue(text, size) : Psychometrics::tickValue(text, size));
                }
            },
            &pass.error, pass.connection.get());
    };
    if (onFile) {
        const unsigned cores = std::max(1u, std::min(unsigned(passes.size()), std::thread::hardware_concurrency()));
        std::atomic<size_t> next{0};
        auto worker = [&]() {
            for (size_t k = next++; k < passes.size(); k = next++)
                run(passes[k]);
        };
        std::vector<std::thread> threads;
        for (unsigned k = 1; k < cores; ++k)
            threads.emplace_back(worker);
        worker();
        for (std::thread& t : threads)
            t.join();
    } else {
        for (Pass& pass : passes)
            run(pass);
    }
    for (const Pass& pass : passes)
        if (!pass.ok) {
            if (error)
                *error = pass.error;
            return false;
        }
    *subjects = std::move(out);
    return true;
}

namespace {
QString cellKey(const QString& text) { return PersianText::foldName(text); }

bool lessGrade(const QString& a, const QString& b)
{
    bool okA = false, okB = false;
    const int x = a.toInt(&okA), y = b.toInt(&okB);
    if (okA && okB)
        return x < y;
    if (okA != okB)
        return okA; // numbers first
    return a < b;
}
} // namespace

std::vector<Cell> cells(const std::vector<Subject>& subjects, unsigned split)
{
    struct Key {
        QString sex, grade;
        bool operator<(const Key& o) const
        {
            if (sex != o.sex)
                return sex < o.sex;
            return lessGrade(grade, o.grade);
        }
    };
    std::map<Key, Cell> byKey;
    // The few distinct stored texts are folded and ordered once each, not once per subject.
    QHash<QPair<QString, QString>, Cell*> byText;
    for (size_t i = 0; i < subjects.size(); ++i) {
        const Subject& s = subjects[i];
        const QPair<QString, QString> text(split & BySex ? s.sex : QString(), split & ByClass ? s.grade : QString());
        Cell*& known = byText[text];
        if (!known) {
            const Key key{cellKey(text.first), cellKey(text.second)};
            known = &byKey[key]; // a map's elements stay where they are
            if (known->members.empty()) {
                known->sex = text.first.trimmed();
                known->grade = text.second.trimmed();
            }
        }
        known->members.push_back(int(i));
    }
    std::vector<Cell> out;
    for (auto& entry : byKey)
        out.push_back(std::move(entry.second));
    // Boys before girls, as the registration lists them, then any other text.
    auto sexRank = [](const Cell& c) {
        const int sex = Psychometrics::sexIndex(c.sex);
        return sex < 0 ? 2 : sex;
    };
    if (split & BySex)
        std::stable_sort(out.begin(), out.end(), [&](const Cell& a, const Cell& b) { return sexRank(a) < sexRank(b); });
    if (split == None && out.empty())
        out.push_back(Cell{});
    return out;
}

bool inCell(const Cell& cell, unsigned split, const QString& sex, const QString& grade)
{
    if ((split & BySex) && cellKey(sex) != cellKey(cell.sex))
        return false;
    if ((split & ByClass) && cellKey(grade) != cellKey(cell.grade))
        return false;
    return true;
}

bool parseSplit(const QString& text, unsigned* split)
{
    unsigned s = None;
    if (!text.trimmed().isEmpty()) {
        for (const QString& part : text.split(',')) {
            const QString p = part.trimmed();
            const unsigned bit = p == QLatin1String("sex") ? unsigned(BySex)
                : p == QLatin1String("class")              ? unsigned(ByClass)
                                                           : 0u;
            if (bit == 0 || (s & bit))
                return false;
            s |= bit;
        }
    }
    *split = s;
    return true;
}

QString splitText(unsigned split)
{
    QStringList parts;
    if (split & BySex)
        parts << QStringLiteral("sex");
    if (split & ByClass)
        parts << QStringLiteral("class");
    return parts.join(',');
}

QString cellLabel(const Cell& cell, unsigned split)
{
    QStringList parts;
    if (split & BySex)
        parts << cell.sex;
    if (split & ByClass)
        parts << cell.grade;
    return parts.isEmpty() ? QString::fromUtf8(PsychometricsTexts::AllSubjects) : parts.join(QStringLiteral("، "));
}

} // namespace ReferenceGroup
