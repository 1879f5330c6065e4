#include "update/FileDownloader.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStorageInfo>
#include <QTimer>

#include "data/FileReplace.h"
#include "data/PrivateFile.h"

#include <cmath>
#include <limits>

namespace {
const QString kCr = QStringLiteral("\r");

// The write failures, numbered the way the program has always reported them.
QString writeFailure(int number, const QString& description)
{
    return QStringLiteral("Cannot write file to disk.") + kCr + kCr + QStringLiteral("Error ") + QString::number(number)
        + QStringLiteral(": ") + description;
}

QString fileFailure(const QFile& file, bool opening)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError: return writeFailure(70, QStringLiteral("Permission denied"));
    case QFileDevice::ResourceError: return writeFailure(61, QStringLiteral("Disk full"));
    default:
        return opening ? writeFailure(75, QStringLiteral("Path/File access error"))
                       : writeFailure(57, QStringLiteral("Device I/O error"));
    }
}

bool isSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// A reply that ended before any status line: the server was never reached (refused, unknown
// host, silent until the time-out) unless the address itself was unusable.
bool isAddressError(QNetworkReply::NetworkError e)
{
    return e == QNetworkReply::ProtocolUnknownError || e == QNetworkReply::ProtocolInvalidOperationError;
}
} // namespace

FileDownloader::FileDownloader(QObject* parent)
    : QObject(parent)
    , m_manager(new QNetworkAccessManager(this))
{
}

FileDownloader::~FileDownloader()
{
    if (m_reply)
        m_reply->abort();
}

QString FileDownloader::percentText(qint64 received, qint64 announced)
{
    if (announced <= 0)
        return QStringLiteral("0");
    if (received >= 0 && received <= std::numeric_limits<qint64>::max() / 100) {
        const qint64 scaled = received * 100;
        qint64 q = scaled / announced;
        const qint64 r = scaled % announced;
        // Exact halves go to the even neighbour.
        if (r * 2 > announced || (r * 2 == announced && (q % 2) == 1))
            ++q;
        return QString::number(q);
    }
    return QString::number(qint64(std::nearbyint(double(received) / double(announced) * 100.0)));
}

QString FileDownloader::statusErrorText(int status, const QString& address, const QString& statusLine)
{
    switch (status) {
    case 200:
    case 206: return QString();
    case 204: return QStringLiteral("Nothing to download!");
    case 401: return QStringLiteral("Authorization failed!");
    case 404: return QStringLiteral("The file, \"") + address + QStringLiteral("\" was not found!");
    default:
        return QStringLiteral("The server returned the following response:") + kCr + kCr
            + (statusLine.isEmpty() ? QStringLiteral("<nothing>") : statusLine + kCr);
    }
}

qint64 FileDownloader::leadingLength(const QByteArray& value)
{
    qint64 n = 0;
    int i = 0;
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t'))
        ++i;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        const int digit = value[i] - '0';
        if (n > (std::numeric_limits<qint64>::max() - digit) / 10)
            return std::numeric_limits<qint64>::max();
        n = n * 10 + digit;
    }
    return n;
}

QString FileDownloader::folderPart(const QString& destination)
{
    for (int i = destination.size() - 1; i >= 0; --i)
        if (isSeparator(destination[i]))
            return destination.left(i + 1);
    return QString();
}

bool FileDownloader::freeSpaceChecked(const QString& destination)
{
#ifdef Q_OS_WIN
    const QString native = QDir::toNativeSeparators(destination);
    return native.size() >= 3 && native.mid(1, 2) == QLatin1String(":\\");
#else
    return !destination.isEmpty();
#endif
}

void FileDownloader::Cancel()
{
    m_cancel = true;
    if (m_wait)
        m_wait->quit();
}

void FileDownloader::yieldToUi() { QCoreApplication::processEvents(); }

// One poll of the wait: returns when the reply moves on, after a short while, or on Cancel.
void FileDownloader::waitForReply()
{
    if (!m_reply || m_reply->isFinished() || m_cancel)
        return;
    QEventLoop loop;
    m_wait = &loop;
    connect(m_reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
    connect(m_reply, &QNetworkReply::readyRead, &loop, &QEventLoop::quit);
    connect(m_reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(50, &loop, &QEventLoop::quit);
    loop.exec();
    m_wait = nullptr;
}

void FileDownloader::reportError(const QString& text)
{
    emit DownloadErrors(text);
    m_cancel = true;
}

// The next piece of the body: ChunkSize bytes, fewer only at its end; empty when the body is
// exhausted (or the reply ended early, or a cancel came while waiting for data). Waiting for a
// full chunk keeps the progress steps the same however the network splits the body.
QByteArray FileDownloader::nextChunk()
{
    while (m_reply && m_reply->bytesAvailable() < ChunkSize && !m_reply->isFinished()) {
        if (m_cancel)
            return QByteArray();
        if (pastDeadline()) {
            reportError(tooSlowText());
            return QByteArray();
        }
        waitForReply();
    }
    if (!m_reply || !m_reply->isOpen()) // aborted by the stall time-out
        return QByteArray();
    return m_reply->read(ChunkSize);
}

// Checks the reply's status; returns the error text, or "" to go on.
QString FileDownloader::checkReply(const QString& source)
{
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (m_reply->error() == QNetworkReply::ProtocolFailure)
            return statusErrorText(0, source, QString()); // not an HTTP reply: "<nothing>"
        if (isAddressError(m_reply->error()))
            return QStringLiteral("Error: ") + m_reply->errorString() + QStringLiteral(" occurred.");
        return QStringLiteral("Cannot establish connection.");
    }
    const QString statusLine = QStringLiteral("HTTP/1.1 ") + QString::number(status.toInt()) + ' '
        + QString::fromLatin1(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    return statusErrorText(status.toInt(), source, statusLine);
}

bool FileDownloader::DownloadFile(const QString& source, const QString& destination, const QString& userName,
                                  const QString& password)
{
    if (m_running)
        return false;
    m_running = true;
    m_cancel = false;
    m_received = 0;
    m_announced = 0;
    m_clock.start();
    bool transferRan = false;
    // A partial file of an earlier run that was killed goes before anything else can fail.
    QFile::remove(partialFile(destination));
    const int deadlineGiven = m_deadlineMs;

    emit DownloadEvents(QStringLiteral("Getting file information"));
    yieldToUi();

    QUrl url(source);
    if (!userName.isEmpty()) {
        url.setUserName(userName);
        url.setPassword(password);
    }
    QNetworkRequest request(url);
    request.setRawHeader("Range", "bytes=" + QByteArray::number(m_received) + "-");
    // The body is counted against Content-Length, so it must arrive as sent.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(m_stallTimeoutMs);
    m_reply = m_manager->get(request);

    // Waiting: until the status is known (redirects that are followed are not the reply).
    auto statusArrived = [this] {
        const QVariant s = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        return s.isValid() && (s.toInt() < 300 || s.toInt() > 399);
    };
    while (m_reply && !m_reply->isFinished() && !statusArrived()) {
        waitForReply();
        if (m_cancel)
            break;
    }

    if (!m_cancel && m_reply) {
        const QString error = checkReply(source);
        if (!error.isEmpty()) {
            reportError(error);
        } else {
            m_announced = m_reply->hasRawHeader("Content-Length") ? leadingLength(m_reply->rawHeader("Content-Length")) : 0;
            if (m_deadlineMs == BySize)
                m_deadlineMs = deadlineFor(m_announced);
            if (m_announced <= 0) {
                // Nothing announced: stop before the body, as for an empty reply.
                reportError(QStringLiteral("Nothing to download!"));
            } else if (m_expected > 0 && m_announced > m_expected) {
                reportError(tooLargeText());
            } else if (freeSpaceChecked(destination)) {
                // The nearest folder that exists tells the volume the file will land on.
                QFileInfo probe(folderPart(destination).isEmpty() ? QStringLiteral(".") : folderPart(destination));
                while (!probe.exists() && probe.absolutePath() != probe.absoluteFilePath())
                    probe = QFileInfo(probe.absolutePath());
                const QStorageInfo volume(probe.absoluteFilePath());
                if (volume.isValid() && volume.isReady() && volume.bytesAvailable() < m_announced)
                    reportError(QStringLiteral("There is not enough free space on disk for this file."));
            }
            if (!m_cancel) {
                yieldToUi();
                transferRan = true;
                transfer(destination, partialFile(destination));
            }
        }
    }

    // End step. The body went to the partial file; only a whole body replaces the
    // destination, and a failure removes nothing but the partial file.
    const QString part = partialFile(destination);
    bool complete = false;
    if (transferRan && m_received == m_announced) {
        // A link, a device or a folder at the destination is never replaced.
        const bool replaced = PrivateFile::checkDestination(destination) && FileReplace::replace(part, destination);
        if (!replaced) {
            QFile::remove(part);
            emit DownloadErrors(writeFailure(75, QStringLiteral("Path/File access error")));
        } else {
            if (!m_cancel)
                emit DowloadComplete();
            complete = true;
        }
    } else {
        if (QFileInfo(part).isFile() && !m_cancel)
            emit DownloadErrors(QStringLiteral("The connection with the server was reset."));
        if (QFileInfo(part).isFile())
            QFile::remove(part);
    }
    if (m_reply) {
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_deadlineMs = deadlineGiven;
    m_running = false;
    return complete;
}

int FileDownloader::deadlineFor(qint64 announced)
{
    const qint64 seconds = 60 + std::max<qint64>(announced, 0) / (64 * 1024);
    return int(std::min<qint64>(seconds, 24 * 3600) * 1000);
}

QString FileDownloader::tooLargeText() { return QStringLiteral("The file is larger than announced."); }

QString FileDownloader::tooSlowText() { return QStringLiteral("The download took too long."); }

QString FileDownloader::partialFile(const QString& destination) { return destination + QStringLiteral(".part"); }

bool FileDownloader::transfer(const QString& destination, const QString& part)
{
    const QString folder = folderPart(destination);
    // One level only: a missing parent of the missing folder is a write failure.
    if (!folder.isEmpty() && !QFileInfo::exists(folder) && !QDir().mkdir(folder)) {
        reportError(writeFailure(76, QStringLiteral("Path not found")));
        return false;
    }
    // A folder (or a name with no file part) cannot take the file.
    if (QFileInfo(destination).isDir() || folderPart(destination) == destination) {
        reportError(writeFailure(75, QStringLiteral("Path/File access error")));
        return false;
    }
    // A partial file left by an earlier run (a killed download) goes first; whatever stands at
    // that name, a link included, is removed rather than written through, and the new file is
    // created exclusively, owner-readable from its first byte: a link planted after the removal
    // makes the creation fail.
    QFile::remove(part);
    QFile file(part);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, PrivateFile::OwnerOnly)) {
        reportError(fileFailure(file, true));
        return false;
    }
#ifdef Q_OS_WIN
    // The mode bits above are only the read-only attribute there: the access list keeps others out.
    PrivateFile::restrictToOwner(part);
#endif
    for (;;) {
        const QByteArray chunk = nextChunk();
        if (!chunk.isEmpty() && file.write(chunk) != chunk.size()) {
            const QString text = fileFailure(file, false);
            file.close();
            QFile::remove(part);
            reportError(text);
            return false;
        }
        if (m_cancel)
            break;
        m_received += chunk.size();
        // More than the release can be: no further byte is taken.
        if ((m_expected > 0 && m_received > m_expected) || m_received > m_announced) {
            file.close();
            QFile::remove(part);
            reportError(tooLargeText());
            return false;
        }
        emit DownloadProgress(percentText(m_received, m_announced));
        yieldToUi();
        if (chunk.isEmpty())
            break;
    }
    if (!file.flush()) {
        const QString text = fileFailure(file, false);
        file.close();
        QFile::remove(destination);
        reportError(text);
        return false;
    }
    file.close();
    return true;
}
