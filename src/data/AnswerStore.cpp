#include "data/AnswerStore.h"

#include "data/AnswerTables.h"
#include "data/BoundedQuery.h"
#include "data/Database.h"
#include "data/Messages.h"
#include "data/StoreColumns.h"
#include "data/SubjectStore.h"
#include "questionnaire/Totals.h"

#include <QSqlQuery>
#include <QSqlRecord>

AnswerStore::AnswerStore(QObject* parent)
    : QObject(parent)
{
}

AnswerStore::Rows AnswerStore::readRows(const QString& code, QString* error)
{
    Rows rows;
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return rows;
    for (int table = AnswerTables::First; table <= AnswerTables::Last; ++table) {
        BoundedQuery q(db);
        q.setForwardOnly(true);
        q.prepare("SELECT * FROM " + Database::quoted(AnswerTables::name(table))
                  + " WHERE \"Code\" = ? ORDER BY rid LIMIT 1");
        q.addBindValue(code);
        if (!q.exec()) {
            StoreColumns::failed(q, error);
            continue;
        }
        if (!q.next())
            continue;
        const QSqlRecord rec = q.record();
        for (int i = 0; i < rec.count(); ++i)
            rows[table - 1].insert(rec.fieldName(i), q.value(i).isNull() ? QString() : q.value(i).toString());
    }
    return rows;
}

AnswerStore::Answers AnswerStore::load(const QString& code, QString* error) const
{
    Answers a;
    a.rows = readRows(code, error);
    BoundedQuery q(Database::connection(DbFile::Main));
    q.setForwardOnly(true);
    q.prepare("SELECT \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\" FROM \"IDE\" WHERE \"Code\" = ? ORDER BY rid LIMIT 1");
    q.addBindValue(code);
    if (!q.exec()) {
        StoreColumns::failed(q, error);
        return a;
    }
    if (q.next()) {
        a.registered = true;
        for (int t = 0; t < InterestTypes::Count; ++t)
            a.totals[t] = q.value(t).toString();
    }
    return a;
}

bool AnswerStore::save(const QString& code, const Rows& answers, const Six& totals, QString* error)
{
    Write w;
    w.rows = answers;
    w.totals = totals;
    return save(code, w, error);
}

bool AnswerStore::save(const QString& code, const Write& write, QString* error)
{
    Transaction tx(DbFile::Main);
    if (!tx.isActive())
        return tx.commit(error); // says why
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!Database::lockSubjectForWrite(db, code, error))
        return false;
    // Answer rows of a code nobody holds would be taken over by the next subject given it.
    QString lookError;
    if (!SubjectStore().exists(code, &lookError)) {
        if (error)
            *error = lookError.isEmpty() ? QString::fromUtf8(Messages::SubjectNotFound) : lookError;
        return false;
    }
    if (!AnswerTables::ensureRows(code, error))
        return false;
    // In the order the test window always stored them: S2, the subject, S1, S3, S4.
    for (int table : {AnswerTables::S2, 0, AnswerTables::S1, AnswerTables::S3, AnswerTables::S4}) {
        const bool ok = table == 0
            ? StoreColumns::write(db, "IDE", code, write.subject, error)
            : StoreColumns::write(db, AnswerTables::name(table), code, write.rows[table - 1], error);
        if (!ok)
            return false;
    }
    std::optional<Six> totals = write.totals;
    if (write.totalsFromStored) {
        // Read back inside the transaction: the totals are those of the answers as stored.
        QString readError;
        const Rows stored = readRows(code, &readError);
        if (!readError.isEmpty()) {
            if (error)
                *error = readError;
            return false;
        }
        totals = Totals::compute(stored);
    }
    if (totals && !Totals::store(code, *totals, error))
        return false;
    if (!tx.commit(error))
        return false;
    emit changed();
    return true;
}

bool AnswerStore::ensureRows(const QString& code, QString* error)
{
    const Rows before = readRows(code, error);
    if (std::all_of(before.cbegin(), before.cend(), [](const QHash<QString, QString>& r) { return !r.isEmpty(); }))
        return true;
    Transaction tx(DbFile::Main);
    if (!tx.isActive())
        return tx.commit(error);
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!Database::lockSubjectForWrite(db, code, error) || !AnswerTables::ensureRows(code, error) || !tx.commit(error))
        return false;
    emit changed();
    return true;
}
