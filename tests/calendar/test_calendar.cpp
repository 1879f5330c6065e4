#include "calendar/SolarCalendar.h"

#include <QtTest>

class TestCalendar : public QObject {
    Q_OBJECT
private slots:
    void formZero_data();
    void formZero();
    void forms_data();
    void forms();
    void timeOfDayIgnored();
    void leapYears_data();
    void leapYears();
    void noTwoLeapYearsInARow();
    void roundTripEveryDay();
    void beforeBaseDate();
};

void TestCalendar::formZero_data()
{
    QTest::addColumn<QDate>("gregorian");
    QTest::addColumn<QString>("solar");
    QTest::newRow("base date") << QDate(1953, 3, 21) << "1332/01/01";
    QTest::newRow("1979-02-11") << QDate(1979, 2, 11) << "1357/11/22";
    QTest::newRow("1986-03-20") << QDate(1986, 3, 20) << "1364/12/29";
    QTest::newRow("1986-03-21") << QDate(1986, 3, 21) << "1365/01/01";
    QTest::newRow("2017-03-20 leap end") << QDate(2017, 3, 20) << "1395/12/30";
    QTest::newRow("2017-03-21") << QDate(2017, 3, 21) << "1396/01/01";
    QTest::newRow("2022-09-22 last of 31") << QDate(2022, 9, 22) << "1401/06/31";
    QTest::newRow("2022-09-23 first of 30") << QDate(2022, 9, 23) << "1401/07/01";
    QTest::newRow("2024-03-19") << QDate(2024, 3, 19) << "1402/12/29";
    QTest::newRow("2024-03-20") << QDate(2024, 3, 20) << "1403/01/01";
    QTest::newRow("2025-03-20") << QDate(2025, 3, 20) << "1403/12/30";
    QTest::newRow("2025-03-21") << QDate(2025, 3, 21) << "1404/01/01";
    QTest::newRow("2023-10-07") << QDate(2023, 10, 7) << "1402/07/15";
    // 1436 is leap, 1437 is not: Farvardin 1 of 1437 and 1438 fall a year of 365 days apart.
    QTest::newRow("1436 end") << QDate(2058, 3, 20) << "1436/12/30";
    QTest::newRow("1437 start") << QDate(2058, 3, 21) << "1437/01/01";
    QTest::newRow("1437 end") << QDate(2059, 3, 20) << "1437/12/29";
    QTest::newRow("1438 start") << QDate(2059, 3, 21) << "1438/01/01";
}

void TestCalendar::formZero()
{
    QFETCH(QDate, gregorian);
    QFETCH(QString, solar);
    QCOMPARE(SolarCalendar::solarDate(gregorian, 0), solar);
    QCOMPARE(SolarCalendar::solarDate(gregorian), solar);
}

void TestCalendar::forms_data()
{
    QTest::addColumn<QDate>("gregorian");
    QTest::addColumn<int>("form");
    QTest::addColumn<QString>("text");
    const QDate sat(2023, 10, 7);
    QTest::newRow("0") << sat << 0 << "1402/07/15";
    QTest::newRow("1") << sat << 1 << QString::fromUtf8("15 مهر 1402");
    QTest::newRow("2") << sat << 2 << QString::fromUtf8("شنبه 1402/7/15");
    QTest::newRow("3") << sat << 3 << QString::fromUtf8("شنبه 15 مهر 1402");
    QTest::newRow("4") << sat << 4 << "1402.7.15";
    QTest::newRow("5 is empty") << sat << 5 << QString();
    QTest::newRow("-1 is empty") << sat << -1 << QString();
    QTest::newRow("sunday") << QDate(2023, 10, 8) << 2 << QString::fromUtf8("يکشنبه 1402/7/16");
    QTest::newRow("friday, esfand") << QDate(2024, 3, 15) << 3 << QString::fromUtf8("جمعه 25 اسفند 1402");
    QTest::newRow("tuesday") << QDate(2023, 10, 10) << 3 << QString::fromUtf8("سه شنبه 18 مهر 1402");
    QTest::newRow("dey") << QDate(2024, 1, 1) << 1 << QString::fromUtf8("11 دي 1402");
}

void TestCalendar::forms()
{
    QFETCH(QDate, gregorian);
    QFETCH(int, form);
    QFETCH(QString, text);
    QCOMPARE(SolarCalendar::solarDate(gregorian, form), text);
}

void TestCalendar::timeOfDayIgnored()
{
    const QDate d(2024, 3, 19);
    QCOMPARE(SolarCalendar::solarDate(QDateTime(d, QTime(23, 59, 59)), 3),
             SolarCalendar::solarDate(QDateTime(d, QTime(0, 0)), 3));
}

void TestCalendar::leapYears_data()
{
    QTest::addColumn<int>("year");
    QTest::addColumn<bool>("leap");
    for (int y : {1333, 1337, 1342, 1346, 1350, 1354, 1358, 1362, 1366, 1370, 1375, 1379, 1383, 1387, 1391,
                  1395, 1399, 1403, 1408, 1412, 1416, 1420, 1424, 1428, 1432, 1436})
        QTest::newRow(qPrintable(QString::number(y))) << y << true;
    for (int y : {1332, 1334, 1396, 1400, 1402, 1404, 1437})
        QTest::newRow(qPrintable(QString::number(y))) << y << false;
}

void TestCalendar::leapYears()
{
    QFETCH(int, year);
    QFETCH(bool, leap);
    QCOMPARE(SolarCalendar::isLeapYear(year), leap);
}

void TestCalendar::noTwoLeapYearsInARow()
{
    for (int y = 1200; y < 1600; ++y)
        QVERIFY2(!(SolarCalendar::isLeapYear(y) && SolarCalendar::isLeapYear(y + 1)), qPrintable(QString::number(y)));
}

void TestCalendar::roundTripEveryDay()
{
    // Every day from 1900 to 2100 converts to a valid Solar date one day after the previous one.
    SolarCalendar::SolarDate prev = SolarCalendar::fromGregorian(QDate(1899, 12, 31));
    for (QDate d(1900, 1, 1); d < QDate(2100, 1, 1); d = d.addDays(1)) {
        const SolarCalendar::SolarDate s = SolarCalendar::fromGregorian(d);
        QVERIFY(s.valid);
        const bool nextDay = (s.year == prev.year && s.month == prev.month && s.day == prev.day + 1)
            || (s.year == prev.year && s.month == prev.month + 1 && s.day == 1)
            || (s.year == prev.year + 1 && s.month == 1 && s.day == 1 && prev.month == 12);
        QVERIFY2(nextDay, qPrintable(d.toString(Qt::ISODate)));
        QCOMPARE(SolarCalendar::toGregorian(s.year, s.month, s.day), d);
        prev = s;
    }
}

void TestCalendar::beforeBaseDate()
{
    QCOMPARE(SolarCalendar::solarDate(QDate(1953, 3, 20)), QString("1331/12/29"));
    QCOMPARE(SolarCalendar::solarDate(QDate(1900, 1, 1)), QString("1278/10/11"));
}

QTEST_GUILESS_MAIN(TestCalendar)
#include "test_calendar.moc"
