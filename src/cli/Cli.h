#pragma once
#include <QHash>
#include <QStringList>
#include <QTextStream>
#include <functional>

namespace GroupSummary {
struct Selection;
}

// The companion tool's command table and streams. A command parses its own arguments and
// calls the same routines the windows use; it prints the program's own message texts.
namespace Cli {
enum Exit { Success = 0, Failed = 1, Usage = 2 };

struct Io {
    QTextStream& out;
    QTextStream& err;
    QTextStream* in = nullptr; // standard input, for commands that read lines
};

struct Command {
    QString name;
    QString synopsis;    // one line: "date [--form F] [DATE ...]"
    QString help;        // the whole description for "COMMAND --help"
    std::function<int(const QStringList& args, Io& io)> run;
};

// Registers a command (used by the static registrars of the Cmd*.cpp files).
bool registerCommand(const Command& command);

// Runs a whole command line (without the program name). FolderChoice::Choose (main()) picks
// the program folder with ProgramFolder::choose() when the line names none; AsSet (in-process
// callers) keeps the folder set before.
enum class FolderChoice { AsSet, Choose };
int run(const QStringList& args, Io& io, FolderChoice folder = FolderChoice::AsSet);

// Small argument helpers for the commands.
struct Args {
    QStringList positional;
    QHash<QString, QString> options; // "--code" -> value
    QStringList flags;               // "--force"
    QString error;                   // non-empty when the line is malformed
};
// valueOptions: the options that take a value; flagOptions: those that don't. The values of
// the numeric options (numericOptions()) have their Persian and Arabic-Indic digits in ASCII.
const QStringList& numericOptions();
Args parse(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions);

// The filters of a reference group, as the group report takes them plus the sex: --group G,
// --sex S, --class T, --from DATE, --to DATE (the stored form YYYY/MM/DD, digits of any script).
const QStringList& selectionOptions();
// False with the usage text when a date is not in the stored form.
bool readSelection(const Args& args, GroupSummary::Selection* selection, QString* usage);
} // namespace Cli

#define MERAVEL_CLI_CONCAT2(a, b) a##b
#define MERAVEL_CLI_CONCAT(a, b) MERAVEL_CLI_CONCAT2(a, b)
#define MERAVEL_CLI_COMMAND(...) \
    static const bool MERAVEL_CLI_CONCAT(cliRegistered_, __LINE__) = Cli::registerCommand(__VA_ARGS__)
