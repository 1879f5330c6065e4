#include "data/ProgramFolder.h"

#include "data/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUuid>

namespace {
QString& folderOverride()
{
    static QString folder;
    return folder;
}

const QFile::Permissions OwnerOnlyFolder = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
const QFile::Permissions OwnerOnlyFile = QFile::ReadOwner | QFile::WriteOwner;

// Copies one file under a temporary name beside its destination and renames it into place;
// a destination that exists (also one that appeared meanwhile) is left as it is.
bool copyIfMissing(const QString& from, const QString& to, bool* copied, QString* error)
{
    *copied = false;
    if (QFileInfo::exists(to))
        return true;
    const QString part = to + QStringLiteral(".part-") + QUuid::createUuid().toString(QUuid::Id128);
    if (!QFile::copy(from, part)) {
        *error = QStringLiteral("cannot copy %1 to %2")
                     .arg(QDir::toNativeSeparators(from), QDir::toNativeSeparators(to));
        return false;
    }
    QFile::setPermissions(part, OwnerOnlyFile);
    if (!QFile::rename(part, to)) {
        QFile::remove(part);
        if (QFileInfo::exists(to))
            return true;
        *error = QStringLiteral("cannot create %1").arg(QDir::toNativeSeparators(to));
        return false;
    }
    *copied = true;
    return true;
}

QString installedFolder(const char* relative)
{
    return QDir::cleanPath(ProgramFolder::executableFolder() + '/' + QString::fromUtf8(relative));
}

QString executableName(const QString& name)
{
#ifdef Q_OS_WIN
    return name + QStringLiteral(".exe");
#else
    return name;
#endif
}
} // namespace

namespace ProgramFolder {
QString path()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return executableFolder();
}

void setPath(const QString& folder)
{
    folderOverride() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

bool isSet() { return !folderOverride().isEmpty(); }

QString file(const QString& name) { return path() + '/' + name; }
QString mainDatabase() { return file("meravelDB.mdb"); }
QString themeDatabase() { return file("Theme.skn"); }
QString skinFolder() { return file("skin"); }
QString skinSettingFile() { return file("skin/skin.txt"); }
QString logoFile() { return file("MeravelLogo.jpg"); }

QString executableFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

QString userFolder() { return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation); }

QString templateFolder() { return installedFolder(InstallLayout::TemplateFolder); }

QStringList templateEntries()
{
    return {QStringLiteral("meravelDB.mdb"), QStringLiteral("Theme.skn"), QStringLiteral("skin"),
            QStringLiteral("Meravel-Excel.xlsx")};
}

QString createdNotice(const QString& folder)
{
    // The path is isolated left to right, so that its slashes stay in place in Persian text.
    return QString::fromUtf8(
               "پوشه داده‌های مراول از روی الگوی نصب‌شده ساخته شد: ")
        + QChar(0x2066) + QDir::toNativeSeparators(folder) + QChar(0x2069);
}

QString tightenedNotice(const QString& folder)
{
    return QString::fromUtf8(
               "دسترسي ديگران به پوشه داده‌هاي مراول برداشته شد: ")
        + QChar(0x2066) + QDir::toNativeSeparators(folder) + QChar(0x2069);
}

bool fillFromTemplates(const QString& folder, const QString& templates, bool* databaseCreated, QString* error)
{
    QString ignored;
    QString& why = error ? *error : ignored;
    bool created = false;
    if (databaseCreated)
        *databaseCreated = false;
    if (!QFileInfo(templates + QStringLiteral("/meravelDB.mdb")).isFile()) {
        // A folder filled before keeps working when the templates went away.
        if (QFileInfo(folder + QStringLiteral("/meravelDB.mdb")).isFile())
            return true;
        why = QStringLiteral("the program folder cannot be set up: the templates in %1 are missing")
                  .arg(QDir::toNativeSeparators(templates));
        return false;
    }
    if (!QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (!QDir().mkpath(parent) || !QDir().mkdir(folder, OwnerOnlyFolder)) {
            if (!QFileInfo(folder).isDir()) {
                why = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder));
                return false;
            }
        }
    }
    for (const QString& entry : templateEntries()) {
        const QString from = templates + '/' + entry;
        const QFileInfo info(from);
        if (info.isFile()) {
            bool copied = false;
            if (!copyIfMissing(from, folder + '/' + entry, &copied, &why))
                return false;
            if (copied && entry == QLatin1String("meravelDB.mdb"))
                created = true;
        } else if (info.isDir()) {
            QDirIterator it(from, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
            if (!QDir().mkpath(folder + '/' + entry)) {
                why = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(folder + '/' + entry));
                return false;
            }
            while (it.hasNext()) {
                const QString source = it.next();
                const QString target = folder + '/' + entry + '/' + QDir(from).relativeFilePath(source);
                bool copied = false;
                if (it.fileInfo().isDir()) {
                    if (!QDir().mkpath(target)) {
                        why = QStringLiteral("cannot create the folder %1").arg(QDir::toNativeSeparators(target));
                        return false;
                    }
                } else if (!copyIfMissing(source, target, &copied, &why)) {
                    return false;
                }
            }
        }
    }
    if (databaseCreated)
        *databaseCreated = created;
    return true;
}

Choice choose() { return choose(executableFolder(), userFolder(), templateFolder()); }

Choice choose(const QString& own, const QString& user, const QString& templates)
{
    Choice c;
    if (isSet()) {
        c.folder = path();
        return c;
    }
    // A portable folder holds its database, or, on a seat whose registry is on a server, the
    // file naming the server beside the seat's settings.
    auto has = [&own](const char* name) { return QFileInfo(own + '/' + QLatin1String(name)).isFile(); };
    if (has("meravelDB.mdb") || (has("database.conf") && has("Theme.skn"))) {
        setPath(own);
        c.folder = path();
        return c;
    }
    if (user.isEmpty()) {
        c.error = QStringLiteral("the program folder cannot be set up: no per-user data folder is known");
        return c;
    }
    bool created = false;
    // A per-user folder others may enter (made by hand, or by another program) is tightened
    // to its owner before anything in it is used; said once, when it happens.
    bool tightened = false;
#ifndef Q_OS_WIN
    const QFileInfo existing(user);
    if (existing.isDir() && !existing.isSymLink()
        && (QFile::permissions(user)
            & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
               | QFile::ExeOther))) {
        if (!QFile::setPermissions(user, OwnerOnlyFolder)) {
            c.error = QStringLiteral("the folder %1 is open to others and cannot be restricted to its owner")
                          .arg(QDir::toNativeSeparators(user));
            return c;
        }
        tightened = true;
    }
#endif
    if (!fillFromTemplates(user, templates, &created, &c.error))
        return c;
    setPath(user);
    c.folder = path();
    if (created)
        c.notice = createdNotice(c.folder);
    else if (tightened)
        c.notice = tightenedNotice(c.folder);
    return c;
}

QString helperProgram(const QString& name)
{
    const QString file = executableName(name);
    const QString beside = executableFolder() + '/' + file;
    if (QFileInfo(beside).isExecutable())
        return beside;
    const QString installed = installedFolder(InstallLayout::HelperFolder) + '/' + file;
    return QFileInfo(installed).isExecutable() ? installed : QString();
}

QString sharedFile(const QString& name)
{
    const QString own = file(name);
    if (QFileInfo(own).isFile())
        return own;
    const QString installed = templateFolder() + '/' + name;
    return QFileInfo(installed).isFile() ? installed : QString();
}
} // namespace ProgramFolder
