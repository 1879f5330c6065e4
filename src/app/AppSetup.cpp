#include "app/AppSetup.h"

#include "update/UpdateServer.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

namespace AppSetup {
const char* const* fontFamilies()
{
    static const char* const families[] = {"B Nazanin", "Nazli", "Noto Naskh Arabic", nullptr};
    return families;
}

QStringList persianFamilies()
{
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
    app.setApplicationName(ProgramVersion::title());
    app.setApplicationVersion(QString::fromLatin1(ProgramVersion::Text));
    app.setQuitOnLastWindowClosed(false);
}
} // namespace AppSetup
