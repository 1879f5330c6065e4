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

// Waits for the reply in a local event loop that leaves out user input: the window keeps
// painting but cannot be clicked meanwhile.
Result get(const QUrl& url, int timeoutMs = DefaultTimeoutMs, qint64 maxBytes = 64 * 1024);

// The same without waiting: `done` runs on `context`'s thread when the fetch has ended
// (never when context is gone first).
void getAsync(const QUrl& url, QObject* context, std::function<void(const Result&)> done,
              int timeoutMs = DefaultTimeoutMs, qint64 maxBytes = 64 * 1024);
} // namespace HttpFetch
