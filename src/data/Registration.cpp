#include "data/Registration.h"
#include "calendar/SolarCalendar.h"
#include "data/AnswerTables.h"
#include "data/BoundedQuery.h"
#include "data/SubjectStore.h"
#include "data/SubjectText.h"
#include "data/Utf8.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>

namespace Registration {
Check check(const Subject& s)
{
    // Each field, the message when it is missing (the date and time are never missing here) and
    // its column.
    const struct {
        const QString& value;
        Field field;
        const char* missing;
        const char* column;
    } fields[] = {
        {s.code, Field::Code, "کد آزمودني را وارد کنيد", "Code"},
        {s.firstName, Field::FirstName, "نام آزمودني را وارد کنيد", "FName"},
        {s.lastName, Field::LastName, "نام خانوادگي آزمودني را وارد کنيد", "LName"},
        {s.sex, Field::Sex, "جنسيت آزمودني را مشخص کنيد", "Jens"},
        {s.age, Field::Age, "سن آزمودني را وارد کنيد", "Sen"},
        {s.schoolClass, Field::SchoolClass, "كلاس آزمودني را بنويسيد", "Tahsil"},
        {s.group, Field::Group, "گروه را مشخص کنيد", "Group"},
        {s.date, Field::None, nullptr, "Date"},
        {s.time, Field::None, nullptr, "Time"},
    };
    // An empty text is missing; a blank is not empty.
    for (const auto& f : fields)
        if (f.missing && f.value.isEmpty())
            return Check{f.field, u(f.missing)};
    // A character XML forbids would break the spreadsheet export; an overlong name the
    // server's index.
    for (const auto& f : fields) {
        const QString why = SubjectText::problem(QLatin1String(f.column), f.value);
        if (!why.isEmpty())
            return Check{f.field == Field::None ? Field::Code : f.field, why};
    }
    // A date the calendar does not have ("فردا", 1402/13/01) would reach the group report's
    // date range and the exports as it was typed.
    if (SolarCalendar::parsedDate(s.date).isEmpty())
        return invalidDate();
    // Two subjects with one code would make scoring, the test and deletion pick either.
    if (isCodeRegistered(s.code) || isCodeRegistered(s.code.trimmed()))
        return duplicateCode();
    return Check{};
}

Check duplicateCode() { return Check{Field::Code, u("این کد قبلاً ثبت شده است")}; }

Check invalidDate()
{
    return Check{Field::Date, u("تاريخ درست نيست؛ آن را به شکل سال/ماه/روز وارد کنيد، مانند 1402/07/15")};
}

bool isCodeRegistered(const QString& code) { return SubjectStore().exists(code); }

bool store(const Subject& s, QString* error, bool* duplicate)
{
    if (duplicate)
        *duplicate = false;
    const QString date = SolarCalendar::parsedDate(s.date);
    if (date.isEmpty()) {
        if (error)
            *error = invalidDate().message;
        return false;
    }
    Transaction tx(DbFile::Main);
    if (!tx.isActive()) {
        if (error && error->isEmpty())
            *error = QStringLiteral("پايگاه داده باز نشد.");
        return tx.commit(error);
    }
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    const QString answerCode = s.code.trimmed();
    // Another seat may have registered the code since the check: seats registering one code
    // take turns here, and the code is looked at again inside the transaction.
    if (!Database::lockSubjectForWrite(db, answerCode, error))
        return false;
    {
        BoundedQuery q(db);
        q.prepare("SELECT 1 FROM \"IDE\" WHERE \"Code\" = ? OR \"Code\" = ? LIMIT 1");
        q.addBindValue(s.code);
        q.addBindValue(answerCode);
        if (!q.tryExec(error))
            return false;
        if (q.next()) {
            if (duplicate)
                *duplicate = true;
            if (error)
                *error = duplicateCode().message;
            return false;
        }
    }
    if (!AnswerTables::ensureRows(answerCode, error))
        return false;
    BoundedQuery q(db);
    q.prepare("INSERT INTO \"IDE\" (\"Code\", \"FName\", \"LName\", \"Jens\", \"Sen\", \"Tahsil\", \"Group\", "
              "\"Date\", \"Time\") "
              "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QString* v :
         {&s.code, &s.firstName, &s.lastName, &s.sex, &s.age, &s.schoolClass, &s.group, &date, &s.time})
        q.addBindValue(*v);
    if (!q.exec()) {
        // The server's unique code refuses what the look above could not see.
        const bool taken = Database::isDuplicateCode(q.lastError());
        if (duplicate)
            *duplicate = taken;
        if (error)
            *error = taken ? duplicateCode().message : q.errorText();
        return false;
    }
    return tx.commit(error);
}

QString incrementedLeadingNumber(const QString& text)
{
    QString digits;
    for (const QChar c : text) {
        if (c < '0' || c > '9')
            break;
        digits += c;
    }
    while (digits.size() > 1 && digits.startsWith('0'))
        digits.remove(0, 1);
    if (digits.isEmpty())
        digits = "0";
    // Decimal increment on the text itself, so any length of code works.
    int i = digits.size() - 1;
    while (i >= 0 && digits[i] == '9') {
        digits[i] = '0';
        --i;
    }
    if (i < 0)
        digits.prepend('1');
    else
        digits[i] = QChar(digits[i].unicode() + 1);
    return digits;
}

QString timeText(const QTime& time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}
} // namespace Registration
