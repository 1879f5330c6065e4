#include "data/ClinicData.h"
#include "cli/Cli.h"
#include "report/SubjectListReport.h"
#include "report/ResultReport.h"

namespace {
int runReport(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--code", "--out"}, {});
    const QString kind = a.positional.value(0);
    QString usage;
    if (!a.error.isEmpty())
        usage = a.error;
    else if (a.positional.size() != 1 || (kind != "result" && kind != "list"))
        usage = QStringLiteral("expected: report result --code C --out FILE.pdf | report list --out FILE.pdf");
    else if (a.options.value("--out").isEmpty())
        usage = QStringLiteral("--out FILE.pdf is required");
    else if (kind == "result" && !a.options.contains("--code"))
        usage = QStringLiteral("report result needs --code C");
    else if (kind == "list" && a.options.contains("--code"))
        usage = QStringLiteral("report list takes no --code");
    if (!usage.isEmpty()) {
        io.err << usage << "\n";
        return Cli::Usage;
    }

    // The stored clinic details, show-logo setting and logo: what the main window keeps.
    const ClinicData clinic = ClinicData::load();
    const QString out = a.options.value("--out");
    QString message;
    const bool ok = kind == "result" ? ResultReport::writeSubjectPdf(a.options.value("--code"), clinic, out, &message)
                                     : SubjectListReport::writeAllSubjectsPdf(clinic, out, &message);
    if (!ok) {
        io.err << message << "\n";
        return Cli::Failed;
    }
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "report", "report result --code C --out FILE.pdf | report list --out FILE.pdf",
    "Writes the result report of subject C, or the subject-list report of all subjects, as a\n"
    "PDF file: the same layout, labels, logo rule and clinic texts as the preview the scoring\n"
    "window shows. The clinic's name, address and contact lines, the show-logo setting and the\n"
    "logo come from the program folder. A code that is not registered prints the scoring\n"
    "window's message and exits 1; so does a file that cannot be written.",
    runReport});
