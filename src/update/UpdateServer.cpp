#include "update/UpdateServer.h"

#include "BuildSettings.h"

namespace {
const char* const kBuiltInAddress = BuildSettings::UpdateServer;

QString& addressOverride()
{
    static QString address;
    return address;
}
} // namespace

namespace ProgramVersion {
QString title() { return QStringLiteral("Meravel"); }
QString titleWithVersion() { return title() + ' ' + QString::number(Major) + '.' + QString::number(Minor); }
} // namespace ProgramVersion

namespace UpdateServer {
QString address()
{
    QString a = addressOverride().isEmpty() ? QString::fromLatin1(kBuiltInAddress) : addressOverride();
    while (a.endsWith('/'))
        a.chop(1);
    return a;
}

void setAddress(const QString& address) { addressOverride() = address; }

bool isConfigured() { return !address().isEmpty(); }

QUrl versionFileUrl()
{
    return isConfigured() ? QUrl(address() + QStringLiteral("/Soft/Meravel/LastVersion.txt")) : QUrl();
}
QString setupAddress()
{
    return isConfigured() ? address() + QStringLiteral("/Soft/Meravel/setup-Meravel.exe") : QString();
}

QString GetFileName(const QString& address)
{
    if (address.size() < 2)
        return QString();
    // Both schemes of the update server; a scheme alone names nothing.
    const bool http = address.startsWith(QLatin1String("http://"));
    const bool https = address.startsWith(QLatin1String("https://"));
    if ((!http && !https) || address == QLatin1String("http://") || address == QLatin1String("https://"))
        return QString();
    // Searching backwards from the second-to-last character: a trailing "/" stays in the name.
    const int slash = address.lastIndexOf('/', address.size() - 2);
    const QString name = address.mid(slash + 1);
    if (name.size() < 2)
        return QString();
    return name.lastIndexOf('.', name.size() - 2) < 0 ? QString() : name;
}
} // namespace UpdateServer
