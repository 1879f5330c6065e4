// The workbook import and the import command on workbooks written here, in each format.
#include "TestFolder.h"
#include "TestWorkbooks.h"
#include "CliRun.h"
#include "DigitSets.h"
#include "FileBytes.h"
#include "cli/Cli.h"
#include "data/Database.h"
#include "questionnaire/AnswerColumns.h"
#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

using namespace TestWorkbooks;
using WorkbookImport::Result;

namespace {
enum class Format { Xlsx, Ods, Xls };
// Each format by the name its rows carry.
const QList<QPair<const char*, Format>> Formats{{"xlsx", Format::Xlsx}, {"ods", Format::Ods}, {"xls", Format::Xls}};

QString writeAs(Format format, const QString& dir, const Cells& cells)
{
    const QString sheet = WorkbookImport::SheetName;
    switch (format) {
    case Format::Xlsx:
        return writeXlsx(dir + "/w.xlsx", sheet, cells, false, "Other") ? dir + "/w.xlsx" : QString();
    case Format::Ods:
        return writeOds(dir + "/w.ods", sheet, cells, "Other") ? dir + "/w.ods" : QString();
    case Format::Xls:
        return writeXls(dir + "/w.xls", sheet, cells) ? dir + "/w.xls" : QString();
    }
    return QString();
}

// Odd items ticked: 6 of 11 in S1 and S2, 7 of 14 in S3; plus ratings (t+1) + (7-t) = 8.
constexpr int FullTotal = 6 + 6 + 7 + 8;

Cells replaced(Cells cells, const QString& address, const QVariant& value)
{
    for (Cell& c : cells)
        if (c.address == address) {
            c.value = value;
            return cells;
        }
    cells.append({address, value});
    return cells;
}

QString row(TestFolder& f, const QString& table, const QString& column, const QString& code = "1")
{
    return f.scalar("SELECT \"" + column + "\" FROM \"" + table + "\" WHERE \"Code\" = '" + code
                    + "' ORDER BY rid LIMIT 1");
}

// One answer of subject 1 as the tables should hold it.
struct Stored {
    const char* table;
    const char* column;
    const char* value;
};

// The first of the answers that the tables hold otherwise, as "S1.v2 is '1', expected '0'";
// empty when all are as expected.
QString firstDifferentAnswer(TestFolder& f, const QList<Stored>& expected)
{
    for (const Stored& s : expected) {
        const QString now = row(f, s.table, s.column);
        if (now != QLatin1String(s.value))
            return QStringLiteral("%1.%2 is '%3', expected '%4'").arg(s.table, s.column, now, s.value);
    }
    return QString();
}

QString totals(TestFolder& f, const QString& code = "1")
{
    return f.scalar("SELECT coalesce(\"V\",'') || ',' || coalesce(\"J\",'') || ',' || coalesce(\"H\",'') || ',' || "
                    "coalesce(\"A\",'')"
                    " || ',' || coalesce(\"M\",'') || ',' || coalesce(\"GH\",'') FROM \"IDE\" WHERE \"Code\" = '"
                    + code + "'");
}

// Every answer column of the subject, for "nothing was written" checks.
QString allAnswers(TestFolder& f, const QString& code = "1")
{
    QString all;
    for (int table = 1; table <= 4; ++table)
        all += f.scalar("SELECT "
                        + AnswerColumns::columns(table)
                              .replaceInStrings(QRegularExpression("^(.*)$"), "coalesce(\"\\1\",'_')")
                              .join(" || ")
                        + " FROM \"" + AnswerColumns::tableName(table) + "\" WHERE \"Code\" = '" + code + "'")
            + "|";
    return all + totals(f, code);
}

// Fills cells of the shipped blank workbook in place, as a user does in a spreadsheet.
bool fillBlank(const QString& path, const QMap<QString, QString>& values)
{
    int err = 0;
    zip_t* z = zip_open(path.toUtf8().constData(), 0, &err);
    if (!z)
        return false;
    const char* part = "xl/worksheets/sheet1.xml";
    zip_stat_t st;
    if (zip_stat(z, part, 0, &st) != 0)
        return false;
    QByteArray xml(int(st.size), '\0');
    zip_file_t* file = zip_fopen(z, part, 0);
    zip_fread(file, xml.data(), st.size);
    zip_fclose(file);
    QString s = QString::fromUtf8(xml);
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const QRegularExpression blank("<c r=\"" + it.key() + "\"( s=\"\\d+\")?/>");
        if (!s.contains(blank))
            return false;
        s.replace(blank, "<c r=\"" + it.key() + "\"\\1><v>" + it.value() + "</v></c>");
    }
    static QByteArray data; // libzip reads the buffer at close
    data = s.toUtf8();
    zip_source_t* src = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
    if (zip_file_replace(z, zip_uint64_t(zip_name_locate(z, part, 0)), src, 0) != 0)
        return false;
    return zip_close(z) == 0;
}
} // namespace

Q_DECLARE_METATYPE(Format)

class TestWorkbookImport : public QObject {
    Q_OBJECT
private slots:
    void layout();
    void blankWorkbook();
    void blankWorkbookRoundTrip();
    void eachFormat_data();
    void eachFormat();
    void tickCells_data();
    void tickCells();
    void digitCells_data();
    void digitCells();
    void ratingDigits_data();
    void ratingDigits();
    void refused_data();
    void refused();
    void skippedRowsIgnored();
    void ratingInRow243NotRead();
    void importTwice();
    void damagedWorkbooks();
    void selectionCreatesRows();
    void allOrNothing();
    void nothingWrittenWithoutItsOwnTransaction();
    void command();
};

void TestWorkbookImport::layout()
{
    // The first and last row of every block, and the gap rows the import never reads.
    const struct {
        int table, type, item;
        const char* cell;
    } places[] = {{1, 0, 1, "C3"},   {1, 5, 11, "C73"}, {2, 0, 1, "C75"},   {2, 5, 11, "C145"},
                  {3, 0, 1, "C147"}, {3, 1, 1, "C162"}, {3, 5, 14, "C235"}, {4, 0, 1, "C237"},
                  {4, 5, 1, "C242"}, {4, 0, 2, "C244"}, {4, 5, 2, "C249"},  {1, 0, 12, ""}};
    for (const auto& p : places)
        QCOMPARE(WorkbookImport::answerCell(p.table, p.type, p.item), QString::fromLatin1(p.cell));
    const QStringList cells = WorkbookImport::cellsRead();
    QCOMPARE(cells.size(), 1 + 66 + 66 + 84 + 12);
    QCOMPARE(QSet<QString>(cells.begin(), cells.end()).size(), cells.size());
    for (int skipped : {1, 2, 14, 26, 38, 50, 62, 74, 86, 98, 110, 122, 134, 146, 161, 176, 191, 206, 221, 236, 243, 250})
        QVERIFY2(!cells.contains("C" + QString::number(skipped)), qPrintable(QString::number(skipped)));
}

void TestWorkbookImport::blankWorkbook()
{
    TestFolder f;
    const QString path = f.file(WorkbookImport::BlankWorkbook);
    WorkbookReader reader;
    QString error;
    QVERIFY2(reader.open(path, &error), qPrintable(error));
    QCOMPARE(reader.sheetNames(), QStringList{WorkbookImport::SheetName});
    QStringList texts;
    for (const QString& c : WorkbookImport::cellsRead().mid(1))
        texts << "B" + c.mid(1);
    QHash<QString, QString> values;
    QVERIFY(reader.readCells(WorkbookImport::SheetName, WorkbookImport::cellsRead() + texts + QStringList{"B14", "B236"},
                             &values, &error));
    QCOMPARE(values.value("Z3"), QString("Meravel"));
    for (const QString& c : WorkbookImport::cellsRead().mid(1))
        QCOMPARE(values.value(c), QString());
    // Item texts from the questionnaire content beside the answer cells, headings between blocks.
    QCOMPARE(values.value("B4"), QString::fromUtf8("تعمير اتومبيل"));
    for (const QString& t : texts)
        QVERIFY2(!values.value(t).isEmpty(), qPrintable(t));
    QVERIFY(!values.value("B14").isEmpty());
    QVERIFY(!values.value("B236").isEmpty());
    // Validation and right-to-left live in the sheet XML.
    const QByteArray xml = [&] {
        int err = 0;
        zip_t* z = zip_open(path.toUtf8().constData(), ZIP_RDONLY, &err);
        zip_stat_t st;
        zip_stat(z, "xl/worksheets/sheet1.xml", 0, &st);
        QByteArray x(int(st.size), '\0');
        zip_file_t* file = zip_fopen(z, "xl/worksheets/sheet1.xml", 0);
        zip_fread(file, x.data(), st.size);
        zip_fclose(file);
        zip_discard(z);
        return x;
    }();
    QVERIFY(xml.contains("rightToLeft=\"1\""));
    QVERIFY(xml.contains("sqref=\"C3:C13\""));
    QVERIFY(xml.contains("sqref=\"C222:C235\""));
    QVERIFY(xml.contains("sqref=\"C244:C249\""));
    QCOMPARE(xml.count("<formula1>0</formula1><formula2>1</formula2>"), 18);
    QCOMPARE(xml.count("<formula1>1</formula1><formula2>7</formula2>"), 2);
}

void TestWorkbookImport::blankWorkbookRoundTrip()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString path = dir.path() + "/filled.xlsx";
    QVERIFY(QFile::copy(f.file(WorkbookImport::BlankWorkbook), path));
    // Unfilled: every answer stored as unticked or empty, totals 0.
    QCOMPARE(WorkbookImport::run("1", path).status, Result::Stored);
    QCOMPARE(totals(f), QString("0,0,0,0,0,0"));
    QMap<QString, QString> filled{{"C3", "1"}, {"C88", "1"}, {"C235", "1"}, {"C237", "5"}, {"C249", "7"}, {"C4", "0"}};
    QVERIFY(fillBlank(path, filled));
    const Result r = WorkbookImport::run("1", path);
    QCOMPARE(r.status, Result::Stored);
    const QList<Stored> expected{{"S1", "v1", "1"}, {"S1", "v2", "0"}, {"S2", "J2", "1"}, {"S3", "G14", "1"},
                                 {"S4", "V1", "5"}, {"S4", "G2", "7"}, {"S4", "J1", ""}};
    QCOMPARE(firstDifferentAnswer(f, expected), QString());
    QCOMPARE(totals(f), QString("6,1,0,0,0,8"));
}

void TestWorkbookImport::eachFormat_data()
{
    QTest::addColumn<Format>("format");
    for (const auto& fm : Formats)
        QTest::newRow(fm.first) << fm.second;
}

void TestWorkbookImport::eachFormat()
{
    QFETCH(Format, format);
    TestFolder f;
    f.addSubject("1");
    f.addSubject("2");
    QTemporaryDir dir;
    const QString path = writeAs(format, dir.path(), fullAnswers());
    QVERIFY(!path.isEmpty());
    const Result r = WorkbookImport::run("1", path);
    QCOMPARE(r.status, Result::Stored);
    QCOMPARE(r.box.text, QString("  داده ها با موفقيت وارد سيستم شدند "));
    QCOMPARE(r.box.caption, QString("پيام"));
    QCOMPARE(r.box.icon, WorkbookImport::Box::Information);
    const QString t = QString::number(FullTotal);
    QCOMPARE(totals(f), QStringList(6, t).join(','));
    const QList<Stored> expected{{"S1", "v1", "1"}, {"S1", "v2", "0"}, {"S3", "G13", "1"}, {"S3", "G14", "0"},
                                 {"S4", "A1", "4"}, {"S4", "A2", "4"}, {"S4", "G2", "2"}};
    QCOMPARE(firstDifferentAnswer(f, expected), QString());
    // The other subject is untouched.
    QCOMPARE(totals(f, "2"), QString(",,,,,"));
}

void TestWorkbookImport::tickCells_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("stored");
    for (const auto& fm : Formats) {
        auto name = [&](const char* what) { return QByteArray(fm.first) + " " + what; };
        QTest::newRow(name("number 1")) << fm.second << QVariant(1.0) << "1";
        QTest::newRow(name("text 1")) << fm.second << QVariant(QStringLiteral("1")) << "1";
        QTest::newRow(name("number 0")) << fm.second << QVariant(0.0) << "0";
        QTest::newRow(name("number 2")) << fm.second << QVariant(2.0) << "0";
        QTest::newRow(name("fraction")) << fm.second << QVariant(1.5) << "0";
        QTest::newRow(name("text")) << fm.second << QVariant(QStringLiteral("yes")) << "0";
        QTest::newRow(name("empty")) << fm.second << QVariant(QString()) << "0";
        QTest::newRow(name("text 1 with blank")) << fm.second << QVariant(QStringLiteral(" 1")) << "1";
        // A tick typed on a Persian keyboard, or in Arabic-Indic digits, is a tick.
        for (const DigitSet& d : {PersianDigits, ArabicIndicDigits})
            for (int v = 0; v <= 2; ++v)
                QTest::newRow(name(QByteArray(d.name) + " text " + QByteArray::number(v)))
                    << fm.second << QVariant(QString(d.digit(v))) << (v == 1 ? "1" : "0");
    }
}

void TestWorkbookImport::tickCells()
{
    QFETCH(Format, format);
    QFETCH(QVariant, value);
    QFETCH(QString, stored);
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    Cells cells = fullAnswers();
    cells = replaced(cells, "C4", value);   // S1 v2 (unticked in the base sheet)
    cells = replaced(cells, "C162", value); // S3 j1 (ticked in the base sheet)
    if (value.toString().isEmpty()) {
        cells.erase(std::remove_if(cells.begin(), cells.end(), [](const Cell& c) {
            return c.address == "C4" || c.address == "C162"; }), cells.end());
    }
    const QString path = writeAs(format, dir.path(), cells);
    QVERIFY(!path.isEmpty());
    QCOMPARE(WorkbookImport::run("1", path).status, Result::Stored);
    QCOMPARE(row(f, "S1", "v2"), stored);
    QCOMPARE(row(f, "S3", "J1"), stored);
    const int ticked = stored == "1" ? 1 : 0;
    QCOMPARE(f.scalar("SELECT \"V\" FROM \"IDE\""), QString::number(FullTotal + ticked));
    QCOMPARE(f.scalar("SELECT \"J\" FROM \"IDE\""), QString::number(FullTotal - 1 + ticked));
}

void TestWorkbookImport::digitCells_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("ticks");
    QTest::addColumn<bool>("rating");
    for (const DigitSet& d : AllDigitSets)
        for (int v = 0; v <= 9; ++v)
            QTest::addRow("%s %d", d.name, v) << QString(d.digit(v)) << (v == 1) << (v >= 1 && v <= 7);
    QTest::newRow("persian 1.0") << QString::fromUtf8("۱.۰") << true << false;
    QTest::newRow("persian 10") << QString::fromUtf8("۱۰") << false << false;
    QTest::newRow("devanagari 1") << QString::fromUtf8("१") << false << false;
}

void TestWorkbookImport::digitCells()
{
    // Every digit of the three sets, as a cell's text: a tick is the value 1, a rating 1..7,
    // and a rating is stored in ASCII digits.
    QFETCH(QString, value);
    QFETCH(bool, ticks);
    QFETCH(bool, rating);
    QCOMPARE(WorkbookImport::cellTicks(value), ticks);
    QCOMPARE(WorkbookImport::cellTicks(" " + value + " "), ticks);
    QString stored = "unset";
    QCOMPARE(WorkbookImport::ratingAcceptable(value, &stored), rating);
    if (rating)
        QCOMPARE(stored, QString::number(value.at(0).digitValue() >= 0 ? value.at(0).digitValue() : 0));
}

void TestWorkbookImport::ratingDigits_data()
{
    QTest::addColumn<Format>("format");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("stored"); // "" when the workbook is refused
    for (const auto& fm : Formats) {
        auto name = [&](const char* what) { return QByteArray(fm.first) + " " + what; };
        QTest::newRow(name("persian 5 text")) << fm.second << QVariant(QString::fromUtf8("۵")) << "5";
        QTest::newRow(name("arabic-indic 7 text")) << fm.second << QVariant(QString::fromUtf8("٧")) << "7";
        QTest::newRow(name("persian 8 text")) << fm.second << QVariant(QString::fromUtf8("۸")) << "";
        QTest::newRow(name("number 5")) << fm.second << QVariant(5.0) << "5";
        QTest::newRow(name("number 8")) << fm.second << QVariant(8.0) << "";
    }
}

void TestWorkbookImport::ratingDigits()
{
    QFETCH(Format, format);
    QFETCH(QVariant, value);
    QFETCH(QString, stored);
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const Cells cells = replaced(fullAnswers(), "C240", value); // the ability rating of type a
    const Result r = WorkbookImport::run("1", writeAs(format, dir.path(), cells));
    if (stored.isEmpty()) {
        QCOMPARE(r.status, Result::BadRating);
        QCOMPARE(r.cell, QString("C240"));
        QCOMPARE(row(f, "S4", "A1"), QString());
        return;
    }
    QCOMPARE(r.status, Result::Stored);
    QCOMPARE(row(f, "S4", "A1"), stored);
    // Type a's total counts the rating's value: 6 + 6 + 7 ticked items, the skill rating 4.
    QCOMPARE(f.scalar("SELECT \"A\" FROM \"IDE\""), QString::number(6 + 6 + 7 + stored.toInt() + 4));
}

void TestWorkbookImport::refused_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("cell");
    QTest::newRow("marker lower case") << "Z3" << QVariant("meravel") << int(Result::WrongMarker) << "";
    QTest::newRow("marker upper case") << "Z3" << QVariant("MERAVEL") << int(Result::WrongMarker) << "";
    QTest::newRow("marker trailing blank") << "Z3" << QVariant("Meravel ") << int(Result::WrongMarker) << "";
    QTest::newRow("marker leading blank") << "Z3" << QVariant(" Meravel") << int(Result::WrongMarker) << "";
    QTest::newRow("marker missing") << "Z3" << QVariant(QString()) << int(Result::WrongMarker) << "";
    QTest::newRow("marker a number") << "Z3" << QVariant(1.0) << int(Result::WrongMarker) << "";
    QTest::newRow("rating 9") << "C240" << QVariant("9") << int(Result::BadRating) << "C240";
    QTest::newRow("rating 2.5") << "C240" << QVariant(2.5) << int(Result::BadRating) << "C240";
    QTest::newRow("rating abc") << "C244" << QVariant("abc") << int(Result::BadRating) << "C244";
    QTest::newRow("rating 0") << "C249" << QVariant(0.0) << int(Result::BadRating) << "C249";
    QTest::newRow("rating 8 as number") << "C237" << QVariant(8.0) << int(Result::BadRating) << "C237";
    QTest::newRow("rating -1") << "C242" << QVariant(-1.0) << int(Result::BadRating) << "C242";
    QTest::newRow("rating 10") << "C238" << QVariant("10") << int(Result::BadRating) << "C238";
    QTest::newRow("rating 7.0 text") << "C238" << QVariant("7.0") << int(Result::BadRating) << "C238";
}

void TestWorkbookImport::refused()
{
    QFETCH(QString, address);
    QFETCH(QVariant, value);
    QFETCH(int, status);
    QFETCH(QString, cell);
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    QCOMPARE(WorkbookImport::select("1").status, WorkbookImport::Selection::Selected);
    QVERIFY(f.exec("UPDATE \"IDE\" SET \"V\"='3', \"J\"='3', \"H\"='3', \"A\"='3', \"M\"='3', \"GH\"='3'"));
    QVERIFY(f.exec("UPDATE \"S1\" SET \"v1\"='0', \"v2\"='1'"));
    const QString before = allAnswers(f);
    Cells cells = fullAnswers();
    cells = replaced(cells, address, value);
    if (value.toString().isEmpty())
        cells.erase(std::remove_if(cells.begin(), cells.end(), [&](const Cell& c) { return c.address == address; }),
                    cells.end());
    const Result r = WorkbookImport::run("1", writeAs(Format::Xlsx, dir.path(), cells));
    QCOMPARE(int(r.status), status);
    QCOMPARE(r.box.caption, QString("Error A1"));
    QCOMPARE(r.box.icon, WorkbookImport::Box::Information);
    QVERIFY(r.box.text.startsWith(" فايل انتخاب شده قابل بارگذاري نيست "));
    QCOMPARE(r.cell, cell);
    if (!cell.isEmpty())
        QVERIFY2(r.box.text.contains(cell), qPrintable(r.box.text));
    QCOMPARE(allAnswers(f), before);
}

void TestWorkbookImport::skippedRowsIgnored()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    Cells cells = fullAnswers();
    for (int r : {1, 2, 14, 26, 38, 50, 62, 74, 86, 98, 110, 122, 134, 146, 161, 176, 191, 206, 221, 236, 243, 250, 300})
        cells.append({"C" + QString::number(r), r % 2 ? QVariant(1.0) : QVariant(QStringLiteral("heading 9"))});
    cells.append({"D3", 1.0});
    cells.append({"B237", QStringLiteral("abc")});
    QCOMPARE(WorkbookImport::run("1", writeAs(Format::Xlsx, dir.path(), cells)).status, Result::Stored);
    QCOMPARE(totals(f), QStringList(6, QString::number(FullTotal)).join(','));
}

void TestWorkbookImport::ratingInRow243NotRead()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    Cells cells = fullAnswers();
    cells = replaced(cells, "C243", 6.0);
    cells = replaced(cells, "C244", QString()); // the skill of type v left where it belongs: empty
    cells.erase(std::remove_if(cells.begin(), cells.end(), [](const Cell& c) { return c.address == "C244"; }), cells.end());
    QCOMPARE(WorkbookImport::run("1", writeAs(Format::Xlsx, dir.path(), cells)).status, Result::Stored);
    QCOMPARE(row(f, "S4", "V2"), QString());
    QCOMPARE(f.scalar("SELECT \"V\" FROM \"IDE\""), QString::number(FullTotal - 7));
}

void TestWorkbookImport::importTwice()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString path = writeAs(Format::Ods, dir.path(), fullAnswers());
    QCOMPARE(WorkbookImport::run("1", path).status, Result::Stored);
    const QString first = allAnswers(f);
    QCOMPARE(WorkbookImport::run("1", path).status, Result::Stored);
    QCOMPARE(allAnswers(f), first);
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\" = '1'"), QString("1"));
}

void TestWorkbookImport::damagedWorkbooks()
{
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString before = allAnswers(f);
    const QString good = writeAs(Format::Xlsx, dir.path(), fullAnswers());
    const QByteArray data = readBytes(good);
    QVERIFY(writeBytes(dir.path() + "/cut.xlsx", data.left(data.size() / 2)));
    QVERIFY(writeBytes(dir.path() + "/text.xlsx", "Meravel"));
    QVERIFY(writeXlsx(dir.path() + "/othersheet.xlsx", "Sheet1", fullAnswers()));
    for (const char* name : {"cut.xlsx", "text.xlsx", "othersheet.xlsx", "missing.xlsx"}) {
        const Result r = WorkbookImport::run("1", dir.path() + "/" + name);
        QCOMPARE(r.status, Result::Unreadable);
        QCOMPARE(r.box.caption, QString("Error A1"));
        QCOMPARE(r.box.text, QString(" فايل انتخاب شده قابل بارگذاري نيست "));
    }
    const Result none = WorkbookImport::run("1", QString());
    QCOMPARE(none.status, Result::NoFile);
    QCOMPARE(none.box.text, QString(" عمليات با مشکل مواجه شده است "));
    QCOMPARE(none.box.caption, QString("Error A3"));
    QCOMPARE(none.box.icon, WorkbookImport::Box::Exclamation);
    QCOMPARE(allAnswers(f), before);
    // A code with no subject gets nothing, not even answer rows.
    QCOMPARE(WorkbookImport::run("77", good).status, Result::NoSubject);
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S1\" WHERE \"Code\" = '77'"), QString("0"));
}

void TestWorkbookImport::selectionCreatesRows()
{
    TestFolder f;
    f.addSubject("1", "Ali", "Rezaei");
    QVERIFY(f.exec("DELETE FROM \"S2\" WHERE \"Code\" = '1'"));
    QVERIFY(f.exec("DELETE FROM \"S4\" WHERE \"Code\" = '1'"));
    const WorkbookImport::Selection s = WorkbookImport::select("1");
    QCOMPARE(s.status, WorkbookImport::Selection::Selected);
    QCOMPARE(s.name, QString("Ali Rezaei"));
    for (const char* t : {"S1", "S2", "S3", "S4"})
        QCOMPARE(f.scalar(QString("SELECT count(*) FROM \"%1\" WHERE \"Code\" = '1'").arg(t)), QString("1"));
    QCOMPARE(WorkbookImport::select("").message, QString("شما بايد شماره آزمودني مورد نظر را وارد كنيد"));
    const WorkbookImport::Selection missing = WorkbookImport::select("1'");
    QCOMPARE(missing.status, WorkbookImport::Selection::NotFound);
    QCOMPARE(missing.message, QString("فردي با اين مشخصات وجود ندارد"));
}

void TestWorkbookImport::allOrNothing()
{
    // A write that fails at the last table leaves the earlier tables and the totals as they were.
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString before = allAnswers(f);
    QVERIFY(f.refuseWrites("IDE", "UPDATE", "refused"));
    const Result r = WorkbookImport::run("1", writeAs(Format::Xlsx, dir.path(), fullAnswers()));
    QCOMPARE(r.status, Result::StoreFailed);
    QCOMPARE(r.box.caption, QString("Error"));
    QVERIFY(r.box.text.contains("refused"));
    QCOMPARE(allAnswers(f), before);
}

void TestWorkbookImport::nothingWrittenWithoutItsOwnTransaction()
{
    // A transaction already open on the connection: the import's own cannot begin, and its
    // writes must not slip into the other one.
    TestFolder f;
    f.addSubject("1");
    QTemporaryDir dir;
    const QString workbook = writeAs(Format::Xlsx, dir.path(), fullAnswers());
    const QString before = allAnswers(f);
    {
        Transaction outer(DbFile::Main);
        QVERIFY(outer.isActive());
        const Result r = WorkbookImport::run("1", workbook);
        QCOMPARE(r.status, Result::StoreFailed);
        QCOMPARE(r.box.caption, QString("Error"));
        QVERIFY(!r.box.text.isEmpty());
        QVERIFY(outer.commit());
    }
    QCOMPARE(allAnswers(f), before);
    // On its own the same import stores.
    QCOMPARE(WorkbookImport::run("1", workbook).status, Result::Stored);
    QCOMPARE(f.scalar("SELECT \"V\" FROM \"IDE\""), QString::number(FullTotal));
}

void TestWorkbookImport::command()
{
    TestFolder f;
    f.addSubject("1");
    QVERIFY(f.exec("DELETE FROM \"S3\" WHERE \"Code\" = '1'"));
    QTemporaryDir dir;
    const QString good = writeAs(Format::Xlsx, dir.path(), fullAnswers());
    QVERIFY(writeXlsx(dir.path() + "/bad.xlsx", WorkbookImport::SheetName, replaced(fullAnswers(), "C240", 9.0)));
    struct Case {
        QStringList args;
        int exit;
        QString out, err;
    };
    const QList<Case> cases{
        {{"import", "--code", "1", good}, Cli::Success, "  داده ها با موفقيت وارد سيستم شدند \n", ""},
        {{"import", "--code", "9", good}, Cli::Failed, "", "فردي با اين مشخصات وجود ندارد\n"},
        {{"import", "--code", "", good}, Cli::Failed, "", "شما بايد شماره آزمودني مورد نظر را وارد كنيد\n"},
        {{"import", "--code", "1", dir.path() + "/bad.xlsx"},
         Cli::Failed,
         "",
         " فايل انتخاب شده قابل بارگذاري نيست  خانه\u200cی C240 باید خالی یا عددی از 1 تا 7 باشد\n"},
        {{"import", "--code", "1", dir.path() + "/none.xlsx"},
         Cli::Failed,
         "",
         " فايل انتخاب شده قابل بارگذاري نيست \n"},
        {{"import", "--code", "1"}, Cli::Usage, "", "usage: import --code C FILE\n"},
        {{"import", good}, Cli::Usage, "", "usage: import --code C FILE\n"},
        // "--help" as the value of --code is a code like any other.
        {{"import", "--code", "--help", good}, Cli::Failed, "", "فردي با اين مشخصات وجود ندارد\n"},
    };
    for (const Case& c : cases) {
        const CliRun r = CliRun::run(c.args);
        QCOMPARE(r.exit, c.exit);
        QCOMPARE(r.out, c.out);
        QCOMPARE(r.err, c.err);
    }
    QCOMPARE(f.scalar("SELECT count(*) FROM \"S3\" WHERE \"Code\" = '1'"), QString("1"));
    QCOMPARE(f.scalar("SELECT \"V\" FROM \"IDE\""), QString::number(FullTotal));
}

QTEST_GUILESS_MAIN(TestWorkbookImport)
#include "test_workbookimport.moc"
