#include "records/SubjectDeletion.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"

#include <QSqlError>
#include <QSqlQuery>

namespace SubjectDeletion {
bool hasAnswerRow(const QString& code, QString* error)
{
    BoundedQuery q(Database::connection(DbFile::Main, error));
    q.prepare("SELECT 1 FROM \"S2\" WHERE \"Code\" = ? LIMIT 1");
    q.addBindValue(code);
    if (!q.tryExec(error))
        return false;
    return q.next();
}

bool remove(const QString& code, QString* error)
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    Transaction tx(DbFile::Main);
    if (!Database::lockSubjectForWrite(db, code, error))
        return false;
    // The order of the window's record sets; only the first row per table goes, as there.
    for (const char* table : {"IDE", "S2", "S1", "S3", "S4"}) {
        BoundedQuery q(db);
        q.prepare(
            QString("DELETE FROM \"%1\" WHERE rid = (SELECT min(rid) FROM \"%1\" WHERE \"Code\" = ?)").arg(table));
        q.addBindValue(code);
        if (!q.tryExec(error))
            return false;
        if (q.numRowsAffected() != 1) {
            if (error)
                *error = QString::fromUtf8("جدول %1 رديفي براي اين کد ندارد.").arg(table);
            return false;
        }
    }
    return tx.commit(error);
}
} // namespace SubjectDeletion
