// libFuzzer target for the reading of the version file: any bytes as the server's reply, read
// the way the update check reads it (Latin-1) and, for characters beyond Latin-1, as UTF-16.
// Besides crashes it checks what the reading promises: a finite number, and a number that
// ends at the first character that cannot continue it.
#include "update/VersionCheck.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {
void check(const QString& text)
{
    const double value = VersionCheck::leadingNumber(text);
    if (!std::isfinite(value))
        abort();
    // A letter that no number can contain ends the number, whatever came before it.
    const double ended = VersionCheck::leadingNumber(text + QLatin1String("x1"));
    if (!(ended == value))
        abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body(reinterpret_cast<const char*>(data), int(size));
    check(QString::fromLatin1(body));
    QString utf16(int(size / 2), Qt::Uninitialized);
    if (size >= 2)
        memcpy(utf16.data(), data, (size / 2) * 2);
    check(utf16);

    const VersionCheck::Result r = VersionCheck::fromReply(true, body, QString());
    if (r.outcome != VersionCheck::Outcome::Newer && r.outcome != VersionCheck::Outcome::Latest)
        abort();
    if ((r.outcome == VersionCheck::Outcome::Newer) != (r.number > double(VersionCheck::ownComparisonNumber())))
        abort();
    return 0;
}
