// Registration (meravel-cli register), the test window's commits, a workbook import
// (meravel-cli import) and deletions are killed with SIGKILL before every database step (a
// preloaded step counter) and at random moments. Afterwards the database must pass
// PRAGMA integrity_check and hold each operation wholly or not at all.
#include "TestHelpers.h"
#include "CrashPattern.h"
#include "TestFolder.h"
#include "TestWorkbooks.h"

#include "data/Database.h"
#include "data/ProgramFolder.h"
#include "records/WorkbookImport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QtTest>

#include <memory>

namespace {

const QStringList Tables{"IDE", "S1", "S2", "S3", "S4"};
const char* const SubjectCode = "500"; // registered, imported and tested on
// The operations the child runs and the tests kill: registration, workbook import, the test
// window's commits and deletion.
const char* const Operations[] = {"register", "import", "testwindow", "delete"};

QString queryValue(const QString& sql)
{
    QSqlQuery q(Database::connection(DbFile::Main));
    return q.exec(sql) && q.next() ? q.value(0).toString() : QStringLiteral("<%1 failed>").arg(sql);
}

// Code -> number of rows in IDE and in each of S1..S4; a subject is whole when they agree.
// `withoutAnswers` may have its IDE row alone (S1..S4 still agreeing).
QString rowCountsDisagree(QMap<QString, int>* subjects, const QString& withoutAnswers = QString())
{
    QMap<QString, QList<int>> counts;
    for (int t = 0; t < Tables.size(); ++t) {
        QSqlQuery q(Database::connection(DbFile::Main));
        if (!q.exec(QStringLiteral("SELECT Code, count(*) FROM %1 GROUP BY Code").arg(Tables[t])))
            return "cannot count " + Tables[t];
        while (q.next()) {
            QList<int>& c = counts[q.value(0).toString()];
            c.resize(Tables.size());
            c[t] = q.value(1).toInt();
        }
    }
    for (auto it = counts.constBegin(); it != counts.constEnd(); ++it) {
        const bool answersMissing = it.key() == withoutAnswers && it->first() == 1 && it->count(0) == 4;
        if (it->count(it->first()) != it->size() && !answersMissing)
            return QStringLiteral("subject %1 has rows IDE/S1/S2/S3/S4 = %2").arg(it.key(), [&] {
                QStringList s;
                for (int n : *it)
                    s << QString::number(n);
                return s.join('/');
            }());
        if (subjects)
            subjects->insert(it.key(), it->first());
    }
    return QString();
}

// The subject's answers (ticks as 1/0, ratings as stored), first name and totals.
QMap<QString, QString> subjectState(const QString& code)
{
    QMap<QString, QString> state;
    for (int table = 1; table <= 4; ++table) {
        const QStringList columns = AnswerColumns::columns(table);
        QSqlQuery q(Database::connection(DbFile::Main));
        q.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE Code = ? ORDER BY rid LIMIT 1")
                      .arg(columns.join(", "), AnswerColumns::tableName(table)));
        q.addBindValue(code);
        const bool row = q.exec() && q.next();
        for (int i = 0; i < columns.size(); ++i) {
            const QString v = row ? q.value(i).toString() : QString();
            state.insert(AnswerColumns::tableName(table) + "." + columns[i],
                         table < 4 ? (Totals::isTicked(v) ? "1" : "0") : v);
        }
    }
    QStringList ide{"FName"};
    for (int t = 0; t < AnswerColumns::TypeCount; ++t)
        ide << AnswerColumns::totalColumn(t);
    QSqlQuery q(Database::connection(DbFile::Main));
    q.prepare(QStringLiteral("SELECT %1 FROM IDE WHERE Code = ? ORDER BY rid LIMIT 1").arg(ide.join(", ")));
    q.addBindValue(code);
    const bool row = q.exec() && q.next();
    for (int i = 0; i < ide.size(); ++i)
        state.insert("IDE." + ide[i], row ? q.value(i).toString() : QString());
    return state;
}

// What subjectState shows for these answers, first name and totals ("" totals: never stored).
QMap<QString, QString> expectedState(const Totals::Answers& answers, const QString& firstName, bool withTotals)
{
    QMap<QString, QString> state;
    for (int table = 1; table <= 4; ++table)
        for (const QString& c : AnswerColumns::columns(table)) {
            const QString v = answers[table - 1].value(c);
            state.insert(AnswerColumns::tableName(table) + "." + c, table < 4 ? (Totals::isTicked(v) ? "1" : "0") : v);
        }
    state.insert("IDE.FName", firstName);
    const Totals::Six totals = Totals::compute(answers);
    for (int t = 0; t < AnswerColumns::TypeCount; ++t)
        state.insert("IDE." + AnswerColumns::totalColumn(t), withTotals ? QString::number(totals[t]) : QString());
    return state;
}

QString firstDifference(const QMap<QString, QString>& now, const QMap<QString, QString>& expected)
{
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it)
        if (now.value(it.key()) != it.value())
            return QStringLiteral("%1 is '%2', expected '%3'").arg(it.key(), now.value(it.key()), it.value());
    return QString();
}
} // namespace

class TestCrashSafety : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void killedBeforeEveryStep_data();
    void killedBeforeEveryStep();
    void killedAtRandomMoments_data();
    void killedAtRandomMoments();

private:
    struct Run {
        bool killed = false;
        int steps = -1;    // steps reported by an unkilled run with the counter asked to report
        qint64 ms = 0;     // from start (or from "ready") to the end
        QString output;
    };
    void prepare(const QString& op);
    void restore();
    QStringList command(const QString& op, QString* program) const;
    // killAtStep > 0: killed by the step counter; killAfterMs >= 0: killed by the test then.
    Run run(const QString& op, long killAtStep, int killAfterMs, bool reportSteps = false);
    // "" when the database is sound and the operation wholly there or wholly absent;
    // *outcome names which ("before", "after", "turn 3").
    QString verify(const QString& op, QString* outcome);

    QString m_cli, m_child, m_shim;
    std::unique_ptr<TestFolder> m_folder;
    QByteArray m_baseline;
    QString m_workbook;
    int m_turns = 0;  // test window turns of one child run
    int m_deletes = 0;
    quint32 m_seed = 0;
};

void TestCrashSafety::initTestCase()
{
    m_cli = executable(TestFolder::templateFolder() + "/meravel-cli");
    m_child = executable(QCoreApplication::applicationDirPath() + "/ops_crash_child");
    for (const QString& f : {m_cli, m_child})
        QVERIFY2(QFileInfo(f).isExecutable(), qPrintable(f));
#ifndef Q_OS_WIN
    m_shim = QCoreApplication::applicationDirPath() + "/libmeravel_kill_shim.so";
    QVERIFY2(QFileInfo::exists(m_shim), qPrintable(m_shim));
#endif
    m_seed = qEnvironmentVariableIsSet("MERAVEL_CRASH_SEED") ? qEnvironmentVariableIntValue("MERAVEL_CRASH_SEED")
                                                             : QRandomGenerator::system()->generate();
    qInfo("random kill moments from seed %u (MERAVEL_CRASH_SEED to repeat)", m_seed);
}

void TestCrashSafety::cleanup()
{
    Database::closeAll();
    m_folder.reset();
}

void TestCrashSafety::prepare(const QString& op)
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
    // Other subjects around the one operated on; none of them may change.
    QVERIFY(m_folder->exec("BEGIN"));
    for (int c = 1; c <= 40; ++c)
        m_folder->addSubject(QString::number(c));
    QVERIFY(m_folder->exec("COMMIT"));
    if (op == "import" || op == "testwindow")
        m_folder->addSubject(SubjectCode);
    if (op == "testwindow") {
        // The window creates the missing answer rows (four of them, together) when it opens.
        for (const char* t : {"S1", "S2", "S3", "S4"})
            QVERIFY(m_folder->exec(QStringLiteral("DELETE FROM %1 WHERE Code = '%2'").arg(QLatin1String(t), QLatin1String(SubjectCode))));
        // Two Save and exit, so the window is opened three times; the last turn leaves by
        // the close box, which stores the totals with the answers too.
        m_turns = 10;
    }
    if (op == "delete") {
        QVERIFY(m_folder->exec("BEGIN"));
        for (int c = 1000; c < 1030; ++c)
            m_folder->addSubject(QString::number(c));
        QVERIFY(m_folder->exec("COMMIT"));
        m_deletes = 30;
    }
    if (op == "import") {
        // The workbook holds the answers of pattern turn 1 (ticks as numbers, ratings 1..7).
        TestWorkbooks::Cells cells{{WorkbookImport::MarkerCell, QString(WorkbookImport::MarkerText)}};
        const Totals::Answers a = CrashPattern::answers(1);
        for (int table = 1; table <= 4; ++table)
            for (int t = 0; t < AnswerColumns::TypeCount; ++t)
                for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                    const QString v = a[table - 1].value(AnswerColumns::column(table, t, k));
                    if (table == 4 || v == "1")
                        cells.append({WorkbookImport::answerCell(table, t, k), v.toDouble()});
                }
        m_workbook = m_folder->file("answers.xlsx");
        QVERIFY(TestWorkbooks::writeXlsx(m_workbook, WorkbookImport::SheetName, cells));
    }
    Database::closeAll();
    QFile f(ProgramFolder::mainDatabase());
    QVERIFY(f.open(QIODevice::ReadOnly));
    m_baseline = f.readAll();
}

void TestCrashSafety::restore()
{
    Database::closeAll();
    // A hot journal left by a kill was rolled back when verify opened the database; what
    // may be left is an empty one (killed as it was created), which SQLite ignores. It must
    // not meet the baseline written back.
    QFile::remove(ProgramFolder::mainDatabase() + "-journal");
    QVERIFY(writeBytes(ProgramFolder::mainDatabase(), m_baseline));
}

QStringList TestCrashSafety::command(const QString& op, QString* program) const
{
    const QStringList folder{"--folder", m_folder->path()};
    *program = m_cli;
    if (op == "register")
        return folder + QStringList{"register", "--code", SubjectCode, "--first", u("علي"), "--last", u("رضايي"),
                                    "--sex", u("پسر"), "--age", "15", "--class", "10", "--group", "A",
                                    "--date", "1402/07/15", "--time", "10:00:00"};
    if (op == "import")
        return folder + QStringList{"import", "--code", SubjectCode, m_workbook};
    *program = m_child;
    if (op == "testwindow")
        return {"testwindow", m_folder->path(), SubjectCode, QString::number(m_turns)};
    return {"delete", m_folder->path(), "1000", QString::number(m_deletes)};
}

TestCrashSafety::Run TestCrashSafety::run(const QString& op, long killAtStep, int killAfterMs, bool reportSteps)
{
    Run r;
    QString program;
    const QStringList args = command(op, &program);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    if (!m_shim.isEmpty())
        env.insert("LD_PRELOAD", m_shim);
    // Sanitizer builds: the step counter comes before their run-time in the load order.
    env.insert("ASAN_OPTIONS", env.value("ASAN_OPTIONS") + (env.contains("ASAN_OPTIONS") ? ":" : "")
                                   + "verify_asan_link_order=0");
    if (killAtStep > 0)
        env.insert("MERAVEL_KILL_AT_STEP", QString::number(killAtStep));
    if (reportSteps)
        env.insert("MERAVEL_STEP_REPORT", "1");
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted()) {
        r.output = "cannot start " + program;
        return r;
    }
    QElapsedTimer timer;
    timer.start();
    // The children say when their set-up is done; the kill is timed from there.
    if (program == m_child && p.waitForReadyRead(30000))
        timer.restart();
    if (killAfterMs >= 0 && !p.waitForFinished(killAfterMs) && p.state() == QProcess::Running)
        p.kill(); // SIGKILL on POSIX, TerminateProcess on Windows
    p.waitForFinished(60000);
    r.ms = timer.elapsed();
    r.killed = p.exitStatus() == QProcess::CrashExit;
    const QString err = QString::fromUtf8(p.readAllStandardError());
    r.output = QString::fromUtf8(p.readAllStandardOutput()) + err;
    if (!r.killed && p.exitCode() != 0)
        r.output.prepend(QStringLiteral("exit %1: ").arg(p.exitCode()));
    const int at = err.lastIndexOf("steps=");
    if (at >= 0)
        r.steps = err.mid(at + 6).trimmed().toInt();
    return r;
}

QString TestCrashSafety::verify(const QString& op, QString* outcome)
{
    const QString integrity = queryValue("PRAGMA integrity_check");
    if (integrity != "ok")
        return "integrity_check: " + integrity;
    QMap<QString, int> subjects;
    const QString counts = rowCountsDisagree(&subjects, op == "testwindow" ? SubjectCode : "");
    if (!counts.isEmpty())
        return counts;
    for (int c = 1; c <= 40; ++c)
        if (subjects.value(QString::number(c)) != 1)
            return QStringLiteral("subject %1 was touched").arg(c);

    const QString code = SubjectCode;
    const Totals::Answers empty;
    if (op == "register") {
        const bool there = subjects.value(code) == 1;
        *outcome = there ? "after" : "before";
        if (there) {
            const QString row = queryValue("SELECT FName || LName || Jens || Sen || Tahsil || \"Group\" || \"Date\" || "
                                           "\"Time\" FROM IDE WHERE Code = '500'");
            if (row != u("عليرضاييپسر1510A1402/07/1510:00:00"))
                return "registered row is " + row;
        }
        return subjects.size() == 40 + (there ? 1 : 0) ? QString() : QStringLiteral("unexpected subjects");
    }
    if (op == "import") {
        const auto now = subjectState(code);
        if (firstDifference(now, expectedState(empty, "F", false)).isEmpty()) {
            *outcome = "before";
            return QString();
        }
        *outcome = "after";
        const QString d = firstDifference(now, expectedState(CrashPattern::answers(1), "F", true));
        return d.isEmpty() ? QString() : "neither before nor after the import: " + d;
    }
    if (op == "testwindow") {
        // The first name says which turn was stored last; all of that turn must be there.
        const auto now = subjectState(code);
        const QString name = now.value("IDE.FName");
        const int turn = name == "F" ? 0 : name.mid(1).toInt();
        if (turn < 0 || turn > m_turns || (turn > 0 && name != CrashPattern::firstName(turn)))
            return "first name " + name;
        int saved = turn;
        while (saved > 0 && !CrashPattern::storesTotalsAt(saved, m_turns))
            --saved;
        const auto expected = expectedState(turn ? CrashPattern::answers(turn) : empty, name, false);
        auto withTotals = expected;
        if (saved > 0) {
            const auto s = expectedState(CrashPattern::answers(saved), name, true);
            for (int t = 0; t < AnswerColumns::TypeCount; ++t) {
                const QString k = "IDE." + AnswerColumns::totalColumn(t);
                withTotals.insert(k, s.value(k));
            }
        }
        *outcome = QStringLiteral("turn %1").arg(turn);
        const QString d = firstDifference(now, withTotals);
        return d.isEmpty() ? QString() : QStringLiteral("turn %1 stored in part: %2").arg(turn).arg(d);
    }
    // delete: the subjects go in code order, each wholly.
    int gone = 0;
    while (gone < m_deletes && !subjects.contains(QString::number(1000 + gone)))
        ++gone;
    for (int c = 1000 + gone; c < 1000 + m_deletes; ++c)
        if (!subjects.contains(QString::number(c)))
            return QStringLiteral("subject %1 deleted before %2").arg(c).arg(1000 + gone);
    *outcome = QStringLiteral("%1 deleted").arg(gone);
    return QString();
}

void TestCrashSafety::killedBeforeEveryStep_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("deletes"); // for the deletion: how many subjects one run deletes
    for (const char* op : Operations)
        QTest::newRow(op) << op << (qstrcmp(op, "delete") == 0 ? 2 : 0);
}

void TestCrashSafety::killedBeforeEveryStep()
{
    QFETCH(QString, op);
    QFETCH(int, deletes);
    if (m_shim.isEmpty())
        QSKIP("the steps are counted by a library preloaded into the child (LD_PRELOAD), which Windows has not");
    prepare(op);
    if (deletes)
        m_deletes = deletes;
    QString outcome;

    // An unkilled run counts the steps and must end in the whole operation.
    const Run full = run(op, 0, -1, true);
    QVERIFY2(!full.killed && full.steps > 0, qPrintable(full.output));
    QVERIFY2(!full.output.startsWith("exit"), qPrintable(full.output));
    QString fault = verify(op, &outcome);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QVERIFY2(outcome == "after" || outcome == QStringLiteral("turn %1").arg(m_turns)
                 || outcome == QStringLiteral("%1 deleted").arg(m_deletes),
             qPrintable(outcome));

    // Every step when there are few; else the last dozen (the operation's own transaction,
    // which ends the run) and an even spread over the rest (start-up, earlier turns).
    // The spread starts at a random offset, so that runs of the test cover different steps.
    QList<long> steps;
    const int most = 28, last = 12;
    const long stride = qMax(1, full.steps / (most - last));
    const long offset = QRandomGenerator(m_seed ^ qHash(op)).bounded(int(stride));
    for (long k = 1; k <= full.steps; ++k)
        if (full.steps <= most || k > full.steps - last || k % stride == offset)
            steps << k;
    QMap<QString, int> outcomes;
    for (long k : steps) {
        restore();
        const Run r = run(op, k, -1);
        QVERIFY2(r.killed, qPrintable(QStringLiteral("step %1 of %2 was not reached: %3").arg(k).arg(full.steps).arg(r.output)));
        fault = verify(op, &outcome);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("%1 killed before step %2: %3").arg(op).arg(k).arg(fault)));
        outcomes[outcome]++;
    }
    qInfo("%s: %d steps, killed before %d of them", qPrintable(op), full.steps, int(steps.size()));
    for (auto it = outcomes.constBegin(); it != outcomes.constEnd(); ++it)
        qInfo("  %s: %d", qPrintable(it.key()), it.value());
}

void TestCrashSafety::killedAtRandomMoments_data()
{
    QTest::addColumn<QString>("op");
    QTest::addColumn<int>("runs");
    for (const char* op : Operations)
        QTest::newRow(op) << op << 10;
}

void TestCrashSafety::killedAtRandomMoments()
{
    QFETCH(QString, op);
    QFETCH(int, runs);
    prepare(op);
    QRandomGenerator rng(m_seed ^ qHash(op));
    // The length of an unkilled run sets the range the kills fall in.
    const Run full = run(op, 0, -1);
    QVERIFY2(!full.killed && !full.output.startsWith("exit"), qPrintable(full.output));
    // A third more, so that some runs end before their kill.
    const int span = int(qMax<qint64>(full.ms, 5)) * 4 / 3;
    QMap<QString, int> outcomes;
    for (int i = 0; i < runs; ++i) {
        restore();
        const int after = rng.bounded(span);
        const Run r = run(op, 0, after);
        QVERIFY2(r.killed || !r.output.startsWith("exit"), qPrintable(r.output));
        QString outcome;
        const QString fault = verify(op, &outcome);
        QVERIFY2(fault.isEmpty(), qPrintable(QStringLiteral("%1 killed after %2 ms: %3").arg(op).arg(after).arg(fault)));
        outcomes[outcome]++;
    }
    qInfo("%s: a run takes %d ms; %d kills", qPrintable(op), int(full.ms), runs);
    for (auto it = outcomes.constBegin(); it != outcomes.constEnd(); ++it)
        qInfo("  %s: %d", qPrintable(it.key()), it.value());
}

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "test_crashsafety.moc"
