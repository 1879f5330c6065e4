#pragma once
#include <QByteArray>
#include <QString>
#include <functional>

class QObject;

// The connection test of the version check: whether the computer has a network connection.
// It makes no network traffic; where the system cannot tell, it answers true and lets the
// fetch itself decide.
namespace InternetConnect {
bool isConnected();
// Tests fix the answer: 1 connected, 0 not connected, -1 ask the system again.
void setOverride(int state);
} // namespace InternetConnect

namespace VersionCheck {
// The leading number of a text, read the way the version file is meant: blanks, tabs and
// line feeds are skipped wherever they stand, a full stop is the decimal point, the number
// ends at the first character that cannot continue it (a carriage return among them), and a
// text that does not begin with a number gives 0.
double leadingNumber(const QString& text);

// The digits of the major number followed by those of the minor number (2, 5 -> 25;
// 2, 10 -> 210; 3, 0 -> 30).
qint64 comparisonNumber(int major, int minor);
// The program's own comparison number.
qint64 ownComparisonNumber();

// Strictly greater only.
bool isNewer(double fileNumber, qint64 ownNumber);

enum class Outcome {
    Newer, // the file's number is greater than the own one
    Latest, // it is not (also for a reply that does not begin with a number)
    NoConnection, // the connection test said no
    FetchFailed, // time-out, refused, server error: reported like a missing connection
    NotConfigured, // the build names no update server: nothing was contacted
};

struct Result {
    Outcome outcome = Outcome::FetchFailed;
    double number = 0;  // the number read from the file
    QString error;      // why the fetch failed
};

// How long a fetch of the version file may take (5 s unless a test sets another).
int timeoutMs();
void setTimeoutMs(int ms);

// The connection test, then the fetch of LastVersion.txt from the update server and the
// comparison. Returns at once; `done` runs when the answer is known (at once when the build
// names no server or there is no connection), unless context is gone first.
void checkAsync(QObject* context, std::function<void(const Result&)> done);

// Result of a fetched version file.
Result fromReply(bool fetched, const QByteArray& body, const QString& error);
} // namespace VersionCheck
