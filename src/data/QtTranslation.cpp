#include "data/QtTranslation.h"

#include "data/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTranslator>

namespace QtTranslation {
QStringList folders()
{
    QStringList out;
    if (!qEnvironmentVariableIsEmpty("MERAVEL_TRANSLATIONS_DIR"))
        out << qEnvironmentVariable("MERAVEL_TRANSLATIONS_DIR");
    const QString exe = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
    out << QDir::cleanPath(exe + QStringLiteral("/translations"));
    out << QDir::cleanPath(exe + '/' + QString::fromUtf8(InstallLayout::TemplateFolder)
                           + QStringLiteral("/translations"));
    return out;
}

QString file()
{
    for (const QString& folder : folders()) {
        const QString path = folder + '/' + QString::fromLatin1(FileName);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

bool load(QCoreApplication& app)
{
    static QTranslator* loaded = nullptr;
    if (loaded)
        return true;
    const QString path = file();
    if (path.isEmpty())
        return false;
    auto* translator = new QTranslator(&app);
    if (!translator->load(path)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    loaded = translator;
    return true;
}
} // namespace QtTranslation
