#include "cli/Cli.h"
#include "data/SubjectStore.h"

namespace {
int runFind(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--code", "--first", "--last", "--group"}, {});
    if (!a.error.isEmpty() || !a.positional.isEmpty()) {
        io.err << (a.error.isEmpty() ? "unexpected argument " + a.positional.first() : a.error) << "\n";
        return Cli::Usage;
    }
    SubjectSearch::Criteria c;
    c.code = a.options.value("--code");
    c.firstName = a.options.value("--first");
    c.lastName = a.options.value("--last");
    c.group = a.options.value("--group");
    QString error;
    const QVector<SubjectSearch::Row> rows = SubjectStore().find(c, &error);
    if (!error.isEmpty()) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    for (const SubjectSearch::Row& r : rows)
        io.out << r.code << '\t' << r.firstName << '\t' << r.lastName << '\t' << r.group << '\n';
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "find", "find [--code C] [--first F] [--last L] [--group G]",
    "Prints the subjects matching every given option, as the look-up window finds them: one line\n"
    "per subject, Code, first name, last name and group separated by tabs, in registration order.\n"
    "Names compare as Persian readers read them: Arabic and Persian yeh and kaf, diacritics,\n"
    "zero-width non-joiners, Persian and Arabic-Indic digits and extra blanks make no difference.\n"
    "No option lists every subject; nothing found prints nothing (exit status 0).",
    runFind});
