#include "app/Skin.h"

#include "data/ProgramFolder.h"

#include <QFile>
#include <QWidget>

namespace Skin {
QString readSkinName(bool* ok)
{
    QFile f(ProgramFolder::skinSettingFile());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
        if (ok)
            *ok = false;
        return QString();
    }
    if (ok)
        *ok = true;
    // The first field of the first line: up to a comma or the line end, trimmed, unquoted.
    QString line = QString::fromUtf8(f.readLine());
    line = line.section(',', 0, 0).trimmed();
    if (line.size() >= 2 && line.startsWith('"') && line.endsWith('"'))
        line = line.mid(1, line.size() - 2);
    return line;
}

void apply(QWidget* window, const QString& skinName)
{
    if (!window)
        return;
    QFile f(ProgramFolder::skinFolder() + '/' + skinName + ".skn");
    if (skinName.isEmpty() || !f.open(QIODevice::ReadOnly))
        return;
    window->setStyleSheet(QString::fromUtf8(f.readAll()));
}

QString loadInto(QWidget* window)
{
    const QString name = readSkinName();
    apply(window, name);
    return name;
}

bool writeSkinName(const QString& skinName)
{
    QFile f(ProgramFolder::skinSettingFile());
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write((skinName + "\r\n").toUtf8()) >= 0;
}
} // namespace Skin
