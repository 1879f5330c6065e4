#pragma once
#include <QString>
#include <QStringList>

class QCoreApplication;

// Qt's own Persian texts (qtbase_fa.qm: the buttons of message boxes, the file, print and
// page set-up dialogs, the print preview's tool bar), shipped with the program in a folder
// "translations": beside the executables in a program folder (the build's, a portable copy, a
// Windows installation), or among the installed templates (share/meravel/translations).
namespace QtTranslation {
inline constexpr const char* FileName = "qtbase_fa.qm";
// The folders looked in, in order: MERAVEL_TRANSLATIONS_DIR when set (the tests, whose
// executables lie elsewhere), then the two above, found from the executable's folder.
QStringList folders();
// The first of them that holds the file, as a path to the file; empty when none does.
QString file();
// Loads it into the application (once); false when it is not there or cannot be read.
bool load(QCoreApplication& app);
} // namespace QtTranslation
