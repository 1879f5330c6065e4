// Every window of the program, in each of its screens: no two visible buttons lie over each
// other (a button under another can be clicked only where the upper one leaves it), and the
// look-up window's buttons are whole, reachable by the pointer and by Tab.
#include "TestFolder.h"
#include "TestHelpers.h"
#include "WindowFit.h"

#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/InfoWindows.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "app/ReportPreview.h"
#include "backup/BackupWindow.h"
#include "backup/ExitWindow.h"
#include "questionnaire/QuestionnaireWindow.h"
#include "records/LookupWindow.h"
#include "records/WorkbookWindow.h"
#include "scoring/ScoringWindow.h"
#include "update/DownloadProgressWindow.h"
#include "update/UpdateWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QRegion>
#include <QtTest>

namespace {
// The part of a widget that can be seen, in its window's coordinates: its rectangle cut by
// every ancestor's.
QRect shownRect(const QWidget* w)
{
    const QWidget* top = w->window();
    QRect r(w->mapTo(top, QPoint(0, 0)), w->size());
    for (const QWidget* p = w->parentWidget(); p && p != top; p = p->parentWidget())
        r &= QRect(p->mapTo(top, QPoint(0, 0)), p->size());
    return r;
}

QString describe(const QAbstractButton* b)
{
    return QStringLiteral("%1 \"%2\" %3,%4 %5x%6")
        .arg(b->objectName(), b->text())
        .arg(shownRect(b).x())
        .arg(shownRect(b).y())
        .arg(shownRect(b).width())
        .arg(shownRect(b).height());
}

// Where a button can be seen: its shown rectangle less the panels (any control but a button)
// stacked above it or above one of its ancestors. A panel opened over a banner covers the
// banner there; a button over a button is what the check is for.
QRegion uncovered(const QAbstractButton* b)
{
    QRegion region(shownRect(b));
    const QWidget* top = b->window();
    for (const QWidget* w = b; w && w != top; w = w->parentWidget()) {
        const QObjectList& siblings = w->parentWidget()->children();
        for (int i = int(siblings.indexOf(const_cast<QWidget*>(w))) + 1; i < siblings.size(); ++i) {
            auto* s = qobject_cast<QWidget*>(siblings[i]);
            if (s && !s->isWindow() && s->isVisibleTo(top) && !qobject_cast<QAbstractButton*>(s))
                region -= shownRect(s);
        }
    }
    return region;
}

// The pairs of visible buttons of the window that overlap, one line each.
QStringList overlaps(QWidget* window)
{
    QList<QAbstractButton*> buttons;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->window() == window && b->isVisibleTo(window) && !shownRect(b).isEmpty())
            buttons << b;
    QStringList found;
    for (int i = 0; i < buttons.size(); ++i)
        for (int j = i + 1; j < buttons.size(); ++j)
            if (uncovered(buttons[i]).intersects(uncovered(buttons[j])))
                found << describe(buttons[i]) + " / " + describe(buttons[j]);
    return found;
}

int visibleButtons(QWidget* window)
{
    int n = 0;
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        n += b->window() == window && b->isVisibleTo(window);
    return n;
}
} // namespace

class TestWindowLayout : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();

    void noButtonOverAnother();
    void lookupButtonsWholeAndReachable();

private:
    // Checks one screen of a window; `what` names it in a failure.
    void check(QWidget* window, const QString& what);
    // A window of type W made, checked as it first shows, and closed again.
    template <typename W> void checkAlone(const QString& what)
    {
        W w;
        check(&w, what);
    }

    TestFolder* m_folder = nullptr;
    ScopedScriptedDialogs* m_dialogs = nullptr;
    QStringList m_faults;
    int m_screens = 0;
};

void TestWindowLayout::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->addSubject("1");
    m_dialogs = new ScopedScriptedDialogs;
    m_faults.clear();
    m_screens = 0;
}

void TestWindowLayout::cleanup()
{
    delete m_dialogs;
    delete m_folder;
}

void TestWindowLayout::check(QWidget* window, const QString& what)
{
    if (!window->isVisible())
        window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QVERIFY2(visibleButtons(window) > 0, qPrintable(what + ": no button shown"));
    for (const QString& o : overlaps(window))
        m_faults << what + ": " + o;
    ++m_screens;
}

void TestWindowLayout::noButtonOverAnother()
{
    // The main window with each of its panels.
    std::unique_ptr<MainWindow> main(MainWindow::load(ProgramWindows::openers()));
    QVERIFY(main);
    check(main.get(), "main window");
    QTest::mouseClick(child<QPushButton>(main.get(), "Command1"), Qt::LeftButton);
    check(main.get(), "main window, registration");
    main->panelReset();
    QTest::mouseClick(child<QPushButton>(main.get(), "Command9"), Qt::LeftButton);
    check(main.get(), "main window, settings");
    // The theme panel and the clinic panel the settings open.
    QTest::mouseClick(child<QPushButton>(main.get(), "Command68"), Qt::LeftButton);
    check(main.get(), "main window, theme");
    QTest::mouseClick(child<QPushButton>(main.get(), "Command46"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(main.get(), "Command9"), Qt::LeftButton);
    QTest::mouseClick(child<QPushButton>(main.get(), "Command67"), Qt::LeftButton);
    check(main.get(), "main window, clinic details");
    QTest::mouseClick(child<QPushButton>(main.get(), "Command7"), Qt::LeftButton);
    main->panelReset();
    main->showUpdateNotice();
    check(main.get(), "main window, update notice");
    main->panelReset();

    // The test window: its start screen and each page of the test screen.
    QVERIFY(
        WindowFit::walkTestWindow("1", [this](QuestionnaireWindow* w, int, const QString& what) { check(w, what); }));
    {
        auto* w = new ScoringWindow;
        check(w, "scoring window");
        delete w;
    }
    checkAlone<LookupWindow>("look-up window");
    checkAlone<WorkbookWindow>("workbook window");
    checkAlone<BackupWindow>("backup window");
    checkAlone<ExitWindow>("exit window");
    checkAlone<UpdateWindow>("update window");
    checkAlone<DownloadProgressWindow>("download window");
    QVERIFY(m_screens >= 30);
    QVERIFY2(m_faults.isEmpty(), qPrintable(m_faults.join('\n')));
}

void TestWindowLayout::lookupButtonsWholeAndReachable()
{
    LookupWindow w;
    w.show();
    QApplication::setActiveWindow(&w);
    QVERIFY(QTest::qWaitForWindowActive(&w));
    auto* group = child<QPushButton>(&w, "Command3");
    auto* excel = child<QPushButton>(&w, "CommandExcel");
    for (QPushButton* b : {group, excel}) {
        // Whole: inside the window and under no other control at any of its points.
        QVERIFY2(w.rect().contains(shownRect(b)), qPrintable(describe(b)));
        for (int y = 1; y < b->height() - 1; y += 3)
            for (int x = 1; x < b->width() - 1; x += 3) {
                const QPoint at = b->mapTo(&w, QPoint(x, y));
                QWidget* hit = w.childAt(at);
                QVERIFY2(hit == b, qPrintable(describe(b) + QStringLiteral(" hidden at %1,%2").arg(x).arg(y)));
            }
    }
    // A click in the middle of the group report button reaches it, through the window as the
    // pointer's click arrives (the window finds the control under it): the report is shown.
    int previews = 0;
    Report::setPreviewInterceptor([&](const Report::Document&) { ++previews; });
    QTest::mouseClick(w.windowHandle(), Qt::LeftButton, Qt::NoModifier, group->mapTo(&w, group->rect().center()));
    QTRY_COMPARE(previews, 1);
    Report::setPreviewInterceptor({});
    // Tab reaches both.
    child<QWidget>(&w, "Text1")->setFocus();
    QTRY_VERIFY(child<QWidget>(&w, "Text1")->hasFocus());
    QList<QWidget*> reached;
    for (int i = 0; i < 20; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        reached << QApplication::focusWidget();
    }
    QVERIFY(reached.contains(group));
    QVERIFY(reached.contains(excel));
}

QTEST_MAIN(TestWindowLayout)
#include "test_windowlayout.moc"
