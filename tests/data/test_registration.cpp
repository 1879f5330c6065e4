#include "TestFolder.h"
#include "TestHelpers.h"
#include "data/AnswerTables.h"
#include "data/Database.h"
#include "data/Registration.h"

#include "data/ProgramFolder.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <thread>

using Registration::Field;

class TestRegistration : public QObject {
    Q_OBJECT
private slots:
    void incremented_data();
    void incremented();
    void checksInOrder_data();
    void checksInOrder();
    void duplicateCodeRefused();
    void unstorableTextsRefused_data();
    void unstorableTextsRefused();
    void storeWaitsForAnotherSeatsWrite();
    void dateChecked_data();
    void dateChecked();
    void storeWritesFiveRows();
    void storeIsAllOrNothing();
    void ensureRowsAddsOnlyWhatIsMissing();
};

void TestRegistration::incremented_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("empty") << "" << "1";
    QTest::newRow("9") << "9" << "10";
    QTest::newRow("199") << "199" << "200";
    QTest::newRow("blank first") << " 5" << "1";
}

void TestRegistration::incremented()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(Registration::incrementedLeadingNumber(text), expected);
}

void TestRegistration::checksInOrder_data()
{
    QTest::addColumn<int>("emptyFrom");
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("message");
    // Fields are cleared from index emptyFrom on; the first empty one is reported.
    QTest::newRow("all empty") << 0 << int(Field::Code) << QString::fromUtf8("کد آزمودني را وارد کنيد");
    QTest::newRow("first name") << 1 << int(Field::FirstName) << QString::fromUtf8("نام آزمودني را وارد کنيد");
    QTest::newRow("last name") << 2 << int(Field::LastName) << QString::fromUtf8("نام خانوادگي آزمودني را وارد کنيد");
    QTest::newRow("sex") << 3 << int(Field::Sex) << QString::fromUtf8("جنسيت آزمودني را مشخص کنيد");
    QTest::newRow("age") << 4 << int(Field::Age) << QString::fromUtf8("سن آزمودني را وارد کنيد");
    QTest::newRow("class") << 5 << int(Field::SchoolClass) << QString::fromUtf8("كلاس آزمودني را بنويسيد");
    QTest::newRow("group") << 6 << int(Field::Group) << QString::fromUtf8("گروه را مشخص کنيد");
}

void TestRegistration::checksInOrder()
{
    QFETCH(int, emptyFrom);
    QFETCH(int, field);
    QFETCH(QString, message);
    TestFolder f;
    Registration::Subject s{"1", "a", "b", "c", "12", "d", "A", "1402/01/01", "10:00:00"};
    QString* fields[] = {&s.code, &s.firstName, &s.lastName, &s.sex, &s.age, &s.schoolClass, &s.group};
    for (int i = emptyFrom; i < 7; ++i)
        fields[i]->clear();
    const Registration::Check c = Registration::check(s);
    QCOMPARE(int(c.field), field);
    QCOMPARE(c.message, message);

    // A blank is not empty.
    Registration::Subject blank{" ", " ", " ", " ", " ", " ", " ", "1402/01/01", ""};
    QVERIFY(Registration::check(blank).ok());
}

void TestRegistration::duplicateCodeRefused()
{
    TestFolder f;
    f.addSubject("5");
    Registration::Subject s{"5", "a", "b", "c", "12", "d", "A", "1402/01/01", ""};
    const Registration::Check c = Registration::check(s);
    QCOMPARE(int(c.field), int(Field::Code));
    QCOMPARE(c.message, QString::fromUtf8("این کد قبلاً ثبت شده است"));
    s.code = "6";
    QVERIFY(Registration::check(s).ok());
}

void TestRegistration::unstorableTextsRefused_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    const QString xml = QString::fromUtf8(" نويسه اي دارد که نمي توان ذخيره کرد");
    const QString longer = QString::fromUtf8(" نبايد بيش از 100 نويسه باشد");
    QTest::newRow("U+FFFE in the first name")
        << int(Field::FirstName) << QString("a") + QChar(0xFFFE) << QString::fromUtf8("نام") + xml;
    QTest::newRow("U+FFFF in the last name")
        << int(Field::LastName) << QString(QChar(0xFFFF)) << QString::fromUtf8("نام خانوادگي") + xml;
    QTest::newRow("control character in the class")
        << int(Field::SchoolClass) << QString("9\x01") << QString::fromUtf8("كلاس") + xml;
    QTest::newRow("lone surrogate in the group")
        << int(Field::Group) << QString(QChar(0xD800)) << QString::fromUtf8("گروه") + xml;
    QTest::newRow("escape in the code") << int(Field::Code) << QString("1\x1b")
                                        << QString::fromUtf8("کد آزمودني") + xml;
    QTest::newRow("first name of 101") << int(Field::FirstName) << QString(101, QChar(0x0645))
                                       << QString::fromUtf8("نام") + longer;
    QTest::newRow("group of 4000") << int(Field::Group) << QString(4000, 'g') << QString::fromUtf8("گروه") + longer;
    // What is allowed: 100 characters, a character outside the basic plane, tab.
    QTest::newRow("last name of 100") << int(Field::None) << QString(100, 'x') << QString();
    QTest::newRow("emoji and tab") << int(Field::None) << QString::fromUtf8("a\tb\xF0\x9F\x98\x80") << QString();
}

void TestRegistration::unstorableTextsRefused()
{
    QFETCH(int, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    TestFolder f;
    Registration::Subject s{"1", "a", "b", "c", "12", "d", "A", "1402/01/01", "10:00:00"};
    QString* target = field == int(Field::FirstName) ? &s.firstName
        : field == int(Field::Code)                  ? &s.code
        : field == int(Field::SchoolClass)           ? &s.schoolClass
        : field == int(Field::Group)                 ? &s.group
                                                     : &s.lastName;
    *target = value;
    const Registration::Check c = Registration::check(s);
    QCOMPARE(int(c.field), field);
    QCOMPARE(c.message, message);
}

void TestRegistration::storeWaitsForAnotherSeatsWrite()
{
    TestFolder f;
    if (f.onServer())
        QSKIP("the file's lock: the server's seats take turns per code");
    f.addSubject("1");
    // Another seat holds the file's write lock for a moment: registration waits for it rather
    // than failing with "database is locked".
    const QString path = ProgramFolder::mainDatabase();
    std::atomic<bool> locked{false};
    std::thread other([&] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other-seat");
            db.setDatabaseName(path);
            if (db.open() && QSqlQuery(db).exec("BEGIN IMMEDIATE")) {
                locked = true;
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
                QSqlQuery(db).exec("COMMIT");
            }
            locked = true;
            db.close();
        }
        QSqlDatabase::removeDatabase("other-seat");
    });
    while (!locked)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    Registration::Subject s{"2", "a", "b", "c", "12", "d", "A", "1402/01/01", "10:00:00"};
    QString error;
    const bool stored = Registration::store(s, &error);
    other.join();
    QVERIFY2(stored, qPrintable(error));
    QCOMPARE(f.scalar("SELECT count(*) FROM IDE WHERE Code = '2'"), QString("1"));
}

void TestRegistration::dateChecked_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored"); // empty: refused
    QTest::newRow("form 0") << "1402/07/15"
                            << "1402/07/15";
    QTest::newRow("one-digit month and day") << "1402/7/5"
                                             << "1402/07/05";
    QTest::newRow("persian digits") << u("۱۴۰۲/۰۷/۱۵") << "1402/07/15";
    QTest::newRow("arabic-indic digits") << u("١٤٠٢/٠٧/١٥") << "1402/07/15";
    QTest::newRow("blanks around") << " 1402/07/15 "
                                   << "1402/07/15";
    QTest::newRow("esfand 30, leap year") << "1403/12/30"
                                          << "1403/12/30";
    // Refused, each one: nothing is stored.
    const struct {
        const char* name;
        const char* typed;
    } refused[] = {{"a word", "فردا"},         {"empty", ""},
                   {"month 13", "1402/13/01"}, {"day 32", "1402/01/32"},
                   {"mehr 31", "1402/07/31"},  {"esfand 30, common year", "1402/12/30"},
                   {"day 0", "1402/07/00"},    {"two-digit year", "02/07/15"},
                   {"dashes", "1402-07-15"},   {"time after it", "1402/07/15 10:00"}};
    for (const auto& r : refused)
        QTest::newRow(r.name) << u(r.typed) << QString();
}

void TestRegistration::dateChecked()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    TestFolder f;
    Registration::Subject s{"9", "a", "b", "c", "12", "d", "A", typed, "10:00:00"};
    const Registration::Check c = Registration::check(s);
    QString error;
    const bool ok = Registration::store(s, &error);
    if (stored.isEmpty()) {
        QCOMPARE(int(c.field), int(Field::Date));
        QCOMPARE(c.message, u("تاريخ درست نيست؛ آن را به شکل سال/ماه/روز وارد کنيد، مانند 1402/07/15"));
        QVERIFY(!ok);
        QCOMPARE(error, c.message);
        for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
            QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\"").arg(t)), QString("0"));
    } else {
        QVERIFY(c.ok());
        QVERIFY2(ok, qPrintable(error));
        QCOMPARE(f.scalar("SELECT \"Date\" FROM \"IDE\" WHERE \"Code\"='9'"), stored);
    }
}

void TestRegistration::storeWritesFiveRows()
{
    TestFolder f;
    Registration::Subject s{"42", QString::fromUtf8("مريم"), QString::fromUtf8("احمدي"), QString::fromUtf8("دختر"),
                            "15", "10", "B", "1402/07/15", "10:11:12"};
    QString error;
    QVERIFY2(Registration::store(s, &error), qPrintable(error));
    for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
        QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\" WHERE \"Code\"='42'").arg(t)), QString("1"));
    QCOMPARE(f.scalar("SELECT \"Group\" || '|' || \"Date\" || '|' || \"Time\" || '|' || \"Jens\" FROM \"IDE\""),
             QString::fromUtf8("B|1402/07/15|10:11:12|دختر"));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"v1\" IS NULL"), QString("1"));
}

void TestRegistration::storeIsAllOrNothing()
{
    TestFolder f;
    // IDE is written last: when it fails, none of the answer rows may stay behind.
    QVERIFY(f.refuseWrites("IDE", "INSERT", "disk full"));
    Registration::Subject s{"1", "a", "b", "c", "12", "d", "A", "1402/01/01", ""};
    QString error;
    QVERIFY(!Registration::store(s, &error));
    QVERIFY(error.contains("disk full"));
    for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
        QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\"").arg(t)), QString("0"));
}

void TestRegistration::ensureRowsAddsOnlyWhatIsMissing()
{
    TestFolder f;
    // Code 7 has answered S1 and has an S3 row; another subject's rows must stay as they are.
    QVERIFY(f.exec("INSERT INTO \"S1\" (\"Code\", \"v1\") VALUES ('7', '1')"));
    QVERIFY(f.exec("INSERT INTO \"S3\" (\"Code\") VALUES ('7')"));
    QVERIFY(f.exec("INSERT INTO \"S2\" (\"Code\") VALUES ('70')"));
    QString error;
    for (int pass = 0; pass < 2; ++pass) { // a second call adds nothing
        QVERIFY2(AnswerTables::ensureRows("7", &error), qPrintable(error));
        for (const char* t : {"S1", "S2", "S3", "S4"})
            QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\" WHERE \"Code\"='7'").arg(t)), QString("1"));
    }
    QCOMPARE(f.scalar("SELECT \"v1\" FROM \"S1\" WHERE \"Code\"='7'"), QString("1"));
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S2\""), QString("2"));

    // Registering a code whose answer rows were left behind adds no second row.
    Registration::Subject s{"7", "a", "b", "c", "12", "d", "A", "1402/01/01", ""};
    QVERIFY2(Registration::store(s, &error), qPrintable(error));
    for (const char* t : {"S1", "S2", "S3", "S4"})
        QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\" WHERE \"Code\"='7'").arg(t)), QString("1"));

    // A failing table leaves the caller's transaction to roll everything back.
    QVERIFY(f.refuseWrites("S4", "INSERT", "disk full"));
    {
        Transaction tx(DbFile::Main);
        QVERIFY(!AnswerTables::ensureRows("8", &error));
        QVERIFY(error.contains("disk full"));
    }
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\"='8'"), QString("0"));
}

QTEST_GUILESS_MAIN(TestRegistration)
#include "test_registration.moc"
