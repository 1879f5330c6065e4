#pragma once
#include <QDate>
#include <QDateTime>
#include <QString>

// Solar Hijri (Iranian) calendar: the 33-year-cycle arithmetic with its published break
// years, valid for Solar Hijri years -61 to 3177.
namespace SolarCalendar {
struct SolarDate {
    int year = 0;
    int month = 0; // 1..12
    int day = 0;   // 1..31
    bool valid = false;
};

bool isLeapYear(int solarYear);
SolarDate fromGregorian(const QDate& date);
QDate toGregorian(int year, int month, int day); // invalid QDate when out of range

// The date text in one of the five forms (the time of day is ignored):
//   0 "1402/07/15"   1 "15 مهر 1402"   2 "شنبه 1402/7/15"   3 "شنبه 15 مهر 1402"   4 "1402.7.15"
// Any other form, or a date outside the calendar's range, gives the empty text.
QString solarDate(const QDateTime& when, int form = 0);
QString solarDate(const QDate& date, int form = 0);

// Days in a month of a Solar year: 31 in months 1..6, 30 in 7..11, 29 in 12 (30 in a leap
// year); 0 outside the calendar's range or for a month outside 1..12.
int monthLength(int solarYear, int month);
// A date as a person types it, year/month/day ("1402/7/15", "۱۴۰۲/۰۷/۱۵"): Persian and
// Arabic-Indic digits read as ASCII, blanks at either end ignored, a four-digit year, a month
// 1..12 and a day within that month's length. The date in form 0 ("1402/07/15"), or the
// empty text when the text is no such date.
QString parsedDate(const QString& text);

QString monthName(int month);      // 1..12
QString weekdayName(int weekday);  // 1 = Sunday … 7 = Saturday
} // namespace SolarCalendar
