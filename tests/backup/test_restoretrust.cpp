// What a restore lets into the program folder and what a backup hands out: hostile backup
// files are refused before they replace anything, the replaced database is kept, the copy of
// a database that another process is writing is one committed state, and every SQLite
// connection of the program is defensive.
#include "CliRun.h"
#include "FileBytes.h"
#include "HostPath.h"
#include "BackupTestData.h"
#include "TestFolder.h"
#include "data/SingleInstance.h"
#include "backup/Backup.h"
#include "backup/BackupTexts.h"
#include "data/Database.h"
#include "data/DatabaseCheck.h"
#include "data/PrivateFile.h"
#include "data/ProgramFolder.h"
#include "data/Registration.h"
#include "data/Utf8.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

namespace {
// Runs SQL on a database file through a connection of its own; "" or the error.
QString alter(const QString& path, const QStringList& statements)
{
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "alter");
        db.setDatabaseName(path);
        if (!db.open()) {
            error = "cannot open";
        } else {
            for (const QString& sql : statements) {
                QSqlQuery q(db);
                if (!q.exec(sql)) {
                    error = sql + ": " + q.lastError().text();
                    break;
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("alter");
    return error;
}

// What SQLite's integrity check says of a file ("ok" when sound).
QString integrity(const QString& path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "integrity");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("PRAGMA integrity_check")) {
                QStringList lines;
                while (q.next())
                    lines << q.value(0).toString();
                result = lines.join("; ");
            } else {
                result = q.lastError().text();
            }
            db.close();
        } else {
            result = "cannot open";
        }
    }
    QSqlDatabase::removeDatabase("integrity");
    return result;
}

QStringList safetyCopies(const TestFolder& f)
{
    return QDir(f.file("Back")).entryList({"before-restore-*.mdbB"}, QDir::Files, QDir::Name);
}

// Readable and writable by the owner alone: exactly 0600 on POSIX (QFile reports the user bits
// as well as the owner bits); on Windows an access list of the user alone, which wine does not
// keep, so there the file's presence is all that can be seen.
bool ownerOnly(const QString& path)
{
#ifdef Q_OS_WIN
    return underWine() ? QFileInfo::exists(path) : PrivateFile::restrictedToOwner(path);
#else
    return (QFile::permissions(path)
            & (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::WriteGroup
               | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther))
        == (QFile::ReadOwner | QFile::WriteOwner);
#endif
}
} // namespace

class TestRestoreTrust : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { Backup::setChunkObserver({}); }

    void hostileBackupIsRefused_data();
    void hostileBackupIsRefused();
    void ownIndexesAndLongestNamesPass();
    void fileSwappedDuringRestoreIsRefused();
    void goodRestoreKeepsSafetyCopy();
    void cliRestorePrintsSafetyCopyAndHonoursRunningProgram();
    void backupIsOwnerOnly();
    void everyConnectionIsDefensive();
    void backupWhileAnotherProcessWrites();
};

void TestRestoreTrust::hostileBackupIsRefused_data()
{
    QTest::addColumn<QStringList>("sql");
    QTest::newRow("trigger deleting earlier subjects")
        << QStringList{"CREATE TRIGGER wipe AFTER INSERT ON IDE BEGIN DELETE FROM IDE WHERE rid<>new.rid; END"};
    QTest::newRow("trigger on an answer table")
        << QStringList{"CREATE TRIGGER t BEFORE UPDATE ON S2 BEGIN SELECT 1; END"};
    QTest::newRow("view") << QStringList{"CREATE VIEW everyone AS SELECT * FROM IDE"};
    QTest::newRow("virtual table") << QStringList{"CREATE VIRTUAL TABLE notes USING fts5(body)"};
    QTest::newRow("extra table") << QStringList{"CREATE TABLE extra (x TEXT)"};
    QTest::newRow("IDE with other columns") << QStringList{
        "DROP TABLE IDE", "CREATE TABLE IDE (rid INTEGER PRIMARY KEY AUTOINCREMENT, Code TEXT, Name TEXT)"};
    QTest::newRow("S3 with a column more") << QStringList{"ALTER TABLE S3 ADD COLUMN extra TEXT"};
    QTest::newRow("S4 with a column less") << QStringList{"ALTER TABLE S4 DROP COLUMN G2"};
    QTest::newRow("type1 with columns renamed") << QStringList{"ALTER TABLE type1 RENAME COLUMN sefat TO other"};
    QTest::newRow("constraint that refuses every subject") << QStringList{
        "DROP TABLE IDE",
        "CREATE TABLE IDE (rid INTEGER PRIMARY KEY AUTOINCREMENT, Code TEXT CHECK (0), FName TEXT, LName TEXT, "
        "Jens TEXT, Sen TEXT, Tahsil TEXT, \"Group\" TEXT, \"Date\" TEXT, \"Time\" TEXT, V TEXT, J TEXT, "
        "H TEXT, A TEXT, M TEXT, GH TEXT)"};
    QTest::newRow("missing table") << QStringList{"DROP TABLE S1"};
    QTest::newRow("index on an unknown table")
        << QStringList{"CREATE TABLE sneaky (x TEXT)", "CREATE INDEX sneaky_x ON sneaky (x)"};
    // Only the program's own indexes: an expression would run at every registration.
    QTest::newRow("index on an expression")
        << QStringList{"CREATE INDEX slow ON IDE(length(printf('%.*c',40,'x'))+length(Code))"};
    QTest::newRow("own index name on an expression") << QStringList{
        "DROP INDEX IDE_Code", "CREATE INDEX IDE_Code ON IDE(length(printf('%.*c',40,'x'))+length(Code))"};
    QTest::newRow("own index name on another column")
        << QStringList{"DROP INDEX IDE_Code", "CREATE INDEX IDE_Code ON IDE (Sen)"};
    QTest::newRow("own index name made unique")
        << QStringList{"DROP INDEX IDE_FName", "CREATE UNIQUE INDEX IDE_FName ON IDE (FName, rid)"};
    QTest::newRow("own index name made partial")
        << QStringList{"DROP INDEX IDE_Code", "CREATE INDEX IDE_Code ON IDE (Code) WHERE Code > '5'"};
    QTest::newRow("own index name with another collation")
        << QStringList{"DROP INDEX IDE_Code", "CREATE INDEX IDE_Code ON IDE (Code COLLATE NOCASE)"};
    QTest::newRow("index of another name") << QStringList{"CREATE INDEX by_age ON IDE (Sen)"};
    // Texts registration refuses: longer than the server indexes, or unwritable in XML.
    QTest::newRow("first name of 101 characters")
        << QStringList{"UPDATE IDE SET FName = printf('%.*c', 101, 'x') WHERE rid = 3"};
    QTest::newRow("class of 4000 characters")
        << QStringList{"UPDATE IDE SET Tahsil = printf('%.*c', 4000, 'x') WHERE rid = 3"};
    QTest::newRow("U+FFFE in a last name") << QStringList{"UPDATE IDE SET LName = 'a' || char(65534) || 'b'"};
    QTest::newRow("U+FFFF in a group") << QStringList{"UPDATE IDE SET \"Group\" = char(65535) WHERE rid = 7"};
    QTest::newRow("control character in a first name")
        << QStringList{"UPDATE IDE SET FName = 'a' || char(1) WHERE rid = 2"};
    QTest::newRow("code holding a NUL") << QStringList{"UPDATE IDE SET Code = CAST(x'310032' AS TEXT) WHERE rid = 4"};
}

void TestRestoreTrust::hostileBackupIsRefused()
{
    QFETCH(QStringList, sql);
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 20);
    Database::closeAll();
    const QByteArray database = readBytes(ProgramFolder::mainDatabase());
    QTemporaryDir dir;
    const QString hostile = dir.filePath("hostile.mdbB");
    QVERIFY(writeBytes(hostile, database));
    const QString altered = alter(hostile, sql);
    QVERIFY2(altered.isEmpty(), qPrintable(altered));

    QString why;
    QVERIFY(!DatabaseCheck::validateMainDatabase(hostile, &why));
    QVERIFY(!why.isEmpty());
    const Backup::Result r = Backup::restoreDatabase(hostile);
    QCOMPARE(int(r.outcome), int(Backup::Outcome::NotABackup));
    QCOMPARE(r.message, u(BackupText::NotABackup));
    QCOMPARE(readBytes(ProgramFolder::mainDatabase()), database);
    QCOMPARE(QDir(f.path()).entryList({"meravelDB.mdb*"}, QDir::Files | QDir::Hidden), QStringList{"meravelDB.mdb"});

    // The window's next registration keeps every earlier subject.
    QCOMPARE(f.scalar("SELECT count(*) FROM IDE"), QString("20"));
    f.addSubject("999");
    QCOMPARE(f.scalar("SELECT count(*) FROM IDE"), QString("21"));
}

void TestRestoreTrust::ownIndexesAndLongestNamesPass()
{
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 3);
    QVERIFY(f.exec("UPDATE IDE SET FName = '" + QString(100, QChar(0x0645))
                   + "', LName = 'a' || char(65533) || "
                     "char(128512), Tahsil = '"
                   + QString(100, 'x') + "' WHERE rid = 2"));
    Database::closeAll();
    QString why;
    QVERIFY2(DatabaseCheck::validateMainDatabase(ProgramFolder::mainDatabase(), &why), qPrintable(why));
    // An index the program creates may be missing (an older file).
    QVERIFY(alter(ProgramFolder::mainDatabase(), {"DROP INDEX IDE_FName"}).isEmpty());
    QVERIFY2(DatabaseCheck::validateMainDatabase(ProgramFolder::mainDatabase(), &why), qPrintable(why));
}

void TestRestoreTrust::fileSwappedDuringRestoreIsRefused()
{
    // The file passes the first look, then becomes hostile before it is copied: the check
    // that counts is the one on the copy about to replace the database.
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 200);
    Database::closeAll();
    const QByteArray database = readBytes(ProgramFolder::mainDatabase());
    QTemporaryDir dir;
    const QString backup = dir.filePath("b.mdbB");
    const QString hostile = dir.filePath("h.mdbB");
    QVERIFY(writeBytes(backup, database));
    QVERIFY(writeBytes(hostile, database));
    QVERIFY(alter(hostile, {"CREATE TRIGGER wipe AFTER INSERT ON IDE BEGIN DELETE FROM IDE WHERE rid<>new.rid; END"})
                .isEmpty());
    const QByteArray hostileBytes = readBytes(hostile);
    QCOMPARE(hostileBytes.size(), database.size()); // read whole by the copy that started on the other

    int starts = 0;
    Backup::setChunkObserver([&](qint64 copied, qint64) {
        // The first copy keeps the safety copy; the second is the backup coming in.
        if (copied == 0 && ++starts == 2)
            writeBytes(backup, hostileBytes);
    });
    const Backup::Result r = Backup::restoreDatabase(backup);
    Backup::setChunkObserver({});
    QCOMPARE(starts, 2);
    QCOMPARE(int(r.outcome), int(Backup::Outcome::NotABackup));
    QCOMPARE(r.message, u(BackupText::NotABackup));
    QCOMPARE(readBytes(ProgramFolder::mainDatabase()), database);
}

void TestRestoreTrust::goodRestoreKeepsSafetyCopy()
{
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 30);
    QTemporaryDir dir;
    const QString backup = dir.filePath("b.mdbB");
    QVERIFY(Backup::backupDatabase(backup).ok());
    BackupTestData::addSubjects(f, 100, 5);
    const QStringList before = BackupTestData::dump();
    Database::closeAll();
    const QByteArray replaced = readBytes(ProgramFolder::mainDatabase());

    const Backup::Result r = Backup::restoreDatabase(backup);
    QVERIFY2(r.ok(), qPrintable(r.message));
    QCOMPARE(r.message, u(BackupText::RestoreDone));
    QCOMPARE(safetyCopies(f).size(), 1);
    const QString safety = f.file("Back/" + safetyCopies(f).first());
    QCOMPARE(QFileInfo(r.safetyCopy).canonicalFilePath(), QFileInfo(safety).canonicalFilePath());
    QVERIFY(QFileInfo(safety).fileName().startsWith("before-restore-" + QDate::currentDate().toString("yyyy-MM-dd")));
    QCOMPARE(readBytes(safety), replaced);
    QVERIFY(ownerOnly(safety));
    QCOMPARE(f.scalar("SELECT count(*) FROM IDE"), QString("30"));

    // The safety copy is a backup like any other: restoring it brings back what was replaced,
    // and keeps a second safety copy beside the first.
    const Backup::Result back = Backup::restoreDatabase(safety);
    QVERIFY2(back.ok(), qPrintable(back.message));
    QCOMPARE(BackupTestData::dump(), before);
    QCOMPARE(safetyCopies(f).size(), 2);
}

void TestRestoreTrust::cliRestorePrintsSafetyCopyAndHonoursRunningProgram()
{
    TestFolder f;
    f.addSubject("5");
    QTemporaryDir dir;
    const QString backup = dir.filePath("b.mdbB");
    QVERIFY(Backup::backupDatabase(backup).ok());
    f.addSubject("6");
    Database::closeAll();
    const QByteArray database = readBytes(ProgramFolder::mainDatabase());

    {
        // The program is open on the folder: the file is not swapped under it.
        SingleInstance running;
        QVERIFY(running.acquire());
        const CliRun r = CliRun::run({"--folder", f.path(), "restore", backup});
        QCOMPARE(r.exit, int(Cli::Failed));
        QCOMPARE(r.err, u(AlreadyRunningText) + "\n");
        QCOMPARE(readBytes(ProgramFolder::mainDatabase()), database);
        QVERIFY(safetyCopies(f).isEmpty());
    }

    const CliRun r = CliRun::run({"--folder", f.path(), "restore", backup});
    QCOMPARE(r.exit, int(Cli::Success));
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], u(BackupText::RestoreDone));
    QVERIFY2(QFileInfo(lines[1]).isFile(), qPrintable(lines[1]));
    QCOMPARE(QFileInfo(lines[1]).absolutePath(), QFileInfo(f.file("Back")).absoluteFilePath());
    QCOMPARE(readBytes(lines[1]), database);
    QCOMPARE(f.scalar("SELECT group_concat(Code) FROM IDE"), QString("5"));

    // A refusal names the restore, then says what the window says.
    QVERIFY(writeBytes(dir.filePath("junk.mdbB"), "junk"));
    const CliRun refused = CliRun::run({"--folder", f.path(), "restore", dir.filePath("junk.mdbB")});
    QCOMPARE(refused.exit, int(Cli::Failed));
    QCOMPARE(refused.err, u(BackupText::RestoreButton) + ": " + u(BackupText::NotABackup) + "\n");
}

void TestRestoreTrust::backupIsOwnerOnly()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString backup = dir.filePath("b.mdbB");
    QVERIFY(Backup::backupDatabase(backup).ok());
    QVERIFY(ownerOnly(backup));
    // Replacing a backup that others could read does not keep it readable to them.
    QVERIFY(QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    const CliRun r = CliRun::run({"--folder", f.path(), "backup", backup, "--force"});
    QCOMPARE(r.exit, int(Cli::Success));
    QVERIFY(ownerOnly(backup));
}

void TestRestoreTrust::everyConnectionIsDefensive()
{
    TestFolder f;
    for (DbFile file : {DbFile::Main, DbFile::Settings}) {
        QSqlDatabase db = Database::connection(file);
        QVERIFY(db.isOpen());
        QSqlQuery q(db);
        QVERIFY(q.exec("PRAGMA trusted_schema") && q.next());
        QCOMPARE(q.value(0).toInt(), 0);
        // Defensive mode keeps the journal: the database stays whole across a crash.
        QVERIFY(q.exec("PRAGMA journal_mode=OFF") && q.next());
        QCOMPARE(q.value(0).toString(), QString("delete"));
        // ... and ordinary SQL cannot rewrite the schema table.
        q.exec("PRAGMA writable_schema=ON");
        QVERIFY(!q.exec("UPDATE sqlite_master SET sql = sql WHERE name = 'IDE'"));
    }
    // Connections opened by anyone in the process are hardened as well.
    int trusted = -1;
    {
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "plain");
        other.setDatabaseName(":memory:");
        QVERIFY(other.open());
        QSqlQuery q(other);
        if (q.exec("PRAGMA trusted_schema") && q.next())
            trusted = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase("plain");
    QCOMPARE(trusted, 0);
}

void TestRestoreTrust::backupWhileAnotherProcessWrites()
{
    const QString shell = QStandardPaths::findExecutable("sqlite3");
    if (shell.isEmpty())
        QSKIP("the sqlite3 shell is not installed");
    TestFolder f;
    BackupTestData::addSubjects(f, 1, 1500);
    Database::closeAll();
    const QString database = ProgramFolder::mainDatabase();

    // Another process commits 300-row updates that grow and shrink rows all over the file.
    QProcess writer;
    writer.setProgram("/bin/sh");
    writer.setArguments(
        {"-c",
         QStringLiteral("i=0; while :; do i=$((i+1)); \"%1\" -cmd '.timeout 60000' \"%2\" "
                        "\"BEGIN; UPDATE S1 SET v1 = substr(hex(randomblob(200)), 1, abs(random()) % 300) "
                        "WHERE rid % 5 = $i % 5 AND rid <= 1500; COMMIT;\" >/dev/null 2>&1; done")
             .arg(shell, database)});
    writer.start();
    QVERIFY(writer.waitForStarted());

    // Each copy is slowed down so that the writer certainly commits while it runs.
    Backup::setChunkObserver([](qint64 copied, qint64) {
        if (copied % (8 * Backup::ChunkSize) == 0)
            QThread::usleep(300);
    });
    QTemporaryDir dir;
    int done = 0;
    QStringList torn;
    for (int i = 0; i < 20; ++i) {
        const QString file = dir.filePath(QStringLiteral("b%1.mdbB").arg(i));
        const Backup::Result r = Backup::backupDatabase(file);
        if (!r.ok()) {
            QVERIFY2(!QFileInfo::exists(file), "a failed backup left its file");
            continue;
        }
        ++done;
        const QString check = integrity(file);
        if (check != "ok")
            torn << QStringLiteral("backup %1: %2").arg(i).arg(check.left(120));
    }
    Backup::setChunkObserver({});
    writer.kill();
    writer.waitForFinished();

    QVERIFY2(torn.isEmpty(), qPrintable(torn.join('\n')));
    QVERIFY(done > 0);
    // The writer went on meanwhile, and the database is whole.
    QVERIFY(f.scalar("SELECT count(*) FROM S1 WHERE length(v1) > 1").toInt() > 0);
    Database::closeAll();
    QCOMPARE(integrity(database), QString("ok"));
}

QTEST_MAIN(TestRestoreTrust)
#include "test_restoretrust.moc"
