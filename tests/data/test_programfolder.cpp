// Which program folder the program and meravel-cli use, and how a per-user folder is filled
// from the installed templates without ever replacing what the user already has.
#include "TestFolder.h"
#include "FileBytes.h"

#include "data/ProgramFolder.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray digest(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

// Every file under folder with its digest, by relative path.
QMap<QString, QByteArray> tree(const QString& folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString p = it.next();
        files.insert(QDir(folder).relativeFilePath(p), digest(p));
    }
    return files;
}
} // namespace

class TestProgramFolder : public QObject {
    Q_OBJECT
    QString m_templates;

private slots:
    void initTestCase()
    {
        m_templates = TestFolder::templateFolder();
        QVERIFY2(QFile::exists(m_templates + "/meravelDB.mdb"), "MERAVEL_TEMPLATE_FOLDER holds no meravelDB.mdb");
    }
    void init() { ProgramFolder::setPath(QString()); }
    void cleanup() { ProgramFolder::setPath(QString()); }

    void firstStartFillsAPrivateFolderFromTheTemplates()
    {
        QTemporaryDir home, own;
        const QString user = home.path() + "/share/deeper/Meravel";
        const QStringList entries = ProgramFolder::templateEntries();
        auto templateDigests = [&] {
            QMap<QString, QByteArray> d;
            for (const QString& e : entries)
                d.insert(QFileInfo(m_templates + '/' + e).isDir()
                             ? tree(m_templates + '/' + e)
                             : QMap<QString, QByteArray>{{e, digest(m_templates + '/' + e)}});
            return d;
        };
        const auto templatesBefore = templateDigests();

        const ProgramFolder::Choice c = ProgramFolder::choose(own.path(), user, m_templates);
        QVERIFY2(c.ok(), qPrintable(c.error));
        QCOMPARE(c.folder, user);
        QCOMPARE(ProgramFolder::path(), user);
        QCOMPARE(ProgramFolder::mainDatabase(), user + "/meravelDB.mdb");
        QCOMPARE(c.notice, ProgramFolder::createdNotice(user));
        QVERIFY(c.notice.contains(QDir::toNativeSeparators(user)));
        QVERIFY(!c.notice.contains('\n'));
#ifdef Q_OS_UNIX
        QCOMPARE(QFileInfo(user).permissions() & ~(QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
#endif
        // Exactly the template entries, byte for byte, writable by their owner; no leftovers.
        const auto filled = tree(user);
        QStringList expected{"meravelDB.mdb", "Theme.skn", "Meravel-Excel.xlsx", "skin/skin.txt"};
        for (int n = 1; n <= 48; ++n)
            expected << QString("skin/%1.skn").arg(n);
        expected.sort();
        QCOMPARE(filled.keys(), expected);
        for (const QString& name : expected) {
            QCOMPARE(filled.value(name), digest(m_templates + '/' + name));
            QVERIFY2(QFileInfo(user + '/' + name).permissions() & QFile::WriteOwner, qPrintable(name));
        }
        // The templates are only read; the executable's folder is left alone.
        QCOMPARE(templateDigests(), templatesBefore);
        QVERIFY(QDir(own.path()).isEmpty());
    }

    void laterStartsKeepTheUsersDataAndCompleteWhatIsMissing()
    {
        QTemporaryDir home, own;
        const QString user = home.path() + "/Meravel";
        QVERIFY(ProgramFolder::choose(own.path(), user, m_templates).ok());

        QVERIFY(writeBytes(user + "/meravelDB.mdb", "the user's subjects"));
        QVERIFY(writeBytes(user + "/Theme.skn", "the user's clinic"));
        QVERIFY(writeBytes(user + "/skin/skin.txt", "17"));
        QVERIFY(QFile::remove(user + "/skin/3.skn"));
        QVERIFY(QFile::remove(user + "/Meravel-Excel.xlsx"));
        QVERIFY(writeBytes(user + "/MeravelLogo.jpg", "logo"));

        ProgramFolder::setPath(QString());
        const ProgramFolder::Choice again = ProgramFolder::choose(own.path(), user, m_templates);
        QVERIFY2(again.ok(), qPrintable(again.error));
        QCOMPARE(again.folder, user);
        QCOMPARE(again.notice, QString()); // the notice comes once, with the database
        QCOMPARE(digest(user + "/meravelDB.mdb"),
                 QCryptographicHash::hash("the user's subjects", QCryptographicHash::Sha256));
        QCOMPARE(digest(user + "/Theme.skn"),
                 QCryptographicHash::hash("the user's clinic", QCryptographicHash::Sha256));
        QCOMPARE(digest(user + "/skin/skin.txt"), QCryptographicHash::hash("17", QCryptographicHash::Sha256));
        QCOMPARE(digest(user + "/MeravelLogo.jpg"), QCryptographicHash::hash("logo", QCryptographicHash::Sha256));
        QCOMPARE(digest(user + "/skin/3.skn"), digest(m_templates + "/skin/3.skn"));
        QCOMPARE(digest(user + "/Meravel-Excel.xlsx"), digest(m_templates + "/Meravel-Excel.xlsx"));
    }

    void aFolderOpenToOthersIsTightenedOnce()
    {
#ifdef Q_OS_WIN
        QSKIP("folder modes are POSIX");
#else
        QTemporaryDir home, own;
        const QString user = home.path() + "/Meravel";
        QVERIFY(ProgramFolder::choose(own.path(), user, m_templates).ok());
        QVERIFY(QFile::setPermissions(user, QFile::Permissions(0x7777)));
        ProgramFolder::setPath(QString());
        const ProgramFolder::Choice c = ProgramFolder::choose(own.path(), user, m_templates);
        QVERIFY2(c.ok(), qPrintable(c.error));
        QCOMPARE(QFile::permissions(user) & 0x0777, QFile::Permissions(0x0700));
        QCOMPARE(c.notice, ProgramFolder::tightenedNotice(user));
        QVERIFY(c.notice.startsWith(QString::fromUtf8("دسترسي ديگران")));
        // Said once: the next start finds it private already.
        ProgramFolder::setPath(QString());
        QCOMPARE(ProgramFolder::choose(own.path(), user, m_templates).notice, QString());
#endif
    }

    void aFolderGivenOrAPortableFolderWinsAndNothingIsCreated()
    {
        QTemporaryDir home, portable, given;
        const QString user = home.path() + "/Meravel";
        QVERIFY(QFile::copy(m_templates + "/meravelDB.mdb", portable.path() + "/meravelDB.mdb"));

        const ProgramFolder::Choice p = ProgramFolder::choose(portable.path(), user, m_templates);
        QVERIFY(p.ok());
        QCOMPARE(p.folder, portable.path());
        QCOMPARE(p.notice, QString());
        QCOMPARE(ProgramFolder::path(), portable.path());

        ProgramFolder::setPath(given.path());
        const ProgramFolder::Choice g = ProgramFolder::choose(portable.path(), user, m_templates);
        QVERIFY(g.ok());
        QCOMPARE(g.folder, given.path());
        QVERIFY(QDir(given.path()).isEmpty());

        // An executable's folder without the database is not portable (an installed bin/).
        ProgramFolder::setPath(QString());
        QTemporaryDir bin;
        QVERIFY(writeBytes(bin.path() + "/Theme.skn", "x"));
        QCOMPARE(ProgramFolder::choose(bin.path(), user, m_templates).folder, user);

        // A portable seat whose registry is on a server may hold no database file: its
        // database.conf and settings make it the program folder.
        QVERIFY(writeBytes(bin.path() + "/database.conf", "[database]\nurl=postgresql://clinic@server/meravel\n"));
        ProgramFolder::setPath(QString());
        QCOMPARE(ProgramFolder::choose(bin.path(), user, m_templates).folder, bin.path());
        // database.conf alone is not a program folder.
        QTemporaryDir confOnly;
        QVERIFY(writeBytes(confOnly.path() + "/database.conf", "[database]\n"));
        ProgramFolder::setPath(QString());
        QCOMPARE(ProgramFolder::choose(confOnly.path(), user, m_templates).folder, user);
    }

    void missingTemplatesAreRefusedUnlessTheFolderIsAlreadyFilled()
    {
        QTemporaryDir home, own, empty;
        const QString user = home.path() + "/Meravel";
        const ProgramFolder::Choice c = ProgramFolder::choose(own.path(), user, empty.path() + "/share/meravel");
        QVERIFY(!c.ok());
        QVERIFY2(c.error.contains(QDir::toNativeSeparators(empty.path() + "/share/meravel")), qPrintable(c.error));
        QCOMPARE(c.folder, QString());
        QVERIFY(!ProgramFolder::isSet());
        QVERIFY(!QFileInfo::exists(user));

        // Filled before, it keeps working after the templates went away.
        QVERIFY(ProgramFolder::choose(own.path(), user, m_templates).ok());
        ProgramFolder::setPath(QString());
        const ProgramFolder::Choice later = ProgramFolder::choose(own.path(), user, empty.path());
        QVERIFY2(later.ok(), qPrintable(later.error));
        QCOMPARE(later.folder, user);

        // No per-user folder known at all.
        ProgramFolder::setPath(QString());
        QVERIFY(!ProgramFolder::choose(own.path(), QString(), m_templates).ok());
    }

    void aFileWhereTheFolderShouldBeIsAFailureNotASuccess()
    {
        QTemporaryDir home, own;
        const QString user = home.path() + "/Meravel";
        QVERIFY(writeBytes(user, "not a folder"));
        const ProgramFolder::Choice c = ProgramFolder::choose(own.path(), user, m_templates);
        QVERIFY(!c.ok());
        QVERIFY(!ProgramFolder::isSet());
        QCOMPARE(digest(user), QCryptographicHash::hash("not a folder", QCryptographicHash::Sha256));
    }

    void sharedFilesPreferTheProgramFolder()
    {
        QTemporaryDir folder;
        ProgramFolder::setPath(folder.path());
        QCOMPARE(ProgramFolder::sharedFile("no-such-font.ttf"), QString());
        QVERIFY(writeBytes(folder.path() + "/own.ttf", "font"));
        QCOMPARE(ProgramFolder::sharedFile("own.ttf"), folder.path() + "/own.ttf");
    }
};

QTEST_MAIN(TestProgramFolder)
#include "test_programfolder.moc"
