// The copy routine, the restore's soundness check, backup/restore round trips and
// meravel-cli backup/restore.
#include "TestHelpers.h"
#include "CliRun.h"
#include "BackupTestData.h"
#include "TestFolder.h"
#include "backup/Backup.h"
#include "backup/BackupTexts.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"

#include <QImage>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <QtTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {

QByteArray pattern(qint64 length, int seed)
{
    QByteArray b(length, Qt::Uninitialized);
    for (qint64 i = 0; i < length; ++i)
        b[i] = char((i * 31 + seed * 7 + i / 4048) & 0xff);
    return b;
}

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

CliRun cli(const QStringList& args) { return CliRun::run(args); }
} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void copyIsExact_data();
    void copyIsExact();
    void copyRunsNoEventsOfItsCaller();
    void copyRefusesTheSameFile_data();
    void copyRefusesTheSameFile();
    void failedCopyLeavesDestinationAndNoTemporaryFile_data();
    void failedCopyLeavesDestinationAndNoTemporaryFile();
    void failureMessage();

    void checkBackupFile_data();
    void checkBackupFile();
    void restoreRefusesWhatIsNoBackup_data();
    void restoreRefusesWhatIsNoBackup();
    void backupRestoresSameSubjectsAnswersAndTotals();
    void restoreDropsJournalOfReplacedFile();
    void startedOperationsRunOnAThreadOfTheirOwn();

    void cliBackupAndRestore();
    void cliUsage_data();
    void cliUsage();
};

void TestBackup::cleanup() { Backup::setChunkObserver({}); }

void TestBackup::copyIsExact_data()
{
    QTest::addColumn<qint64>("length");
    QTest::addColumn<qint64>("existing"); // -1: no destination yet
    QTest::addColumn<QList<qint64>>("chunkStarts");

    QTest::newRow("empty") << qint64(0) << qint64(-1) << QList<qint64>{};
    QTest::newRow("empty over a file") << qint64(0) << qint64(5000) << QList<qint64>{};
    QTest::newRow("one byte") << qint64(1) << qint64(-1) << QList<qint64>{0};
    QTest::newRow("4047") << qint64(4047) << qint64(-1) << QList<qint64>{0};
    QTest::newRow("4048 in one chunk") << qint64(4048) << qint64(-1) << QList<qint64>{0};
    QTest::newRow("4049 in two") << qint64(4049) << qint64(-1) << QList<qint64>{0, 4048};
    QTest::newRow("8097 in three") << qint64(8097) << qint64(-1) << QList<qint64>{0, 4048, 8096};
    QTest::newRow("over a larger file") << qint64(4049) << qint64(100000) << QList<qint64>{0, 4048};
    QTest::newRow("over a smaller file") << qint64(12144) << qint64(10) << QList<qint64>{0, 4048, 8096};
}

void TestBackup::copyIsExact()
{
    QFETCH(qint64, length);
    QFETCH(qint64, existing);
    QFETCH(QList<qint64>, chunkStarts);
    QTemporaryDir dir;
    const QString src = dir.filePath("src.mdb"), dst = dir.filePath("dst.mdbB");
    const QByteArray bytes = pattern(length, 1);
    QVERIFY(writeBytes(src, bytes));
    if (existing >= 0)
        QVERIFY(writeBytes(dst, pattern(existing, 2)));

    QList<qint64> starts;
    Backup::setChunkObserver([&](qint64 copied, qint64 total) {
        QCOMPARE(total, length);
        starts << copied;
    });
    QString error;
    QVERIFY2(Backup::copy(src, dst, &error), qPrintable(error));
    QCOMPARE(readBytes(dst), bytes);
    QCOMPARE(starts, chunkStarts);
    // Nothing but the two files: the temporary file was renamed over the destination.
    QCOMPARE(entries(dir.path()), QStringList({"dst.mdbB", "src.mdb"}));
}

void TestBackup::copyRunsNoEventsOfItsCaller()
{
    // A window waits for a copy through its future: events running inside the copy would
    // reach the window in the middle of it.
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("a"), pattern(3 * 4048, 3)));
    bool delivered = false;
    QMetaObject::invokeMethod(qApp, [&] { delivered = true; }, Qt::QueuedConnection);
    bool deliveredDuringCopy = false;
    Backup::setChunkObserver([&](qint64, qint64) { deliveredDuringCopy = deliveredDuringCopy || delivered; });
    QVERIFY(Backup::copy(dir.filePath("a"), dir.filePath("b")));
    QVERIFY(!deliveredDuringCopy);
    QCoreApplication::processEvents();
    QVERIFY(delivered);
}

void TestBackup::copyRefusesTheSameFile_data()
{
    QTest::addColumn<QString>("alias"); // how the destination names the source
    QTest::newRow("same path") << "src.mdb";
    QTest::newRow("through ..") << "sub/../src.mdb";
    QTest::newRow("symbolic link") << "link.mdb";
    QTest::newRow("hard link") << "hard.mdb";
}

void TestBackup::copyRefusesTheSameFile()
{
    QFETCH(QString, alias);
    QTemporaryDir dir;
    QDir(dir.path()).mkdir("sub");
    const QString src = dir.filePath("src.mdb");
    const QByteArray bytes = pattern(10000, 4);
    QVERIFY(writeBytes(src, bytes));
#ifdef Q_OS_WIN
    QSKIP("symbolic and hard links need rights a Windows user does not have by default");
#else
    QVERIFY(QFile::link(src, dir.filePath("link.mdb")));
    QVERIFY(::link(QFile::encodeName(src).constData(), QFile::encodeName(dir.filePath("hard.mdb")).constData()) == 0);
#endif

    QString error;
    QVERIFY(!Backup::copy(src, dir.filePath(alias), &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(src), bytes);
    // Backwards too: the alias as source, the file as destination.
    QVERIFY(!Backup::copy(dir.filePath(alias), src, &error));
    QCOMPARE(readBytes(src), bytes);
}

void TestBackup::failedCopyLeavesDestinationAndNoTemporaryFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("source shrinks during the copy") << "shrink";
    QTest::newRow("source missing") << "missing";
    QTest::newRow("destination is a folder") << "folder";
    QTest::newRow("destination folder missing") << "nofolder";
    QTest::newRow("destination folder read-only") << "readonly";
}

void TestBackup::failedCopyLeavesDestinationAndNoTemporaryFile()
{
    QFETCH(QString, how);
    QTemporaryDir srcDir, dstDir;
    const QString src = srcDir.filePath("src.mdb");
    QString dst = dstDir.filePath("dst.mdbB");
    QVERIFY(writeBytes(src, pattern(5 * 4048 + 7, 5)));
    const QByteArray old = pattern(3000, 6);
    QVERIFY(writeBytes(dst, old));

    if (how == "shrink") {
        Backup::setChunkObserver([&](qint64 copied, qint64) {
            if (copied == 2 * 4048)
                QFile::resize(src, 2 * 4048 + 100);
        });
    } else if (how == "missing") {
        QFile::remove(src);
    } else if (how == "folder") {
        dst = dstDir.filePath("folder");
        QDir(dstDir.path()).mkdir("folder");
    } else if (how == "nofolder") {
        dst = dstDir.filePath("none/dst.mdbB");
    } else if (how == "readonly") {
#ifdef Q_OS_WIN
        QSKIP("a folder's read-only attribute does not stop writing into it on Windows");
#else
        if (::geteuid() == 0)
            QSKIP("the superuser writes into read-only folders");
#endif
        QFile::setPermissions(dstDir.path(), QFile::ReadOwner | QFile::ExeOwner);
    }
    const QStringList before = entries(dstDir.path());

    QString error;
    QVERIFY(!Backup::copy(src, dst, &error));
    QVERIFY(!error.isEmpty());
    QFile::setPermissions(dstDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(readBytes(dstDir.filePath("dst.mdbB")), old);
    QCOMPARE(entries(dstDir.path()), before);
}

void TestBackup::failureMessage()
{
    QCOMPARE(Backup::copyFailureMessage("Disk full"), u(BackupText::CopyFailed) + "\r\nDisk full");
}

void TestBackup::checkBackupFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("expected");
    const int sound = int(Backup::FileCheck::Sound), no = int(Backup::FileCheck::NotABackup),
              unreadable = int(Backup::FileCheck::Unreadable);
    QTest::newRow("backup") << "backup" << sound;
    QTest::newRow("backup with upper-case tables") << "uppercase" << sound;
    QTest::newRow("empty file") << "empty" << no;
    QTest::newRow("picture") << "picture" << no;
    QTest::newRow("truncated copy") << "truncated" << no;
    QTest::newRow("damaged page") << "damaged" << no;
    QTest::newRow("other database") << "otherdb" << no;
    QTest::newRow("missing file") << "missing" << unreadable;
}

void TestBackup::checkBackupFile()
{
    QFETCH(QString, kind);
    QFETCH(int, expected);
    TestFolder f;
    QVERIFY(f.isValid());
    BackupTestData::addSubjects(f, 1, 200);
    Database::closeAll();
    const QByteArray db = readBytes(ProgramFolder::mainDatabase());
    QTemporaryDir dir;
    const QString path = dir.filePath("x.mdbB");

    if (kind == "backup") {
        QVERIFY(writeBytes(path, db));
    } else if (kind == "uppercase") {
        QVERIFY(writeBytes(path, db));
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "upper");
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery(other).exec("ALTER TABLE type1 RENAME TO TYPE1");
        other.close();
    } else if (kind == "empty") {
        QVERIFY(writeBytes(path, QByteArray()));
    } else if (kind == "picture") {
        QImage image(40, 30, QImage::Format_RGB32);
        image.fill(Qt::blue);
        QVERIFY(image.save(path, "PNG"));
    } else if (kind == "truncated") {
        QVERIFY(writeBytes(path, db.left(db.size() / 2)));
    } else if (kind == "damaged") {
        QByteArray bad = db;
        // Scribble over a page in the middle (the page size is a power of two up to 64 KiB).
        for (int i = int(db.size() / 2); i < db.size() / 2 + 3000; ++i)
            bad[i] = char(0x5a);
        QVERIFY(writeBytes(path, bad));
    } else if (kind == "otherdb") {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QSqlQuery(other).exec("CREATE TABLE IDE (Code TEXT)");
        other.close();
    }
    QSqlDatabase::removeDatabase("upper");
    QSqlDatabase::removeDatabase("other");
    const QByteArray before = readBytes(path);

    QString error;
    QCOMPARE(int(Backup::checkBackupFile(path, &error)), expected);
    if (expected != int(Backup::FileCheck::Sound))
        QVERIFY(!error.isEmpty());
    // Checking never changes the file or leaves anything beside it.
    QCOMPARE(readBytes(path), before);
    QCOMPARE(entries(dir.path()), kind == "missing" ? QStringList() : QStringList{"x.mdbB"});
}

void TestBackup::restoreRefusesWhatIsNoBackup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<int>("outcome");
    QTest::newRow("empty") << QByteArray() << int(Backup::Outcome::NotABackup);
    QTest::newRow("text") << QByteArray("hello\n") << int(Backup::Outcome::NotABackup);
    QTest::newRow("header only") << QByteArray("SQLite format 3\0", 16) << int(Backup::Outcome::NotABackup);
}

void TestBackup::restoreRefusesWhatIsNoBackup()
{
    QFETCH(QByteArray, content);
    QFETCH(int, outcome);
    TestFolder f;
    f.addSubject("7");
    Database::closeAll();
    const QByteArray db = readBytes(ProgramFolder::mainDatabase());
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath("b.mdbB"), content));

    const Backup::Result r = Backup::restoreDatabase(dir.filePath("b.mdbB"));
    QCOMPARE(int(r.outcome), outcome);
    QCOMPARE(r.message, u(BackupText::NotABackup));
    QCOMPARE(readBytes(ProgramFolder::mainDatabase()), db);

    // A missing file is a failed copy, with the copy routine's message.
    const Backup::Result missing = Backup::restoreDatabase(dir.filePath("none.mdbB"));
    QCOMPARE(int(missing.outcome), int(Backup::Outcome::CopyFailed));
    QVERIFY(missing.message.startsWith(u(BackupText::CopyFailed) + "\r\n"));
    // So is the database restored over itself.
    const Backup::Result self = Backup::restoreDatabase(ProgramFolder::mainDatabase());
    QCOMPARE(int(self.outcome), int(Backup::Outcome::CopyFailed));
    QCOMPARE(readBytes(ProgramFolder::mainDatabase()), db);
}

void TestBackup::backupRestoresSameSubjectsAnswersAndTotals()
{
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 50);
    const QStringList original = BackupTestData::dump();
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("50"));

    QTemporaryDir dir;
    const QString backup = dir.filePath("b.mdbB");
    const Backup::Result saved = Backup::backupDatabase(backup);
    QVERIFY2(saved.ok(), qPrintable(saved.message));
    QCOMPARE(saved.message, u(BackupText::BackupDone));
    QCOMPARE(readBytes(backup), readBytes(ProgramFolder::mainDatabase()));

    // Work goes on after the backup: a deletion, changed answers and totals, a new subject.
    f.exec("DELETE FROM \"IDE\" WHERE \"Code\"='3'");
    f.exec("UPDATE \"S2\" SET \"a2\"='0' WHERE \"Code\"='4'");
    f.exec("UPDATE \"IDE\" SET \"V\"='49' WHERE \"Code\"='5'");
    BackupTestData::addSubjects(f, 100, 2);
    QVERIFY(BackupTestData::dump() != original);

    const Backup::Result restored = Backup::restoreDatabase(backup);
    QVERIFY2(restored.ok(), qPrintable(restored.message));
    QCOMPARE(restored.message, u(BackupText::RestoreDone));
    QCOMPARE(BackupTestData::dump(), original);
}

void TestBackup::restoreDropsJournalOfReplacedFile()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    QVERIFY(Backup::backupDatabase(dir.filePath("b.mdbB")).ok());
    // A journal that outlived its database must not be rolled back into the restored one.
    QVERIFY(writeBytes(ProgramFolder::mainDatabase() + "-journal", QByteArray(512, 'j')));
    QVERIFY(Backup::restoreDatabase(dir.filePath("b.mdbB")).ok());
    QVERIFY(!QFile::exists(ProgramFolder::mainDatabase() + "-journal"));
    QCOMPARE(f.scalar("SELECT \"Code\" FROM \"IDE\""), QString("1"));
}

void TestBackup::startedOperationsRunOnAThreadOfTheirOwn()
{
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 30);
    const QStringList original = BackupTestData::dump();
    QTemporaryDir dir;
    const QString backup = dir.filePath("b.mdbB");
    QSet<QThread*> copiers;
    Backup::setChunkObserver([&](qint64, qint64) { copiers << QThread::currentThread(); });
    QFuture<Backup::Result> saved = Backup::startBackup(backup);
    saved.waitForFinished();
    QVERIFY2(saved.result().ok(), qPrintable(saved.result().message));
    QVERIFY(!copiers.isEmpty());
    QVERIFY(!copiers.contains(QThread::currentThread()));
    QCOMPARE(readBytes(backup), readBytes(ProgramFolder::mainDatabase()));

    // The restore replaces the file this thread had open: its connection was closed first, so
    // it reads the restored rows, not the replaced file's.
    f.exec("DELETE FROM \"IDE\" WHERE \"Code\"='3'");
    QVERIFY(BackupTestData::dump() != original);
    QFuture<Backup::Result> restored = Backup::startRestore(backup);
    restored.waitForFinished();
    QVERIFY2(restored.result().ok(), qPrintable(restored.result().message));
    QCOMPARE(restored.result().message, u(BackupText::RestoreDone));
    QCOMPARE(BackupTestData::dump(), original);
}

void TestBackup::cliBackupAndRestore()
{
    TestFolder f;
    f.addSubject("11");
    QTemporaryDir dir;
    const QString file = dir.filePath("n.mdbB");
    const QString database = ProgramFolder::mainDatabase();

    CliRun r = cli({"--folder", f.path(), "backup", file});
    QCOMPARE(r.exit, int(Cli::Success));
    QCOMPARE(r.out, u(BackupText::BackupDone) + "\n");
    QCOMPARE(readBytes(file), readBytes(database));

    // An existing file stays without --force.
    QVERIFY(writeBytes(file, "old"));
    r = cli({"--folder", f.path(), "backup", file});
    QCOMPARE(r.exit, int(Cli::Failed));
    QCOMPARE(r.err, u(BackupText::OverwriteRefused) + "\n");
    QCOMPARE(readBytes(file), QByteArray("old"));
    r = cli({"--folder", f.path(), "backup", file, "--force"});
    QCOMPARE(r.exit, int(Cli::Success));
    QCOMPARE(readBytes(file), readBytes(database));

    // The database onto itself: refused with the copy routine's message on one line.
    const QByteArray db = readBytes(database);
    r = cli({"--folder", f.path(), "backup", database, "--force"});
    QCOMPARE(r.exit, int(Cli::Failed));
    QVERIFY2(r.err.startsWith(u(BackupText::CopyFailed) + ' '), qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 1);
    QCOMPARE(readBytes(database), db);

    // Restore: no question, the soundness check, the same messages.
    f.exec("DELETE FROM \"IDE\"");
    QVERIFY(writeBytes(dir.filePath("junk.mdbB"), "not a database"));
    r = cli({"--folder", f.path(), "restore", dir.filePath("junk.mdbB")});
    QCOMPARE(r.exit, int(Cli::Failed));
    // The failure names the restore (the copy routine's texts serve backup and restore alike).
    QCOMPARE(r.err, u(BackupText::RestoreButton) + ": " + u(BackupText::NotABackup) + "\n");
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("0"));
    r = cli({"--folder", f.path(), "restore", file});
    QCOMPARE(r.exit, int(Cli::Success));
    QVERIFY2(r.out.startsWith(u(BackupText::RestoreDone) + "\n"), qPrintable(r.out));
    QCOMPARE(f.scalar("SELECT \"Code\" FROM \"IDE\""), QString("11"));
}

void TestBackup::cliUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("backup without file") << QStringList{"backup"};
    QTest::newRow("backup with two files") << QStringList{"backup", "a", "b"};
    QTest::newRow("backup unknown option") << QStringList{"backup", "a", "--quick"};
    QTest::newRow("restore without file") << QStringList{"restore"};
    QTest::newRow("restore with --force") << QStringList{"restore", "a", "--force"};
}

void TestBackup::cliUsage()
{
    QFETCH(QStringList, args);
    TestFolder f;
    const QByteArray db = readBytes(ProgramFolder::mainDatabase());
    const CliRun r = cli(QStringList{"--folder", f.path()} + args);
    QCOMPARE(r.exit, int(Cli::Usage));
    QVERIFY(r.out.isEmpty());
    QCOMPARE(readBytes(ProgramFolder::mainDatabase()), db);
}

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
