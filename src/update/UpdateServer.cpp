#include "update/UpdateServer.h"

namespace {
const char* const kBuiltInAddress = "http://www.meravel.ir";

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

QUrl versionFileUrl() { return QUrl(address() + QStringLiteral("/Soft/Meravel/LastVersion.txt")); }
QString setupAddress() { return address() + QStringLiteral("/Soft/Meravel/setup-Meravel.exe"); }
} // namespace UpdateServer
