// The .xls helper on Windows runs in a job object, the POSIX limits' twin: a memory and a
// processor-time limit of its own, and the end of everything it started when the reader
// stops waiting for it. A stand-in helper (job_standin.cpp) reports on its job from inside.
#include "HostPath.h"

#include "records/WorkbookReader.h"

#include <QtTest>

#include <qt_windows.h>

namespace {
// Enough of a BIFF file for the reader to hand it to the helper.
const QByteArray OleFile = QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(504, '\0');

QString standIn() { return QCoreApplication::applicationDirPath() + "/xls_job_standin.exe"; }
} // namespace

class TestXlsHelperJob : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void helperRunsUnderLimits();
    void memoryLimitHolds();
    void whatTheHelperStartedEndsWithIt();

private:
    // The stand-in's one sheet in the given mode.
    QStringList sheetsIn(const QByteArray& mode, QString* message);
};

void TestXlsHelperJob::cleanup()
{
    WorkbookReader::setBiffHelper(QString());
    qunsetenv("MERAVEL_JOB_STANDIN");
}

QStringList TestXlsHelperJob::sheetsIn(const QByteArray& mode, QString* message)
{
    qputenv("MERAVEL_JOB_STANDIN", mode);
    WorkbookReader::setBiffHelper(standIn(), 5000);
    WorkbookReader reader;
    return reader.openData(OleFile, message) ? reader.sheetNames() : QStringList();
}

void TestXlsHelperJob::helperRunsUnderLimits()
{
    // Memory in KiB and processor seconds (the time limit and a second), as set on the job.
    QString message;
    const QStringList sheets = sheetsIn("limits", &message);
    if (underWine() && sheets == QStringList{"0 0"})
        QSKIP("wine answers a job's limits as none from inside it (it keeps only the end of the job's processes with "
              "the job, which whatTheHelperStartedEndsWithIt checks)");
    QCOMPARE(sheets, QStringList{QStringLiteral("%1 6 kill").arg(WorkbookReader::BiffHelperMemoryBytes / 1024)});
}

void TestXlsHelperJob::memoryLimitHolds()
{
    QString message;
    const QStringList sheets = sheetsIn("allocate", &message);
    QCOMPARE(sheets.size(), 1);
    if (underWine() && sheets.first() == "granted")
        QSKIP("wine keeps a job's memory limit but does not enforce it (1.5 GiB were committed in a 1 GiB job)");
    QCOMPARE(sheets.first(), QString("refused"));
}

void TestXlsHelperJob::whatTheHelperStartedEndsWithIt()
{
    // The helper starts a process of its own and hangs: the reader's time limit ends both.
    QTemporaryDir dir;
    const QString pidFile = dir.filePath("child.txt");
    qputenv("MERAVEL_JOB_STANDIN", "spawn");
    qputenv("MERAVEL_JOB_STANDIN_OUT", QDir::toNativeSeparators(pidFile).toLocal8Bit());
    WorkbookReader::setBiffHelper(standIn(), 1500);
    WorkbookReader reader;
    QString message;
    QVERIFY(!reader.openData(OleFile, &message));
    QVERIFY2(message.contains("took too long"), qPrintable(message));
    QFile f(pidFile);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const DWORD pid = DWORD(f.readAll().trimmed().toULong());
    QVERIFY(pid != 0);
    HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
    if (!child)
        return; // gone already
    const DWORD waited = WaitForSingleObject(child, 10000);
    if (waited != WAIT_OBJECT_0)
        TerminateProcess(child, 1);
    CloseHandle(child);
    QCOMPARE(waited, DWORD(WAIT_OBJECT_0));
}

QTEST_MAIN(TestXlsHelperJob)
#include "test_xlshelperjob.moc"
