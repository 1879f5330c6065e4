// The version file's number, the comparison, the fetch against a real server (with its
// failures and time-out), the set-up file name and the signature check.
#include "TestHttpServer.h"
#include "TestSigning.h"
#include "update/SetupSignature.h"
#include "update/UpdateServer.h"
#include "update/VersionCheck.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The version check run to its end (the windows and the tool wait for it from their loops).
VersionCheck::Result checkNow()
{
    VersionCheck::Result r;
    bool answered = false;
    QObject context;
    QEventLoop loop;
    VersionCheck::checkAsync(&context, [&](const VersionCheck::Result& result) {
        r = result;
        answered = true;
        loop.quit();
    });
    if (!answered) {
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return r;
}
} // namespace

class TestVersion : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void leadingNumber_data();
    void leadingNumber();
    void comparisonNumber_data();
    void comparisonNumber();
    void versionFile_data();
    void versionFile();
    void fetchFailures_data();
    void fetchFailures();
    void fetchTimesOut();
    void noConnectionMakesNoRequest();
    void getFileName_data();
    void getFileName();
    void signature();
    void builtInKeyIsUsable();
    void releaseScriptSignatureVerifies();
};

void TestVersion::init()
{
    InternetConnect::setOverride(1);
    VersionCheck::setTimeoutMs(3000);
}

void TestVersion::cleanup()
{
    InternetConnect::setOverride(-1);
    UpdateServer::setAddress(QString());
    VersionCheck::setTimeoutMs(0);
}

void TestVersion::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("26") << "26" << 26.0;
    QTest::newRow("25.5") << "25.5" << 25.5;
    QTest::newRow("2.6") << "2.6" << 2.6;
    QTest::newRow("blanks, CR LF") << " 26\r\n" << 26.0;
    QTest::newRow("line feed inside") << "2\n6" << 26.0;
    QTest::newRow("tab and blank inside") << "\t2 6" << 26.0;
    QTest::newRow("carriage return ends it") << "2\r6" << 2.0;
    QTest::newRow("leading letter") << "x26" << 0.0;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("error page") << "<html>404</html>" << 0.0;
    QTest::newRow("second point ends it") << "2.5.1" << 2.5;
    QTest::newRow("point first") << ".5" << 0.5;
    QTest::newRow("exponent") << "2e1" << 20.0;
    QTest::newRow("bare exponent letter") << "26e" << 26.0;
    QTest::newRow("minus") << "-3" << -3.0;
    QTest::newRow("text after the number") << "27 (release 2.7)" << 27.0;
}

void TestVersion::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(VersionCheck::leadingNumber(text), value);
}

void TestVersion::comparisonNumber_data()
{
    QTest::addColumn<int>("major");
    QTest::addColumn<int>("minor");
    QTest::addColumn<qint64>("number");
    QTest::newRow("2.5") << 2 << 5 << qint64(25);
    QTest::newRow("2.10") << 2 << 10 << qint64(210);
    QTest::newRow("3.0") << 3 << 0 << qint64(30);
}

void TestVersion::comparisonNumber()
{
    QFETCH(int, major);
    QFETCH(int, minor);
    QFETCH(qint64, number);
    QCOMPARE(VersionCheck::comparisonNumber(major, minor), number);
}

void TestVersion::versionFile_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("newer");
    QTest::newRow("26") << QByteArray("26") << true;
    QTest::newRow("25") << QByteArray("25") << false;
    QTest::newRow("25.5") << QByteArray("25.5") << true;
    QTest::newRow("2.6, dotted form") << QByteArray("2.6") << false;
    QTest::newRow("26 CR LF, leading blank") << QByteArray(" 26\r\n") << true;
    QTest::newRow("2 LF 6") << QByteArray("2\n6") << true;
    QTest::newRow("x26") << QByteArray("x26") << false;
    QTest::newRow("empty reply") << QByteArray() << false;
    // An editor's byte-order mark and blanks around the number.
    QTest::newRow("byte-order mark, 26") << QByteArray("\xEF\xBB\xBF"
                                                       "26")
                                         << true;
    QTest::newRow("byte-order mark, CR, 26, CR LF") << QByteArray("\xEF\xBB\xBF\r 26 \r\n") << true;
    QTest::newRow("byte-order mark, 25") << QByteArray("\xEF\xBB\xBF"
                                                       "25\r\n")
                                         << false;
    QTest::newRow("mark not first") << QByteArray("2\xEF\xBB\xBF"
                                                  "6")
                                    << false;
}

void TestVersion::versionFile()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, newer);
    TestHttpServer server;
    server.set("/Soft/Meravel/LastVersion.txt", TestHttpServer::reply(200, "OK", content));
    UpdateServer::setAddress(server.url(""));
    const VersionCheck::Result r = checkNow();
    QCOMPARE(r.outcome, newer ? VersionCheck::Outcome::Newer : VersionCheck::Outcome::Latest);
    QCOMPARE(server.requests.size(), 1);
    QVERIFY(server.requests[0].startsWith("GET /Soft/Meravel/LastVersion.txt HTTP/1.1"));
}

void TestVersion::fetchFailures_data()
{
    QTest::addColumn<TestHttpServer::Route>("route");
    QTest::newRow("404") << TestHttpServer::reply(404, "Not Found", "26");
    QTest::newRow("500 whose page begins with a number") << TestHttpServer::reply(500, "Internal Server Error", "99");
    TestHttpServer::Route cut = TestHttpServer::reply(200, "OK", "2600000");
    cut.cutAfter = 2;
    QTest::newRow("body cut short") << cut;
}

void TestVersion::fetchFailures()
{
    QFETCH(TestHttpServer::Route, route);
    TestHttpServer server;
    server.set("/Soft/Meravel/LastVersion.txt", route);
    UpdateServer::setAddress(server.url(""));
    QCOMPARE(checkNow().outcome, VersionCheck::Outcome::FetchFailed);
}

void TestVersion::fetchTimesOut()
{
    TestHttpServer server;
    server.set("/Soft/Meravel/LastVersion.txt", TestHttpServer::silence());
    // A server that drips its reply is cut off by the same deadline.
    TestHttpServer dripServer;
    TestHttpServer::Route drip = TestHttpServer::reply(200, "OK", QByteArray(100, '2'));
    drip.pieceSize = 1;
    drip.pieceDelayMs = 100;
    dripServer.set("/Soft/Meravel/LastVersion.txt", drip);
    VersionCheck::setTimeoutMs(700);
    for (TestHttpServer* s : {&server, &dripServer}) {
        UpdateServer::setAddress(s->url(""));
        QElapsedTimer t;
        t.start();
        QCOMPARE(checkNow().outcome, VersionCheck::Outcome::FetchFailed);
        QVERIFY2(t.elapsed() < 2500, qPrintable(QString::number(t.elapsed())));
    }
    quint16 port;
    {
        TestHttpServer closed;
        port = closed.port();
    }
    UpdateServer::setAddress(QString("http://127.0.0.1:%1").arg(port));
    QCOMPARE(checkNow().outcome, VersionCheck::Outcome::FetchFailed);
}

void TestVersion::noConnectionMakesNoRequest()
{
    TestHttpServer server;
    server.set("/Soft/Meravel/LastVersion.txt", TestHttpServer::reply(200, "OK", "26"));
    UpdateServer::setAddress(server.url(""));
    InternetConnect::setOverride(0);
    QCOMPARE(checkNow().outcome, VersionCheck::Outcome::NoConnection);
    QTest::qWait(100);
    QVERIFY(server.requests.isEmpty());
}

void TestVersion::getFileName_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("name");
    QTest::newRow("set-up address") << "http://www.meravel.ir/Soft/Meravel/setup-Meravel.exe" << "setup-Meravel.exe";
    QTest::newRow("capital HTTP") << "HTTP://www.meravel.ir/Soft/Meravel/setup-Meravel.exe" << "";
    QTest::newRow("https") << "https://www.meravel.ir/setup.exe"
                           << "setup.exe";
    QTest::newRow("bare https prefix") << "https://"
                                       << "";
    QTest::newRow("no full stop in the last segment") << "http://www.meravel.ir/Soft/setup" << "";
    QTest::newRow("full stop only as last character") << "http://host/setup." << "";
    QTest::newRow("bare prefix") << "http://" << "";
    QTest::newRow("one character") << "h" << "";
    QTest::newRow("host only") << "http://www.meravel.ir" << "www.meravel.ir";
    QTest::newRow("trailing slash stays") << "http://host/a.exe/" << "a.exe/";
}

void TestVersion::getFileName()
{
    QFETCH(QString, address);
    QFETCH(QString, name);
    QCOMPARE(UpdateServer::GetFileName(address), name);
}

void TestVersion::signature()
{
    TestKeyPair keys, other;
    const QByteArray data = QByteArray("MZ set-up program ") + QByteArray(5000, 'x');
    const QByteArray sig = keys.sign(data);
    QVERIFY(SetupSignature::verify(data, sig, keys.publicKey()));
    QVERIFY(!SetupSignature::verify(data + 'y', sig, keys.publicKey()));
    QVERIFY(!SetupSignature::verify(data, sig, other.publicKey()));
    QByteArray flipped = sig;
    flipped[10] = char(flipped[10] ^ 1);
    QVERIFY(!SetupSignature::verify(data, flipped, keys.publicKey()));
    QVERIFY(!SetupSignature::verify(data, sig.left(63), keys.publicKey()));
    QVERIFY(!SetupSignature::verify(data, sig + 'z', keys.publicKey()));
    QVERIFY(!SetupSignature::verify(data, QByteArray(), keys.publicKey()));
    QVERIFY(!SetupSignature::verify(data, sig, QByteArray(32, '\0')));
    QVERIFY(!SetupSignature::verifyFile("/no/such/file", sig, keys.publicKey()));
}

void TestVersion::builtInKeyIsUsable()
{
    SetupSignature::setPublicKey(QByteArray());
    QCOMPARE(SetupSignature::publicKey().size(), SetupSignature::PublicKeySize);
    TestKeyPair keys;
    SetupSignature::setPublicKey(keys.publicKey());
    QCOMPARE(SetupSignature::publicKey(), keys.publicKey());
    SetupSignature::setPublicKey(QByteArray());
}

void TestVersion::releaseScriptSignatureVerifies()
{
    const QString script = qEnvironmentVariable("MERAVEL_SOURCE_DIR") + "/scripts/sign-release.sh";
    if (!QFile::exists(script) || QStandardPaths::findExecutable("openssl").isEmpty())
        QSKIP("needs the source folder and openssl");
    QTemporaryDir dir;
    auto run = [&](const QStringList& args) {
        QProcess p;
        p.start("bash", QStringList{script} + args);
        p.waitForFinished(20000);
        return p.exitCode() == 0 ? QString::fromLatin1(p.readAllStandardOutput()).trimmed() : QString();
    };
    const QString publicHex = run({"new-key", dir.filePath("k.pem")});
    QCOMPARE(publicHex.size(), 64);
    QFile setup(dir.filePath("setup-Meravel.exe"));
    QVERIFY(setup.open(QIODevice::WriteOnly));
    setup.write(QByteArray("MZ") + QByteArray(3000, 'q'));
    setup.close();
    QVERIFY(!run({"sign", dir.filePath("k.pem"), setup.fileName()}).isEmpty());
    QFile sig(setup.fileName() + ".sig");
    QVERIFY(sig.open(QIODevice::ReadOnly));
    const QByteArray signature = sig.readAll();
    QVERIFY(SetupSignature::verifyFile(setup.fileName(), signature, QByteArray::fromHex(publicHex.toLatin1())));
    QVERIFY(!SetupSignature::verifyFile(setup.fileName(), signature, SetupSignature::publicKey()));
}

QTEST_GUILESS_MAIN(TestVersion)
#include "test_version.moc"
