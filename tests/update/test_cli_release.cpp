// meravel-cli update, in process, against a real HTTP server: only a signed release newer
// than the program is fetched, and only the bytes the manifest names are kept (and started on
// Windows); whatever is refused leaves nothing in the temporary folder.
#include "CliRun.h"
#include "TestHelpers.h"
#include "TestHttpServer.h"
#include "TestSigning.h"
#include "update/FileDownloader.h"
#include "update/SetupSignature.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kSetup = QStringLiteral("/Soft/Meravel/setup-Meravel.exe");
const QString kManifest = QStringLiteral("/Soft/Meravel/release.txt");
#ifdef Q_OS_WIN
const char* const kTempVariable = "TMP";
#else
const char* const kTempVariable = "TMPDIR";
#endif

QByteArray manifestFor(const QByteArray& version, const QByteArray& file)
{
    return "meravel-release 1\nversion " + version + "\nsize " + QByteArray::number(file.size()) + "\nsha256 "
        + QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex() + "\n";
}

// A file the set-up step can start and that ends at once: on Windows a program of the system.
QByteArray setupBytes()
{
#ifdef Q_OS_WIN
    QFile f(qEnvironmentVariable("SystemRoot") + "/system32/hostname.exe");
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
#else
    return QByteArray(3000, 's');
#endif
}

bool requested(const TestHttpServer& server, const QString& path)
{
    for (const QByteArray& r : server.requests)
        if (r.startsWith("GET " + path.toLatin1() + " "))
            return true;
    return false;
}

// The server of a release 2.6 whose manifest `signer` signed over `signedFile`, serving `served`.
void offer(TestHttpServer& server, const TestKeyPair& signer, const QByteArray& version, const QByteArray& signedFile,
           const QByteArray& served)
{
    const QByteArray manifest = manifestFor(version, signedFile);
    server.set("/Soft/Meravel/LastVersion.txt", TestHttpServer::reply(200, "OK", "26\r\n"));
    server.set(kManifest, TestHttpServer::reply(200, "OK", manifest));
    server.set(kManifest + ".sig", TestHttpServer::reply(200, "OK", signer.sign(manifest)));
    server.set(kSetup, TestHttpServer::reply(200, "OK", served));
}
} // namespace

class TestCliRelease : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void acceptsASignedNewerRelease();
    void refuses_data();
    void refuses();
    void latestFetchesNothing();
    void usage();

private:
    QStringList leftInTemp() const
    {
        return QDir(m_temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    }

    TestKeyPair m_key;
    QTemporaryDir m_temp;
    QByteArray m_oldTemp;
};

void TestCliRelease::initTestCase()
{
    QVERIFY(m_temp.isValid());
    QVERIFY(!setupBytes().isEmpty());
}

void TestCliRelease::init()
{
    InternetConnect::setOverride(1);
    SetupSignature::setPublicKey(m_key.publicKey());
    // The command's private folders go here, so the test sees what is left behind.
    m_oldTemp = qgetenv(kTempVariable);
    qputenv(kTempVariable, QDir::toNativeSeparators(m_temp.path()).toLocal8Bit());
}

void TestCliRelease::cleanup()
{
    qputenv(kTempVariable, m_oldTemp);
    SetupSignature::setPublicKey(QByteArray());
    InternetConnect::setOverride(-1);
    for (const QString& e : leftInTemp())
        QDir(m_temp.filePath(e)).removeRecursively();
}

void TestCliRelease::acceptsASignedNewerRelease()
{
    const QByteArray file = setupBytes();
    TestHttpServer server;
    offer(server, m_key, "26", file, file);
    const CliRun r = CliRun::run({"update", "--server", server.url("/"), "--silent"});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], QString("newer 26"));
#ifdef Q_OS_WIN
    QVERIFY2(lines[1].startsWith("started: "), qPrintable(lines[1]));
#else
    QVERIFY2(lines[1].startsWith("downloaded: "), qPrintable(lines[1]));
#endif
    const QString path = QDir::fromNativeSeparators(lines[1].section(": ", 1));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), file);
    // In a folder of its own in the temporary folder, which only the user may enter.
    QCOMPARE(QFileInfo(QFileInfo(path).absolutePath()).absolutePath(), QFileInfo(m_temp.path()).absoluteFilePath());
#ifndef Q_OS_WIN
    QCOMPARE(QFileInfo(path).absoluteDir().entryList(QDir::Files | QDir::Hidden), QStringList{"setup-Meravel.exe"});
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(int(QFile::permissions(QFileInfo(path).absolutePath()) & others), 0);
#endif
}

void TestCliRelease::refuses_data()
{
    const QByteArray file = setupBytes();
    QByteArray tampered = file;
    tampered[tampered.size() / 2] = char(tampered[tampered.size() / 2] ^ 1);
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<bool>("otherSigner");
    QTest::addColumn<QByteArray>("served");
    QTest::addColumn<bool>("fetched");
    QTest::addColumn<QString>("err");
    const QString bad = UpdateTexts::BadSignature + "\n";
    QTest::newRow("a byte changed") << QByteArray("26") << false << tampered << true << bad;
    QTest::newRow("a byte more") << QByteArray("26") << false << file + "x" << true
                                 << "error: " + FileDownloader::tooLargeText() + "\n";
    QTest::newRow("cut short") << QByteArray("26") << false << file.chopped(1) << true << bad;
    QTest::newRow("signed by another key") << QByteArray("26") << true << file << false << bad;
    // A genuinely signed older release passed off as the update.
    QTest::newRow("release not newer") << QByteArray("25") << false << file << false << bad;
}

void TestCliRelease::refuses()
{
    QFETCH(QByteArray, version);
    QFETCH(bool, otherSigner);
    QFETCH(QByteArray, served);
    QFETCH(bool, fetched);
    QFETCH(QString, err);
    const TestKeyPair other;
    TestHttpServer server;
    offer(server, otherSigner ? other : m_key, version, setupBytes(), served);
    // A set-up program an earlier case started may still hold its folder on Windows.
    const QStringList before = leftInTemp();
    const CliRun r = CliRun::run({"update", "--server", server.url("/"), "--silent"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.out, QString("newer 26\n"));
    QVERIFY2(r.err.endsWith(err), qPrintable(r.err));
    QCOMPARE(requested(server, kSetup), fetched);
    QCOMPARE(leftInTemp(), before);
}

void TestCliRelease::latestFetchesNothing()
{
    TestHttpServer server;
    offer(server, m_key, "26", setupBytes(), setupBytes());
    server.set("/Soft/Meravel/LastVersion.txt", TestHttpServer::reply(200, "OK", "25"));
    const CliRun r = CliRun::run({"update", "--server", server.url("/")});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, UpdateTexts::LatestVersion + "\n");
    QVERIFY(!requested(server, kManifest));

    // Without a manifest nothing is downloaded either.
    server.set("/Soft/Meravel/LastVersion.txt", TestHttpServer::reply(200, "OK", "26"));
    server.set(kManifest, TestHttpServer::reply(404, "Not Found", ""));
    const QStringList before = leftInTemp();
    const CliRun missing = CliRun::run({"update", "--server", server.url("/")});
    QCOMPARE(missing.exit, 1);
    QVERIFY2(missing.err.endsWith(UpdateTexts::BadSignature + "\n"), qPrintable(missing.err));
    QVERIFY(!requested(server, kSetup));
    QCOMPARE(leftInTemp(), before);
}

void TestCliRelease::usage()
{
    QCOMPARE(CliRun::run({"update", "extra"}).exit, 2);
    QCOMPARE(CliRun::run({"update", "--server", "not a url"}).exit, 2);
    // The tests' build names no update server.
    const CliRun r = CliRun::run({"update"});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, UpdateTexts::NotConfigured + "\n");
    QVERIFY(CliRun::run({"update", "--help"}).out.contains("--silent"));
}

QTEST_MAIN(TestCliRelease)
#include "test_cli_release.moc"
