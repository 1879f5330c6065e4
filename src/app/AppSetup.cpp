#include "app/AppSetup.h"

#include "report/ReportFonts.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

namespace AppSetup {
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
    app.setApplicationName("Meravel");
    app.setApplicationVersion("2.5");
    app.setQuitOnLastWindowClosed(false);
}
} // namespace AppSetup
