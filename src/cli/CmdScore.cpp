#include "cli/Cli.h"
#include "data/PersianText.h"
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
           << ",\"streams\":" << jsonArray(shown.streams) << "}\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "score", "score V J H A M G | score --code C",
    "Scores six raw totals (the texts of V, J, H, A, M, GH), or those stored for subject C,\n"
    "exactly as the scoring window does, and prints one line of JSON with the texts the window\n"
    "shows: ranks, weights, adjusted (type order v, j, h, a, m, g), code (the three code\n"
    "positions, a tied pair as X-Y) and streams (mathematical sciences, experimental sciences,\n"
    "humanities, services, industry, agriculture). A code that is not registered, or totals\n"
    "that are not six whole numbers, print the window's message and exit 1.",
    runScore});
