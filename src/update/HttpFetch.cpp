#include "update/HttpFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>

namespace {
// One fetch: its own manager, an overall deadline and a size cap. Deletes itself when done.
class Fetch : public QObject {
public:
    Fetch(const QUrl& url, int timeoutMs, qint64 maxBytes, std::function<void(const HttpFetch::Result&)> done)
        : m_maxBytes(maxBytes)
        , m_done(std::move(done))
    {
        QNetworkRequest request(url);
        request.setTransferTimeout(timeoutMs);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setRawHeader("Accept-Encoding", "identity");
        m_reply = m_manager.get(request);
        connect(m_reply, &QNetworkReply::readyRead, this, [this] { readSome(); });
        connect(m_reply, &QNetworkReply::finished, this, [this] { finish(QString()); });
        // The transfer time-out only catches a stalled server; a server that drips bytes
        // must not hold the program either.
        m_deadline.setSingleShot(true);
        connect(&m_deadline, &QTimer::timeout, this, [this] { finish(QStringLiteral("سرور در زمان مقرر پاسخ نداد")); });
        m_deadline.start(timeoutMs);
    }

private:
    void readSome()
    {
        const QByteArray data = m_reply->readAll();
        if (m_result.body.size() < m_maxBytes)
            m_result.body += data.left(m_maxBytes - m_result.body.size());
    }

    void finish(const QString& timeout)
    {
        if (m_finished)
            return;
        m_finished = true;
        m_deadline.stop();
        disconnect(m_reply, nullptr, this, nullptr);
        if (timeout.isEmpty()) {
            readSome();
            const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
            if (m_reply->error() != QNetworkReply::NoError) {
                m_result.error = m_reply->errorString();
            } else if (!status.isValid() || status.toInt() < 200 || status.toInt() > 299) {
                m_result.error = QStringLiteral("HTTP status %1").arg(status.toInt());
            } else {
                m_result.ok = true;
            }
        } else {
            m_result.error = timeout;
            m_reply->abort();
        }
        if (!m_result.ok)
            m_result.body.clear();
        m_reply->deleteLater();
        auto done = std::move(m_done);
        const HttpFetch::Result result = m_result;
        deleteLater();
        done(result);
    }

    QNetworkAccessManager m_manager;
    QNetworkReply* m_reply = nullptr;
    QTimer m_deadline;
    qint64 m_maxBytes;
    std::function<void(const HttpFetch::Result&)> m_done;
    HttpFetch::Result m_result;
    bool m_finished = false;
};
} // namespace

namespace HttpFetch {
void getAsync(const QUrl& url, QObject* context, std::function<void(const Result&)> done, int timeoutMs,
              qint64 maxBytes)
{
    QPointer<QObject> guard(context);
    new Fetch(url, timeoutMs, maxBytes, [guard, done = std::move(done)](const Result& r) {
        if (guard)
            done(r);
    });
}
} // namespace HttpFetch
