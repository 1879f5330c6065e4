#pragma once
#include "data/Database.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// A query whose every round trip to a server is bounded as ServerWait bounds a transaction:
// exec(), prepare() and next() (a forward-only query on a server fetches its rows as they are
// read) fail once the server has sent nothing for the limit, and errorText() then says so. On a
// file connection it is a plain QSqlQuery.
class BoundedQuery : public QSqlQuery {
public:
    explicit BoundedQuery(const QSqlDatabase& db);

    bool prepare(const QString& sql);
    bool exec();
    bool exec(const QString& sql);
    // exec(); when it fails, errorText() goes to *error (when given).
    bool tryExec(QString* error);
    bool next();
    // The error to show: the silent server's message when the limit ended the query.
    QString errorText() const;

private:
    template <typename Call> bool bounded(Call call)
    {
        if (!m_server)
            return call();
        ServerWait wait(m_db);
        return call();
    }
    QSqlDatabase m_db;
    bool m_server = false;
};
