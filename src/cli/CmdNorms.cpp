#include "cli/Cli.h"
#include "scoring/NormTable.h"
#include "scoring/ReferenceGroup.h"

namespace {
int runNorms(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, Cli::selectionOptions() + QStringList{"--by", "--out"}, {});
    const QString kind = a.positional.value(0);
    QString usage = a.error;
    unsigned split = ReferenceGroup::None;
    GroupSummary::Selection selection;
    if (usage.isEmpty() && kind == QLatin1String("build")) {
        if (a.positional.size() != 1)
            usage = QStringLiteral("norms build takes no file but --out FILE");
        else if (a.options.value("--out").isEmpty())
            usage = QStringLiteral("norms build needs --out FILE");
        else if (!ReferenceGroup::parseSplit(a.options.value("--by"), &split))
            usage = QStringLiteral("--by takes sex, class or sex,class: %1").arg(a.options.value("--by"));
        else
            Cli::readSelection(a, &selection, &usage);
    } else if (usage.isEmpty() && kind == QLatin1String("show")) {
        if (a.positional.size() != 2 || !a.options.isEmpty())
            usage = QStringLiteral("expected: norms show FILE");
    } else if (usage.isEmpty()) {
        usage = QStringLiteral(
            "expected: norms build [filters] [--by sex|class|sex,class] --out FILE | norms show FILE");
    }
    if (!usage.isEmpty()) {
        io.err << usage << "\n";
        return Cli::Usage;
    }

    QString error;
    NormTable::Table table;
    if (kind == QLatin1String("show")) {
        if (!NormTable::load(a.positional[1], &table, &error)) {
            io.err << error << "\n";
            return Cli::Failed;
        }
        io.out << QString::fromUtf8(NormTable::toJson(table));
        return Cli::Success;
    }
    std::vector<Psychometrics::Subject> subjects;
    if (!ReferenceGroup::read(selection, &subjects, &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    table = NormTable::build(subjects, split);
    table.filters = selection;
    if (!NormTable::save(table, a.options.value("--out"), &error)) {
        io.err << error << "\n";
        return Cli::Failed;
    }
    io.out << "norm table " << a.options.value("--out") << ": " << subjects.size() << " subjects in "
           << table.cells.size() << " cells\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "norms",
    "norms build [--group G] [--sex S] [--class T] [--from DATE] [--to DATE] [--by sex|class|sex,class] --out FILE | "
    "norms show FILE",
    "norms build writes a norm table of the answered subjects the filters select (as analyze\n"
    "takes them), in one cell or split by sex, by class or by both: a JSON file holding the\n"
    "format and its version, the filters, the split, the date it was made (UTC) and per cell its\n"
    "N and per type (v j h a m g) the mean, the standard deviation (of the population), alpha\n"
    "and the frequency of each total 0 to 50. The scoring window and score --norms read it.\n"
    "norms show prints a table after checking it (a file that is not one, of another version or\n"
    "whose frequencies do not add up to its cells exits 1 saying so).",
    runNorms});
