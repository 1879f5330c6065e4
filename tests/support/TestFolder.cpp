#include "TestFolder.h"

#include "data/Database.h"
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
    q.prepare("INSERT INTO IDE (Code, FName, LName, Jens, Sen, Tahsil, \"Group\", \"Date\", \"Time\") "
              "VALUES (?, ?, ?, ?, '15', '10', 'A', '1402/07/15', '10:00:00')");
    q.addBindValue(code);
    q.addBindValue(fname);
    q.addBindValue(lname);
    q.addBindValue(QString::fromUtf8("پسر"));
    q.exec();
    for (const char* t : {"S1", "S2", "S3", "S4"}) {
        QSqlQuery a(db);
        a.prepare(QStringLiteral("INSERT INTO %1 (Code) VALUES (?)").arg(QLatin1String(t)));
        a.addBindValue(code);
        a.exec();
    }
}
