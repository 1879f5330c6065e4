#pragma once
#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

class QObject;

// Fetching a small document (the version file, a signature) with a time-out, so that a
// silent or slow server never holds the program for long.
namespace HttpFetch {
constexpr int DefaultTimeoutMs = 5000;

struct Result {
    bool ok = false;     // a 2xx reply arrived in full within the time-out
    QByteArray body;     // at most maxBytes bytes
    QString error;       // why it failed (network error, HTTP status, time-out)
};

// Starts the fetch and returns at once: `done` runs on `context`'s thread from the event loop
// when the fetch has ended (never when context is gone first, never from within getAsync).
void getAsync(const QUrl& url, QObject* context, std::function<void(const Result&)> done,
              int timeoutMs = DefaultTimeoutMs, qint64 maxBytes = 64 * 1024);
} // namespace HttpFetch
