#include "cli/Cli.h"
#include "data/PersianText.h"
#include "scoring/Interpretation.h"
#include "scoring/Scoring.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {
template <typename Texts>
QString jsonArray(const Texts& texts)
{
    QJsonArray a;
    for (const QString& text : texts)
        a.append(text);
    return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
}

QStringList foldedDigits(QStringList texts)
{
    for (QString& t : texts)
        t = PersianText::foldDigits(t);
    return texts;
}

int runScore(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--code"}, {});
    const bool byCode = a.options.contains("--code");
    if (!a.error.isEmpty() || (byCode && !a.positional.isEmpty())
        || (!byCode && a.positional.size() != Scoring::TypeCount)) {
        io.err << (a.error.isEmpty() ? QStringLiteral("expected six totals V J H A M G, or --code C") : a.error)
               << "\n";
        return Cli::Usage;
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
    io.out << "{\"ranks\":" << jsonArray(shown.ranks) << ",\"weights\":" << jsonArray(shown.weights)
           << ",\"adjusted\":" << jsonArray(shown.adjusted) << ",\"code\":" << jsonArray(shown.code3)
           << ",\"streams\":" << jsonArray(shown.streams);
    const Scoring::Indices& ind = shown.indices;
    io.out << ",\"pair\":"
           << jsonArray(QStringList{Scoring::columnLetter(ind.pair[0]), Scoring::columnLetter(ind.pair[1])})
           << ",\"consistency\":\"" << Scoring::consistencyId(ind.consistency) << "\""
           << ",\"differentiation\":" << ind.differentiation;
    if (const auto& q = shown.quality) {
        io.out << ",\"answered\":{\"part1\":" << q->part1 << ",\"part2\":" << q->part2 << ",\"part3\":" << q->part3
               << ",\"ratings\":" << q->ratings << "},\"flags\":" << jsonArray(Scoring::flagIds(q->flags));
    }
    io.out << "}\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "score", "score V J H A M G | score --code C",
    "Scores six raw totals (the texts of V, J, H, A, M, GH), or those stored for subject C,\n"
    "exactly as the scoring window does, and prints one line of JSON with the texts the window\n"
    "shows: ranks, weights, adjusted (type order v, j, h, a, m, g), code (the three code\n"
    "positions, a tied pair as X-Y) and streams (mathematical sciences, experimental sciences,\n"
    "humanities, services, industry, agriculture), then pair (the two leading types' letters\n"
    "v j h a m g), consistency (high, medium, low: their distance on the ring) and\n"
    "differentiation (highest minus lowest total); with --code also answered (ticks of parts\n"
    "1, 2, 3 and ratings given) and flags (no_ratings, equal_ratings, few_ticks, flat_profile).\n"
    "A code that is not registered, or totals\n"
    "that are not six whole numbers, print the window's message and exit 1.",
    runScore});
