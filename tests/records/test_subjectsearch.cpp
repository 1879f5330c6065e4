// Finding subjects by folded names and codes, in the core and through meravel-cli, and the
// digits of the tool's arguments.
#include "CliRun.h"
#include "TestFolder.h"
#include "data/Database.h"
#include "data/Utf8.h"
#include "records/SubjectSearch.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

namespace {
QStringList codes(const QVector<SubjectSearch::Row>& rows)
{
    QStringList out;
    for (const auto& r : rows)
        out << r.code;
    return out;
}

QStringList find(const QString& code, const QString& first, const QString& last, const QString& group = QString())
{
    QString error;
    const QStringList found = codes(SubjectSearch::find({code, first, last, group}, &error));
    if (!error.isEmpty())
        qWarning("%s", qPrintable(error));
    return found;
}

void addSubjects(TestFolder& f)
{
    f.addSubject("1", u("علي"), u("كريمي"));
    f.addSubject("2", u("علی"), u("کریمی"));
    f.addSubject("3", u("محمد\u200Cرضا"), u("احمدی"));
    f.addSubject("4", u("مُحَمَّد"), u("  أحمدي "));
    f.addSubject("5", u("فاطمة"), u("كريمـي"));
    f.addSubject("12", u("سارا"), u("رضايى"));
    f.exec("UPDATE \"IDE\" SET \"Group\" = 'B' WHERE \"Code\" IN ('1', '3', '12')");
    f.exec("UPDATE \"IDE\" SET \"Group\" = 'C' WHERE \"Code\" IN ('2', '4', '5')");
}
} // namespace

class TestSubjectSearch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { delete m_shared; }
    void folded_data();
    void folded();
    void followsChanges();
    void findCommand();
    void persianDigitArguments();

private:
    TestFolder* m_shared = nullptr; // the subjects the folded searches read (runs first)
};

void TestSubjectSearch::initTestCase()
{
    m_shared = new TestFolder;
    QVERIFY(m_shared->isValid());
    addSubjects(*m_shared);
}

void TestSubjectSearch::folded_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("found");
    auto row = [](const char* name, const char* code, const char* first, const char* last, const char* group,
                  const QStringList& found) {
        QTest::newRow(name) << u(code) << u(first) << u(last) << u(group) << found;
    };
    row("persian yeh finds arabic", "", "علی", "", "", {"1", "2"});
    row("arabic yeh finds persian", "", "علي", "", "", {"1", "2"});
    row("kaf, yeh and tatweel", "", "", "کریمی", "", {"1", "2", "5"});
    row("alef maksura", "", "", "رضایی", "", {"12"});
    row("non-joiner dropped", "", "محمدرضا", "", "", {"3"});
    row("blank is not a non-joiner", "", "محمد رضا", "", "", {});
    row("diacritics dropped", "", "محمد", "", "", {"4"});
    row("hamza and stray blanks", "", "", "احمدی", "", {"3", "4"});
    row("teh marbuta", "", "فاطمه", "", "", {"5"});
    row("first and last together", "", "علی", "كريمي", "", {"1", "2"});
    row("name and group", "", "", "کریمی", "C", {"2", "5"});
    row("group alone", "", "", "", "B", {"1", "3", "12"});
    row("group folded blanks", "", "", "", " B ", {"1", "3", "12"});
    row("code", "12", "", "", "", {"12"});
    row("code in persian digits", "۱۲", "", "", "", {"12"});
    row("code in arabic-indic digits", "١٢", "", "", "", {"12"});
    row("code is exact", "1", "", "", "", {"1"});
    row("code and other name", "1", "فاطمه", "", "", {});
    row("prefix is no match", "", "عل", "", "", {});
    row("quote", "", "'", "", "", {});
    row("nothing given lists all", "", "", "", "", {"1", "2", "3", "4", "5", "12"});
}

void TestSubjectSearch::folded()
{
    QFETCH(QString, code);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, group);
    QTEST(find(code, first, last, group), "found");
    // Names come back as stored.
    if (QTest::currentDataTag() == QByteArray("arabic yeh finds persian")) {
        const auto rows = SubjectSearch::find({"", u("علي"), "", ""});
        QCOMPARE(rows.first().firstName, u("علي"));
        QCOMPARE(rows.last().firstName, u("علی"));
        QCOMPARE(rows.first().lastName, u("كريمي"));
        QCOMPARE(rows.first().group, QString("B"));
    }
}

void TestSubjectSearch::followsChanges()
{
    // The index is rebuilt after every kind of change: own inserts, deletes and updates, a
    // write by another connection, and another program folder.
    TestFolder f;
    addSubjects(f);
    QCOMPARE(find("", u("سارا"), ""), QStringList{"12"});
    f.addSubject("20", u("سارا"), u("نوری"));
    QCOMPARE(find("", u("سارا"), ""), (QStringList{"12", "20"}));
    f.exec("DELETE FROM \"IDE\" WHERE \"Code\" = '12'");
    QCOMPARE(find("", u("سارا"), ""), QStringList{"20"});
    f.exec(QString::fromUtf8("UPDATE \"IDE\" SET \"FName\" = 'سارة' WHERE \"Code\" = '20'"));
    QCOMPARE(find("", u("ساره"), ""), QStringList{"20"});
    {
        // Same row count and highest row: only the other connection's write tells.
        // (On a server: another seat's connection.)
        QString error;
        const DbLocation where = f.onServer() ? DbLocation::fromText(f.serverUrl())
                                              : DbLocation::fromText(Database::pathOf(DbFile::Main));
        ScopedConnection other(where, &error);
        QVERIFY2(other.isOpen(), qPrintable(error));
        QSqlQuery q(other.db());
        QVERIFY(q.exec(QString::fromUtf8("UPDATE \"IDE\" SET \"LName\" = 'کاظمی' WHERE \"Code\" = '1'")));
        q.finish();
    }
    QCOMPARE(find("", "", u("كاظمي")), QStringList{"1"});
    {
        TestFolder second;
        second.addSubject("7", u("سارا"), "x");
        QCOMPARE(find("", u("سارا"), ""), QStringList{"7"});
    }
}

void TestSubjectSearch::findCommand()
{
    TestFolder f;
    addSubjects(f);
    CliRun r = CliRun::run({"find", "--first", u("علي"), "--last", u("کریمی")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, u("1\tعلي\tكريمي\tB\n2\tعلی\tکریمی\tC\n"));
    QCOMPARE(r.err, QString());
    r = CliRun::run({"find", "--group=C", "--code", u("۵")});
    QCOMPARE(r.out, u("5\tفاطمة\tكريمـي\tC\n"));
    // Nothing found: nothing printed, and no failure.
    r = CliRun::run({"find", "--first", u("نیما")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, QString());
    r = CliRun::run({"find"});
    QCOMPARE(r.out.count('\n'), 6);
    // A wrong command line.
    r = CliRun::run({"find", "--name", "x"});
    QCOMPARE(r.exit, 2);
    QVERIFY(r.err.contains("unknown option --name"));
    r = CliRun::run({"find", "extra"});
    QCOMPARE(r.exit, 2);
}

void TestSubjectSearch::persianDigitArguments()
{
    // Codes and ages in any of the three digit sets are stored in ASCII digits.
    TestFolder f;
    const QStringList base{"register", "--first", u("سارا"), "--last", u("نوری"),    "--sex",  u("دختر"), "--class",
                           u("نهم"),   "--group", "A",       "--date", "1402/07/15", "--time", "09:30:05"};
    CliRun r = CliRun::run(base + QStringList{"--code", u("۱۲"), "--age", u("١٤")});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    QCOMPARE(f.scalar("SELECT \"Code\" || '|' || \"Sen\" FROM \"IDE\""), QString("12|14"));
    QCOMPARE(f.scalar("SELECT \"Code\" FROM \"S4\""), QString("12"));
    // The same code in other digits is the same, already registered, code.
    r = CliRun::run(base + QStringList{"--code", u("١٢"), "--age", "14"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(f.scalar("SELECT count(*) FROM \"IDE\""), QString("1"));
    // Digits of other scripts are no digits.
    r = CliRun::run(base + QStringList{"--code", u("१२"), "--age", "14"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, u("شما بايد عدد وارد كنيد\n"));
    // Score by code and by six totals.
    QVERIFY(f.exec("UPDATE \"IDE\" SET \"V\"='30',\"J\"='25',\"H\"='20',\"A\"='15',\"M\"='10',\"GH\"='5'"));
    const CliRun byCode = CliRun::run({"score", "--code", u("۱۲")});
    QCOMPARE(byCode.exit, 0);
    const CliRun byTotals = CliRun::run({"score", u("۳۰"), u("٢٥"), "20", "15", "10", "5"});
    QCOMPARE(byTotals.exit, 0);
    QVERIFY(byCode.out.contains(byTotals.out.trimmed().mid(1, 20)));
}

QTEST_MAIN(TestSubjectSearch)
#include "test_subjectsearch.moc"
