// Small workbooks built to exhaust memory: entity expansion through a document type, and
// repeated-space elements in OpenDocument cells. The whole test runs under a 1.5 GB
// address-space limit, so a reader that builds the text it is told to ends in bad_alloc
// here rather than swapping the machine; each must become the "Error A1" refusal with
// nothing written.
#include "TestFolder.h"
#include "TestWorkbooks.h"
#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/resource.h>
#endif

using namespace TestWorkbooks;

using Entries = QMap<QString, QByteArray>;

namespace {
const QByteArray Main = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";

QByteArray entityBomb(int references, const QByteArray& where = "sheet")
{
    QByteArray refs;
    refs.reserve(references * 4);
    for (int i = 0; i < references; ++i)
        refs += "&e;";
    const QByteArray dtd = "<!DOCTYPE worksheet [<!ENTITY e \"" + QByteArray(4000, 'A') + "\">]>";
    if (where == "sheet")
        return "<?xml version=\"1.0\"?>" + dtd + "<worksheet xmlns=\"" + Main
            + "\"><sheetData><row r=\"3\"><c r=\"Z3\" t=\"inlineStr\"><is><t>" + refs
            + "</t></is></c></row></sheetData></worksheet>";
    return "<?xml version=\"1.0\"?>" + dtd + "<sst xmlns=\"" + Main + "\"><si><t>" + refs + "</t></si></sst>";
}

QByteArray sheetWithSharedZ3()
{
    return "<?xml version=\"1.0\"?><worksheet xmlns=\"" + Main
        + "\"><sheetData><row r=\"3\"><c r=\"Z3\" t=\"s\"><v>0</v></c></row></sheetData></worksheet>";
}

QByteArray sheetWithInlineZ3(const QByteArray& text)
{
    return "<?xml version=\"1.0\"?><worksheet xmlns=\"" + Main
        + "\"><sheetData><row r=\"3\"><c r=\"Z3\" t=\"inlineStr\"><is><t>" + text
        + "</t></is></c></row></sheetData></worksheet>";
}

// content.xml of an OpenDocument workbook with one sheet "Answers" whose Z3 holds `cell`
// (the inside of its <text:p>) and whose Y3 holds `neighbour`.
QByteArray odsContent(const QByteArray& cell, const QByteArray& neighbour = QByteArray())
{
    const QByteArray text = "<table:table-cell office:value-type=\"string\"><text:p>";
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body><office:spreadsheet>"
           "<table:table table:name=\"Answers\"><table:table-row table:number-rows-repeated=\"2\"><table:table-cell/>"
           "</table:table-row><table:table-row><table:table-cell table:number-columns-repeated=\"24\"/>"
        + text + neighbour + "</text:p></table:table-cell>" + text + cell
        + "</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body>"
          "</office:document-content>";
}

QByteArray repeatedSpaces(int elements, int count)
{
    QByteArray b;
    const QByteArray one = "<text:s text:c=\"" + QByteArray::number(count) + "\"/>";
    b.reserve(elements * one.size());
    for (int i = 0; i < elements; ++i)
        b += one;
    return b;
}

QMap<QString, QByteArray> ods(const QByteArray& content)
{
    return {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", content}};
}
} // namespace

class TestWorkbookBombs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void refusedWithNothingWritten_data();
    void refusedWithNothingWritten();
    void capsAtTheirEdges_data();
    void capsAtTheirEdges();
    void workbookLimitOverManyCells();
    void doctypeRefusedInAnyEncoding();
};

void TestWorkbookBombs::initTestCase()
{
#if !defined(MERAVEL_SANITIZED) && !defined(Q_OS_WIN) // the sanitizers reserve far more address space than they use
    const rlim_t limit = rlim_t(1536) * 1024 * 1024;
    const rlimit memory{limit, limit};
    QCOMPARE(::setrlimit(RLIMIT_AS, &memory), 0);
#endif
}

void TestWorkbookBombs::refusedWithNothingWritten_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<QString>("suffix");
    auto xlsx = [](const QByteArray& sheet, const QByteArray& shared = QByteArray()) {
        return minimalXlsx("Answers", sheet, shared);
    };
    QTest::newRow("xlsx: entity referenced 300,000 times in a cell") << xlsx(entityBomb(300000)) << "xlsx";
    QTest::newRow("xlsx: the same in the shared strings")
        << xlsx(sheetWithSharedZ3(), entityBomb(300000, "sst")) << "xlsx";
    QTest::newRow("xlsx: a harmless document type")
        << xlsx("<?xml version=\"1.0\"?><!DOCTYPE worksheet>" + sheetWithInlineZ3("Meravel").mid(21)) << "xlsx";
    {
        auto e = xlsx(sheetWithInlineZ3("Meravel"));
        e["xl/workbook.xml"].replace("<?xml version=\"1.0\"?>", "<?xml version=\"1.0\"?><!DOCTYPE workbook []>");
        QTest::newRow("xlsx: document type in the workbook part") << e << "xlsx";
        auto r = xlsx(sheetWithInlineZ3("Meravel"));
        r["_rels/.rels"].replace("<?xml version=\"1.0\"?>", "<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY x \"y\">]>");
        QTest::newRow("xlsx: document type in the relationships") << r << "xlsx";
    }
    QTest::newRow("xlsx: one cell over the cell limit")
        << xlsx(sheetWithInlineZ3(QByteArray(WorkbookReader::MaxCellText + 1, 'x'))) << "xlsx";
    QTest::newRow("ods: 200,000 runs of 4,096 spaces in one wanted cell")
        << ods(odsContent(repeatedSpaces(200000, 4096))) << "ods";
    QTest::newRow("ods: runs of the largest count") << ods(odsContent(repeatedSpaces(2000, 1 << 30))) << "ods";
    QTest::newRow("ods: spaces just over the cell limit")
        << ods(odsContent("Meravel" + repeatedSpaces(1, WorkbookReader::MaxCellText - 6))) << "ods";
}

void TestWorkbookBombs::refusedWithNothingWritten()
{
    QFETCH(Entries, entries);
    QFETCH(QString, suffix);
    TestFolder f;
    QVERIFY(f.isValid());
    f.addSubject("1");
    const QString answersBefore = f.scalar("SELECT group_concat(v1 || J1 || H1) FROM S1");
    const QString totalsBefore = f.scalar("SELECT V || J || H || A || M || GH FROM IDE WHERE Code='1'");
    QTemporaryDir dir;
    const QString path = dir.filePath("bomb." + suffix);
    QVERIFY(writeZip(path, entries));
    QVERIFY2(QFileInfo(path).size() < 64 * 1024, "the hostile workbook is small");

    QElapsedTimer timer;
    timer.start();
    const WorkbookImport::Result r = WorkbookImport::run("1", path);
    qInfo("refused after %lld ms", timer.elapsed());
    QCOMPARE(int(r.status), int(WorkbookImport::Result::Unreadable));
    QCOMPARE(r.box.caption, QString("Error A1"));
    QCOMPARE(r.box.text, QString::fromUtf8(" فايل انتخاب شده قابل بارگذاري نيست "));
    QCOMPARE(f.scalar("SELECT group_concat(v1 || J1 || H1) FROM S1"), answersBefore);
    QCOMPARE(f.scalar("SELECT V || J || H || A || M || GH FROM IDE WHERE Code='1'"), totalsBefore);
}

void TestWorkbookBombs::capsAtTheirEdges_data()
{
    QTest::addColumn<Entries>("entries");
    QTest::addColumn<int>("length"); // of Z3, or -1 when the read is refused
    QTest::newRow("xlsx cell at the limit")
        << minimalXlsx("Answers", sheetWithInlineZ3(QByteArray(WorkbookReader::MaxCellText, 'x')))
        << WorkbookReader::MaxCellText;
    QTest::newRow("ods spaces up to the limit")
        << ods(odsContent("ab" + repeatedSpaces(1, WorkbookReader::MaxCellText - 2))) << WorkbookReader::MaxCellText;
    QTest::newRow("ods spaces one over") << ods(odsContent("ab" + repeatedSpaces(1, WorkbookReader::MaxCellText - 1)))
                                         << -1;
    QTest::newRow("ods runs that add up past the limit") << ods(odsContent(repeatedSpaces(9, 4096))) << -1;
    QTest::newRow("ods runs that stay under") << ods(odsContent(repeatedSpaces(7, 4096))) << 7 * 4096;
}

void TestWorkbookBombs::capsAtTheirEdges()
{
    QFETCH(Entries, entries);
    QFETCH(int, length);
    QTemporaryDir dir;
    const QString path = dir.filePath("w.bin");
    QVERIFY(writeZip(path, entries));
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.open(path, &error), qPrintable(error));
    QHash<QString, QString> values;
    const bool ok = reader.readCells("Answers", {"Z3"}, &values, &error);
    QCOMPARE(ok, length >= 0);
    if (ok)
        QCOMPARE(values.value("Z3").size(), length);
    else
        QVERIFY(values.isEmpty());
}

void TestWorkbookBombs::workbookLimitOverManyCells()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("w.ods");
    QString error;
    QHash<QString, QString> values;
    // Many wanted cells, each within the cell limit, are held to the limit of the whole read.
    QStringList addresses;
    QByteArray row;
    const int cells = int(WorkbookReader::MaxWorkbookText / WorkbookReader::MaxCellText) + 2;
    for (int c = 1; c <= cells; ++c) {
        addresses << QStringLiteral("A%1").arg(c);
        row += "<table:table-row><table:table-cell office:value-type=\"string\"><text:p>"
            + repeatedSpaces(1, WorkbookReader::MaxCellText) + "</text:p></table:table-cell></table:table-row>";
    }
    const QByteArray content = "<?xml version=\"1.0\"?><office:document-content "
                               "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                               "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                               "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                               "<office:spreadsheet><table:table table:name=\"Answers\">"
        + row + "</table:table></office:spreadsheet></office:body></office:document-content>";
    QVERIFY(writeZip(path, ods(content)));
    WorkbookReader many;
    QVERIFY(many.open(path, &error));
    QVERIFY(!many.readCells("Answers", addresses, &values, &error));
    QVERIFY(many.readCells("Answers", addresses.mid(0, cells - 3), &values, &error));
}

void TestWorkbookBombs::doctypeRefusedInAnyEncoding()
{
    // The document type is found whatever encoding the part is written in.
    const QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><!DOCTYPE worksheet>")
        + QString::fromUtf8(sheetWithInlineZ3("Meravel").mid(21));
    QByteArray utf16(reinterpret_cast<const char*>(xml.utf16()), xml.size() * 2);
    utf16.prepend("\xFF\xFE");
    QTemporaryDir dir;
    const QString path = dir.filePath("w.xlsx");
    QVERIFY(writeZip(path, minimalXlsx("Answers", utf16)));
    WorkbookReader reader;
    QString error;
    QVERIFY(reader.open(path, &error));
    QHash<QString, QString> values;
    QVERIFY(!reader.readCells("Answers", {"Z3"}, &values, &error));
    QVERIFY2(error.contains("document type"), qPrintable(error));

    // Without the document type the same part reads.
    QString plain = xml;
    plain.remove("<!DOCTYPE worksheet>");
    QByteArray plain16(reinterpret_cast<const char*>(plain.utf16()), plain.size() * 2);
    plain16.prepend("\xFF\xFE");
    QVERIFY(writeZip(path, minimalXlsx("Answers", plain16)));
    WorkbookReader again;
    QVERIFY(again.open(path, &error));
    QVERIFY2(again.readCells("Answers", {"Z3"}, &values, &error), qPrintable(error));
    QCOMPARE(values.value("Z3"), QString("Meravel"));
}

QTEST_MAIN(TestWorkbookBombs)
#include "test_workbookbombs.moc"
