#include "report/ReportFonts.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>

namespace Report {
bool loadDisplayFont()
{
    static int loaded = -1;
    if (loaded >= 0 || !QCoreApplication::instance() || !QCoreApplication::instance()->inherits("QGuiApplication"))
        return loaded > 0;
    QStringList folders;
    if (!qEnvironmentVariableIsEmpty("MERAVEL_FONT_DIR"))
        folders << qEnvironmentVariable("MERAVEL_FONT_DIR");
    const QString exeDir = QCoreApplication::applicationDirPath();
    folders << exeDir << exeDir + "/../share/meravel";
    loaded = 0;
    for (const QString& folder : folders) {
        if (!QFile::exists(folder + "/MeravelNazli.ttf"))
            continue;
        for (const char* file : {"/MeravelNazli.ttf", "/MeravelNazli-Bold.ttf"})
            if (QFontDatabase::addApplicationFont(QDir::cleanPath(folder + file)) >= 0)
                loaded = 1;
        break;
    }
    // Texts that ask for the font the windows were designed with get the display face.
    if (loaded)
        QFont::insertSubstitution(QStringLiteral("B Nazanin"), QString::fromLatin1(DisplayFamily));
    return loaded > 0;
}

const char* const* fontFamilies()
{
    static const char* const families[] = {"B Nazanin", DisplayFamily, "Nazli", "Noto Naskh Arabic", nullptr};
    return families;
}

QStringList persianFamilies()
{
    loadDisplayFont();
    QStringList families;
    for (const char* const* f = fontFamilies(); *f; ++f)
        families << QString::fromLatin1(*f);
    return families;
}
} // namespace Report
