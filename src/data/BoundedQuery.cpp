#include "data/BoundedQuery.h"

#include "data/Database.h"
#include "data/DatabaseTexts.h"
#include "data/Utf8.h"

#include <QSqlError>

BoundedQuery::BoundedQuery(const QSqlDatabase& db)
    : QSqlQuery(db)
    , m_db(db)
    , m_server(Database::isServer(db))
{
}

bool BoundedQuery::prepare(const QString& sql)
{
    return bounded([&] { return QSqlQuery::prepare(sql); });
}

bool BoundedQuery::exec()
{
    return bounded([&] { return QSqlQuery::exec(); });
}

bool BoundedQuery::exec(const QString& sql)
{
    return bounded([&] { return QSqlQuery::exec(sql); });
}

bool BoundedQuery::tryExec(QString* error)
{
    if (exec())
        return true;
    if (error)
        *error = errorText();
    return false;
}

bool BoundedQuery::next()
{
    return bounded([&] { return QSqlQuery::next(); });
}

QString BoundedQuery::errorText() const
{
    if (m_server && ServerWait::gaveUp(m_db))
        return u(DatabaseText::ServerSilent);
    return lastError().text();
}
