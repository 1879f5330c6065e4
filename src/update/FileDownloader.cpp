#include "update/FileDownloader.h"

#include <algorithm>

#include <QDir>
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

// The ways writing the file can fail, with the number and description their text carries.
enum class WriteFailure {
    DiskFull = 61,
    PermissionDenied = 70,
    AccessDenied = 75,
    FolderMissing = 76,
    DeviceError = 57
};

QString failureText(WriteFailure failure)
{
    QString description;
    switch (failure) {
    case WriteFailure::DiskFull: description = QStringLiteral("Disk full"); break;
    case WriteFailure::PermissionDenied: description = QStringLiteral("Permission denied"); break;
    case WriteFailure::AccessDenied: description = QStringLiteral("Path/File access error"); break;
    case WriteFailure::FolderMissing: description = QStringLiteral("Path not found"); break;
    case WriteFailure::DeviceError: description = QStringLiteral("Device I/O error"); break;
    }
    return QStringLiteral("Cannot write file to disk.") + kCr + kCr + QStringLiteral("Error ")
        + QString::number(int(failure)) + QStringLiteral(": ") + description;
}

QString fileFailure(const QFile& file, bool opening)
{
    switch (file.error()) {
    case QFileDevice::PermissionsError: return failureText(WriteFailure::PermissionDenied);
    case QFileDevice::ResourceError: return failureText(WriteFailure::DiskFull);
    default: return failureText(opening ? WriteFailure::AccessDenied : WriteFailure::DeviceError);
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
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { conclude(tooSlowText()); });
}

FileDownloader::~FileDownloader()
{
    // Gone in the middle of a download: nothing of it stays behind.
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
    }
    if (m_running) {
        m_part.close();
        QFile::remove(partialFile(m_destination));
    }
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

void FileDownloader::cancel()
{
    m_cancel = true;
    if (!m_running)
        return;
    // Stopped from the event loop, so that a handler of this downloader's own signals may cancel.
    const quint64 run = m_run;
    QTimer::singleShot(0, this, [this, run] {
        if (m_running && m_run == run)
            conclude();
    });
}

bool FileDownloader::start(const QString& source, const QString& destination, const QString& userName,
                           const QString& password)
{
    if (m_running)
        return false;
    m_running = true;
    ++m_run;
    m_cancel = false;
    m_transferStarted = false;
    m_received = 0;
    m_announced = 0;
    m_source = source;
    m_destination = destination;
    m_clock.start();
    // A partial file of an earlier run that was killed goes before anything else can fail.
    QFile::remove(partialFile(destination));

    emit statusChanged(QStringLiteral("Getting file information"));

    QUrl url(source);
    if (!userName.isEmpty()) {
        url.setUserName(userName);
        url.setPassword(password);
    }
    QNetworkRequest request(url);
    request.setRawHeader("Range", "bytes=0-");
    // The body is counted against Content-Length, so it must arrive as sent.
    request.setRawHeader("Accept-Encoding", "identity");
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setTransferTimeout(m_stallTimeoutMs);
    m_stage = Stage::Headers;
    m_reply = m_manager->get(request);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &FileDownloader::onMetaData);
    connect(m_reply, &QNetworkReply::readyRead, this, [this] {
        if (m_stage == Stage::Body)
            readBody();
    });
    connect(m_reply, &QNetworkReply::finished, this, [this] {
        if (m_stage == Stage::Headers)
            checkHeaders();
        else if (m_stage == Stage::Body)
            readBody();
    });
    if (m_deadlineMs > 0)
        m_deadline.start(m_deadlineMs);
    return true;
}

void FileDownloader::onMetaData()
{
    // Redirects that are followed are not the reply; the status that counts comes later.
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (m_stage == Stage::Headers && status.isValid() && (status.toInt() < 300 || status.toInt() > 399))
        checkHeaders();
}

// The reply's status as an error text, or "" to go on.
QString FileDownloader::replyError() const
{
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        if (m_reply->error() == QNetworkReply::ProtocolFailure)
            return statusErrorText(0, m_source, QString()); // not an HTTP reply: "<nothing>"
        if (isAddressError(m_reply->error()))
            return QStringLiteral("Error: ") + m_reply->errorString() + QStringLiteral(" occurred.");
        return QStringLiteral("Cannot establish connection.");
    }
    const QString statusLine = QStringLiteral("HTTP/1.1 ") + QString::number(status.toInt()) + ' '
        + QString::fromLatin1(m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray());
    return statusErrorText(status.toInt(), m_source, statusLine);
}

// Everything that is checked before a byte of the body is taken.
void FileDownloader::checkHeaders()
{
    if (m_cancel) {
        conclude();
        return;
    }
    const QString error = replyError();
    if (!error.isEmpty()) {
        conclude(error);
        return;
    }
    m_announced = m_reply->hasRawHeader("Content-Length") ? leadingLength(m_reply->rawHeader("Content-Length")) : 0;
    if (m_deadlineMs == BySize)
        m_deadline.start(int(std::max<qint64>(0, deadlineFor(m_announced) - m_clock.elapsed())));
    if (m_announced <= 0) {
        // Nothing announced: stop before the body, as for an empty reply.
        conclude(QStringLiteral("Nothing to download!"));
        return;
    }
    if (m_expected > 0 && m_announced > m_expected) {
        conclude(tooLargeText());
        return;
    }
    if (freeSpaceChecked(m_destination)) {
        // The nearest folder that exists tells the volume the file will land on.
        const QString folder = folderPart(m_destination);
        QFileInfo probe(folder.isEmpty() ? QStringLiteral(".") : folder);
        while (!probe.exists() && probe.absolutePath() != probe.absoluteFilePath())
            probe = QFileInfo(probe.absolutePath());
        const QStorageInfo volume(probe.absoluteFilePath());
        if (volume.isValid() && volume.isReady() && volume.bytesAvailable() < m_announced) {
            conclude(QStringLiteral("There is not enough free space on disk for this file."));
            return;
        }
    }
    m_transferStarted = true;
    if (!openPartialFile())
        return;
    m_stage = Stage::Body;
    readBody();
}

bool FileDownloader::openPartialFile()
{
    const QString folder = folderPart(m_destination);
    // One level only: a missing parent of the missing folder is a write failure.
    if (!folder.isEmpty() && !QFileInfo::exists(folder) && !QDir().mkdir(folder)) {
        conclude(failureText(WriteFailure::FolderMissing));
        return false;
    }
    // A folder (or a name with no file part) cannot take the file.
    if (QFileInfo(m_destination).isDir() || folder == m_destination) {
        conclude(failureText(WriteFailure::AccessDenied));
        return false;
    }
    // A partial file left by an earlier run (a killed download) goes first; whatever stands at
    // that name, a link included, is removed rather than written through, and the new file is
    // created exclusively, owner-readable from its first byte: a link planted after the removal
    // makes the creation fail.
    const QString part = partialFile(m_destination);
    QFile::remove(part);
    m_part.setFileName(part);
    if (!m_part.open(QIODevice::WriteOnly | QIODevice::NewOnly, PrivateFile::OwnerOnly)) {
        conclude(fileFailure(m_part, true));
        return false;
    }
#ifdef Q_OS_WIN
    // The mode bits above are only the read-only attribute there: the access list keeps others out.
    PrivateFile::restrictToOwner(part);
#endif
    return true;
}

// Takes the body in pieces of ChunkSize bytes, fewer only at its end, and an empty piece once
// it is exhausted (or the reply ended early): waiting for full chunks keeps the progress steps
// the same however the network splits the body.
void FileDownloader::readBody()
{
    while (m_stage == Stage::Body) {
        if (m_cancel) {
            conclude();
            return;
        }
        const bool ended = !m_reply || m_reply->isFinished();
        if (!ended && m_reply->bytesAvailable() < ChunkSize)
            return; // the next readyRead comes back here
        // A reply aborted by the stall time-out has nothing more to give.
        const QByteArray chunk = m_reply && m_reply->isOpen() ? m_reply->read(ChunkSize) : QByteArray();
        if (!takeChunk(chunk))
            return;
        if (chunk.isEmpty()) {
            conclude();
            return;
        }
    }
}

bool FileDownloader::takeChunk(const QByteArray& chunk)
{
    if (!chunk.isEmpty() && m_part.write(chunk) != chunk.size()) {
        conclude(fileFailure(m_part, false));
        return false;
    }
    m_received += chunk.size();
    // More than the release can be: no further byte is taken.
    if ((m_expected > 0 && m_received > m_expected) || m_received > m_announced) {
        conclude(tooLargeText());
        return false;
    }
    emit progress(percentText(m_received, m_announced));
    return true;
}

// The end of every run. The body went to the partial file; only a whole body replaces the
// destination, and a failure removes nothing but the partial file.
void FileDownloader::conclude(const QString& failure)
{
    if (!m_running)
        return;
    m_stage = Stage::Idle;
    m_deadline.stop();
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    QString error = failure;
    if (m_part.isOpen()) {
        if (error.isEmpty() && !m_part.flush())
            error = fileFailure(m_part, false);
        m_part.close();
    }
    const QString part = partialFile(m_destination);
    bool complete = false;
    if (error.isEmpty() && m_transferStarted && m_received == m_announced) {
        // A link, a device or a folder at the destination is never replaced.
        complete = PrivateFile::checkDestination(m_destination) && FileReplace::replace(part, m_destination);
        if (!complete)
            error = failureText(WriteFailure::AccessDenied);
    } else if (error.isEmpty() && !m_cancel && QFileInfo(part).isFile()) {
        error = QStringLiteral("The connection with the server was reset.");
    }
    if (!complete && QFileInfo(part).isFile())
        QFile::remove(part);
    if (!error.isEmpty())
        m_cancel = true;
    m_running = false;
    if (!error.isEmpty())
        emit failed(error);
    else if (complete && !m_cancel)
        emit downloadComplete();
    emit finished(complete);
}

int FileDownloader::deadlineFor(qint64 announced)
{
    const qint64 seconds = 60 + std::max<qint64>(announced, 0) / (64 * 1024);
    return int(std::min<qint64>(seconds, 24 * 3600) * 1000);
}

QString FileDownloader::tooLargeText() { return QStringLiteral("The file is larger than announced."); }

QString FileDownloader::tooSlowText() { return QStringLiteral("The download took too long."); }

QString FileDownloader::partialFile(const QString& destination) { return destination + QStringLiteral(".part"); }
