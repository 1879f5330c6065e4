// The statistics of item analysis, norms, retest and aspiration, each compared with a plain
// computation of its definition on generated subjects or with hand-worked values.
#include "GeneratedGroup.h"
#include "data/Utf8.h"
#include "scoring/NormTable.h"
#include "scoring/Psychometrics.h"
#include "scoring/ReferenceGroup.h"

#include <QtTest>

#include <cmath>

using namespace Psychometrics;

namespace {
// Two-pass statistics of plain vectors: the definitions, nothing shared with the code tested.
double mean(const std::vector<double>& x)
{
    double s = 0;
    for (double v : x)
        s += v;
    return s / double(x.size());
}
double variance(const std::vector<double>& x)
{
    const double m = mean(x);
    double s = 0;
    for (double v : x)
        s += (v - m) * (v - m);
    return s / double(x.size());
}
double pearson(const std::vector<double>& x, const std::vector<double>& y)
{
    const double mx = mean(x), my = mean(y);
    double sxy = 0, sxx = 0, syy = 0;
    for (size_t i = 0; i < x.size(); ++i) {
        sxy += (x[i] - mx) * (y[i] - my);
        sxx += (x[i] - mx) * (x[i] - mx);
        syy += (y[i] - my) * (y[i] - my);
    }
    return sxy / std::sqrt(sxx * syy);
}
double cronbach(const std::vector<std::vector<double>>& items)
{
    const size_t k = items.size(), n = items[0].size();
    std::vector<double> sum(n, 0.0);
    double itemVariances = 0;
    for (const auto& item : items) {
        itemVariances += variance(item);
        for (size_t s = 0; s < n; ++s)
            sum[s] += item[s];
    }
    return double(k) / double(k - 1) * (1 - itemVariances / variance(sum));
}
std::vector<double> itemColumn(const std::vector<Subject>& subjects, int type, int item)
{
    std::vector<double> x;
    for (const Subject& s : subjects)
        x.push_back(s.items[size_t(type)][size_t(item)]);
    return x;
}

void near(const std::optional<double>& actual, double expected, const char* what)
{
    QVERIFY2(actual.has_value(), what);
    QVERIFY2(std::fabs(*actual - expected) < 1e-9,
             qPrintable(
                 QStringLiteral("%1: %2 instead of %3").arg(what).arg(*actual, 0, 'g', 17).arg(expected, 0, 'g', 17)));
}

Distribution distribution(const std::vector<int>& totals, std::optional<double> alpha)
{
    Distribution d;
    d.n = int(totals.size());
    double s = 0, ss = 0;
    for (int x : totals) {
        ++d.frequency[size_t(x)];
        s += x;
        ss += double(x) * x;
    }
    d.mean = s / d.n;
    d.sd = std::sqrt(ss / d.n - d.mean * d.mean);
    d.alpha = alpha;
    return d;
}
} // namespace

class TestPsychometrics : public QObject {
    Q_OBJECT
private slots:
    void itemLayout();
    void itemValues_data();
    void itemValues();
    void itemStatisticsMatchDefinitions();
    void hexagonOfCircularData();
    void hexagonHandWorked_data();
    void hexagonHandWorked();
    void degenerateGroups();
    void percentileTandSem();
    void normTableRoundTrip();
    void normTableRefusesDamage_data();
    void normTableRefusesDamage();
    void cellsOfSplits();
    void iachanHandWorked_data();
    void iachanHandWorked();
    void parseCode_data();
    void parseCode();
    void retestHandWorked();
};

void TestPsychometrics::itemLayout()
{
    // 11 + 11 + 14 ticks, then the two ratings, named as the answer tables name them.
    QCOMPARE(itemKey(InterestTypes::V, 0), QStringLiteral("v1"));
    QCOMPARE(itemKey(InterestTypes::V, 10), QStringLiteral("v11"));
    QCOMPARE(itemKey(InterestTypes::J, 11), QStringLiteral("J1"));
    QCOMPARE(itemPlace(11).table, 2);
    QCOMPARE(itemKey(InterestTypes::G, 35), QStringLiteral("G14"));
    QCOMPARE(itemPlace(35).table, 3);
    QCOMPARE(itemKey(InterestTypes::A, 36), QStringLiteral("A1"));
    QCOMPARE(itemKey(InterestTypes::A, 37), QStringLiteral("A2"));
    QCOMPARE(itemPlace(37).table, 4);
}

void TestPsychometrics::itemValues_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("tick");
    QTest::addColumn<int>("rating");
    QTest::newRow("one") << "1" << 1 << 1;
    QTest::newRow("blanks") << " 1 " << 1 << 1;
    QTest::newRow("persian one") << u("۱") << 1 << 1;
    QTest::newRow("arabic-indic seven") << u("٧") << 0 << 7;
    QTest::newRow("two") << "2" << 0 << 2;
    QTest::newRow("eight") << "8" << 0 << 0;
    QTest::newRow("zero") << "0" << 0 << 0;
    QTest::newRow("empty") << "" << 0 << 0;
    QTest::newRow("word") << "x" << 0 << 0;
}

void TestPsychometrics::itemValues()
{
    QFETCH(QString, text);
    QFETCH(int, tick);
    QFETCH(int, rating);
    QCOMPARE(tickValue(text), tick);
    QCOMPARE(ratingValue(text), rating);
    const QByteArray bytes = text.toUtf8();
    QCOMPARE(tickValue(bytes.constData(), int(bytes.size())), tick);
    QCOMPARE(ratingValue(bytes.constData(), int(bytes.size())), rating);
}

void TestPsychometrics::itemStatisticsMatchDefinitions()
{
    GeneratedGroup generator(7);
    const std::vector<Subject> subjects = generator.subjects(500);
    const Analysis a = analyze(subjects);
    QCOMPARE(a.n, 500);
    QCOMPARE(a.boys, 250);
    QCOMPARE(a.girls, 250);
    for (int t = 0; t < TypeCount; ++t) {
        std::vector<std::vector<double>> items;
        for (int i = 0; i < ItemsPerType; ++i)
            items.push_back(itemColumn(subjects, t, i));
        near(a.types[size_t(t)].alpha, cronbach(items), "alpha");
        for (int i = 0; i < ItemsPerType; ++i) {
            const ItemStat& stat = a.types[size_t(t)].items[size_t(i)];
            std::vector<double> rest(subjects.size(), 0.0);
            std::vector<std::vector<double>> others;
            for (int j = 0; j < ItemsPerType; ++j)
                if (j != i) {
                    others.push_back(items[size_t(j)]);
                    for (size_t s = 0; s < subjects.size(); ++s)
                        rest[s] += items[size_t(j)][s];
                }
            near(stat.p, mean(items[size_t(i)]), "p");
            near(stat.r, pearson(items[size_t(i)], rest), "corrected r");
            near(stat.alphaIfDeleted, cronbach(others), "alpha if deleted");
            const bool weak = pearson(items[size_t(i)], rest) < 0.30;
            QCOMPARE(bool(stat.flags & Weak), weak);
            if (i < TickItems) {
                double boys = 0, girls = 0;
                for (const Subject& s : subjects)
                    (s.sex == boyText() ? boys : girls) += s.items[size_t(t)][size_t(i)];
                near(stat.pBoys, boys / 250, "p boys");
                near(stat.pGirls, girls / 250, "p girls");
                QCOMPARE(bool(stat.flags & Easy), mean(items[size_t(i)]) > 0.70);
                QCOMPARE(bool(stat.flags & Hard), mean(items[size_t(i)]) < 0.10);
            } else {
                QVERIFY(!stat.pBoys && !stat.pGirls);
                QVERIFY(!(stat.flags & (Easy | Hard))); // a rating's mean is on its own scale
            }
        }
    }
    // The generated sex difference shows where it was put, and nowhere near as strongly elsewhere.
    const auto& h = a.types[InterestTypes::H].items;
    const auto& v = a.types[InterestTypes::V].items;
    for (int i = 0; i < 3; ++i) {
        QVERIFY(*h[size_t(i)].pGirls - *h[size_t(i)].pBoys > 0.2);
        QVERIFY(*v[size_t(i)].pBoys - *v[size_t(i)].pGirls > 0.2);
    }
    QVERIFY(std::fabs(*h[5].pGirls - *h[5].pBoys) < 0.15);
    // Items driven by one propensity hang together.
    for (const TypeStat& stat : a.types)
        QVERIFY(*stat.alpha > 0.8);
}

void TestPsychometrics::hexagonOfCircularData()
{
    GeneratedGroup generator(11);
    const std::vector<Subject> subjects = generator.subjects(800);
    const Analysis a = analyze(subjects);
    std::array<std::vector<double>, TypeCount> totals;
    for (const Subject& s : subjects)
        for (int t = 0; t < TypeCount; ++t)
            totals[size_t(t)].push_back(s.totals[size_t(t)]);
    double adjacent = 0, alternate = 0, opposite = 0;
    std::vector<double> byDistance[4];
    for (int t = 0; t < TypeCount; ++t)
        for (int w = t + 1; w < TypeCount; ++w) {
            const double r = pearson(totals[size_t(t)], totals[size_t(w)]);
            near(a.hexagon.r[size_t(t)][size_t(w)], r, "r of totals");
            const int d = std::min(w - t, 6 - (w - t));
            byDistance[d].push_back(r);
        }
    for (double r : byDistance[1])
        adjacent += r / 6;
    for (double r : byDistance[2])
        alternate += r / 6;
    for (double r : byDistance[3])
        opposite += r / 3;
    near(a.hexagon.adjacent, adjacent, "adjacent");
    near(a.hexagon.alternate, alternate, "alternate");
    near(a.hexagon.opposite, opposite, "opposite");
    int agree = 0, violate = 0;
    auto predict = [&](int high, int low) {
        for (double x : byDistance[high])
            for (double y : byDistance[low])
                agree += x > y, violate += x < y;
    };
    predict(1, 2);
    predict(2, 3);
    predict(1, 3);
    near(a.hexagon.ci, double(agree - violate) / 72, "correspondence index");
    // The model is circular: the order holds.
    QVERIFY(adjacent > alternate && alternate > opposite);
    QVERIFY(*a.hexagon.ci > 0.8);
}

void TestPsychometrics::hexagonHandWorked_data()
{
    QTest::addColumn<double>("adjacent");
    QTest::addColumn<double>("alternate");
    QTest::addColumn<double>("opposite");
    QTest::addColumn<double>("ci");
    QTest::addColumn<int>("ties");
    QTest::newRow("perfect order") << 0.5 << 0.3 << 0.1 << 1.0 << 0;
    QTest::newRow("reversed") << 0.1 << 0.3 << 0.5 << -1.0 << 0;
    // Alternate and opposite equal: their 18 comparisons count neither.
    QTest::newRow("tie alternate opposite") << 0.5 << 0.2 << 0.2 << 54.0 / 72 << 18;
    QTest::newRow("all equal") << 0.2 << 0.2 << 0.2 << 0.0 << 72;
}

void TestPsychometrics::hexagonHandWorked()
{
    QFETCH(double, adjacent);
    QFETCH(double, alternate);
    QFETCH(double, opposite);
    QFETCH(double, ci);
    QFETCH(int, ties);
    std::array<std::array<std::optional<double>, TypeCount>, TypeCount> r{};
    for (int t = 0; t < TypeCount; ++t)
        for (int w = 0; w < TypeCount; ++w) {
            const int d = InterestTypes::ringDistance(t, w);
            r[size_t(t)][size_t(w)] = d == 0 ? 1.0 : d == 1 ? adjacent : d == 2 ? alternate : opposite;
        }
    const Hexagon h = hexagonOrder(r);
    near(h.ci, ci, "ci");
    QCOMPARE(h.ties, ties);
    QCOMPARE(h.agreements + h.violations + h.ties, 72);
    near(h.adjacent, adjacent, "adjacent");
    near(h.opposite, opposite, "opposite");
    // One undefined correlation leaves no index, but means of what is defined.
    r[0][1] = r[1][0] = std::nullopt;
    const Hexagon partial = hexagonOrder(r);
    QVERIFY(!partial.ci);
    near(partial.adjacent, adjacent, "adjacent of five");
}

void TestPsychometrics::degenerateGroups()
{
    // No subjects: nothing is defined, nothing divides by zero.
    const Analysis empty = analyze({});
    QCOMPARE(empty.n, 0);
    QVERIFY(!empty.types[0].alpha && !empty.types[0].items[0].p && !empty.types[0].items[0].r);
    QVERIFY(!empty.hexagon.adjacent && !empty.hexagon.ci);

    // One subject: p is its answers; no spread, so no r, no alpha.
    GeneratedGroup generator(3);
    const std::vector<Subject> one = generator.subjects(1);
    const Analysis single = analyze(one);
    near(single.types[2].items[4].p, one[0].items[2][4], "p of one");
    QVERIFY(!single.types[2].alpha && !single.types[2].items[4].r && !single.types[2].items[4].alphaIfDeleted);
    QVERIFY(!single.hexagon.ci);

    // Everyone answers alike: the items never vary.
    std::vector<Subject> same(40, one[0]);
    const Analysis flat = analyze(same);
    QVERIFY(!flat.types[0].alpha);
    QVERIFY(!flat.types[0].items[0].r);
    QVERIFY(!(flat.types[0].items[0].flags & Weak)); // undefined is not weak
    QVERIFY(!flat.hexagon.adjacent);

    // The norms of that cell: percentiles still, no T without a spread.
    const NormTable::Table table = NormTable::build(same, ReferenceGroup::None);
    QCOMPARE(table.cells.size(), size_t(1));
    const NormScore s = normScore(table.cells[0].types[0], one[0].totals[0]);
    near(s.percentile, 50, "percentile in a flat cell");
    QVERIFY(!s.t && !s.sem);
    // A table of nobody has one empty cell that gives nothing.
    const NormTable::Table none = NormTable::build({}, ReferenceGroup::None);
    QCOMPARE(none.cells.size(), size_t(1));
    const NormScore nothing = normScore(none.cells[0].types[0], 10);
    QVERIFY(!nothing.percentile && !nothing.t && !nothing.sem);
}

void TestPsychometrics::percentileTandSem()
{
    // 40 totals: 10 x 5, 20 x 10, 10 x 20. Mean 11.25, population SD sqrt(29.6875).
    std::vector<int> totals;
    totals.insert(totals.end(), 10, 5);
    totals.insert(totals.end(), 20, 10);
    totals.insert(totals.end(), 10, 20);
    const Distribution d = distribution(totals, 0.84);
    QCOMPARE(d.mean, 11.25);
    near(normScore(d, 10).percentile, 100.0 * (10 + 0.5 * 20) / 40, "PR at the tie"); // 50
    near(normScore(d, 5).percentile, 100.0 * (0 + 0.5 * 10) / 40, "PR of the lowest"); // 12.5
    near(normScore(d, 20).percentile, 87.5, "PR of the highest");
    near(normScore(d, 15).percentile, 75.0, "PR between values");
    near(normScore(d, 0).percentile, 0.0, "PR below everyone");
    near(normScore(d, 50).percentile, 100.0, "PR above everyone");
    near(normScore(d, 20).t, 50 + 10 * (20 - 11.25) / std::sqrt(29.6875), "T");
    near(normScore(d, 20).sem, std::sqrt(29.6875) * 0.4, "SEM = SD sqrt(1 - 0.84)");

    // 29 subjects: T and SEM, but no percentile rank.
    const Distribution small = distribution(std::vector<int>(totals.begin(), totals.begin() + 29), 0.5);
    const NormScore s = normScore(small, 10);
    QVERIFY(!s.percentile);
    QVERIFY(s.t && s.sem);
    const Distribution thirty = distribution(std::vector<int>(totals.begin(), totals.begin() + 30), 0.5);
    QVERIFY(normScore(thirty, 10).percentile);
}

void TestPsychometrics::normTableRoundTrip()
{
    GeneratedGroup generator(5);
    const std::vector<Subject> subjects = generator.subjects(300, {"9", u("۱۰"), "11"});
    NormTable::Table table = NormTable::build(subjects, ReferenceGroup::BySex | ReferenceGroup::ByClass);
    table.filters.group = u("الف");
    QCOMPARE(table.cells.size(), size_t(6));
    QCOMPARE(table.cells[0].sex, boyText()); // boys first
    QCOMPARE(table.cells[0].grade, QStringLiteral("9")); // classes by number
    int n = 0;
    for (const NormTable::Cell& c : table.cells)
        n += c.n;
    QCOMPARE(n, 300);

    // Each cell's statistics are those of its own subjects.
    std::vector<Subject> girls10;
    for (const Subject& s : subjects)
        if (s.sex == girlText() && s.grade == u("۱۰"))
            girls10.push_back(s);
    const NormTable::Cell* cell = NormTable::cellFor(table, girlText(), "10"); // digits of either script
    QVERIFY(cell);
    QCOMPARE(cell->n, int(girls10.size()));
    std::vector<double> m;
    for (const Subject& s : girls10)
        m.push_back(s.totals[4]);
    QVERIFY(std::fabs(cell->types[4].mean - mean(m)) < 1e-9);
    QVERIFY(std::fabs(cell->types[4].sd - std::sqrt(variance(m))) < 1e-9);
    near(cell->types[4].alpha, *analyze(girls10).types[4].alpha, "cell alpha");

    NormTable::Table back;
    QString error;
    QVERIFY2(NormTable::fromJson(NormTable::toJson(table), &back, &error), qPrintable(error));
    QCOMPARE(back.split, table.split);
    QCOMPARE(back.filters.group, u("الف"));
    QCOMPARE(back.cells.size(), table.cells.size());
    QCOMPARE(back.created.toSecsSinceEpoch(), table.created.toSecsSinceEpoch());
    for (size_t i = 0; i < table.cells.size(); ++i)
        for (int t = 0; t < TypeCount; ++t) {
            QCOMPARE(back.cells[i].types[size_t(t)].frequency, table.cells[i].types[size_t(t)].frequency);
            QCOMPARE(back.cells[i].types[size_t(t)].sd, table.cells[i].types[size_t(t)].sd);
            QCOMPARE(back.cells[i].types[size_t(t)].alpha, table.cells[i].types[size_t(t)].alpha);
        }
    QVERIFY(!NormTable::cellFor(back, u("نامعلوم"), "9"));
    const NormTable::SubjectNorms none = NormTable::scoreSubject(back, u("نامعلوم"), "9", subjects[0].totals);
    QVERIFY(!none.found);
    QCOMPARE(none.note, u("جدول هنجار گروهی برای جنس و کلاس این آزمودنی ندارد"));
}

void TestPsychometrics::normTableRefusesDamage_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("error");
    GeneratedGroup generator(9);
    const QByteArray good = NormTable::toJson(NormTable::build(generator.subjects(40), ReferenceGroup::None));
    QTest::newRow("not json") << QByteArray("{") << u("این پرونده جدول هنجار مراول نیست");
    QTest::newRow("other format") << QByteArray(good).replace("meravel-norms", "x")
                                  << u("این پرونده جدول هنجار مراول نیست");
    QTest::newRow("later version") << QByteArray(good).replace("\"version\": 1", "\"version\": 2")
                                   << u("نسخه‌ی این جدول هنجار شناخته نیست");
    QTest::newRow("cell count off") << QByteArray(good).replace("\"n\": 40,\n            \"types\"",
                                                                "\"n\": 41,\n            \"types\"")
                                    << u("جدول هنجار آسیب دیده است");
    QTest::newRow("bad split") << QByteArray(good).replace("\"by\": \"\"", "\"by\": \"age\"")
                               << u("جدول هنجار آسیب دیده است");
}

void TestPsychometrics::normTableRefusesDamage()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, error);
    NormTable::Table table;
    QString why;
    QVERIFY(!NormTable::fromJson(json, &table, &why));
    QCOMPARE(why, error);
}

void TestPsychometrics::cellsOfSplits()
{
    std::vector<Subject> subjects(4);
    subjects[0].sex = girlText();
    subjects[0].grade = "10";
    subjects[1].sex = boyText();
    subjects[1].grade = "9";
    subjects[2].sex = QString::fromUtf8("دختر "); // a trailing blank is the same girl
    subjects[2].grade = "9";
    subjects[3].sex = boyText();
    subjects[3].grade = u("۱۰");
    const auto bySex = ReferenceGroup::cells(subjects, ReferenceGroup::BySex);
    QCOMPARE(bySex.size(), size_t(2));
    QCOMPARE(bySex[0].sex, boyText());
    QCOMPARE(bySex[0].members, (std::vector<int>{1, 3}));
    QCOMPARE(bySex[1].members, (std::vector<int>{0, 2}));
    const auto byClass = ReferenceGroup::cells(subjects, ReferenceGroup::ByClass);
    QCOMPARE(byClass.size(), size_t(2));
    QCOMPARE(byClass[0].grade, QStringLiteral("9"));
    QCOMPARE(byClass[1].members, (std::vector<int>{0, 3}));
    QCOMPARE(ReferenceGroup::cells(subjects, ReferenceGroup::None)[0].members.size(), size_t(4));
    unsigned split = 0;
    QVERIFY(ReferenceGroup::parseSplit("class,sex", &split));
    QCOMPARE(split, unsigned(ReferenceGroup::BySex | ReferenceGroup::ByClass));
    QVERIFY(!ReferenceGroup::parseSplit("sex,sex", &split));
    QVERIFY(!ReferenceGroup::parseSplit("age", &split));
}

void TestPsychometrics::iachanHandWorked_data()
{
    QTest::addColumn<QString>("subject");
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("m");
    QTest::addColumn<QString>("words");
    QTest::newRow("same") << u("و ج ه") << u("و ج ه") << 28 << u("زیاد");
    QTest::newRow("first two swapped") << u("و ج ه") << u("ج و ه") << 10 + 10 + 1 << u("زیاد");
    QTest::newRow("first only") << u("و ج ه") << u("و م ق") << 22 << u("زیاد");
    QTest::newRow("first third") << u("و ج ه") << u("الف م و") << 4 << u("کم");
    QTest::newRow("reversed") << u("و ج ه") << u("ه ج و") << 4 + 5 + 4 << u("متوسط");
    QTest::newRow("second first") << u("و ج ه") << u("ج م ق") << 10 << u("متوسط");
    QTest::newRow("none") << u("و ج ه") << u("الف م ق") << 0 << u("کم");
    QTest::newRow("second third crossed") << u("و ج ه") << u("م ه ج") << 2 + 2 << u("کم");
    QTest::newRow("lowest medium") << u("و ج ه") << u("ه م و") << 4 + 4 << u("متوسط"); // 8
    QTest::newRow("third first second") << u("و ج ه") << u("ق ه ج") << 2 + 2 << u("کم");
}

void TestPsychometrics::iachanHandWorked()
{
    QFETCH(QString, subject);
    QFETCH(QString, other);
    QFETCH(int, m);
    QFETCH(QString, words);
    const auto a = Psychometrics::parseCode(subject), b = Psychometrics::parseCode(other);
    QVERIFY(a && b);
    QCOMPARE(iachan(*a, *b), m);
    QCOMPARE(iachanWords(m), words);
}

void TestPsychometrics::parseCode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("code"); // "" when refused
    QTest::newRow("blanks") << u("و ج ه") << u("و ج ه");
    QTest::newRow("joined") << u("وجه") << u("و ج ه");
    QTest::newRow("alef name") << u("الف-م-ق") << u("الف م ق");
    QTest::newRow("alef joined") << u("الفمق") << u("الف م ق");
    QTest::newRow("alef letter") << u("ا م ق") << u("الف م ق");
    QTest::newRow("hamza alef") << u("أ م ق") << u("الف م ق");
    QTest::newRow("latin") << "m g a" << u("م ق الف");
    QTest::newRow("persian comma") << u("ق،و،ج") << u("ق و ج");
    QTest::newRow("repeated letter") << u("و و ج") << "";
    QTest::newRow("two letters") << u("و ج") << "";
    QTest::newRow("four letters") << u("و ج ه م") << "";
    QTest::newRow("other letter") << u("و ج ز") << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestPsychometrics::parseCode()
{
    QFETCH(QString, text);
    QFETCH(QString, code);
    const auto parsed = Psychometrics::parseCode(text);
    QCOMPARE(parsed ? codeText(*parsed) : QString(), code);
}

void TestPsychometrics::retestHandWorked()
{
    // First administration v 30, j 25, h 20 ...: code و ج ه. Second: j ahead, code ج و ه.
    const Scoring::Totals first{30, 25, 20, 15, 10, 5}, second{24, 30, 20, 15, 12, 9};
    std::array<std::optional<double>, TypeCount> sems{2.0, 2.0, 2.0, 0.0, std::nullopt, 1.0};
    const Retest r = retest(first, second, sems);
    QCOMPARE(r.diff, (std::array<int, TypeCount>{-6, 5, 0, 0, 2, 4}));
    near(r.rci[0], -6 / (2 * std::sqrt(2.0)), "rci v"); // -2.12: reliable
    near(r.rci[1], 5 / (2 * std::sqrt(2.0)), "rci j"); // 1.77: not
    near(r.rci[5], 4 / std::sqrt(2.0), "rci g"); // 2.83
    QVERIFY(!r.rci[3] && !r.rci[4]); // a SEM of 0 or none gives no index
    QCOMPARE(r.reliable, (std::array<bool, TypeCount>{true, false, false, false, false, true}));
    QVERIFY(!r.firstLetterAgrees);
    QVERIFY(r.setAgrees);
    QCOMPARE(r.iachan, 21);

    // A tied position counts the letter shown first: ق and و tie at the top, shown «ق-و».
    const Scoring::Totals tied{30, 20, 10, 5, 5, 30};
    const Scoring::TypeCode code = Scoring::typeCode(tied);
    QCOMPARE(code.text(0), u("ق-و"));
    QCOMPARE(code3(tied)[0], int(InterestTypes::G));
    const int p1 = code.positions[1].first, p2 = code.positions[2].first;
    QVERIFY(p1 != InterestTypes::V && p2 != InterestTypes::V);
    QCOMPARE(iachan(code3(tied), Code3{InterestTypes::G, p1, p2}), 28);
    QCOMPARE(iachan(code3(tied), Code3{InterestTypes::V, p1, p2}), 5 + 1); // و is not the first letter
}

QTEST_GUILESS_MAIN(TestPsychometrics)
#include "test_psychometrics.moc"
