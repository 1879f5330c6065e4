#include "TestFolder.h"

#include "TestServer.h"
#include "data/Database.h"
#include "data/MainSchema.h"
#include "data/ProgramFolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {
bool copyTree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString src = it.next();
        const QString rel = QDir(from).relativeFilePath(src);
        const QFileInfo info = it.fileInfo();
        if (info.isDir()) {
            QDir().mkpath(to + '/' + rel);
        } else if (info.isFile() && !info.isExecutable()) {
            // Data files only: the executables stay in the build's program folder.
            QFile::remove(to + '/' + rel);
            if (!QFile::copy(src, to + '/' + rel))
                return false;
            QFile::setPermissions(to + '/' + rel, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
        }
    }
    return true;
}
} // namespace

QString TestFolder::templateFolder()
{
    return qEnvironmentVariable("MERAVEL_TEMPLATE_FOLDER");
}

TestFolder::TestFolder()
{
    Database::closeAll();
    const QString from = templateFolder();
    m_ok = m_dir.isValid() && !from.isEmpty() && copyTree(from, m_dir.path())
        && QFile::exists(m_dir.path() + "/meravelDB.mdb");
    ProgramFolder::setPath(m_dir.path());
    if (m_ok && TestServer::engineIsServer())
        m_ok = useServer();
}

bool TestFolder::useServer()
{
    // The main database on the test server: the program's tables afresh, named by the folder's
    // database.conf so that child processes use them too. The folder's file goes, so nothing
    // can quietly fall back to it.
    QString error;
    const QString url = TestServer::processDatabaseUrl(&error);
    if (url.isEmpty() || !TestServer::resetDatabase(url, &error)) {
        qWarning("Test server unusable: %s", qPrintable(error));
        return false;
    }
    {
        ScopedConnection server(DbLocation::fromText(url), &error);
        if (!server.isOpen() || !MainSchema::createOnServer(server.db(), &error)) {
            qWarning("Test server unusable: %s", qPrintable(error));
            return false;
        }
    }
    QFile conf(file("database.conf"));
    if (!conf.open(QIODevice::WriteOnly) || conf.write("[database]\nurl=" + url.toUtf8() + "\n") <= 0)
        return false;
    conf.close();
    m_serverUrl = url;
    return QFile::remove(file("meravelDB.mdb"));
}

TestFolder::~TestFolder()
{
    Database::closeAll();
    ProgramFolder::setPath(QString());
}

bool TestFolder::exec(const QString& sql, QString* error) const
{
    QSqlQuery q(Database::connection(DbFile::Main, error));
    if (!q.exec(sql)) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}

bool TestFolder::refuseWrites(const QString& table, const QString& event, const QString& message) const
{
    if (onServer())
        return exec("CREATE OR REPLACE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RAISE EXCEPTION '"
                    + message + "'; END $$")
            && exec("CREATE TRIGGER refuse BEFORE " + event + " ON \"" + table
                    + "\" FOR EACH ROW EXECUTE FUNCTION refuse()");
    return exec("CREATE TRIGGER refuse BEFORE " + event + " ON \"" + table + "\" BEGIN SELECT RAISE(ABORT, '" + message
                + "'); END");
}

QString TestFolder::scalar(const QString& sql) const
{
    QSqlQuery q(Database::connection(DbFile::Main));
    if (q.exec(sql) && q.next())
        return q.value(0).toString();
    return QString();
}

void TestFolder::addSubject(const QString& code, const QString& fname, const QString& lname) const
{
    QSqlDatabase db = Database::connection(DbFile::Main);
    QSqlQuery q(db);
    q.prepare("INSERT INTO \"IDE\" (\"Code\", \"FName\", \"LName\", \"Jens\", \"Sen\", \"Tahsil\", \"Group\", "
              "\"Date\", \"Time\") "
              "VALUES (?, ?, ?, ?, '15', '10', 'A', '1402/07/15', '10:00:00')");
    q.addBindValue(code);
    q.addBindValue(fname);
    q.addBindValue(lname);
    q.addBindValue(QString::fromUtf8("پسر"));
    q.exec();
    for (const char* t : {"S1", "S2", "S3", "S4"}) {
        QSqlQuery a(db);
        a.prepare(QStringLiteral("INSERT INTO \"%1\" (\"Code\") VALUES (?)").arg(QLatin1String(t)));
        a.addBindValue(code);
        a.exec();
    }
}
