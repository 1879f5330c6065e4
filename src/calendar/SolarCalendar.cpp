#include "calendar/SolarCalendar.h"

#include <QStringList>

namespace SolarCalendar {
namespace {
const int kBreaks[] = {-61, 9, 38, 199, 426, 686, 756, 818, 1111, 1181, 1210,
                       1635, 2060, 2097, 2192, 2262, 2324, 2394, 2456, 3178};
const int kBreakCount = sizeof(kBreaks) / sizeof(kBreaks[0]);

struct YearInfo {
    int leap = -1;     // 0: leap year; 1, 2, 3 (or 4): years after the last leap year
    int gregorianYear = 0;
    int march = 0;     // the day in March of the Gregorian year on which Farvardin 1 falls
    bool valid = false;
};

// Truncating division and remainder, as the published arithmetic uses them.
int tdiv(int a, int b) { return a / b; }
int tmod(int a, int b) { return a - (a / b) * b; }

YearInfo yearInfo(int jy)
{
    YearInfo r;
    if (jy < kBreaks[0] || jy >= kBreaks[kBreakCount - 1])
        return r;
    r.gregorianYear = jy + 621;
    int leapJ = -14;
    int jp = kBreaks[0];
    int jump = 0;
    for (int i = 1; i < kBreakCount; ++i) {
        const int jm = kBreaks[i];
        jump = jm - jp;
        if (jy < jm)
            break;
        leapJ += tdiv(jump, 33) * 8 + tdiv(tmod(jump, 33), 4);
        jp = jm;
    }
    int n = jy - jp;
    leapJ += tdiv(n, 33) * 8 + tdiv(tmod(n, 33) + 3, 4);
    if (tmod(jump, 33) == 4 && jump - n == 4)
        leapJ += 1;
    const int gy = r.gregorianYear;
    const int leapG = tdiv(gy, 4) - tdiv((tdiv(gy, 100) + 1) * 3, 4) - 150;
    r.march = 20 + leapJ - leapG;
    if (jump - n < 6)
        n = n - jump + tdiv(jump + 4, 33) * 33;
    int leap = tmod(tmod(n + 1, 33) - 1, 4);
    if (leap == -1)
        leap = 4;
    r.leap = leap;
    r.valid = true;
    return r;
}

QString twoDigits(int n) { return QString::number(n).rightJustified(2, '0'); }
} // namespace

bool isLeapYear(int solarYear)
{
    const YearInfo info = yearInfo(solarYear);
    return info.valid && info.leap == 0;
}

SolarDate fromGregorian(const QDate& date)
{
    SolarDate out;
    if (!date.isValid())
        return out;
    int jy = date.year() - 621;
    YearInfo info = yearInfo(jy);
    if (!info.valid)
        return out;
    const qint64 firstDay = QDate(info.gregorianYear, 3, info.march).toJulianDay();
    qint64 k = date.toJulianDay() - firstDay;
    if (k >= 0) {
        if (k <= 185) {
            out.year = jy;
            out.month = 1 + int(k / 31);
            out.day = int(k % 31) + 1;
            out.valid = true;
            return out;
        }
        k -= 186;
    } else {
        // Before Farvardin 1: the last months of the previous Solar year.
        jy -= 1;
        const YearInfo prev = yearInfo(jy);
        if (!prev.valid)
            return out;
        k += 179;
        if (prev.leap == 0)
            k += 1;
    }
    out.year = jy;
    out.month = 7 + int(k / 30);
    out.day = int(k % 30) + 1;
    out.valid = true;
    return out;
}

QDate toGregorian(int year, int month, int day)
{
    const YearInfo info = yearInfo(year);
    if (!info.valid || month < 1 || month > 12 || day < 1 || day > 31)
        return QDate();
    const qint64 firstDay = QDate(info.gregorianYear, 3, info.march).toJulianDay();
    const int offset = (month - 1) * 31 - (month > 7 ? month - 7 : 0) + (day - 1);
    return QDate::fromJulianDay(firstDay + offset);
}

int monthLength(int solarYear, int month)
{
    const YearInfo info = yearInfo(solarYear);
    if (!info.valid || month < 1 || month > 12)
        return 0;
    if (month <= 6)
        return 31;
    if (month <= 11)
        return 30;
    return info.leap == 0 ? 30 : 29;
}

QString parsedDate(const QString& text)
{
    // Each part: its digits' value, or -1 for a part that is empty, too long or not digits.
    const QStringList parts = text.trimmed().split(QLatin1Char('/'));
    if (parts.size() != 3)
        return QString();
    int values[3];
    const int longest[3] = {4, 2, 2};
    for (int i = 0; i < 3; ++i) {
        const QString& p = parts[i];
        if (p.isEmpty() || p.size() > longest[i] || (i == 0 && p.size() != 4))
            return QString();
        int v = 0;
        for (const QChar c : p) {
            int d = -1;
            const char16_t u = c.unicode();
            if (u >= '0' && u <= '9')
                d = u - '0';
            else if (u >= 0x06F0 && u <= 0x06F9)
                d = u - 0x06F0;
            else if (u >= 0x0660 && u <= 0x0669)
                d = u - 0x0660;
            if (d < 0)
                return QString();
            v = v * 10 + d;
        }
        values[i] = v;
    }
    const int length = monthLength(values[0], values[1]);
    if (length == 0 || values[2] < 1 || values[2] > length)
        return QString();
    return QString::number(values[0]) + '/' + twoDigits(values[1]) + '/' + twoDigits(values[2]);
}

QString monthName(int month)
{
    static const char* const names[] = {"فروردين", "ارديبهشت", "خرداد", "تير", "مرداد", "شهريور",
                                        "مهر", "آبان", "آذر", "دي", "بهمن", "اسفند"};
    return (month >= 1 && month <= 12) ? QString::fromUtf8(names[month - 1]) : QString();
}

QString weekdayName(int weekday)
{
    static const char* const names[] = {"يکشنبه", "دوشنبه", "سه شنبه", "چهارشنبه", "پنجشنبه", "جمعه", "شنبه"};
    return (weekday >= 1 && weekday <= 7) ? QString::fromUtf8(names[weekday - 1]) : QString();
}

QString solarDate(const QDate& date, int form)
{
    const SolarDate s = fromGregorian(date);
    if (!s.valid)
        return QString();
    const QString y = QString::number(s.year);
    const QString weekday = weekdayName(date.dayOfWeek() % 7 + 1); // Qt: Monday 1 … Sunday 7
    switch (form) {
    case 0: return y + '/' + twoDigits(s.month) + '/' + twoDigits(s.day);
    case 1: return QString::number(s.day) + ' ' + monthName(s.month) + ' ' + y;
    case 2: return weekday + ' ' + y + '/' + QString::number(s.month) + '/' + QString::number(s.day);
    case 3: return weekday + ' ' + QString::number(s.day) + ' ' + monthName(s.month) + ' ' + y;
    case 4: return y + '.' + QString::number(s.month) + '.' + QString::number(s.day);
    default: return QString();
    }
}

QString solarDate(const QDateTime& when, int form) { return solarDate(when.date(), form); }
} // namespace SolarCalendar
