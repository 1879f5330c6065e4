#include "data/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace {
QString& folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

namespace ProgramFolder {
QString path()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setPath(const QString& folder)
{
    folderOverride() = folder.isEmpty() ? QString() : QDir(folder).absolutePath();
}

QString file(const QString& name) { return path() + '/' + name; }
QString mainDatabase() { return file("meravelDB.mdb"); }
QString themeDatabase() { return file("Theme.skn"); }
QString skinFolder() { return file("skin"); }
QString skinSettingFile() { return file("skin/skin.txt"); }
QString logoFile() { return file("MeravelLogo.jpg"); }
} // namespace ProgramFolder
