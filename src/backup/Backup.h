#pragma once
#include <QDateTime>
#include <QFileDevice>
#include <QFuture>
#include <QString>
#include <functional>

// The module Backup: the copy routine shared by the backup window, the restore and the
// companion tool, and the two whole operations built on it (back up the main database,
// restore it from a backup file).
//
// The copy never writes into the destination itself: it fills a temporary file in the
// destination's folder, flushes it to disk and then replaces the destination with one
// rename. Until that rename the old destination stays whole; a failure or a crash leaves it
// untouched.
namespace Backup {
// The copy moves this many bytes at a time (not 4096).
constexpr qint64 ChunkSize = 4048;

// Called before each chunk, on the thread that copies, with the bytes copied so far and the
// source length. Tests and the crash test watch the chunks through it; empty removes it.
using ChunkObserver = std::function<void(qint64 copied, qint64 total)>;
void setChunkObserver(ChunkObserver observer);

// Copies source to destination byte for byte, replacing an existing destination whatever its
// length. Returns false with the failure's description in *error; the destination is then
// as it was. Source and destination naming the same file is refused.
// The copy is written to a temporary file in the destination's folder, readable by its owner
// only; check (when set) sees that finished, flushed file before it replaces anything and may
// refuse it. The destination then gets permissions (when set), or keeps those it had, or is
// readable by its owner only when it is new.
struct CopyOptions {
    std::function<bool(const QString& temporaryFile, QString* error)> check;
    QFileDevice::Permissions permissions;
};
bool copy(const QString& source, const QString& destination, QString* error = nullptr,
          const CopyOptions& options = CopyOptions());

// Whether the two paths name one existing file (also through links).
bool isSameFile(const QString& a, const QString& b);

// The copy routine's failure message: its text, CR LF, the description.
QString copyFailureMessage(const QString& errorDescription);

// Whether a file chosen for a restore is a sound database of this program
// (DatabaseCheck::validateMainDatabase).
enum class FileCheck { Sound, Unreadable, NotABackup };
FileCheck checkBackupFile(const QString& path, QString* error = nullptr);

enum class Outcome { Done, CopyFailed, NotABackup };
struct Result {
    Outcome outcome = Outcome::Done;
    QString message; // the text the user is shown for the outcome
    QString safetyCopy; // a restore: where the replaced database was kept (empty when none)
    bool ok() const { return outcome == Outcome::Done; }
};

// Copies the main database of the program folder to destination, readable by its owner only.
// Every connection of this program to the database is closed first, and the file is read
// under a read transaction, so another process writing meanwhile cannot tear the copy; the
// copy passes SQLite's quick check before it replaces destination. Asking about an existing
// destination is the caller's business.
Result backupDatabase(const QString& destination);
// Copies a backup file over the main database. The copy is checked before it replaces the
// database; the database it replaces is first kept as a safety copy (safetyCopyPath(), in
// the folder Back/ of the program folder, readable by its owner only). A refused or failed
// restore leaves the database as it was.
Result restoreDatabase(const QString& source);
// The two operations on a thread of their own, for a window that keeps serving its events
// while a large database is copied: the result arrives through the future (a QFutureWatcher's
// finished signal). The calling thread's connections to the database are closed first, as the
// blocking calls close those of their own thread; the companion tool uses the blocking ones.
QFuture<Result> startBackup(const QString& destination);
QFuture<Result> startRestore(const QString& source);
// Where a restore started at a given time keeps the replaced database.
QString safetyCopyPath(const QDateTime& when);
} // namespace Backup
