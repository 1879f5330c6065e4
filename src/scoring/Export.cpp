#include "scoring/Export.h"

#include "data/SubjectReader.h"
#include "scoring/Interpretation.h"
#include "scoring/InterpretationTexts.h"
#include "scoring/Scoring.h"
#include "scoring/ScoringTexts.h"

#include <algorithm>

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

QStringList subjectColumns()
{
    QStringList names;
    for (int c = 0; c < firstResultColumn(); ++c)
        names << exportColumns().at(c).name;
    return names;
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

// There are 4683 orderings of six totals with ties. The key holds each type's dense rank
// (0 = lowest distinct total) as a base-6 digit.
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

} // namespace Scoring
