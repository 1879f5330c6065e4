// The look-up window's item report of the listed subjects, clicked through the window: saved
// where the file dialog says, in the form its name asks for, and opened; cancelling writes
// nothing; the button overlaps no other control.
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "records/LookupWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class TestLookupItems : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();
    void buttonOverlapsNothing();
    void writesTheReport_data();
    void writesTheReport();
    void cancelWritesNothing();

private:
    void click(LookupWindow& w)
    {
        auto* button = w.findChild<QPushButton*>("CommandItems");
        QVERIFY(button);
        QCOMPARE(button->text(), QString::fromUtf8("تحلیل گویه‌ها"));
        QTest::mouseMove(button, button->rect().center());
        QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
    }
    TestFolder* m_folder = nullptr;
};

void TestLookupItems::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    for (const char* code : {"1", "2", "3"})
        m_folder->addSubject(code);
    QVERIFY(m_folder->exec("UPDATE IDE SET V='3', J='2', H='1', A='0', M='0', GH='1'"));
    QVERIFY(m_folder->exec("UPDATE S1 SET v1='1', v2='1' WHERE Code IN ('1', '2')"));
}

void TestLookupItems::cleanup() { delete m_folder; }

void TestLookupItems::buttonOverlapsNothing()
{
    ScopedScriptedDialogs dialogs;
    LookupWindow w;
    w.show();
    auto* items = w.findChild<QPushButton*>("CommandItems");
    QVERIFY(items);
    QVERIFY(w.rect().contains(items->geometry()));
    for (QWidget* other : w.findChildren<QWidget*>()) {
        if (other == items || !other->isVisible() || other->parentWidget() != &w)
            continue;
        QVERIFY2(!other->geometry().intersects(items->geometry()), qPrintable(other->objectName()));
    }
}

void TestLookupItems::writesTheReport_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("magic");
    QTest::newRow("pdf") << "items.pdf" << QByteArray("%PDF");
    QTest::newRow("workbook") << "items.xlsx" << QByteArray("PK");
}

void TestLookupItems::writesTheReport()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, magic);
    ScopedScriptedDialogs dialogs;
    LookupWindow w;
    w.show();
    const QString path = m_folder->file(name);
    dialogs.fileAnswers.enqueue(path);
    click(w);
    QCOMPARE(dialogs.shown.first().kind, QStringLiteral("save"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.read(4).startsWith(magic));
    QCOMPARE(dialogs.shown.last().kind, QStringLiteral("url"));
}

void TestLookupItems::cancelWritesNothing()
{
    ScopedScriptedDialogs dialogs;
    LookupWindow w;
    w.show();
    dialogs.fileAnswers.enqueue(QString());
    click(w);
    QCOMPARE(dialogs.shown.size(), 1);
    QVERIFY(!QFile::exists(m_folder->file("items.pdf")));
}

QTEST_MAIN(TestLookupItems)
#include "test_lookup_items.moc"
