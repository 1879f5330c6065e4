#include "data/Database.h"

#include "data/DatabaseCheck.h"
#include "data/ProgramFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QThread>

namespace {
QString connectionName(const QString& path)
{
    return QStringLiteral("meravel:%1:%2")
        .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()))
        .arg(path);
}

// Every SQLite connection of the process is defensive and distrusts its schema's functions,
// from before the first one opens.
const bool connectionsHardened = [] {
    DatabaseCheck::hardenEveryConnection();
    return true;
}();

// Connection names opened by this thread, so closeAll() can find them.
QSet<QString>& openNames()
{
    static thread_local QSet<QString> names;
    return names;
}
} // namespace

namespace Database {
QString pathOf(DbFile file)
{
    return file == DbFile::Main ? ProgramFolder::mainDatabase() : ProgramFolder::themeDatabase();
}

QString quotedList(const QStringList& texts)
{
    if (texts.isEmpty())
        return QStringLiteral("(NULL)");
    QString list = QStringLiteral("(");
    for (int i = 0; i < texts.size(); ++i) {
        QString t = texts.at(i);
        list += (i ? QStringLiteral(",'") : QStringLiteral("'")) + t.replace('\'', QLatin1String("''")) + '\'';
    }
    return list + ')';
}

QSqlDatabase connection(DbFile file, QString* error)
{
    const QString path = pathOf(file);
    const QString name = connectionName(path);
    if (QSqlDatabase::contains(name)) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            return db;
    }
    // SQLite would create a missing file; the program never wants an empty database.
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("File not found: %1").arg(QDir::toNativeSeparators(path));
        return QSqlDatabase();
    }
    QSqlDatabase db = QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                                    : QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(path);
    db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=15000");
    Q_UNUSED(connectionsHardened);
    DatabaseCheck::hardenEveryConnection();
    if (!db.open()) {
        if (error)
            *error = db.lastError().text();
        return QSqlDatabase();
    }
    QSqlQuery q(db);
    // Functions named in a schema never run on the program's behalf. (Defensive mode comes
    // from the hardening above when Qt's driver uses the SQLite library the program links;
    // this setting holds with any SQLite.)
    q.exec("PRAGMA trusted_schema=OFF");
    // The single file is the whole database whenever no write is in progress.
    q.exec("PRAGMA journal_mode=DELETE");
    q.exec("PRAGMA synchronous=FULL");
    // A file that is no database fails here rather than at the first real query.
    if (!q.exec("SELECT count(*) FROM sqlite_master")) {
        if (error)
            *error = q.lastError().text();
        db.close();
        return QSqlDatabase();
    }
    openNames().insert(name);
    return db;
}

void closeAll()
{
    for (const QString& name : std::as_const(openNames())) {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isValid())
                db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    openNames().clear();
}
} // namespace Database

Transaction::Transaction(DbFile file)
    : m_db(Database::connection(file))
{
    m_active = m_db.isOpen() && m_db.transaction();
}

Transaction::~Transaction()
{
    if (m_active)
        m_db.rollback();
}

bool Transaction::commit(QString* error)
{
    if (!m_active) {
        if (error && error->isEmpty())
            *error = m_db.isValid() ? m_db.lastError().text() : QStringLiteral("The database could not be opened.");
        return false;
    }
    if (!m_db.commit()) {
        if (error)
            *error = m_db.lastError().text();
        m_db.rollback();
        m_active = false;
        return false;
    }
    m_active = false;
    return true;
}
