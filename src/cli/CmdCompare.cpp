#include "cli/Cli.h"
#include "data/PersianText.h"
#include "report/RetestReport.h"
#include "scoring/NormTable.h"
#include "scoring/Psychometrics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {
QJsonValue number(const std::optional<double>& v) { return v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null); }

int runCompare(const QStringList& argsIn, Cli::Io& io)
{
    // --code is given twice: the first and the second administration.
    QStringList args, codes;
    for (int i = 0; i < argsIn.size(); ++i) {
        if (argsIn[i] == QLatin1String("--code") && i + 1 < argsIn.size())
            codes << argsIn[++i];
        else if (argsIn[i].startsWith(QLatin1String("--code=")))
            codes << argsIn[i].mid(7);
        else
            args << argsIn[i];
    }
    const Cli::Args a = Cli::parse(args, {"--norms", "--out"}, {});
    if (!a.error.isEmpty() || !a.positional.isEmpty() || codes.size() != 2) {
        io.err << (a.error.isEmpty()
                       ? QStringLiteral("expected: compare --code A --code B [--norms FILE] [--out FILE.pdf]")
                       : a.error)
               << "\n";
        return Cli::Usage;
    }

    std::array<Scoring::Shown, 2> shown;
    for (int k = 0; k < 2; ++k) {
        QString error;
        const QString code = PersianText::foldDigits(codes[k]);
        const Scoring::SubjectStatus status = Scoring::scoreSubject(code, &shown[size_t(k)], &error);
        if (!error.isEmpty()) {
            io.err << error << "\n";
            return Cli::Failed;
        }
        if (status != Scoring::SubjectStatus::Scored) {
            io.err << (status == Scoring::SubjectStatus::NotFound ? Scoring::notFoundMessage()
                                                                  : Scoring::notAnsweredMessage())
                   << "\n";
            return Cli::Failed;
        }
    }

    // The SEMs: of the table's cell of the first administration's sex and class, or of all
    // answered subjects.
    QString error;
    NormTable::Table table;
    const bool withTable = a.options.contains("--norms");
    if (withTable && !NormTable::load(a.options.value("--norms"), &table, &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    NormTable::RetestSems retestSems;
    if (!NormTable::retestSems(withTable ? &table : nullptr, shown[0].sex, shown[0].grade, &retestSems, &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    const auto& sems = retestSems.sem;
    const QString& semFrom = retestSems.from;
    const QString& note = retestSems.note;

    const NormTable::ShownRetest shownRetest = NormTable::shownRetest(*shown[0].scored, *shown[1].scored, retestSems);
    const Psychometrics::Retest& r = shownRetest.retest;
    if (a.options.contains("--out")) {
        RetestReport report;
        report.fill(shown[0], shown[1], shownRetest);
        if (!report.writePdf(a.options.value("--out"), &error)) {
            io.err << error << "\n";
            return Cli::Failed;
        }
    }
    QJsonObject diff, rci, reliable, sem;
    for (int t = 0; t < Psychometrics::TypeCount; ++t) {
        const QString key = QString::fromLatin1(InterestTypes::Latin[t]);
        diff.insert(key, r.diff[size_t(t)]);
        rci.insert(key, number(r.rci[size_t(t)]));
        reliable.insert(key, r.reliable[size_t(t)]);
        sem.insert(key, number(sems[size_t(t)]));
    }
    QJsonObject out{{"diff", diff},
                    {"rci", rci},
                    {"reliable", reliable},
                    {"sem", sem},
                    {"sem_from", semFrom.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(semFrom)},
                    {"codes", QJsonArray{Psychometrics::codeText(r.first), Psychometrics::codeText(r.second)}},
                    {"first_letter_agrees", r.firstLetterAgrees},
                    {"set_agrees", r.setAgrees},
                    {"iachan", r.iachan}};
    if (!note.isEmpty())
        out.insert("note", note);
    io.out << QString::fromUtf8(QJsonDocument(out).toJson(QJsonDocument::Compact)) << "\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "compare", "compare --code A --code B [--norms FILE] [--out FILE.pdf]",
    "Compares two administrations of one person, subject A (the first) and subject B (the\n"
    "second), and prints one line of JSON, per type v j h a m g: diff (B minus A), rci (the\n"
    "reliable-change index diff / (SEM * sqrt 2)), reliable (|rci| above 1.96) and sem; sem_from\n"
    "(the norm cell, or all answered subjects without --norms); codes (both type codes, a tied\n"
    "position by the letter shown first); first_letter_agrees, set_agrees (the three letters as\n"
    "a set) and iachan (Iachan's agreement index of B's code with A's, 0 to 28). The SEMs come\n"
    "from the cell of the table FILE that A's sex and class select, else from all answered\n"
    "subjects; a type without one has rci null. A code that is not registered or not answered\n"
    "prints the scoring window's message and exits 1. --out FILE.pdf also writes the one-page\n"
    "comparison the scoring window prints.",
    runCompare});
