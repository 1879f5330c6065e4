// The spreadsheet export, read back with openpyxl: what a counsellor sees in the workbook, the
// command-line formats, and the exports that must leave nothing behind.
#include "CliRun.h"
#include "FileSizeLimit.h"
#include "OpenpyxlReader.h"
#include "TestFolder.h"
#include "TestHelpers.h"
#include "scoring/Export.h"
#include "data/PrivateFile.h"
#include "report/ReportFonts.h"
#include "scoring/XlsxExport.h"

#include <QDir>
#include <QtTest>

namespace {
// The files of a folder, hidden ones (temporary names) included.
QStringList filesIn(const QString& folder) { return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

// The options the windows and the tool give: the program's Persian font.
Scoring::XlsxOptions persian(const Scoring::SubjectFilter& filter = {})
{
    Scoring::XlsxOptions options;
    options.fontName = QString::fromUtf8(Report::fontFamilies()[0]);
    options.filter = filter;
    return options;
}

QString str(const QJsonValue& cell) { return cell.toObject()["v"].toVariant().toString(); }
QString type(const QJsonValue& cell) { return cell.toObject()["t"].toString(); }
} // namespace

class TestXlsxExport : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void workbookAsTheUserSeesIt();
    void filterSelectsRows();
    void cliFormats();
    void hostileTextsStayText();
    void cancelLeavesTargetAsItWas();
    void unwritableDestination_data();
    void unwritableDestination();
    void fullDisk();
    void tableReplacesOnlyARegularFile();

private:
    TestFolder* m_folder = nullptr;
};

void TestXlsxExport::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->addSubject("007", "Ali", "Karimi");
    m_folder->addSubject("2", "Sara", "Karimi");
    m_folder->addSubject("3", " <Reza> & co ", "Ahmadi");
    m_folder->addSubject("4", "Mina", "Moradi");
    QVERIFY(
        m_folder->exec("UPDATE \"IDE\" SET "
                       "\"V\"='30',\"J\"='25',\"H\"='20',\"A\"='15',\"M\"='10',\"GH\"='5',\"Sen\"='14',\"Jens\"='M',"
                       "\"Tahsil\"='9',\"Group\"='B',\"Date\"='1402/07/05',\"Time\"='09:05' WHERE \"Code\"='007'"));
    QVERIFY(
        m_folder->exec("UPDATE \"IDE\" SET \"V\"='7',\"J\"='7',\"H\"='7',\"A\"='7',\"M\"='7',\"GH\"='7',\"Group\"='B' "
                       "WHERE \"Code\"='3'"));
    // A total that is not a whole number: stored as it is, no result.
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='30',\"J\"='x',\"H\"='20',\"A\"='15',\"M\"='10',\"GH\"='5',\"Sen\"='12 years' WHERE "
        "\"Code\"='4'"));
}

void TestXlsxExport::cleanup() { delete m_folder; }

void TestXlsxExport::workbookAsTheUserSeesIt()
{
    OPENPYXL_OR_SKIP(python);
    const QString path = m_folder->file("subjects.xlsx");
    QString error;
    QCOMPARE(Scoring::exportXlsx(path, persian(), &error), Scoring::ExportOutcome::Written);
    QCOMPARE(error, QString());
#ifdef Q_OS_WIN
    QVERIFY(underWine() || PrivateFile::restrictedToOwner(path)); // an access list, which wine does not keep
#else
    QCOMPARE(QFile::permissions(path) & 0x0777, QFileDevice::ReadUser | QFileDevice::WriteUser);
#endif

    const QJsonObject book = OpenpyxlReader::read(python, path);
    QVERIFY2(!book.contains("error"), qPrintable(book["error"].toString()));
    QCOMPARE(book["sheets"].toInt(), 1);
    QVERIFY(book["rtl"].toBool());
    QCOMPARE(book["freeze"].toString(), QString("A2"));
    QCOMPARE(book["filter"].toString(), QString("A1:AR5"));
    QCOMPARE(book["rows"].toArray().size(), 5);

    // The header: the captions the program uses, bold, every one a text.
    const QStringList expected{"کدآزمودني",
                               "نام",
                               "نام خانوادگي",
                               "جنس",
                               "سن",
                               "كلاس",
                               "گروه",
                               "تاريخ",
                               "ساعت",
                               "و",
                               "ج",
                               "ه",
                               "الف",
                               "م",
                               "ق",
                               "رتبه و",
                               "رتبه ج",
                               "رتبه ه",
                               "رتبه الف",
                               "رتبه م",
                               "رتبه ق",
                               "نمره همخواني و",
                               "نمره همخواني ج",
                               "نمره همخواني ه",
                               "نمره همخواني الف",
                               "نمره همخواني م",
                               "نمره همخواني ق",
                               "نمرات ميزان شده و",
                               "نمرات ميزان شده ج",
                               "نمرات ميزان شده ه",
                               "نمرات ميزان شده الف",
                               "نمرات ميزان شده م",
                               "نمرات ميزان شده ق",
                               "اولين",
                               "دومين",
                               "سومين",
                               "نمره رشته علوم رياضي",
                               "نمره رشته علوم تجربي",
                               "نمره رشته علوم انساني",
                               "نمره رشته  خدمات",
                               "نمره رشته صنعت",
                               "نمره رشته کشاورزي",
                               "همسانی",
                               "تمایز"};
    QStringList header;
    for (int c = 0; c < expected.size() + 1; ++c)
        if (!OpenpyxlReader::cell(book, 0, c).isNull())
            header << str(OpenpyxlReader::cell(book, 0, c));
    QCOMPARE(header, expected);
    QVERIFY(OpenpyxlReader::cell(book, 0, 0).toObject()["bold"].toBool());

    // Subject 007: the code stays text, totals and scores are numbers as the scoring window shows them.
    auto at = [&](int row, int c) { return OpenpyxlReader::cell(book, row, c).toObject(); };
    QCOMPARE(at(1, 0)["v"].toString(), QString("007"));
    QCOMPARE(at(1, 0)["t"].toString(), QString("s"));
    QCOMPARE(at(1, 0)["font"].toString(), QString("B Nazanin"));
    QCOMPARE(at(1, 4)["v"].toDouble(), 14.0); // age
    QCOMPARE(at(1, 4)["t"].toString(), QString("n"));
    QCOMPARE(at(1, 5)["v"].toString(), QString("9")); // class: text as registered
    QCOMPARE(at(1, 7)["v"].toString(), QString("1402/07/05"));
    QCOMPARE(at(1, 7)["t"].toString(), QString("s"));
    QCOMPARE(at(1, 8)["v"].toString(), QString("09:05"));
    QCOMPARE(at(1, 8)["t"].toString(), QString("s"));
    const double numbers[] = {30, 25, 20, 15, 10, 5, 6, 5, 4, 3, 2, 1, 4, 3, 2, 1, 2, 3, 10, 8, 6, 4, 4, 4};
    for (int i = 0; i < 24; ++i) {
        QCOMPARE(at(1, 9 + i)["t"].toString(), QString("n"));
        QCOMPARE(at(1, 9 + i)["v"].toDouble(), numbers[i]);
        QCOMPARE(at(1, 9 + i)["font"].toString(), QString("B Nazanin"));
    }
    QCOMPARE(str(OpenpyxlReader::cell(book, 1, 33)), QString("و"));
    QCOMPARE(str(OpenpyxlReader::cell(book, 1, 34)), QString("ج"));
    QCOMPARE(str(OpenpyxlReader::cell(book, 1, 35)), QString("ه"));
    const double streams[] = {9, 6, 4.4, 6.13, 7.67, 6.67};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(at(1, 36 + i)["t"].toString(), QString("n"));
        QCOMPARE(at(1, 36 + i)["v"].toDouble(), streams[i]);
    }
    // Two decimals at most, the point kept for a whole value ("4." in the scoring window),
    // between left-to-right marks so that the right-to-left sheet shows "4." and not ".4".
    const QString twoPlaces = QString::fromUtf8("\"\u200E\"0.##\"\u200E\"");
    QCOMPARE(at(1, 38)["f"].toString(), twoPlaces);
    QCOMPARE(at(3, 41)["v"].toDouble(), 4.0);
    QCOMPARE(at(3, 41)["f"].toString(), twoPlaces);
    QCOMPARE(at(3, 15)["v"].toDouble(), 1.0); // all totals equal: every rank 1
    // The interpretation indices close the row: consistency in a word, differentiation a number.
    QCOMPARE(at(3, 42)["v"].toString(), QString("زیاد")); // all equal: the pair g, m is neighbouring
    QCOMPARE(at(3, 43)["t"].toString(), QString("n"));
    QCOMPARE(at(3, 43)["v"].toDouble(), 0.0);

    // A subject who has not answered: its subject cells, no result cells.
    QCOMPARE(str(OpenpyxlReader::cell(book, 2, 0)), QString("2"));
    for (int c = 9; c < 44; ++c)
        QVERIFY2(OpenpyxlReader::cell(book, 2, c).isNull(), qPrintable(QString::number(c)));
    // Markup characters and blanks of a name come back as they were stored.
    QCOMPARE(str(OpenpyxlReader::cell(book, 3, 1)), QString(" <Reza> & co "));
    // A total that is no whole number and an age that is no number stay text; no result.
    QCOMPARE(type(OpenpyxlReader::cell(book, 4, 10)), QString("s"));
    QCOMPARE(str(OpenpyxlReader::cell(book, 4, 10)), QString("x"));
    QCOMPARE(at(4, 9)["v"].toDouble(), 30.0);
    QCOMPARE(str(OpenpyxlReader::cell(book, 4, 4)), QString("12 years"));
    QVERIFY(OpenpyxlReader::cell(book, 4, 15).isNull());

    // Columns are wide enough for their longest caption word and content.
    const QJsonObject widths = book["widths"].toObject();
    QVERIFY(widths["A"].toDouble() >= 10);
    QVERIFY(widths["B"].toDouble() >= QString(" <Reza> & co ").size());
}

void TestXlsxExport::filterSelectsRows()
{
    OPENPYXL_OR_SKIP(python);
    Scoring::XlsxOptions options = persian({"\"Group\" = ?", {"B"}});
    QCOMPARE(Scoring::countSubjects(options.filter), 2);
    const QString path = m_folder->file("group.xlsx");
    QCOMPARE(Scoring::exportXlsx(path, options), Scoring::ExportOutcome::Written);
    const QJsonObject book = OpenpyxlReader::read(python, path);
    QCOMPARE(book["rows"].toArray().size(), 3);
    QCOMPARE(str(OpenpyxlReader::cell(book, 1, 0)), QString("007"));
    QCOMPARE(str(OpenpyxlReader::cell(book, 2, 0)), QString("3"));
    QCOMPARE(book["filter"].toString(), QString("A1:AR3"));

    // A filter that selects nobody still writes a readable workbook: the header alone.
    options.filter = {"\"Group\" = ?", {"Z"}};
    QCOMPARE(Scoring::exportXlsx(path, options), Scoring::ExportOutcome::Written);
    QCOMPARE(OpenpyxlReader::read(python, path)["rows"].toArray().size(), 1);
}

void TestXlsxExport::cliFormats()
{
    OPENPYXL_OR_SKIP(python);
    const QString csvDefault = m_folder->file("default.csv"), csv = m_folder->file("named.csv");
    QCOMPARE(CliRun::run({"export", "--out", csvDefault}).exit, 0);
    QCOMPARE(CliRun::run({"export", "--format", "csv", "--out", csv}).exit, 0);
    QCOMPARE(readBytes(csv), readBytes(csvDefault));
    // The CSV keeps its names and column count, the workbook's table aside.
    QVERIFY(readBytes(csv).startsWith("\xEF\xBB\xBF"
                                      "Code,FName,LName,Jens,Sen,Tahsil,Group,Date,Time,V,J,H,A,M,GH,"
                                      "rank_v,"));
    QCOMPARE(readBytes(csv).split('\n').at(1).count(','), Scoring::exportColumns().size() - 1);

    const QString xlsx = m_folder->file("all.xlsx");
    const CliRun r = CliRun::run({"export", "--format", "xlsx", "--out", xlsx});
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out, QString());
    const QJsonObject book = OpenpyxlReader::read(python, xlsx);
    QCOMPARE(book["rows"].toArray().size(), 5);
    QCOMPARE(str(OpenpyxlReader::cell(book, 1, 0)), QString("007"));

    QCOMPARE(CliRun::run({"export", "--format", "xlsx"}).exit, 2); // a workbook needs a file
    QCOMPARE(CliRun::run({"export", "--format", "ods", "--out", xlsx}).exit, 2);
    const CliRun bad = CliRun::run({"export", "--format", "xlsx", "--out", m_folder->file("no/such/dir/a.xlsx")});
    QCOMPARE(bad.exit, 1);
    QCOMPARE(bad.err, Scoring::xlsxFailedMessage("در اين پوشه نمي توان فايل نوشت").replace('\n', ' ') + '\n');
}

void TestXlsxExport::hostileTextsStayText()
{
    OPENPYXL_OR_SKIP(python);
    // Characters XML forbids (stored by an older version, or by hand) are left out, so every
    // text after them still reads; formula-like texts stay strings.
    // Written into the statement as they are: both engines take them inside a literal.
    QVERIFY(m_folder->exec(
        QString("UPDATE \"IDE\" SET \"FName\"='a%1b', \"LName\"='c%2', \"Tahsil\"='d%3%4e', "
                "\"Group\"='=1+1' WHERE \"Code\"='007'")
            .arg(QString(QChar(0xFFFE)), QString(QChar(0xFFFF)), QString(QChar(0x01)), QString(QChar(0x1B)))));
    QVERIFY(m_folder->exec("UPDATE \"IDE\" SET \"FName\"='-2', \"LName\"='@x', \"Tahsil\"='\tt' WHERE \"Code\"='2'"));
    const QString path = m_folder->file("hostile.xlsx");
    QString error;
    QCOMPARE(Scoring::exportXlsx(path, persian(), &error), Scoring::ExportOutcome::Written);
    const QJsonObject book = OpenpyxlReader::read(python, path);
    QVERIFY2(!book.contains("error"), qPrintable(book["error"].toString()));
    auto at = [&](int row, int c) { return OpenpyxlReader::cell(book, row, c); };
    // Rows 3 and 4 are the subjects after the hostile rows: they read whole.
    const struct {
        int row, column;
        const char* text;
    } cells[] = {{1, 1, "ab"}, {1, 2, "c"},   {1, 5, "de"},  {1, 6, "=1+1"},
                 {2, 1, "-2"}, {2, 2, "@x"},  {2, 5, "\tt"}, {3, 1, " <Reza> & co "},
                 {4, 0, "4"},  {4, 1, "Mina"}};
    for (const auto& c : cells)
        QCOMPARE(str(at(c.row, c.column)), QString::fromUtf8(c.text));
    QCOMPARE(type(at(1, 6)), QString("s"));
    QCOMPARE(type(at(2, 1)), QString("s"));
}

void TestXlsxExport::cancelLeavesTargetAsItWas()
{
    // Enough subjects for the export to ask about progress before it is done.
    QVERIFY(m_folder->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 5000) "
                           "INSERT INTO \"IDE\" (\"Code\", \"FName\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\") "
                           "SELECT 'c' || i, 'F', i % 51, 7, 9, 11, 13, 15 FROM n"));
    QTemporaryDir dir;
    const QString path = dir.filePath("old.xlsx");
    QVERIFY(writeBytes(path, "an earlier export"));

    for (const bool atEnd : {false, true}) {
        Scoring::XlsxOptions options;
        qint64 calls = 0, lastTotal = 0;
        options.progress = [&](qint64 done, qint64 total) {
            ++calls;
            lastTotal = total;
            return atEnd ? done < total : false; // cancel at the first call, or at the very last
        };
        QString error;
        QCOMPARE(Scoring::exportXlsx(path, options, &error), Scoring::ExportOutcome::Cancelled);
        QCOMPARE(error, QString());
        QVERIFY(calls >= 1);
        QCOMPARE(lastTotal, 5004);
        QCOMPARE(readBytes(path), QByteArray("an earlier export"));
        QCOMPARE(filesIn(dir.path()), QStringList{"old.xlsx"});
    }
}

void TestXlsxExport::unwritableDestination_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << "missing/out.xlsx";
    QTest::newRow("folder is a file") << "plain/out.xlsx";
    QTest::newRow("target is a folder") << "folder";
}

void TestXlsxExport::unwritableDestination()
{
    QFETCH(QString, relative);
    QTemporaryDir dir;
    QFile plain(dir.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QVERIFY(QDir(dir.path()).mkdir("folder"));
    const QStringList before = filesIn(dir.path());
    QString error;
    QCOMPARE(Scoring::exportXlsx(dir.filePath(relative), {}, &error), Scoring::ExportOutcome::Failed);
    QVERIFY(error.startsWith(Scoring::xlsxFailedMessage(QString()) + '\n'));
    QCOMPARE(filesIn(dir.path()), before);
    QVERIFY(QFileInfo(dir.filePath("folder")).isDir());
}

void TestXlsxExport::fullDisk()
{
#ifdef Q_OS_WIN
    QSKIP("the full disk is simulated with a file-size limit (RLIMIT_FSIZE), which Windows has not");
#else
    // A file size limit fails writes the way a full disk does (EFBIG instead of ENOSPC).
    QTemporaryDir dir;
    const QString path = dir.filePath("out.xlsx");
    QVERIFY(writeBytes(path, "kept"));
    QVERIFY(m_folder->exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3000) "
                           "INSERT INTO \"IDE\" (\"Code\", \"FName\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\") "
                           "SELECT 'c' || i, 'F' || i, i % 51, 7, 9, 11, 13, 15 FROM n"));
    QCOMPARE(Scoring::countSubjects({}), 3004);

    QString error;
    Scoring::ExportOutcome outcome;
    {
        const FileSizeLimit limit(16 * 1024);
        QVERIFY(limit.isSet());
        outcome = Scoring::exportXlsx(path, {}, &error);
    }

    QCOMPARE(outcome, Scoring::ExportOutcome::Failed);
    QCOMPARE(error, Scoring::xlsxFailedMessage("فضاي خالي ديسک کافي نيست"));
    QCOMPARE(readBytes(path), QByteArray("kept"));
    QCOMPARE(filesIn(dir.path()), QStringList{"out.xlsx"});
#endif
}

void TestXlsxExport::tableReplacesOnlyARegularFile()
{
    // The item report's one-sheet workbook goes through the same replacement as the export.
    QTemporaryDir dir;
    const QVector<QVariantList> rows{{"item", 1.5}, {QVariant(), "b"}};
    const QString path = dir.filePath("items.xlsx");
    QVERIFY(writeBytes(path, "an earlier report"));
    QString error;
    QVERIFY2(Scoring::writeTableXlsx(path, "items", rows, &error), qPrintable(error));
    QVERIFY(readBytes(path).startsWith("PK"));
    QVERIFY(underWine() || PrivateFile::restrictedToOwner(path)); // wine keeps no access lists

    QVERIFY(!Scoring::writeTableXlsx(dir.filePath("missing/items.xlsx"), "items", rows, &error));
    QCOMPARE(error, Scoring::xlsxFailedMessage("در اين پوشه نمي توان فايل نوشت"));
#ifndef Q_OS_WIN
    // A link is refused, not written through nor replaced.
    const QString target = dir.filePath("precious.txt"), link = dir.filePath("link.xlsx");
    QVERIFY(writeBytes(target, "precious"));
    QVERIFY(QFile::link(target, link));
    QVERIFY(!Scoring::writeTableXlsx(link, "items", rows, &error));
    QVERIFY(error.startsWith(Scoring::xlsxFailedMessage(QString()) + '\n'));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("precious"));
    QCOMPARE(filesIn(dir.path()), (QStringList{"items.xlsx", "link.xlsx", "precious.txt"}));
#else
    QCOMPARE(filesIn(dir.path()), QStringList{"items.xlsx"});
#endif
}

QTEST_MAIN(TestXlsxExport)
#include "test_xlsxexport.moc"
