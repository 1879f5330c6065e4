// The update window, the start-up check and the download window, driven through their
// buttons against a real HTTP server, with the dialogs seam recording every box.
#include "TestFolder.h"
#include "TestHelpers.h"
#include "TestHttpServer.h"
#include "TestSigning.h"

#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "update/FileDownloader.h"
#include "update/UpdateWindow.h"
#include "update/DownloadProgressWindow.h"
#include "update/SetupSignature.h"
#include "update/UpdateServer.h"
#include "update/UpdateTexts.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

namespace {
const QString kVersionPath = "/Soft/Meravel/LastVersion.txt";
const QString kSetupPath = "/Soft/Meravel/setup-Meravel.exe";

const QString kManifestPath = "/Soft/Meravel/release.txt";

QByteArray setupBody() { return QByteArray("MZ") + QByteArray(5000, 'p'); }

QByteArray manifestOf(qint64 version, const QByteArray& setup)
{
    return "meravel-release 1\nversion " + QByteArray::number(version) + "\nsize " + QByteArray::number(setup.size())
        + "\nsha256 " + QCryptographicHash::hash(setup, QCryptographicHash::Sha256).toHex() + "\n";
}

struct Box {
    QString text, caption;
    MsgIcon icon;
};

QList<Box> boxes(const ScriptedDialogs& d)
{
    QList<Box> out;
    for (const MessageRequest& m : d.messages())
        out << Box{m.text, m.caption, m.icon};
    return out;
}

void shoot(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("MERAVEL_SHOTS_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + '/' + name + ".png");
}

QPushButton* button(QWidget* w, const char* name) { return w->findChild<QPushButton*>(name); }

// A real click in the middle of a button.
void click(QWidget* w, const char* name) { QTest::mouseClick(button(w, name), Qt::LeftButton); }

// Whether the window lies wholly on the free part of its screen.
bool onScreen(QWidget* w)
{
    const QScreen* screen = w->screen();
    return screen && screen->availableGeometry().contains(w->frameGeometry());
}
} // namespace

class TestUpdateWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void updateWindowOpens();
    void updateWindowCheck_data();
    void updateWindowCheck();
    void updateWindowWaitsBriefly();
    void updateWindowNoConnection();
    void startupCheck_data();
    void startupCheck();

    void progressOpens();
    void progressDownload_data();
    void progressDownload();
    void progressBar();
    void progressBarDuringDownload();
    void progressButtonCancels();
    void closingCancelsFirst();
    void mainWindowDisabledWhileOpen();
    void capitalPrefixCannotWrite();

private:
    // A release 2.6 manifest of setupBody(), signed with the tests' key.
    void serveManifest(const QByteArray& manifest, const QByteArray& signature);
    TestFolder* m_folder = nullptr;
    TestHttpServer* m_server = nullptr;
    TestKeyPair* m_keys = nullptr;
    QStringList m_started;
    QByteArray m_startedBytes; // what the file held when it was started
    int m_ended = 0;
    bool m_startResult = true;
};

void TestUpdateWindows::initTestCase() { AppSetup::configure(*qApp); }

void TestUpdateWindows::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_server = new TestHttpServer;
    UpdateServer::setAddress(m_server->url(""));
    InternetConnect::setOverride(1);
    VersionCheck::setTimeoutMs(3000);
    m_started.clear();
    m_ended = 0;
    m_startResult = true;
    DownloadProgressWindow::setStartProgram([this](const QString& path) {
        m_started << path;
        QFile started(path);
        m_startedBytes = started.open(QIODevice::ReadOnly) ? started.readAll() : QByteArray();
        return m_startResult;
    });
    DownloadProgressWindow::setEndApplication([this] { ++m_ended; });
    m_keys = new TestKeyPair;
    SetupSignature::setPublicKey(m_keys->publicKey());
    const QByteArray manifest = manifestOf(26, setupBody());
    serveManifest(manifest, m_keys->sign(manifest));
}

void TestUpdateWindows::serveManifest(const QByteArray& manifest, const QByteArray& signature)
{
    m_server->set(kManifestPath, TestHttpServer::reply(200, "OK", manifest));
    m_server->set(kManifestPath + ".sig", TestHttpServer::reply(200, "OK", signature));
}

void TestUpdateWindows::cleanup()
{
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (!w->parentWidget() && (qobject_cast<DownloadProgressWindow*>(w) || qobject_cast<MainWindow*>(w)))
            windows << w;
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
    DownloadProgressWindow::setStartProgram(nullptr);
    DownloadProgressWindow::setEndApplication(nullptr);
    SetupSignature::setPublicKey(QByteArray());
    InternetConnect::setOverride(-1);
    UpdateServer::setAddress(QString());
    VersionCheck::setTimeoutMs(0);
    delete m_server;
    delete m_folder;
    delete m_keys;
}

void TestUpdateWindows::updateWindowOpens()
{
    ScopedScriptedDialogs d;
    UpdateWindow w;
    w.show();
    QCOMPARE(w.windowTitle(), QString("Meravel 2.5"));
    QCOMPARE(w.findChild<QLabel*>("Label1")->text(), QString("Meravel 2.5"));
    QCOMPARE(w.findChild<QLabel*>("SkinLabel1")->text(), u("جهت به روز رساني نرم افزار ابتدا اتصال به اينترنت را چک کنيد سپس روي دکمه آپديت کليک کنيد"));
    QCOMPARE(button(&w, "Command1")->text(), u("بررسي آپديت جديد"));
    QCOMPARE(button(&w, "Command2")->text(), u("خروج"));
    QVERIFY(onScreen(&w));
    shoot(&w, "FrmUpdate");
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
    QVERIFY(d.shown.isEmpty());
}

void TestUpdateWindows::updateWindowCheck_data()
{
    QTest::addColumn<TestHttpServer::Route>("route");
    QTest::addColumn<QString>("message"); // empty: newer, the download window opens
    QTest::newRow("26 is newer") << TestHttpServer::reply(200, "OK", "26") << QString();
    QTest::newRow("25.5 is newer") << TestHttpServer::reply(200, "OK", "25.5") << QString();
    QTest::newRow("25 is not") << TestHttpServer::reply(200, "OK", "25") << u("شما آخرين ورژن نرم افزار را داريد  ");
    QTest::newRow("x26 reads 0") << TestHttpServer::reply(200, "OK", "x26") << u("شما آخرين ورژن نرم افزار را داريد  ");
    QTest::newRow("server error, like no connection")
        << TestHttpServer::reply(500, "Internal Server Error", "26") << u("ارتباط شما با اينترنت برقرار نمي باشد ");
}

void TestUpdateWindows::updateWindowCheck()
{
    QFETCH(TestHttpServer::Route, route);
    QFETCH(QString, message);
    m_server->set(kVersionPath, route);
    ScopedScriptedDialogs d;
    UpdateWindow w;
    w.show();
    click(&w, "Command1");
    QTRY_VERIFY(!w.isChecking());
    if (message.isEmpty()) {
        QVERIFY(d.shown.isEmpty());
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QVERIFY(w.openedProgress());
        QVERIFY(w.openedProgress()->isVisible());
        return;
    }
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(d.messages()[0].text, message);
    QCOMPARE(d.messages()[0].caption, u("پيام"));
    QCOMPARE(d.messages()[0].icon, MsgIcon::Information);
    QVERIFY(w.isVisible());
    QVERIFY(!w.openedProgress());
    QCOMPARE(w.windowTitle(), QString("Meravel 2.5"));
    QVERIFY(button(&w, "Command1")->isEnabled());
    QVERIFY(button(&w, "Command2")->isEnabled());
}

void TestUpdateWindows::updateWindowWaitsBriefly()
{
    m_server->set(kVersionPath, TestHttpServer::silence());
    VersionCheck::setTimeoutMs(800);
    ScopedScriptedDialogs d;
    UpdateWindow w;
    w.show();
    QElapsedTimer t;
    t.start();
    click(&w, "Command1");
    // The check runs from the event loop: the window says so and takes no second click, no
    // exit and no Esc until the answer is in.
    QVERIFY(w.isChecking());
    QCOMPARE(w.windowTitle(), u("Please wait..."));
    QVERIFY(!button(&w, "Command1")->isEnabled());
    QVERIFY(!button(&w, "Command2")->isEnabled());
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(w.isVisible());
    QTest::qWait(200);
    QVERIFY(d.shown.isEmpty());
    QTRY_COMPARE(d.messages().size(), 1);
    QVERIFY(t.elapsed() < 3000);
    QCOMPARE(d.messages()[0].text, u("ارتباط شما با اينترنت برقرار نمي باشد "));
    QCOMPARE(w.windowTitle(), QString("Meravel 2.5"));
    QVERIFY(button(&w, "Command1")->isEnabled());
    QVERIFY(button(&w, "Command2")->isEnabled());
    QTest::keyClick(&w, Qt::Key_Escape);
    QVERIFY(!w.isVisible());
}

void TestUpdateWindows::updateWindowNoConnection()
{
    m_server->set(kVersionPath, TestHttpServer::reply(200, "OK", "26"));
    InternetConnect::setOverride(0);
    ScopedScriptedDialogs d;
    UpdateWindow w;
    w.show();
    click(&w, "Command1");
    QCOMPARE(d.messages().size(), 1); // at once: nothing to wait for
    QCOMPARE(d.messages()[0].text, u("ارتباط شما با اينترنت برقرار نمي باشد "));
    QCOMPARE(d.messages()[0].caption, u("پيام"));
    QCOMPARE(w.windowTitle(), QString("Meravel 2.5"));
    QVERIFY(m_server->requests.isEmpty());
    QVERIFY(button(&w, "Command1")->isEnabled());
}

void TestUpdateWindows::startupCheck_data()
{
    QTest::addColumn<TestHttpServer::Route>("route");
    QTest::addColumn<bool>("connected");
    QTest::addColumn<bool>("notice");
    QTest::newRow("newer") << TestHttpServer::reply(200, "OK", " 26\r\n") << true << true;
    QTest::newRow("2 LF 6 is newer") << TestHttpServer::reply(200, "OK", "2\n6") << true << true;
    QTest::newRow("same") << TestHttpServer::reply(200, "OK", "25") << true << false;
    QTest::newRow("2.6, dotted") << TestHttpServer::reply(200, "OK", "2.6") << true << false;
    QTest::newRow("server error") << TestHttpServer::reply(503, "Unavailable", "99") << true << false;
    QTest::newRow("no connection") << TestHttpServer::reply(200, "OK", "26") << false << false;
}

void TestUpdateWindows::startupCheck()
{
    QFETCH(TestHttpServer::Route, route);
    QFETCH(bool, connected);
    QFETCH(bool, notice);
    m_server->set(kVersionPath, route);
    InternetConnect::setOverride(connected ? 1 : 0);
    ScopedScriptedDialogs d;
    MainWindow* main = MainWindow::load(ProgramWindows::openers());
    QVERIFY(main);
    QVERIFY(!main->updateNoticeVisible());
    ProgramWindows::openers().startupVersionCheck(main);
    if (notice) {
        QTRY_VERIFY(main->updateNoticeVisible());
    } else {
        QTest::qWait(300);
        QVERIFY(!main->updateNoticeVisible());
    }
    QCOMPARE(m_server->requests.size(), connected ? 1 : 0);
    QVERIFY(d.shown.isEmpty()); // the start-up check never shows a message
}

void TestUpdateWindows::progressOpens()
{
    DownloadProgressWindow* p = DownloadProgressWindow::open();
    QCOMPARE(p->windowTitle(), u("Downloading File ... "));
    QCOMPARE(button(p, "cmdUpdate")->text(), u("دانلود"));
    QCOMPARE(button(p, "Command1")->text(), u("بستن"));
    QCOMPARE(p->findChild<QLabel*>("SkinLabel4")->text(), QString("0"));
    QCOMPARE(p->barShare(), 0.0);
    QCOMPARE(p->findChild<QFrame*>("I1")->width(), 0);
    QVERIFY(!p->findChild<QWidget*>("Text")->isVisible());
    QVERIFY(!p->findChild<QLabel*>("Label1")->isVisible());
    QCOMPARE(p->setupAddress(), m_server->url(kSetupPath));
    QVERIFY(onScreen(p));
    QPointer<DownloadProgressWindow> guard(p);
    click(p, "Command1");
    QTRY_VERIFY(!guard);
}

void TestUpdateWindows::progressDownload_data()
{
    QTest::addColumn<TestHttpServer::Route>("setup");
    QTest::addColumn<QString>("manifest"); // "good" or how it is wrong
    QTest::addColumn<bool>("startResult");
    QTest::addColumn<QStringList>("messages"); // "caption|text"
    QTest::addColumn<bool>("started");
    QTest::addColumn<bool>("ended");

    const auto ok = TestHttpServer::reply(200, "OK", setupBody());
    const QString success = "Success|" + u("دانلود فايل با موفقيت به پايان رسيد ");
    const QString bad = u("خطا|امضای فایل دانلودشده معتبر نیست");
    QTest::newRow("verified: started, program ends") << ok << "good" << true << QStringList{success} << true << true;
    QTest::newRow("manifest signed by another key") << ok << "other key" << true << QStringList{bad} << false << false;
    QTest::newRow("signature of another manifest") << ok << "other data" << true << QStringList{bad} << false << false;
    QTest::newRow("no signature") << ok << "missing" << true << QStringList{bad} << false << false;
    QTest::newRow("no manifest") << ok << "no manifest" << true << QStringList{bad} << false << false;
    QTest::newRow("older release, genuinely signed") << ok << "older" << true << QStringList{bad} << false << false;
    QTest::newRow("this very release") << ok << "same" << true << QStringList{bad} << false << false;
    QTest::newRow("set-up program with another hash")
        << ok << "other hash" << true << QStringList{bad} << false << false;
    QTest::newRow("set-up program of another size") << ok << "other size" << true << QStringList{bad} << false << false;
    QTest::newRow("nothing started: the program goes on")
        << ok << "good" << false << QStringList{success, u("خطا|برنامه نصب اجرا نشد: \u2066FILE\u2069")} << true
        << false;
    QTest::newRow("set-up not found") << TestHttpServer::reply(404, "Not Found", "") << "good" << true
                                      << QStringList{"Error|The file, \"URL\" was not found!"} << false << false;
    TestHttpServer::Route cut = ok;
    cut.cutAfter = 3000;
    QTest::newRow("cut short") << cut << "good" << true
                               << QStringList{"Error|The connection with the server was reset."} << false << false;
}

void TestUpdateWindows::progressDownload()
{
    QFETCH(TestHttpServer::Route, setup);
    QFETCH(QString, manifest);
    QFETCH(bool, startResult);
    QFETCH(QStringList, messages);
    QFETCH(bool, started);
    QFETCH(bool, ended);

    TestKeyPair other;
    m_server->set(kSetupPath, setup);
    const QByteArray good = manifestOf(26, setupBody());
    if (manifest == "other key") {
        serveManifest(good, other.sign(good));
    } else if (manifest == "other data") {
        serveManifest(good, m_keys->sign(manifestOf(27, setupBody())));
    } else if (manifest == "missing") {
        serveManifest(good, QByteArray());
        m_server->set(kManifestPath + ".sig", TestHttpServer::reply(404, "Not Found", ""));
    } else if (manifest == "no manifest") {
        m_server->set(kManifestPath, TestHttpServer::reply(404, "Not Found", ""));
    } else if (manifest != "good") {
        QByteArray m = manifest == "older" ? manifestOf(24, setupBody())
            : manifest == "same"           ? manifestOf(25, setupBody())
            : manifest == "other hash"     ? manifestOf(26, setupBody().replace('p', 'q'))
                                           : manifestOf(26, setupBody() + "x");
        serveManifest(m, m_keys->sign(m));
    }
    m_startResult = startResult;

    ScopedScriptedDialogs d;
    DownloadProgressWindow* p = DownloadProgressWindow::open();
    click(p, "cmdUpdate");
    QVERIFY(p->isBusy());
    QCOMPARE(button(p, "cmdUpdate")->text(), u("انصراف"));
    QTRY_VERIFY_WITH_TIMEOUT(!p->isBusy(), 10000);

    const QString file = m_started.isEmpty() ? QString() : m_started.first();
    QStringList shownBoxes;
    for (const Box& b : boxes(d))
        shownBoxes << b.caption + '|' + b.text;
    messages.replaceInStrings("FILE", file);
    messages.replaceInStrings("URL", m_server->url(kSetupPath));
    QCOMPARE(shownBoxes, messages);
    for (const Box& b : boxes(d))
        QCOMPARE(b.icon, b.caption == "Success" ? MsgIcon::Information : MsgIcon::Critical);
    QCOMPARE(m_started.size(), started ? 1 : 0);
    QCOMPARE(m_ended, ended ? 1 : 0);
    if (started) {
        // Started from a folder of its own that only this user may write, never the program
        // folder, and with exactly the bytes of the manifest.
        QCOMPARE(QFileInfo(file).fileName(), QString("setup-Meravel.exe"));
        QVERIFY(QFileInfo(file).absolutePath() != QFileInfo(m_folder->path()).absoluteFilePath());
#ifndef Q_OS_WIN // there the folder lies in the user's own profile, which others cannot enter
        const QFile::Permissions folder = QFile::permissions(QFileInfo(file).absolutePath());
        QCOMPARE(folder & (QFile::WriteGroup | QFile::WriteOther | QFile::ReadOther), QFile::Permissions());
#endif
        QCOMPARE(m_startedBytes, setupBody());
        if (!ended) // a start that failed leaves nothing behind
            QTRY_VERIFY(!QFile::exists(file));
        else
            QDir(QFileInfo(file).absolutePath()).removeRecursively();
    }
    QVERIFY(!QFile::exists(m_folder->file("setup-Meravel.exe")));
    // A refused release is never even downloaded.
    if (manifest != "good" && !manifest.startsWith("other h") && !manifest.startsWith("other s"))
        for (const QByteArray& request : std::as_const(m_server->requests))
            QVERIFY2(!request.contains(kSetupPath.toLatin1() + " "), request);
    QCOMPARE(button(p, "cmdUpdate")->text(), u("دانلود"));
    QVERIFY(button(p, "cmdUpdate")->isEnabled());
}

void TestUpdateWindows::progressBar()
{
    DownloadProgressWindow* p = DownloadProgressWindow::open();
    auto* i1 = p->findChild<QFrame*>("I1");
    auto* pic1 = p->findChild<QFrame*>("Pic1");
    QVERIFY(pic1->width() > 0);
    QCOMPARE(i1->x(), 0); // from the left edge, in a right-to-left window too
    emit p->downloader()->progress("50");
    QCOMPARE(p->barShare(), 0.5);
    QVERIFY2(qAbs(2 * i1->width() - pic1->width()) <= 1,
             qPrintable(QString("%1 of %2").arg(i1->width()).arg(pic1->width())));
    QCOMPARE(i1->height(), pic1->height());
    QCOMPARE(p->findChild<QLabel*>("SkinLabel4")->text(), QString("50%"));
    shoot(p, "DownloadProgressWindow-50");
    // A wider window keeps the share: the bar follows its track.
    p->resize(p->width() + 200, p->height());
    QTRY_VERIFY(qAbs(2 * i1->width() - pic1->width()) <= 1);
    emit p->downloader()->progress("100");
    QCOMPARE(p->barShare(), 1.0);
    QCOMPARE(i1->width(), pic1->width()); // 100 percent fills the track exactly
    QCOMPARE(p->findChild<QLabel*>("SkinLabel4")->text(), QString("100%"));
}

namespace {
// The setup body sent slowly (the size the signed manifest announces: a body of another size
// is stopped by the downloader before any of it is shown).
TestHttpServer::Route slowSetup()
{
    TestHttpServer::Route slow = TestHttpServer::reply(200, "OK", setupBody());
    slow.pieceSize = 250;
    slow.pieceDelayMs = 20;
    return slow;
}
} // namespace

void TestUpdateWindows::progressBarDuringDownload()
{
    m_server->set(kSetupPath, slowSetup());
    ScopedScriptedDialogs d;
    DownloadProgressWindow* p = DownloadProgressWindow::open();
    auto* i1 = p->findChild<QFrame*>("I1");
    auto* pic1 = p->findChild<QFrame*>("Pic1");
    QStringList faults;
    int steps = 0;
    connect(p->downloader(), &FileDownloader::progress, p, [&] {
        ++steps;
        // The bar's share of its track is what has arrived of what was announced, to the whole
        // percent the label shows.
        const double share = double(p->downloader()->bytesReceived()) / double(p->downloader()->announcedLength());
        if (qAbs(i1->width() - share * pic1->width()) > 0.005 * pic1->width() + 1)
            faults << QString("%1 px for %2 of %3 px").arg(i1->width()).arg(share).arg(pic1->width());
        // Meanwhile the button cancels, and the address cannot be changed.
        if (button(p, "cmdUpdate")->text() != u("انصراف") || p->findChild<QLineEdit*>("Text")->isEnabled())
            faults << "not busy at " + QString::number(share);
    });
    click(p, "cmdUpdate");
    QTRY_VERIFY_WITH_TIMEOUT(!p->isBusy(), 10000);
    QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
    QVERIFY(steps >= 5);
    QCOMPARE(i1->width(), pic1->width());
    QCOMPARE(m_started.size(), 1);
    QDir(QFileInfo(m_started.first()).absolutePath()).removeRecursively();
    QVERIFY(p->findChild<QLineEdit*>("Text")->isEnabled());
}

void TestUpdateWindows::progressButtonCancels()
{
    m_server->set(kSetupPath, slowSetup());
    ScopedScriptedDialogs d;
    DownloadProgressWindow* p = DownloadProgressWindow::open();
    QString captionWhileRunning, part;
    connect(p->downloader(), &FileDownloader::progress, p, [&](const QString& percent) {
        if (percent.toInt() >= 10 && captionWhileRunning.isEmpty()) {
            captionWhileRunning = button(p, "cmdUpdate")->text();
            part = FileDownloader::partialFile(p->downloadDestination());
            QVERIFY(QFile::exists(part));
            click(p, "cmdUpdate");
        }
    });
    click(p, "cmdUpdate");
    QTRY_VERIFY_WITH_TIMEOUT(!p->isBusy(), 10000);
    QCOMPARE(captionWhileRunning, u("انصراف"));
    QCOMPARE(button(p, "cmdUpdate")->text(), u("دانلود"));
    QVERIFY(d.shown.isEmpty()); // a cancel shows nothing
    QVERIFY(!part.isEmpty());
    QVERIFY(!QFile::exists(part));
    QVERIFY(!QFileInfo::exists(QFileInfo(part).absolutePath())); // nor the folder made for it
    QVERIFY(!QFile::exists(m_folder->file("setup-Meravel.exe")));
    QVERIFY(m_started.isEmpty());

    // Cancelled while the release is still being checked: nothing is downloaded.
    m_server->set(kManifestPath, TestHttpServer::silence());
    m_server->requests.clear();
    click(p, "cmdUpdate");
    QVERIFY(p->isBusy());
    click(p, "cmdUpdate");
    QVERIFY(!p->isBusy());
    QCOMPARE(button(p, "cmdUpdate")->text(), u("دانلود"));
    QTest::qWait(200);
    QVERIFY(d.shown.isEmpty());
    for (const QByteArray& request : std::as_const(m_server->requests))
        QVERIFY2(!request.contains(kSetupPath.toLatin1() + " "), request);
}

void TestUpdateWindows::closingCancelsFirst()
{
    m_server->set(kSetupPath, slowSetup());
    ScopedScriptedDialogs d;
    QPointer<DownloadProgressWindow> p = DownloadProgressWindow::open();
    bool closedAtOnce = true;
    QString part;
    connect(p->downloader(), &FileDownloader::progress, p, [&](const QString& percent) {
        if (percent.toInt() >= 10 && part.isEmpty()) {
            part = FileDownloader::partialFile(p->downloadDestination());
            closedAtOnce = p->close();
        }
    });
    click(p, "cmdUpdate");
    QTRY_VERIFY_WITH_TIMEOUT(!p, 10000); // the window waits for the download to stop, then closes
    QVERIFY(!closedAtOnce);
    QVERIFY(d.shown.isEmpty());
    QVERIFY(!part.isEmpty());
    QVERIFY(!QFile::exists(part));
    QVERIFY(!QFileInfo::exists(QFileInfo(part).absolutePath()));
    QVERIFY(m_started.isEmpty());
}

void TestUpdateWindows::mainWindowDisabledWhileOpen()
{
    ScopedScriptedDialogs d;
    MainWindow* main = MainWindow::load(ProgramWindows::openers());
    QVERIFY(main);
    QVERIFY(main->isEnabled());
    QPointer<DownloadProgressWindow> p = DownloadProgressWindow::open(main);
    QVERIFY(!main->isEnabled());
    p->close();
    QTRY_VERIFY(!p);
    QVERIFY(main->isEnabled());
}

void TestUpdateWindows::capitalPrefixCannotWrite()
{
    m_server->set(kSetupPath, TestHttpServer::reply(200, "OK", setupBody()));
    ScopedScriptedDialogs d;
    DownloadProgressWindow* p = DownloadProgressWindow::open();
    QString address = m_server->url(kSetupPath);
    address.replace("http://", "HTTP://");
    p->setSetupAddress(address);
    click(p, "cmdUpdate");
    QTRY_VERIFY(!p->isBusy());
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(d.messages()[0].text, QString("Cannot write file to disk.\r\rError 75: Path/File access error"));
    QVERIFY(QFileInfo(m_folder->path()).isDir());
    QVERIFY(m_started.isEmpty());
}

QTEST_MAIN(TestUpdateWindows)
#include "test_update_windows.moc"
