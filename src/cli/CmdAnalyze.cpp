#include "cli/Cli.h"
#include "report/ItemReport.h"
#include "scoring/Psychometrics.h"
#include "scoring/PsychometricsTexts.h"
#include "scoring/ReferenceGroup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
using namespace Psychometrics;

QJsonValue number(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null); }

QJsonObject analysisJson(const Analysis& a)
{
    QJsonObject types;
    for (int t = 0; t < TypeCount; ++t) {
        const TypeStat& stat = a.types[size_t(t)];
        QJsonArray items;
        for (int i = 0; i < ItemsPerType; ++i) {
            const ItemStat& item = stat.items[size_t(i)];
            QJsonObject o{{"part", itemPlace(i).table},
                          {"key", itemKey(t, i)},
                          {"p", number(item.p)},
                          {"r", number(item.r)},
                          {"alpha_if_deleted", number(item.alphaIfDeleted)},
                          {"flags", QJsonArray::fromStringList(flagIds(item.flags))}};
            if (i < TickItems) {
                o.insert("p_boys", number(item.pBoys));
                o.insert("p_girls", number(item.pGirls));
            }
            items.append(o);
        }
        types.insert(QString::fromLatin1(InterestTypes::Latin[t]),
                     QJsonObject{{"alpha", number(stat.alpha)}, {"items", items}});
    }
    const Hexagon& h = a.hexagon;
    QJsonArray r;
    for (const auto& row : h.r) {
        QJsonArray line;
        for (const auto& v : row)
            line.append(number(v));
        r.append(line);
    }
    QJsonObject out{{"n", a.n},
                    {"boys", a.boys},
                    {"girls", a.girls},
                    {"types", types},
                    {"hexagon",
                     QJsonObject{{"adjacent", number(h.adjacent)},
                                 {"alternate", number(h.alternate)},
                                 {"opposite", number(h.opposite)},
                                 {"ci", number(h.ci)},
                                 {"agreements", h.agreements},
                                 {"violations", h.violations},
                                 {"ties", h.ties},
                                 {"r", r}}}};
    if (a.n < 2)
        out.insert("note", QString::fromUtf8(PsychometricsTexts::TooFewSubjects));
    return out;
}

int runAnalyze(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, Cli::selectionOptions() + QStringList{"--by", "--out"}, {});
    QString usage = a.error;
    unsigned split = ReferenceGroup::None;
    GroupSummary::Selection selection;
    const QString out = a.options.value("--out");
    if (usage.isEmpty() && (a.positional.size() != 1 || a.positional[0] != QLatin1String("items")))
        usage = QStringLiteral("expected: analyze items [filters] [--by sex|class] [--out FILE.pdf|FILE.xlsx]");
    else if (usage.isEmpty()
             && (!ReferenceGroup::parseSplit(a.options.value("--by"), &split)
                 || split == (ReferenceGroup::BySex | ReferenceGroup::ByClass)))
        usage = QStringLiteral("--by takes sex or class: %1").arg(a.options.value("--by"));
    else if (usage.isEmpty() && a.options.contains("--out") && !out.endsWith(".pdf", Qt::CaseInsensitive)
             && !out.endsWith(".xlsx", Qt::CaseInsensitive))
        usage = QStringLiteral("--out names a .pdf or .xlsx file: %1").arg(out);
    if (usage.isEmpty())
        Cli::readSelection(a, &selection, &usage);
    if (!usage.isEmpty()) {
        io.err << usage << "\n";
        return Cli::Usage;
    }

    std::vector<Subject> subjects;
    QString error;
    if (!ReferenceGroup::read(selection, &subjects, &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    if (!out.isEmpty()) {
        if (!ItemReport::write(subjects, selection, out, &error)) {
            io.err << error << "\n";
            return Cli::Failed;
        }
        return Cli::Success;
    }
    QJsonObject result;
    if (split == ReferenceGroup::None) {
        result = analysisJson(analyze(subjects));
    } else {
        QJsonArray cells;
        for (const ReferenceGroup::Cell& cell : ReferenceGroup::cells(subjects, split)) {
            QJsonObject o = analysisJson(analyze(subjects, &cell.members));
            o.insert(split == ReferenceGroup::BySex ? "sex" : "class",
                     split == ReferenceGroup::BySex ? cell.sex : cell.grade);
            cells.append(o);
        }
        result = QJsonObject{{"by", ReferenceGroup::splitText(split)}, {"n", int(subjects.size())}, {"cells", cells}};
    }
    io.out << QString::fromUtf8(QJsonDocument(result).toJson(QJsonDocument::Compact)) << "\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "analyze",
    "analyze items [--group G] [--sex S] [--class T] [--from DATE] [--to DATE] [--by sex|class] [--out "
    "FILE.pdf|FILE.xlsx]",
    "Analyses the questionnaire's items over the answered subjects the filters select (Group G,\n"
    "Jens S, class T, Date from DATE to DATE in the stored form YYYY/MM/DD; all answered\n"
    "subjects without them) and prints one line of JSON: n, and per type (v j h a m g) its\n"
    "alpha (Cronbach's, of its 38 items: the ticks of parts 1 to 3 and the two ratings) and per\n"
    "item its part, key (the answer column), p (the mean), r (the correlation with the sum of\n"
    "the type's other 37 items), alpha_if_deleted, for ticks p_boys and p_girls, and flags (easy:\n"
    "p above 0.70, hard: p below 0.10, both for ticks only; weak: r below 0.30); then hexagon:\n"
    "the mean correlation of the totals of adjacent, alternate and opposite types on the ring,\n"
    "the correspondence index ci of the circular order, and the correlations r. A value that is\n"
    "undefined (fewer than two subjects, a score that never varies) is null. --by splits the\n"
    "subjects by sex or by class: {\"by\", \"n\", \"cells\": [...]}, each cell as above. --out\n"
    "writes the report a counsellor reads instead (PDF, or an .xlsx workbook).",
    runAnalyze});
