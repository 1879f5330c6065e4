// The reference group read from the main database (file or server), and the companion
// tool's analyze, norms, score --norms/--aspiration and compare over it, checked against the
// statistics of the generated answers that were stored.
#include "CliRun.h"
#include "GeneratedGroup.h"
#include "TestFolder.h"
#include "data/Database.h"
#include "data/Utf8.h"
#include "scoring/NormTable.h"
#include "scoring/Psychometrics.h"
#include "scoring/ReferenceGroup.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QtTest>

#include <cmath>

using namespace Psychometrics;

namespace {
QString lit(const QString& s) { return '\'' + QString(s).replace('\'', "''") + '\''; }

// Stores the subjects as registration and the test window leave them: IDE with the totals,
// one row in each of S1..S4. Ticks are written in several forms that all count (and unticked
// items in several that do not), so the reading is checked too.
bool store(const TestFolder& folder, const std::vector<Subject>& subjects)
{
    const QStringList tickForms{"1", u("۱"), " 1"}, blankForms{"", "0", "NULL"};
    QString ide = "INSERT INTO \"IDE\" (\"Code\", \"FName\", \"LName\", \"Jens\", \"Sen\", \"Tahsil\", \"Group\", "
                  "\"Date\", \"Time\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\") VALUES ";
    std::array<QString, 4> tables;
    for (int table = 1; table <= 4; ++table) {
        QStringList columns{"\"Code\""};
        for (int t = 0; t < TypeCount; ++t)
            for (int i = 0; i < ItemsPerType; ++i)
                if (itemPlace(i).table == table)
                    columns << Database::quoted(itemKey(t, i));
        tables[size_t(table - 1)] = "INSERT INTO \"S" + QString::number(table) + "\" (" + columns.join(", ")
            + ") VALUES ";
    }
    for (size_t k = 0; k < subjects.size(); ++k) {
        const Subject& s = subjects[k];
        QStringList totals;
        for (int x : s.totals)
            totals << lit(QString::number(x));
        ide += QString(k ? ", " : "") + "(" + lit(s.code) + ", 'F', 'L', " + lit(s.sex) + ", '15', " + lit(s.grade)
            + ", 'A', " + lit(QStringLiteral("1402/07/%1").arg(1 + int(k) % 28, 2, 10, QChar('0'))) + ", '10:00', "
            + totals.join(", ") + ")";
        for (int table = 1; table <= 4; ++table) {
            QStringList values{lit(s.code)};
            for (int t = 0; t < TypeCount; ++t)
                for (int i = 0; i < ItemsPerType; ++i)
                    if (itemPlace(i).table == table) {
                        const int x = s.items[size_t(t)][size_t(i)];
                        const int form = int((k + size_t(i) + size_t(t)) % 3);
                        if (table == 4)
                            values << lit(form == 1 ? QString(QChar(0x06F0 + x)) : QString::number(x));
                        else if (x)
                            values << lit(tickForms[form]);
                        else
                            values << (blankForms[form] == "NULL" ? QString("NULL") : lit(blankForms[form]));
                    }
            tables[size_t(table - 1)] += QString(k ? ", " : "") + "(" + values.join(", ") + ")";
        }
    }
    QString error;
    if (!folder.exec(ide, &error))
        return qWarning() << error, false;
    for (const QString& sql : tables)
        if (!folder.exec(sql, &error))
            return qWarning() << error, false;
    return true;
}

QJsonObject json(const CliRun& r)
{
    QJsonParseError e;
    const QJsonDocument d = QJsonDocument::fromJson(r.out.toUtf8(), &e);
    return d.object();
}

// A JSON number is the double printed in its shortest form: it reads back exactly.
void sameNumber(const QJsonValue& v, const std::optional<double>& expected, const QString& what)
{
    if (!expected) {
        QVERIFY2(v.isNull(), qPrintable(what));
        return;
    }
    QVERIFY2(v.isDouble(), qPrintable(what));
    QVERIFY2(
        v.toDouble() == *expected,
        qPrintable(
            QStringLiteral("%1: %2 instead of %3").arg(what).arg(v.toDouble(), 0, 'g', 17).arg(*expected, 0, 'g', 17)));
}
} // namespace

class TestReferenceGroup : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void readsStoredAnswers();
    void filtersNarrowTheGroup();
    void analyzeItems();
    void analyzeNobody();
    void normsBuildShowAndScore();
    void compareTwoAdministrations();
    void aspiration();
    void refusesBadArguments_data();
    void refusesBadArguments();

private:
    TestFolder* m_folder = nullptr;
    std::vector<Subject> m_subjects;
};

void TestReferenceGroup::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    GeneratedGroup generator(21);
    m_subjects = generator.subjects(160, {"9", "10"});
    QVERIFY(store(*m_folder, m_subjects));
    // Not answered (a total missing, a total that is no number), and a second answer row of
    // subject 1 that scoring never reads: none of them counts.
    m_folder->addSubject("900");
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='3',\"J\"='x',\"H\"='1',\"A\"='1',\"M\"='1',\"GH\"='1' WHERE \"Code\"='900'"));
    QVERIFY(m_folder->exec("INSERT INTO \"S1\" (\"Code\", \"v1\", \"v2\") VALUES ('1', '1', '1')"));
}

void TestReferenceGroup::cleanup()
{
    delete m_folder;
    m_folder = nullptr;
}

void TestReferenceGroup::readsStoredAnswers()
{
    std::vector<Subject> read;
    QString error;
    QVERIFY2(ReferenceGroup::read(GroupSummary::Selection(), &read, &error), qPrintable(error));
    QCOMPARE(read.size(), m_subjects.size());
    for (size_t k = 0; k < read.size(); ++k) {
        QCOMPARE(read[k].code, m_subjects[k].code);
        QCOMPARE(read[k].sex, m_subjects[k].sex);
        QCOMPARE(read[k].grade, m_subjects[k].grade);
        QCOMPARE(read[k].totals, m_subjects[k].totals);
        QVERIFY2(read[k].items == m_subjects[k].items, qPrintable(read[k].code));
    }
}

void TestReferenceGroup::filtersNarrowTheGroup()
{
    GroupSummary::Selection girls;
    girls.sex = girlText();
    girls.grade = "10";
    std::vector<Subject> read;
    QVERIFY(ReferenceGroup::read(girls, &read));
    int expected = 0;
    for (const Subject& s : m_subjects)
        expected += s.sex == girlText() && s.grade == "10";
    QCOMPARE(int(read.size()), expected);
    for (const Subject& s : read)
        QVERIFY(s.sex == girlText() && s.grade == "10");

    GroupSummary::Selection dates;
    dates.from = "1402/07/03";
    dates.to = "1402/07/04";
    QVERIFY(ReferenceGroup::read(dates, &read));
    QCOMPARE(int(read.size()), 12); // days 3 and 4 of the 28 the subjects cycle through
}

void TestReferenceGroup::analyzeItems()
{
    const CliRun r = CliRun::run({"analyze", "items"});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    QVERIFY(!r.out.contains("nan", Qt::CaseInsensitive));
    const QJsonObject o = json(r);
    const Analysis a = analyze(m_subjects);
    QCOMPARE(o.value("n").toInt(), 160);
    for (int t = 0; t < TypeCount; ++t) {
        const QJsonObject type = o.value("types").toObject().value(InterestTypes::Latin[t]).toObject();
        sameNumber(type.value("alpha"), a.types[size_t(t)].alpha, "alpha");
        const QJsonArray items = type.value("items").toArray();
        QCOMPARE(items.size(), ItemsPerType);
        for (int i = 0; i < ItemsPerType; ++i) {
            const QJsonObject item = items.at(i).toObject();
            const ItemStat& s = a.types[size_t(t)].items[size_t(i)];
            QCOMPARE(item.value("key").toString(), itemKey(t, i));
            QCOMPARE(item.value("part").toInt(), itemPlace(i).table);
            sameNumber(item.value("p"), s.p, "p " + itemKey(t, i));
            sameNumber(item.value("r"), s.r, "r " + itemKey(t, i));
            sameNumber(item.value("alpha_if_deleted"), s.alphaIfDeleted, "alpha if deleted");
            QCOMPARE(item.contains("p_boys"), i < TickItems);
            if (i < TickItems)
                sameNumber(item.value("p_girls"), s.pGirls, "p girls");
            QCOMPARE(item.value("flags").toArray().toVariantList().size(), flagIds(s.flags).size());
        }
    }
    const QJsonObject h = o.value("hexagon").toObject();
    sameNumber(h.value("adjacent"), a.hexagon.adjacent, "adjacent");
    sameNumber(h.value("alternate"), a.hexagon.alternate, "alternate");
    sameNumber(h.value("opposite"), a.hexagon.opposite, "opposite");
    sameNumber(h.value("ci"), a.hexagon.ci, "ci");

    const CliRun bySex = CliRun::run({"analyze", "items", "--by", "sex"});
    QCOMPARE(bySex.exit, 0);
    const QJsonArray cells = json(bySex).value("cells").toArray();
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cells.at(0).toObject().value("sex").toString(), boyText());
    QCOMPARE(cells.at(0).toObject().value("n").toInt(), 80);
    // Within one sex, the other sex's p is undefined.
    QVERIFY(cells.at(0)
                .toObject()
                .value("types")
                .toObject()
                .value("v")
                .toObject()
                .value("items")
                .toArray()
                .at(0)
                .toObject()
                .value("p_girls")
                .isNull());
}

void TestReferenceGroup::analyzeNobody()
{
    // Nobody selected, and one subject: said so, every undefined value null, never NaN.
    for (const QString& group : {QStringLiteral("nobody"), QStringLiteral("one")}) {
        if (group == "one")
            QVERIFY(m_folder->exec("UPDATE \"IDE\" SET \"Group\"='one' WHERE \"Code\"='5'"));
        const CliRun r = CliRun::run({"analyze", "items", "--group", group});
        QCOMPARE(r.exit, 0);
        QVERIFY(!r.out.contains("nan", Qt::CaseInsensitive) && !r.out.contains("inf", Qt::CaseInsensitive));
        const QJsonObject o = json(r);
        QCOMPARE(o.value("n").toInt(), group == "one" ? 1 : 0);
        QCOMPARE(
            o.value("note").toString(),
            u("برای این محاسبه دست‌کم دو آزمودنی پاسخ‌داده لازم است"));
        QVERIFY(o.value("types").toObject().value("h").toObject().value("alpha").isNull());
        QVERIFY(o.value("hexagon").toObject().value("ci").isNull());
    }
}

void TestReferenceGroup::normsBuildShowAndScore()
{
    const QString file = m_folder->file("norms.json");
    CliRun r = CliRun::run({"norms", "build", "--by", "sex,class", "--out", file});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    NormTable::Table table;
    QVERIFY(NormTable::load(file, &table));
    QCOMPARE(table.cells.size(), size_t(4));
    const CliRun shown = CliRun::run({"norms", "show", file});
    QCOMPARE(shown.exit, 0);
    QCOMPARE(shown.out.toUtf8(), NormTable::toJson(table));

    // Subject 7 is a boy of class 10: his cell holds 40 subjects, so it gives percentiles.
    const Subject& s = m_subjects[6];
    r = CliRun::run({"score", "--code", u("۷"), "--norms", file});
    QCOMPARE(r.exit, 0);
    const QJsonObject o = json(r);
    const NormTable::Cell* cell = NormTable::cellFor(table, s.sex, s.grade);
    QVERIFY(cell);
    QCOMPARE(o.value("norm_n").toInt(), 40);
    QCOMPARE(o.value("cell").toString(), boyText() + u("، ") + s.grade);
    for (int t = 0; t < TypeCount; ++t) {
        const NormScore n = normScore(cell->types[size_t(t)], s.totals[size_t(t)]);
        sameNumber(o.value("percentile").toArray().at(t), n.percentile, "percentile");
        sameNumber(o.value("t").toArray().at(t), n.t, "t");
        sameNumber(o.value("sem").toArray().at(t), n.sem, "sem");
    }
    QVERIFY(!o.contains("norm_note"));

    // A table of one class only: the other class has no cell, a small cell no percentiles.
    r = CliRun::run({"norms", "build", "--class", "9", "--sex", girlText(), "--by", "class", "--out", file});
    QCOMPARE(r.exit, 0);
    const QJsonObject other = json(CliRun::run({"score", "--code", "7", "--norms", file}));
    QVERIFY(other.value("cell").isNull());
    QCOMPARE(other.value("norm_note").toString(), u("جدول هنجار گروهی برای جنس و کلاس این آزمودنی ندارد"));
    QVERIFY(m_folder->exec(
        "DELETE FROM \"IDE\" WHERE \"Code\" IN ('2', '4', '6', '8', '10', '12', '14', '16', '18', '20', '22', '24')"));
    r = CliRun::run({"norms", "build", "--class", "9", "--by", "class", "--out", file});
    const QJsonObject small = json(CliRun::run({"score", "--code", "1", "--norms", file}));
    QCOMPARE(small.value("norm_n").toInt(), 80 - 6);
    QVERIFY(small.value("percentile").toArray().at(0).isDouble());
    QVERIFY(
        m_folder->exec("DELETE FROM \"IDE\" WHERE CAST(\"Code\" AS INTEGER) > 40 AND CAST(\"Code\" AS INTEGER) < 800"));
    r = CliRun::run({"norms", "build", "--class", "9", "--by", "class", "--out", file});
    const QJsonObject tiny = json(CliRun::run({"score", "--code", "1", "--norms", file}));
    QVERIFY(tiny.value("norm_n").toInt() < 30);
    QVERIFY(tiny.value("percentile").toArray().at(0).isNull());
    QVERIFY(tiny.value("t").toArray().at(0).isDouble());
    QCOMPARE(
        tiny.value("norm_note").toString(),
        u("کمتر از 30 نفر در این گروه هنجاری؛ رتبه درصدی داده نمی‌شود"));

    QFile damaged(file);
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("{\"format\":\"meravel-norms\",\"version\":9}");
    damaged.close();
    r = CliRun::run({"norms", "show", file});
    QCOMPARE(r.exit, 1);
    QCOMPARE(r.err, u("نسخه‌ی این جدول هنجار شناخته نیست\n"));
}

void TestReferenceGroup::compareTwoAdministrations()
{
    const Subject& a = m_subjects[2];
    const Subject& b = m_subjects[9];
    const CliRun r = CliRun::run({"compare", "--code", a.code, "--code", b.code});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    const QJsonObject o = json(r);
    const NormTable::Cell all = NormTable::wholeGroup(m_subjects);
    const Retest expected = retest(a.totals, b.totals, NormTable::sems(all));
    for (int t = 0; t < TypeCount; ++t) {
        const QString key = InterestTypes::Latin[t];
        QCOMPARE(o.value("diff").toObject().value(key).toInt(), b.totals[size_t(t)] - a.totals[size_t(t)]);
        const double sem = all.types[size_t(t)].sd * std::sqrt(1 - *all.types[size_t(t)].alpha);
        const double rci = (b.totals[size_t(t)] - a.totals[size_t(t)]) / (sem * std::sqrt(2.0));
        QVERIFY(std::fabs(o.value("rci").toObject().value(key).toDouble() - rci) < 1e-12);
        QCOMPARE(o.value("reliable").toObject().value(key).toBool(), std::fabs(rci) > 1.96);
    }
    QCOMPARE(o.value("first_letter_agrees").toBool(), expected.firstLetterAgrees);
    QCOMPARE(o.value("set_agrees").toBool(), expected.setAgrees);
    QCOMPARE(o.value("iachan").toInt(), iachan(code3(a.totals), code3(b.totals)));
    QCOMPARE(o.value("sem_from").toString(), u("همه"));

    // One code twice: no change anywhere, full agreement.
    const QJsonObject same = json(CliRun::run({"compare", "--code", a.code, "--code", a.code}));
    QCOMPARE(same.value("iachan").toInt(), 28);
    QVERIFY(same.value("first_letter_agrees").toBool() && same.value("set_agrees").toBool());
    QCOMPARE(same.value("rci").toObject().value("m").toDouble(), 0.0);

    // With a norm table, the SEM of the first administration's cell.
    const QString file = m_folder->file("n.json");
    QCOMPARE(CliRun::run({"norms", "build", "--by", "sex", "--out", file}).exit, 0);
    const QJsonObject normed = json(CliRun::run({"compare", "--code", a.code, "--code", b.code, "--norms", file}));
    QCOMPARE(normed.value("sem_from").toString(), a.sex);
    NormTable::Table table;
    QVERIFY(NormTable::load(file, &table));
    const auto sems = NormTable::sems(*NormTable::cellFor(table, a.sex, a.grade));
    QCOMPARE(normed.value("sem").toObject().value("j").toDouble(), *sems[1]);

    const CliRun missing = CliRun::run({"compare", "--code", a.code, "--code", "900"});
    QCOMPARE(missing.exit, 1);
    QCOMPARE(missing.err, u("آزمودني به سوالات پاسخ نداده است\n"));
}

void TestReferenceGroup::aspiration()
{
    const Subject& s = m_subjects[0];
    const Code3 own = code3(s.totals);
    const QString typed = Scoring::typeLetter(own[1]) + Scoring::typeLetter(own[0]) + " " + Scoring::typeLetter(own[2]);
    const CliRun r = CliRun::run({"score", "--code", s.code, "--aspiration", typed});
    QCOMPARE(r.exit, 0);
    const QJsonObject c = json(r).value("congruence").toObject();
    QCOMPARE(c.value("iachan").toInt(), 10 + 10 + 1);
    QCOMPARE(c.value("words").toString(), u("زیاد"));
    QCOMPARE(c.value("aspiration").toString(), codeText({own[1], own[0], own[2]}));
    const CliRun totals = CliRun::run({"score", "30", "25", "20", "15", "10", "5", "--aspiration", "j m g"});
    QCOMPARE(json(totals).value("congruence").toObject().value("iachan").toInt(), 10);
    QCOMPARE(json(totals).value("congruence").toObject().value("words").toString(), u("متوسط"));
}

void TestReferenceGroup::refusesBadArguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");
    QTest::newRow("analyze what") << QStringList{"analyze"} << 2
                                  << "expected: analyze items [filters] [--by sex|class] [--out FILE.pdf|FILE.xlsx]\n";
    QTest::newRow("analyze by both") << QStringList{"analyze", "items", "--by", "sex,class"} << 2
                                     << "--by takes sex or class: sex,class\n";
    QTest::newRow("analyze out") << QStringList{"analyze", "items", "--out", "x.txt"} << 2
                                 << "--out names a .pdf or .xlsx file: x.txt\n";
    QTest::newRow("bad date") << QStringList{"norms", "build", "--from", "1402-07-01", "--out", "x"} << 2
                              << "--from expects a date as stored, YYYY/MM/DD: 1402-07-01\n";
    QTest::newRow("norms no out") << QStringList{"norms", "build"} << 2 << "norms build needs --out FILE\n";
    QTest::newRow("norms by") << QStringList{"norms", "build", "--by", "age", "--out", "x"} << 2
                              << "--by takes sex, class or sex,class: age\n";
    QTest::newRow("norms missing file") << QStringList{"norms", "show", "/nonexistent/n.json"} << 1 << "<any>";
    QTest::newRow("compare one code") << QStringList{"compare", "--code", "1"} << 2
                                      << "expected: compare --code A --code B [--norms FILE] [--out FILE.pdf]\n";
    QTest::newRow("compare unknown") << QStringList{"compare", "--code", "1", "--code", "999"} << 1
                                     << u("فردي با اين مشخصات وجود ندارد\n");
    QTest::newRow("bad aspiration") << QStringList{"score", "--code", "1", "--aspiration", u("وو ج")} << 2
                                    << u("کد را با سه حرف متفاوت از «و ج ه الف م ق» بنویسید\n");
}

void TestReferenceGroup::refusesBadArguments()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, err);
    const CliRun r = CliRun::run(args);
    QCOMPARE(r.exit, exit);
    if (err != "<any>")
        QCOMPARE(r.err, err);
    else
        QVERIFY(!r.err.isEmpty());
    QCOMPARE(r.out, QString());
}

QTEST_GUILESS_MAIN(TestReferenceGroup)
#include "test_reference_group.moc"
