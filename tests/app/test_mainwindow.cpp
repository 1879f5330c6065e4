#include "DigitSets.h"
#include "TestHelpers.h"
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "app/Links.h"
#include "data/SingleInstance.h"
#include "data/Clock.h"
#include "data/Database.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
// A widget's rectangle in its window's coordinates.
QRect inWindow(const QWidget* w) { return QRect(w->mapTo(w->window(), QPoint(0, 0)), w->size()); }
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startUpShowsTitleAndEmptyBanner();
    void placesKeepTheirOrder();
    void exitButtonOnTheSmallestScreen_data();
    void exitButtonOnTheSmallestScreen();
    void hintsFollowTheMouse();
    void testLaunchWithoutSubjects();
    void saveWithEverythingEmptyAsksForTheCode();
    void registerThenLaunchWithoutRestart();
    void cancelledCodeDialog();
    void unknownCodeAtLaunch();
    void keyFilterOfAgeAndCode();
    void persianDigitsInDigitBoxes_data();
    void persianDigitsInDigitBoxes();
    void persianCodeAtLaunch();
    void hintLeavesWithThePointer();
    void listPicksAreRemembered();
    void cancelLeavesNoRow();
    void duplicateCodeRefusedByThePanel();
    void dateBoxTakesOnlySolarDates();
    void abandonedRegistrationStillProposesACode();
    void scoringAndLookupDoNothingWithoutSubjects();
    void linksGoThroughTheShell();
    void missingDatabaseStopsStartUp();
    void missingSkinSettingStopsStartUp();
    void secondInstanceRefused();
    void lockOfAnEarlierProcessWithThisNumberIsTakenOver();
    void screenshots();

private:
    template <typename T> T* child(const char* name) { return ::child<T>(m_main, name); }
    void click(const char* name) { QTest::mouseClick(child<QPushButton>(name), Qt::LeftButton); }
    void fillRegistration(const QString& first, const QString& last, int sex, const QString& age,
                          const QString& schoolClass, int group);

    TestFolder* m_folder = nullptr;
    ScopedScriptedDialogs* m_dialogs = nullptr;
    MainWindow* m_main = nullptr;
};

void TestMainWindow::initTestCase()
{
    AppSetup::configure(*qApp);
    Clock::setFixed(QDateTime(QDate(2023, 10, 7), QTime(9, 30, 5)));
}

void TestMainWindow::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_dialogs = new ScopedScriptedDialogs;
    m_main = MainWindow::load(ProgramWindows::openers());
    QVERIFY(m_main);
}

void TestMainWindow::cleanup()
{
    delete m_main; // unload without the exit window
    m_main = nullptr;
    delete m_dialogs;
    delete m_folder;
}

void TestMainWindow::fillRegistration(const QString& first, const QString& last, int sex, const QString& age,
                                      const QString& schoolClass, int group)
{
    // Persian letters cannot be typed as key clicks; names are entered as text.
    child<QLineEdit>("Text6")->insert(first);
    child<QLineEdit>("Text4")->insert(last);
    auto* combo2 = child<QComboBox>("Combo2");
    combo2->setCurrentIndex(sex);
    emit combo2->activated(sex);
    QTest::keyClicks(child<QLineEdit>("Text5"), age);
    child<QLineEdit>("Text15")->insert(schoolClass);
    auto* combo3 = child<QComboBox>("Combo3");
    combo3->setCurrentIndex(group);
    emit combo3->activated(group);
}

void TestMainWindow::startUpShowsTitleAndEmptyBanner()
{
    QCOMPARE(m_main->windowTitle(), QString("Meravel"));
    QCOMPARE(child<QLabel>("SkinLabel9")->text(), QString("Meravel 2.5"));
    QCOMPARE(child<QLabel>("SkinLabel1")->text(), QString("Windowed Label"));
    QVERIFY(!child<QLabel>("SkinLabel2")->isVisible());
    QVERIFY(!child<QFrame>("Frame3")->isVisible());
    QVERIFY(!child<QFrame>("RegistrationPanel")->isVisible());
    const QStringList captions{u("ثبت نام آزمودني"), u("اجراي تست"), u("کليد گذاري و محاسبه"), u("نمايش کد آزمودني"),
                               u("معرفي پرسشنامه"), u("فايل آزمودني"), u("تنظيمات"), u("درباره ما"),
                               u("بروز رساني"), u("خروج")};
    const char* names[] = {"Command1", "Command2", "Command3", "Command4", "Command11",
                           "Command5", "Command9", "Command12", "Command17", "Command6"};
    int lastTop = -1;
    for (int i = 0; i < 10; ++i) {
        auto* b = child<QPushButton>(names[i]);
        QCOMPARE(b->text(), captions[i]);
        QVERIFY(b->geometry().top() > lastTop); // top to bottom in menu order
        lastTop = b->geometry().top();
    }
    // The skin named in skin.txt was applied.
    QVERIFY(!m_main->styleSheet().isEmpty());
}

void TestMainWindow::placesKeepTheirOrder()
{
    // Right to left: the menu at the right of the picture, the banner above both with the help
    // button at its left, the hint line below; the panels open over the picture.
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
    const QRect menu = inWindow(child<QFrame>("Frame7"));
    const QRect picture = inWindow(child<QPushButton>("Picture1"));
    const QRect banner = inWindow(child<QLabel>("SkinLabel1"));
    QVERIFY(menu.left() >= picture.right());
    QVERIFY(banner.bottom() <= menu.top());
    QVERIFY(inWindow(child<QLabel>("SkinLabel9")).right() <= picture.right());
    QVERIFY(inWindow(child<QLabel>("SkinLabel2")).top() >= menu.bottom());
    if (!Links::MakerSite.isEmpty())
        QVERIFY(inWindow(child<QPushButton>("CmdHelp")).right() <= banner.left());
    QVERIFY(inWindow(child<QLabel>("SkinLabel21")).top() >= picture.bottom());

    // The registration panel: two columns, each label at the right of its field; Save at the
    // right of Cancel, below the left column.
    click("Command1");
    auto* panel = child<QFrame>("RegistrationPanel");
    QVERIFY(inWindow(panel).right() <= menu.left());
    for (const char* name : {"Text11", "Text6", "Text4", "Text5", "Text15", "Text8", "Text9", "Combo2", "Combo3"}) {
        const QRect field = inWindow(child<QWidget>(name));
        const QRect label = inWindow(child<QLabel>((QByteArray(name) + "Label").constData()));
        QVERIFY2(label.left() >= field.right() && qAbs(label.center().y() - field.center().y()) < 4, name);
    }
    const char* rightColumn[] = {"Text11", "Text6", "Text4", "Text5", "Combo2"};
    const char* leftColumn[] = {"Text15", "Text8", "Text9", "Combo3", "Command8"};
    for (int row = 0; row < 5; ++row) {
        const QRect right = inWindow(child<QWidget>(rightColumn[row]));
        const QRect left = inWindow(child<QWidget>(leftColumn[row]));
        QVERIFY2(qAbs(right.center().y() - left.center().y()) < 6, rightColumn[row]);
        QVERIFY(left.right() < right.left());
        if (row > 0)
            QVERIFY(right.top() > inWindow(child<QWidget>(rightColumn[row - 1])).bottom());
    }
    QVERIFY(inWindow(child<QPushButton>("Command10")).right() < inWindow(child<QPushButton>("Command8")).left());

    // The settings panel at the right, its buttons at the right of the logo; the theme panel
    // above it; the number between Back (right) and Next (left).
    click("Command9");
    click("Command68");
    const QRect settings = inWindow(child<QFrame>("Frame8"));
    const QRect theme = inWindow(child<QFrame>("Frame6"));
    QVERIFY(theme.bottom() < settings.top());
    QVERIFY(inWindow(child<QPushButton>("Command68")).left() > inWindow(child<QLabel>("Picture2")).right());
    QVERIFY(inWindow(child<QCheckBox>("Check1")).top() > inWindow(child<QLabel>("Picture2")).bottom());
    const QRect number = inWindow(child<QLineEdit>("Txtthema"));
    QVERIFY(inWindow(child<QPushButton>("Comdtback")).left() > number.right());
    QVERIFY(inWindow(child<QPushButton>("Comdtnext")).right() < number.left());
    QVERIFY(!child<QPushButton>("Cmndedit")->isVisible());
}

void TestMainWindow::exitButtonOnTheSmallestScreen_data()
{
    QTest::addColumn<QSize>("room");
    // 1366x768 at 150 % and 1280x720 at 125 %: the screen in logical pixels less a task bar
    // and the title bar.
    QTest::newRow("1366x768 at 150%") << QSize(911, 512 - 72);
    QTest::newRow("1280x720 at 125%") << QSize(1024, 576 - 72);
}

void TestMainWindow::exitButtonOnTheSmallestScreen()
{
    // With the program's face the window opens no larger than the room and shows its whole
    // menu there, down to the exit button, without scrolling; on a smaller room (or with a
    // much taller face) its body scrolls and the exit button is still reached.
    QFETCH(QSize, room);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
    m_main->resize(m_main->sizeHint().boundedTo(room));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    QCoreApplication::processEvents();
    QVERIFY(m_main->width() <= room.width() && m_main->height() <= room.height());
    auto* scroll = child<QScrollArea>("MainScroll");
    const QRect shown(scroll->viewport()->mapTo(m_main, QPoint(0, 0)), scroll->viewport()->size());
    const QRect exit = inWindow(child<QPushButton>("Command6"));
    QVERIFY2(shown.contains(exit),
             qPrintable(QStringLiteral("exit button at %1,%2 %3x%4, shown %5x%6")
                            .arg(exit.x())
                            .arg(exit.y())
                            .arg(exit.width())
                            .arg(exit.height())
                            .arg(shown.width())
                            .arg(shown.height())));
    QCOMPARE(scroll->verticalScrollBar()->value(), 0);
    // On a room smaller than the menu the body scrolls: the exit button can be reached.
    m_main->resize(room.width(), 200);
    QCoreApplication::processEvents();
    scroll->ensureWidgetVisible(child<QPushButton>("Command6"));
    const QRect scrolledShown(scroll->viewport()->mapTo(m_main, QPoint(0, 0)), scroll->viewport()->size());
    QVERIFY(scrolledShown.contains(inWindow(child<QPushButton>("Command6"))));
}

void TestMainWindow::hintsFollowTheMouse()
{
    auto* hint = child<QLabel>("SkinLabel2");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(child<QPushButton>("Command1"), &enter);
    QVERIFY(hint->isVisibleTo(m_main));
    QCOMPARE(hint->text(), u(" شما بايد هر آزمودني را ابتدا ثبت نام کرده و سپس روي دکمه اجراي تست کليک کرده و کد آزمودني را وارد کنيد"));
    QApplication::sendEvent(child<QPushButton>("Command9"), &enter);
    QCOMPARE(hint->text(), u("با کليک بر روي اين دکمه شمامي توانيد:- تم برنامه را عوض کنيد - نام و آدرس کلينيک و... را وارد کنيد"));
    // A button without a hint leaves it; the menu frame clears and hides it.
    QApplication::sendEvent(child<QPushButton>("Command5"), &enter);
    QVERIFY(hint->isVisibleTo(m_main));
    QApplication::sendEvent(child<QFrame>("Frame7"), &enter);
    QCOMPARE(hint->text(), QString());
    QVERIFY(!hint->isVisibleTo(m_main));
}

void TestMainWindow::testLaunchWithoutSubjects()
{
    click("Command2");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList{u("شما بايد ابتدا يک آزمودني را ثبت نام کنيد")});
    QCOMPARE(m_dialogs->shown.size(), 1); // no code was asked for
}

void TestMainWindow::saveWithEverythingEmptyAsksForTheCode()
{
    click("Command1");
    QVERIFY(child<QFrame>("RegistrationPanel")->isVisible());
    QCOMPARE(child<QLineEdit>("Text11")->text(), QString()); // empty S2: no proposal
    QVERIFY(!child<QPushButton>("Command1")->isEnabled());
    QCOMPARE(child<QLineEdit>("Text8")->text(), QString("1402/07/15"));
    QCOMPARE(child<QLineEdit>("Text9")->text(), QString("09:30:05"));
    click("Command8");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList{u("کد آزمودني را وارد کنيد")});
    QVERIFY(child<QFrame>("RegistrationPanel")->isVisible());
    QCOMPARE(m_folder->scalar("SELECT count(*) FROM IDE"), QString("0"));
}

void TestMainWindow::registerThenLaunchWithoutRestart()
{
    click("Command1");
    QTest::keyClicks(child<QLineEdit>("Text11"), "101");
    fillRegistration(u("سارا"), u("كريمي"), 1, "14", u("نهم"), 2);
    click("Command8");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList());
    QVERIFY(!child<QFrame>("RegistrationPanel")->isVisible());
    QVERIFY(child<QPushButton>("Command1")->isEnabled());
    for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
        QCOMPARE(m_folder->scalar(QString("SELECT count(*) FROM %1 WHERE Code='101'").arg(t)), QString("1"));
    QCOMPARE(m_folder->scalar("SELECT FName||'|'||LName||'|'||Jens||'|'||Sen||'|'||Tahsil||'|'||\"Group\"||'|'||\"Date\"||'|'||\"Time\" FROM IDE"),
             u("سارا|كريمي|دختر|14|نهم|C|1402/07/15|09:30:05"));

    // The next registration proposes the following code.
    click("Command1");
    QCOMPARE(child<QLineEdit>("Text11")->text(), QString("102"));
    click("Command10");

    // The test launch now asks for the code and opens the test window, closed here at once.
    m_dialogs->inputAnswers.enqueue("101");
    bool testWindowShown = false;
    QTimer::singleShot(0, this, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            testWindowShown = modal->objectName() == "FrmTest";
            modal->close();
        }
    });
    click("Command2");
    QVERIFY(testWindowShown);
    QCOMPARE(m_dialogs->shown.first().kind, QString("input"));
    QCOMPARE(m_dialogs->shown.first().title, QString("Enter Code "));
    QCOMPARE(m_dialogs->shown.first().prompt, u(" كد آزمودني را وارد كنيد "));
}

void TestMainWindow::cancelledCodeDialog()
{
    m_folder->addSubject("1"); // registered elsewhere: the main window asks the store each time
    click("Command2");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList{u("شما بايد شماره آزمودني مورد نظر را وارد كنيد")});
}

void TestMainWindow::unknownCodeAtLaunch()
{
    m_folder->addSubject("1"); // registered elsewhere: the main window asks the store each time
    m_dialogs->inputAnswers.enqueue("1' OR '1'='1");
    click("Command2");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList{u("فردي با اين مشخصات وجود ندارد")});
}

void TestMainWindow::keyFilterOfAgeAndCode()
{
    click("Command1");
    auto* age = child<QLineEdit>("Text5");
    QTest::keyClicks(age, "1");
    QTest::keyClick(age, Qt::Key_A, Qt::NoModifier);
    QCOMPARE(age->text(), QString("1"));
    QCOMPARE(m_dialogs->beeps, 1);
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList{u("شما بايد عدد وارد كنيد")});
    QTest::keyClicks(age, "23"); // a third digit is not accepted
    QCOMPARE(age->text(), QString("12"));
    auto* code = child<QLineEdit>("Text11");
    QTest::keyClicks(code, "-");
    QCOMPARE(code->text(), QString());
    QCOMPARE(m_dialogs->beeps, 2);
    // The first-name field takes any text.
    QTest::keyClicks(child<QLineEdit>("Text6"), "a-1");
    QCOMPARE(child<QLineEdit>("Text6")->text(), QString("a-1"));
}

void TestMainWindow::persianDigitsInDigitBoxes_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("shown");
    for (const char* box : {"Text11", "Text5"})
        for (const DigitSet& d : AllDigitSets)
            for (int v = 0; v <= 9; ++v)
                QTest::addRow("%s %s %d", box, d.name, v)
                    << box << QString(d.digit(v)) + d.digit(9 - v) << QString::number(v) + QString::number(9 - v);
}

void TestMainWindow::persianDigitsInDigitBoxes()
{
    // The registration's code and age boxes: each digit counts by its value, kept as ASCII.
    QFETCH(QString, box);
    QFETCH(QString, keys);
    QFETCH(QString, shown);
    click("Command1");
    auto* field = child<QLineEdit>(box.toLatin1());
    field->clear();
    for (QChar c : keys) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(field, &press);
    }
    QCOMPARE(field->text(), shown);
    QCOMPARE(m_dialogs->beeps, 0);
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList());
}

void TestMainWindow::persianCodeAtLaunch()
{
    // A code typed in Persian digits in the test launch's input box names the same subject.
    m_folder->addSubject("101");
    delete m_main; // the main window reads the subjects at start-up
    m_main = MainWindow::load(ProgramWindows::openers());
    QVERIFY(m_main);
    m_dialogs->inputAnswers.enqueue(u("۱۰١"));
    QString opened;
    QTimer::singleShot(0, this, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->objectName() + " " + modal->findChild<QLineEdit*>("TxtCode")->text();
            modal->close();
        }
    });
    click("Command2");
    QCOMPARE(opened, QString("FrmTest 101"));
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList());
}

void TestMainWindow::hintLeavesWithThePointer()
{
    // The pointer moved over the real window: the hint follows it from button to button and
    // goes when the pointer leaves for a button without a hint, the menu frame or the window.
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main));
    auto* hint = child<QLabel>("SkinLabel2");
    auto moveTo = [&](QWidget* w, QPoint at = QPoint(-1, -1)) {
        const QPoint local = at.x() < 0 ? w->rect().center() : at;
        QTest::mouseMove(m_main, w->mapTo(m_main, local));
        QCoreApplication::processEvents();
    };
    const QString hint1 = u(
        " شما بايد هر آزمودني را ابتدا ثبت نام کرده و سپس روي دکمه اجراي تست کليک کرده و کد آزمودني را وارد کنيد");
    const QString hint2 = u(" جهت جواب دادن به سؤالها روي اين دکمه کليک کنيد و کد آزمودني مورد نظر را وارد کنيد ");
    moveTo(child<QPushButton>("Command1"));
    QTRY_COMPARE(hint->text(), hint1);
    QVERIFY(hint->isVisible());
    moveTo(child<QPushButton>("Command2"));
    QTRY_COMPARE(hint->text(), hint2);
    moveTo(child<QPushButton>("Command11")); // no hint of its own
    QTRY_COMPARE(hint->text(), QString());
    QVERIFY(!hint->isVisible());
    moveTo(child<QPushButton>("Command9"));
    QTRY_VERIFY(!hint->text().isEmpty());
    // The gap between two buttons is the menu frame.
    auto* frame = child<QFrame>("Frame7");
    auto* b9 = child<QPushButton>("Command9");
    const QPoint gap = b9->mapTo(frame, QPoint(b9->width() / 2, b9->height() + 2));
    QVERIFY(!frame->childAt(gap));
    moveTo(frame, gap);
    QTRY_COMPARE(hint->text(), QString());
    moveTo(child<QPushButton>("Command3"));
    QTRY_VERIFY(!hint->text().isEmpty());
    moveTo(m_main, QPoint(10, m_main->height() / 2)); // the background
    QTRY_COMPARE(hint->text(), QString());
}

void TestMainWindow::listPicksAreRemembered()
{
    click("Command1");
    QTest::keyClicks(child<QLineEdit>("Text11"), "1");
    fillRegistration("a", "b", 0, "12", "c", 1);
    click("Command8");
    click("Command1");
    QCOMPARE(child<QComboBox>("Combo2")->currentText(), u("پسر"));
    QCOMPARE(child<QComboBox>("Combo3")->currentText(), QString("B"));
    QCOMPARE(child<QLineEdit>("Text6")->text(), QString()); // a new, empty row
}

void TestMainWindow::cancelLeavesNoRow()
{
    click("Command1");
    QTest::keyClicks(child<QLineEdit>("Text11"), "5");
    fillRegistration("a", "b", 0, "12", "c", 1);
    click("Command10");
    QVERIFY(!child<QFrame>("RegistrationPanel")->isVisible());
    QVERIFY(child<QPushButton>("Command1")->isEnabled());
    for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
        QCOMPARE(m_folder->scalar(QString("SELECT count(*) FROM %1").arg(t)), QString("0"));
}

void TestMainWindow::duplicateCodeRefusedByThePanel()
{
    m_folder->addSubject("7");
    click("Command1");
    auto* code = child<QLineEdit>("Text11");
    code->clear();
    QTest::keyClicks(code, "7");
    fillRegistration("a", "b", 0, "12", "c", 1);
    click("Command8");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList{u("این کد قبلاً ثبت شده است")});
    QVERIFY(child<QFrame>("RegistrationPanel")->isVisible());
    QCOMPARE(m_folder->scalar("SELECT count(*) FROM IDE"), QString("1"));
    QCOMPARE(m_folder->scalar("SELECT count(*) FROM S1"), QString("1"));
}

void TestMainWindow::dateBoxTakesOnlySolarDates()
{
    // Typed key by key, as on a Persian keyboard.
    auto typeInto = [](QLineEdit* field, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QApplication::sendEvent(field, &press);
        }
    };
    click("Command1");
    QTest::keyClicks(child<QLineEdit>("Text11"), "1"); // no subject yet: no code proposed
    fillRegistration("a", "b", 0, "12", "c", 1);
    auto* date = child<QLineEdit>("Text8");
    for (const QString& typed : {u("فردا"), u("۱۴۰۲/۱۳/۰۱"), u("1402/12/30"), QString()}) {
        m_dialogs->shown.clear();
        date->selectAll();
        QTest::keyClick(date, Qt::Key_Delete);
        typeInto(date, typed);
        QCOMPARE(date->text(), typed);
        click("Command8");
        QCOMPARE(m_dialogs->selfClosingTexts(),
                 QStringList{u("تاريخ درست نيست؛ آن را به شکل سال/ماه/روز وارد کنيد، مانند 1402/07/15")});
        QVERIFY(child<QFrame>("RegistrationPanel")->isVisible());
        QCOMPARE(m_folder->scalar("SELECT count(*) FROM IDE"), QString("0"));
        QCOMPARE(m_folder->scalar("SELECT count(*) FROM S1"), QString("0"));
    }
    // A date in Persian digits is stored, in ASCII digits.
    m_dialogs->shown.clear();
    date->selectAll();
    QTest::keyClick(date, Qt::Key_Delete);
    typeInto(date, u("۱۴۰۲/۷/۲۰"));
    click("Command8");
    QCOMPARE(m_dialogs->selfClosingTexts(), QStringList());
    QCOMPARE(m_folder->scalar("SELECT \"Date\" FROM IDE"), QString("1402/07/20"));
}

void TestMainWindow::abandonedRegistrationStillProposesACode()
{
    m_folder->addSubject("3");
    click("Command1");
    QCOMPARE(child<QLineEdit>("Text11")->text(), QString("4"));
    click("Command9"); // settings: the panel reset drops the registration
    QVERIFY(!child<QFrame>("RegistrationPanel")->isVisible());
    click("Command1");
    QCOMPARE(child<QLineEdit>("Text11")->text(), QString("4"));
}

void TestMainWindow::scoringAndLookupDoNothingWithoutSubjects()
{
    click("Command3");
    click("Command4");
    click("Command12");
    QCOMPARE(m_dialogs->shown.size(), 0);
    QVERIFY(m_main->isVisible());
}

void TestMainWindow::linksGoThroughTheShell()
{
    if (Links::MakerSite.isEmpty()) {
        // A build without the maker's addresses has no link to a site nobody owns.
        for (const char* name : {"Command14", "CmdHelp"})
            QVERIFY(!child<QPushButton>(name)->isVisible());
        QCOMPARE(child<QPushButton>("Cmandkanal")->isVisible(), !Links::Channel.isEmpty());
        QTest::mouseClick(child<QPushButton>("Picture1"), Qt::LeftButton);
        QCOMPARE(m_dialogs->shown.size(), Links::ShopSite.isEmpty() ? 0 : 1);
        return;
    }
    click("Command14");
    click("CmdHelp");
    QCOMPARE(m_dialogs->shown.size(), 2);
    QVERIFY(m_dialogs->shown[0].url.toString().endsWith("/Soft/soft-list2.pdf"));
    QVERIFY(m_dialogs->shown[1].url.toString().endsWith("/other/fonts.html"));
}

void TestMainWindow::missingDatabaseStopsStartUp()
{
    delete m_main;
    m_main = nullptr;
    Database::closeAll();
    QVERIFY(QFile::remove(m_folder->file("meravelDB.mdb")));
    m_dialogs->clear();
    QVERIFY(!MainWindow::load(ProgramWindows::openers()));
    QCOMPARE(m_dialogs->messages().size(), 1);
    QVERIFY(m_dialogs->messages().first().text.contains("meravelDB.mdb"));
    QCOMPARE(int(m_dialogs->messages().first().icon), int(MsgIcon::Critical));
    QVERIFY(!QFile::exists(m_folder->file("meravelDB.mdb")));
}

void TestMainWindow::missingSkinSettingStopsStartUp()
{
    delete m_main;
    m_main = nullptr;
    QVERIFY(QFile::remove(m_folder->file("skin/skin.txt")));
    m_dialogs->clear();
    QVERIFY(!MainWindow::load(ProgramWindows::openers()));
    QCOMPARE(m_dialogs->messages().size(), 1);
    QVERIFY(m_dialogs->messages().first().text.contains("skin.txt"));
}

void TestMainWindow::secondInstanceRefused()
{
    auto first = std::make_unique<SingleInstance>();
    QVERIFY(first->acquire());
    SingleInstance second;
    QVERIFY(!second.acquire());
    first.reset(); // the first program ends: the next one may start
    SingleInstance third;
    QVERIFY(third.acquire());
}

void TestMainWindow::lockOfAnEarlierProcessWithThisNumberIsTakenOver()
{
    // What a program killed on Windows leaves when the next one gets its process number: a
    // lock file naming this very process, held by nobody.
    const QString path = m_folder->file("meravel.lock");
    QByteArray left;
    {
        QLockFile lock(path);
        QVERIFY(lock.tryLock(0));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        left = f.readAll();
    }
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(left), qint64(left.size()));
    f.close();
    auto first = std::make_unique<SingleInstance>();
    QVERIFY(first->acquire());
    SingleInstance second; // this process's own lock still keeps a second program out
    QVERIFY(!second.acquire());
    first.reset();
    QVERIFY(!QFile::exists(path));
}

void TestMainWindow::screenshots()
{
    const QString out = qEnvironmentVariable("MERAVEL_SCREENSHOTS");
    if (out.isEmpty())
        QSKIP("set MERAVEL_SCREENSHOTS to a folder to write screenshots");
    m_main->grab().save(out + "/main.png");
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(child<QPushButton>("Command4"), &enter);
    click("Command1");
    QTest::keyClicks(child<QLineEdit>("Text11"), "1");
    fillRegistration(u("سارا"), u("كريمي"), 1, "14", u("نهم"), 2);
    m_main->grab().save(out + "/registration.png");
}

QTEST_MAIN(TestMainWindow)
#include "test_mainwindow.moc"
