#include "backup/Backup.h"
#include "backup/BackupTexts.h"
#include "data/SingleInstance.h"
#include "cli/Cli.h"

#include <QDir>
#include <QFileInfo>

namespace {
// The copy routine's failure message spans two lines in the window; the tool keeps one line.
QString oneLine(QString message)
{
    message.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return message;
}

int report(const Backup::Result& result, Cli::Io& io)
{
    if (result.ok()) {
        io.out << result.message << "\n";
        return Cli::Success;
    }
    io.err << oneLine(result.message) << "\n";
    return Cli::Failed;
}

bool singleFile(const Cli::Args& a, Cli::Io& io)
{
    if (!a.error.isEmpty() || a.positional.size() != 1 || a.positional.first().isEmpty()) {
        io.err << (a.error.isEmpty() ? QStringLiteral("exactly one FILE is expected") : a.error) << "\n";
        return false;
    }
    return true;
}

int runBackup(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {}, {"--force"});
    if (!singleFile(a, io))
        return Cli::Usage;
    const QString file = a.positional.first();
    // The window asks before replacing a file; the tool replaces only when told to.
    if (QFileInfo::exists(file) && !a.flags.contains("--force")) {
        io.err << QString::fromUtf8(BackupText::OverwriteRefused) << "\n";
        return Cli::Failed;
    }
    return report(Backup::backupDatabase(file), io);
}

int runRestore(const QStringList& args, Cli::Io& io)
{
    const Cli::Args a = Cli::parse(args, {}, {});
    if (!singleFile(a, io))
        return Cli::Usage;
    // The file is never swapped under an open program: the restore holds the folder's
    // instance lock as the program does.
    SingleInstance instance;
    if (!instance.acquire()) {
        io.err << QString::fromUtf8(AlreadyRunningText) << "\n";
        return Cli::Failed;
    }
    const Backup::Result result = Backup::restoreDatabase(a.positional.first());
    if (!result.ok()) {
        // The copy routine's message is the same for backup and restore; the restore
        // button's caption says which one failed.
        io.err << QString::fromUtf8(BackupText::RestoreButton) << ": " << oneLine(result.message) << "\n";
        return Cli::Failed;
    }
    io.out << result.message << "\n";
    if (!result.safetyCopy.isEmpty())
        io.out << QDir::toNativeSeparators(result.safetyCopy) << "\n";
    return Cli::Success;
}
} // namespace

MERAVEL_CLI_COMMAND(Cli::Command{
    "backup", "backup FILE [--force]",
    "Copies the main database (meravelDB.mdb) to FILE with the backup window's copy routine: a\n"
    "temporary file beside FILE, flushed to disk, then renamed over it, so FILE is always either\n"
    "the old or the new file. An existing FILE is replaced only with --force. Copying the\n"
    "database onto itself is refused.",
    runBackup});

MERAVEL_CLI_COMMAND(Cli::Command{
    "restore", "restore FILE",
    "Copies the backup file FILE over the main database, as the backup window's REASTOR does but\n"
    "without its question. FILE must be a sound database of this program (it opens, passes the\n"
    "integrity check, holds IDE, S1 to S4 and type1 with exactly the program's columns and no\n"
    "trigger, view or other table); otherwise nothing is changed. The replaced database is kept\n"
    "as Back/before-restore-DATE.mdbB in the program folder, whose path is printed on a second\n"
    "line. Refused while the program runs on the folder.",
    runRestore});
