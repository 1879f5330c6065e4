#include "app/AppSetup.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace AppSetup {
const char* const* fontFamilies()
{
    static const char* const families[] = {"B Nazanin", DisplayFamily, "Nazli", "Noto Naskh Arabic", nullptr};
    return families;
}

bool loadDisplayFont()
{
    static int loaded = -1;
    if (loaded >= 0 || !QCoreApplication::instance()
        || !QCoreApplication::instance()->inherits("QGuiApplication"))
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

QStringList persianFamilies()
{
    loadDisplayFont();
    QStringList families;
    for (const char* const* f = fontFamilies(); *f; ++f)
        families << QString::fromLatin1(*f);
    return families;
}

QFont persianFont(qreal pointSize, bool bold)
{
    QFont f;
    f.setFamilies(persianFamilies());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

void configure(QApplication& app)
{
    const QStringList families = persianFamilies();
    QFont font(families.first(), 11);
    font.setFamilies(families);
    app.setFont(font);
    app.setLayoutDirection(Qt::RightToLeft);
    app.setApplicationName("Meravel");
    app.setApplicationVersion("2.5");
    app.setQuitOnLastWindowClosed(false);
}
} // namespace AppSetup
