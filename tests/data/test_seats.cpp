// Several seats on one server at once: concurrent registrations with overlapping codes and
// concurrent imports, and seats killed in the middle of an import or a deletion. Each seat is
// a process of its own (seat_child).
#include "HostPath.h"
#include "TestFolder.h"
#include "TestHelpers.h"
#include "TestServer.h"
#include "TestWorkbooks.h"
#include "data/AnswerStore.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "data/Database.h"
#include "data/DatabaseTexts.h"
#include "questionnaire/QuestionnaireWindow.h"
#include "questionnaire/Totals.h"
#include "records/WorkbookImport.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {
QString childPath() { return executable(QCoreApplication::applicationDirPath() + "/seat_child"); }

// A seat's process and the file its standard output goes to. A file rather than a pipe: under
// wine a pipe read after the process ended sometimes lacks its last line.
struct Seat {
    std::unique_ptr<QProcess> process;
    QString output;

    QByteArray printed() const
    {
        QFile f(output);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool waitForReady(int ms) const
    {
        QDeadlineTimer deadline(ms);
        while (!printed().contains("ready")) {
            if (deadline.hasExpired() || process->state() == QProcess::NotRunning)
                return false;
            QTest::qWait(10);
        }
        return true;
    }
};

Seat startSeat(const QString& dir, const QStringList& args)
{
    static int seats = 0;
    Seat seat{std::make_unique<QProcess>(), QStringLiteral("%1/seat%2.txt").arg(dir).arg(++seats)};
    seat.process->setStandardOutputFile(seat.output);
    seat.process->start(childPath(), args);
    seat.process->waitForStarted();
    return seat;
}

// stored, refused, as printed by the seat; {-1, -1} when it failed.
QPair<int, int> finish(const Seat& seat)
{
    QProcess& p = *seat.process;
    if (!p.waitForFinished(240000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning() << "seat failed:" << p.exitCode() << p.readAllStandardError();
        return {-1, -1};
    }
    const QByteArray out = seat.printed();
    const QStringList words = QString::fromUtf8(out).split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    const int at = words.indexOf("done");
    if (at < 0 || at + 2 >= words.size()) {
        qWarning() << "seat printed no count:" << out << p.readAllStandardError();
        return {-1, -1};
    }
    return {words[at + 1].toInt(), words[at + 2].toInt()};
}

// A full answer sheet: odd items ticked, ratings 1..6 and 7..2.
QString writeWorkbook(const QString& dir)
{
    const TestWorkbooks::Cells cells = TestWorkbooks::fullAnswers(QStringLiteral("Meravel"), false);
    const QString path = dir + "/answers.xlsx";
    return TestWorkbooks::writeXlsx(path, WorkbookImport::SheetName, cells) ? path : QString();
}

// What must hold whatever the seats did: one subject per code, one answer row per table per
// subject and none without a subject, stored totals equal to the stored answers.
QStringList inconsistencies(TestFolder& f)
{
    QStringList problems;
    if (f.scalar("SELECT count(*) FROM (SELECT \"Code\" FROM \"IDE\" GROUP BY \"Code\" HAVING count(*) > 1) d") != "0")
        problems << "a code registered twice";
    for (const char* t : {"S1", "S2", "S3", "S4"}) {
        if (f.scalar(QStringLiteral("SELECT count(*) FROM \"%1\" s WHERE NOT EXISTS "
                                    "(SELECT 1 FROM \"IDE\" i WHERE i.\"Code\" = s.\"Code\")")
                         .arg(t))
            != "0")
            problems << QStringLiteral("answer rows of %1 without a subject").arg(t);
        if (f.scalar(QStringLiteral("SELECT count(*) FROM (SELECT \"Code\" FROM \"%1\" GROUP BY \"Code\" "
                                    "HAVING count(*) > 1) d")
                         .arg(t))
            != "0")
            problems << QStringLiteral("two answer rows in %1 for one subject").arg(t);
    }
    QSqlQuery q(Database::connection(DbFile::Main));
    q.exec(
        "SELECT \"Code\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\" FROM \"IDE\" WHERE \"V\" IS NOT NULL ORDER BY rid");
    QVector<QPair<QString, QStringList>> withTotals;
    while (q.next()) {
        QStringList stored;
        for (int i = 1; i <= 6; ++i)
            stored << q.value(i).toString();
        withTotals.append({q.value(0).toString(), stored});
    }
    for (const auto& [code, stored] : withTotals) {
        const Totals::Six computed = Totals::compute(AnswerStore::readRows(code));
        QStringList expected;
        for (int t : computed)
            expected << QString::number(t);
        if (expected != stored)
            problems << QStringLiteral("totals of %1 are %2, the answers give %3")
                            .arg(code, stored.join(','), expected.join(','));
    }
    return problems;
}
} // namespace

class TestSeats : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void concurrentRegistrationsAndImports();
    void killedSeatLeavesTheServerConsistent();
    void testOpenOnAnotherSeatIsRefusedInTheWindow();
};

void TestSeats::initTestCase()
{
    MERAVEL_REQUIRE_SERVER_URL();
    // Every folder of this test keeps its main database on the server.
    qputenv("MERAVEL_TEST_ENGINE", "postgresql");
    AppSetup::configure(*qApp);
}

void TestSeats::concurrentRegistrationsAndImports()
{
    TestFolder f;
    QVERIFY(f.isValid());
    QVERIFY(f.onServer());
    QTemporaryDir dir;
    const QString workbook = writeWorkbook(dir.path());
    QVERIFY(!workbook.isEmpty());
    // Subjects registered before their answer rows existed: both importing seats create them.
    for (int code = 5001; code <= 5040; ++code)
        QVERIFY(f.exec(QStringLiteral("INSERT INTO \"IDE\" (\"Code\") VALUES ('%1')").arg(code)));

    std::vector<Seat> seats;
    // Four seats, 250 codes each, every code but the first and last 125 wanted by two seats.
    for (int p = 0; p < 4; ++p)
        seats.push_back(startSeat(dir.path(), {"register", f.path(), QString::number(1 + 125 * p), "250"}));
    for (int p = 0; p < 2; ++p)
        seats.push_back(startSeat(dir.path(), {"import", f.path(), workbook, "5001", "40"}));
    int stored = 0, refused = 0;
    for (size_t i = 0; i < seats.size(); ++i) {
        const auto [s, r] = finish(seats[i]);
        QVERIFY2(s >= 0, "a seat failed");
        if (i < 4) {
            stored += s;
            refused += r;
        } else {
            QCOMPARE(s, 40);
        }
    }
    QCOMPARE(stored, 625);
    QCOMPARE(refused, 375);
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), "665");
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\" WHERE \"Code\" ~ '^[0-9]+$' AND \"Code\"::int BETWEEN 1 AND 625"),
             "625");
    for (const char* t : {"S1", "S2", "S3", "S4"})
        QCOMPARE(f.scalar(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(t)), "665");
    const QStringList problems = inconsistencies(f);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\" WHERE \"V\" IS NOT NULL"), "40");
}

void TestSeats::killedSeatLeavesTheServerConsistent()
{
    TestFolder f;
    QVERIFY(f.onServer());
    QTemporaryDir dir;
    const QString workbook = writeWorkbook(dir.path());
    for (int code = 1; code <= 30; ++code)
        f.addSubject(QString::number(code));
    auto* random = QRandomGenerator::global();
    for (int round = 0; round < 6; ++round) {
        const bool deleting = round >= 4;
        const QString started = f.scalar("SELECT clock_timestamp()::text");
        const Seat seat = deleting
            ? startSeat(dir.path(), {"delete", f.path(), QString::number(1 + (round - 4) * 15), "15"})
            : startSeat(dir.path(), {"import", f.path(), workbook, "1", "30", "1000"});
        QVERIFY(seat.waitForReady(60000));
        QTest::qWait(deleting ? int(random->bounded(5, 60)) : int(random->bounded(100, 700)));
        seat.process->kill();
        seat.process->waitForFinished(10000);
        // Wine keeps the sockets of a process it killed in the middle of a read open, so the
        // server never sees that seat go; end its connection as Windows' own closing would.
        if (underWine())
            f.exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE datname = "
                                  "current_database() AND pid <> pg_backend_pid() AND backend_start >= '%1'")
                       .arg(started));
        const QStringList problems = inconsistencies(f);
        QVERIFY2(problems.isEmpty(), qPrintable(QStringLiteral("round %1: ").arg(round) + problems.join("\n")));
    }
    // The killed seats hold nothing any more: this seat imports and deletes at once.
    // The server lets a killed seat's locks go once it sees the connection closed.
    QTRY_COMPARE_WITH_TIMEOUT(
        f.scalar("SELECT count(*) FROM pg_locks WHERE locktype = 'advisory' AND pid <> pg_backend_pid()"), QString("0"),
        60000);
    const QString left = f.scalar("SELECT min(\"Code\") FROM \"IDE\"");
    if (!left.isEmpty())
        QVERIFY(WorkbookImport::run(left, workbook).ok());
}

void TestSeats::testOpenOnAnotherSeatIsRefusedInTheWindow()
{
    TestFolder f;
    QVERIFY(f.isValid());
    f.addSubject("12");
    ScopedScriptedDialogs dialogs;
    MainWindow* main = MainWindow::load(ProgramWindows::openers());
    QVERIFY(main);
    QPushButton* testButton = main->findChild<QPushButton*>("Command2");
    QVERIFY(testButton);
    // The test window is modal: once it is up, note it and close it.
    bool opened = false;
    auto closeWhenUp = [&] {
        QTimer::singleShot(0, this, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* w = qobject_cast<QuestionnaireWindow*>(top); w && w->isVisible()) {
                    opened = true;
                    QTest::mouseClick(w->findChild<QPushButton*>("CmdSave"), Qt::LeftButton);
                }
        });
    };

    // Another seat has the subject's test open: it holds the subject's lock on the server.
    QString error;
    ScopedConnection otherSeat(DbLocation::fromText(f.serverUrl()), &error);
    QVERIFY2(otherSeat.isOpen(), qPrintable(error));
    QSqlQuery q(otherSeat.db());
    q.prepare(QStringLiteral("SELECT pg_advisory_lock(%1)").arg(SubjectHold::LockArguments));
    q.addBindValue("12");
    QVERIFY(q.exec());
    dialogs.inputAnswers.enqueue("12");
    closeWhenUp();
    QTest::mouseClick(testButton, Qt::LeftButton);
    QVERIFY(!opened);
    QCOMPARE(dialogs.selfClosingTexts(), QStringList{QString::fromUtf8(DatabaseText::TestOpenElsewhere)});

    // Once that seat closes the test, this one opens it.
    q.prepare(QStringLiteral("SELECT pg_advisory_unlock(%1)").arg(SubjectHold::LockArguments));
    q.addBindValue("12");
    QVERIFY(q.exec());
    dialogs.clear();
    dialogs.inputAnswers.enqueue("12");
    closeWhenUp();
    QTest::mouseClick(testButton, Qt::LeftButton);
    QVERIFY(opened);
    QCOMPARE(dialogs.selfClosingTexts(), QStringList());
    delete main;
}

QTEST_MAIN(TestSeats)
#include "test_seats.moc"
