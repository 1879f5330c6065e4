// The interpretation indices (leading pair, consistency, differentiation), the answer-quality
// counts and flags, the two export columns they add, and the group summary over a program
// folder (selection, counts, means, codes, percentages).
#include "TestFolder.h"
#include "questionnaire/AnswerColumns.h"
#include "scoring/CsvWriter.h"
#include "scoring/Export.h"
#include "scoring/GroupSummary.h"
#include "scoring/Interpretation.h"

#include <QBuffer>
#include <QtTest>
#include <numeric>

using namespace Scoring;
using Profile = Scoring::Totals;

namespace {
Profile totals(int v, int j, int h, int a, int m, int g) { return {v, j, h, a, m, g}; }

QString pairText(const Indices& ind) { return columnLetter(ind.pair[0]) + columnLetter(ind.pair[1]); }

// Answers with the first n items of each tick table ticked and the given ratings (type order,
// ability then skill; 0 leaves the box empty).
::Totals::Answers answers(int part1, int part2, int part3, const QList<int>& ratings = {})
{
    ::Totals::Answers a;
    const int counts[3] = {part1, part2, part3};
    for (int table = 1; table <= 3; ++table) {
        const QStringList columns = AnswerColumns::columns(table);
        for (int i = 0; i < columns.size(); ++i)
            a[table - 1].insert(columns[i], i < counts[table - 1] ? "1" : "0");
    }
    const QStringList ratingColumns = AnswerColumns::columns(4);
    for (int i = 0; i < ratingColumns.size(); ++i)
        a[3].insert(ratingColumns[i], i < ratings.size() && ratings[i] ? QString::number(ratings[i]) : QString());
    return a;
}

QStringList csvLines()
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QString error;
    if (!exportCsv(&buffer, &error))
        return {"export failed: " + error};
    return QString::fromUtf8(buffer.data()).remove(QChar(0xFEFF)).split("\r\n", Qt::SkipEmptyParts);
}
} // namespace

class TestInterpretation : public QObject {
    Q_OBJECT
private slots:
    void indices_data();
    void indices();
    void ringOrderClosesBetweenGAndV();
    void quality_data();
    void quality();
    void qualityReadsOnlyTicksOfOne();
    void flagTexts();
    void percentages_data();
    void percentages();

    void exportAppendsTwoColumns();
    void groupSummaryCountsAndMeans();
    void groupSummarySelection();
    void groupSummaryRefusesUnknownColumn();
};

void TestInterpretation::indices_data()
{
    QTest::addColumn<Profile>("totals");
    QTest::addColumn<QString>("pair");
    QTest::addColumn<QString>("consistency");
    QTest::addColumn<int>("differentiation");
    // The three worked examples.
    QTest::newRow("descending") << totals(30, 25, 20, 15, 10, 5) << "vj"
                                << "high" << 25;
    QTest::newRow("v and a apart") << totals(40, 10, 10, 35, 10, 10) << "va"
                                   << "low" << 30;
    QTest::newRow("all equal") << totals(12, 12, 12, 12, 12, 12) << "gm"
                               << "high" << 0;
    // Every ring distance, both ways round.
    QTest::newRow("distance 1, g next to v") << totals(30, 0, 0, 0, 0, 29) << "vg"
                                             << "high" << 30;
    QTest::newRow("distance 2, v h") << totals(30, 0, 29, 0, 0, 0) << "vh"
                                     << "medium" << 30;
    QTest::newRow("distance 2 round the end, j g") << totals(0, 30, 0, 0, 0, 29) << "jg"
                                                   << "medium" << 30;
    QTest::newRow("distance 2, m h") << totals(1, 2, 20, 3, 21, 4) << "mh"
                                     << "medium" << 20;
    QTest::newRow("distance 3, h g") << totals(5, 6, 40, 7, 8, 39) << "hg"
                                     << "low" << 35;
    QTest::newRow("distance 3, j m") << totals(5, 40, 7, 8, 39, 6) << "jm"
                                     << "low" << 35;
    // Ties at the first place: the later type leads, the earlier one follows.
    QTest::newRow("tie at the top, v a") << totals(30, 1, 2, 30, 3, 4) << "av"
                                         << "low" << 29;
    QTest::newRow("three at the top") << totals(30, 30, 30, 20, 10, 5) << "hj"
                                      << "high" << 25;
    // Ties at the second place: the later of the tied types is second.
    QTest::newRow("tie at second, j and m") << totals(40, 20, 10, 10, 20, 0) << "vm"
                                            << "medium" << 40;
    QTest::newRow("tie at second, j and g") << totals(40, 20, 10, 10, 10, 20) << "vg"
                                            << "high" << 30;
    QTest::newRow("tie at second, h and a") << totals(5, 50, 30, 30, 5, 5) << "ja"
                                            << "medium" << 45;
}

void TestInterpretation::indices()
{
    QFETCH(Profile, totals);
    const Indices ind = Scoring::indices(totals);
    QTEST(pairText(ind), "pair");
    QTEST(consistencyId(ind.consistency), "consistency");
    QTEST(ind.differentiation, "differentiation");
    // The first of the pair is always the leading type of the weights and the code.
    QCOMPARE(ind.pair[0], leadingType(totals));
    QCOMPARE(score(totals).indices.pair, ind.pair);
}

void TestInterpretation::ringOrderClosesBetweenGAndV()
{
    const auto order = typesByTotal(totals(10, 10, 10, 10, 10, 10));
    QCOMPARE(QVector<int>(order.begin(), order.end()), (QVector<int>{5, 4, 3, 2, 1, 0}));
    const auto mixed = typesByTotal(totals(3, 9, 3, 9, 1, 2));
    QCOMPARE(QVector<int>(mixed.begin(), mixed.end()), (QVector<int>{3, 1, 2, 0, 5, 4}));
}

void TestInterpretation::quality_data()
{
    QTest::addColumn<int>("part1");
    QTest::addColumn<int>("part2");
    QTest::addColumn<int>("part3");
    QTest::addColumn<QList<int>>("ratings");
    QTest::addColumn<int>("differentiation");
    QTest::addColumn<int>("given");
    QTest::addColumn<QStringList>("flags");
    const QList<int> mixed{3, 5, 2, 6, 4, 4, 7, 1, 2, 3, 5, 6};
    QTest::newRow("complete") << 30 << 20 << 40 << mixed << 20 << 12 << QStringList();
    QTest::newRow("19 ticks") << 10 << 5 << 4 << mixed << 20 << 12 << QStringList{"few_ticks"};
    QTest::newRow("20 ticks") << 10 << 5 << 5 << mixed << 20 << 12 << QStringList();
    QTest::newRow("no ticks, no ratings")
        << 0 << 0 << 0 << QList<int>{} << 0 << 0 << QStringList{"no_ratings", "few_ticks", "flat_profile"};
    QTest::newRow("differentiation 4") << 30 << 20 << 40 << mixed << 4 << 12 << QStringList{"flat_profile"};
    QTest::newRow("differentiation 5") << 30 << 20 << 40 << mixed << 5 << 12 << QStringList();
    QTest::newRow("one rating") << 30 << 20 << 40 << QList<int>{4} << 20 << 1 << QStringList();
    QTest::newRow("two equal ratings") << 30 << 20 << 40 << QList<int>{4, 4} << 20 << 2 << QStringList{"equal_ratings"};
    QTest::newRow("all twelve equal") << 30 << 20 << 40 << QList<int>(12, 7) << 20 << 12
                                      << QStringList{"equal_ratings"};
    QTest::newRow("one differs") << 30 << 20 << 40 << (QList<int>(11, 7) << 6) << 20 << 12 << QStringList();
    QTest::newRow("gaps do not count") << 30 << 20 << 40 << QList<int>{5, 0, 5, 0, 5} << 20 << 3
                                       << QStringList{"equal_ratings"};
}

void TestInterpretation::quality()
{
    QFETCH(int, part1);
    QFETCH(int, part2);
    QFETCH(int, part3);
    QFETCH(QList<int>, ratings);
    QFETCH(int, differentiation);
    const AnswerQuality q = answerQuality(answers(part1, part2, part3, ratings), differentiation);
    QCOMPARE(q.part1, part1);
    QCOMPARE(q.part2, part2);
    QCOMPARE(q.part3, part3);
    QTEST(q.ratings, "given");
    QTEST(flagIds(q.flags), "flags");
    QCOMPARE(flagSentences(q.flags).size(), flagIds(q.flags).size());
}

void TestInterpretation::qualityReadsOnlyTicksOfOne()
{
    ::Totals::Answers a;
    a[0].insert("V1", "1"); // the column name in another case than v1
    a[0].insert("v2", "2"); // not a tick
    a[0].insert("J1", "");
    a[1].insert("J3", " 1 ");
    a[2].insert("g14", "1");
    a[3].insert("v1", "2");
    a[3].insert("J2", "3");
    a[3].insert("g2", "x"); // not a rating
    const AnswerQuality q = answerQuality(a, 10);
    QCOMPARE(q.part1, 1);
    QCOMPARE(q.part2, 1);
    QCOMPARE(q.part3, 1);
    QCOMPARE(q.ratings, 2);
}

void TestInterpretation::flagTexts()
{
    const unsigned all = NoRatings | EqualRatings | FewTicks | FlatProfile;
    QCOMPARE(flagIds(all), (QStringList{"no_ratings", "equal_ratings", "few_ticks", "flat_profile"}));
    const QStringList sentences = flagSentences(all);
    QCOMPARE(sentences.size(), 4);
    QCOMPARE(QSet<QString>(sentences.begin(), sentences.end()).size(), 4);
    for (const QString& s : sentences)
        QVERIFY2(!s.isEmpty() && s.size() < 80, qPrintable(s));
    QVERIFY(flagIds(0).isEmpty());
}

void TestInterpretation::percentages_data()
{
    QTest::addColumn<QVector<int>>("counts");
    QTest::addColumn<QVector<int>>("expected");
    QTest::newRow("thirds") << QVector<int>{1, 1, 1} << QVector<int>{34, 33, 33};
    QTest::newRow("sevenths") << QVector<int>{1, 1, 1, 1, 1, 1, 1} << QVector<int>{15, 15, 14, 14, 14, 14, 14};
    QTest::newRow("largest remainder") << QVector<int>{2, 5, 23} << QVector<int>{7, 17, 76};
    QTest::newRow("exact") << QVector<int>{3, 0, 1} << QVector<int>{75, 0, 25};
    QTest::newRow("nothing") << QVector<int>{0, 0, 0} << QVector<int>{0, 0, 0};
    QTest::newRow("30 pupils") << QVector<int>{7, 3, 11, 2, 6, 1} << QVector<int>{23, 10, 37, 7, 20, 3};
}

void TestInterpretation::percentages()
{
    QFETCH(QVector<int>, counts);
    const QVector<int> p = GroupSummary::percentages(counts);
    QTEST(p, "expected");
    const int total = std::accumulate(counts.begin(), counts.end(), 0);
    QCOMPARE(std::accumulate(p.begin(), p.end(), 0), total ? 100 : 0);
}

void TestInterpretation::exportAppendsTwoColumns()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    for (const char* code : {"1", "2", "3", "4"})
        folder.addSubject(code);
    // Subjects 1 and 2 share the ordering of their totals but not their spread: the cached
    // result of an ordering must not carry the differentiation over.
    QVERIFY(folder.exec("UPDATE IDE SET V='30',J='25',H='20',A='15',M='10',GH='5' WHERE Code='1'"));
    QVERIFY(folder.exec("UPDATE IDE SET V='13',J='12',H='11',A='10',M='9',GH='8' WHERE Code='2'"));
    QVERIFY(folder.exec("UPDATE IDE SET V='40',J='10',H='10',A='35',M='10',GH='10' WHERE Code='3'"));

    const QStringList lines = csvLines();
    QCOMPARE(lines.size(), 5);
    const QStringList header = lines[0].split(',');
    QCOMPARE(header.mid(header.size() - 8),
             (QStringList{"math", "experimental", "humanities", "services", "industry", "agriculture", "consistency",
                          "differentiation"}));
    QCOMPARE(header, exportHeader());
    auto lastTwo = [](const QString& line) { return line.split(',').mid(line.split(',').size() - 2); };
    QCOMPARE(lastTwo(lines[1]), (QStringList{"high", "25"}));
    QCOMPARE(lastTwo(lines[2]), (QStringList{"high", "5"}));
    QCOMPARE(lastTwo(lines[3]), (QStringList{"low", "30"}));
    QCOMPARE(lastTwo(lines[4]), (QStringList{"", ""}));
    for (const QString& line : lines)
        QCOMPARE(line.split(',').size(), header.size());
    // The stream columns keep their place before the two new ones.
    QCOMPARE(lines[1].split(',').mid(header.size() - 8, 6), (QStringList{"9", "6", "4.4", "6.13", "7.67", "6.67"}));
    QCOMPARE(interpretationColumns(totals(13, 12, 11, 10, 9, 8)), (QStringList{"high", "5"}));
}

void TestInterpretation::groupSummaryCountsAndMeans()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    for (const char* code : {"1", "2", "3", "4", "5"})
        folder.addSubject(code);
    QVERIFY(folder.exec("UPDATE IDE SET V='30',J='25',H='20',A='15',M='10',GH='5' WHERE Code='1'"));
    QVERIFY(folder.exec("UPDATE IDE SET V='20',J='15',H='10',A='5',M='0',GH='0' WHERE Code='2'"));
    QVERIFY(folder.exec("UPDATE IDE SET V='40',J='10',H='10',A='35',M='10',GH='10' WHERE Code='3'"));
    QVERIFY(folder.exec("UPDATE IDE SET V='10',J='10',H='10',A='10',M='10',GH='10' WHERE Code='4'"));
    // Subject 5 never answered; a sixth row with one total missing counts as not answered.
    folder.addSubject("6");
    QVERIFY(folder.exec("UPDATE IDE SET V='10',J='10',H='10',A='10',M='10' WHERE Code='6'"));

    GroupSummary::Summary s;
    QString error;
    QVERIFY2(GroupSummary::compute({}, &s, &error), qPrintable(error));
    QCOMPARE(s.subjects, 6);
    QCOMPARE(s.answered, 4);
    QCOMPARE(QVector<int>(s.leading.begin(), s.leading.end()), (QVector<int>{3, 0, 0, 0, 0, 1}));
    QCOMPARE(QVector<int>(s.consistency.begin(), s.consistency.end()), (QVector<int>{3, 0, 1}));
    QCOMPARE(s.mean[0], 25.0);
    QCOMPARE(s.mean[5], 6.25);
    // v: 30 20 40 10 -> deviations 5 -5 15 -15: variance 125.
    QCOMPARE(qRound(s.sd[0] * 1000), qRound(std::sqrt(125.0) * 1000));
    QCOMPARE(s.sd[4], std::sqrt((2.5 * 2.5 * 3 + 7.5 * 7.5) / 4)); // m: 10 0 10 10
    // Subjects 1 and 2 share their code; the codes are as the scoring window shows them.
    QCOMPARE(s.topCodes.size(), 3);
    QCOMPARE(s.topCodes[0].code, typeLetter(0) + ' ' + typeLetter(1) + ' ' + typeLetter(2));
    QCOMPARE(s.topCodes[0].count, 2);
    QCOMPARE(s.topCodes[1].count + s.topCodes[2].count, 2);
    // Mean stream score of mathematical sciences: 9, 9, subject 3's, 3.5.
    const double math3 = readShown(score(totals(40, 10, 10, 35, 10, 10)).streamTexts[0]);
    QCOMPARE(s.streamMean[0], (9 + 9 + math3 + 3.5) / 4);
}

void TestInterpretation::groupSummarySelection()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    struct Row {
        const char* code;
        const char* group;
        const char* grade;
        const char* date;
    };
    const Row rows[] = {{"1", "A", "7", "1403/01/10"},
                        {"2", "A", "8", "1403/02/01"},
                        {"3", "B", "7", "1403/02/15"},
                        {"4", "B", "7", "1403/03/01"},
                        {"5", "A", "7", "1402/12/29"}};
    for (const Row& r : rows) {
        folder.addSubject(r.code);
        QVERIFY(folder.exec(QString("UPDATE IDE SET \"Group\"='%1', Tahsil='%2', \"Date\"='%3', V='20',J='10',"
                                    "H='5',A='5',M='5',GH='5' WHERE Code='%4'")
                                .arg(r.group, r.grade, r.date, r.code)));
    }
    auto count = [](const GroupSummary::Selection& sel) {
        GroupSummary::Summary s;
        return GroupSummary::compute(sel, &s) ? s.subjects : -1;
    };
    GroupSummary::Selection sel;
    QCOMPARE(count(sel), 5);
    sel.group = "A";
    QCOMPARE(count(sel), 3);
    sel.grade = "7";
    QCOMPARE(count(sel), 2);
    sel = {};
    sel.from = "1403/01/10"; // inclusive at both ends
    sel.to = "1403/02/15";
    QCOMPARE(count(sel), 3);
    sel = {};
    sel.column = "LName";
    sel.value = "L";
    QCOMPARE(count(sel), 5);
    sel.value = "L' OR '1'='1"; // bound, never pasted
    QCOMPARE(count(sel), 0);
    sel = {};
    sel.group = "Z";
    GroupSummary::Summary none;
    QVERIFY(GroupSummary::compute(sel, &none));
    QCOMPARE(none.subjects, 0);
    QCOMPARE(none.answered, 0);
    QVERIFY(none.topCodes.isEmpty());
    QCOMPARE(none.mean[0], 0.0);
}

void TestInterpretation::groupSummaryRefusesUnknownColumn()
{
    TestFolder folder;
    QVERIFY(folder.isValid());
    GroupSummary::Selection sel;
    sel.column = "V\" FROM IDE; --";
    sel.value = "1";
    QString error;
    QVERIFY(!GroupSummary::compute(sel, nullptr, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_MAIN(TestInterpretation)
#include "test_interpretation.moc"
