#include "data/SqliteHandle.h"

#include "data/Database.h"
#include "data/DatabaseCheck.h"

#include <QFile>
#include <QFileInfo>

namespace SqliteHandle {
Connection openMain(QString* error)
{
    const QString path = Database::pathOf(DbFile::Main);
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("فايل پيدا نشد: \u2066%1\u2069").arg(path);
        return {nullptr, sqlite3_close};
    }
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    Connection db(raw, sqlite3_close);
    if (rc != SQLITE_OK) {
        if (error)
            *error = raw ? QString::fromUtf8(sqlite3_errmsg(raw)) : QStringLiteral("out of memory");
        return {nullptr, sqlite3_close};
    }
    DatabaseCheck::harden(raw);
    sqlite3_busy_timeout(raw, 15000);
    return db;
}
} // namespace SqliteHandle
