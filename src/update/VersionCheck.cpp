#include "update/VersionCheck.h"

#include "update/UpdateTexts.h"

#include "update/HttpFetch.h"
#include "update/UpdateServer.h"

#include <QNetworkInformation>

#include <cmath>

namespace {
int& connectionOverride()
{
    static int state = -1;
    return state;
}
} // namespace

namespace InternetConnect {
bool isConnected()
{
    if (connectionOverride() >= 0)
        return connectionOverride() == 1;
    // Load once; a system without a reachability backend counts as connected.
    static const bool loaded = QNetworkInformation::loadDefaultBackend()
        || QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability);
    if (!loaded || !QNetworkInformation::instance())
        return true;
    return QNetworkInformation::instance()->reachability() != QNetworkInformation::Reachability::Disconnected;
}

void setOverride(int state) { connectionOverride() = state; }
} // namespace InternetConnect

namespace VersionCheck {
double leadingNumber(const QString& text)
{
    // Collect the characters that make up the number, skipping blanks, tabs and line feeds.
    QString number;
    bool digits = false, point = false, exponent = false, exponentDigits = false;
    int exponentStart = -1;
    for (const QChar c : text) {
        if (c == ' ' || c == '\t' || c == '\n')
            continue;
        const bool atStart = number.isEmpty();
        if (c >= '0' && c <= '9') {
            number += c;
            (exponent ? exponentDigits : digits) = true;
        } else if ((c == '+' || c == '-') && (atStart || (exponent && exponentStart == number.size()))) {
            number += c;
        } else if (c == '.' && !point && !exponent) {
            number += c;
            point = true;
        } else if ((c == 'e' || c == 'E' || c == 'd' || c == 'D') && digits && !exponent) {
            number += 'e';
            exponent = true;
            exponentStart = number.size();
        } else {
            break;
        }
    }
    if (exponent && !exponentDigits)
        number.truncate(exponentStart - 1);
    if (!digits)
        return 0;
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0;
}

qint64 comparisonNumber(int major, int minor)
{
    return (QString::number(major) + QString::number(minor)).toLongLong();
}

qint64 ownComparisonNumber() { return comparisonNumber(ProgramVersion::Major, ProgramVersion::Minor); }

bool isNewer(double fileNumber, qint64 ownNumber) { return fileNumber > double(ownNumber); }

Result fromReply(bool fetched, const QByteArray& body, const QString& error)
{
    Result r;
    if (!fetched) {
        r.outcome = Outcome::FetchFailed;
        r.error = error;
        return r;
    }
    // A byte-order mark (an editor's on saving the file as UTF-8) and blanks around the
    // number are not part of it.
    QByteArray text = body;
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    r.number = leadingNumber(QString::fromLatin1(text).trimmed());
    r.outcome = isNewer(r.number, ownComparisonNumber()) ? Outcome::Newer : Outcome::Latest;
    return r;
}

namespace {
int g_timeoutMs = HttpFetch::DefaultTimeoutMs;
}

int timeoutMs() { return g_timeoutMs; }
void setTimeoutMs(int ms) { g_timeoutMs = ms > 0 ? ms : HttpFetch::DefaultTimeoutMs; }

namespace {
Result notConfigured()
{
    Result r;
    r.outcome = Outcome::NotConfigured;
    r.error = UpdateTexts::NotConfigured;
    return r;
}
} // namespace

void checkAsync(QObject* context, std::function<void(const Result&)> done)
{
    if (!UpdateServer::isConfigured()) {
        done(notConfigured());
        return;
    }
    if (!InternetConnect::isConnected()) {
        Result r;
        r.outcome = Outcome::NoConnection;
        done(r);
        return;
    }
    HttpFetch::getAsync(
        UpdateServer::versionFileUrl(), context,
        [done = std::move(done)](const HttpFetch::Result& reply) { done(fromReply(reply.ok, reply.body, reply.error)); },
        g_timeoutMs);
}
} // namespace VersionCheck
