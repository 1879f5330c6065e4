// Every window of the program, in each of its states, fits the screens clinics use (1280x720,
// 1366x768 at 125 %, 1920x1080 at 150 %) with the display face and with a wider face: nothing
// cut, every control reachable, every text whole; a page taller than the screen scrolls.
#include "ScriptedDialogs.h"
#include "TestFolder.h"
#include "TestHelpers.h"
#include "WindowFit.h"

#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "app/ReportPreview.h"
#include "app/SelfClosingMessage.h"
#include "backup/Backup.h"
#include "backup/BackupTexts.h"
#include "backup/BackupWindow.h"
#include "backup/ExitWindow.h"
#include "backup/ProgramEnd.h"
#include "questionnaire/QuestionnaireWindow.h"
#include "records/LookupWindow.h"
#include "records/WorkbookWindow.h"
#include "scoring/NormTable.h"
#include "scoring/ScoringWindow.h"
#include "update/DownloadProgressWindow.h"
#include "update/FileDownloader.h"
#include "update/UpdateServer.h"
#include "update/UpdateWindow.h"
#include "update/VersionCheck.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include <memory>

class TestWindowFit : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();

    void mainWindowFits();
    void testWindowFits();
    void scoringWindowFits();
    void lookupWindowFits();
    void workbookWindowFits();
    void backupAndExitWindowsFit();
    void updateWindowsFit();

private:
    // Runs `walk` once per face; walk shows windows and calls check() on each state.
    void forEachFace(const std::function<void()>& walk);
    void check(QWidget* window, const QString& what) { m_faults << WindowFit::faultsOnEveryScreen(window, what); }

    TestFolder* m_folder = nullptr;
    ScopedScriptedDialogs* m_dialogs = nullptr;
    QFont m_font;
    QStringList m_faults;
};

void TestWindowFit::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->addSubject("1");
    m_dialogs = new ScopedScriptedDialogs;
    m_font = QApplication::font();
    m_faults.clear();
}

void TestWindowFit::cleanup()
{
    QApplication::setFont(m_font);
    delete m_dialogs;
    delete m_folder;
}

void TestWindowFit::forEachFace(const std::function<void()>& walk)
{
    for (const QString& face : WindowFit::faces()) {
        WindowFit::useFace(face);
        walk();
    }
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join('\n')));
}

void TestWindowFit::mainWindowFits()
{
    forEachFace([this] {
        std::unique_ptr<MainWindow> main(MainWindow::load(ProgramWindows::openers()));
        QVERIFY(main);
        auto click = [&main](const char* name) {
            QTest::mouseClick(child<QPushButton>(main.get(), name), Qt::LeftButton);
        };
        check(main.get(), "main window");
        // The hint line with the longest hint.
        auto* lookup = child<QPushButton>(main.get(), "Command4");
        QTest::mouseMove(main.get(), lookup->mapTo(main.get(), lookup->rect().center()));
        QTRY_VERIFY(child<QLabel>(main.get(), "SkinLabel2")->isVisible());
        check(main.get(), "main window, hint");
        click("Command1");
        check(main.get(), "main window, registration");
        main->panelReset();
        click("Command9");
        check(main.get(), "main window, settings");
        click("Command68");
        check(main.get(), "main window, theme");
        click("Command46");
        click("Command9");
        click("Command67");
        check(main.get(), "main window, clinic details");
        click("Command7");
        main->panelReset();
        main->showUpdateNotice();
        check(main.get(), "main window, update notice");
        main->panelReset();

        // The windows the menu opens modally: checked while open, then closed as a user does.
        auto checkModal = [this](const QString& what) {
            QTimer::singleShot(0, this, [this, what] {
                QWidget* modal = QApplication::activeModalWidget();
                QVERIFY2(modal, qPrintable(what + " not shown"));
                check(modal, what);
                modal->close();
            });
        };
        checkModal("about window");
        click("Command12");
        checkModal("introduction window");
        click("Command11");

        // The self-closing message, the real box: the registration refused with empty fields.
        Dialogs::install(nullptr);
        click("Command1");
        QTimer::singleShot(0, this, [this, &main] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                    // Drawn once, it stays while it is checked.
                    QVERIFY(QTest::qWaitForWindowExposed(box));
                    QCoreApplication::processEvents();
                    SelfClosingMessage::armAutoConfirm(main.get(), 60000);
                    check(box, "self-closing message");
                    box->defaultButton()->click();
                    return;
                }
        });
        click("Command8");
        Dialogs::install(m_dialogs);

        // The report preview: Qt's print preview with the program's PDF button.
        auto report = std::make_shared<Report::Document>();
        report->title = "DataR1";
        Report::preview(report, main.get());
        QWidget* preview = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "ReportPreview" && w->isVisible())
                preview = w;
        QVERIFY(preview);
        check(preview, "report preview");
        preview->close();
    });
}

void TestWindowFit::testWindowFits()
{
    // Beyond the usual screens, a laptop's 1366x768 at 150 % (911x440 of room): the page
    // scrolls there, and Next, Back and Save stay in sight below it.
    const WindowFit::Screen small{QStringLiteral("1366x768 at 150%"), QSize(911, 512 - 72)};
    auto checkPage = [this, &small](QuestionnaireWindow* w, const QString& what) {
        check(w, what);
        const QSize before = w->size();
        m_faults << WindowFit::faults(w, small, what);
        for (const char* name : {"CmdNext", "CmdBack", "CmdSave"}) {
            auto* button = child<QPushButton>(w, name);
            bool scrolled = false;
            for (QWidget* p = button->parentWidget(); p != w; p = p->parentWidget())
                scrolled = scrolled || qobject_cast<QScrollArea*>(p);
            if (scrolled || !w->rect().contains(QRect(button->mapTo(w, QPoint(0, 0)), button->size())))
                m_faults << what + QStringLiteral(", %1: %2 out of sight").arg(small.name, name);
        }
        w->resize(before);
    };
    forEachFace([&] {
        QVERIFY(WindowFit::walkTestWindow("1", [&](QuestionnaireWindow* w, int page, const QString& what) {
            if (page == 0)
                check(w, what);
            else
                checkPage(w, what);
        }));
    });
}

void TestWindowFit::scoringWindowFits()
{
    // Subject 1 answered; subject 2, a second administration to compare with; a norm table.
    QVERIFY(m_folder->exec("UPDATE IDE SET V='20', J='30', H='25', A='10', M='5', GH='2' WHERE Code='1'"));
    m_folder->addSubject("2");
    QVERIFY(m_folder->exec("UPDATE IDE SET V='40', J='30', H='20', A='45', M='5', GH='1' WHERE Code='2'"));
    std::vector<Psychometrics::Subject> group(40);
    for (int k = 0; k < 40; ++k) {
        group[size_t(k)].sex = u("پسر");
        group[size_t(k)].grade = "10";
        group[size_t(k)].totals = {k, k, k, k, k, k};
        for (auto& items : group[size_t(k)].items)
            items[0] = quint8(k % 2);
    }
    const QString norms = m_folder->file("norms.json");
    QVERIFY(NormTable::save(NormTable::build(group, ReferenceGroup::None), norms));

    forEachFace([&] {
        ScoringWindow w;
        auto click = [&](const char* name) { QTest::mouseClick(child<QPushButton>(&w, name), Qt::LeftButton); };
        check(&w, "scoring window");
        click("Command5");
        check(&w, "scoring window, help");
        click("CmdHelpExit");
        m_dialogs->inputAnswers.enqueue("1");
        click("Command1");
        check(&w, "scoring window, subject shown");
        m_dialogs->fileAnswers.enqueue(norms);
        click("CmdNorms");
        check(&w, "scoring window, norm table");
        auto* percentiles = child<QCheckBox>(&w, "ChkPercentileChart");
        percentiles->setChecked(true);
        check(&w, "scoring window, percentile hexagon");
        m_dialogs->inputAnswers.enqueue("2");
        click("CmdCompare");
        check(&w, "scoring window, retest comparison");
        click("Command5");
        check(&w, "scoring window, help over a result");
        NormTable::remember(QString(), nullptr);
    });
}

void TestWindowFit::lookupWindowFits()
{
    m_folder->addSubject("2", u("محمدحسين"), u("عبدالرحمن زاده اصفهاني"));
    forEachFace([this] {
        LookupWindow w;
        check(&w, "look-up window");
        // A name search: the grid lists the rows it found.
        child<QComboBox>(&w, "DataCombo2")->setEditText(u("عبدالرحمن زاده اصفهاني"));
        QVERIFY(w.listsFoundRows());
        check(&w, "look-up window, a name found");
    });
}

void TestWindowFit::workbookWindowFits()
{
    m_folder->addSubject("2", u("محمدحسين"), u("عبدالرحمن زاده اصفهاني"));
    forEachFace([this] {
        WorkbookWindow w;
        check(&w, "workbook window");
        m_dialogs->inputAnswers.enqueue("2");
        QTest::mouseClick(child<QPushButton>(&w, "Print_Btn"), Qt::LeftButton);
        QVERIFY(!child<QLabel>(&w, "Label2")->text().isEmpty());
        check(&w, "workbook window, a subject selected");
        QTest::mouseClick(child<QPushButton>(&w, "Command2"), Qt::LeftButton);
        check(&w, "workbook window, help");
    });
}

void TestWindowFit::backupAndExitWindowsFit()
{
    // A finished copy ends the program: here it is only counted.
    int ends = 0;
    ProgramEnd::setHandler([&ends] { ++ends; });
    forEachFace([this, &ends] {
        {
            BackupWindow w;
            child<QLineEdit>(&w, "Text1")->setText(m_folder->file("Back/") + w.defaultBackupName());
            check(&w, "backup window");
            // While a copy runs (held at its first chunk), with its actions disabled.
            QSemaphore started, go;
            Backup::setChunkObserver([&](qint64 copied, qint64) {
                if (copied == 0) {
                    started.release();
                    go.acquire();
                }
            });
            child<QLineEdit>(&w, "Text1")->setText(m_folder->file(QStringLiteral("copy%1.mdbB").arg(ends)));
            QTest::mouseClick(child<QPushButton>(&w, "VisualButtonEx2"), Qt::LeftButton);
            QVERIFY(started.tryAcquire(1, 10000));
            check(&w, "backup window, copying");
            go.release();
            QTRY_VERIFY(!w.isCopying());
            Backup::setChunkObserver({});
            QCOMPARE(m_dialogs->messages().last().text, u(BackupText::BackupDone));
            QTest::mouseClick(child<QPushButton>(&w, "Command3"), Qt::LeftButton);
            check(&w, "backup window, help");
        }
        ExitWindow w;
        check(&w, "exit window");
        hover(child<QLabel>(&w, "k1"));
        check(&w, "exit window, confirm lit");
        w.blinkFirst();
        w.animateCaption();
        hover(child<QLabel>(&w, "c1"));
        check(&w, "exit window, cancel lit, blinking");
    });
    ProgramEnd::setHandler({});
}

void TestWindowFit::updateWindowsFit()
{
    // A server that takes the connection and never answers keeps a check under way; a closed
    // port makes one fail at once.
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost));
    const QString silentAddress = QStringLiteral("http://127.0.0.1:%1").arg(silent.serverPort());
    quint16 closedPort = 0;
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        closedPort = closed.serverPort();
    }
    // And one that offers release 2.6.
    QTcpServer offering;
    QVERIFY(offering.listen(QHostAddress::LocalHost));
    connect(&offering, &QTcpServer::newConnection, &offering, [&offering] {
        while (QTcpSocket* socket = offering.nextPendingConnection())
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                socket->write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\n26");
                socket->disconnectFromHost();
            });
    });
    InternetConnect::setOverride(1);
    forEachFace([&] {
        UpdateServer::setAddress(silentAddress);
        {
            UpdateWindow w;
            check(&w, "update window");
            QTest::mouseClick(child<QPushButton>(&w, "Command1"), Qt::LeftButton);
            QVERIFY(w.isChecking());
            check(&w, "update window, checking");
        }
        {
            UpdateServer::setAddress(QStringLiteral("http://127.0.0.1:%1").arg(offering.serverPort()));
            UpdateWindow w;
            w.show();
            QTest::mouseClick(child<QPushButton>(&w, "Command1"), Qt::LeftButton);
            QTRY_VERIFY(w.openedProgress());
            std::unique_ptr<DownloadProgressWindow> offered(w.openedProgress());
            check(offered.get(), "download window, a newer release offered");
            UpdateServer::setAddress(silentAddress);
        }
        DownloadProgressWindow w;
        check(&w, "download window");
        // Under way: the button cancels, the bar and the percentage show what has arrived.
        QTest::mouseClick(child<QPushButton>(&w, "cmdUpdate"), Qt::LeftButton);
        QVERIFY(w.isBusy());
        emit w.downloader()->progress(QStringLiteral("57"));
        check(&w, "download window, downloading");
        QTest::mouseClick(child<QPushButton>(&w, "cmdUpdate"), Qt::LeftButton);
        // Failed: back to the start, the last percentage still shown.
        UpdateServer::setAddress(QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
        QTest::mouseClick(child<QPushButton>(&w, "cmdUpdate"), Qt::LeftButton);
        QTRY_VERIFY(!w.isBusy());
        check(&w, "download window, after a failure");
    });
    UpdateServer::setAddress(QString());
    InternetConnect::setOverride(-1);
}

QTEST_MAIN(TestWindowFit)
#include "test_windowfit.moc"
