// The workbook reader on workbooks written here by real writers, and on damaged files.
#include "TestWorkbooks.h"
#include "FileBytes.h"
#include "records/WorkbookReader.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

using namespace TestWorkbooks;

namespace {
const QString Sheet = QStringLiteral("Answers");

enum class Kind { XlsxShared, XlsxInline, Xlsm, Ods, Xls };

// One cell of the sample sheet and the text the reader must give for it.
struct Sample {
    Cell cell;
    QString expected;
    bool biff; // FreeXL reads no formulas, rich runs or booleans written by xlwt
};

QList<Sample> samples()
{
    const QString persian = QString::fromUtf8("دانش‌آموز ي ک");
    return {
        {{"Z3", QStringLiteral("Meravel")}, "Meravel", true},
        {{"C3", 1.0}, "1", true},
        {{"C4", QStringLiteral("1")}, "1", true},
        {{"C5", 0.0}, "0", true},
        {{"C6", 2.0}, "2", true},
        {{"C7", 2.5}, "2.5", true},
        {{"C8", QStringLiteral("abc")}, "abc", true},
        {{"C9", QStringLiteral(" Meravel ")}, " Meravel ", true},
        {{"C10", persian}, persian, true},
        {{"C11", 7.0}, "7", true},
        {{"C12", 1234567.0}, "1234567", true},
        {{"C13", -3.25}, "-3.25", true},
        {{"C14", QStringLiteral("a  b")}, "a  b", true},
        {{"C20", 1.0, Cell::FormulaResult}, "1", false},
        {{"C21", QStringLiteral("ab"), Cell::FormulaResult}, "ab", false},
        {{"C22", QStringLiteral("Meravel"), Cell::Rich}, "Meravel", false},
        {{"C23", true, Cell::Boolean}, "TRUE", false},
        {{"AA250", 5.0}, "5", true},
    };
}

QString write(Kind kind, const QString& dir, const QList<Sample>& list, QString* error)
{
    Cells cells;
    for (const Sample& s : list)
        if (kind != Kind::Xls || s.biff)
            cells.append(s.cell);
    switch (kind) {
    case Kind::XlsxShared:
        return writeXlsx(dir + "/a.xlsx", Sheet, cells, false, "First") ? dir + "/a.xlsx" : QString();
    case Kind::XlsxInline:
        return writeXlsx(dir + "/b.xlsx", Sheet, cells, true) ? dir + "/b.xlsx" : QString();
    case Kind::Xlsm:
        // The macro-enabled form differs only in its content type; the name is what users see.
        return writeXlsx(dir + "/c.xlsm", Sheet, cells) ? dir + "/c.xlsm" : QString();
    case Kind::Ods:
        return writeOds(dir + "/d.ods", Sheet, cells, "First") ? dir + "/d.ods" : QString();
    case Kind::Xls:
        return writeXls(dir + "/e.xls", Sheet, cells, error) ? dir + "/e.xls" : QString();
    }
    return QString();
}
} // namespace

Q_DECLARE_METATYPE(Kind)

class TestWorkbookReader : public QObject {
    Q_OBJECT
private slots:
    void formats_data();
    void formats();
    void sheetByName_data() { formats_data(); }
    void sheetByName();
    void numberText_data();
    void numberText();
    void parseAddress_data();
    void parseAddress();
    void damaged_data();
    void damaged();
    void zipBomb();
    void biffDamaged();
    void hugeRepeatsStayFast();
};

void TestWorkbookReader::formats_data()
{
    QTest::addColumn<Kind>("kind");
    QTest::addColumn<WorkbookReader::Format>("format");
    QTest::newRow("xlsx shared strings") << Kind::XlsxShared << WorkbookReader::Format::OfficeOpenXml;
    QTest::newRow("xlsx inline strings") << Kind::XlsxInline << WorkbookReader::Format::OfficeOpenXml;
    QTest::newRow("xlsm") << Kind::Xlsm << WorkbookReader::Format::OfficeOpenXml;
    QTest::newRow("ods") << Kind::Ods << WorkbookReader::Format::OpenDocument;
    QTest::newRow("xls") << Kind::Xls << WorkbookReader::Format::Biff;
}

void TestWorkbookReader::formats()
{
    QFETCH(Kind, kind);
    QFETCH(WorkbookReader::Format, format);
    QTemporaryDir dir;
    QString error;
    const QList<Sample> list = samples();
    const QString path = write(kind, dir.path(), list, &error);
    QVERIFY2(!path.isEmpty(), qPrintable("the test workbook was not written " + error));

    WorkbookReader reader;
    QVERIFY2(reader.open(path, &error), qPrintable(error));
    QCOMPARE(reader.format(), format);

    QStringList addresses;
    for (const Sample& s : list)
        addresses << s.cell.address;
    addresses << "C2" << "B3" << "D3" << "C1000" << "c3"; // empty, beyond the data, lower case
    QHash<QString, QString> values;
    QVERIFY2(reader.readCells(Sheet, addresses, &values, &error), qPrintable(error));
    for (const Sample& s : list)
        if (kind != Kind::Xls || s.biff)
            QCOMPARE(values.value(s.cell.address), s.expected);
    QCOMPARE(values.value("C2"), QString());
    QCOMPARE(values.value("B3"), QString());
    QCOMPARE(values.value("D3"), QString());
    QCOMPARE(values.value("C1000"), QString());
    QCOMPARE(values.value("c3"), QString("1"));
    QCOMPARE(values.size(), addresses.size());

    // The in-memory form reads the same.
    WorkbookReader fromData;
    QVERIFY2(fromData.openData(readBytes(path), &error), qPrintable(error));
    QCOMPARE(fromData.cell(Sheet, "C7"), QString("2.5"));
}

void TestWorkbookReader::sheetByName()
{
    QFETCH(Kind, kind);
    QTemporaryDir dir;
    QString error;
    const QString path = write(kind, dir.path(), samples(), &error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));
    WorkbookReader reader;
    QVERIFY2(reader.open(path, &error), qPrintable(error));
    QVERIFY(reader.sheetNames().contains(Sheet));
    // Spreadsheets match sheet names without regard to case.
    QCOMPARE(reader.cell(Sheet.toUpper(), "Z3", &error), QString("Meravel"));
    error.clear();
    QHash<QString, QString> values;
    QVERIFY(!reader.readCells("Missing", {"Z3"}, &values, &error));
    QVERIFY(!error.isEmpty());
    QVERIFY(!reader.readCells(Sheet, {"3Z"}, &values, &error));
}

void TestWorkbookReader::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("one") << 1.0 << "1";
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("minus zero") << -0.0 << "0";
    QTest::newRow("fraction") << 2.5 << "2.5";
    QTest::newRow("rounding noise") << 0.1 + 0.2 << "0.3";
    QTest::newRow("large whole") << 123456789012345.0 << "123456789012345";
    QTest::newRow("negative") << -7.0 << "-7";
    QTest::newRow("huge") << 1e20 << "1E+20";
}

void TestWorkbookReader::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(WorkbookReader::numberText(value), text);
}

void TestWorkbookReader::parseAddress_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::newRow("C3") << "C3" << true << 3 << 3;
    QTest::newRow("Z3") << "Z3" << true << 3 << 26;
    QTest::newRow("AA250") << "AA250" << true << 250 << 27;
    QTest::newRow("lower") << "c240" << true << 240 << 3;
    QTest::newRow("absolute") << "$C$3" << true << 3 << 3;
    QTest::newRow("XFD1048576") << "XFD1048576" << true << 1048576 << 16384;
    QTest::newRow("column too far") << "XFE1" << false << 0 << 0;
    QTest::newRow("row 0") << "C0" << false << 0 << 0;
    QTest::newRow("row too far") << "C1048577" << false << 0 << 0;
    QTest::newRow("no row") << "C" << false << 0 << 0;
    QTest::newRow("no column") << "3" << false << 0 << 0;
    QTest::newRow("empty") << "" << false << 0 << 0;
    QTest::newRow("junk") << "C3x" << false << 0 << 0;
    QTest::newRow("persian letters") << QString::fromUtf8("ج3") << false << 0 << 0;
}

void TestWorkbookReader::parseAddress()
{
    QFETCH(QString, address);
    QFETCH(bool, ok);
    QFETCH(int, row);
    QFETCH(int, column);
    int r = 0, c = 0;
    QCOMPARE(WorkbookReader::parseAddress(address, &r, &c), ok);
    if (ok) {
        QCOMPARE(r, row);
        QCOMPARE(c, column);
    }
}

// Each damaged file: open() or readCells() fails with an error; nothing crashes or hangs.
void TestWorkbookReader::damaged_data()
{
    QTest::addColumn<QByteArray>("data");
    QTemporaryDir dir;
    Cells cells{{"Z3", QStringLiteral("Meravel")}, {"C3", 1.0}, {"C4", QStringLiteral("text")}};
    QVERIFY(writeXlsx(dir.path() + "/ok.xlsx", Sheet, cells));
    QVERIFY(writeOds(dir.path() + "/ok.ods", Sheet, cells));
    const QByteArray xlsx = readBytes(dir.path() + "/ok.xlsx");
    const QByteArray ods = readBytes(dir.path() + "/ok.ods");

    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("text file") << QByteArray("Meravel,1,2,3\n");
    QTest::newRow("zip signature only") << QByteArray("PK\x03\x04", 4);
    QTest::newRow("truncated xlsx") << xlsx.left(xlsx.size() / 2);
    QTest::newRow("xlsx cut before directory end") << xlsx.left(xlsx.size() - 10);
    QTest::newRow("truncated ods") << ods.left(ods.size() * 2 / 3);
    QByteArray flipped = xlsx;
    for (int i = 100; i < flipped.size() / 2; i += 50)
        flipped[i] = char(flipped[i] ^ 0x5A);
    QTest::newRow("xlsx with damaged data") << flipped;

    auto zipOf = [&](const QMap<QString, QByteArray>& entries) {
        const QString p = dir.path() + "/z.zip";
        writeZip(p, entries);
        return readBytes(p);
    };
    QTest::newRow("zip without workbook") << zipOf({{"readme.txt", "hello"}});
    QTest::newRow("malformed sheet xml")
        << zipOf(minimalXlsx(Sheet, "<worksheet><sheetData><row r=\"3\"><c r=\"Z3\" t=\"inlineStr\"><is><t>Meravel</t>"
                                    "</is></c><c r=\"C3\"><v>1</v></row></sheetData></worksheet>"));
    QTest::newRow("unclosed sheet xml") << zipOf(minimalXlsx(Sheet, "<worksheet><sheetData><row r=\"3\"><c r=\"C3\"><v>1"));
    QTest::newRow("sheet xml is binary") << zipOf(minimalXlsx(Sheet, QByteArray(300, '\x01')));
    QTest::newRow("shared string missing")
        << zipOf(minimalXlsx(Sheet, "<worksheet><sheetData><row r=\"3\"><c r=\"Z3\" t=\"s\"><v>4</v></c></row></sheetData>"
                                    "</worksheet>",
                             "<sst><si><t>Meravel</t></si></sst>"));
    QTest::newRow("no shared strings part")
        << zipOf(minimalXlsx(Sheet, "<worksheet><sheetData><row r=\"3\"><c r=\"Z3\" t=\"s\"><v>0</v></c></row></sheetData>"
                                    "</worksheet>"));
    QTest::newRow("malformed shared strings")
        << zipOf(minimalXlsx(Sheet, "<worksheet><sheetData><row r=\"3\"><c r=\"Z3\" t=\"s\"><v>0</v></c></row></sheetData>"
                                    "</worksheet>",
                             "<sst><si><t>Meravel</si></sst>"));
    QTest::newRow("sheet part missing") << zipOf([&] {
        auto e = minimalXlsx(Sheet, "<worksheet/>");
        e.remove("xl/worksheets/sheet1.xml");
        return e;
    }());
    QTest::newRow("malformed workbook xml") << zipOf([&] {
        auto e = minimalXlsx(Sheet, "<worksheet/>");
        e.insert("xl/workbook.xml", "<workbook><sheets><sheet name=\"Answers\"");
        return e;
    }());
    QTest::newRow("malformed rels") << zipOf([&] {
        auto e = minimalXlsx(Sheet, "<worksheet/>");
        e.insert("xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=");
        return e;
    }());
    QTest::newRow("malformed ods content")
        << zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml", "<office:document-content><table:table table:name=\"Answers\"><table:table-row>"}});
    QTest::newRow("ods with undeclared prefixes")
        << zipOf({{"content.xml", "<document><table:table name=\"Answers\"/></document>"}});
    QTest::newRow("ole signature only") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    QTest::newRow("ole header and junk") << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + QByteArray(2000, '\xFF');
}

void TestWorkbookReader::damaged()
{
    QFETCH(QByteArray, data);
    QTemporaryDir dir;
    const QString path = dir.path() + "/damaged.xlsx";
    QVERIFY(writeBytes(path, data));
    for (int viaData = 0; viaData < 2; ++viaData) {
        WorkbookReader reader;
        QString error;
        const bool opened = viaData ? reader.openData(data, &error) : reader.open(path, &error);
        if (opened) {
            QHash<QString, QString> values;
            QVERIFY2(!reader.readCells(Sheet, {"Z3", "C3", "C4"}, &values, &error), "a damaged workbook was read");
        }
        QVERIFY(!error.isEmpty());
    }
}

void TestWorkbookReader::zipBomb()
{
    // An entry that inflates past the cap: 80 MiB of zeros make a zip of a few hundred KiB.
    QTemporaryDir dir;
    const QByteArray zeros(80 * 1024 * 1024, '\0');
    auto entries = minimalXlsx(Sheet, "<worksheet/>");
    entries.insert("xl/worksheets/sheet1.xml", QByteArray("<worksheet>") + zeros);
    const QString path = dir.path() + "/bomb.xlsx";
    QVERIFY(writeZip(path, entries));
    QVERIFY(QFileInfo(path).size() < 2 * 1024 * 1024);
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.open(path, &error), qPrintable(error)); // the small parts are fine
    QHash<QString, QString> values;
    QVERIFY(!reader.readCells(Sheet, {"Z3"}, &values, &error));
    QVERIFY2(error.contains("too large"), qPrintable(error));

    // The same for the OpenDocument content.
    QVERIFY(writeZip(path, {{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}, {"content.xml", zeros}}));
    QVERIFY(!reader.open(path, &error));
    QVERIFY2(error.contains("too large"), qPrintable(error));
}

void TestWorkbookReader::biffDamaged()
{
    QTemporaryDir dir;
    QString error;
    const QString path = dir.path() + "/ok.xls";
    QVERIFY2(writeXls(path, Sheet, {{"Z3", QStringLiteral("Meravel")}, {"C3", 1.0}}, &error), qPrintable(error));
    const QByteArray data = readBytes(path);
    for (int cut : {512, 1024, 2048, int(data.size()) - 100}) {
        WorkbookReader reader;
        if (reader.openData(data.left(cut), &error)) {
            // A cut that only loses trailing padding may still read; it must not crash.
            reader.cell(Sheet, "Z3", &error);
        }
    }
    QByteArray damaged = data;
    for (int i = 600; i < damaged.size(); i += 37)
        damaged[i] = char(damaged[i] ^ 0xA5);
    WorkbookReader reader;
    if (reader.openData(damaged, &error))
        reader.cell(Sheet, "Z3", &error);
}

void TestWorkbookReader::hugeRepeatsStayFast()
{
    // Repeat counts are never expanded: a million repeated rows and columns read at once.
    QTemporaryDir dir;
    const QString path = dir.path() + "/repeat.ods";
    QVERIFY(writeZip(path, {{"content.xml",
                             "<d xmlns:t=\"t\" xmlns:o=\"o\" xmlns:x=\"x\"><t:table t:name=\"Answers\">"
                             "<t:table-row t:number-rows-repeated=\"999999999\"><t:table-cell "
                             "t:number-columns-repeated=\"999999999\" o:value-type=\"float\" o:value=\"1\"/>"
                             "</t:table-row><t:table-row><t:table-cell o:value-type=\"string\"><x:p>end</x:p>"
                             "</t:table-cell></t:table-row></t:table></d>"}}));
    QElapsedTimer timer;
    timer.start();
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.open(path, &error), qPrintable(error));
    QHash<QString, QString> values;
    QVERIFY2(reader.readCells(Sheet, {"C3", "Z249", "A1048576"}, &values, &error), qPrintable(error));
    QCOMPARE(values.value("C3"), QString("1"));
    QCOMPARE(values.value("A1048576"), QString("1"));
    QVERIFY(timer.elapsed() < 10000); // repeat counts are not expanded cell by cell
}

QTEST_GUILESS_MAIN(TestWorkbookReader)
#include "test_workbookreader.moc"
