// The scoring library: ranks with their ties, weights on the ring, adjusted scores, the type
// code with its tie patterns, stream scores in both number formats, description rows, a
// subject read from the database and the CSV export.
#include "scoring/CsvWriter.h"
#include "scoring/Export.h"
#include "scoring/Scoring.h"
#include "scoring/ScoringTexts.h"
#include "TestFolder.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

using namespace Scoring;

namespace {
Totals totalsOf(const QString& text) // "30 25 20 15 10 5"
{
    const QStringList parts = text.split(' ', Qt::SkipEmptyParts);
    Totals t{};
    for (int i = 0; i < TypeCount; ++i)
        t[i] = parts.value(i).toInt();
    return t;
}

QString joined(const SixTexts& six)
{
    return QStringList(six.begin(), six.end()).join(' ');
}

// Codes are written with the Latin type letters ("g-v|j|h") and compared in Persian.
QString persianCode(const QString& latin)
{
    static const QString order = QStringLiteral("vjhamg");
    QString out;
    for (const QChar c : latin) {
        const int t = order.indexOf(c);
        out += t >= 0 ? typeLetter(t) : QString(c);
    }
    return out;
}

QString codeOf(const Result& r)
{
    return r.codeTexts[0] + '|' + r.codeTexts[1] + '|' + r.codeTexts[2];
}
} // namespace

class TestScoring : public QObject {
    Q_OBJECT
private slots:
    void wholeResult_data();
    void wholeResult();
    void resultFollowsOrderOnly();
    void weightTable_data();
    void weightTable();
    void typeCode_data();
    void typeCode();
    void streams_data();
    void streams();
    void numberTexts_data();
    void numberTexts();
    void readShown_data();
    void readShown();
    void totalsThatCount_data();
    void totalsThatCount();
    void descriptionRows();
    void subjectFromDatabase_data();
    void subjectFromDatabase();
    void deliveredDescriptions();
    void exportCsv();
};

// One row per subject: ranks, weights, adjusted scores, code and streams as shown.
void TestScoring::wholeResult_data()
{
    QTest::addColumn<QString>("totals");
    QTest::addColumn<QString>("ranks");
    QTest::addColumn<QString>("weights");
    QTest::addColumn<QString>("adjusted");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("streams");

    QTest::newRow("descending") << "30 25 20 15 10 5" << "6 5 4 3 2 1" << "4 3 2 1 2 3"
                                << "10 8 6 4 4 4" << "v|j|h" << "9 6 4.4 6.13 7.67 6.67";
    QTest::newRow("g leads, pair below") << "30 20 20 10 5 40" << "5 3.5 3.5 2 1 6"
                                                 << "3 2 1 2 3 4" << "8 5.5 4.5 4 4 10"
                                                 << "g|v|h-j" << "6.75 4.75 5.3 7.77 8.25 7.58";
    QTest::newRow("all equal") << "20 20 20 20 20 20" << "1 1 1 1 1 1" << "3 2 1 2 3 4"
                               << "4 3 2 3 4 5" << "g|m|a-h" << "3.5 3 3.4 4.13 4.17 4.";
    QTest::newRow("all zero") << "0 0 0 0 0 0" << "1 1 1 1 1 1" << "3 2 1 2 3 4"
                              << "4 3 2 3 4 5" << "g|m|a-h" << "3.5 3 3.4 4.13 4.17 4.";
    QTest::newRow("two runs") << "12 12 15 15 8 20" << "2.5 2.5 4.5 4.5 1 6" << "3 2 1 2 3 4"
                              << "5.5 4.5 5.5 6.5 4 10" << "g|a-h|j" << "5 5.5 6.5 7.33 6.83 7.";
    QTest::newRow("two lowest tied") << "5 5 10 20 30 40" << "1 1 3 4 5 6" << "3 2 1 2 3 4"
                                     << "4 3 4 6 8 10" << "g|m|a" << "3.5 4.5 6.8 6.93 5.83 6.17";
    QTest::newRow("three lowest tied") << "5 5 5 20 30 40" << "1 1 1 4 5 6" << "3 2 1 2 3 4"
                                       << "4 3 2 6 8 10" << "g|m|a" << "3.5 4.5 6.4 6.8 5.83 6.17";
    QTest::newRow("top pair, later type leads") << "30 25 20 15 10 30" << "5.5 4 3 2 1 5.5"
                                                << "3 2 1 2 3 4" << "8.5 6 4 4 4 9.5"
                                                << "g-v|j|h" << "7.25 5 5.1 7.7 8.42 7.67";
    QTest::newRow("top pair j/a") << "5 30 10 30 20 15" << "1 5.5 2 5.5 4 3" << "1 2 3 4 3 2"
                                  << "2 7.5 5 9.5 7 5" << "a-j|m|g" << "4.75 8.5 7.2 4.73 3.92 5.17";
    QTest::newRow("pairs top and third/fourth") << "30 20 20 10 5 30" << "5.5 3.5 3.5 2 1 5.5"
                                                << "3 2 1 2 3 4" << "8.5 5.5 4.5 4 4 9.5"
                                                << "g|v|h-j" << "7 4.75 5.2 7.73 8.33 7.58";
    QTest::newRow("three tied at top") << "30 30 30 20 10 5" << "5 5 5 3 2 1" << "2 3 4 3 2 1"
                                       << "7 8 9 6 4 2" << "h|j-v|a" << "7.5 7 5.4 4.8 5.5 5.33";
    QTest::newRow("five tied at bottom") << "10 10 10 10 10 11" << "1 1 1 1 1 6" << "3 2 1 2 3 4"
                                         << "4 3 2 3 4 10" << "g|m|a-h" << "3.5 3 4.4 6.13 5.83 5.67";
    QTest::newRow("one below five tied") << "9 10 10 10 10 10" << "1 4 4 4 4 4" << "3 2 1 2 3 4"
                                         << "4 6 5 6 7 8" << "g|m|a-h" << "5 6 6.4 6.13 5.67 6.";
}

void TestScoring::wholeResult()
{
    QFETCH(QString, totals);
    const Result r = score(totalsOf(totals));
    QTEST(joined(r.rankTexts), "ranks");
    QTEST(joined(r.weightTexts), "weights");
    QTEST(joined(r.adjustedTexts), "adjusted");
    QFETCH(QString, code);
    QCOMPARE(codeOf(r), persianCode(code));
    QTEST(joined(r.streamTexts), "streams");
    // The leading type is always the first type of the code.
    QCOMPARE(r.leading, r.code.chosen[0]);
}

// The export computes one result per ordering of the totals and reuses it: any totals with
// the same order and ties must give the same texts as their dense ranks 0..5.
void TestScoring::resultFollowsOrderOnly()
{
    QRandomGenerator random(4683);
    for (int n = 0; n < 2000; ++n) {
        Totals totals{};
        for (int& x : totals)
            x = random.bounded(n % 2 ? 6 : 51); // few values: many ties
        Totals distinct = totals;
        std::sort(distinct.begin(), distinct.end());
        const auto end = std::unique(distinct.begin(), distinct.end());
        Totals dense{};
        for (int t = 0; t < TypeCount; ++t)
            dense[t] = int(std::lower_bound(distinct.begin(), end, totals[t]) - distinct.begin());
        const Result a = score(totals), b = score(dense);
        QCOMPARE(a.rankTexts, b.rankTexts);
        QCOMPARE(a.weightTexts, b.weightTexts);
        QCOMPARE(a.adjustedTexts, b.adjustedTexts);
        QCOMPARE(a.codeTexts, b.codeTexts);
        QCOMPARE(a.streamTexts, b.streamTexts);
    }
}

// The ring weights in full: one row per leading type.
void TestScoring::weightTable_data()
{
    QTest::addColumn<int>("leading");
    QTest::addColumn<QString>("weights");
    QTest::newRow("v") << 0 << "4 3 2 1 2 3";
    QTest::newRow("j") << 1 << "3 4 3 2 1 2";
    QTest::newRow("h") << 2 << "2 3 4 3 2 1";
    QTest::newRow("a") << 3 << "1 2 3 4 3 2";
    QTest::newRow("m") << 4 << "2 1 2 3 4 3";
    QTest::newRow("g") << 5 << "3 2 1 2 3 4";
}

void TestScoring::weightTable()
{
    QFETCH(int, leading);
    const auto w = weights(leading);
    QStringList texts;
    for (int x : w)
        texts << QString::number(x);
    QTEST(texts.join(' '), "weights");
}

void TestScoring::typeCode_data()
{
    QTest::addColumn<QString>("totals");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("pattern");
    QTest::addColumn<QString>("code");
    QTest::newRow("second pair") << "30 25 20 25 10 5" << "vajh" << 2 << "v|a-j|h";
    QTest::newRow("tie below the fourth place") << "40 30 20 10 5 5" << "vjha" << 0 << "v|j|h";
    QTest::newRow("fourth and fifth tied") << "40 30 20 10 10 5" << "vjhm" << 0 << "v|j|h";
    QTest::newRow("four at top") << "9 9 9 9 1 2" << "ahjv" << 3 << "a|h|j-v";
}

void TestScoring::typeCode()
{
    QFETCH(QString, totals);
    const TypeCode tc = Scoring::typeCode(totalsOf(totals));
    QString chosen;
    for (int c : tc.chosen)
        chosen += QStringLiteral("vjhamg")[c];
    QTEST(chosen, "chosen");
    QTEST(tc.tiePattern, "pattern");
    QFETCH(QString, code);
    QCOMPARE(tc.text(0) + '|' + tc.text(1) + '|' + tc.text(2), persianCode(code));
    // No letter occurs twice in a code.
    QSet<int> seen;
    for (int c : tc.chosen)
        seen.insert(c);
    QCOMPARE(seen.size(), 4);
}

void TestScoring::streams_data()
{
    QTest::addColumn<QString>("adjusted");
    QTest::addColumn<QString>("streams");
    QTest::newRow("whole") << "10 8 6 4 4 4" << "9 6 4.4 6.13 7.67 6.67";
    QTest::newRow("halves") << "8 5.5 4.5 4 4 10" << "6.75 4.75 5.3 7.77 8.25 7.58";
    QTest::newRow("agriculture keeps its point") << "4 3 2 3 4 5" << "3.5 3 3.4 4.13 4.17 4.";
    // Humanities whole: the point stays, and services reads "6." back as 6.
    QTest::newRow("humanities whole") << "5 3 4 4 4 4" << "4 3.5 4. 4.33 4.33 4.17";
}

void TestScoring::streams()
{
    QFETCH(QString, adjusted);
    const QStringList parts = adjusted.split(' ');
    SixTexts six;
    std::copy(parts.begin(), parts.end(), six.begin());
    QTEST(joined(streamScores(six)), "streams");
}

void TestScoring::numberTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("shortest");
    QTest::addColumn<QString>("twoPlaces");
    QTest::newRow("whole") << 4.0 << "4" << "4.";
    QTest::newRow("thirds") << 6.1333333333 << "6.1333333333" << "6.13";
    QTest::newRow("two thirds") << 7.6666666667 << "7.6666666667" << "7.67";
    QTest::newRow("one decimal") << 5.3 << "5.3" << "5.3";
    QTest::newRow("below one") << 0.5 << "0.5" << ".5";
    QTest::newRow("rounds up to whole") << 6.999 << "6.999" << "7.";
    QTest::newRow("zero") << 0.0 << "0" << ".";
    QTest::newRow("two digits") << 10.25 << "10.25" << "10.25";
}

void TestScoring::numberTexts()
{
    QFETCH(double, value);
    QTEST(shortestDecimal(value), "shortest");
    QTEST(formatTwoPlaces(value), "twoPlaces");
}

void TestScoring::readShown_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("trailing point") << "4." << 4.0;
    QTest::newRow("leading point") << ".5" << 0.5;
    QTest::newRow("decimal") << "6.13" << 6.13;
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("text") << "abc" << 0.0;
    QTest::newRow("point only") << "." << 0.0;
}

void TestScoring::readShown()
{
    QFETCH(QString, text);
    QTEST(Scoring::readShown(text), "value");
}

// Which stored totals give a result: all six must be whole numbers.
void TestScoring::totalsThatCount_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("counts");
    QTest::newRow("whole") << QStringList{"30", "25", "20", "15", "10", "5"} << true;
    QTest::newRow("blanks around") << QStringList{" 30", "25 ", "20", "15", "10", "0"} << true;
    QTest::newRow("all empty") << QStringList{"", "", "", "", "", ""} << false;
    QTest::newRow("v empty only") << QStringList{"", "25", "20", "15", "10", "5"} << false;
    QTest::newRow("g empty only") << QStringList{"30", "25", "20", "15", "10", ""} << false;
    QTest::newRow("text") << QStringList{"30", "x", "20", "15", "10", "5"} << false;
    QTest::newRow("fraction") << QStringList{"30", "2.5", "20", "15", "10", "5"} << false;
    QTest::newRow("digits with text") << QStringList{"30", "25a", "20", "15", "10", "5"} << false;
    QTest::newRow("huge") << QStringList{"30", "99999999999999", "20", "15", "10", "5"} << false;
    QTest::newRow("Persian digits") << QStringList{"30", "\u06F2\u06F5", "20", "15", "10", "5"} << false;
    QTest::newRow("five texts") << QStringList{"30", "25", "20", "15", "10"} << false;
}

void TestScoring::totalsThatCount()
{
    QFETCH(QStringList, texts);
    QTEST(parseTotals(texts).has_value(), "counts");
}

void TestScoring::descriptionRows()
{
    const DescriptionLookup lookup = [](const QString& letter) {
        Description d;
        if (letter == typeLetter(3)) // no record for a: empty texts
            return d;
        d.sefat = "S" + letter;
        for (int i = 0; i < 5; ++i)
            d.cells[i] = letter + QString::number(i + 1);
        return d;
    };
    const TypeCode code = Scoring::typeCode(totalsOf("30 25 20 15 10 30")); // g-v | j | h
    const DescriptionRow pair = describe(code.positions[0], lookup);
    const QString g = typeLetter(5), v = typeLetter(0);
    QCOMPARE(pair.title, "S" + g + "  S" + v);
    const QString join = QString::fromUtf8(ScoringTexts::PairJoin);
    QCOMPARE(pair.cells[0], g + "1" + join + v + "1");
    QCOMPARE(pair.cells[4], g + "5" + join + v + "5");

    const DescriptionRow single = describe(code.positions[1], lookup);
    QCOMPARE(single.title, "S" + typeLetter(1));
    QCOMPARE(single.cells[2], typeLetter(1) + "3");

    // A pair with a missing record keeps the joint with an empty side.
    const TypeCode withA = Scoring::typeCode(totalsOf("30 25 20 25 10 5")); // v | a-j | h
    const DescriptionRow missing = describe(withA.positions[1], lookup);
    QCOMPARE(missing.title, "  S" + typeLetter(1));
    QCOMPARE(missing.cells[0], join + typeLetter(1) + "1");
}

void TestScoring::subjectFromDatabase_data()
{
    QTest::addColumn<QString>("stored");   // V,J,H,A,M,GH as SQL values
    QTest::addColumn<QString>("asked");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("streams");
    const int scored = int(SubjectStatus::Scored), notAnswered = int(SubjectStatus::NotAnswered),
              notFound = int(SubjectStatus::NotFound);
    QTest::newRow("scored") << "'30','25','20','15','10','5'" << "7" << scored << "v|j|h"
                            << "9 6 4.4 6.13 7.67 6.67";
    QTest::newRow("never answered") << "NULL,NULL,NULL,NULL,NULL,NULL" << "7" << notAnswered << "||"
                                    << "0 0 0 0 0 0";
    QTest::newRow("partly empty") << "'30','25','',NULL,'10','5'" << "7" << notAnswered << "||"
                                  << "0 0 0 0 0 0";
    QTest::newRow("text total") << "'30','25','x','15','10','5'" << "7" << notAnswered << "||"
                                << "0 0 0 0 0 0";
    QTest::newRow("unknown code") << "'30','25','20','15','10','5'" << "8" << notFound << "||"
                                  << "0 0 0 0 0 0";
    QTest::newRow("quote in code") << "'30','25','20','15','10','5'" << "7' OR '1'='1" << notFound
                                   << "||" << "0 0 0 0 0 0";
}

void TestScoring::subjectFromDatabase()
{
    QFETCH(QString, stored);
    QFETCH(QString, asked);
    TestFolder f;
    QVERIFY(f.isValid());
    f.addSubject("7", "Ali", "Rezaei");
    QVERIFY(f.exec("UPDATE \"IDE\" SET (\"V\",\"J\",\"H\",\"A\",\"M\",\"GH\") = (" + stored + ") WHERE \"Code\"='7'"));
    Shown shown;
    const SubjectStatus status = scoreSubject(asked, &shown);
    QTEST(int(status), "status");
    QFETCH(QString, code);
    QCOMPARE(shown.code3[0] + '|' + shown.code3[1] + '|' + shown.code3[2], persianCode(code));
    QTEST(joined(shown.streams), "streams");
    if (status == SubjectStatus::NotFound) {
        QCOMPARE(shown.firstName, QString());
    } else {
        QCOMPARE(shown.code, QString("7"));
        QCOMPARE(shown.lastName, QString("Rezaei"));
    }
    if (status != SubjectStatus::Scored) {
        QCOMPARE(joined(shown.ranks), QString("     "));
        QCOMPARE(shown.rows[0], DescriptionRow());
    }
}

// The delivered type1 holds a full record for every letter, and the window's lookup finds it.
void TestScoring::deliveredDescriptions()
{
    TestFolder f;
    QVERIFY(f.isValid());
    for (int t = 0; t < TypeCount; ++t) {
        const Description d = readDescription(typeLetter(t));
        QVERIFY2(!d.sefat.isEmpty(), qPrintable(typeLetter(t)));
        for (const QString& cell : d.cells)
            QVERIFY2(!cell.isEmpty(), qPrintable(typeLetter(t)));
    }
    QCOMPARE(readDescription("x").sefat, QString());
}

void TestScoring::exportCsv()
{
    TestFolder f;
    QVERIFY(f.isValid());
    f.addSubject("1", "Ali, Jr", "Sa\"di");
    f.addSubject("2", "Sara", "Line\nbreak");
    f.addSubject("3", "Reza", "K");
    QVERIFY(f.exec(
        "UPDATE \"IDE\" SET \"V\"='30',\"J\"='25',\"H\"='20',\"A\"='15',\"M\"='10',\"GH\"='5' WHERE \"Code\"='1'"));
    QVERIFY(f.exec(
        "UPDATE \"IDE\" SET \"V\"='30',\"J\"='25',\"H\"='',\"A\"='15',\"M\"='10',\"GH\"='5' WHERE \"Code\"='3'"));
    // A carriage return alone, a missing value and totals stored as bytes rather than text
    // (a server column holds text only).
    f.addSubject("4", "a\rb", "L");
    QVERIFY(
        f.exec(QString("UPDATE \"IDE\" SET \"Tahsil\"=NULL, \"V\"=%1, \"J\"='25', \"H\"='20', \"A\"='15', \"M\"='10', "
                       "\"GH\"='5' WHERE \"Code\"='4'")
                   .arg(f.onServer() ? "'30'" : "x'3330'")));

    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    QVERIFY2(Scoring::exportCsv(&buffer, &error), qPrintable(error));
    const QByteArray data = buffer.data();
    QVERIFY(data.startsWith("\xEF\xBB\xBF" "Code,FName,LName,Jens,Sen,Tahsil,Group,Date,Time,V,J,H,A,M,GH,rank_v,"));
    QVERIFY(data.endsWith("\r\n"));
    const QString text = QString::fromUtf8(data.mid(3));
    const QStringList lines = text.split("\r\n");
    QCOMPARE(lines.size(), 6); // header, four subjects, the empty text after the last CR LF
    QCOMPARE(lines[0].count(','), exportHeader().size() - 1);
    QVERIFY(lines[0].endsWith(
        ",code1,code2,code3,math,experimental,humanities,services,industry,agriculture,consistency,differentiation"));
    QVERIFY(lines[1].startsWith("1,\"Ali, Jr\",\"Sa\"\"di\","));
    QVERIFY(lines[1].endsWith(",30,25,20,15,10,5,6,5,4,3,2,1,4,3,2,1,2,3,10,8,6,4,4,4," + typeLetter(0) + ','
                              + typeLetter(1) + ',' + typeLetter(2) + ",9,6,4.4,6.13,7.67,6.67,high,25"));
    // A line break inside a quoted field is kept as LF; the row still ends with CR LF.
    QVERIFY(lines[2].startsWith("2,Sara,\"Line\nbreak\","));
    QVERIFY(lines[2].endsWith("10:00:00" + QString(6 + 29, ',')));
    QVERIFY(lines[3].endsWith(",30,25,,15,10,5" + QString(29, ',')));
    QVERIFY2(lines[4].startsWith("4,\"a\rb\",L,"), qPrintable(lines[4]));
    QVERIFY2(lines[4].contains(",15,,A,1402/07/15,10:00:00,30,25,20,15,10,5,6,5,4,3,2,1,"), qPrintable(lines[4]));
    QCOMPARE(lines[4].section(',', 15), lines[1].section(',', 16)); // one quoted comma in line 1
}

QTEST_MAIN(TestScoring)
#include "test_scoring.moc"
