// The download control against a real HTTP server on 127.0.0.1: every reply of the status
// table, lying lengths, cut and slow bodies, cancel at each stage; each case checks the exact
// event sequence and that no partial file remains.
#include "FileBytes.h"
#include "HostPath.h"
#include "data/PrivateFile.h"
#include "TestHttpServer.h"
#include "update/FileDownloader.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif
#include <memory>

namespace {
QByteArray bodyOf(int size)
{
    QByteArray b(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        b[i] = char('a' + i % 26);
    return b;
}

// A body of `size` bytes sent a chunk at a time, `delayMs` apart.
TestHttpServer::Route slowBody(int size, int delayMs)
{
    TestHttpServer::Route slow = TestHttpServer::reply(200, "OK", bodyOf(size));
    slow.pieceSize = 1024;
    slow.pieceDelayMs = delayMs;
    return slow;
}

// Records the events of a downloader as "status: …", "progress: …", "error: …", "complete".
struct Recorder {
    QStringList events;
    std::function<void(const QString&)> onProgress;
    explicit Recorder(FileDownloader& d)
    {
        QObject::connect(&d, &FileDownloader::statusChanged, [this](const QString& s) { events << "status: " + s; });
        QObject::connect(&d, &FileDownloader::failed, [this](const QString& s) { events << "error: " + s; });
        QObject::connect(&d, &FileDownloader::downloadComplete, [this] { events << "complete"; });
        QObject::connect(&d, &FileDownloader::progress, [this](const QString& p) {
            events << "progress: " + p;
            if (onProgress)
                onProgress(p);
        });
    }
};

// Runs one download to its end; what finished() said (false also when it never came).
bool download(FileDownloader& d, const QString& source, const QString& destination)
{
    QSignalSpy finished(&d, &FileDownloader::finished);
    if (!d.start(source, destination))
        return false;
    // start() only begins: every outcome, a failure included, comes from the event loop.
    if (!finished.isEmpty() || !d.isRunning() || !finished.wait(20000))
        return false;
    return finished.size() == 1 && finished.first().first().toBool();
}

// A server offering one file at /f.exe, and an empty folder to fetch it into.
struct OneFileSite {
    TestHttpServer server;
    QTemporaryDir dir;
    const QString dest = dir.filePath("f.exe");
    explicit OneFileSite(const TestHttpServer::Route& route) { server.set("/f.exe", route); }
    QString url() const { return server.url("/f.exe"); }
    // Every file left in the folder, hidden and system ones too.
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System); }
};

const QString kStatus = "status: Getting file information";
const QString kReset = "error: The connection with the server was reset.";
const QString kNothing = "error: Nothing to download!";
} // namespace



class TestDownloader : public QObject {
    Q_OBJECT
private slots:
    void percentText_data();
    void percentText();
    void replies_data();
    void replies();
    void requestAsksForWholeRange();
    void connectionRefused();
    void unusableAddress();
    void notEnoughFreeSpace();
    void destinations_data();
    void destinations();
    void replacesLargerFile();
    void failureKeepsExistingFile_data();
    void failureKeepsExistingFile();
    void cancelDuringWait();
    void cancelDuringTransfer();
    void cancelAfterLastChunk();
    void stalledBody();
    void restartsAfterFailure();
    void plantedLinksAreNotFollowed();
    void sizeAndDeadlineLimits();
    void runsFromTheEventLoop();
};

void TestDownloader::percentText_data()
{
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("announced");
    QTest::addColumn<QString>("percent");
    QTest::newRow("12.5 to even 12") << qint64(1) << qint64(8) << "12";
    QTest::newRow("13.5 to even 14") << qint64(27) << qint64(200) << "14";
    QTest::newRow("0.5 to even 0") << qint64(1) << qint64(200) << "0";
    QTest::newRow("one third") << qint64(1) << qint64(3) << "33";
    QTest::newRow("two thirds") << qint64(2) << qint64(3) << "67";
    QTest::newRow("all") << qint64(3000) << qint64(3000) << "100";
    QTest::newRow("beyond 2 GB") << qint64(3000000000LL) << qint64(6000000000LL) << "50";
    QTest::newRow("beyond 4 GB, 87.5") << qint64(7LL << 32) << qint64(8LL << 32) << "88";
}

void TestDownloader::percentText()
{
    QFETCH(qint64, received);
    QFETCH(qint64, announced);
    QFETCH(QString, percent);
    QCOMPARE(FileDownloader::percentText(received, announced), percent);
}

void TestDownloader::replies_data()
{
    using S = TestHttpServer;
    QTest::addColumn<S::Route>("route");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("fileSize"); // -1: no file

    QTest::newRow("200, three chunks and a short one")
        << S::reply(200, "OK", bodyOf(3000))
        << QStringList{kStatus, "progress: 34", "progress: 68", "progress: 100", "progress: 100", "complete"} << true
        << 3000;
    QTest::newRow("206 like 200") << S::reply(206, "Partial Content", bodyOf(2048), "Content-Range: bytes 0-2047/2048\r\n")
                                  << QStringList{kStatus, "progress: 50", "progress: 100", "progress: 100", "complete"}
                                  << true << 2048;
    QTest::newRow("exactly 1024 bytes: full chunk, then empty")
        << S::reply(200, "OK", bodyOf(1024)) << QStringList{kStatus, "progress: 100", "progress: 100", "complete"}
        << true << 1024;
    QTest::newRow("one byte") << S::reply(200, "OK", "x")
                              << QStringList{kStatus, "progress: 100", "progress: 100", "complete"} << true << 1;
    QTest::newRow("204") << S::reply(204, "No Content", "") << QStringList{kStatus, kNothing} << false << -1;
    QTest::newRow("401") << S::reply(401, "Unauthorized", "denied")
                         << QStringList{kStatus, "error: Authorization failed!"} << false << -1;
    QTest::newRow("404") << S::reply(404, "Not Found", "gone")
                         << QStringList{kStatus, "error: The file, \"URL\" was not found!"} << false << -1;
    QTest::newRow("500") << S::reply(500, "Internal Server Error", "oops")
                         << QStringList{kStatus,
                                        "error: The server returned the following response:\r\rHTTP/1.1 500 Internal "
                                        "Server Error\r"}
                         << false << -1;
    QTest::newRow("403") << S::reply(403, "Forbidden", "")
                         << QStringList{kStatus, "error: The server returned the following response:\r\rHTTP/1.1 403 Forbidden\r"}
                         << false << -1;
    // The network layer cannot tell a reply without a status line from a closed connection.
    QTest::newRow("not HTTP at all") << S::raw("garbage without a status", "")
                                     << QStringList{kStatus, "error: Cannot establish connection."} << false << -1;
    QTest::newRow("302 without a place to go")
        << S::reply(302, "Found", "")
        << QStringList{kStatus, "error: The server returned the following response:\r\rHTTP/1.1 302 Found\r"} << false
        << -1;
    QTest::newRow("Content-Length missing")
        << S::raw("HTTP/1.1 200 OK\r\nConnection: close\r\n", bodyOf(500)) << QStringList{kStatus, kNothing} << false << -1;
    QTest::newRow("Content-Length 0") << S::raw("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n", "")
                                      << QStringList{kStatus, kNothing} << false << -1;
    TestHttpServer::Route cut = S::reply(200, "OK", bodyOf(3000));
    cut.cutAfter = 1500;
    QTest::newRow("body cut short")
        << cut << QStringList{kStatus, "progress: 34", "progress: 50", "progress: 50", kReset} << false << -1;
    QTest::newRow("Content-Length larger than the body")
        << S::raw("HTTP/1.1 200 OK\r\nContent-Length: 2000\r\nConnection: close\r\n", bodyOf(1024))
        << QStringList{kStatus, "progress: 51", "progress: 51", kReset} << false << -1;
    QTest::newRow("Content-Length smaller than the body: only the announced bytes count")
        << S::raw("HTTP/1.1 200 OK\r\nContent-Length: 10\r\nConnection: close\r\n", bodyOf(3000))
        << QStringList{kStatus, "progress: 100", "progress: 100", "complete"} << true << 10;
    TestHttpServer::Route slow = S::reply(200, "OK", bodyOf(2048));
    slow.pieceSize = 300;
    slow.pieceDelayMs = 20;
    QTest::newRow("slow body in odd pieces")
        << slow << QStringList{kStatus, "progress: 50", "progress: 100", "progress: 100", "complete"} << true << 2048;
}

void TestDownloader::replies()
{
    QFETCH(TestHttpServer::Route, route);
    QFETCH(QStringList, events);
    QFETCH(bool, result);
    QFETCH(int, fileSize);

    OneFileSite site(route);
    FileDownloader d;
    d.setStallTimeout(3000);
    Recorder r(d);
    QCOMPARE(download(d, site.url(), site.dest), result);
    events.replaceInStrings("URL", site.url());
    QCOMPARE(r.events, events);
    QCOMPARE(QFile::exists(site.dest), fileSize >= 0);
    if (fileSize >= 0) {
        QCOMPARE(QFileInfo(site.dest).size(), qint64(fileSize));
        QCOMPARE(readBytes(site.dest), route.body.left(fileSize));
    }
    QVERIFY(!d.isRunning());
}

void TestDownloader::requestAsksForWholeRange()
{
    TestHttpServer server;
    server.set("/f", TestHttpServer::reply(200, "OK", "abc"));
    QTemporaryDir dir;
    FileDownloader d;
    QVERIFY(download(d, server.url("/f"), dir.filePath("f.bin")));
    QCOMPARE(server.requests.size(), 1);
    QVERIFY2(server.requests[0].startsWith("GET /f HTTP/1.1\r\n"), server.requests[0]);
    QVERIFY2(server.requests[0].contains("\r\nRange: bytes=0-\r\n"), server.requests[0]);
}

void TestDownloader::connectionRefused()
{
    quint16 port;
    {
        TestHttpServer gone; // a port that was free a moment ago and is closed now
        port = gone.port();
    }
    QTemporaryDir dir;
    const QString dest = dir.filePath("f.exe");
    FileDownloader d;
    Recorder r(d);
    QVERIFY(!download(d, QString("http://127.0.0.1:%1/f.exe").arg(port), dest));
    QCOMPARE(r.events, (QStringList{kStatus, "error: Cannot establish connection."}));
    QVERIFY(!QFile::exists(dest));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestDownloader::unusableAddress()
{
    QTemporaryDir dir;
    FileDownloader d;
    Recorder r(d);
    QVERIFY(!download(d, "nothing-like-an-address", dir.filePath("f")));
    QCOMPARE(r.events.size(), 2);
    QVERIFY2(r.events[1].startsWith("error: Error: ") && r.events[1].endsWith(" occurred."), qPrintable(r.events[1]));
}

void TestDownloader::notEnoughFreeSpace()
{
    TestHttpServer server;
    server.set("/huge", TestHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 900000000000000000\r\nConnection: close\r\n",
                                            "abc"));
    QTemporaryDir dir;
    FileDownloader d;
    Recorder r(d);
    // The folder does not exist yet: the volume of its nearest existing parent is asked.
    QVERIFY(!download(d, server.url("/huge"), dir.filePath("new/f.exe")));
    QCOMPARE(r.events, (QStringList{kStatus, "error: There is not enough free space on disk for this file."}));
    QVERIFY(!QFile::exists(dir.filePath("new/f.exe")));
    QVERIFY(!QFile::exists(dir.filePath("new")));
    QCOMPARE(d.announcedLength(), 900000000000000000LL);
}

void TestDownloader::destinations_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<bool>("result");
    const QStringList done{kStatus, "progress: 100", "progress: 100", "complete"};
    QTest::newRow("existing folder") << "f.exe" << done << true;
    QTest::newRow("missing folder, one level, created") << "new/f.exe" << done << true;
    QTest::newRow("two missing levels")
        << "a/b/f.exe" << QStringList{kStatus, "error: Cannot write file to disk.\r\rError 76: Path not found"} << false;
    QTest::newRow("destination is a folder (empty file name)")
        << "" << QStringList{kStatus, "error: Cannot write file to disk.\r\rError 75: Path/File access error"} << false;
}

void TestDownloader::destinations()
{
    QFETCH(QString, relative);
    QFETCH(QStringList, events);
    QFETCH(bool, result);
    TestHttpServer server;
    server.set("/f.exe", TestHttpServer::reply(200, "OK", bodyOf(100)));
    QTemporaryDir dir;
    const QString dest = dir.path() + '/' + relative;
    FileDownloader d;
    Recorder r(d);
    QCOMPARE(download(d, server.url("/f.exe"), dest), result);
    QCOMPARE(r.events, events);
    QCOMPARE(QFileInfo(dest).isFile(), result);
    QVERIFY(QDir(dir.path()).exists()); // a folder destination is never deleted
    if (result)
        QCOMPARE(QFileInfo(dest).size(), qint64(100));
}

void TestDownloader::replacesLargerFile()
{
    OneFileSite site(TestHttpServer::reply(200, "OK", bodyOf(1500)));
    QVERIFY(writeBytes(site.dest, QByteArray(10000, 'z')));
    FileDownloader d;
    QVERIFY(download(d, site.url(), site.dest));
    QCOMPARE(QFileInfo(site.dest).size(), qint64(1500));
    // A downloaded file is its owner's alone, and nothing is left beside it.
    QVERIFY(underWine() || PrivateFile::restrictedToOwner(site.dest));
    QCOMPARE(QDir(site.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"f.exe"});
}

void TestDownloader::failureKeepsExistingFile_data()
{
    using S = TestHttpServer;
    QTest::addColumn<S::Route>("route");
    QTest::addColumn<QString>("how");
    QTest::newRow("404") << S::reply(404, "Not Found", "gone") << "";
    QTest::newRow("500") << S::reply(500, "Internal Server Error", "") << "";
    TestHttpServer::Route cut = S::reply(200, "OK", bodyOf(3000));
    cut.cutAfter = 1500;
    QTest::newRow("body cut short") << cut << "";
    QTest::newRow("cancelled during the body") << slowBody(10240, 20) << "cancel";
    QTest::newRow("server gone") << S::reply(200, "OK", "x") << "refused";
    QTest::newRow("left-over partial file from an earlier run") << S::reply(404, "Not Found", "") << "stale part";
#ifndef Q_OS_WIN
    // The whole body arrives but the disk takes only part of it, which shows when it is flushed.
    QTest::newRow("disk refuses the writes") << S::reply(200, "OK", bodyOf(3000)) << "file size limit";
#endif
}

void TestDownloader::failureKeepsExistingFile()
{
    QFETCH(TestHttpServer::Route, route);
    QFETCH(QString, how);
    auto server = std::make_unique<TestHttpServer>();
    server->set("/notes.txt", route);
    const QString url = server->url("/notes.txt");
    if (how == "refused")
        server.reset();
    QTemporaryDir dir;
    const QString dest = dir.filePath("notes.txt");
    const QByteArray mine = "the user's own notes, never written by the download";
    QVERIFY(writeBytes(dest, mine));
    if (how == "stale part")
        QVERIFY(writeBytes(dest + ".part", "stale"));
    FileDownloader d;
    d.setStallTimeout(3000);
    Recorder r(d);
    r.onProgress = [&](const QString& p) {
        if (how == "cancel" && p == "20")
            d.cancel();
    };
#ifndef Q_OS_WIN
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit before = limit;
    if (how == "file size limit") {
        signal(SIGXFSZ, SIG_IGN); // a write beyond the limit fails instead of ending the test
        limit.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    }
    const bool downloaded = download(d, url, dest);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &before), 0);
    if (how == "file size limit")
        QVERIFY2(r.events.last().startsWith("error: Cannot write file to disk."), qPrintable(r.events.join('|')));
#else
    const bool downloaded = download(d, url, dest);
#endif
    QVERIFY(!downloaded);
    QCOMPARE(readBytes(dest), mine);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes.txt"});
}

void TestDownloader::cancelDuringWait()
{
    OneFileSite site(TestHttpServer::silence());
    FileDownloader d;
    Recorder r(d);
    QTimer::singleShot(300, &d, [&d] { d.cancel(); });
    QElapsedTimer t;
    t.start();
    QVERIFY(!download(d, site.url(), site.dest));
    QVERIFY(t.elapsed() < 2000);
    QCOMPARE(r.events, QStringList{kStatus});
    QVERIFY(!QFile::exists(site.dest));
    QVERIFY(d.cancelFlag()); // keeps its value until the next download
}

void TestDownloader::cancelDuringTransfer()
{
    OneFileSite site(slowBody(10240, 30));
    FileDownloader d;
    Recorder r(d);
    bool sawPartialFile = false;
    r.onProgress = [&](const QString& p) {
        if (p == "20") {
            sawPartialFile = QFile::exists(site.dest + ".part") && !QFile::exists(site.dest);
            d.cancel();
        }
    };
    QVERIFY(!download(d, site.url(), site.dest));
    QCOMPARE(r.events, (QStringList{kStatus, "progress: 10", "progress: 20"}));
    QVERIFY(sawPartialFile);
    QVERIFY(!QFile::exists(site.dest));
    QVERIFY(!QFile::exists(site.dest + ".part"));
}

void TestDownloader::cancelAfterLastChunk()
{
    OneFileSite site(TestHttpServer::reply(200, "OK", bodyOf(1024)));
    FileDownloader d;
    Recorder r(d);
    r.onProgress = [&](const QString&) { d.cancel(); };
    // The complete file stays; only the completion event is left out.
    QVERIFY(download(d, site.url(), site.dest));
    QCOMPARE(r.events, (QStringList{kStatus, "progress: 100"}));
    QCOMPARE(QFileInfo(site.dest).size(), qint64(1024));
}

void TestDownloader::stalledBody()
{
    TestHttpServer::Route stall = TestHttpServer::reply(200, "OK", bodyOf(4096));
    stall.cutAfter = 2048;
    stall.stallAfterCut = true;
    OneFileSite site(stall);
    FileDownloader d;
    d.setStallTimeout(500);
    Recorder r(d);
    QElapsedTimer t;
    t.start();
    QVERIFY(!download(d, site.url(), site.dest));
    QVERIFY(t.elapsed() < 3000);
    QCOMPARE(r.events, (QStringList{kStatus, "progress: 25", "progress: 50", "progress: 50", kReset}));
    QVERIFY(!QFile::exists(site.dest));
}

void TestDownloader::restartsAfterFailure()
{
    TestHttpServer server;
    server.set("/bad", TestHttpServer::reply(404, "Not Found", ""));
    server.set("/good", TestHttpServer::reply(200, "OK", bodyOf(10)));
    QTemporaryDir dir;
    FileDownloader d;
    QVERIFY(!download(d, server.url("/bad"), dir.filePath("f")));
    QVERIFY(d.cancelFlag());
    Recorder r(d);
    QVERIFY(download(d, server.url("/good"), dir.filePath("f")));
    QCOMPARE(r.events.last(), QString("complete"));
    QVERIFY(!d.cancelFlag());
}

void TestDownloader::plantedLinksAreNotFollowed()
{
#ifdef Q_OS_WIN
    QSKIP("symbolic links need a privilege on Windows");
#else
    OneFileSite site(TestHttpServer::reply(200, "OK", bodyOf(100)));
    const QString victim = site.dir.filePath("victim");
    QVERIFY(writeBytes(victim, "someone else's file"));
    const QFile::Permissions readable = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(victim, readable));
    // A partial file planted as a link: removed, never written through nor chmod-ed.
    QVERIFY(QFile::link(victim, site.dest + ".part"));
    FileDownloader d;
    QVERIFY(download(d, site.url(), site.dest));
    QVERIFY(!QFileInfo(site.dest).isSymLink());
    QCOMPARE(QFileInfo(site.dest).size(), qint64(100));
    QFile v(victim);
    QVERIFY(v.open(QIODevice::ReadOnly));
    QCOMPARE(v.readAll(), QByteArray("someone else's file"));
    // Compared on the group and other bits: QFile reports the user bits beside the owner bits.
    QCOMPARE(QFile::permissions(victim) & 0x0077, readable & 0x0077);
    QCOMPARE(site.files(), QStringList({"f.exe", "victim"}));

    // A destination that is a link is not replaced.
    QVERIFY(QFile::remove(site.dest));
    QVERIFY(QFile::link(victim, site.dest));
    Recorder r(d);
    QVERIFY(!download(d, site.url(), site.dest));
    QCOMPARE(r.events.last(), QString("error: Cannot write file to disk.\r\rError 75: Path/File access error"));
    QVERIFY(QFileInfo(site.dest).isSymLink());
    QVERIFY(v.seek(0));
    QCOMPARE(v.readAll(), QByteArray("someone else's file"));
    QCOMPARE(site.files(), QStringList({"f.exe", "victim"}));
#endif
}

void TestDownloader::sizeAndDeadlineLimits()
{
    TestHttpServer server;
    server.set("/big", TestHttpServer::reply(200, "OK", bodyOf(5000)));
    server.set("/slow", slowBody(100 * 1024, 50));
    QTemporaryDir dir;
    const QString dest = dir.filePath("f.exe");

    // Announced beyond the release's size: refused before a byte of the body is written.
    {
        FileDownloader d;
        d.setExpectedSize(4096);
        Recorder r(d);
        QVERIFY(!download(d, server.url("/big"), dest));
        QCOMPARE(r.events, QStringList({kStatus, "error: " + FileDownloader::tooLargeText()}));
        QCOMPARE(d.bytesReceived(), qint64(0));
    }
    // The announced size itself is fine.
    {
        FileDownloader d;
        d.setExpectedSize(5000);
        QVERIFY(download(d, server.url("/big"), dest));
        QVERIFY(QFile::remove(dest));
    }
    // A trickle that would take five seconds ends at the deadline, leaving nothing behind.
    {
        FileDownloader d;
        d.setDeadline(700);
        Recorder r(d);
        QElapsedTimer t;
        t.start();
        QVERIFY(!download(d, server.url("/slow"), dest));
        QVERIFY2(t.elapsed() < 3000, qPrintable(QString::number(t.elapsed())));
        QVERIFY2(r.events.contains("error: " + FileDownloader::tooSlowText()), qPrintable(r.events.join('|')));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList());
}

void TestDownloader::runsFromTheEventLoop()
{
    OneFileSite site(slowBody(10240, 30));

    // One download at a time: a second start is refused and leaves the first one alone.
    {
        FileDownloader d;
        Recorder r(d);
        QSignalSpy finished(&d, &FileDownloader::finished);
        QVERIFY(d.start(site.url(), site.dest));
        QVERIFY(!d.start(site.url(), site.dir.filePath("other.exe")));
        QVERIFY(finished.wait(10000));
        QCOMPARE(finished.size(), 1);
        QVERIFY(finished.first().first().toBool());
        QCOMPARE(r.events.last(), QString("complete"));
        QCOMPARE(QFileInfo(site.dest).size(), qint64(10240));
        QVERIFY(!QFile::exists(site.dir.filePath("other.exe")));
        QVERIFY(QFile::remove(site.dest));
    }
    // A downloader that goes away in the middle of the body takes its partial file along.
    {
        auto d = std::make_unique<FileDownloader>();
        bool sawPart = false;
        QObject::connect(d.get(), &FileDownloader::progress, [&](const QString& p) {
            if (p == "20") {
                sawPart = QFile::exists(site.dest + ".part");
                QMetaObject::invokeMethod(
                    QCoreApplication::instance(), [&d] { d.reset(); }, Qt::QueuedConnection);
            }
        });
        QVERIFY(d->start(site.url(), site.dest));
        QTRY_VERIFY(!d);
        QVERIFY(sawPart);
    }
    QCOMPARE(site.files(), QStringList());
}

QTEST_GUILESS_MAIN(TestDownloader)
#include "test_downloader.moc"
