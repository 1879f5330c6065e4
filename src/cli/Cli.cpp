#include "cli/Cli.h"

#include "data/PersianText.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "data/Version.h"
#include "scoring/GroupSummary.h"

#include <QHash>
#include <QRegularExpression>
#include <map>

namespace Cli {
namespace {
std::map<QString, Command>& table()
{
    static std::map<QString, Command> commands;
    return commands;
}

void printUsage(QTextStream& s)
{
    s << "Usage: meravel-cli [--folder DIR] [--database URL] COMMAND [ARGUMENTS]\n"
      << "       meravel-cli --version\n\n"
      << "  --folder DIR    the program folder (default: the folder of meravel-cli when it\n"
      << "                  holds meravelDB.mdb, else the per-user data folder, filled from\n"
      << "                  the installed templates on first use)\n"
      << "  --database URL  the main database on a PostgreSQL server for this command\n"
      << "                  (postgresql://user@host:port/dbname) instead of the folder's\n"
      << "                  database.conf or meravelDB.mdb\n\n"
      << "Commands:\n";
    for (const auto& [name, cmd] : table())
        s << "  " << cmd.synopsis << "\n";
    s << "\nmeravel-cli COMMAND --help describes one command.\n"
      << "Exit status: 0 success, 1 refused or failed, 2 wrong command line.\n";
}
} // namespace

const QStringList& numericOptions()
{
    static const QStringList names{"--code", "--age", "--form"};
    return names;
}

const QStringList& selectionOptions()
{
    static const QStringList names{"--group", "--sex", "--class", "--from", "--to"};
    return names;
}

bool readSelection(const Args& a, GroupSummary::Selection* selection, QString* usage)
{
    for (const char* option : {"--from", "--to"}) {
        const QString date = PersianText::foldDigits(a.options.value(option));
        if (a.options.contains(option)
            && !QRegularExpression(QStringLiteral("^\\d{4}/\\d{2}/\\d{2}$")).match(date).hasMatch()) {
            *usage = QStringLiteral("%1 expects a date as stored, YYYY/MM/DD: %2").arg(option, a.options.value(option));
            return false;
        }
    }
    selection->group = a.options.value("--group");
    selection->sex = a.options.value("--sex");
    selection->grade = a.options.value("--class");
    selection->from = PersianText::foldDigits(a.options.value("--from"));
    selection->to = PersianText::foldDigits(a.options.value("--to"));
    return true;
}

bool registerCommand(const Command& command)
{
    table()[command.name] = command;
    return true;
}

// The options of a command that take a value, read from its synopsis: an option followed
// by a placeholder ("--code C", "[--out FILE]").
static QStringList valueOptionsOf(const Command& command)
{
    QStringList options;
    const QStringList words = command.synopsis.split(' ', Qt::SkipEmptyParts);
    auto bare = [](QString w) { return w.remove('[').remove(']'); };
    for (int i = 0; i + 1 < words.size(); ++i) {
        const QString w = bare(words[i]), next = bare(words[i + 1]);
        if (w.startsWith("--") && !next.isEmpty() && next.at(0).isUpper() && !words[i].endsWith(']'))
            options << w;
    }
    return options;
}

// "--help" anywhere asks for the command's help, except as the value of an option.
static bool asksForHelp(const Command& command, const QStringList& args)
{
    const QStringList withValue = valueOptionsOf(command);
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == "--help")
            return true;
        if (withValue.contains(args[i]))
            ++i; // its value, whatever it reads
    }
    return false;
}

Args parse(const QStringList& args, const QStringList& valueOptions, const QStringList& flagOptions)
{
    Args a;
    for (int i = 0; i < args.size(); ++i) {
        const QString& s = args[i];
        if (s.startsWith("--") && s.size() > 2) {
            QString name = s, value;
            const int eq = s.indexOf('=');
            if (eq > 0) {
                name = s.left(eq);
                value = s.mid(eq + 1);
            }
            if (valueOptions.contains(name)) {
                if (eq < 0) {
                    if (i + 1 >= args.size()) {
                        a.error = "option " + name + " needs a value";
                        return a;
                    }
                    value = args[++i];
                }
                // Codes, ages and numbers typed on a Persian keyboard are the same numbers.
                if (numericOptions().contains(name))
                    value = PersianText::foldDigits(value);
                a.options.insert(name, value);
            } else if (flagOptions.contains(name) && eq < 0) {
                a.flags << name;
            } else {
                a.error = "unknown option " + s;
                return a;
            }
        } else {
            a.positional << s;
        }
    }
    return a;
}

int run(const QStringList& argsIn, Io& io, FolderChoice folder)
{
    QStringList args = argsIn;
    // --database holds for this command line only.
    struct OverrideReset {
        ~OverrideReset()
        {
            Database::closeAll();
            Database::setMainOverride(QString());
        }
    } overrideReset;
    bool folderGiven = false;
    while (!args.isEmpty() && (args.first().startsWith("--folder") || args.first().startsWith("--database"))) {
        if (args.first() == "--database" || args.first().startsWith("--database=")) {
            const bool joined = args.first().startsWith("--database=");
            if (!joined && args.size() < 2) {
                io.err << "option --database needs a value\n";
                printUsage(io.err);
                return Usage;
            }
            const QString url = joined ? args.first().mid(11) : args[1];
            QString why;
            ServerUrl parsed;
            if (!ServerUrl::parse(url, &parsed, &why)) {
                io.err << why << "\n";
                printUsage(io.err);
                return Usage;
            }
            Database::setMainOverride(parsed.toString());
            args = args.mid(joined ? 1 : 2);
        } else if (args.first() == "--folder") {
            if (args.size() < 2) {
                io.err << "option --folder needs a value\n";
                printUsage(io.err);
                return Usage;
            }
            ProgramFolder::setPath(args[1]);
            folderGiven = true;
            args = args.mid(2);
        } else if (args.first().startsWith("--folder=")) {
            ProgramFolder::setPath(args.first().mid(9));
            folderGiven = true;
            args = args.mid(1);
        } else {
            break;
        }
    }
    if (args.isEmpty()) {
        printUsage(io.err);
        return Usage;
    }
    if (args.first() == "--help" || args.first() == "-h" || args.first() == "help") {
        printUsage(io.out);
        return Success;
    }
    if (args.first() == "--version") {
        io.out << "meravel-cli " << ProgramVersion::Text << "\n";
        return Success;
    }
    const auto it = table().find(args.first());
    if (it == table().end()) {
        io.err << "unknown command " << args.first() << "\n";
        printUsage(io.err);
        return Usage;
    }
    const QStringList rest = args.mid(1);
    if (asksForHelp(it->second, rest)) {
        io.out << "Usage: meravel-cli [--folder DIR] [--database URL] " << it->second.synopsis << "\n\n"
               << it->second.help << "\n";
        return Success;
    }
    if (folder == FolderChoice::Choose && !folderGiven) {
        const ProgramFolder::Choice choice = ProgramFolder::choose();
        if (!choice.ok()) {
            io.err << choice.error << "\n";
            return Failed;
        }
        if (!choice.notice.isEmpty())
            io.err << choice.notice << "\n";
    }
    // As at the program's start: a configured server that cannot be used ends the command
    // with the reason, before anything else (never the seat's own file instead). The folder's
    // database.conf is read once the folder is chosen.
    static const QStringList withoutMainDatabase{"date", "db", "check-update", "download"};
    if (!withoutMainDatabase.contains(it->first) && Database::mainIsServer()) {
        QString error;
        if (!Database::connection(DbFile::Main, &error).isOpen()) {
            io.err << error.replace(QStringLiteral("\r\n"), QStringLiteral(" ")) << "\n";
            return Failed;
        }
    }
    const int rc = it->second.run(rest, io);
    io.out.flush();
    io.err.flush();
    return rc;
}
} // namespace Cli
