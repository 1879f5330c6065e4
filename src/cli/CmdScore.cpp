#include "cli/Cli.h"
#include "data/PersianText.h"
#include "scoring/Interpretation.h"
#include "scoring/NormTable.h"
#include "scoring/Psychometrics.h"
#include "scoring/Scoring.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
template <typename Texts> QJsonArray jsonArray(const Texts& texts)
{
    QJsonArray a;
    for (const QString& text : texts)
        a.append(text);
    return a;
}

QStringList foldedDigits(QStringList texts)
{
    for (QString& t : texts)
        t = PersianText::foldDigits(t);
    return texts;
}

// One value as compact JSON text.
QString compact(const QJsonValue& v)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray{v}).toJson(QJsonDocument::Compact)).mid(1).chopped(1);
}

// The printed line keeps its fields in the order the help lists them (scripts and the tests
// read it as it is); a QJsonObject would sort them by name.
class OrderedObject {
public:
    void insert(const QString& key, const QJsonValue& value) { m_fields.append({key, value}); }
    QString text() const
    {
        QStringList fields;
        for (const auto& [key, value] : m_fields)
            fields << compact(key) + ':' + compact(value);
        return '{' + fields.join(',') + '}';
    }

private:
    QList<QPair<QString, QJsonValue>> m_fields;
};

QJsonValue number(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null); }

int runScore(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--code", "--norms", "--aspiration"}, {});
    const bool byCode = a.options.contains("--code");
    if (!a.error.isEmpty() || (byCode && !a.positional.isEmpty())
        || (!byCode && a.positional.size() != Scoring::TypeCount)) {
        io.err << (a.error.isEmpty() ? QStringLiteral("expected six totals V J H A M G, or --code C") : a.error)
               << "\n";
        return Cli::Usage;
    }
    std::optional<Psychometrics::Code3> aspiration;
    if (a.options.contains("--aspiration")) {
        aspiration = Psychometrics::parseCode(a.options.value("--aspiration"));
        if (!aspiration) {
            io.err << Psychometrics::badCodeMessage() << "\n";
            return Cli::Usage;
        }
    }
    NormTable::Table norms;
    if (a.options.contains("--norms")) {
        QString error;
        if (!NormTable::load(a.options.value("--norms"), &norms, &error)) {
            io.err << error << "\n";
            return Cli::Failed;
        }
    }

    Scoring::Shown shown;
    if (byCode) {
        QString error;
        const Scoring::SubjectStatus status = Scoring::scoreSubject(a.options.value("--code"), &shown, &error);
        if (!error.isEmpty()) {
            io.err << error << "\n";
            return Cli::Failed;
        }
        if (status == Scoring::SubjectStatus::NotFound) {
            io.err << Scoring::notFoundMessage() << "\n";
            return Cli::Failed;
        }
        if (status == Scoring::SubjectStatus::NotAnswered) {
            io.err << Scoring::notAnsweredMessage() << "\n";
            return Cli::Failed;
        }
    } else {
        const auto totals = Scoring::parseTotals(foldedDigits(a.positional));
        if (!totals) {
            io.err << Scoring::notAnsweredMessage() << "\n";
            return Cli::Failed;
        }
        shown.setResult(Scoring::score(*totals), Scoring::DescriptionLookup());
    }
    OrderedObject out;
    out.insert("ranks", jsonArray(shown.ranks));
    out.insert("weights", jsonArray(shown.weights));
    out.insert("adjusted", jsonArray(shown.adjusted));
    out.insert("code", jsonArray(shown.code3));
    out.insert("streams", jsonArray(shown.streams));
    const Scoring::Indices& ind = shown.indices;
    out.insert("pair", jsonArray(QStringList{Scoring::columnLetter(ind.pair[0]), Scoring::columnLetter(ind.pair[1])}));
    out.insert("consistency", Scoring::consistencyId(ind.consistency));
    out.insert("differentiation", ind.differentiation);
    if (const auto& q = shown.quality) {
        out.insert("answered",
                   QJsonObject{{"part1", q->part1}, {"part2", q->part2}, {"part3", q->part3}, {"ratings", q->ratings}});
        out.insert("flags", jsonArray(Scoring::flagIds(q->flags)));
    }
    if (a.options.contains("--norms")) {
        const NormTable::SubjectNorms n = NormTable::scoreSubject(norms, shown.sex, shown.grade, *shown.scored);
        QJsonArray percentile, t, sem;
        for (const Psychometrics::NormScore& s : n.scores) {
            percentile.append(number(s.percentile));
            t.append(number(s.t));
            sem.append(number(s.sem));
        }
        out.insert("percentile", percentile);
        out.insert("t", t);
        out.insert("sem", sem);
        out.insert("cell", n.found ? QJsonValue(n.label) : QJsonValue(QJsonValue::Null));
        out.insert("norm_n", n.n);
        if (!n.note.isEmpty())
            out.insert("norm_note", n.note);
    }
    if (aspiration) {
        const int m = Psychometrics::iachan(Psychometrics::code3(*shown.scored), *aspiration);
        out.insert("congruence",
                   QJsonObject{{"aspiration", Psychometrics::codeText(*aspiration)},
                               {"iachan", m},
                               {"words", Psychometrics::iachanWords(m)}});
    }
    io.out << out.text() << "\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "score", "score V J H A M G | score --code C [--norms FILE] [--aspiration CODE]",
    "Scores six raw totals (the texts of V, J, H, A, M, GH), or those stored for subject C,\n"
    "exactly as the scoring window does, and prints one line of JSON with the texts the window\n"
    "shows: ranks, weights, adjusted (type order v, j, h, a, m, g), code (the three code\n"
    "positions, a tied pair as X-Y) and streams (mathematical sciences, experimental sciences,\n"
    "humanities, services, industry, agriculture), then pair (the two leading types' letters\n"
    "v j h a m g), consistency (high, medium, low: their distance on the ring) and\n"
    "differentiation (highest minus lowest total); with --code also answered (ticks of parts\n"
    "1, 2, 3 and ratings given) and flags (no_ratings, equal_ratings, few_ticks, flat_profile).\n"
    "A code that is not registered, or totals\n"
    "that are not six whole numbers, print the window's message and exit 1.\n"
    "--norms FILE (a table of norms build) adds percentile, t and sem per type against the\n"
    "table's cell of the subject's sex and class (the six totals alone: the table's only cell),\n"
    "cell (its name) and norm_n (its N); a value the cell cannot give is null and norm_note says\n"
    "why (no cell for the subject, fewer than 30 subjects for percentile ranks).\n"
    "--aspiration CODE (three type letters, as the window shows them: و ج ه الف م ق) adds\n"
    "congruence: the code, Iachan's agreement index of the subject's code with it (0 to 28) and\n"
    "its words (کم 0-7, متوسط 8-17, زیاد 18-28).",
    runScore});
