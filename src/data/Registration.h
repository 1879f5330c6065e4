#pragma once
#include "data/Subject.h"

#include <QString>
#include <QTime>

// Subject registration without windows: the next-code search, the checks of Save in their
// order, and the store of the subject's five rows in one transaction. The registration panel
// and the companion tool's register command both use it, through SubjectStore.
namespace Registration {
using Subject = ::Subject; // the totals are not registered

enum class Field { None, Code, FirstName, LastName, Sex, Age, SchoolClass, Group, Date };

struct Check {
    Field field = Field::None; // the field to focus; None when every check passed
    QString message;           // the self-closing message to show
    bool ok() const { return field == Field::None; }
};

// The first missing field (in the panel's order), then a date that is no Solar Hijri date
// (SolarCalendar::parsedDate), then a code that is already registered.
Check check(const Subject& subject);
// The check's refusal of a date.
Check invalidDate();
// Whether the code is registered exactly so (SubjectStore::exists).
bool isCodeRegistered(const QString& code);

// The check's refusal of a code that is registered already.
Check duplicateCode();

// IDE row plus one row with only Code in each of S1 to S4, all or nothing; the date is stored
// in the form "1402/07/15" (ASCII digits), and one that is no valid date is refused (*error
// the check's message) with nothing written. A code that
// another seat registered since the check is refused (*duplicate set, *error the check's
// message) and nothing is written.
bool store(const Subject& subject, QString* error, bool* duplicate = nullptr);

// The leading decimal digits of a text, plus one, in plain decimal ("" or "x" give "1").
QString incrementedLeadingNumber(const QString& text);

// Form of the time field: the system's long time format.
QString timeText(const QTime& time);
} // namespace Registration
