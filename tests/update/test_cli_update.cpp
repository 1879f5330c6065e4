// meravel-cli check-update and download, in process, against a real HTTP server.
#include "CliRun.h"
#include "TestHelpers.h"
#include "TestHttpServer.h"
#include "update/FileDownloader.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
CliRun cli(const QStringList& args) { return CliRun::run(args); }
} // namespace

class TestCliUpdate : public QObject {
    Q_OBJECT
private slots:
    void init() { InternetConnect::setOverride(1); }
    void cleanup() { InternetConnect::setOverride(-1); }
    void checkUpdate_data();
    void checkUpdate();
    void checkUpdateNoConnection();
    void checkUpdateWithoutServer();
    void checkUpdateBadServer();
    void download();
    void downloadFailure();
    void downloadRemovesStalePartAndHasDefaultDeadline();
    void downloadUsage();
};

void TestCliUpdate::checkUpdate_data()
{
    QTest::addColumn<TestHttpServer::Route>("route");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::newRow("newer") << TestHttpServer::reply(200, "OK", "26\r\n") << 0 << "newer 26\n" << "";
    QTest::newRow("newer, decimal") << TestHttpServer::reply(200, "OK", "25.5") << 0 << "newer 25.5\n" << "";
    QTest::newRow("latest") << TestHttpServer::reply(200, "OK", "25") << 0 << u("شما آخرين ورژن نرم افزار را داريد  ") + "\n" << "";
    QTest::newRow("fetch failed") << TestHttpServer::reply(404, "Not Found", "") << 1 << ""
                                  << u("ارتباط شما با اينترنت برقرار نمي باشد ") + "\n";
}

void TestCliUpdate::checkUpdate()
{
    QFETCH(TestHttpServer::Route, route);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestHttpServer server;
    server.set("/Soft/Meravel/LastVersion.txt", route);
    // Only scheme, host and port of --server count.
    const CliRun r = cli({"check-update", "--server", server.url("/some/other/path")});
    QCOMPARE(r.out, out);
    QCOMPARE(r.err, err);
    QCOMPARE(r.exit, code);
    QCOMPARE(UpdateServer::address(), QString()); // the build's own again: none in the tests' build
}

void TestCliUpdate::checkUpdateNoConnection()
{
    InternetConnect::setOverride(0);
    const CliRun r = cli({"check-update", "--server", "http://127.0.0.1:9"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, u("ارتباط شما با اينترنت برقرار نمي باشد ") + "\n");
}

void TestCliUpdate::checkUpdateWithoutServer()
{
    // The tests' build names no update server: nothing is contacted, and the tool says so.
    InternetConnect::setOverride(1);
    const CliRun r = cli({"check-update"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, UpdateTexts::NotConfigured + "\n");
    // The answer comes at once, before any request could be made.
    VersionCheck::Outcome outcome = VersionCheck::Outcome::Newer;
    QObject context;
    VersionCheck::checkAsync(&context, [&outcome](const VersionCheck::Result& r) { outcome = r.outcome; });
    QCOMPARE(int(outcome), int(VersionCheck::Outcome::NotConfigured));
    QVERIFY(!UpdateServer::versionFileUrl().isValid());
    InternetConnect::setOverride(-1);
}

void TestCliUpdate::checkUpdateBadServer()
{
    QCOMPARE(cli({"check-update", "--server", "not a url"}).exit, 2);
    QCOMPARE(cli({"check-update", "extra"}).exit, 2);
}

void TestCliUpdate::download()
{
    TestHttpServer server;
    server.set("/f.bin", TestHttpServer::reply(200, "OK", QByteArray(1024, 'x')));
    QTemporaryDir dir;
    const CliRun r = cli({"download", server.url("/f.bin"), dir.filePath("sub/f.bin")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, QString("status: Getting file information\nprogress: 100\nprogress: 100\ncomplete\n"));
    QCOMPARE(r.err, QString());
    QCOMPARE(QFileInfo(dir.filePath("sub/f.bin")).size(), qint64(1024));
}

void TestCliUpdate::downloadFailure()
{
    TestHttpServer server;
    QTemporaryDir dir;
    const CliRun r = cli({"download", server.url("/missing"), dir.filePath("f.bin")});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.out, QString("status: Getting file information\n"));
    QCOMPARE(r.err, "error: The file, \"" + server.url("/missing") + "\" was not found!\n");
    QVERIFY(!QFile::exists(dir.filePath("f.bin")));

    // A file the download never wrote stays as it was, whatever went wrong.
    const QString notes = dir.filePath("notes.txt");
    QFile f(notes);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("mine");
    f.close();
    quint16 closedPort;
    {
        TestHttpServer gone;
        closedPort = gone.port();
    }
    for (const QString& url : {server.url("/missing"), QStringLiteral("http://127.0.0.1:%1/x").arg(closedPort)}) {
        QCOMPARE(cli({"download", url, notes}).exit, 1);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("mine"));
        f.close();
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"notes.txt"});
}

void TestCliUpdate::downloadRemovesStalePartAndHasDefaultDeadline()
{
    // A killed run left its partial file: the next run removes it even when it fails itself.
    TestHttpServer server;
    QTemporaryDir dir;
    const QString dest = dir.filePath("f.bin");
    QVERIFY(writeBytes(FileDownloader::partialFile(dest), "half"));
    QCOMPARE(cli({"download", server.url("/missing"), dest}).exit, 1);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Without --deadline the limit grows with the announced size: a minute at least, a lying
    // gigabyte a few hours, never unbounded.
    QCOMPARE(FileDownloader::deadlineFor(0), 60 * 1000);
    QCOMPARE(FileDownloader::deadlineFor(64 * 1024 * 10), 70 * 1000);
    QCOMPARE(FileDownloader::deadlineFor(qint64(1) << 30), (60 + 16384) * 1000);
    QCOMPARE(FileDownloader::deadlineFor(qint64(1) << 50), 24 * 3600 * 1000);
    QVERIFY(cli({"download", "--help"}).out.contains("64 KiB"));

    // A given deadline still holds: a trickle announcing a gigabyte stops at it.
    TestHttpServer::Route slow = TestHttpServer::raw("HTTP/1.1 200 OK\r\nContent-Length: 1073741824\r\n",
                                                     QByteArray(64 * 1024, 'x'));
    slow.pieceSize = 1024;
    slow.pieceDelayMs = 50;
    server.set("/slow", slow);
    QElapsedTimer t;
    t.start();
    const CliRun r = cli({"download", server.url("/slow"), dest, "--deadline", "1"});
    QCOMPARE(r.exit, 1);
    QVERIFY2(t.elapsed() < 5000, qPrintable(QString::number(t.elapsed())));
    QVERIFY2(r.err.contains(FileDownloader::tooSlowText()), qPrintable(r.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void TestCliUpdate::downloadUsage()
{
    QCOMPARE(cli({"download", "http://127.0.0.1/x"}).exit, 2);
    QVERIFY(cli({"download", "--help"}).out.contains("download URL DEST"));
}

QTEST_MAIN(TestCliUpdate)
#include "test_cli_update.moc"
