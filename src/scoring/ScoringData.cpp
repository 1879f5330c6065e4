// The scoring routines that read the main database: a subject's row of IDE and the type
// descriptions of type1.
#include "data/AnswerStore.h"
#include "data/Database.h"
#include "data/SubjectStore.h"
#include "questionnaire/Totals.h"
#include "scoring/Interpretation.h"
#include "scoring/Scoring.h"

#include <QSqlQuery>
#include <QVariant>

namespace Scoring {

Description readDescription(const QString& letter)
{
    Description d;
    QSqlDatabase db = Database::connection(DbFile::Main);
    if (!db.isOpen())
        return d;
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT \"sefat\", \"1\", \"2\", \"3\", \"4\", \"5\" FROM \"type1\" "
                             "WHERE \"code\" = ? ORDER BY rid LIMIT 1"));
    q.addBindValue(letter);
    if (!q.exec() || !q.next())
        return d;
    d.sefat = q.value(0).toString();
    for (int i = 0; i < 5; ++i)
        d.cells[i] = q.value(i + 1).toString();
    return d;
}

SubjectStatus scoreSubject(const QString& code, Shown* shown, QString* error)
{
    Shown s;
    const std::optional<Subject> subject = SubjectStore().load(code, error);
    if (!subject) {
        if (shown)
            *shown = s;
        return SubjectStatus::NotFound;
    }
    s.code = subject->code;
    s.firstName = subject->firstName;
    s.lastName = subject->lastName;
    s.sex = subject->sex;
    s.age = subject->age;
    s.grade = subject->schoolClass;
    s.date = subject->date;
    s.time = subject->time;
    for (int t = 0; t < TypeCount; ++t)
        s.rawTotals[t] = subject->totals[t];

    const auto totals = parseTotals(s.rawTotals);
    SubjectStatus status = SubjectStatus::NotAnswered;
    if (totals) {
        s.setResult(score(*totals), readDescription);
        // What was answered, from the subject's answer rows (missing rows count as empty).
        s.quality = answerQuality(AnswerStore::readRows(s.code), s.indices.differentiation);
        status = SubjectStatus::Scored;
    }
    if (shown)
        *shown = s;
    return status;
}

} // namespace Scoring
