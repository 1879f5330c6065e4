#pragma once
#include <QString>
#include <QStringList>

// The program folder holds the databases, the skins, the logo, the lock and the backups.
//
// choose() decides which folder that is, in this order: a folder set before (--folder, a test
// fixture); the executable's own folder when it holds meravelDB.mdb, or database.conf beside
// Theme.skn (portable mode: the build's program folder, a USB stick, a seat of a server); otherwise the per-user data
// folder, created on first use and filled from the installed templates. Nothing is ever written beside an installed
// program. Until choose() or setPath() runs, the program folder is the executable's folder.
namespace ProgramFolder {
QString path();
void setPath(const QString& folder);
bool isSet(); // a folder was set (setPath or choose)

QString mainDatabase();   // meravelDB.mdb
QString themeDatabase();  // Theme.skn
QString skinFolder();     // skin
QString skinSettingFile(); // skin/skin.txt
QString logoFile();       // MeravelLogo.jpg
QString file(const QString& name);

struct Choice {
    QString folder; // the chosen folder; empty when none could be set up
    QString notice; // one line when the per-user folder was just filled, or just tightened
    QString error; // why no folder could be set up
    bool ok() const { return error.isEmpty(); }
};
Choice choose();
// The same with its places given: the executable's folder, the per-user folder, the templates.
Choice choose(const QString& ownFolder, const QString& userFolder, const QString& templates);

// The notice shown once, when the per-user folder has just been filled.
QString createdNotice(const QString& folder);
// The notice shown once, when an existing per-user folder open to others was restricted to its
// owner (0700).
QString tightenedNotice(const QString& folder);

QString executableFolder(); // the folder of the running executable
QString userFolder(); // QStandardPaths::AppDataLocation (e.g. ~/.local/share/Meravel)
QString templateFolder(); // the installed templates (<prefix>/share/meravel)

// What a per-user folder is filled from: the files and folders of the template folder.
QStringList templateEntries();

// Copies every template entry that folder lacks, creating folder (owner-only) when it does not
// exist; an existing file is never replaced. Each file is copied under a temporary name and
// renamed into place, so an interrupted fill leaves no half-copied file and the next fill
// completes it. *databaseCreated tells whether meravelDB.mdb was copied.
bool fillFromTemplates(const QString& folder, const QString& templates, bool* databaseCreated, QString* error);

// A helper program (the .xls reader): beside the executable (portable mode), else in the
// installed helper folder; empty when neither exists. The name is given without ".exe".
QString helperProgram(const QString& name);

// A read-only resource that may be replaced per folder (the display font): the program
// folder's copy when it has one, else the installed template folder's; empty when neither.
QString sharedFile(const QString& name);
} // namespace ProgramFolder
