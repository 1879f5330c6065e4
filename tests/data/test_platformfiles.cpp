// The two file steps every private write ends with, on the platform the test runs on: the
// temporary file replacing its target in one step (Windows' rename refuses an existing
// target), and the restriction to the owner (an access list of one user on Windows, mode 0600
// elsewhere), in folders whose names are Persian.
#include "HostPath.h"
#include "TestHelpers.h"
#include "data/FileReplace.h"
#include "data/PrivateFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

class TestPlatformFiles : public QObject {
    Q_OBJECT
private slots:
    void init();
    void replacesAnExistingTarget();
    void replaceFailsWithoutLosingEither();
    void restrictsToTheOwner();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestPlatformFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->filePath(QString::fromUtf8("مشاوره/مراول"));
    QVERIFY(QDir().mkpath(m_folder));
}

void TestPlatformFiles::replacesAnExistingTarget()
{
    const QString target = m_folder + QString::fromUtf8("/آزمودني ها.xlsx");
    const QString part = target + ".part";
    QVERIFY(writeBytes(target, "old"));
    QVERIFY(writeBytes(part, "new"));
    QString error;
    QVERIFY2(FileReplace::replace(part, target, &error), qPrintable(error));
    QCOMPARE(readBytes(target), QByteArray("new"));
    QVERIFY(!QFile::exists(part));
    // A target that is not there yet is simply created.
    QVERIFY(writeBytes(part, "first"));
    QVERIFY(FileReplace::replace(part, target + "2", &error));
    QCOMPARE(readBytes(target + "2"), QByteArray("first"));
}

void TestPlatformFiles::replaceFailsWithoutLosingEither()
{
    // A target that is a folder cannot be replaced by a file: the call says so and both stay.
    const QString target = m_folder + "/Back";
    QVERIFY(QDir().mkpath(target + "/inside"));
    const QString part = m_folder + "/copy.part";
    QVERIFY(writeBytes(part, "new"));
    QString error;
    QVERIFY(!FileReplace::replace(part, target, &error));
    QVERIFY(!error.isEmpty());
    QCOMPARE(readBytes(part), QByteArray("new"));
    QVERIFY(QFileInfo(target + "/inside").isDir());
}

void TestPlatformFiles::restrictsToTheOwner()
{
    const QString path = m_folder + QString::fromUtf8("/پشتيبان.mdbB");
    QVERIFY(writeBytes(path, "personal data"));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
#ifndef Q_OS_WIN
    QVERIFY(!PrivateFile::restrictedToOwner(path));
#endif
    QVERIFY(PrivateFile::restrictToOwner(path));
    QVERIFY(underWine() || PrivateFile::restrictedToOwner(path));
    // The owner still reads and rewrites it.
    QCOMPARE(readBytes(path), QByteArray("personal data"));
    QVERIFY(writeBytes(path, "rewritten"));
    QCOMPARE(readBytes(path), QByteArray("rewritten"));
    QVERIFY(!PrivateFile::restrictedToOwner(m_folder + "/missing"));
}

QTEST_GUILESS_MAIN(TestPlatformFiles)
#include "test_platformfiles.moc"
