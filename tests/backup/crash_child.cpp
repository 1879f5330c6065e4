// A process for the crash test: backs up or restores the database of a program folder and
// is killed (SIGKILL; on Windows TerminateProcess) before a given chunk, or slowly enough that the parent can kill it
// anywhere.
//   backup_crash_child backup|restore FOLDER FILE KILL_AT_CHUNK DELAY_US
// KILL_AT_CHUNK -1 never kills itself; DELAY_US sleeps before every chunk.
#include "backup/Backup.h"
#include "data/ProgramFolder.h"

#include <QCoreApplication>
#include <QStringList>

#include <QThread>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {
// Ends the process at once, as a power cut or the task manager would: no clean-up runs.
[[noreturn]] void dieNow()
{
#ifdef Q_OS_WIN
    // An exit code in the range Windows gives crashed processes, so the parent sees a crash.
    TerminateProcess(GetCurrentProcess(), 0xC0000409);
#else
    ::raise(SIGKILL);
#endif
    std::abort();
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 6)
        return 2;
    ProgramFolder::setPath(a[2]);
    const qint64 killAt = a[4].toLongLong();
    const unsigned delay = a[5].toUInt();
    Backup::setChunkObserver([&](qint64 copied, qint64) {
        if (copied / Backup::ChunkSize == killAt)
            dieNow();
        if (delay)
            QThread::usleep(delay);
    });
    const Backup::Result r = a[1] == "backup" ? Backup::backupDatabase(a[3]) : Backup::restoreDatabase(a[3]);
    std::fputs(r.message.toUtf8().constData(), stdout);
    return r.ok() ? 0 : 1;
}
