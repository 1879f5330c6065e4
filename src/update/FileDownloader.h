#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QEventLoop;
class QNetworkAccessManager;
class QNetworkReply;

// Downloads one file over HTTP into a local file and reports through its signals, raised
// synchronously while DownloadFile runs, in this order: DownloadEvents("Getting file
// information"), then either DownloadErrors(text) or DownloadProgress(percent) after every
// chunk and finally DowloadComplete(). DownloadFile keeps the user interface responsive by
// running pending events while it waits, so Cancel() can arrive at any time. The body is
// written to partialFile(destination), readable by its owner only, which replaces the
// destination once the whole body has arrived; a failed or cancelled download removes only
// that partial file, so an existing destination stays as it was.
class FileDownloader : public QObject {
    Q_OBJECT
public:
    static constexpr int ChunkSize = 1024;

    explicit FileDownloader(QObject* parent = nullptr);
    ~FileDownloader() override;

    // True when the body was received in full (also when a cancel came after the last chunk
    // was written: the complete file stays, only the completion signal is left out).
    bool DownloadFile(const QString& source, const QString& destination, const QString& userName = QString(),
                      const QString& password = QString());
    // Sets the cancel flag; a running download stops at its next check.
    void Cancel();

    bool isRunning() const { return m_running; }
    bool cancelFlag() const { return m_cancel; }
    qint64 bytesReceived() const { return m_received; }
    qint64 announcedLength() const { return m_announced; }

    // How long the server may stay silent (before the reply and between body bytes).
    void setStallTimeout(int ms) { m_stallTimeoutMs = ms; }
    // The size the file must have (the release manifest's; 0: none). A server announcing
    // more is refused before the body, and the transfer stops as soon as more arrives.
    void setExpectedSize(qint64 bytes) { m_expected = bytes; }
    // How long the whole download may take (0: no limit; BySize: deadlineFor() the announced
    // length); a slow body fails when it is over.
    static constexpr int BySize = -1;
    void setDeadline(int ms) { m_deadlineMs = ms; }
    // The deadline BySize gives: a minute, and a second for every 64 KiB announced.
    static int deadlineFor(qint64 announced);
    // The error texts of these two limits.
    static QString tooLargeText();
    static QString tooSlowText();

    // received / announced in whole percent, halves to the even neighbour (12.5 -> 12).
    static QString percentText(qint64 received, qint64 announced);
    // The text of DownloadErrors for a reply status other than 200 and 206 ("" for those).
    static QString statusErrorText(int status, const QString& address, const QString& statusLine);
    // The leading run of digits after blanks, as Content-Length is read (0 when none).
    static qint64 leadingLength(const QByteArray& value);
    // Where the body is written until it is whole: the destination with ".part" appended.
    static QString partialFile(const QString& destination);
    // The folder part of a destination: everything up to and including its last separator.
    static QString folderPart(const QString& destination);
    // Whether the free-space check applies to this destination (a drive path on Windows,
    // every path elsewhere).
    static bool freeSpaceChecked(const QString& destination);

signals:
    void DownloadErrors(const QString& message);
    void DownloadEvents(const QString& status);
    void DowloadComplete();
    void DownloadProgress(const QString& percent);

private:
    void yieldToUi();
    void waitForReply();
    QByteArray nextChunk();
    void reportError(const QString& text);
    bool transfer(const QString& destination, const QString& part);
    QString checkReply(const QString& source);

    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    QEventLoop* m_wait = nullptr;
    bool m_running = false;
    bool m_cancel = false;
    qint64 m_received = 0;
    qint64 m_announced = 0;
    int m_stallTimeoutMs = 30000;
    qint64 m_expected = 0;
    int m_deadlineMs = 0;
    QElapsedTimer m_clock;
    bool pastDeadline() const { return m_deadlineMs > 0 && m_clock.isValid() && m_clock.elapsed() > m_deadlineMs; }
};
