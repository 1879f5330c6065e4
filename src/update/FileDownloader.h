#pragma once
#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QNetworkAccessManager;
class QNetworkReply;

// Downloads one file over HTTP into a local file, driven by the event loop the program runs:
// start() returns at once, and the download reports through its signals, in this order:
// statusChanged("Getting file information"), then either failed(text) or progress(percent)
// after every chunk and finally downloadComplete(); finished(complete) ends every run, also a
// cancelled one. The body is written to partialFile(destination), readable by its owner only,
// which replaces the destination once the whole body has arrived; a failed or cancelled
// download removes only that partial file, so an existing destination stays as it was.
class FileDownloader : public QObject {
    Q_OBJECT
public:
    static constexpr int ChunkSize = 1024;

    explicit FileDownloader(QObject* parent = nullptr);
    ~FileDownloader() override;

    // Begins a download; false (and no signal) while another one runs. finished() always
    // follows later, never from within start() itself.
    bool start(const QString& source, const QString& destination, const QString& userName = QString(),
               const QString& password = QString());
    // Sets the cancel flag; a running download stops as soon as the event loop comes back.
    void cancel();

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
    // length); a slow download fails when it is over.
    static constexpr int BySize = -1;
    void setDeadline(int ms) { m_deadlineMs = ms; }
    // The deadline BySize gives: a minute, and a second for every 64 KiB announced.
    static int deadlineFor(qint64 announced);
    // The error texts of these two limits.
    static QString tooLargeText();
    static QString tooSlowText();

    // received / announced in whole percent, halves to the even neighbour (12.5 -> 12).
    static QString percentText(qint64 received, qint64 announced);
    // The text of failed() for a reply status other than 200 and 206 ("" for those).
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
    void statusChanged(const QString& status);
    void progress(const QString& percent);
    void failed(const QString& message);
    void downloadComplete();
    void finished(bool complete);

private:
    enum class Stage { Idle, Headers, Body };

    void onMetaData();
    void checkHeaders();
    QString replyError() const;
    bool openPartialFile();
    void readBody();
    bool takeChunk(const QByteArray& chunk);
    // Ends the run: failure "" for a whole body or a cancel.
    void conclude(const QString& failure = QString());

    QNetworkAccessManager* m_manager = nullptr;
    QPointer<QNetworkReply> m_reply;
    Stage m_stage = Stage::Idle;
    QString m_source;
    QString m_destination;
    QFile m_part;
    bool m_running = false;
    bool m_cancel = false;
    bool m_transferStarted = false;
    quint64 m_run = 0; // which run a queued stop belongs to
    qint64 m_received = 0;
    qint64 m_announced = 0;
    int m_stallTimeoutMs = 30000;
    qint64 m_expected = 0;
    int m_deadlineMs = 0;
    QElapsedTimer m_clock;
    QTimer m_deadline;
};
