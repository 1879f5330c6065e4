#include "backup/Backup.h"

#include "backup/BackupTexts.h"
#include "data/Database.h"
#include "data/DbTransfer.h"
#include "data/MainSchema.h"
#include "data/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {
Backup::ChunkObserver& observer()
{
    static Backup::ChunkObserver o;
    return o;
}

// Makes the rename that replaced a file survive a power cut.
void syncFolderOf(const QString& path)
{
#ifdef Q_OS_UNIX
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
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

bool copy(const QString& source, const QString& destination, QString* error)
{
    auto fail = [error](const QString& description) {
        if (error)
            *error = description;
        return false;
    };
    if (source.isEmpty() || destination.isEmpty())
        return fail(QStringLiteral("No file name given"));
    // Writing the file being read would truncate it.
    if (isSameFile(source, destination))
        return fail(QStringLiteral("The source and the destination are the same file: %1")
                        .arg(QDir::toNativeSeparators(destination)));

    QFile in(source);
    if (!QFileInfo(source).isFile())
        return fail(QStringLiteral("File not found: %1").arg(QDir::toNativeSeparators(source)));
    if (!in.open(QIODevice::ReadOnly))
        return fail(in.errorString());
    const qint64 length = in.size();

    // The temporary file lives in the destination's folder, so the final step is one rename
    // on one file system; it is removed when anything fails before that.
    QSaveFile out(destination);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly))
        return fail(out.errorString());

    auto shorter = [&] {
        return fail(in.error() != QFileDevice::NoError
                        ? in.errorString()
                        : QStringLiteral("The file became shorter while it was read: %1")
                              .arg(QDir::toNativeSeparators(source)));
    };
    // The file is read and written in blocks of whole chunks, so a large database costs a
    // few hundred system calls rather than tens of thousands; the chunks are still handed on
    // one by one.
    constexpr qint64 BlockSize = 64 * ChunkSize;
    qint64 copied = 0;
    QByteArray block;
    // The window stays responsive during a long copy. Events run between chunks, but not
    // after every one: each run polls the system, which would cost more than the copy itself.
    QElapsedTimer sinceEvents;
    while (copied < length) {
        const qint64 blockLength = qMin(BlockSize, length - copied);
        block.resize(blockLength);
        qint64 filled = 0;
        for (qint64 at = 0; at < blockLength; at += ChunkSize) {
            if (QCoreApplication::instance() && (!sinceEvents.isValid() || sinceEvents.elapsed() >= 10)) {
                QCoreApplication::processEvents();
                sinceEvents.start();
            }
            if (observer())
                observer()(copied + at, length);
            if (at == 0) {
                filled = in.read(block.data(), blockLength);
                if (filled != blockLength) {
                    out.cancelWriting();
                    return shorter();
                }
            }
        }
        if (out.write(block) != blockLength) {
            const QString why = out.errorString();
            out.cancelWriting();
            return fail(why);
        }
        copied += blockLength;
    }
    // A file cut short after its last block was read is not a whole copy either.
    if (in.size() != length) {
        out.cancelWriting();
        return shorter();
    }
    in.close();
    // commit() flushes, syncs the temporary file to disk and renames it over the destination.
    if (!out.commit())
        return fail(out.errorString());
    syncFolderOf(destination);
    return true;
}

QString copyFailureMessage(const QString& errorDescription)
{
    return QString::fromUtf8(BackupText::CopyFailed) + QStringLiteral("\r\n") + errorDescription;
}

FileCheck checkBackupFile(const QString& path, QString* error)
{
    auto result = [error](FileCheck check, const QString& description) {
        if (error)
            *error = description;
        return check;
    };
    const QFileInfo info(path);
    if (!info.isFile())
        return result(FileCheck::Unreadable, QStringLiteral("File not found: %1").arg(QDir::toNativeSeparators(path)));
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return result(FileCheck::Unreadable, f.errorString());
        // SQLite would take an empty file for an empty database; a backup is never empty.
        static const QByteArray magic("SQLite format 3\0", 16);
        if (f.read(16) != magic)
            return result(FileCheck::NotABackup, QStringLiteral("Not a database file"));
    }

    const QString name = QStringLiteral("meravel:check:") + QUuid::createUuid().toString();
    FileCheck check = FileCheck::NotABackup;
    QString description;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(path);
        // Read-only: checking a file must never change it (nor roll back a journal beside it).
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            QStringList problems;
            if (q.exec("PRAGMA integrity_check")) {
                while (q.next())
                    problems << q.value(0).toString();
            } else {
                problems << q.lastError().text();
            }
            if (problems == QStringList{"ok"}) {
                QSet<QString> tables;
                if (q.exec("SELECT name FROM sqlite_master WHERE type = 'table'"))
                    while (q.next())
                        tables.insert(q.value(0).toString().toLower());
                const QStringList needed{"ide", "s1", "s2", "s3", "s4", "type1"};
                QStringList missing;
                for (const QString& t : needed)
                    if (!tables.contains(t))
                        missing << t;
                if (missing.isEmpty())
                    check = FileCheck::Sound;
                else
                    description = QStringLiteral("Missing tables: %1").arg(missing.join(", "));
            } else {
                description = problems.join("; ");
            }
            q.finish();
        } else {
            description = db.lastError().text();
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result(check, description);
}

Result backupDatabase(const QString& destination)
{
    if (Database::mainIsServer()) {
        // One snapshot of the server's tables, written as a file of the single-seat form.
        QString error;
        QSqlDatabase server = Database::connection(DbFile::Main, &error);
        if (!server.isOpen() || !DbTransfer::snapshotToFile(server, destination, &error))
            return {Outcome::CopyFailed, copyFailureMessage(error)};
        return {Outcome::Done, QString::fromUtf8(BackupText::BackupDone)};
    }
    settleMainDatabase();
    QString error;
    if (!copy(Database::pathOf(DbFile::Main), destination, &error))
        return {Outcome::CopyFailed, copyFailureMessage(error)};
    return {Outcome::Done, QString::fromUtf8(BackupText::BackupDone)};
}

Result restoreDatabase(const QString& source)
{
    const QString database = Database::pathOf(DbFile::Main);
    QString error;
    switch (checkBackupFile(source, &error)) {
    case FileCheck::Unreadable: return {Outcome::CopyFailed, copyFailureMessage(error)};
    case FileCheck::NotABackup: return {Outcome::NotABackup, QString::fromUtf8(BackupText::NotABackup)};
    case FileCheck::Sound: break;
    }
    if (Database::mainIsServer()) {
        // The server's rows are replaced by the file's in one transaction: a failure or a lost
        // connection leaves them as they were.
        QSqlDatabase server = Database::connection(DbFile::Main, &error);
        if (!server.isOpen())
            return {Outcome::CopyFailed, copyFailureMessage(error)};
        DbLocation file;
        file.path = source;
        ScopedConnection backup(file, &error);
        if (!backup.isOpen())
            return {Outcome::CopyFailed, copyFailureMessage(error)};
        if (MainSchema::check(backup.db()) != MainSchema::State::Ready)
            return {Outcome::NotABackup, QString::fromUtf8(BackupText::NotABackup)};
        Transaction tx(server);
        if (!tx.isActive() || !DbTransfer::clearRows(server, &error) || !DbTransfer::copyRows(backup.db(), server, &error)
            || !tx.commit(&error))
            return {Outcome::CopyFailed, copyFailureMessage(error.isEmpty() ? server.lastError().text() : error)};
        return {Outcome::Done, QString::fromUtf8(BackupText::RestoreDone)};
    }
    settleMainDatabase();
    if (!copy(source, database, &error))
        return {Outcome::CopyFailed, copyFailureMessage(error)};
    // A journal left beside the database belonged to the file just replaced; rolled back
    // into the restored file it would corrupt it.
    QFile::remove(database + QStringLiteral("-journal"));
    return {Outcome::Done, QString::fromUtf8(BackupText::RestoreDone)};
}
} // namespace Backup
