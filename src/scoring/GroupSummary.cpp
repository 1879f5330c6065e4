#include "scoring/GroupSummary.h"

#include "data/Database.h"
#include "data/SubjectReader.h"
#include "scoring/Export.h"
#include "scoring/Interpretation.h"

#include <QHash>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace GroupSummary {
namespace {
using Scoring::TypeCount;

// The result of one ordering of the six totals: everything but the means depends only on
// which type is above which (see the export), so each ordering is scored once.
struct OrderingResult {
    int leading = 0;
    int consistency = 0; // 0 high, 1 medium, 2 low
    int codeIndex = 0; // into the distinct code texts
    std::array<double, TypeCount> streams{};
};
} // namespace

bool filter(const Selection& selection, SubjectReader::Filter* filterOut, QString* error)
{
    QString where;
    QVariantList values;
    auto condition = [&](const QString& sql, const QString& value) {
        if (value.isEmpty())
            return;
        where += (where.isEmpty() ? QString() : QStringLiteral(" AND ")) + sql;
        values << value;
    };
    condition(QStringLiteral("\"Group\" = ?"), selection.group);
    condition(QStringLiteral("\"Jens\" = ?"), selection.sex);
    condition(QStringLiteral("\"Tahsil\" = ?"), selection.grade);
    condition(QStringLiteral("\"Date\" >= ?"), selection.from);
    condition(QStringLiteral("\"Date\" <= ?"), selection.to);
    if (!selection.column.isEmpty()) {
        // A column name cannot be bound: only the four the look-up window filters by.
        static const QStringList allowed{"Code", "FName", "LName", "Group"};
        const auto it = std::find_if(allowed.begin(), allowed.end(), [&](const QString& c) {
            return c.compare(selection.column, Qt::CaseInsensitive) == 0;
        });
        if (it == allowed.end()) {
            if (error)
                *error = QStringLiteral("unknown column %1").arg(selection.column);
            return false;
        }
        where += (where.isEmpty() ? QStringLiteral("\"") : QStringLiteral(" AND \"")) + *it + QStringLiteral("\" = ?");
        values << selection.value;
    }

    if (selection.onlyCodes) {
        QVariant codes;
        where += (where.isEmpty() ? QString() : QStringLiteral(" AND "))
            + Database::listCondition(QStringLiteral("Code"), selection.codes, &codes);
        values << codes;
    }
    *filterOut = {where, values};
    return true;
}

bool compute(const Selection& selection, Summary* summary, QString* error)
{
    Summary s;
    SubjectReader::Filter selected;
    if (!filter(selection, &selected, error))
        return false;

    std::vector<int> resultIndex(Scoring::OrderingKeys, -1);
    std::vector<OrderingResult> results;
    std::vector<int> countByOrdering;
    QStringList codeTexts;
    QHash<QString, int> codeIndex;
    std::array<double, TypeCount> sum{}, sumSquares{};
    Scoring::SixTexts raw;
    const bool read = SubjectReader::forEach(
        QStringLiteral("IDE"), {"V", "J", "H", "A", "M", "GH"}, selected,
        [&](const SubjectReader::Rows& rows) {
            ++s.subjects;
            for (int t = 0; t < TypeCount; ++t)
                raw[t] = rows.field(t).toString();
            const auto totals = Scoring::parseTotals(raw);
            if (!totals)
                return true;
            ++s.answered;
            for (int t = 0; t < TypeCount; ++t) {
                sum[t] += (*totals)[t];
                sumSquares[t] += double((*totals)[t]) * (*totals)[t];
            }
            int& index = resultIndex[size_t(Scoring::orderingKey(*totals))];
            if (index < 0) {
                const Scoring::Result r = Scoring::score(*totals);
                OrderingResult o;
                o.leading = r.leading;
                o.consistency = int(r.indices.consistency);
                const QString code = QStringList(r.codeTexts.begin(), r.codeTexts.end()).join(' ');
                auto found = codeIndex.constFind(code);
                if (found == codeIndex.constEnd()) {
                    found = codeIndex.insert(code, int(codeTexts.size()));
                    codeTexts << code;
                }
                o.codeIndex = found.value();
                for (int i = 0; i < TypeCount; ++i)
                    o.streams[i] = Scoring::readShown(r.streamTexts[i]);
                index = int(results.size());
                results.push_back(o);
                countByOrdering.push_back(0);
            }
            ++countByOrdering[size_t(index)];
            return true;
        },
        error);
    if (!read)
        return false;

    QVector<int> codeCounts(codeTexts.size(), 0);
    std::array<double, TypeCount> streamSum{};
    for (size_t i = 0; i < results.size(); ++i) {
        const OrderingResult& o = results[i];
        const int n = countByOrdering[i];
        s.leading[o.leading] += n;
        s.consistency[o.consistency] += n;
        codeCounts[o.codeIndex] += n;
        for (int k = 0; k < TypeCount; ++k)
            streamSum[k] += o.streams[k] * n;
    }
    if (s.answered > 0) {
        for (int t = 0; t < TypeCount; ++t) {
            s.mean[t] = sum[t] / s.answered;
            s.sd[t] = std::sqrt(std::max(0.0, sumSquares[t] / s.answered - s.mean[t] * s.mean[t]));
            s.streamMean[t] = streamSum[t] / s.answered;
        }
    }
    QVector<int> order(codeTexts.size());
    std::iota(order.begin(), order.end(), 0);
    // Most frequent first; equal counts in the order the codes first appeared.
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return codeCounts[a] > codeCounts[b]; });
    for (int i = 0; i < order.size() && i < TopCodeCount; ++i)
        s.topCodes.append({codeTexts[order[i]], codeCounts[order[i]]});

    if (summary)
        *summary = s;
    return true;
}

QVector<int> percentages(const QVector<int>& counts)
{
    QVector<int> percent(counts.size(), 0);
    const qint64 total = std::accumulate(counts.begin(), counts.end(), qint64(0));
    if (total <= 0)
        return percent;
    QVector<qint64> remainder(counts.size());
    int given = 0;
    for (int i = 0; i < counts.size(); ++i) {
        percent[i] = int(qint64(counts[i]) * 100 / total);
        remainder[i] = qint64(counts[i]) * 100 % total;
        given += percent[i];
    }
    QVector<int> order(counts.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return remainder[a] > remainder[b]; });
    for (int i = 0; given < 100 && i < order.size(); ++i, ++given)
        ++percent[order[i]];
    return percent;
}

} // namespace GroupSummary
