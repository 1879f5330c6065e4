// The look-up window and the Excel exchange window, driven through their controls.
#include "TestFolder.h"
#include "app/Links.h"
#include "TestWorkbooks.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "data/Database.h"
#include "data/Utf8.h"
#include "records/LookupWindow.h"
#include "records/WorkbookWindow.h"
#include "records/WorkbookImport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QStringList gridCodes(LookupWindow& w)
{
    auto* grid = w.findChild<QTableView*>("DataGrid1");
    QStringList codes;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        codes << grid->model()->index(r, 0).data().toString();
    return codes;
}

QString count(TestFolder& f, const char* table, const QString& code)
{
    return f.scalar(QString("SELECT count(*) FROM %1 WHERE Code = '%2'").arg(table, code));
}

void setGroup(TestFolder& f, const QString& code, const QString& group)
{
    f.exec("UPDATE IDE SET \"Group\" = '" + group + "' WHERE Code = '" + code + "'");
}

const QString NoCode = QStringLiteral("شما بايد شماره آزمودني مورد نظر را وارد كنيد");
} // namespace

class TestRecordsWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void lookUpBoxes();
    void lookUpFoldsNames();
    void deletion_data();
    void deletion();
    void deletionKeepsAllWhenARowIsMissing();
    void escCloses();
    void lookUpStaysFast();
    void excelSelection();
    void excelImport();
    void excelHelpAndDownload();
    void excelDisablesMain();
    void screenshots();
};

void TestRecordsWindows::lookUpBoxes()
{
    TestFolder f;
    f.addSubject("1", "Ali", "Karimi");
    f.addSubject("2", "Sara", "Karimi");
    f.addSubject("3", "Reza", "Ahmadi");
    f.addSubject("4", "Ali", "Moradi");
    setGroup(f, "1", "B");
    setGroup(f, "3", "B");
    LookupWindow w;
    QCOMPARE(gridCodes(w), (QStringList{"1", "2", "3", "4"}));
    auto* group = w.findChild<QComboBox*>("DataCombo3");
    auto* last = w.findChild<QComboBox*>("DataCombo2");
    auto* first = w.findChild<QComboBox*>("DataCombo1");
    QCOMPARE(group->currentText(), QString());
    QCOMPARE(first->count(), 3); // Ali, Reza, Sara: distinct names

    group->setCurrentIndex(group->findText("B"));
    QCOMPARE(gridCodes(w), (QStringList{"1", "3"}));
    // A last name then shows every subject of that name, whatever the group; the group box empties.
    last->setCurrentIndex(last->findText("Karimi"));
    QCOMPARE(gridCodes(w), (QStringList{"1", "2"}));
    QCOMPARE(group->currentText(), QString());
    // Typing filters again on every change; matching is exact.
    first->lineEdit()->clear();
    QTest::keyClicks(first->lineEdit(), "Al");
    QCOMPARE(gridCodes(w), QStringList{});
    QTest::keyClicks(first->lineEdit(), "i");
    QCOMPARE(gridCodes(w), (QStringList{"1", "4"}));
    QCOMPARE(last->currentText(), QString());
    group->lineEdit()->clear();
    QTest::keyClicks(group->lineEdit(), "A");
    QCOMPARE(gridCodes(w), (QStringList{"2", "4"}));
    QCOMPARE(first->currentText(), QString());
    QCOMPARE(w.gridFilterColumn(), QString("Group"));
    // A quote in a box matches nothing instead of breaking the query.
    QTest::keyClicks(group->lineEdit(), "'");
    QCOMPARE(gridCodes(w), QStringList{});
}

void TestRecordsWindows::lookUpFoldsNames()
{
    // Names typed on another keyboard find the stored form, whichever letters either uses.
    TestFolder f;
    f.addSubject("1", u("علي"), u("كريمي"));
    f.addSubject("2", u("علی"), u("کریمی"));
    f.addSubject("3", u("محمد‌رضا"), u("احمدی"));
    f.addSubject("4", u("رضا"), u("كريمى"));
    setGroup(f, "1", "B");
    setGroup(f, "4", "B");
    LookupWindow w;
    auto* first = w.findChild<QComboBox*>("DataCombo1");
    auto* last = w.findChild<QComboBox*>("DataCombo2");
    auto* group = w.findChild<QComboBox*>("DataCombo3");
    first->setEditText(u("علی"));
    QCOMPARE(gridCodes(w), (QStringList{"1", "2"}));
    // The grid shows the names as stored.
    auto* grid = w.findChild<QTableView*>("DataGrid1");
    QCOMPARE(grid->model()->index(0, 1).data().toString(), u("علي"));
    QCOMPARE(grid->model()->headerData(0, Qt::Horizontal).toString(), u("كد آزمودني"));
    last->setEditText(u(" کریمی "));
    QCOMPARE(gridCodes(w), (QStringList{"1", "2", "4"}));
    first->setEditText(u("محمدرضا"));
    QCOMPARE(gridCodes(w), QStringList{"3"});
    first->setEditText(u("محمّد رضا")); // a blank is not a non-joiner
    QCOMPARE(gridCodes(w), QStringList{});
    group->setEditText("B");
    QCOMPARE(gridCodes(w), (QStringList{"1", "4"}));
    // After a deletion the same search no longer finds the subject.
    ScopedScriptedDialogs d;
    d.messageAnswers.enqueue(MsgResult::Yes);
    QTest::keyClicks(w.findChild<QLineEdit*>("Text1"), "1");
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    last->setEditText(u("كريمي"));
    QCOMPARE(gridCodes(w), (QStringList{"2", "4"}));
}

void TestRecordsWindows::deletion_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("messages"); // self-closing texts
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QStringList>("grid");
    const QStringList all{"1", "2", "3"};
    QTest::newRow("yes") << "2" << true << QStringList{"حذف با موفقيت انجام گرفت"} << true << true << QStringList{"1", "3"};
    QTest::newRow("no") << "2" << false << QStringList{} << true << false << QStringList{"2"};
    QTest::newRow("empty code") << "" << true << QStringList{NoCode} << false << false << all;
    QTest::newRow("unknown code") << "9" << true << QStringList{"فردي با اين کد وجود ندارد"} << false << false << all;
    QTest::newRow("persian digits") << QString::fromUtf8("۲") << true << QStringList{"حذف با موفقيت انجام گرفت"} << true
                                    << true << QStringList{"1", "3"};
    QTest::newRow("arabic-indic digits") << QString::fromUtf8("٢") << true << QStringList{"حذف با موفقيت انجام گرفت"}
                                         << true << true << QStringList{"1", "3"};
    QTest::newRow("quote") << "2'" << true << QStringList{"فردي با اين کد وجود ندارد"} << false << false << all;
}

void TestRecordsWindows::deletion()
{
    QFETCH(QString, code);
    QFETCH(bool, yes);
    QFETCH(QStringList, messages);
    QFETCH(bool, asked);
    QFETCH(bool, deleted);
    QFETCH(QStringList, grid);
    TestFolder f;
    for (const char* c : {"1", "2", "3"})
        f.addSubject(c);
    ScopedScriptedDialogs d;
    d.messageAnswers.enqueue(yes ? MsgResult::Yes : MsgResult::No);
    LookupWindow w;
    auto* box = w.findChild<QLineEdit*>("Text1");
    for (QChar c : code) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(box, &press);
    }
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(d.selfClosingTexts(), messages);
    const auto shown = d.messages();
    const bool wasAsked = std::any_of(shown.begin(), shown.end(), [](const MessageRequest& m) {
        return m.text == QStringLiteral("آيا براي حذف کردن مطمئن هستيد؟") && m.buttons == MsgButtons::YesNo
            && m.caption == QCoreApplication::applicationName();
    });
    QCOMPARE(wasAsked, asked);
    for (const char* t : {"IDE", "S1", "S2", "S3", "S4"})
        QCOMPARE(count(f, t, "2"), QString(deleted ? "0" : "1"));
    QCOMPARE(count(f, "IDE", "1"), QString("1"));
    QCOMPARE(gridCodes(w), grid);
    QCOMPARE(box->text(), deleted ? QString() : code);
}

void TestRecordsWindows::deletionKeepsAllWhenARowIsMissing()
{
    // A subject with an S2 row but no IDE row: the error box, and every row kept.
    TestFolder f;
    f.addSubject("5");
    f.exec("DELETE FROM IDE WHERE Code = '5'");
    ScopedScriptedDialogs d;
    d.messageAnswers.enqueue(MsgResult::Yes);
    LookupWindow w;
    QTest::keyClicks(w.findChild<QLineEdit*>("Text1"), "5");
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    const auto shown = d.messages();
    QCOMPARE(shown.last().caption, QString("Error"));
    QCOMPARE(shown.last().icon, MsgIcon::Exclamation);
    QVERIFY(shown.last().rightToLeft);
    for (const char* t : {"S1", "S2", "S3", "S4"})
        QCOMPARE(count(f, t, "5"), QString("1"));
}

void TestRecordsWindows::escCloses()
{
    TestFolder f;
    f.addSubject("1");
    LookupWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTest::keyClick(&w, Qt::Key_Escape);
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
}

void TestRecordsWindows::lookUpStaysFast()
{
    TestFolder f;
    {
        QSqlDatabase db = Database::connection(DbFile::Main);
        db.transaction();
        QSqlQuery q(db);
        q.prepare("INSERT INTO IDE (Code, FName, LName, \"Group\") VALUES (?, ?, ?, ?)");
        for (int i = 1; i <= 100000; ++i) {
            q.addBindValue(QString::number(i));
            q.addBindValue("F" + QString::number(i));
            q.addBindValue("L" + QString::number(i % 5000));
            q.addBindValue(QString(QChar('A' + i % 7)));
            q.exec();
        }
        for (const char* table : {"S1", "S2", "S3", "S4"}) {
            q.prepare(QString("INSERT INTO %1 (Code) VALUES (?)").arg(table));
            for (int i = 1; i <= 100000; ++i) {
                q.addBindValue(QString::number(i));
                q.exec();
            }
        }
        db.commit();
    }
    ScopedScriptedDialogs d;
    // Speed is measured in bench/; here the window must work on a large database.
    LookupWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    auto* group = w.findChild<QComboBox*>("DataCombo3");
    group->setCurrentIndex(group->findText("C"));
    auto* last = w.findChild<QComboBox*>("DataCombo2");
    last->setEditText("L42");
    QCOMPARE(gridCodes(w).size(), 20);
    d.messageAnswers.enqueue(MsgResult::Yes);
    QTest::keyClicks(w.findChild<QLineEdit*>("Text1"), "99999");
    QTest::mouseClick(w.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(count(f, "IDE", "99999"), QString("0"));
}

void TestRecordsWindows::excelSelection()
{
    TestFolder f;
    f.addSubject("1", "Ali", "Karimi");
    f.exec("DELETE FROM S3 WHERE Code = '1'");
    ScopedScriptedDialogs d;
    WorkbookWindow w;
    auto* select = w.findChild<QPushButton*>("Print_Btn");
    auto* send = w.findChild<QPushButton*>("Send_BtnExcel");
    auto* name = w.findChild<QLabel*>("Label2");
    QVERIFY(!send->isEnabled());
    QCOMPARE(w.selectedCode(), QString("Key"));

    d.inputAnswers.enqueue(QString()); // cancelled
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(d.shown.first().kind, QString("input"));
    QCOMPARE(d.shown.first().prompt, QString(" Plese Insert Code "));
    QCOMPARE(d.shown.first().title, QString("Enter Code "));
    QCOMPARE(d.selfClosingTexts(), QStringList{NoCode});
    QVERIFY(!send->isEnabled());

    d.clear();
    d.inputAnswers.enqueue("1");
    QTest::mouseClick(select, Qt::LeftButton);
    QVERIFY(d.selfClosingTexts().isEmpty());
    QCOMPARE(name->text(), QString("Ali Karimi"));
    QVERIFY(send->isEnabled());
    QCOMPARE(count(f, "S3", "1"), QString("1")); // the missing answer row exists from now on

    // A failed selection clears the previous one.
    d.clear();
    d.inputAnswers.enqueue("8");
    QTest::mouseClick(select, Qt::LeftButton);
    QCOMPARE(d.selfClosingTexts(), QStringList{"فردي با اين مشخصات وجود ندارد"});
    QCOMPARE(name->text(), QString());
    QVERIFY(!send->isEnabled());
    QCOMPARE(count(f, "S1", "8"), QString("0"));

    // The code in Persian digits selects the same subject.
    d.clear();
    d.inputAnswers.enqueue(QString::fromUtf8("۱"));
    QTest::mouseClick(select, Qt::LeftButton);
    QVERIFY(d.selfClosingTexts().isEmpty());
    QCOMPARE(w.selectedCode(), QString("1"));
    QVERIFY(send->isEnabled());
}

void TestRecordsWindows::excelImport()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString blank = dir.path() + "/blank.xlsx";
    QVERIFY(QFile::copy(f.file(WorkbookImport::BlankWorkbook), blank));
    QVERIFY(TestWorkbooks::writeXlsx(dir.path() + "/bad.xlsx", WorkbookImport::SheetName,
                                     {{"Z3", QStringLiteral("Meravel")}, {"C3", 1.0}, {"C240", QStringLiteral("9")}}));
    ScopedScriptedDialogs d;
    WorkbookWindow w;
    d.inputAnswers.enqueue("1");
    QTest::mouseClick(w.findChild<QPushButton*>("Print_Btn"), Qt::LeftButton);
    auto* send = w.findChild<QPushButton*>("Send_BtnExcel");

    struct Case {
        QString file;
        QString text, caption;
        MsgIcon icon;
    };
    const QList<Case> cases{
        {QString(), " عمليات با مشکل مواجه شده است ", "Error A3", MsgIcon::Exclamation},
        {dir.path() + "/bad.xlsx", "", "Error A1", MsgIcon::Information},
        {dir.path() + "/missing.xlsx", " فايل انتخاب شده قابل بارگذاري نيست ", "Error A1", MsgIcon::Information},
        {blank, "  داده ها با موفقيت وارد سيستم شدند ", "پيام", MsgIcon::Information},
    };
    for (const Case& c : cases) {
        d.clear();
        d.fileAnswers.enqueue(c.file);
        QTest::mouseClick(send, Qt::LeftButton);
        QCOMPARE(d.shown.first().kind, QString("open"));
        QCOMPARE(d.shown.first().file.filter,
                 QString("All (*.*)|*.*|xlsx (*.xlsx)|*.xlsx|xls (*.xls)|*.xls|ods (*.ods)|*.ods"));
        QCOMPARE(d.messages().size(), 1);
        const MessageRequest m = d.messages().first();
        if (!c.text.isEmpty())
            QCOMPARE(m.text, c.text);
        else
            QVERIFY2(m.text.contains("C240"), qPrintable(m.text));
        QCOMPARE(m.caption, c.caption);
        QCOMPARE(m.icon, c.icon);
        // Nothing is written before the successful import.
        QCOMPARE(f.scalar("SELECT coalesce(V, 'none') FROM IDE"), QString(c.caption == "پيام" ? "0" : "none"));
    }
}

void TestRecordsWindows::excelHelpAndDownload()
{
    TestFolder f;
    ScopedScriptedDialogs d;
    WorkbookWindow w;
    w.show();
    auto* panel = w.findChild<QFrame*>("Frame1");
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(w.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QVERIFY(panel->isVisible());
    auto* text = panel->findChild<QPlainTextEdit*>("Text1");
    QVERIFY(text->isReadOnly());
    QVERIFY(text->toPlainText().startsWith("\nابتدا روي دکمه انتخاب آزمودني کليک کرده \n"));
    QVERIFY(text->toPlainText().endsWith("\nهست) نبايد با حروف فارسي باشد.\n"));
    QCOMPARE(text->toPlainText().count('\n'), 10);
    QTest::mouseClick(panel->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(!panel->isVisible());
    QTest::mouseClick(w.findChild<QPushButton*>("Down_BtnExcel"), Qt::LeftButton);
    QCOMPARE(d.shown.last().kind, QString("url"));
    // The maker's download page where the build names one, else the blank workbook at hand.
    QVERIFY(d.shown.last().url.toString().endsWith(Links::MakerSite.isEmpty() ? "/Meravel-Excel.xlsx"
                                                                              : "/Soft/Meravel/Meravel-Excel.zip"));
}

void TestRecordsWindows::excelDisablesMain()
{
    TestFolder f;
    QWidget main;
    main.show();
    QPointer<WorkbookWindow> w = WorkbookWindow::open(&main);
    QVERIFY(!main.isEnabled());
    QTest::mouseClick(w->findChild<QPushButton*>("Exit_Btn"), Qt::LeftButton);
    QTRY_VERIFY(w.isNull()); // unloaded
    QVERIFY(main.isEnabled());
    w = WorkbookWindow::open(&main);
    QVERIFY(!main.isEnabled());
    w->close();
    QVERIFY(main.isEnabled());
}

void TestRecordsWindows::screenshots()
{
    const QString out = qEnvironmentVariable("MERAVEL_SCREENSHOTS");
    if (out.isEmpty())
        QSKIP("set MERAVEL_SCREENSHOTS to a folder to save the windows' pictures");
    TestFolder f;
    f.addSubject("1", QString::fromUtf8("علی"), QString::fromUtf8("کریمی"));
    f.addSubject("2", QString::fromUtf8("سارا"), QString::fromUtf8("احمدی"));
    LookupWindow code;
    code.show();
    QVERIFY(QTest::qWaitForWindowExposed(&code));
    code.grab().save(out + "/LookupWindow.png");
    ScopedScriptedDialogs d;
    WorkbookWindow file;
    file.show();
    d.inputAnswers.enqueue("1");
    QTest::mouseClick(file.findChild<QPushButton*>("Print_Btn"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowExposed(&file));
    file.grab().save(out + "/WorkbookWindow.png");
    QTest::mouseClick(file.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    file.grab().save(out + "/Frm_File_help.png");
}

QTEST_MAIN(TestRecordsWindows)
#include "test_recordswindows.moc"
