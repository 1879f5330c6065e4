#include "update/ReleaseManifest.h"

#include "update/SetupSignature.h"
#include "update/UpdateServer.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>

namespace {
// A run of 1 to 18 digits (no sign, no blank) as a number; -1 otherwise.
qint64 digits(const QByteArray& text)
{
    if (text.isEmpty() || text.size() > 18)
        return -1;
    qint64 n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}
} // namespace

namespace ReleaseManifest {
QString address()
{
    const QString server = UpdateServer::address();
    return server.isEmpty() ? QString() : server + QStringLiteral("/Soft/Meravel/release.txt");
}

QString signatureAddress(const QString& manifestAddress) { return manifestAddress + QStringLiteral(".sig"); }

bool parse(const QByteArray& text, Manifest* manifest)
{
    if (text.size() > MaxBytes)
        return false;
    QByteArray body = text;
    body.replace("\r\n", "\n");
    if (!body.endsWith('\n'))
        body += '\n';
    QList<QByteArray> lines = body.split('\n');
    lines.removeLast(); // after the final line feed
    if (lines.size() != 4 || lines[0] != "meravel-release 1")
        return false;
    auto field = [&](int i, const char* name) {
        const QByteArray prefix = QByteArray(name) + ' ';
        return lines[i].startsWith(prefix) ? lines[i].mid(prefix.size()) : QByteArray();
    };
    const qint64 version = digits(field(1, "version"));
    const qint64 size = digits(field(2, "size"));
    const QByteArray hex = field(3, "sha256");
    if (version <= 0 || size <= 0 || hex.size() != 64)
        return false;
    for (const char c : hex)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    manifest->version = version;
    manifest->size = size;
    manifest->sha256 = QByteArray::fromHex(hex);
    return true;
}

Verdict verify(const QByteArray& text, const QByteArray& signature, const QByteArray& rawPublicKey, qint64 ownNumber,
               Manifest* manifest)
{
    if (!SetupSignature::verify(text, signature, rawPublicKey))
        return Verdict::BadSignature;
    Manifest m;
    if (!parse(text, &m))
        return Verdict::Malformed;
    if (m.version <= ownNumber)
        return Verdict::NotNewer;
    *manifest = m;
    return Verdict::Accepted;
}

bool fileMatches(const QString& path, const Manifest& manifest, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    if (file.size() != manifest.size)
        return fail(QStringLiteral("فايل %1 بايت است و فايل نسخه جديد %2 بايت").arg(file.size()).arg(manifest.size));
    QCryptographicHash hash(QCryptographicHash::Sha256);
    QByteArray block(1 << 16, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0)
            return fail(file.errorString());
        if (n == 0)
            break;
        hash.addData(QByteArrayView(block.constData(), n));
        total += n;
    }
    if (total != manifest.size)
        return fail(QStringLiteral("فايل هنگام خواندن تغيير کرد"));
    if (hash.result() != manifest.sha256)
        return fail(QStringLiteral("اين فايل برنامه نصب نسخه جديد نيست"));
    return true;
}
} // namespace ReleaseManifest
