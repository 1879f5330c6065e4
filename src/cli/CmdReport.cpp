#include "data/ClinicStore.h"
#include "cli/Cli.h"
#include "report/GroupReport.h"
#include "report/ResultReport.h"
#include "report/SubjectListReport.h"

#include <QRegularExpression>

namespace {
// Persian and Arabic-Indic digits of an argument as ASCII digits.
QString asciiDigits(QString text)
{
    for (QChar& c : text)
        if (c.isDigit() && c.unicode() > 0x7F && c.digitValue() >= 0)
            c = QChar('0' + c.digitValue());
    return text;
}

int runReport(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--code", "--out", "--group", "--class", "--from", "--to"}, {});
    const QString kind = a.positional.value(0);
    QString usage;
    if (!a.error.isEmpty())
        usage = a.error;
    else if (a.positional.size() != 1 || (kind != "result" && kind != "list" && kind != "group"))
        usage = QStringLiteral("expected: report result --code C --out FILE.pdf | report list --out FILE.pdf | "
                               "report group [--group G] [--class T] [--from DATE] [--to DATE] --out FILE.pdf");
    else if (a.options.value("--out").isEmpty())
        usage = QStringLiteral("--out FILE.pdf is required");
    else if (kind == "result" && !a.options.contains("--code"))
        usage = QStringLiteral("report result needs --code C");
    else if (kind != "result" && a.options.contains("--code"))
        usage = QStringLiteral("report %1 takes no --code").arg(kind);
    else if (kind != "group"
             && (a.options.contains("--group") || a.options.contains("--class") || a.options.contains("--from")
                 || a.options.contains("--to")))
        usage = QStringLiteral("--group, --class, --from and --to belong to report group");
    for (const char* option : {"--from", "--to"}) {
        const QString date = asciiDigits(a.options.value(option));
        if (usage.isEmpty() && a.options.contains(option)
            && !QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2}$")).match(date).hasMatch())
            usage = QStringLiteral("%1 expects a date as stored, YYYY/MM/DD: %2").arg(option, a.options.value(option));
    }
    if (!usage.isEmpty()) {
        io.err << usage << "\n";
        return Cli::Usage;
    }

    // The stored clinic details, show-logo setting and logo: what the main window keeps.
    const ClinicData clinic = ClinicStore().load();
    const QString out = a.options.value("--out");
    QString message;
    bool ok = false;
    if (kind == "result") {
        ok = ResultReport::writeSubjectPdf(a.options.value("--code"), clinic, out, &message);
    } else if (kind == "list") {
        ok = SubjectListReport::writeAllSubjectsPdf(clinic, out, &message);
    } else {
        GroupSummary::Selection selection;
        selection.group = a.options.value("--group");
        selection.grade = a.options.value("--class");
        selection.from = asciiDigits(a.options.value("--from"));
        selection.to = asciiDigits(a.options.value("--to"));
        ok = GroupReport::writeGroupPdf(selection, clinic, out, &message);
    }
    if (!ok) {
        io.err << message << "\n";
        return Cli::Failed;
    }
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "report",
    "report result --code C --out FILE.pdf | report list --out FILE.pdf | "
    "report group [--group G] [--class T] [--from DATE] [--to DATE] --out FILE.pdf",
    "Writes the result report of subject C, or the subject-list report of all subjects, as a\n"
    "PDF file: the same layout, labels, logo rule and clinic texts as the preview the scoring\n"
    "window shows. report group writes the group summary of the subjects whose Group is G,\n"
    "whose class (Tahsil) is T and whose Date lies from DATE to DATE (inclusive, in the stored\n"
    "form YYYY/MM/DD), each option narrowing the selection, all subjects without them. The\n"
    "clinic's name, address and contact lines, the show-logo setting and the\n"
    "logo come from the program folder. A code that is not registered prints the scoring\n"
    "window's message and exits 1; so does a file that cannot be written.",
    runReport});
