// The per-type totals and the questionnaire content, without windows.
#include "TestHelpers.h"
#include "TestFolder.h"

#include "data/AnswerStore.h"
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/QuestionnaireContent.h"
#include "questionnaire/Totals.h"

#include <QSet>
#include <QtTest>

namespace {

// Every answer column of the four tables set to one text (ticks) or one digit (ratings).
Totals::Answers filled(const QString& tick, const QString& rating)
{
    Totals::Answers a;
    for (int table = 1; table <= 4; ++table)
        for (const QString& c : AnswerColumns::columns(table))
            a[table - 1].insert(c, table == 4 ? rating : tick);
    return a;
}
} // namespace

class TestQuestionnaire : public QObject {
    Q_OBJECT
private slots:
    void totals_data();
    void totals();
    void totalsCountEachTypeOnItsOwn();
    void totalsStoredAsDigits();

    void contentIsComplete();
    void fixedCaptionsStandAtTheirColumns();
};

void TestQuestionnaire::totals_data()
{
    QTest::addColumn<Totals::Answers>("answers");
    QTest::addColumn<int>("expected"); // the same total for each of the six types

    QTest::newRow("no rows") << Totals::Answers{} << 0;
    QTest::newRow("empty columns") << filled("", "") << 0;
    QTest::newRow("every item ticked, ratings 7") << filled("1", "7") << 50;
    QTest::newRow("every item ticked, ratings empty") << filled("1", "") << 36;
    QTest::newRow("nothing ticked, ratings 1") << filled("0", "1") << 2;
    QTest::newRow("value 2 is not a tick") << filled("2", "") << 0;
    QTest::newRow("value -1 is not a tick") << filled("-1", "") << 0;
    QTest::newRow("yes/no text is not a tick") << filled("True", "") << 0;
    QTest::newRow("value 11 is not a tick") << filled("11", "3") << 6;

    // Other writers may use lower-case column names: v1 and V1 are one column.
    Totals::Answers lower;
    for (int table = 1; table <= 4; ++table)
        for (const QString& c : AnswerColumns::columns(table))
            lower[table - 1].insert(c.toLower(), table == 4 ? "4" : "1");
    QTest::newRow("lower-case names") << lower << 44;
    Totals::Answers upper;
    for (int table = 1; table <= 4; ++table)
        for (const QString& c : AnswerColumns::columns(table))
            upper[table - 1].insert(c.toUpper(), table == 4 ? "4" : "1");
    QTest::newRow("upper-case names") << upper << 44;
}

void TestQuestionnaire::totals()
{
    QFETCH(Totals::Answers, answers);
    QFETCH(int, expected);
    const Totals::Six t = Totals::compute(answers);
    for (int type = 0; type < 6; ++type)
        QCOMPARE(t[type], expected);
}

void TestQuestionnaire::totalsCountEachTypeOnItsOwn()
{
    // v: items 1 and 11 of part 1, 11 of part 2, 14 of part 3 and ratings 3 + 5;
    // g: the last tick column of each part; the rest empty.
    Totals::Answers a;
    a[0] = {{"v1", "1"}, {"v11", "1"}, {"G11", "1"}};
    a[1] = {{"v11", "1"}, {"G11", "1"}, {"J3", "0"}};
    a[2] = {{"v14", "1"}, {"G14", "1"}, {"H14", ""}};
    a[3] = {{"V1", "3"}, {"V2", "5"}, {"A1", ""}, {"M2", "7"}};
    const Totals::Six t = Totals::compute(a);
    QCOMPARE(t, (Totals::Six{12, 0, 0, 0, 7, 3}));
}

void TestQuestionnaire::totalsStoredAsDigits()
{
    TestFolder f;
    QVERIFY(f.isValid());
    f.addSubject("7");
    f.exec("UPDATE S1 SET v2 = '1', J9 = '1', J10 = '2' WHERE Code = '7'");
    f.exec("UPDATE S4 SET V1 = '6', G2 = '7' WHERE Code = '7'");
    const Totals::Six t = Totals::compute(AnswerStore::readRows("7"));
    QCOMPARE(t, (Totals::Six{7, 1, 0, 0, 0, 7}));
    QVERIFY(Totals::store("7", t));
    QCOMPARE(f.scalar("SELECT V || ',' || J || ',' || H || ',' || A || ',' || M || ',' || GH FROM IDE WHERE Code = '7'"),
             QString("7,1,0,0,0,7"));
}

void TestQuestionnaire::contentIsComplete()
{
    QVERIFY(QuestionnaireContent::isLoaded());
    QSet<QString> seen;
    int count = 0;
    for (int table = 1; table <= 3; ++table)
        for (int type = 0; type < 6; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                const QString text = QuestionnaireContent::item(table, type, k);
                QVERIFY2(!text.trimmed().isEmpty(), qPrintable(AnswerColumns::column(table, type, k)));
                QVERIFY2(!seen.contains(text), qPrintable(text));
                seen.insert(text);
                ++count;
            }
    QCOMPARE(count, 216);
    // Part 2 items are first-person sentences (two of them in the fixed wording's letters).
    for (int type = 0; type < 6; ++type)
        for (int k = 1; k <= 11; ++k) {
            const QString text = QuestionnaireContent::item(2, type, k);
            QVERIFY2(text.startsWith(u("می\u200cتوانم ")) || text.startsWith(u("مي توانم ")), qPrintable(text));
        }

    // Rating labels: the type's letter and a dash, then the name.
    const char* letters[] = {"و - ", "ج - ", "ه - ", "الف - ", "م - ", "ق - "};
    for (int type = 0; type < 6; ++type)
        for (int k = 1; k <= 2; ++k) {
            const QString label = QuestionnaireContent::ratingLabel(type, k);
            QVERIFY2(label.startsWith(u(letters[type])), qPrintable(label));
            QVERIFY(label.size() > u(letters[type]).size() + 2);
        }
    QVERIFY(QuestionnaireContent::introduction().size() > 100);
    QVERIFY(QuestionnaireContent::instruction(4).startsWith(u("سؤال  چهارم : خود سنجي ها")));
    QVERIFY(QuestionnaireContent::instruction(4).size() > 150);
}

void TestQuestionnaire::fixedCaptionsStandAtTheirColumns()
{
    QCOMPARE(QuestionnaireContent::item(1, 0, 2), u("تعمير اتومبيل"));
    QCOMPARE(QuestionnaireContent::item(1, 1, 9), u("گذراندن دوره شيمي"));
    QCOMPARE(QuestionnaireContent::item(2, 3, 1), u("مي توانم بخوبي مطالب را براي ديگران توضيح دهم"));
    QCOMPARE(QuestionnaireContent::item(2, 2, 3), u("مي توانم در نمايش عروسكي بازي كنم"));
    QCOMPARE(QuestionnaireContent::item(3, 4, 6), u("مدير هتل"));
    QCOMPARE(QuestionnaireContent::item(3, 1, 12), u("گياه شناس"));
    QCOMPARE(QuestionnaireContent::ratingLabel(0, 1), u("و - توانايي مكانيكي"));
    QCOMPARE(QuestionnaireContent::ratingLabel(0, 2), u("و - مهارت هاي دستي - استفاده از ابزار "));

    QCOMPARE(QuestionnaireContent::instruction(1),
             u("سؤال اول: فعاليت ها –  هر يك از فعاليت ها ي زير كه مايل و علاقمند به انجام آنها هستيد را علامت بزنيد"));
    QCOMPARE(QuestionnaireContent::instruction(2, 1),
             u("سؤال دوم :  تجربه ها - هر يك از فعاليت ها ي زير را كه تاكنون تجربه كرده ايد و مي توانيد آنرا انجام دهيد علامت بزنيد "));
    QCOMPARE(QuestionnaireContent::instruction(2, 0),
             u("سؤال دوم :  تجربه ها - هر يك از فعاليت ها ي زير را كه تاكنون تجربه كرده ايد و مي توانيد آنرا انجام دهيد  يك علامت بزنيد "));
    QCOMPARE(QuestionnaireContent::instruction(3),
             u("سؤال سوم : مشاغل – اين فهرست براي بررسي احساسات و نگرش ها ي شما نسبت به مشاغل گوناگون مي پردازد مشاغلي را كه به آنها علاقه داريد يا براي شما خوشايند هستند علامت بزنيد"));
}

QTEST_GUILESS_MAIN(TestQuestionnaire)
#include "test_questionnaire.moc"
