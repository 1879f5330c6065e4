// The signed release manifest: its form, its signature, the rollback guard, the file check,
// and the manifest scripts/sign-release.sh writes.
#include "FileBytes.h"
#include "TestSigning.h"
#include "update/ReleaseManifest.h"
#include "update/SetupSignature.h"
#include "update/VersionCheck.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using ReleaseManifest::Verdict;

namespace {
QByteArray hashHex(const QByteArray& data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

QByteArray manifestText(const QByteArray& version, const QByteArray& size, const QByteArray& sha)
{
    return "meravel-release 1\nversion " + version + "\nsize " + size + "\nsha256 " + sha + "\n";
}
} // namespace

Q_DECLARE_METATYPE(Verdict)

class TestManifest : public QObject {
    Q_OBJECT
private slots:
    void form_data();
    void form();
    void verdict_data();
    void verdict();
    void fileMatches();
    void scriptWritesWhatTheProgramAccepts();
};

void TestManifest::form_data()
{
    const QByteArray sha = hashHex("x");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("ok");
    QTest::newRow("sound") << manifestText("26", "100", sha) << true;
    QTest::newRow("CR LF lines") << manifestText("26", "100", sha).replace("\n", "\r\n") << true;
    QTest::newRow("no final line feed") << manifestText("26", "100", sha).chopped(1) << true;
    QTest::newRow("other format line") << manifestText("26", "100", sha).replace("release 1", "release 2") << false;
    QTest::newRow("fields swapped") << QByteArray("meravel-release 1\nsize 100\nversion 26\nsha256 " + sha + "\n")
                                    << false;
    QTest::newRow("extra line") << manifestText("26", "100", sha) + "note x\n" << false;
    QTest::newRow("version with a sign") << manifestText("+26", "100", sha) << false;
    QTest::newRow("version zero") << manifestText("0", "100", sha) << false;
    QTest::newRow("version too long") << manifestText("1234567890123456789", "100", sha) << false;
    QTest::newRow("size with blanks") << manifestText("26", " 100", sha) << false;
    QTest::newRow("empty file") << manifestText("26", "0", sha) << false;
    QTest::newRow("upper-case hash") << manifestText("26", "100", sha.toUpper()) << false;
    QTest::newRow("short hash") << manifestText("26", "100", sha.left(63)) << false;
    QTest::newRow("too large") << manifestText("26", "100", sha) + QByteArray(ReleaseManifest::MaxBytes, '\n') << false;
}

void TestManifest::form()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, ok);
    ReleaseManifest::Manifest m;
    QCOMPARE(ReleaseManifest::parse(text, &m), ok);
    if (ok) {
        QCOMPARE(m.version, qint64(26));
        QCOMPARE(m.size, qint64(100));
        QCOMPARE(m.sha256, QCryptographicHash::hash("x", QCryptographicHash::Sha256));
    }
}

void TestManifest::verdict_data()
{
    QTest::addColumn<QByteArray>("version");
    QTest::addColumn<QString>("signer"); // "release", "other", "tampered", "none"
    QTest::addColumn<Verdict>("verdict");
    const qint64 own = VersionCheck::ownComparisonNumber();
    const QByteArray newer = QByteArray::number(own + 1), same = QByteArray::number(own),
                     older = QByteArray::number(own - 1);
    QTest::newRow("newer release") << newer << "release" << Verdict::Accepted;
    QTest::newRow("the running release") << same << "release" << Verdict::NotNewer;
    QTest::newRow("an older release (rollback)") << older << "release" << Verdict::NotNewer;
    QTest::newRow("signed by another key") << newer << "other" << Verdict::BadSignature;
    QTest::newRow("changed after signing") << newer << "tampered" << Verdict::BadSignature;
    QTest::newRow("no signature") << newer << "none" << Verdict::BadSignature;
    QTest::newRow("signed, but no manifest") << QByteArray("x") << "release" << Verdict::Malformed;
}

void TestManifest::verdict()
{
    QFETCH(QByteArray, version);
    QFETCH(QString, signer);
    QFETCH(Verdict, verdict);
    TestKeyPair release, other;
    const QByteArray text = manifestText(version, "5", hashHex("12345"));
    QByteArray signature = signer == "other" ? other.sign(text) : signer == "none" ? QByteArray() : release.sign(text);
    const QByteArray shown = signer == "tampered" ? QByteArray(text).replace("size 5", "size 6") : text;
    ReleaseManifest::Manifest m;
    QCOMPARE(ReleaseManifest::verify(shown, signature, release.publicKey(), VersionCheck::ownComparisonNumber(), &m),
             verdict);
    if (verdict == Verdict::Accepted)
        QCOMPARE(m.version, version.toLongLong());
    else
        QCOMPARE(m.version, qint64(0)); // nothing is taken from a refused manifest
}

void TestManifest::fileMatches()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("setup-Meravel.exe");
    // Larger than any read buffer, so the hash is taken over several pieces.
    QByteArray body(3 * 65536 + 17, Qt::Uninitialized);
    for (int i = 0; i < body.size(); ++i)
        body[i] = char(i * 7 + i / 251);
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(body);
    f.close();
    ReleaseManifest::Manifest m;
    QVERIFY(ReleaseManifest::parse(manifestText("26", QByteArray::number(body.size()), hashHex(body)), &m));
    QString error;
    QVERIFY2(ReleaseManifest::fileMatches(path, m, &error), qPrintable(error));

    ReleaseManifest::Manifest wrongHash = m;
    wrongHash.sha256[0] = char(wrongHash.sha256[0] ^ 1);
    QVERIFY(!ReleaseManifest::fileMatches(path, wrongHash, &error));
    ReleaseManifest::Manifest wrongSize = m;
    wrongSize.size += 1;
    QVERIFY(!ReleaseManifest::fileMatches(path, wrongSize, &error));
    QVERIFY(!ReleaseManifest::fileMatches(dir.filePath("missing"), m, &error));
    // One byte changed in the middle.
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.seek(body.size() / 2);
    f.write("!");
    f.close();
    QVERIFY(!ReleaseManifest::fileMatches(path, m, &error));
}

void TestManifest::scriptWritesWhatTheProgramAccepts()
{
    const QString script = qEnvironmentVariable("MERAVEL_SOURCE_DIR") + "/scripts/sign-release.sh";
    if (QStandardPaths::findExecutable("openssl").isEmpty() || !QFile::exists(script))
        QSKIP("openssl or the script is missing");
    QTemporaryDir dir;
    const QString setup = dir.filePath("setup-Meravel.exe");
    QVERIFY(writeBytes(setup, QByteArray(70000, 's')));
    auto run = [&](const QStringList& args, QByteArray* out = nullptr) {
        QProcess p;
        p.start("bash", QStringList{script} + args);
        p.waitForFinished(60000);
        if (out)
            *out = p.readAllStandardOutput();
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    };
    QByteArray hex;
    QCOMPARE(run({"new-key", dir.filePath("k.pem")}, &hex), 0);
    const QByteArray key = QByteArray::fromHex(hex.trimmed());
    QCOMPARE(key.size(), SetupSignature::PublicKeySize);
    const QByteArray number = QByteArray::number(VersionCheck::ownComparisonNumber() + 1);
    QCOMPARE(run({"manifest", dir.filePath("k.pem"), setup, QString::fromLatin1(number)}), 0);
    QFile manifest(dir.filePath("release.txt")), signature(dir.filePath("release.txt.sig"));
    QVERIFY(manifest.open(QIODevice::ReadOnly) && signature.open(QIODevice::ReadOnly));
    ReleaseManifest::Manifest m;
    QCOMPARE(
        ReleaseManifest::verify(manifest.readAll(), signature.readAll(), key, VersionCheck::ownComparisonNumber(), &m),
        Verdict::Accepted);
    QVERIFY(ReleaseManifest::fileMatches(setup, m));
    QCOMPARE(run({"manifest", dir.filePath("k.pem"), setup, "2.6"}), 2);
}

QTEST_GUILESS_MAIN(TestManifest)
#include "test_manifest.moc"
