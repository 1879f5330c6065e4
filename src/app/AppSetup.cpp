#include "app/AppSetup.h"

#include "report/ReportFonts.h"
#include "update/UpdateServer.h"

#include "app/DialogDirections.h"
#include "data/QtTranslation.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QHash>
#include <QStringList>

#include <algorithm>

namespace AppSetup {
bool loadDisplayFont() { return Report::loadDisplayFont(); }

const char* const* fontFamilies() { return Report::fontFamilies(); }

QStringList persianFamilies() { return Report::persianFamilies(); }

QFont withPersianFace(QFont font)
{
    // The application's face once configure() has made it the Persian one (a face put before
    // it reaches every window), else the Persian families.
    if (!font.families().contains(QString::fromLatin1(DisplayFamily)))
        font.setFamilies(persianFamilies());
    return font;
}

QFont persianFont(qreal pointSize, bool bold)
{
    QFont f = withPersianFace(QApplication::font());
    f.setPointSizeF(pointSize);
    f.setBold(bold);
    return f;
}

int widestLine(const QFont& font, const QStringList& lines)
{
    static QHash<QString, int> widths;
    const QString key = font.key() + QChar(0x1F) + lines.join(QChar(0x1E));
    if (const auto found = widths.constFind(key); found != widths.cend())
        return *found;
    if (widths.size() >= 256)
        widths.clear();
    const QFontMetrics metrics(font);
    int widest = 0;
    for (const QString& line : lines)
        widest = std::max(widest, metrics.horizontalAdvance(line));
    widths.insert(key, widest);
    return widest;
}

void configure(QApplication& app)
{
    // Qt's own texts (buttons, file and print dialogs, the preview's tool bar) in Persian.
    QtTranslation::load(app);
    // File paths and dates in Qt's file and print dialogs left to right.
    DialogDirections::install(app);
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
