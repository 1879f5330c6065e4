#pragma once
#include <QString>

// The program folder holds the databases, the skins and the logo. It is the folder of the
// executable unless a caller (the companion tool's --folder, a test fixture) sets another.
namespace ProgramFolder {
QString path();
void setPath(const QString& folder);

QString mainDatabase();   // meravelDB.mdb
QString themeDatabase();  // Theme.skn
QString skinFolder();     // skin
QString skinSettingFile(); // skin/skin.txt
QString logoFile();       // MeravelLogo.jpg
QString file(const QString& name);
} // namespace ProgramFolder
