#include "data/AnswerTables.h"
#include "data/BoundedQuery.h"
#include "data/Database.h"

#include <QSqlError>
#include <QSqlQuery>

namespace AnswerTables {
QString name(int table) { return QStringLiteral("S") + QString::number(table); }

bool ensureRows(const QString& code, QString* error)
{
    QSqlDatabase db = Database::connection(DbFile::Main, error);
    if (!db.isOpen())
        return false;
    for (int table = First; table <= Last; ++table) {
        const QString t = Database::quoted(name(table));
        BoundedQuery q(db);
        // The cast tells a server the parameter's type, which a SELECT without FROM leaves open.
        q.prepare("INSERT INTO " + t + " (\"Code\") SELECT CAST(? AS TEXT) WHERE NOT EXISTS (SELECT 1 FROM " + t
                  + " WHERE \"Code\" = ?)");
        q.addBindValue(code);
        q.addBindValue(code);
        if (!q.tryExec(error))
            return false;
    }
    return true;
}
} // namespace AnswerTables
