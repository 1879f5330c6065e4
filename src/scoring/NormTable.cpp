#include "scoring/NormTable.h"

#include "data/ProgramFolder.h"
#include "scoring/PsychometricsTexts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cmath>

namespace NormTable {
using Psychometrics::Distribution;
using Psychometrics::MaxTotal;
using Psychometrics::TypeCount;

namespace {
constexpr char FormatName[] = "meravel-norms";

Cell cellOf(const std::vector<Psychometrics::Subject>& subjects, const std::vector<int>* members)
{
    Cell cell;
    const Psychometrics::Analysis analysis = Psychometrics::analyze(subjects, members);
    cell.n = analysis.n;
    std::array<double, TypeCount> sum{}, squares{};
    auto add = [&](const Psychometrics::Subject& s) {
        for (int t = 0; t < TypeCount; ++t) {
            const int x = s.totals[size_t(t)];
            ++cell.types[size_t(t)].frequency[size_t(x)];
            sum[size_t(t)] += x;
            squares[size_t(t)] += double(x) * x;
        }
    };
    Psychometrics::forEachMember(subjects, members, add);
    for (int t = 0; t < TypeCount; ++t) {
        Distribution& d = cell.types[size_t(t)];
        d.n = cell.n;
        d.alpha = analysis.types[size_t(t)].alpha;
        if (d.n > 0) {
            d.mean = sum[size_t(t)] / d.n;
            d.sd = std::sqrt(std::max(0.0, squares[size_t(t)] / d.n - d.mean * d.mean));
        }
    }
    return cell;
}

QJsonValue number(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null); }
} // namespace

Table build(const std::vector<Psychometrics::Subject>& subjects, unsigned split)
{
    Table table;
    table.split = split;
    table.created = QDateTime::currentDateTimeUtc();
    for (const ReferenceGroup::Cell& c : ReferenceGroup::cells(subjects, split)) {
        Cell cell = cellOf(subjects, &c.members);
        cell.sex = c.sex;
        cell.grade = c.grade;
        table.cells.push_back(cell);
    }
    return table;
}

Cell wholeGroup(const std::vector<Psychometrics::Subject>& subjects) { return cellOf(subjects, nullptr); }

QByteArray toJson(const Table& table)
{
    QJsonObject filters{{"group", table.filters.group},
                        {"sex", table.filters.sex},
                        {"class", table.filters.grade},
                        {"from", table.filters.from},
                        {"to", table.filters.to}};
    QJsonArray cells;
    int n = 0;
    for (const Cell& cell : table.cells) {
        QJsonObject types;
        for (int t = 0; t < TypeCount; ++t) {
            const Distribution& d = cell.types[size_t(t)];
            QJsonArray frequency;
            for (int f : d.frequency)
                frequency.append(f);
            types.insert(
                QString::fromLatin1(InterestTypes::Latin[t]),
                QJsonObject{{"mean", d.mean}, {"sd", d.sd}, {"alpha", number(d.alpha)}, {"frequency", frequency}});
        }
        QJsonObject c{{"n", cell.n}, {"types", types}};
        if (table.split & ReferenceGroup::BySex)
            c.insert("sex", cell.sex);
        if (table.split & ReferenceGroup::ByClass)
            c.insert("class", cell.grade);
        cells.append(c);
        n += cell.n;
    }
    const QJsonObject root{{"format", QString::fromLatin1(FormatName)},
                           {"version", FormatVersion},
                           {"created", table.created.toUTC().toString(Qt::ISODate)},
                           {"filters", filters},
                           {"by", ReferenceGroup::splitText(table.split)},
                           {"n", n},
                           {"cells", cells}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

bool fromJson(const QByteArray& json, Table* out, QString* error)
{
    auto fail = [&](const char* text) {
        if (error)
            *error = QString::fromUtf8(text);
        return false;
    };
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject())
        return fail(PsychometricsTexts::NotANormTable);
    const QJsonObject root = doc.object();
    if (root.value("format").toString() != QLatin1String(FormatName))
        return fail(PsychometricsTexts::NotANormTable);
    if (root.value("version").toInt(-1) != FormatVersion)
        return fail(PsychometricsTexts::NormTableVersion);
    Table table;
    const QJsonObject filters = root.value("filters").toObject();
    table.filters.group = filters.value("group").toString();
    table.filters.sex = filters.value("sex").toString();
    table.filters.grade = filters.value("class").toString();
    table.filters.from = filters.value("from").toString();
    table.filters.to = filters.value("to").toString();
    table.created = QDateTime::fromString(root.value("created").toString(), Qt::ISODate);
    if (!ReferenceGroup::parseSplit(root.value("by").toString(), &table.split) || !root.value("cells").isArray())
        return fail(PsychometricsTexts::NormTableDamaged);
    for (const QJsonValue& value : root.value("cells").toArray()) {
        const QJsonObject c = value.toObject();
        Cell cell;
        cell.n = c.value("n").toInt(-1);
        cell.sex = c.value("sex").toString();
        cell.grade = c.value("class").toString();
        if (cell.n < 0)
            return fail(PsychometricsTexts::NormTableDamaged);
        const QJsonObject types = c.value("types").toObject();
        for (int t = 0; t < TypeCount; ++t) {
            const QJsonObject o = types.value(QString::fromLatin1(InterestTypes::Latin[t])).toObject();
            const QJsonArray frequency = o.value("frequency").toArray();
            Distribution& d = cell.types[size_t(t)];
            d.n = cell.n;
            d.mean = o.value("mean").toDouble(NAN);
            d.sd = o.value("sd").toDouble(NAN);
            if (o.value("alpha").isDouble())
                d.alpha = o.value("alpha").toDouble();
            qint64 count = 0;
            if (frequency.size() != MaxTotal + 1 || !std::isfinite(d.mean) || !std::isfinite(d.sd) || d.sd < 0)
                return fail(PsychometricsTexts::NormTableDamaged);
            for (int x = 0; x <= MaxTotal; ++x) {
                const int f = frequency.at(x).toInt(-1);
                if (f < 0)
                    return fail(PsychometricsTexts::NormTableDamaged);
                d.frequency[size_t(x)] = f;
                count += f;
            }
            // The frequencies are what the percentile ranks read: they must add up to the cell.
            if (count != cell.n)
                return fail(PsychometricsTexts::NormTableDamaged);
        }
        table.cells.push_back(cell);
    }
    *out = table;
    return true;
}

bool save(const Table& table, const QString& path, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(toJson(table));
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool load(const QString& path, Table* table, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A norm table of thousands of cells is still far below this; anything larger is not one.
    constexpr qint64 limit = 64 << 20;
    if (file.size() > limit) {
        if (error)
            *error = QString::fromUtf8(PsychometricsTexts::NotANormTable);
        return false;
    }
    return fromJson(file.readAll(), table, error);
}

const Cell* cellFor(const Table& table, const QString& sex, const QString& grade)
{
    for (const Cell& cell : table.cells) {
        ReferenceGroup::Cell c;
        c.sex = cell.sex;
        c.grade = cell.grade;
        if (ReferenceGroup::inCell(c, table.split, sex, grade))
            return &cell;
    }
    return nullptr;
}

QString cellLabel(const Table& table, const Cell& cell)
{
    ReferenceGroup::Cell c;
    c.sex = cell.sex;
    c.grade = cell.grade;
    return ReferenceGroup::cellLabel(c, table.split);
}

std::array<std::optional<double>, TypeCount> sems(const Cell& cell)
{
    std::array<std::optional<double>, TypeCount> out{};
    for (int t = 0; t < TypeCount; ++t)
        out[size_t(t)] = Psychometrics::sem(cell.types[size_t(t)]);
    return out;
}

namespace {
QString rememberFile() { return ProgramFolder::file(QStringLiteral("NormTable.txt")); }
} // namespace

QString rememberedPath()
{
    QFile file(rememberFile());
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readLine(4096)).trimmed();
}

bool remember(const QString& path, QString* error)
{
    QSaveFile file(rememberFile());
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    file.write(path.toUtf8() + '\n');
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

SubjectNorms scoreSubject(const Table& table, const QString& sex, const QString& grade, const Scoring::Totals& totals)
{
    SubjectNorms out;
    const Cell* cell = cellFor(table, sex, grade);
    if (!cell) {
        out.note = QString::fromUtf8(PsychometricsTexts::NoCell);
        return out;
    }
    out.found = true;
    out.label = cellLabel(table, *cell);
    out.n = cell->n;
    for (int t = 0; t < TypeCount; ++t)
        out.scores[size_t(t)] = Psychometrics::normScore(cell->types[size_t(t)], totals[size_t(t)]);
    if (cell->n < Psychometrics::MinPercentileCell)
        out.note = QString::fromUtf8(PsychometricsTexts::FewForPercentile);
    return out;
}

ShownNorms shownNorms(const Table* table, const QString& fileName, const Scoring::Shown& shown)
{
    ShownNorms out;
    if (!table) {
        out.caption = QString::fromUtf8(PsychometricsTexts::NormNone);
        return out;
    }
    out.chosen = true;
    if (!shown.scored) {
        out.caption = QString::fromUtf8(PsychometricsTexts::NormLabel) + fileName;
        return out;
    }
    const Scoring::Totals& totals = *shown.scored;
    const SubjectNorms norms = scoreSubject(*table, shown.sex, shown.grade, totals);
    out.caption = norms.found ? QString::fromUtf8(PsychometricsTexts::NormCell).arg(fileName, norms.label).arg(norms.n)
                              : QString::fromUtf8(PsychometricsTexts::NormLabel) + fileName;
    if (!norms.note.isEmpty())
        out.caption += QStringLiteral(" — ") + norms.note;
    auto text = [](const std::optional<double>& v) { return v ? QString::number(*v, 'f', 1) : QString(); };
    std::array<double, TypeCount> percentiles{};
    bool allPercentiles = norms.found;
    for (int t = 0; t < TypeCount; ++t) {
        const Psychometrics::NormScore& n = norms.scores[size_t(t)];
        out.percentile[size_t(t)] = text(n.percentile);
        out.t[size_t(t)] = text(n.t);
        if (n.sem)
            out.band[size_t(t)] = QString::number(totals[size_t(t)] - *n.sem, 'f', 1) + QStringLiteral(" – ")
                + QString::number(totals[size_t(t)] + *n.sem, 'f', 1);
        if (n.percentile)
            percentiles[size_t(t)] = *n.percentile;
        else
            allPercentiles = false;
    }
    if (allPercentiles)
        out.percentiles = percentiles;
    return out;
}

bool retestSems(const Table* table, const QString& sex, const QString& grade, RetestSems* out, QString* error)
{
    *out = RetestSems();
    if (table) {
        if (const Cell* cell = cellFor(*table, sex, grade)) {
            out->sem = sems(*cell);
            out->from = cellLabel(*table, *cell);
        } else {
            out->note = QString::fromUtf8(PsychometricsTexts::NoCell);
        }
        return true;
    }
    std::vector<Psychometrics::Subject> subjects;
    if (!ReferenceGroup::read(GroupSummary::Selection(), &subjects, error))
        return false;
    out->sem = sems(wholeGroup(subjects));
    out->from = QString::fromUtf8(PsychometricsTexts::AllSubjects);
    if (subjects.size() < 2)
        out->note = QString::fromUtf8(PsychometricsTexts::TooFewSubjects);
    return true;
}

ShownRetest shownRetest(const Scoring::Totals& first, const Scoring::Totals& second, const RetestSems& sems)
{
    ShownRetest out;
    out.first = first;
    out.second = second;
    out.sems = sems;
    const Psychometrics::Retest& r = out.retest = Psychometrics::retest(first, second, sems.sem);
    for (int t = 0; t < TypeCount; ++t) {
        out.diff[size_t(t)] = QString::number(r.diff[size_t(t)]);
        out.rci[size_t(t)] = r.rci[size_t(t)] ? QString::number(*r.rci[size_t(t)], 'f', 2) : QString();
        out.reliable[size_t(t)] = r.reliable[size_t(t)] ? QString::fromUtf8(PsychometricsTexts::CompareYes) : QString();
    }
    auto agreement = [](bool agrees) {
        return QString::fromUtf8(agrees ? PsychometricsTexts::Agrees : PsychometricsTexts::Differs);
    };
    out.codes = QString::fromUtf8(PsychometricsTexts::CompareCodes)
                    .arg(Psychometrics::codeText(r.first), Psychometrics::codeText(r.second));
    out.firstLetter = QString::fromUtf8(PsychometricsTexts::CompareFirstLetter) + agreement(r.firstLetterAgrees);
    out.set = QString::fromUtf8(PsychometricsTexts::CompareSet) + agreement(r.setAgrees);
    out.iachan =
        QString::fromUtf8(PsychometricsTexts::CompareIachan).arg(r.iachan).arg(Psychometrics::iachanWords(r.iachan));
    out.semFrom = sems.from.isEmpty() ? sems.note
                                      : QString::fromUtf8(PsychometricsTexts::CompareSemFrom).arg(sems.from);
    if (!sems.from.isEmpty() && !sems.note.isEmpty())
        out.semFrom += QStringLiteral(" — ") + sems.note;
    return out;
}

} // namespace NormTable
