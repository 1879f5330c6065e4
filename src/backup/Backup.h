#pragma once
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
// The copy moves this many bytes at a time (not 4096) and lets pending events run in between
// (before the first chunk, then at most every 10 ms).
constexpr qint64 ChunkSize = 4048;

// Called before each chunk with the bytes copied so far and the source length (after the
// pending events, when they ran before that chunk). Tests and the crash test watch the chunks through it; empty
// removes it.
using ChunkObserver = std::function<void(qint64 copied, qint64 total)>;
void setChunkObserver(ChunkObserver observer);

// Copies source to destination byte for byte, replacing an existing destination whatever its
// length. Returns false with the failure's description in *error; the destination is then
// as it was. Source and destination naming the same file is refused.
bool copy(const QString& source, const QString& destination, QString* error = nullptr);

// Whether the two paths name one existing file (also through links).
bool isSameFile(const QString& a, const QString& b);

// The copy routine's failure message: its text, CR LF, the description.
QString copyFailureMessage(const QString& errorDescription);

// Whether a file chosen for a restore is a sound database of this program: it opens, passes
// SQLite's integrity check and holds IDE, S1 to S4 and type1.
enum class FileCheck { Sound, Unreadable, NotABackup };
FileCheck checkBackupFile(const QString& path, QString* error = nullptr);

enum class Outcome { Done, CopyFailed, NotABackup };
struct Result {
    Outcome outcome = Outcome::Done;
    QString message; // the text the user is shown for the outcome
    bool ok() const { return outcome == Outcome::Done; }
};

// Copies the main database of the program folder to destination. Every connection to the
// database is closed first, so the file is the whole database while it is read. Asking about
// an existing destination is the caller's business.
Result backupDatabase(const QString& destination);
// Copies a backup file over the main database after checking that it is one.
Result restoreDatabase(const QString& source);
} // namespace Backup
