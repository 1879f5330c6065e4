// The backup window and the exit window, driven through the scripted dialogs.
#include "TestHelpers.h"
#include "BackupTestData.h"
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "app/ScreenFit.h"
#include "backup/Backup.h"
#include "backup/BackupTexts.h"
#include "backup/BackupWindow.h"
#include "backup/ProgramEnd.h"
#include "backup/ExitWindow.h"
#include "data/Clock.h"
#include "data/Database.h"
#include "data/ProgramFolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <QTimer>
#include <QtTest>

namespace {

// Counts the requests to end the program instead of ending the test run.
struct EndWatch {
    int count = 0;
    EndWatch() { ProgramEnd::setHandler([this] { ++count; }); }
    ~EndWatch() { ProgramEnd::setHandler({}); }
};

void click(QWidget* w, const char* button) { child<QPushButton>(w, button)->click(); }

// Whether a window opens whole inside the free part of its screen.
bool insideScreen(const QWidget* w) { return ScreenFit::availableArea(w).contains(w->geometry()); }

// Holds a copy at its first chunk, on the thread that copies, until release(): the copy is
// then as long as a test needs it to be.
struct HeldCopy {
    QSemaphore started, go;
    HeldCopy()
    {
        Backup::setChunkObserver([this](qint64 copied, qint64) {
            if (copied == 0) {
                started.release();
                go.acquire();
            }
        });
    }
    ~HeldCopy() { Backup::setChunkObserver({}); }
    bool waitForStart() { return started.tryAcquire(1, 10000); }
    void release() { go.release(); }
};

ExitWindow* visibleExitWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* e = qobject_cast<ExitWindow*>(w); e && e->isVisible())
            return e;
    return nullptr;
}

MainWindow* visibleMainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* m = qobject_cast<MainWindow*>(w); m && m->isVisible())
            return m;
    return nullptr;
}

void saveShot(QWidget* w, const QString& name)
{
    const QString dir = qEnvironmentVariable("MERAVEL_SCREENSHOT_DIR");
    if (!dir.isEmpty())
        w->grab().save(dir + '/' + name + ".png");
}

// A box the windows should show: its text (a copy failure by its first line), caption, icon and
// reading order.
struct Box {
    QString text, caption;
    int icon;
    bool rtl;
};
using Boxes = QList<Box>;

// The boxes shown, in order, against the expected ones. The copy routine's failure text is
// followed by the system's description of the failure.
void compareMessages(const QList<MessageRequest>& shown, const Boxes& expected)
{
    QCOMPARE(shown.size(), expected.size());
    for (int i = 0; i < shown.size(); ++i) {
        const Box& e = expected[i];
        if (e.text == u(BackupText::CopyFailed))
            QVERIFY2(shown[i].text.startsWith(e.text + "\r\n"), qPrintable(shown[i].text));
        else
            QCOMPARE(shown[i].text, e.text);
        QCOMPARE(shown[i].caption, e.caption);
        QCOMPARE(int(shown[i].icon), e.icon);
        QCOMPARE(shown[i].rightToLeft, e.rtl);
    }
}

// What one copy of the backup window showed: the boxes in order, and how often it asked to end
// the program.
struct CopyRun {
    QList<MessageRequest> shown;
    int ends = 0;
};

// The backup window's copy run to its end: `path` typed in the box `field`, the copy started with
// `button`, the boxes answered with `answers` in turn and compared with `expected`. After a
// failure the window takes the next try, so the button is enabled again at the end.
void runCopy(const char* field, const char* button, const QString& path, const QList<int>& answers,
             const Boxes& expected, CopyRun* run)
{
    ScopedScriptedDialogs d;
    for (int a : answers)
        d.messageAnswers << MsgResult(a);
    EndWatch end;
    BackupWindow w;
    child<QLineEdit>(&w, field)->setText(path);
    click(&w, button);
    QTRY_VERIFY(!w.isCopying());
    QVERIFY(child<QPushButton>(&w, button)->isEnabled());
    run->shown = d.messages();
    run->ends = end.count;
    compareMessages(run->shown, expected);
}
} // namespace

Q_DECLARE_METATYPE(Boxes)

class TestBackupWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void opening_data();
    void opening();
    void defaultNameTakesTheClockButKeepsTheDate();
    void pathButtons();
    void backup_data();
    void backup();
    void restore_data();
    void restore();
    void everyWayOutEndsTheProgram_data();
    void everyWayOutEndsTheProgram();
    void helpPanel();
    void copyRunsWhileTheWindowServesEvents();

    void exitWindowOpening();
    void pictureButtonsHighlight();
    void confirmWithoutBackupEndsTheProgram();
    void confirmWithBackupHandsOver();
    void escConfirms_data();
    void escConfirms();
    void cancelLoadsANewMainWindow();
    void blinking();
    void closingTheMainWindowShowsTheExitWindow();

    void screenshots();

private:
    TestFolder* m_folder = nullptr;
    QString title() const { return QCoreApplication::applicationName(); }
};

void TestBackupWindows::initTestCase() { AppSetup::configure(*static_cast<QApplication*>(qApp)); }

void TestBackupWindows::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    Clock::setFixed(QDateTime(QDate(2023, 8, 3), QTime(14, 30, 10)));
}

void TestBackupWindows::cleanup()
{
    Clock::setFixed(QDateTime());
    // Deleting one window may take others with it: hold them by guarded pointers.
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ExitWindow*>(w) || qobject_cast<BackupWindow*>(w) || qobject_cast<MainWindow*>(w))
            windows << w;
    for (const QPointer<QWidget>& w : windows)
        delete w.data();
    delete m_folder;
    m_folder = nullptr;
}

void TestBackupWindows::opening_data()
{
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::newRow("afternoon") << QDateTime(QDate(2023, 8, 3), QTime(14, 30, 59)) << "1402.5.12" << "14.30";
    QTest::newRow("morning, no leading zero") << QDateTime(QDate(2023, 8, 3), QTime(9, 5)) << "1402.5.12" << "9.05";
    QTest::newRow("midnight") << QDateTime(QDate(2024, 3, 20), QTime(0, 1)) << "1403.1.1" << "0.01";
}

void TestBackupWindows::opening()
{
    QFETCH(QDateTime, now);
    QFETCH(QString, date);
    QFETCH(QString, time);
    Clock::setFixed(now);
    BackupWindow w;
    QCOMPARE(w.windowTitle(), u(BackupText::BackupCaption));
    QVERIFY(insideScreen(&w));
    QCOMPARE(child<QLabel>(&w, "LabelDate")->text(), date);
    QCOMPARE(child<QLabel>(&w, "LabelTime")->text(), time);
    QCOMPARE(child<QTimer>(&w, "Timer1")->interval(), 1000);
    QVERIFY(child<QTimer>(&w, "Timer1")->isActive());
    QVERIFY(child<QWidget>(&w, "Frame1")->isHidden());
    for (const char* name : {"b1", "b2"})
        QCOMPARE(child<QPushButton>(&w, name)->text(), u(BackupText::PathButton));
    QCOMPARE(child<QPushButton>(&w, "VisualButtonEx2")->text(), u(BackupText::BackupButton));
    QCOMPARE(child<QPushButton>(&w, "VisualButtonEx3")->text(), u(BackupText::RestoreButton));
}

void TestBackupWindows::defaultNameTakesTheClockButKeepsTheDate()
{
    ScopedScriptedDialogs d;
    Clock::setFixed(QDateTime(QDate(2023, 8, 3), QTime(23, 59, 30)));
    BackupWindow w;
    // A minute later, past midnight: the clock's tick brings the new time, the date stays.
    Clock::setFixed(QDateTime(QDate(2023, 8, 4), QTime(0, 1)));
    w.showTime();
    click(&w, "b1");
    QCOMPARE(d.shown.size(), 1);
    QCOMPARE(d.shown[0].kind, QString("save"));
    const QString expected = u("meravel") + u(BackupText::NameDate) + "1402.5.12" + u(BackupText::NameHour) + "0.01"
        + ")" + ".mdbB";
    QCOMPARE(d.shown[0].file.fileName, expected);
    QCOMPARE(w.defaultBackupName(), expected);
}

void TestBackupWindows::pathButtons()
{
    ScopedScriptedDialogs d;
    BackupWindow w;
    auto* text1 = child<QLineEdit>(&w, "Text1");
    auto* text2 = child<QLineEdit>(&w, "Text2");

    // Without the Back folder the dialogs open in their default folder.
    d.fileAnswers << "/media/usb/one.mdbB";
    click(&w, "b1");
    QCOMPARE(d.shown.last().file.folder, QString());
    QCOMPARE(d.shown.last().file.filter, u(BackupText::FileFilter));
    // The box shows the path as the system writes it (back slashes on Windows).
    const QString shown = QDir::toNativeSeparators("/media/usb/one.mdbB");
    QCOMPARE(text1->text(), shown);
    // Cancelling is no error and keeps the path.
    click(&w, "b1");
    QCOMPARE(text1->text(), shown);
    QVERIFY(d.messages().isEmpty());

    QVERIFY(QDir(m_folder->path()).mkdir("Back"));
    d.fileAnswers << m_folder->file("Back/two.mdbB");
    click(&w, "b2");
    const ScriptedDialogs::Shown open = d.shown.last();
    QCOMPARE(open.kind, QString("open"));
    QCOMPARE(open.file.folder, m_folder->file("Back"));
    QCOMPARE(open.file.filter, u(BackupText::FileFilter));
    // No preset: the dialog still holds the name it last had (the save dialog's default name).
    QCOMPARE(open.file.fileName, w.defaultBackupName());
    QCOMPARE(text2->text(), QDir::toNativeSeparators(m_folder->file("Back/two.mdbB")));
    click(&w, "b2");
    QCOMPARE(d.shown.last().file.fileName, QString("two.mdbB"));
    QCOMPARE(text2->text(), QDir::toNativeSeparators(m_folder->file("Back/two.mdbB")));

    // The real dialogs get the filter in Qt's form.
    QCOMPARE(qtFileFilter(u(BackupText::FileFilter)), QString("Database Backup  (*.mdbB)"));
}

void TestBackupWindows::backup_data()
{
    QTest::addColumn<QString>("target");        // "", "new", "existing", "database"
    QTest::addColumn<QList<int>>("answers");    // message answers
    QTest::addColumn<Boxes>("boxes"); // the boxes, in order
    QTest::addColumn<bool>("ends");
    QTest::addColumn<QString>("fileAfter"); // "none", "old", "database"

    const QString t = "Meravel"; // the program's title
    const int none = int(MsgIcon::None), info = int(MsgIcon::Information), excl = int(MsgIcon::Exclamation),
              crit = int(MsgIcon::Critical);
    const int yes = int(MsgResult::Yes), no = int(MsgResult::No);
    const Box question{u(BackupText::OverwriteQuestion), t, none, false};
    const Box done{u(BackupText::BackupDone), t, none, false};
    QTest::newRow("empty path") << "" << QList<int>{}
                                << Boxes{{u(BackupText::BackupPathEmpty), u(BackupText::Khata), excl, true}} << false
                                << "none";
    QTest::newRow("new file: no question") << "new" << QList<int>{} << Boxes{done} << true << "database";
    QTest::newRow("overwrite: yes") << "existing" << QList<int>{yes} << Boxes{question, done} << true << "database";
    QTest::newRow("overwrite: no") << "existing" << QList<int>{no}
                                   << Boxes{question, {u(BackupText::OverwriteRefused), t, info, true}} << false
                                   << "old";
    QTest::newRow("onto the database itself")
        << "database" << QList<int>{yes} << Boxes{question, {u(BackupText::CopyFailed), t, crit, true}} << false
        << "database";
}

void TestBackupWindows::backup()
{
    QFETCH(QString, target);
    QFETCH(QList<int>, answers);
    QFETCH(Boxes, boxes);
    QFETCH(bool, ends);
    QFETCH(QString, fileAfter);

    BackupTestData::addSubjects(*m_folder, 1, 20);
    Database::closeAll();
    const QByteArray database = readBytes(ProgramFolder::mainDatabase());
    QTemporaryDir dir;
    QString path = target.isEmpty() ? QString() : dir.filePath("b.mdbB");
    if (target == "existing")
        QVERIFY(writeBytes(path, "old backup, longer than nothing"));
    if (target == "database")
        path = ProgramFolder::mainDatabase();

    CopyRun run;
    runCopy("Text1", "VisualButtonEx2", path, answers, boxes, &run);
    if (QTest::currentTestFailed())
        return;
    if (target == "existing")
        QCOMPARE(run.shown[0].buttons, MsgButtons::YesNo);
    QCOMPARE(run.ends, ends ? 1 : 0);
    QCOMPARE(readBytes(ProgramFolder::mainDatabase()), database);
    if (fileAfter == "none")
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    else if (fileAfter == "old")
        QCOMPARE(readBytes(path), QByteArray("old backup, longer than nothing"));
    else
        QCOMPARE(readBytes(path), database);
}

void TestBackupWindows::restore_data()
{
    QTest::addColumn<QString>("source"); // "", "backup", "junk", "missing"
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<Boxes>("boxes");
    QTest::addColumn<bool>("restored");

    const QString t = "Meravel";
    const int none = int(MsgIcon::None), excl = int(MsgIcon::Exclamation), crit = int(MsgIcon::Critical);
    const int yes = int(MsgResult::Yes), no = int(MsgResult::No);
    const Box q{u(BackupText::RestoreQuestion), t, none, false};
    QTest::newRow("empty path") << "" << QList<int>{}
                                << Boxes{{u(BackupText::RestorePathEmpty), u(BackupText::Khata), excl, true}} << false;
    QTest::newRow("declined") << "backup" << QList<int>{no}
                              << Boxes{q, {u(BackupText::RestoreDeclined), t, none, false}} << false;
    QTest::newRow("restored") << "backup" << QList<int>{yes} << Boxes{q, {u(BackupText::RestoreDone), t, none, false}}
                              << true;
    QTest::newRow("not a backup") << "junk" << QList<int>{yes}
                                  << Boxes{q, {u(BackupText::NotABackup), u(BackupText::Khata), excl, true}} << false;
    QTest::newRow("missing file") << "missing" << QList<int>{yes}
                                  << Boxes{q, {u(BackupText::CopyFailed), t, crit, true}} << false;
}

void TestBackupWindows::restore()
{
    QFETCH(QString, source);
    QFETCH(QList<int>, answers);
    QFETCH(Boxes, boxes);
    QFETCH(bool, restored);

    // The backup holds 30 subjects; the database has moved on to 5.
    QTemporaryDir dir;
    BackupTestData::addSubjects(*m_folder, 1, 30);
    Database::closeAll();
    QVERIFY(QFile::copy(ProgramFolder::mainDatabase(), dir.filePath("b.mdbB")));
    m_folder->exec("DELETE FROM IDE WHERE CAST(Code AS INTEGER) > 5");
    Database::closeAll();
    const QByteArray database = readBytes(ProgramFolder::mainDatabase());
    QVERIFY(writeBytes(dir.filePath("junk.mdbB"), "a photo, say"));
    const QString path = source.isEmpty() ? QString() : dir.filePath(source == "backup" ? "b.mdbB" : source + ".mdbB");

    CopyRun run;
    runCopy("Text2", "VisualButtonEx3", path, answers, boxes, &run);
    if (QTest::currentTestFailed())
        return;
    if (run.shown.size() > 1)
        QCOMPARE(run.shown[0].buttons, MsgButtons::YesNo);
    QCOMPARE(run.ends, restored ? 1 : 0);
    if (restored) {
        QCOMPARE(readBytes(ProgramFolder::mainDatabase()), readBytes(dir.filePath("b.mdbB")));
        QCOMPARE(m_folder->scalar("SELECT count(*) FROM IDE"), QString("30"));
    } else {
        QCOMPARE(readBytes(ProgramFolder::mainDatabase()), database);
    }
}

void TestBackupWindows::everyWayOutEndsTheProgram_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("exit button") << "button";
    QTest::newRow("close box") << "close";
    QTest::newRow("Esc") << "esc";
}

void TestBackupWindows::everyWayOutEndsTheProgram()
{
    QFETCH(QString, how);
    ScopedScriptedDialogs d;
    EndWatch end;
    BackupWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    if (how == "button")
        click(&w, "Command1");
    else if (how == "close")
        w.close();
    else
        QTest::keyClick(&w, Qt::Key_Escape);
    QTRY_COMPARE(end.count, 1); // a button's shortcut clicks it a moment later
    QVERIFY(d.shown.isEmpty());
}

void TestBackupWindows::helpPanel()
{
    BackupWindow w;
    auto* frame = child<QWidget>(&w, "Frame1");
    QVERIFY(frame->isHidden());
    click(&w, "Command3");
    QVERIFY(frame->isVisible() || !frame->isHidden());
    const QString text = child<QPlainTextEdit>(&w, "TextHelp")->toPlainText();
    QVERIFY(text.count('\n') >= 20);
    // The help names the messages the user waits for.
    QVERIFY(text.contains(u(BackupText::BackupDone)));
    QVERIFY(text.contains(u(BackupText::RestoreDone)));
    QVERIFY(child<QPlainTextEdit>(&w, "TextHelp")->isReadOnly());
    QCOMPARE(child<QPlainTextEdit>(&w, "TextHelp")->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    click(frame, "Command2");
    QVERIFY(frame->isHidden());
}

void TestBackupWindows::copyRunsWhileTheWindowServesEvents()
{
    BackupTestData::addSubjects(*m_folder, 1, 20);
    Database::closeAll();
    QTemporaryDir dir;
    const QString path = dir.filePath("b.mdbB");
    ScopedScriptedDialogs d;
    EndWatch end;
    HeldCopy held;
    BackupWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QSignalSpy finished(&w, &BackupWindow::copyFinished);
    child<QLineEdit>(&w, "Text1")->setText(path);
    auto* backup = child<QPushButton>(&w, "VisualButtonEx2");
    QTest::mouseClick(backup, Qt::LeftButton);
    QVERIFY(held.waitForStart());

    // The copy runs elsewhere: nothing that starts or changes a copy can be pressed, a click on
    // the action starts no second one, and the window's own clock goes on.
    QVERIFY(w.isCopying());
    for (const char* name : {"VisualButtonEx2", "VisualButtonEx3", "b1", "b2"})
        QVERIFY2(!child<QPushButton>(&w, name)->isEnabled(), name);
    QVERIFY(!child<QLineEdit>(&w, "Text1")->isEnabled());
    QVERIFY(child<QPushButton>(&w, "Command3")->isEnabled());
    QTest::mouseClick(backup, Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(&w, "VisualButtonEx3"), Qt::LeftButton);
    QVERIFY(d.shown.isEmpty());
    Clock::setFixed(QDateTime(QDate(2023, 8, 3), QTime(14, 31, 10)));
    QTRY_COMPARE(child<QLabel>(&w, "LabelTime")->text(), QString("14.31"));
    // A close asked for meanwhile waits for the copy: the window stays, the program goes on.
    w.close();
    QVERIFY(w.isVisible());
    QCOMPARE(end.count, 0);
    QVERIFY(!QFileInfo::exists(path));

    held.release();
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().toBool(), true);
    compareMessages(d.messages(), {{u(BackupText::BackupDone), "Meravel", int(MsgIcon::None), false}});
    QCOMPARE(end.count, 1);
    QCOMPARE(readBytes(path), readBytes(ProgramFolder::mainDatabase()));
}

void TestBackupWindows::exitWindowOpening()
{
    ExitWindow w;
    QCOMPARE(w.windowTitle(), u(BackupText::ExitCheck));
    QVERIFY(insideScreen(&w));
    QCOMPARE(child<QLabel>(&w, "Label1")->text(), u(BackupText::ExitQuestion));
    QCOMPARE(child<QCheckBox>(&w, "Check1")->text(), u(BackupText::ExitCheck));
    QVERIFY(!child<QCheckBox>(&w, "Check1")->isChecked());
    QVERIFY(!child<QLabel>(&w, "k1")->isHidden());
    QVERIFY(!child<QLabel>(&w, "c1")->isHidden());
    QVERIFY(child<QLabel>(&w, "k2")->isHidden());
    QVERIFY(child<QLabel>(&w, "c2")->isHidden());
    for (const char* name : {"Timer2", "Timer3", "tmCaptionAnimate"}) {
        QVERIFY(child<QTimer>(&w, name)->isActive());
        QCOMPARE(child<QTimer>(&w, name)->interval(), 500);
    }
    // Four different pictures of one size.
    const QList<QImage> pictures{ExitWindow::picture(ExitWindow::Picture::ConfirmNormal).toImage(),
                                 ExitWindow::picture(ExitWindow::Picture::ConfirmHighlighted).toImage(),
                                 ExitWindow::picture(ExitWindow::Picture::CancelNormal).toImage(),
                                 ExitWindow::picture(ExitWindow::Picture::CancelHighlighted).toImage()};
    for (int i = 0; i < pictures.size(); ++i)
        for (int j = i + 1; j < pictures.size(); ++j) {
            QCOMPARE(pictures[i].size(), pictures[j].size());
            QVERIFY(pictures[i] != pictures[j]);
        }
}

void TestBackupWindows::pictureButtonsHighlight()
{
    EndWatch end;
    ExitWindow w;
    w.show();
    auto* k1 = child<QLabel>(&w, "k1");
    auto* k2 = child<QLabel>(&w, "k2");
    auto* c1 = child<QLabel>(&w, "c1");
    auto* c2 = child<QLabel>(&w, "c2");
    // The normal look takes no click.
    release(k1);
    release(c1);
    QCOMPARE(end.count, 0);

    hover(k1);
    QVERIFY(k1->isHidden());
    QVERIFY(k2->isVisible());
    hover(&w);
    QVERIFY(k1->isVisible());
    QVERIFY(k2->isHidden());
    hover(c1);
    QVERIFY(c1->isHidden());
    QVERIFY(c2->isVisible());
    QVERIFY(k1->isVisible());
    hover(&w);
    QVERIFY(c1->isVisible());
    QVERIFY(c2->isHidden());
}

void TestBackupWindows::confirmWithoutBackupEndsTheProgram()
{
    ScopedScriptedDialogs d;
    EndWatch end;
    ExitWindow w;
    w.show();
    hover(child<QLabel>(&w, "k1"));
    release(child<QLabel>(&w, "k2"));
    QCOMPARE(end.count, 1);
    QVERIFY(d.shown.isEmpty()); // no question
    QVERIFY(!w.backupWindow());
}

void TestBackupWindows::confirmWithBackupHandsOver()
{
    EndWatch end;
    ExitWindow w;
    w.show();
    child<QCheckBox>(&w, "Check1")->click();
    hover(child<QLabel>(&w, "k1"));
    release(child<QLabel>(&w, "k2"));
    QCOMPARE(end.count, 0);
    QVERIFY(w.isHidden());
    QVERIFY(w.backupWindow());
    QVERIFY(w.backupWindow()->isVisible());
    // Every way out of the backup window ends the program.
    w.backupWindow()->close();
    QCOMPARE(end.count, 1);
}

void TestBackupWindows::escConfirms_data()
{
    QTest::addColumn<bool>("ticked");
    QTest::newRow("unticked: the program ends") << false;
    QTest::newRow("ticked: the backup window") << true;
}

void TestBackupWindows::escConfirms()
{
    QFETCH(bool, ticked);
    EndWatch end;
    ExitWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    child<QCheckBox>(&w, "Check1")->setChecked(ticked);
    QTest::keyClick(&w, Qt::Key_Escape);
    QTRY_COMPARE(w.isHidden(), ticked);
    QTRY_COMPARE(end.count, ticked ? 0 : 1);
    QCOMPARE(w.backupWindow() != nullptr, ticked);
    QCOMPARE(w.isHidden(), ticked);
}

void TestBackupWindows::cancelLoadsANewMainWindow()
{
    EndWatch end;
    ProgramWindows::openers().showExit();
    QPointer<ExitWindow> w = visibleExitWindow();
    QVERIFY(w);
    QVERIFY(!visibleMainWindow());
    hover(child<QLabel>(w, "c1"));
    release(child<QLabel>(w, "c2"));
    QPointer<MainWindow> main = visibleMainWindow();
    QVERIFY(main);
    QCOMPARE(end.count, 0);
    QTRY_VERIFY(w.isNull()); // unloaded
}

void TestBackupWindows::blinking()
{
    ExitWindow w;
    auto* check = child<QCheckBox>(&w, "Check1");
    auto* timer2 = child<QTimer>(&w, "Timer2");
    auto* timer3 = child<QTimer>(&w, "Timer3");

    w.blinkFirst();
    QCOMPARE(w.windowTitle(), u(BackupText::BlinkFirst));
    QVERIFY(!timer2->isActive());
    QVERIFY(timer3->isActive());
    w.animateCaption();
    QCOMPARE(check->text(), u(BackupText::BlinkFirst));
    w.blinkSecond();
    QCOMPARE(w.windowTitle(), u(BackupText::BlinkSecond));
    QVERIFY(timer2->isActive());
    QVERIFY(!timer3->isActive());
    w.animateCaption();
    QCOMPARE(check->text(), u(BackupText::BlinkSecond));
    // A caption shorter than two characters is put back.
    w.setWindowTitle("x");
    w.animateCaption();
    QCOMPARE(w.windowTitle(), u(BackupText::BlinkFirst));
    QCOMPARE(check->text(), u(BackupText::BlinkSecond));

    // The real timers alternate the title; ticking the box is not disturbed by it.
    ExitWindow live;
    live.show();
    QTRY_COMPARE_WITH_TIMEOUT(live.windowTitle(), u(BackupText::BlinkSecond), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(live.windowTitle(), u(BackupText::BlinkFirst), 2000);
    QTRY_COMPARE_WITH_TIMEOUT(child<QCheckBox>(&live, "Check1")->text(), u(BackupText::BlinkSecond), 2000);
    child<QCheckBox>(&live, "Check1")->click();
    QTest::qWait(600);
    QVERIFY(child<QCheckBox>(&live, "Check1")->isChecked());
}

void TestBackupWindows::closingTheMainWindowShowsTheExitWindow()
{
    EndWatch end;
    MainWindow* main = MainWindow::load(ProgramWindows::openers());
    QVERIFY(main);
    main->close();
    ExitWindow* w = visibleExitWindow();
    QVERIFY(w);
    QVERIFY(insideScreen(w));
    QCOMPARE(end.count, 0);
}

void TestBackupWindows::screenshots()
{
    BackupWindow b;
    child<QLineEdit>(&b, "Text1")->setText(m_folder->file("Back/") + b.defaultBackupName());
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    saveShot(&b, "frmbackup");
    click(&b, "Command3");
    saveShot(&b, "frmbackup-help");

    ExitWindow e;
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    saveShot(&e, "exitpro");
    hover(child<QLabel>(&e, "k1"));
    saveShot(&e, "ExitWindow-confirm-lit");
    hover(child<QLabel>(&e, "c1"));
    saveShot(&e, "ExitWindow-cancel-lit");
}

QTEST_MAIN(TestBackupWindows)
#include "test_backupwindows.moc"
