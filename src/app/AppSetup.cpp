#include "app/AppSetup.h"

#include "report/ReportFonts.h"
#include "update/UpdateServer.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

namespace AppSetup {
bool loadDisplayFont() { return Report::loadDisplayFont(); }

const char* const* fontFamilies() { return Report::fontFamilies(); }

QStringList persianFamilies() { return Report::persianFamilies(); }

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
