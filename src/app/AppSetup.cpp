#include "app/AppSetup.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

namespace AppSetup {
const char* const* fontFamilies()
{
    static const char* const families[] = {"B Nazanin", "Nazli", "Noto Naskh Arabic", nullptr};
    return families;
}

void configure(QApplication& app)
{
    QStringList families;
    for (const char* const* f = fontFamilies(); *f; ++f)
        families << QString::fromLatin1(*f);
    QFont font(families.first(), 11);
    font.setFamilies(families);
    app.setFont(font);
    app.setLayoutDirection(Qt::RightToLeft);
    app.setApplicationName("Meravel");
    app.setApplicationVersion("2.5");
    app.setQuitOnLastWindowClosed(false);
}
} // namespace AppSetup
