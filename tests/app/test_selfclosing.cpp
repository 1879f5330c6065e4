#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QtTest>

// The one test that uses real message boxes: the box must close itself.
class TestSelfClosing : public QObject {
    Q_OBJECT
private slots:
    void closesItselfAfterItsDelay();
    void staysAFullSecondOnTheScreen();
    void rearmingReplacesThePendingTimer();
    void confirmsOnlyTheBoxCaptionedPayam();
};

void TestSelfClosing::closesItselfAfterItsDelay()
{
    QWidget owner;
    owner.show();
    QElapsedTimer t;
    t.start();
    QString seenCaption;
    QTimer::singleShot(100, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                seenCaption = box->windowTitle() + "|" + QString::number(box->icon()) + "|"
                    + QString::number(box->buttons().size());
    });
    SelfClosingMessage::show(&owner, "hello", 400); // returns when the box has closed
    const qint64 elapsed = t.elapsed();
    QCOMPARE(seenCaption, QString::fromUtf8("پيام") + "|" + QString::number(QMessageBox::NoIcon) + "|1");
    QVERIFY2(elapsed >= 350, qPrintable(QString::number(elapsed)));
    QVERIFY2(elapsed < 5000, qPrintable(QString::number(elapsed)));
}

namespace {
// Watches the boxes: when one is first drawn and when it goes away. A slow start of the box
// (a busy machine, fonts being loaded) is played by a pause in its Show event.
class BoxWatch : public QObject {
public:
    QElapsedTimer clock;
    qint64 drawnAt = -1, hiddenAt = -1;
    int pauseMs = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box)
            return false;
        if (event->type() == QEvent::Show && pauseMs > 0)
            QThread::msleep(pauseMs);
        if (event->type() == QEvent::Paint && drawnAt < 0)
            drawnAt = clock.elapsed();
        if (event->type() == QEvent::Hide && hiddenAt < 0)
            hiddenAt = clock.elapsed();
        return false;
    }
};
} // namespace

void TestSelfClosing::staysAFullSecondOnTheScreen()
{
    QWidget owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    BoxWatch watch;
    watch.pauseMs = 400;
    watch.clock.start();
    qApp->installEventFilter(&watch);
    SelfClosingMessage::show(&owner, QString::fromUtf8("کد آزمودني را وارد کنيد"));
    qApp->removeEventFilter(&watch);
    QVERIFY(watch.drawnAt >= 0);
    QVERIFY(watch.hiddenAt > watch.drawnAt);
    const qint64 shown = watch.hiddenAt - watch.drawnAt;
    // About one second from the moment it can be read, whatever its start took.
    QVERIFY2(shown >= 950, qPrintable(QString::number(shown)));
    QVERIFY2(shown < 3000, qPrintable(QString::number(shown)));
}

void TestSelfClosing::rearmingReplacesThePendingTimer()
{
    QWidget owner;
    SelfClosingMessage::armAutoConfirm(&owner, 1000);
    SelfClosingMessage::armAutoConfirm(&owner, 1000);
    QCOMPARE(owner.findChildren<QTimer*>().size(), 1);
}

void TestSelfClosing::confirmsOnlyTheBoxCaptionedPayam()
{
    QWidget owner;
    owner.show();
    // A decision box is never confirmed by the timer; the test closes it itself.
    bool stillOpenAfterTick = false;
    SelfClosingMessage::armAutoConfirm(&owner, 100);
    QTimer::singleShot(400, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                stillOpenAfterTick = true;
                box->button(QMessageBox::No)->click();
            }
    });
    const MsgResult r = Dialogs::show(&owner, "question", "Warnnig", MsgIcon::Question, MsgButtons::YesNo);
    QVERIFY(stillOpenAfterTick);
    QCOMPARE(int(r), int(MsgResult::No));
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    AppSetup::configure(app);
    TestSelfClosing t;
    return QTest::qExec(&t, argc, argv);
}
#include "test_selfclosing.moc"
