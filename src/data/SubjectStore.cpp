#include "data/SubjectStore.h"

#include "data/AnswerTables.h"
#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/PersianText.h"
#include "data/StoreColumns.h"
#include "records/SubjectDeletion.h"

#include <QSqlQuery>

namespace {
// The columns of a Subject, in the order of its members.
const char* const kColumns = "\"Code\", \"FName\", \"LName\", \"Jens\", \"Sen\", \"Tahsil\", \"Group\", \"Date\", "
                             "\"Time\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\"";

Subject subjectOf(const QSqlQuery& q)
{
    Subject s;
    QString* texts[] = {&s.code, &s.firstName, &s.lastName, &s.sex, &s.age, &s.schoolClass, &s.group, &s.date, &s.time};
    int i = 0;
    for (QString* t : texts)
        *t = q.value(i++).toString(); // NULL (never written) reads as ""
    for (QString& t : s.totals)
        t = q.value(i++).toString();
    return s;
}

// A prepared, bound query on the main database, run; false (and *error) when it failed.
bool run(BoundedQuery& q, const QString& sql, const QStringList& values, QString* error)
{
    q.setForwardOnly(true);
    q.prepare(sql);
    for (const QString& v : values)
        q.addBindValue(v);
    return q.exec() || StoreColumns::failed(q, error);
}

// Whether the code is registered or still has a row in an answer table (rows a deletion or
// an older program left behind would become the new subject's answers).
bool taken(QSqlDatabase& db, const QString& code, QString* error, bool* ok)
{
    QString sql = "SELECT 1 FROM \"IDE\" WHERE \"Code\" = ?";
    QStringList values{code};
    for (int t = AnswerTables::First; t <= AnswerTables::Last; ++t) {
        sql += " UNION ALL SELECT 1 FROM " + Database::quoted(AnswerTables::name(t)) + " WHERE \"Code\" = ?";
        values << code;
    }
    BoundedQuery q(db);
    *ok = run(q, sql + " LIMIT 1", values, error);
    return *ok && q.next();
}
} // namespace

SubjectStore::SubjectStore(QObject* parent)
    : QObject(parent)
{
}

QString SubjectStore::nextCode(QString* error) const
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return QString();
    BoundedQuery last(db);
    if (!run(last, "SELECT \"Code\" FROM \"IDE\" ORDER BY rid DESC LIMIT 1", {}, error) || !last.next())
        return QString();
    // Each step is one look-up on the code indexes; the chain is as long as the run of codes
    // registered after the last one's number.
    QString candidate = Registration::incrementedLeadingNumber(PersianText::foldDigits(last.value(0).toString()));
    bool ok = true;
    while (taken(db, candidate, error, &ok))
        candidate = Registration::incrementedLeadingNumber(candidate);
    return ok ? candidate : QString();
}

bool SubjectStore::exists(const QString& code, QString* error) const
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    BoundedQuery q(db);
    return db.isOpen() && run(q, "SELECT 1 FROM \"IDE\" WHERE \"Code\" = ? LIMIT 1", {code}, error) && q.next();
}

bool SubjectStore::isEmpty(QString* error) const
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    BoundedQuery q(db);
    return !(db.isOpen() && run(q, "SELECT 1 FROM \"IDE\" LIMIT 1", {}, error) && q.next());
}

std::optional<Subject> SubjectStore::load(const QString& code, QString* error) const
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    BoundedQuery q(db);
    if (!db.isOpen()
        || !run(q, QStringLiteral("SELECT %1 FROM \"IDE\" WHERE \"Code\" = ? ORDER BY rid LIMIT 1").arg(kColumns),
                {code}, error)
        || !q.next())
        return std::nullopt;
    return subjectOf(q);
}

QVector<Subject> SubjectStore::list(QString* error) const
{
    QVector<Subject> subjects;
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    BoundedQuery q(db);
    if (!db.isOpen() || !run(q, QStringLiteral("SELECT %1 FROM \"IDE\" ORDER BY rid").arg(kColumns), {}, error))
        return subjects;
    while (q.next())
        subjects.append(subjectOf(q));
    return subjects;
}

QVector<SubjectSearch::Row> SubjectStore::find(const SubjectSearch::Criteria& criteria, QString* error) const
{
    return SubjectSearch::find(criteria, error);
}

SubjectStore::Registered SubjectStore::registerSubject(const Registration::Subject& subject)
{
    Registered r;
    const Registration::Check check = Registration::check(subject);
    if (!check.ok()) {
        r.field = check.field;
        r.message = check.message;
        return r;
    }
    bool duplicate = false;
    if (!Registration::store(subject, &r.message, &duplicate)) {
        // Nothing was written. A refusal names its field as the check does.
        if (r.message == Registration::invalidDate().message)
            r.field = Registration::Field::Date;
        else if (duplicate)
            r.field = Registration::Field::Code;
        else
            r.databaseError = true;
        return r;
    }
    r.ok = true;
    emit changed();
    return r;
}

bool SubjectStore::update(const QString& code, const QHash<QString, QString>& columns, QString* error)
{
    Transaction tx(DbFile::Main);
    if (!tx.isActive())
        return tx.commit(error); // says why
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!Database::lockSubjectForWrite(db, code, error) || !StoreColumns::write(db, "IDE", code, columns, error)
        || !tx.commit(error))
        return false;
    emit changed();
    return true;
}

bool SubjectStore::remove(const QString& code, QString* error)
{
    if (!SubjectDeletion::remove(code, error))
        return false;
    emit changed();
    return true;
}
