#include "app/AppSetup.h"
#include "app/Dialogs.h"
#include "app/SelfClosingMessage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

// The one test that uses real message boxes: the box must close itself.
class TestSelfClosing : public QObject {
    Q_OBJECT
private slots:
    void closesItselfAfterItsDelay();
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
