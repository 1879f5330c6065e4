#include "backup/Backup.h"

#include "backup/BackupTexts.h"
#include "data/Database.h"
#include "data/DatabaseCheck.h"
#include "data/DbTransfer.h"
#include "data/PrivateFile.h"
#include "data/ProgramFolder.h"
#include "data/WorkerThread.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <future>
#include <memory>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <io.h>
#endif

namespace {
Backup::ChunkObserver& observer()
{
    static Backup::ChunkObserver o;
    return o;
}

// Holds a read transaction on a database file while it lives: another process may prepare a
// write but cannot commit it, so the bytes of the file are one committed state. Opened on
// a connection of its own (never one of Qt's), read-write so that a transaction a crash left
// in the journal is rolled back first.
class ReadSnapshot {
public:
    explicit ReadSnapshot(const QString& path)
    {
        sqlite3* raw = nullptr;
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
        m_db.reset(raw);
        if (rc != SQLITE_OK) {
            m_error = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
            return;
        }
        DatabaseCheck::harden(raw);
        sqlite3_busy_timeout(raw, 15000);
        if (sqlite3_exec(raw, "BEGIN; SELECT count(*) FROM sqlite_schema;", nullptr, nullptr, nullptr) != SQLITE_OK)
            m_error = QString::fromUtf8(sqlite3_errmsg(raw));
        else
            m_held = true;
    }
    ~ReadSnapshot()
    {
        if (m_held)
            sqlite3_exec(m_db.get(), "COMMIT", nullptr, nullptr, nullptr);
    }
    bool isHeld() const { return m_held; }
    QString error() const { return m_error; }

private:
    std::unique_ptr<sqlite3, int (*)(sqlite3*)> m_db{nullptr, sqlite3_close};
    bool m_held = false;
    QString m_error;
};

// The quick structural check of a finished copy, before it replaces anything.
bool quickCheck(const QString& path, QString* error)
{
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(raw, sqlite3_close);
    QStringList lines;
    if (rc == SQLITE_OK) {
        DatabaseCheck::harden(raw);
        // Mapped, the check reads the pages without copying each into SQLite's cache.
        sqlite3_exec(raw, "PRAGMA mmap_size = 1073741824", nullptr, nullptr, nullptr);
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(raw, "PRAGMA quick_check", -1, &s, nullptr) == SQLITE_OK) {
            while (sqlite3_step(s) == SQLITE_ROW)
                lines << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
        }
        sqlite3_finalize(s);
    }
    if (lines == QStringList{QStringLiteral("ok")})
        return true;
    if (error)
        *error = QStringLiteral("نسخه پشتيبان در بررسي درست نبود: %1")
                     .arg(lines.isEmpty() ? (raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QString())
                                          : lines.join("; "));
    return false;
}

// Copies the main database under a read transaction and checks the copy before it replaces
// destination.
bool copyMainDatabase(const QString& destination, QFile::Permissions permissions, QString* error)
{
    const QString database = Database::pathOf(DbFile::Main);
    // Copying the database onto itself is refused by the copy before anything is locked.
    if (Backup::isSameFile(database, destination))
        return Backup::copy(database, destination, error);
    std::unique_ptr<ReadSnapshot> snapshot;
    if (QFileInfo(database).isFile()) {
        snapshot = std::make_unique<ReadSnapshot>(database);
        if (!snapshot->isHeld()) {
            if (error)
                *error = snapshot->error();
            return false;
        }
    }
    Backup::CopyOptions options;
    options.permissions = permissions;
    options.check = [&snapshot](const QString& temporary, QString* why) {
        snapshot.reset(); // the copy is whole: writers may go on
        return quickCheck(temporary, why);
    };
    return Backup::copy(database, destination, error, options);
}

// Opens the main database once and closes it again: opening rolls back a transaction that a
// crash left in the journal, so afterwards the single file is the whole database.
void settleMainDatabase()
{
    Database::closeAll();
    if (QFileInfo(Database::pathOf(DbFile::Main)).isFile())
        Database::connection(DbFile::Main);
    Database::closeAll();
}
} // namespace

namespace Backup {
void setChunkObserver(ChunkObserver o) { observer() = std::move(o); }

bool isSameFile(const QString& a, const QString& b)
{
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    if (fa.canonicalFilePath() == fb.canonicalFilePath())
        return true;
#ifdef Q_OS_UNIX
    // Hard links share the inode but not the path.
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) == 0 && ::stat(QFile::encodeName(b).constData(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
    return false;
}

bool copy(const QString& source, const QString& destination, QString* error, const CopyOptions& options)
{
    auto fail = [error](const QString& description) {
        if (error)
            *error = description;
        return false;
    };
    if (source.isEmpty() || destination.isEmpty())
        return fail(QStringLiteral("نام فايل داده نشده است"));
    // Writing the file being read would truncate it.
    if (isSameFile(source, destination))
        return fail(
            QStringLiteral("مبدأ و مقصد يک فايل هستند: \u2066%1\u2069").arg(QDir::toNativeSeparators(destination)));

    QFile in(source);
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("فايل پيدا نشد: \u2066%1\u2069").arg(QDir::toNativeSeparators(source)));
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    const qint64 length = in.size();

    // The temporary file lives in the destination's folder, so the final step is one rename
    // on one file system; it is removed when anything fails before that. It is created
    // readable by its owner only, so no one else ever reads a half-written copy. A link, a
    // device or a folder at the destination is refused, never replaced.
    PrivateFile::Replacement replacement(destination);
    QString openError;
    if (!replacement.open(&openError))
        return fail(openError);
    QFileDevice& out = *replacement.file();

    auto shorter = [&] {
        return fail(in.error() != QFileDevice::NoError ? in.errorString()
                                                       : QStringLiteral("فايل هنگام خواندن کوتاه تر شد: \u2066%1\u2069")
                                                             .arg(QDir::toNativeSeparators(source)));
    };
    // The file is read and written in blocks of whole chunks, so a large database costs a
    // few hundred system calls rather than tens of thousands; the chunks are still handed on
    // one by one.
    constexpr qint64 BlockSize = 64 * ChunkSize;
    qint64 copied = 0;
    QByteArray block;
    while (copied < length) {
        const qint64 blockLength = qMin(BlockSize, length - copied);
        block.resize(blockLength);
        qint64 filled = 0;
        for (qint64 at = 0; at < blockLength; at += ChunkSize) {
            if (observer())
                observer()(copied + at, length);
            if (at == 0) {
                filled = in.read(block.data(), blockLength);
                if (filled != blockLength)
                    return shorter();
            }
        }
        if (out.write(block) != blockLength)
            return fail(out.errorString());
        copied += blockLength;
    }
    // A file cut short after its last block was read is not a whole copy either.
    if (in.size() != length)
        return shorter();
    in.close();
    if (!out.flush())
        return fail(out.errorString());
    // The copy goes to disk while it is checked: the check reads it from the system's cache,
    // and the two take about as long as each other on a large database.
    auto synced = std::async(std::launch::async, [&out] { return PrivateFile::syncFile(out) ? 0 : errno; });
    const bool checked = !options.check || options.check(out.fileName(), error);
    if (const int failure = synced.get())
        return fail(QStringLiteral("نسخه روي ديسک نوشته نشد: %1").arg(qt_error_string(failure)));
    out.close();
    if (!checked)
        return false;
    const QFile::Permissions permissions = options.permissions ? options.permissions
        : QFileInfo::exists(destination)                       ? QFile::permissions(destination)
                                                               : PrivateFile::OwnerOnly;
    return replacement.commit(error, permissions, true);
}

QString copyFailureMessage(const QString& errorDescription)
{
    return QString::fromUtf8(BackupText::CopyFailed) + QStringLiteral("\r\n") + errorDescription;
}

FileCheck checkBackupFile(const QString& path, QString* error)
{
    const QFileInfo info(path);
    if (!info.isFile()) {
        if (error)
            *error = QStringLiteral("فايل پيدا نشد: \u2066%1\u2069").arg(QDir::toNativeSeparators(path));
        return FileCheck::Unreadable;
    }
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            if (error)
                *error = f.errorString();
            return FileCheck::Unreadable;
        }
    }
    return DatabaseCheck::validateMainDatabase(path, error) ? FileCheck::Sound : FileCheck::NotABackup;
}

QFuture<Result> startBackup(const QString& destination)
{
    Database::closeAll();
    return WorkerThread::run([destination] { return backupDatabase(destination); });
}

QFuture<Result> startRestore(const QString& source)
{
    Database::closeAll();
    return WorkerThread::run([source] { return restoreDatabase(source); });
}

QString safetyCopyPath(const QDateTime& when)
{
    return ProgramFolder::file(QStringLiteral("Back")) + QStringLiteral("/before-restore-")
        + when.toString(QStringLiteral("yyyy-MM-dd-HHmmss")) + QStringLiteral(".mdbB");
}

Result backupDatabase(const QString& destination)
{
    if (Database::mainIsServer()) {
        // One snapshot of the server's tables, written as a file of the single-seat form.
        QString error;
        QSqlDatabase server = Database::connection(DbFile::Main, &error);
        if (!server.isOpen() || !DbTransfer::snapshotToFile(server, destination, &error))
            return {Outcome::CopyFailed, copyFailureMessage(error), {}};
        return {Outcome::Done, QString::fromUtf8(BackupText::BackupDone), {}};
    }
    settleMainDatabase();
    QString error;
    if (!copyMainDatabase(destination, PrivateFile::OwnerOnly, &error))
        return {Outcome::CopyFailed, copyFailureMessage(error), {}};
    return {Outcome::Done, QString::fromUtf8(BackupText::BackupDone), {}};
}

namespace {
// The folder Back/ of the program folder, made when missing, and a path in it for the safety
// copy that no file holds yet: the restore's time, a second later for each file in the way.
// Empty, with *error set, when the folder cannot be made.
QString freeSafetyCopyPath(QString* error)
{
    const QString folder = ProgramFolder::file(QStringLiteral("Back"));
    if (!QDir().mkpath(folder)) {
        *error = QStringLiteral("پوشه ساخته نشد: \u2066%1\u2069").arg(QDir::toNativeSeparators(folder));
        return QString();
    }
    QDateTime when = QDateTime::currentDateTime();
    QString safety = safetyCopyPath(when);
    while (QFileInfo::exists(safety)) {
        when = when.addSecs(1);
        safety = safetyCopyPath(when);
    }
    return safety;
}

// Copies a backup file to destination through the full check of a main database, which runs
// on the very copy that is about to land there, so a file changed after the first look cannot
// slip through. False, with the restore's result in *failure, when the check refuses the file
// or the copy fails.
bool copyChecked(const QString& source, const QString& destination, CopyOptions options, const QString& safety,
                 QString* error, Result* failure)
{
    bool refused = false;
    options.check = [&refused](const QString& temporary, QString* why) {
        refused = !DatabaseCheck::validateMainDatabase(temporary, why);
        return !refused;
    };
    if (copy(source, destination, error, options))
        return true;
    *failure = refused ? Result{Outcome::NotABackup, QString::fromUtf8(BackupText::NotABackup), safety}
                       : Result{Outcome::CopyFailed, copyFailureMessage(*error), safety};
    return false;
}

// The server's rows are replaced by the file's in one transaction: a failure or a lost
// connection leaves them as they were. The server's rows are first kept in a safety copy, and
// the rows come from a private copy of the file that passed the full check, so a file changed
// after the first look cannot slip through.
Result restoreIntoServer(const QString& source)
{
    QString error;
    QSqlDatabase server = Database::connection(DbFile::Main, &error);
    if (!server.isOpen())
        return {Outcome::CopyFailed, copyFailureMessage(error), {}};

    const QString safety = freeSafetyCopyPath(&error);
    if (safety.isEmpty())
        return {Outcome::CopyFailed, copyFailureMessage(error), {}};
    if (!DbTransfer::snapshotToFile(server, safety, &error))
        return {Outcome::CopyFailed, copyFailureMessage(error), {}};

    QTemporaryDir work;
    if (!work.isValid())
        return {Outcome::CopyFailed, copyFailureMessage(work.errorString()), safety};
    const QString checked = work.filePath(QStringLiteral("restore.mdb"));
    CopyOptions options;
    options.permissions = PrivateFile::OwnerOnly;
    Result failure;
    if (!copyChecked(source, checked, options, safety, &error, &failure))
        return failure;

    DbLocation file;
    file.path = checked;
    ScopedConnection backup(file, &error);
    if (!backup.isOpen())
        return {Outcome::CopyFailed, copyFailureMessage(error), safety};
    Transaction tx(server);
    if (!tx.isActive() || !DbTransfer::clearRows(server, &error) || !DbTransfer::copyRows(backup.db(), server, &error)
        || !tx.commit(&error))
        return {Outcome::CopyFailed, copyFailureMessage(error.isEmpty() ? server.lastError().text() : error), safety};
    DbTransfer::refreshStatistics(server);
    return {Outcome::Done, QString::fromUtf8(BackupText::RestoreDone), safety};
}
} // namespace

Result restoreDatabase(const QString& source)
{
    const QString database = Database::pathOf(DbFile::Main);
    QString error;
    // A file that is plainly no database is refused before anything is written.
    switch (checkBackupFile(source, &error)) {
    case FileCheck::Unreadable: return {Outcome::CopyFailed, copyFailureMessage(error), {}};
    case FileCheck::NotABackup: return {Outcome::NotABackup, QString::fromUtf8(BackupText::NotABackup), {}};
    case FileCheck::Sound: break;
    }
    if (Database::mainIsServer())
        return restoreIntoServer(source);
    if (isSameFile(source, database)) {
        copy(source, database, &error);
        return {Outcome::CopyFailed, copyFailureMessage(error), {}};
    }
    settleMainDatabase();

    // The database being replaced is kept first, owner-readable only.
    QString safety;
    if (QFileInfo(database).isFile()) {
        safety = freeSafetyCopyPath(&error);
        if (safety.isEmpty())
            return {Outcome::CopyFailed, copyFailureMessage(error), {}};
        if (!copyMainDatabase(safety, PrivateFile::OwnerOnly, &error))
            return {Outcome::CopyFailed, copyFailureMessage(error), {}};
    }

    // The check that counts runs on the very copy that is about to replace the database.
    Result failure;
    if (!copyChecked(source, database, CopyOptions(), safety, &error, &failure))
        return failure;
    // A journal left beside the database belonged to the file just replaced; rolled back
    // into the restored file it would corrupt it.
    QFile::remove(database + QStringLiteral("-journal"));
    return {Outcome::Done, QString::fromUtf8(BackupText::RestoreDone), safety};
}
} // namespace Backup
