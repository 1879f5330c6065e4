#include "TestFolder.h"
#include "data/AnswerStore.h"
#include "data/ClinicStore.h"
#include "data/Database.h"
#include "data/SettingsStore.h"
#include "data/SubjectStore.h"
#include "data/Utf8.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

using Registration::Field;

namespace {
Registration::Subject newSubject(const QString& code)
{
    return Registration::Subject{code, "a", "b", u("پسر"), "12", "d", "A", "1402/01/01", "10:00:00"};
}

// A tick in S1..S3 and the two ratings of type V in S4.
AnswerStore::Rows someAnswers()
{
    AnswerStore::Rows rows;
    rows[0] = {{"v1", "1"}, {"J1", "1"}};
    rows[1] = {{"v2", "1"}};
    rows[2] = {{"V14", "1"}}; // names match without regard to case
    rows[3] = {{"V1", "7"}, {"V2", "3"}};
    return rows;
}
} // namespace

class TestStores : public QObject {
    Q_OBJECT
private slots:
    void nextCode_data();
    void nextCode();
    void nextCodeAfterRemoval();
    void nextCodeSkipsLeftOverAnswerRows();
    void existsAndLoad();
    void listInTableOrder();
    void registerSubject();
    void updateAndRemove();
    void saveAnswers();
    void saveAnswersIsAllOrNothing_data();
    void saveAnswersIsAllOrNothing();
    void saveAnswersRefusesUnknownCode();
    void ensureRows();
    void settings();
    void settingsWithoutRow();
};

void TestStores::nextCode_data()
{
    QTest::addColumn<QStringList>("codes");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty file") << QStringList{} << "";
    QTest::newRow("1 2 3") << QStringList{"1", "2", "3"} << "4";
    QTest::newRow("gaps: the last one counts") << QStringList{"1", "9", "4"} << "5";
    QTest::newRow("chain past held codes") << QStringList{"4", "5", "6", "3"} << "7";
    QTest::newRow("last 7, 8 held") << QStringList{"8", "7"} << "9";
    QTest::newRow("leading digits") << QStringList{"12x"} << "13";
    QTest::newRow("leading zeros") << QStringList{"007"} << "8";
    QTest::newRow("text code") << QStringList{"abc"} << "1";
    QTest::newRow("Persian digits") << QStringList{u("۱۲")} << "13";
    QTest::newRow("long code") << QStringList{"99999999999999999999"} << "100000000000000000000";
}

void TestStores::nextCode()
{
    QFETCH(QStringList, codes);
    QFETCH(QString, expected);
    TestFolder f;
    for (const QString& c : codes)
        f.addSubject(c);
    QString error;
    QCOMPARE(SubjectStore().nextCode(&error), expected);
    QCOMPARE(error, QString());
}

void TestStores::nextCodeAfterRemoval()
{
    TestFolder f;
    for (const char* c : {"1", "2", "3"})
        f.addSubject(c);
    SubjectStore store;
    QVERIFY(store.remove("3"));
    QCOMPARE(store.nextCode(), QString("3"));
    QVERIFY(store.remove("1"));
    QCOMPARE(store.nextCode(), QString("3"));
    QVERIFY(store.remove("2"));
    QCOMPARE(store.nextCode(), QString());
}

void TestStores::nextCodeSkipsLeftOverAnswerRows()
{
    // An answer row without its subject (left by an older program) would become the answers
    // of whoever is registered under its code: such a code is not proposed.
    TestFolder f;
    f.addSubject("1");
    QVERIFY(f.exec("INSERT INTO \"S3\" (\"Code\") VALUES ('2')"));
    QVERIFY(f.exec("INSERT INTO \"S2\" (\"Code\") VALUES ('3')"));
    QCOMPARE(SubjectStore().nextCode(), QString("4"));
}

void TestStores::existsAndLoad()
{
    TestFolder f;
    f.addSubject("10", u("سارا"), u("كريمي"));
    QVERIFY(f.exec("UPDATE \"IDE\" SET \"V\" = '12', \"GH\" = '3' WHERE \"Code\" = '10'"));
    SubjectStore store;
    QString error;
    QVERIFY(store.exists("10", &error));
    for (const char* missing : {"1", "100", " 10", ""})
        QVERIFY2(!store.exists(missing, &error), missing);
    QVERIFY(!store.load("1", &error).has_value());
    QCOMPARE(error, QString());

    const std::optional<Subject> s = store.load("10", &error);
    QVERIFY(s.has_value());
    QCOMPARE(s->firstName, u("سارا"));
    QCOMPARE(s->lastName, u("كريمي"));
    QCOMPARE(s->sex, u("پسر"));
    QCOMPARE(s->date, QString("1402/07/15"));
    QCOMPARE(s->totals[0], QString("12"));
    QCOMPARE(s->totals[1], QString()); // never written
    QCOMPARE(s->totals[5], QString("3"));
    QVERIFY(!store.isEmpty());
}

void TestStores::listInTableOrder()
{
    TestFolder f;
    SubjectStore store;
    QVERIFY(store.isEmpty());
    QVERIFY(store.list().isEmpty());
    for (const char* c : {"5", "2", "9"})
        f.addSubject(c);
    QStringList codes;
    for (const Subject& s : store.list())
        codes << s.code;
    QCOMPARE(codes, (QStringList{"5", "2", "9"}));
}

void TestStores::registerSubject()
{
    TestFolder f;
    SubjectStore store;
    QSignalSpy changed(&store, &SubjectStore::changed);

    Registration::Subject missing = newSubject("1");
    missing.age.clear();
    SubjectStore::Registered r = store.registerSubject(missing);
    QVERIFY(!r.ok);
    QCOMPARE(int(r.field), int(Field::Age));
    QCOMPARE(r.message, u("سن آزمودني را وارد کنيد"));
    QCOMPARE(changed.count(), 0);

    r = store.registerSubject(newSubject("1"));
    QVERIFY2(r.ok, qPrintable(r.message));
    QCOMPARE(changed.count(), 1);
    QVERIFY(store.exists("1"));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S4\" WHERE \"Code\" = '1'"), QString("1"));
    QCOMPARE(store.nextCode(), QString("2"));

    r = store.registerSubject(newSubject("1"));
    QVERIFY(!r.ok);
    QVERIFY(!r.databaseError);
    QCOMPARE(int(r.field), int(Field::Code));
    QCOMPARE(r.message, Registration::duplicateCode().message);
    QCOMPARE(changed.count(), 1);

    // A refused write is the database's error, not a refusal of a field.
    QVERIFY(f.refuseWrites("IDE", "INSERT", "disk full"));
    r = store.registerSubject(newSubject("2"));
    QVERIFY(!r.ok);
    QVERIFY(r.databaseError);
    QVERIFY2(r.message.contains("disk full"), qPrintable(r.message));
    QCOMPARE(changed.count(), 1);
    QVERIFY(!store.exists("2"));
}

void TestStores::updateAndRemove()
{
    TestFolder f;
    f.addSubject("1");
    f.addSubject("2");
    SubjectStore store;
    QSignalSpy changed(&store, &SubjectStore::changed);
    QString error;
    QVERIFY2(store.update("1", {{"fname", u("رضا")}, {"Tahsil", "8"}}, &error), qPrintable(error));
    QCOMPARE(store.load("1")->firstName, u("رضا"));
    QCOMPARE(store.load("1")->schoolClass, QString("8"));
    QCOMPARE(store.load("2")->firstName, QString("F"));
    QCOMPARE(changed.count(), 1);

    // An unknown column, the code itself or a missing subject write nothing.
    QVERIFY(!store.update("1", {{"FName", "x"}, {"Nope", "y"}}, &error));
    QVERIFY(!store.update("1", {{"Code", "7"}}, &error));
    QVERIFY(!store.update("3", {{"FName", "x"}}, &error));
    QCOMPARE(store.load("1")->firstName, u("رضا"));
    QCOMPARE(changed.count(), 1);

    QVERIFY(!store.remove("3", &error));
    QCOMPARE(changed.count(), 1);
    QVERIFY(store.remove("1", &error));
    QCOMPARE(changed.count(), 2);
    QVERIFY(!store.exists("1"));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\" = '1'"), QString("0"));
}

void TestStores::saveAnswers()
{
    TestFolder f;
    f.addSubject("1");
    f.addSubject("2");
    AnswerStore answers;
    QSignalSpy changed(&answers, &AnswerStore::changed);
    QString error;
    QVERIFY2(answers.save("1", someAnswers(), AnswerStore::Six{1, 2, 3, 4, 5, 6}, &error), qPrintable(error));
    QCOMPARE(changed.count(), 1);

    AnswerStore::Answers a = answers.load("1", &error);
    QVERIFY(a.registered);
    QCOMPARE(a.rows[0].value("v1"), QString("1"));
    QCOMPARE(a.rows[0].value("J1"), QString("1"));
    QCOMPARE(a.rows[0].value("H1"), QString()); // untouched
    QCOMPARE(a.rows[2].value("v14"), QString("1"));
    QCOMPARE(a.rows[3].value("V2"), QString("3"));
    QCOMPARE(a.totals, (std::array<QString, 6>{"1", "2", "3", "4", "5", "6"}));
    QVERIFY(answers.load("2").rows[0].value("v1").isEmpty());

    // The test window's close: header fields with the answers, totals as stored.
    AnswerStore::Write w;
    w.rows[3] = {{"V1", "1"}};
    w.subject = {{"FName", u("مینا")}};
    w.totalsFromStored = true;
    QVERIFY2(answers.save("1", w, &error), qPrintable(error));
    a = answers.load("1");
    // V: v1 of S1, v2 of S2, v14 of S3, ratings 1 + 3.
    QCOMPARE(a.totals[0], QString("7"));
    QCOMPARE(a.totals[1], QString("1"));
    QCOMPARE(a.totals[2], QString("0"));
    QCOMPARE(SubjectStore().load("1")->firstName, u("مینا"));
    QCOMPARE(changed.count(), 2);
    QCOMPARE(answers.load("3").registered, false);
}

void TestStores::saveAnswersIsAllOrNothing_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("event");
    QTest::newRow("third table refuses") << "S3"
                                         << "UPDATE";
    QTest::newRow("last table refuses") << "S4"
                                        << "UPDATE";
    QTest::newRow("totals refused") << "IDE"
                                    << "UPDATE";
    QTest::newRow("missing row cannot be added") << "S4"
                                                 << "INSERT";
}

void TestStores::saveAnswersIsAllOrNothing()
{
    QFETCH(QString, table);
    QFETCH(QString, event);
    TestFolder f;
    f.addSubject("1");
    if (event == "INSERT")
        QVERIFY(f.exec("DELETE FROM \"S4\" WHERE \"Code\" = '1'"));
    QVERIFY(f.refuseWrites(table, event, "refused"));
    AnswerStore answers;
    QSignalSpy changed(&answers, &AnswerStore::changed);
    QString error;
    QVERIFY(!answers.save("1", someAnswers(), AnswerStore::Six{1, 2, 3, 4, 5, 6}, &error));
    QVERIFY2(error.contains("refused"), qPrintable(error));
    QCOMPARE(changed.count(), 0);
    const AnswerStore::Answers a = answers.load("1");
    QCOMPARE(a.rows[0].value("v1"), QString());
    QCOMPARE(a.rows[1].value("v2"), QString());
    QCOMPARE(a.totals[0], QString());
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\" = '1'"), QString("1"));
}

void TestStores::saveAnswersRefusesUnknownCode()
{
    TestFolder f;
    f.addSubject("1");
    AnswerStore answers;
    QSignalSpy changed(&answers, &AnswerStore::changed);
    QString error;
    // A subject nobody registered gets no answer rows.
    QVERIFY(!answers.save("2", someAnswers(), AnswerStore::Six{}, &error));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\" = '2'"), QString("0"));
    // A column the table lacks stops the whole save.
    AnswerStore::Rows rows = someAnswers();
    rows[3].insert("V9", "1");
    QVERIFY(!answers.save("1", rows, AnswerStore::Six{}, &error));
    QVERIFY(answers.load("1").rows[0].value("v1").isEmpty());
    QCOMPARE(changed.count(), 0);
}

void TestStores::ensureRows()
{
    TestFolder f;
    f.addSubject("1");
    QVERIFY(f.exec("DELETE FROM \"S2\" WHERE \"Code\" = '1'"));
    AnswerStore answers;
    QSignalSpy changed(&answers, &AnswerStore::changed);
    QVERIFY(answers.ensureRows("1"));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S2\" WHERE \"Code\" = '1'"), QString("1"));
    QVERIFY(answers.ensureRows("1"));
    QCOMPARE(changed.count(), 1); // nothing was missing
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\" = '1'"), QString("1"));
}

void TestStores::settings()
{
    TestFolder f;
    SettingsStore settings;
    ClinicStore clinic(&settings);
    QSignalSpy changed(&settings, &SettingsStore::changed);
    QSignalSpy clinicChanged(&clinic, &ClinicStore::changed);
    std::optional<SettingsStore::Settings> s = settings.load();
    QVERIFY(s.has_value());
    QVERIFY(!s->showLogo);
    QCOMPARE(s->name, QString());

    s->name = u("کلینیک");
    s->address = u("خیابان ۱");
    s->lines[0] = "a@b";
    s->lines[5] = "021";
    QVERIFY(settings.save(*s));
    QCOMPARE(changed.count(), 1);
    QCOMPARE(clinicChanged.count(), 1);
    QVERIFY(settings.setShowLogo(true));
    QCOMPARE(changed.count(), 2);

    const std::optional<SettingsStore::Settings> back = settings.load();
    QVERIFY(back.has_value());
    QCOMPARE(back->name, u("کلینیک"));
    QCOMPARE(back->lines[0], QString("a@b"));
    QVERIFY(back->showLogo);
    const ClinicData d = clinic.load();
    QCOMPARE(d.name, u("کلینیک"));
    QCOMPARE(d.address, u("خیابان ۱"));
    QCOMPARE(d.contactText, QString("a@b\r\n021\r\n"));
    QVERIFY(d.showLogo);

    // A refused write leaves the row and says nothing changed.
    QSqlQuery q(Database::connection(DbFile::Settings));
    QVERIFY(q.exec("CREATE TRIGGER refuse BEFORE UPDATE ON Theme BEGIN SELECT RAISE(ABORT, 'refused'); END"));
    QString error;
    QVERIFY(!settings.setShowLogo(false, &error));
    QVERIFY2(error.contains("refused"), qPrintable(error));
    QCOMPARE(changed.count(), 2);
    QVERIFY(settings.load()->showLogo);
}

void TestStores::settingsWithoutRow()
{
    TestFolder f;
    QSqlQuery q(Database::connection(DbFile::Settings));
    QVERIFY(q.exec("DELETE FROM Theme"));
    SettingsStore settings;
    QVERIFY(!settings.load().has_value());
    QVERIFY(!ClinicStore().load().showLogo);
    QVERIFY(settings.setShowLogo(true)); // the row is created
    QVERIFY(settings.load()->showLogo);
    QCOMPARE(settings.load()->name, QString());
}

QTEST_GUILESS_MAIN(TestStores)
#include "test_stores.moc"
