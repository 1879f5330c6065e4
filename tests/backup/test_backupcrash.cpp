// A backup or restore killed at any moment leaves the destination either wholly old or wholly
// new, byte for byte: the copy goes to a temporary file that replaces the destination in one
// rename.
#include "BackupTestData.h"
#include "TestFolder.h"
#include "TestHelpers.h"
#include "backup/Backup.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QtTest>

class TestBackupCrash : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void killedBeforeEveryChunk_data();
    void killedBeforeEveryChunk();
    void killedAtRandomMoments_data();
    void killedAtRandomMoments();

private:
    // The child's two modes, as the rows of a test: "backup" writes database B onto the backup
    // file A, "restore" backup file A over database B.
    static void addModes();
    // What a mode copies: the file it reads and the one it replaces, with the destination's bytes
    // before the copy and after it (those of the source).
    struct Copy {
        QString source, destination;
        QByteArray before, after;
    };
    Copy copyOf(const QString& mode) const;
    // Runs the child; killAt < 0 lets it finish unless the parent kills it after killAfterMs.
    bool runChild(const QString& mode, const QString& file, qint64 killAt, unsigned delayUs, int killAfterMs,
                  bool* killed);
    QString m_child;
    TestFolder* m_folder = nullptr;
    QTemporaryDir* m_dir = nullptr;
    QByteArray m_older, m_newer; // database contents A (in the backup file) and B (the database)
    QString m_backupFile;
};

void TestBackupCrash::initTestCase()
{
    m_child = executable(QCoreApplication::applicationDirPath() + "/backup_crash_child");
    QVERIFY2(QFileInfo(m_child).isExecutable(), qPrintable(m_child));
}

void TestBackupCrash::init()
{
    m_folder = new TestFolder;
    m_dir = new QTemporaryDir;
    QVERIFY(m_folder->isValid());
    // State A goes into an existing backup file; state B, with more subjects, is the database.
    BackupTestData::addSubjects(*m_folder, 1, 150);
    m_backupFile = m_dir->filePath("existing.mdbB");
    QVERIFY(Backup::backupDatabase(m_backupFile).ok());
    BackupTestData::addSubjects(*m_folder, 1000, 40);
    Database::closeAll();
    m_older = readBytes(m_backupFile);
    m_newer = readBytes(ProgramFolder::mainDatabase());
    QVERIFY(m_older != m_newer);
    QVERIFY(m_newer.size() > 20 * Backup::ChunkSize);
}

void TestBackupCrash::cleanup()
{
    delete m_folder;
    delete m_dir;
    m_folder = nullptr;
    m_dir = nullptr;
}

bool TestBackupCrash::runChild(const QString& mode, const QString& file, qint64 killAt, unsigned delayUs,
                               int killAfterMs, bool* killed)
{
    QProcess p;
    p.start(m_child, {mode, m_folder->path(), file, QString::number(killAt), QString::number(delayUs)});
    if (!p.waitForStarted())
        return false;
    if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs) && p.state() == QProcess::Running)
        p.kill(); // SIGKILL on POSIX, TerminateProcess on Windows
    if (p.state() != QProcess::NotRunning && !p.waitForFinished(60000)) {
        qWarning("child: %s", qPrintable(p.errorString()));
        return false;
    }
    *killed = p.exitStatus() == QProcess::CrashExit;
    return true;
}

void TestBackupCrash::addModes()
{
    QTest::addColumn<QString>("mode");
    QTest::newRow("backup") << "backup";
    QTest::newRow("restore") << "restore";
}

TestBackupCrash::Copy TestBackupCrash::copyOf(const QString& mode) const
{
    const bool backup = mode == "backup";
    return {backup ? ProgramFolder::mainDatabase() : m_backupFile,
            backup ? m_backupFile : ProgramFolder::mainDatabase(), backup ? m_older : m_newer,
            backup ? m_newer : m_older};
}

void TestBackupCrash::killedBeforeEveryChunk_data() { addModes(); }

void TestBackupCrash::killedBeforeEveryChunk()
{
    QFETCH(QString, mode);
    const Copy copy = copyOf(mode);
    // The chunks are those of the source: the database for a backup, the backup file for a restore.
    const qint64 chunks = (copy.after.size() + Backup::ChunkSize - 1) / Backup::ChunkSize;

    for (qint64 k = 0; k < chunks; ++k) {
        bool killed = false;
        QVERIFY(runChild(mode, m_backupFile, k, 0, -1, &killed));
        QVERIFY2(killed, qPrintable(QString("chunk %1 was not reached").arg(k)));
        QVERIFY2(readBytes(copy.destination) == copy.before,
                 qPrintable(QString("%1 killed before chunk %2").arg(mode).arg(k)));
    }
    // The database is only read by a backup; the backup file only by a restore.
    QCOMPARE(readBytes(copy.source), copy.after);

    bool killed = true;
    QVERIFY(runChild(mode, m_backupFile, -1, 0, -1, &killed));
    QVERIFY(!killed);
    QCOMPARE(readBytes(copy.destination), copy.after);
}

void TestBackupCrash::killedAtRandomMoments_data() { addModes(); }

void TestBackupCrash::killedAtRandomMoments()
{
    QFETCH(QString, mode);
    const Copy copy = copyOf(mode);
    const QString& destination = copy.destination;
    const QByteArray& first = copy.before;
    const QByteArray& second = copy.after;
    const int copyMs = int(m_newer.size() / Backup::ChunkSize) * 1; // 1 ms per chunk below
    int whollyOld = 0, whollyNew = 0;
    for (int run = 0; run < 40; ++run) {
        // Both files are put back, so each run can land before, in or after the rename.
        QVERIFY(writeBytes(m_backupFile, m_older));
        QVERIFY(writeBytes(ProgramFolder::mainDatabase(), m_newer));
        bool killed = false;
        const int after = QRandomGenerator::global()->bounded(copyMs + 150);
        QVERIFY(runChild(mode, m_backupFile, -1, 1000, after, &killed));
        const QByteArray now = readBytes(destination);
        QVERIFY2(now == first || now == second,
                 qPrintable(QString("%1 killed after %2 ms left a mixture").arg(mode).arg(after)));
        (now == first ? whollyOld : whollyNew)++;
    }
    qInfo("%s: %d runs left the old file, %d the new one", qPrintable(mode), whollyOld, whollyNew);
    // A killed copy cannot clean up after itself; say what it left.
    const QStringList left = QDir(QFileInfo(destination).absolutePath()).entryList(QDir::Files | QDir::Hidden);
    qInfo("files beside the destination: %s", qPrintable(left.join(", ")));
}

QTEST_GUILESS_MAIN(TestBackupCrash)
#include "test_backupcrash.moc"
