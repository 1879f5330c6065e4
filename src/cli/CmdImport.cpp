#include "cli/Cli.h"
#include "records/WorkbookImport.h"

namespace {
// Messages are printed on one line; the rating refusal's two lines are joined by a blank.
QString oneLine(QString text) { return text.replace('\n', ' '); }

int runImport(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {"--code"}, {});
    if (!a.error.isEmpty() || a.positional.size() != 1 || !a.options.contains("--code")) {
        io.err << (a.error.isEmpty() ? QStringLiteral("usage: import --code C FILE") : a.error) << "\n";
        return Cli::Usage;
    }
    // The same two steps as the Excel exchange window: select the subject (creating its
    // missing answer rows), then import the workbook.
    const QString code = a.options.value("--code");
    const WorkbookImport::Selection s = WorkbookImport::select(code);
    if (s.status != WorkbookImport::Selection::Selected) {
        io.err << oneLine(s.message) << "\n";
        return Cli::Failed;
    }
    const WorkbookImport::Result r = WorkbookImport::run(code, a.positional.first());
    if (!r.ok()) {
        io.err << oneLine(r.box.text) << "\n";
        return Cli::Failed;
    }
    io.out << oneLine(r.box.text) << "\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "import",
    "import --code C FILE",
    "Imports the answers of subject C from the answer workbook FILE (.xlsx, .xlsm, .ods or .xls)\n"
    "as the Excel exchange window does: the subject's missing answer rows are created, the\n"
    "workbook's marker and ratings are checked, and every answer of S1 to S4 and the six totals\n"
    "are stored in one transaction. Exit 0 only when the data was stored.",
    runImport});
