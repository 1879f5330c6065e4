// meravel-cli: command line handling, date and register.
#include "TestHelpers.h"
#include "CliRun.h"
#include "TestFolder.h"
#include "data/Clock.h"

#include <QProcess>
#include <QtTest>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
} // namespace

class TestCliFoundation : public QObject {
    Q_OBJECT
private slots:
    void helpAndUsage();
    void dateArguments_data();
    void dateArguments();
    void dateFromStandardInput();
    void registerStoresFiveRows();
    void registerChecksInOrder();
    void registerRefusesDuplicateAndNonDigits();
    void registerRefusesAnInvalidDate();
    void folderOption();
    void helpAsAnOptionValue();
    void runtimeFolderIsPrivate();
};

void TestCliFoundation::helpAndUsage()
{
    CliRun r = CliRun::run({"--help"});
    QCOMPARE(r.exit, 0);
    QVERIFY(r.out.contains("date [--form F]"));
    QVERIFY(r.out.contains("register --code C"));
    r = CliRun::run({"date", "--help"});
    QCOMPARE(r.exit, 0);
    QVERIFY(r.out.contains("standard input"));
    QCOMPARE(CliRun::run({}).exit, 2);
    QCOMPARE(CliRun::run({"nosuchcommand"}).exit, 2);
    QCOMPARE(CliRun::run({"date", "--bogus"}).exit, 2);
}

void TestCliFoundation::dateArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("out");
    QTest::newRow("form 0 default") << QStringList{"date", "2023-10-07"} << 0 << "1402/07/15\n";
    QTest::newRow("two dates in order") << QStringList{"date", "2024-03-20", "2024-03-19"} << 0
                                        << "1403/01/01\n1402/12/29\n";
    QTest::newRow("with time") << QStringList{"date", "--form", "3", "2023-10-07T23:59:59"} << 0
                               << u("شنبه 15 مهر 1402\n");
    QTest::newRow("form 4") << QStringList{"date", "--form=4", "2023-10-07T08:00"} << 0 << "1402.7.15\n";
    QTest::newRow("form 9 prints an empty line") << QStringList{"date", "--form", "9", "2023-10-07"} << 0 << "\n";
    QTest::newRow("malformed") << QStringList{"date", "2023-13-07"} << 2 << "";
    QTest::newRow("not a date") << QStringList{"date", "yesterday"} << 2 << "";
}

void TestCliFoundation::dateArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, out);
    const CliRun r = CliRun::run(args);
    QCOMPARE(r.exit, exit);
    QCOMPARE(r.out, out);
    if (exit == 2)
        QVERIFY(r.err.contains(args.last()));
}

void TestCliFoundation::dateFromStandardInput()
{
    QString input;
    for (int i = 0; i < 1000; ++i)
        input += QDate(2020, 1, 1).addDays(i).toString(Qt::ISODate) + "\n";
    const CliRun r = CliRun::run({"date"}, input);
    QCOMPARE(r.exit, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1000);
    QCOMPARE(lines.first(), QString("1398/10/11"));
}

void TestCliFoundation::registerStoresFiveRows()
{
    TestFolder f;
    Clock::setFixed(QDateTime(QDate(2023, 10, 7), QTime(9, 30, 5)));
    const CliRun r = CliRun::run({"register", "--code", "12", "--first", u("علي"), "--last", u("رضايي"), "--sex",
                                  u("پسر"), "--age", "15", "--class", "10", "--group", "B"});
    Clock::setFixed(QDateTime());
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
        QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\" WHERE \"Code\"='12'").arg(t)), QString("1"));
    QCOMPARE(f.scalar("SELECT \"Date\"||' '||\"Time\" FROM \"IDE\""), QString("1402/07/15 09:30:05"));
}

void TestCliFoundation::registerChecksInOrder()
{
    TestFolder f;
    CliRun r = CliRun::run({"register"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, u("کد آزمودني را وارد کنيد") + "\n");
    r = CliRun::run({"register", "--code", "1", "--first", "a", "--last", "b", "--sex", "x", "--age", "1"});
    QCOMPARE(r.err, u("كلاس آزمودني را بنويسيد") + "\n");
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\""), QString("0"));
}

void TestCliFoundation::registerRefusesDuplicateAndNonDigits()
{
    TestFolder f;
    f.addSubject("3");
    const QStringList rest{"--first", "a", "--last", "b", "--sex", "x", "--age", "12", "--class", "c", "--group", "A"};
    CliRun r = CliRun::run(QStringList{"register", "--code", "3"} + rest);
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, u("این کد قبلاً ثبت شده است") + "\n");
    r = CliRun::run(QStringList{"register", "--code", "3'x"} + rest);
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, u("شما بايد عدد وارد كنيد") + "\n");
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("1"));
}

void TestCliFoundation::registerRefusesAnInvalidDate()
{
    TestFolder f;
    const QStringList rest{"--first", "a", "--last", "b", "--sex", "x", "--age", "12", "--class", "c", "--group", "A"};
    for (const QString& date : {u("فردا"), QString("1402/07/31"), QString()}) {
        const CliRun r = CliRun::run(QStringList{"register", "--code", "3", "--date", date} + rest);
        QCOMPARE(r.exit, 1);
        QCOMPARE(r.err, u("تاريخ درست نيست؛ آن را به شکل سال/ماه/روز وارد کنيد، مانند 1402/07/15") + "\n");
        QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("0"));
        QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\""), QString("0"));
    }
    const CliRun r = CliRun::run(QStringList{"register", "--code", "3", "--date", u("۱۴۰۲/۰۷/۳۰")} + rest);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    QCOMPARE(f.scalar("SELECT \"Date\" FROM \"IDE\""), QString("1402/07/30"));
}

void TestCliFoundation::folderOption()
{
    TestFolder f;
    const QString folder = f.path();
    const CliRun r = CliRun::run({"--folder", folder, "register", "--code", "5", "--first", "a", "--last", "b",
                                  "--sex", "x", "--age", "12", "--class", "c", "--group", "A"});
    QCOMPARE(r.exit, 0);
    QCOMPARE(f.scalar("SELECT \"Code\" FROM \"IDE\""), QString("5"));
    QCOMPARE(CliRun::run({"--folder"}).exit, 2);
}

void TestCliFoundation::helpAsAnOptionValue()
{
    TestFolder f;
    // "--help" after an option that takes a value is that value: a group named "--help".
    CliRun r = CliRun::run({"--folder", f.path(), "register", "--code", "5", "--first", "a", "--last", "b", "--sex",
                            "x", "--age", "12", "--class", "c", "--group", "--help"});
    QCOMPARE(r.exit, 0);
    QCOMPARE(f.scalar("SELECT \"Group\" FROM \"IDE\" WHERE \"Code\"='5'"), QString("--help"));
    // Anywhere else it still asks for the command's help, and nothing runs.
    r = CliRun::run({"--folder", f.path(), "register", "--code", "6", "--help"});
    QCOMPARE(r.exit, 0);
    QVERIFY(r.out.startsWith("Usage: meravel-cli [--folder DIR] [--database URL] register"));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\" WHERE \"Code\"='6'"), QString("0"));
    r = CliRun::run({"date", "--form", "--help"});
    QCOMPARE(r.exit, 2); // "--help" is no form
    QVERIFY(!r.out.startsWith("Usage:"));
}

void TestCliFoundation::runtimeFolderIsPrivate()
{
#ifdef Q_OS_WIN
    QSKIP("Windows has no shared temporary folder of runtime folders to plant a name in");
#else
    const QString tool = TestFolder::templateFolder() + "/meravel-cli";
    if (!QFileInfo(tool).isExecutable())
        QSKIP("meravel-cli is not built");
    QTemporaryDir tmp, victim;
    // Someone who can write the temporary folder plants the name an earlier release used.
    QVERIFY(QFile::link(victim.path(), tmp.filePath(QStringLiteral("runtime-meravel-%1").arg(::getuid()))));
    QVERIFY(QFile::setPermissions(victim.path(),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                      | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    const QFile::Permissions before = QFile::permissions(victim.path());
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("XDG_RUNTIME_DIR");
    env.remove("QT_QPA_PLATFORM");
    env.insert("TMPDIR", tmp.path());
    p.setProcessEnvironment(env);
    p.start(tool, {"date", "2020-03-20"});
    QVERIFY(p.waitForFinished(30000));
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(!p.readAllStandardOutput().isEmpty());
    // Nothing was made of the planted name, and the tool's own folder is gone with it.
    QCOMPARE(QFile::permissions(victim.path()), before);
    QCOMPARE(QDir(victim.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
    QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
             QStringList{QStringLiteral("runtime-meravel-%1").arg(::getuid())});
#endif
}

QTEST_GUILESS_MAIN(TestCliFoundation)
#include "test_cli_foundation.moc"
