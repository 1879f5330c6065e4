// The look-up window's spreadsheet export, clicked through the window: it saves what the grid
// lists, asks through the dialogs seam, and leaves nothing behind when cancelled or refused.
#include "FileBytes.h"
#include "OpenpyxlReader.h"
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "data/Clock.h"
#include "records/LookupWindow.h"
#include "scoring/XlsxExport.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTimer>
#include <QtTest>

namespace {
QStringList gridCodes(LookupWindow& w)
{
    auto* grid = w.findChild<QTableView*>("DataGrid1");
    while (grid->model()->canFetchMore({}))
        grid->model()->fetchMore({});
    QStringList codes;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        codes << grid->model()->index(r, 0).data().toString();
    return codes;
}

// A click on the export button; the export it starts runs on, and its end is waited for
// when `wait` (the window says how it ended through exportFinished).
void clickExport(LookupWindow& w, bool wait = true)
{
    auto* button = w.findChild<QPushButton*>("CommandExcel");
    QVERIFY(button);
    QCOMPARE(button->text(), QString("خروجي اکسل"));
    QTest::mouseMove(button);
    QTest::mouseClick(button, Qt::LeftButton);
    if (wait)
        QTRY_VERIFY_WITH_TIMEOUT(!w.isExporting(), 60000);
}

// Subjects enough for an export that takes a while: 40,000 of group C.
bool addManySubjects(TestFolder& folder)
{
    return folder.exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 40000) "
        "INSERT INTO \"IDE\" (\"Code\", \"FName\", \"LName\", \"Group\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\") "
        "SELECT 'c' || i, 'F' || i, 'L', 'C', i % 51, i % 7, 9, 11, 13, 15 FROM n");
}

void typeGroup(LookupWindow& w, const QString& group)
{
    auto* box = w.findChild<QComboBox*>("DataCombo3");
    box->lineEdit()->clear();
    QTest::keyClicks(box->lineEdit(), group);
}

QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

const QString Saved = QStringLiteral("فايل اکسل با موفقيت ذخيره شد");
} // namespace

class TestLookupExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();
    void exportsWhatTheGridLists();
    void dialogCancelledOrRefused();
    void overwriteAsksFirst();
    void largeExportShowsProgressAndCancels();
    void exportRunsWhileTheWindowServesEvents();
    void closingCancelsARunningExport();
    void screenshot();

private:
    TestFolder* m_folder = nullptr;
    QTemporaryDir* m_out = nullptr;
};

void TestLookupExport::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_out = new QTemporaryDir;
    m_folder->addSubject("007", "Ali", "Karimi");
    m_folder->addSubject("2", "Sara", "Karimi");
    m_folder->addSubject("3", "Reza", "Ahmadi");
    m_folder->addSubject("4", "Ali", "Moradi");
    QVERIFY(m_folder->exec("UPDATE \"IDE\" SET \"Group\"='B' WHERE \"Code\" IN ('007', '3')"));
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='30',\"J\"='25',\"H\"='20',\"A\"='15',\"M\"='10',\"GH\"='5' WHERE \"Code\"='007'"));
    Clock::setFixed(QDateTime(QDate(2024, 12, 9), QTime(10, 0)));
}

void TestLookupExport::cleanup()
{
    Clock::setFixed({});
    delete m_out;
    delete m_folder;
}

void TestLookupExport::exportsWhatTheGridLists()
{
    OPENPYXL_OR_SKIP(python);
    ScopedScriptedDialogs d;
    const QString chosen = m_out->filePath("group b"); // the extension is added
    d.fileAnswers.enqueue(chosen);
    LookupWindow w;
    w.show();
    typeGroup(w, "B");
    QCOMPARE(gridCodes(w), (QStringList{"007", "3"}));
    clickExport(w);

    QCOMPARE(d.shown.first().kind, QString("save"));
    const FileRequest request = d.shown.first().file;
    QCOMPARE(request.fileName, QString("آزمودني ها 1403-09-19.xlsx")); // 9 December 2024
    QCOMPARE(request.folder, QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    QCOMPARE(request.filter, QString("Excel|*.xlsx"));
    QCOMPARE(d.selfClosingTexts(), QStringList{Saved});
    QCOMPARE(filesIn(m_out->path()), QStringList{"group b.xlsx"});

    const QJsonObject book = OpenpyxlReader::read(python, chosen + ".xlsx");
    QVERIFY2(!book.contains("error"), qPrintable(book["error"].toString()));
    QVERIFY(book["rtl"].toBool());
    QCOMPARE(book["rows"].toArray().size(), 3);
    QCOMPARE(OpenpyxlReader::cell(book, 1, 0).toObject()["v"].toString(), QString("007"));
    QCOMPARE(OpenpyxlReader::cell(book, 2, 0).toObject()["v"].toString(), QString("3"));
    QCOMPARE(OpenpyxlReader::cell(book, 1, 36).toObject()["v"].toDouble(), 9.0);

    // A last name then lists subjects of every group: the export follows the grid.
    d.clear();
    auto* last = w.findChild<QComboBox*>("DataCombo2");
    QTest::keyClicks(last->lineEdit(), "Karimi");
    QCOMPARE(gridCodes(w), (QStringList{"007", "2"}));
    const QString second = m_out->filePath("karimi.XLSX");
    d.fileAnswers.enqueue(second);
    clickExport(w);
    const QJsonObject karimi = OpenpyxlReader::read(python, second);
    QCOMPARE(karimi["rows"].toArray().size(), 3);
    QCOMPARE(OpenpyxlReader::cell(karimi, 2, 0).toObject()["v"].toString(), QString("2"));
}

void TestLookupExport::dialogCancelledOrRefused()
{
    ScopedScriptedDialogs d;
    LookupWindow w;
    w.show();
    // Cancelling the file dialog: nothing written, nothing said.
    clickExport(w);
    QCOMPARE(d.shown.size(), 1);
    QCOMPARE(d.shown.first().kind, QString("save"));
    QCOMPARE(filesIn(m_out->path()), QStringList{});

    // A folder that does not exist: the reason in an error box, no file.
    d.clear();
    const QString missing = m_out->filePath("gone/out.xlsx");
    d.fileAnswers.enqueue(missing);
    clickExport(w);
    QCOMPARE(d.messages().size(), 1);
    const MessageRequest m = d.messages().first();
    QCOMPARE(m.text,
             QString("فايل اکسل ذخيره نشد\nدر اين پوشه نمي توان فايل نوشت\n") + QChar(0x2066)
                 + QDir::toNativeSeparators(missing) + QChar(0x2069));
    QCOMPARE(m.caption, QString("خطا"));
    QCOMPARE(m.icon, MsgIcon::Exclamation);
    QVERIFY(m.rightToLeft);
    QCOMPARE(filesIn(m_out->path()), QStringList{});

    // A grid that lists nobody: said so, no file dialog.
    d.clear();
    typeGroup(w, "Z");
    QCOMPARE(gridCodes(w), QStringList{});
    clickExport(w);
    QCOMPARE(d.selfClosingTexts(), QStringList{"آزمودني اي در جدول نيست"});
    QCOMPARE(d.shown.size(), 1);
}

void TestLookupExport::overwriteAsksFirst()
{
    OPENPYXL_OR_SKIP(python);
    const QString path = m_out->filePath("old.xlsx");
    QVERIFY(writeBytes(path, "earlier"));
    ScopedScriptedDialogs d;
    LookupWindow w;
    w.show();
    const QString question = QStringLiteral("فايلي با اين نام وجود دارد. آيا مي خواهيد آن را جايگزين کنيد؟");

    d.fileAnswers.enqueue(path);
    d.messageAnswers.enqueue(MsgResult::No);
    clickExport(w);
    QCOMPARE(d.messages().size(), 1);
    QCOMPARE(d.messages().first().text, question);
    QCOMPARE(d.messages().first().buttons, MsgButtons::YesNo);
    QCOMPARE(readBytes(path), QByteArray("earlier"));

    d.clear();
    d.fileAnswers.enqueue(path);
    d.messageAnswers.enqueue(MsgResult::Yes);
    clickExport(w);
    QCOMPARE(d.selfClosingTexts(), QStringList{Saved});
    QCOMPARE(OpenpyxlReader::read(python, path)["rows"].toArray().size(), 5);
    QCOMPARE(filesIn(m_out->path()), QStringList{"old.xlsx"});
}

void TestLookupExport::largeExportShowsProgressAndCancels()
{
    QVERIFY(addManySubjects(*m_folder));
    ScopedScriptedDialogs d;
    LookupWindow w;
    w.show();
    typeGroup(w, "C");
    const QString path = m_out->filePath("many.xlsx");
    d.fileAnswers.enqueue(path);

    // While the export runs the window's thread keeps serving events: the progress box shows
    // and its cancel button answers a real click.
    bool seen = false;
    QTimer poll;
    poll.setInterval(5);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto* progress = w.findChild<QProgressDialog*>("ExportProgress");
        if (!progress || !progress->isVisible())
            return;
        seen = true;
        poll.stop();
        QCOMPARE(progress->maximum(), 40000);
        auto* cancel = progress->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QString("انصراف"));
        QTest::mouseClick(cancel, Qt::LeftButton);
    });
    poll.start();
    clickExport(w);
    QVERIFY(seen);
    QCOMPARE(d.messages().size(), 0); // a cancel says nothing
    QCOMPARE(filesIn(m_out->path()), QStringList{});

    // Uncancelled, the same export completes.
    d.clear();
    d.fileAnswers.enqueue(path);
    clickExport(w);
    QCOMPARE(d.selfClosingTexts(), QStringList{Saved});
    QCOMPARE(filesIn(m_out->path()), QStringList{"many.xlsx"});
}

void TestLookupExport::exportRunsWhileTheWindowServesEvents()
{
    QVERIFY(addManySubjects(*m_folder));
    ScopedScriptedDialogs d;
    LookupWindow w;
    w.show();
    typeGroup(w, "C");
    QSignalSpy finished(&w, &LookupWindow::exportFinished);
    d.fileAnswers.enqueue(m_out->filePath("many.xlsx"));
    d.fileAnswers.enqueue(m_out->filePath("second.xlsx"));
    clickExport(w, false);

    // The click has returned with the export running: what would start another one or delete
    // a subject is disabled, and a click on it starts no second export.
    QVERIFY(w.isExporting());
    for (const char* name : {"CommandExcel", "Command3", "CommandItems", "Command1"})
        QVERIFY2(!w.findChild<QPushButton*>(name)->isEnabled(), name);
    QVERIFY(!w.findChild<QLineEdit*>("Text1")->isEnabled());
    QVERIFY(w.findChild<QPushButton*>("Command2")->isEnabled());
    QTest::mouseClick(w.findChild<QPushButton*>("CommandExcel"), Qt::LeftButton);
    QCOMPARE(d.shown.size(), 1); // the first save dialog only

    // The result arrives through the signal; the buttons come back.
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.first().first().value<Scoring::ExportOutcome>(), Scoring::ExportOutcome::Written);
    QVERIFY(!w.isExporting());
    QCOMPARE(d.selfClosingTexts(), QStringList{Saved});
    QCOMPARE(filesIn(m_out->path()), QStringList{"many.xlsx"});
    for (const char* name : {"CommandExcel", "Command3", "CommandItems", "Command1"})
        QVERIFY2(w.findChild<QPushButton*>(name)->isEnabled(), name);
    QVERIFY(w.findChild<QLineEdit*>("Text1")->isEnabled());
}

void TestLookupExport::closingCancelsARunningExport()
{
    QVERIFY(addManySubjects(*m_folder));
    ScopedScriptedDialogs d;
    LookupWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    typeGroup(w, "C");
    QSignalSpy finished(&w, &LookupWindow::exportFinished);
    d.fileAnswers.enqueue(m_out->filePath("many.xlsx"));
    clickExport(w, false);
    QVERIFY(w.isExporting());
    // The exit asks the window to close: the export stops first, and the window closes after
    // it without a word, nothing written.
    QTest::mouseClick(w.findChild<QPushButton*>("Command2"), Qt::LeftButton);
    QVERIFY(finished.wait(60000));
    QCOMPARE(finished.first().first().value<Scoring::ExportOutcome>(), Scoring::ExportOutcome::Cancelled);
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(w.result(), int(QDialog::Rejected));
    QVERIFY(d.messages().isEmpty());
    QVERIFY(d.selfClosingTexts().isEmpty());
    QCOMPARE(filesIn(m_out->path()), QStringList{});
}

void TestLookupExport::screenshot()
{
    const QByteArray dir = qgetenv("MERAVEL_SCREENSHOTS");
    if (dir.isEmpty())
        QSKIP("set MERAVEL_SCREENSHOTS to a folder to write the window's picture");
    LookupWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.grab().save(QString::fromLocal8Bit(dir) + "/lookup-export.png"));
}

QTEST_MAIN(TestLookupExport)
#include "test_lookupexport.moc"
