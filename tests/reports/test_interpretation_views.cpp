// The interpretation on screen and on paper: the profile chart against a reference drawn
// from its expected corners, the chart, indices and answer-quality note of the result report
// and the scoring window, and the group summary report from meravel-cli and from the look-up
// window, read back with pdftotext.
#include "CliRun.h"
#include "HostRun.h"
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "data/ClinicData.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "data/Utf8.h"
#include "report/BandedReport.h"
#include "app/ReportPreview.h"
#include "data/Database.h"
#include "records/LookupWindow.h"
#include "scoring/ScoringWindow.h"
#include "report/GroupReport.h"
#include "scoring/Interpretation.h"
#include "scoring/InterpretationTexts.h"
#include "report/ProfileChart.h"
#include "report/ResultReport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QtMath>
#include <QtTest>
#include <optional>

using namespace Scoring;
using Profile = Scoring::Totals;

namespace {
// pdftotext's text made comparable with the program's: letter forms folded, bidi marks and
// blanks, ZWNJ and punctuation dropped, Arabic and Persian yeh and kaf taken as one.
QString squeezed(QString s)
{
    s = s.normalized(QString::NormalizationForm_KC);
    s.replace(QChar(0x06CC), QChar(0x064A)).replace(QChar(0x0649), QChar(0x064A)).replace(QChar(0x06A9), QChar(0x0643));
    return s.remove(QRegularExpression(QStringLiteral(
        "[\\s\\x{200C}\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}\\x{0640}:\\-\\x{060C},.()]")));
}

// Every word of the expected text occurs in the PDF's text (pdftotext orders the runs of a
// mixed line in its own way).
bool hasWords(const QString& pdf, const QString& expected)
{
    const QString haystack = squeezed(pdf);
    for (const QString& w : expected.split(QRegularExpression("[\\s\\x{200C}]+"), Qt::SkipEmptyParts))
        if (!squeezed(w).isEmpty() && !haystack.contains(squeezed(w)))
            return false;
    return true;
}

QString pdfText(const QString& path, bool layout = false)
{
    const QString host = hostPath(path);
    return QString::fromUtf8(
        HostRun::run("pdftotext", layout ? QStringList{"-layout", host, "-"} : QStringList{host, "-"}).out);
}

int pdfPages(const QString& path)
{
    const auto m = QRegularExpression("Pages:\\s+(\\d+)")
                       .match(QString::fromUtf8(HostRun::run("pdfinfo", {hostPath(path)}).out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The numbers written with a percent sign, in the order of the text.
QList<int> percents(const QString& text)
{
    QList<int> out;
    auto it = QRegularExpression("(\\d+)\\s*%|%\\s*(\\d+)").globalMatch(text);
    while (it.hasNext()) {
        const auto m = it.next();
        out << (m.captured(1).isEmpty() ? m.captured(2) : m.captured(1)).toInt();
    }
    return out;
}

// Pixels the profile polygon inked: clearly blue, unlike the grey rings, black letters and
// the red and orange discs.
QImage inkMask(const QImage& image)
{
    QImage mask(image.size(), QImage::Format_Grayscale8);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            mask.setPixelColor(x, y, c.blue() - c.red() > 40 ? Qt::white : Qt::black);
        }
    return mask;
}

int differingPixels(const QImage& a, const QImage& b, int* inked)
{
    int diff = 0;
    *inked = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const bool pa = qGray(a.pixel(x, y)) > 128, pb = qGray(b.pixel(x, y)) > 128;
            diff += pa != pb;
            *inked += pb;
        }
    return diff;
}

QImage chartImage(const Profile& totals, const QRectF& box, const QSize& size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    ProfileChart::paint(p, box, totals, indices(totals));
    return image;
}

ClinicData clinic()
{
    ClinicData c;
    c.name = u("کلينيک مشاوره آرامش");
    c.address = u("تهران، خيابان آزادي");
    c.contactText = "021-5555\r\n";
    return c;
}

CliRun cli(const QStringList& args) { return CliRun::run(args); }
} // namespace

class TestInterpretationViews : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();

    void chartMatchesReferencePolygon_data();
    void chartMatchesReferencePolygon();
    void resultReportCarriesProfile();
    void resultReportWithoutFlagsHasNoNote();
    void scoringWindowShowsChartAndFlags();
    void groupReportOfAClass();
    void groupReportCommandLine_data();
    void groupReportCommandLine();
    void lookupWindowReportsListedSubjects();
    void pictures();

private:
    void answerFully(const QString& code);
    void addClass(int answered, int unanswered, const QString& grade, const QString& group);

    TestFolder* m_folder = nullptr;
};

void TestInterpretationViews::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    Report::setPreviewInterceptor({});
}

void TestInterpretationViews::cleanup()
{
    Report::setPreviewInterceptor({});
    delete m_folder;
}

// Every item of parts 1 to 3 of type v, j and h ticked, and the ratings varied: no flag.
void TestInterpretationViews::answerFully(const QString& code)
{
    for (int table = 1; table <= 3; ++table) {
        QStringList set;
        for (const char* type : {"v", "J", "H"})
            for (int k = 1; k <= 11; ++k)
                set << QStringLiteral("\"%1%2\"='1'").arg(type).arg(k);
        QVERIFY(m_folder->exec(
            QStringLiteral("UPDATE \"S%1\" SET %2 WHERE \"Code\"='%3'").arg(table).arg(set.join(','), code)));
    }
    QVERIFY(m_folder->exec(
        "UPDATE \"S4\" SET \"V1\"='7',\"V2\"='6',\"J1\"='5',\"J2\"='4',\"H1\"='3',\"H2\"='2' WHERE \"Code\"='" + code
        + "'"));
}

// A class of pupils with varied profiles (a fixed pseudo-random sequence).
void TestInterpretationViews::addClass(int answered, int unanswered, const QString& grade, const QString& group)
{
    const int base = m_folder->scalar("SELECT count(*) FROM \"IDE\"").toInt();
    quint32 seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % 51);
    };
    for (int i = 0; i < answered + unanswered; ++i) {
        const QString code = QString::number(base + i + 1);
        m_folder->addSubject(code, "F" + code, "L" + code);
        QString totals;
        if (i < answered)
            totals = QStringLiteral(", \"V\"='%1',\"J\"='%2',\"H\"='%3',\"A\"='%4',\"M\"='%5',\"GH\"='%6'")
                         .arg(next())
                         .arg(next())
                         .arg(next())
                         .arg(next())
                         .arg(next())
                         .arg(next());
        QVERIFY(
            m_folder->exec(QStringLiteral("UPDATE \"IDE\" SET \"Tahsil\"='%1', \"Group\"='%2', \"Date\"='1403/07/%3'%4 "
                                          "WHERE \"Code\"='%5'")
                               .arg(grade, group)
                               .arg(10 + i % 10)
                               .arg(totals, code)));
    }
}

void TestInterpretationViews::chartMatchesReferencePolygon_data()
{
    QTest::addColumn<Profile>("totals");
    QTest::newRow("descending") << Profile{30, 25, 20, 15, 10, 5};
    QTest::newRow("v and a apart") << Profile{40, 10, 10, 35, 10, 10};
    QTest::newRow("full and empty axes") << Profile{50, 0, 50, 0, 50, 0};
}

void TestInterpretationViews::chartMatchesReferencePolygon()
{
    QFETCH(Profile, totals);
    const QSize size(420, 400);
    const QRectF box(10, 0, 400, 400);
    const QImage chart = chartImage(totals, box, size);

    // The reference: the six corners where they belong, type t on the axis 60 t degrees
    // clockwise from the top, at total/50 of the radius, filled and outlined like the chart.
    auto reference = [&](const Profile& profile) {
        QPolygonF corners;
        const QPointF c = box.center();
        const qreal r = ProfileChart::radius(box);
        for (int t = 0; t < TypeCount; ++t) {
            const qreal a = qDegreesToRadians(60.0 * t);
            corners << c + QPointF(std::sin(a), -std::cos(a)) * (r * profile[t] / 50.0);
        }
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(
            QPen(ProfileChart::Outline, ProfileChart::outlineWidth(box), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(ProfileChart::Fill);
        p.drawPolygon(corners);
        return image;
    };
    int inked = 0;
    const int diff = differingPixels(inkMask(chart), inkMask(reference(totals)), &inked);
    QVERIFY(inked > 1000);
    QVERIFY2(diff < inked / 50, qPrintable(QStringLiteral("%1 of %2 pixels differ").arg(diff).arg(inked)));

    // The comparison tells profiles apart: the same totals one place round the ring differ.
    const Profile turned{totals[5], totals[0], totals[1], totals[2], totals[3], totals[4]};
    int inkedTurned = 0;
    QVERIFY(differingPixels(inkMask(chart), inkMask(reference(turned)), &inkedTurned) > inkedTurned / 10);

    // Without totals only the rings and letters: nothing blue.
    QImage empty(size, QImage::Format_RGB32);
    empty.fill(Qt::white);
    {
        QPainter p(&empty);
        ProfileChart::paint(p, box, std::nullopt, Indices());
    }
    int none = 0;
    differingPixels(inkMask(empty), inkMask(empty), &none);
    QCOMPARE(none, 0);
}

void TestInterpretationViews::resultReportCarriesProfile()
{
    m_folder->addSubject("1", "Sara", "Ahmadi");
    // Stored totals with empty answer rows: no ratings and too few ticks.
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='40',\"J\"='10',\"H\"='10',\"A\"='35',\"M\"='10',\"GH\"='10' WHERE \"Code\"='1'"));
    const QString path = m_folder->file("result.pdf");
    QString message;
    QVERIFY2(ResultReport::writeSubjectPdf("1", clinic(), path, &message), qPrintable(message));
    QCOMPARE(pdfPages(path), 1);
    const QString text = pdfText(path);
    QVERIFY(hasWords(text, u(InterpretationTexts::ChartCaption)));
    const Indices ind = indices({40, 10, 10, 35, 10, 10});
    QVERIFY2(hasWords(text, consistencyWords(ind)), qPrintable(text));
    QVERIFY(hasWords(text, differentiationWords(ind)));
    QVERIFY(hasWords(text, u(InterpretationTexts::FlagNoRatings)));
    QVERIFY(hasWords(text, u(InterpretationTexts::FlagFewTicks)));
    QVERIFY(!hasWords(text, u(InterpretationTexts::FlagFlatProfile)));
    // The labels of the result stay where they were: the score table and the descriptions
    // are still in the detail band, and its height has not changed.
    ResultReport report;
    QCOMPARE(report.document().detail.height, 12200);
    QVERIFY(report.document().reportFooter.height > 0);
}

void TestInterpretationViews::resultReportWithoutFlagsHasNoNote()
{
    m_folder->addSubject("2");
    answerFully("2");
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='46',\"J\"='42',\"H\"='38',\"A\"='0',\"M\"='0',\"GH\"='0' WHERE \"Code\"='2'"));
    Shown shown;
    QCOMPARE(scoreSubject("2", &shown), SubjectStatus::Scored);
    QVERIFY(shown.quality);
    QCOMPARE(shown.quality->flags, 0u);
    ResultReport report;
    report.fill(shown, QString(), QString());
    QCOMPARE(report.caption("QualityNote"), QString());
    QVERIFY(!report.caption("ProfileConsistency").isEmpty());

    // A subject who never answered: the chart's words stay empty.
    m_folder->addSubject("3");
    Shown unanswered;
    QCOMPARE(scoreSubject("3", &unanswered), SubjectStatus::NotAnswered);
    ResultReport empty;
    empty.fill(unanswered, QString(), QString());
    QCOMPARE(empty.caption("ProfileConsistency"), QString());
    QCOMPARE(empty.caption("QualityNote"), QString());
    const QString path = m_folder->file("unanswered.pdf");
    QVERIFY(empty.writePdf(path));
    QCOMPARE(pdfPages(path), 1);
}

void TestInterpretationViews::scoringWindowShowsChartAndFlags()
{
    m_folder->addSubject("1");
    m_folder->addSubject("2");
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='12',\"J\"='11',\"H\"='10',\"A\"='10',\"M\"='9',\"GH\"='9' WHERE \"Code\"='1'"));
    answerFully("2");
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='46',\"J\"='42',\"H\"='38',\"A\"='0',\"M\"='0',\"GH\"='0' WHERE \"Code\"='2'"));
    ScopedScriptedDialogs dialogs;
    ScoringWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* flags = window.findChild<QLabel*>("QualityFlags");
    auto* chart = window.findChild<QWidget*>("ProfileChart");
    QVERIFY(flags && chart);
    QVERIFY(!flags->isVisible());
    QVERIFY(window.rect().contains(QRect(chart->mapTo(&window, QPoint(0, 0)), chart->size())));

    auto select = [&](const QString& code) {
        dialogs.inputAnswers.enqueue(code);
        QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    };
    select("1");
    QVERIFY(flags->isVisible());
    QCOMPARE(flags->text(),
             u(InterpretationTexts::FlagNoRatings) + '\n' + u(InterpretationTexts::FlagFewTicks) + '\n'
                 + u(InterpretationTexts::FlagFlatProfile));
    // Below the code panel, inside the window.
    QVERIFY(flags->mapTo(&window, QPoint(0, 0)).y()
            > window.findChild<QWidget*>("FrameCode")->mapTo(&window, QPoint(0, 0)).y());
    select("2");
    QVERIFY(!flags->isVisible());
    QCOMPARE(flags->text(), QString());
    QCOMPARE(chart->toolTip(),
             consistencyWords(indices({46, 42, 38, 0, 0, 0})) + '\n'
                 + differentiationWords(indices({46, 42, 38, 0, 0, 0})));
}

void TestInterpretationViews::groupReportOfAClass()
{
    addClass(27, 3, u("هفتم"), "B");
    addClass(5, 0, u("هشتم"), "C");
    const QString path = m_folder->file("group.pdf");
    const CliRun r = cli({"report", "group", "--class", u("هفتم"), "--out", path});
    QCOMPARE(r.err, QString());
    QCOMPARE(r.exit, 0);
    QCOMPARE(pdfPages(path), 1);
    const QString text = pdfText(path);
    QVERIFY2(hasWords(text, u(InterpretationTexts::GroupSubjects) + "30"), qPrintable(text));
    QVERIFY(hasWords(text, u(InterpretationTexts::GroupAnswered) + "27"));
    QVERIFY(hasWords(text, u(InterpretationTexts::GroupNotAnswered) + "3"));
    QVERIFY(hasWords(text, u(InterpretationTexts::GroupTitle)));
    QVERIFY(hasWords(text, u(InterpretationTexts::GroupStreams)));

    // Six leading-type percentages, then three consistency percentages: each set adds up to 100.
    const QList<int> p = percents(pdfText(path, true));
    QCOMPARE(p.size(), 9);
    QCOMPARE(p[0] + p[1] + p[2] + p[3] + p[4] + p[5], 100);
    QCOMPARE(p[6] + p[7] + p[8], 100);

    // The counts beside the bars are those of the leading types of the 27 answered pupils.
    std::array<int, TypeCount> expected{};
    QSqlQuery q(Database::connection(DbFile::Main));
    QVERIFY(q.exec(QStringLiteral("SELECT \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\" FROM \"IDE\" WHERE \"Tahsil\" = "
                                  "'%1' AND \"V\" IS NOT NULL")
                       .arg(u("هفتم"))));
    int rows = 0;
    while (q.next()) {
        ++rows;
        ++expected[leadingType({q.value(0).toInt(), q.value(1).toInt(), q.value(2).toInt(), q.value(3).toInt(),
                                q.value(4).toInt(), q.value(5).toInt()})];
    }
    QCOMPARE(rows, 27);
    GroupSummary::Selection sel;
    sel.grade = u("هفتم");
    GroupSummary::Summary summary;
    QVERIFY(GroupSummary::compute(sel, &summary));
    GroupReport report;
    report.fill(summary, GroupReport::describe(sel));
    const QVector<int> percent = GroupSummary::percentages(QVector<int>(expected.begin(), expected.end()));
    for (int t = 0; t < TypeCount; ++t)
        QCOMPARE(report.caption(QStringLiteral("LeadingCount%1").arg(t)),
                 QStringLiteral("%1 (%2%)").arg(expected[t]).arg(percent[t]));
    QCOMPARE(p.mid(0, 6), QList<int>(percent.begin(), percent.end()));
}

void TestInterpretationViews::groupReportCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("count"); // the first line of the report, "" when none is written
    QTest::newRow("all") << QStringList{} << 0 << "12";
    QTest::newRow("group") << QStringList{"--group", "C"} << 0 << "4";
    QTest::newRow("dates") << QStringList{"--from", "1403/07/10", "--to", "1403/07/11"} << 0 << "4";
    QTest::newRow("persian digits") << QStringList{"--from", u("۱۴۰۳/۰۷/۱۰"), "--to", u("۱۴۰۳/۰۷/۱۱")} << 0 << "4";
    QTest::newRow("nobody") << QStringList{"--group", "Z"} << 0 << "0";
    QTest::newRow("date not in the stored form") << QStringList{"--from", "1403-07-10"} << 2 << "";
    QTest::newRow("code belongs to result") << QStringList{"--code", "1"} << 2 << "";
}

void TestInterpretationViews::groupReportCommandLine()
{
    QFETCH(QStringList, args);
    QFETCH(QString, count);
    addClass(6, 2, "7", "B");
    addClass(4, 0, "8", "C");
    const QString path = m_folder->file("g.pdf");
    const CliRun r = cli(QStringList{"report", "group"} + args + QStringList{"--out", path});
    QTEST(r.exit, "exit");
    if (count.isEmpty()) {
        QVERIFY(!QFile::exists(path));
        QVERIFY(!r.err.isEmpty());
        return;
    }
    QVERIFY2(hasWords(pdfText(path), u(InterpretationTexts::GroupSubjects) + count), qPrintable(pdfText(path)));
    // The selection is only for the group report.
    QCOMPARE(cli({"report", "list", "--group", "B", "--out", path}).exit, 2);
}

void TestInterpretationViews::lookupWindowReportsListedSubjects()
{
    addClass(6, 1, "7", "B");
    addClass(3, 0, "8", "C");
    std::optional<Report::Document> shown;
    Report::setPreviewInterceptor([&](const Report::Document& doc) { shown = doc; });
    LookupWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTest::keyClicks(window.findChild<QComboBox*>("DataCombo3")->lineEdit(), "B");
    auto* button = window.findChild<QPushButton*>("Command3");
    QVERIFY(button);
    QCOMPARE(button->text(), u("گزارش گروه"));
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(shown);
    QCOMPARE(shown->caption("Section1", "SubjectCount"), u("تعداد آزمودنی‌ها: ") + "7");
    QCOMPARE(shown->caption("Section1", "AnsweredCount").left(u(InterpretationTexts::GroupAnswered).size() + 1),
             u(InterpretationTexts::GroupAnswered) + "6");
    QVERIFY(shown->caption("Section1", "SelectionText").endsWith("B"));

    // Without a filter the grid lists everybody, and so does the report.
    shown.reset();
    QTest::keyClick(window.findChild<QComboBox*>("DataCombo3")->lineEdit(), Qt::Key_Backspace);
    QTest::keyClicks(window.findChild<QComboBox*>("DataCombo2")->lineEdit(), "L8");
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(shown);
    QCOMPARE(shown->caption("Section1", "SubjectCount"), u("تعداد آزمودنی‌ها: ") + "1");
}

// Pictures to look at (MERAVEL_PICTURES=folder): the scoring window, a result report and the
// group report of a class of 30, the look-up window.
void TestInterpretationViews::pictures()
{
    const QString dir = qEnvironmentVariable("MERAVEL_PICTURES");
    if (dir.isEmpty())
        QSKIP("MERAVEL_PICTURES not set");
    m_folder->addSubject("1", u("سارا"), u("احمدي"));
    answerFully("1");
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='38',\"J\"='41',\"H\"='30',\"A\"='12',\"M\"='9',\"GH\"='20' WHERE \"Code\"='1'"));
    m_folder->addSubject("2", u("رضا"), u("کريمي"));
    QVERIFY(m_folder->exec(
        "UPDATE \"IDE\" SET \"V\"='12',\"J\"='11',\"H\"='10',\"A\"='10',\"M\"='9',\"GH\"='9' WHERE \"Code\"='2'"));
    addClass(27, 3, u("هفتم"), "B");
    ScopedScriptedDialogs dialogs;
    ScoringWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    dialogs.inputAnswers.enqueue("2");
    QTest::mouseClick(window.findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QVERIFY(window.grab().save(dir + "/scoring-window.png"));
    QVERIFY(ResultReport::writeSubjectPdf("1", clinic(), dir + "/result.pdf"));
    QVERIFY(ResultReport::writeSubjectPdf("2", clinic(), dir + "/result-flags.pdf"));
    GroupSummary::Selection sel;
    sel.grade = u("هفتم");
    QVERIFY(GroupReport::writeGroupPdf(sel, clinic(), dir + "/group.pdf"));
    LookupWindow lookup;
    lookup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&lookup));
    QVERIFY(lookup.grab().save(dir + "/lookup-window.png"));
}

QTEST_MAIN(TestInterpretationViews)
#include "test_interpretation_views.moc"
