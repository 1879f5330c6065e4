#include "data/StoreColumns.h"

#include "data/BoundedQuery.h"
#include "data/Database.h"

#include <QSqlError>
#include <QSqlQuery>

namespace StoreColumns {
bool failed(const BoundedQuery& query, QString* error)
{
    if (error)
        *error = query.errorText();
    return false;
}

bool write(const QSqlDatabase& db, const QString& table, const QString& code, const QHash<QString, QString>& columns,
           QString* error)
{
    if (columns.isEmpty())
        return true;
    const QStringList stored = Database::columnsOf(db, table);
    QStringList assignments;
    QStringList values;
    for (auto it = columns.cbegin(); it != columns.cend(); ++it) {
        const auto found = std::find_if(stored.cbegin(), stored.cend(), [&](const QString& c) {
            return c.compare(it.key(), Qt::CaseInsensitive) == 0;
        });
        // rid and Code say which row this is; they are never rewritten.
        if (found == stored.cend() || found->compare("rid", Qt::CaseInsensitive) == 0
            || found->compare("Code", Qt::CaseInsensitive) == 0) {
            if (error)
                *error = QStringLiteral("%1 has no column %2 to write").arg(table, it.key());
            return false;
        }
        assignments << Database::quoted(*found) + " = ?";
        values << it.value();
    }
    const QString t = Database::quoted(table);
    BoundedQuery q(db);
    q.prepare("UPDATE " + t + " SET " + assignments.join(", ") + " WHERE rid = (SELECT min(rid) FROM " + t
              + " WHERE \"Code\" = ?)");
    for (const QString& v : values)
        q.addBindValue(v);
    q.addBindValue(code);
    if (!q.exec())
        return failed(q, error);
    if (q.numRowsAffected() != 1) {
        if (error)
            *error = QString::fromUtf8("جدول %1 رديفي براي اين کد ندارد.").arg(table);
        return false;
    }
    return true;
}
} // namespace StoreColumns
