// The printed reports: the subject-list report and the result report rendered to PDF and read
// back with pdftotext (labels, values, numbering, footers, wrapped descriptions), page breaks,
// the logo rule, the print buttons of the scoring window, the preview window and meravel-cli.
#include "TestHelpers.h"
#include "SubjectListPreview.h"
#include "CliRun.h"
#include "HostRun.h"
#include "TestFolder.h"
#include "app/AppSetup.h"
#include "data/ClinicData.h"
#include "data/Database.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "app/ReportPreview.h"
#include "report/BandedReport.h"
#include "data/PrivateFile.h"
#include "data/ProgramFolder.h"
#include "report/SubjectListReport.h"
#include "scoring/ScoringWindow.h"
#include "report/ResultReport.h"
#include "scoring/NormTable.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPdfWriter>
#include <QSqlQuery>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif
#include <cmath>
#include <memory>
#include <optional>

namespace {

// Text as pdftotext gives it and as the program writes it, made comparable: the contextual
// letter forms folded (NFKC), the bidi marks dropped, Arabic and Persian yeh and kaf taken
// as one (the font draws them with the same glyphs), blanks collapsed.
QString comparable(QString s)
{
    s = s.normalized(QString::NormalizationForm_KC);
    s.remove(QRegularExpression(QStringLiteral("[\\x{200E}\\x{200F}\\x{202A}-\\x{202E}\\x{2066}-\\x{2069}]")));
    // The display face draws Arabic and Persian yeh (and alef maksura) with one glyph, so the
    // text a PDF gives back may use any of them.
    s.replace(QChar(0x06CC), QChar(0x064A)).replace(QChar(0x0649), QChar(0x064A)).replace(QChar(0x06A9), QChar(0x0643));
    s.replace(QChar(0x0640), QString()); // tatweel
    return s.simplified();
}

QString pdfText(const QString& path, int page = 0, bool layout = false)
{
    QStringList args;
    if (layout)
        args << "-layout";
    if (page > 0)
        args << "-f" << QString::number(page) << "-l" << QString::number(page);
    args << hostPath(path) << "-";
    return QString::fromUtf8(HostRun::run("pdftotext", args).out);
}

int pdfImages(const QString& path)
{
    const QByteArray list = HostRun::run("pdfimages", {"-list", hostPath(path)}).out;
    return qMax(0, int(QString::fromUtf8(list).split('\n', Qt::SkipEmptyParts).size()) - 2);
}

int pdfPages(const QString& path)
{
    const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)")
                                          .match(QString::fromUtf8(HostRun::run("pdfinfo", {hostPath(path)}).out));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// pdftotext spaces glyphs by their positions and moves the neutral characters of mixed runs
// (":" "-"), so texts are compared without blanks and punctuation.
QString squeezed(const QString& s)
{
    return comparable(s).remove(QRegularExpression(QStringLiteral("[\\s\\x{200C}:\\-\\x{060C}\\x{061B},.()]")));
}

// Word by word: the order of the runs of a mixed line differs from page to page in its output.
bool contains(const QString& text, const QString& expected)
{
    const QString haystack = squeezed(text);
    const QStringList words =
        comparable(expected).split(QRegularExpression(QStringLiteral("[\\s\\x{200C}]+")), Qt::SkipEmptyParts);
    for (const QString& w : words)
        if (!haystack.contains(squeezed(w)))
            return false;
    return !words.isEmpty();
}

// The rows of the -layout text whose first field, read right to left, is a row number: the
// row number is the rightmost number on its line.
QList<int> rowNumbers(const QString& layoutText)
{
    QList<int> numbers;
    for (const QString& line : layoutText.split('\n')) {
        const QString l = comparable(line);
        const QRegularExpressionMatch m = QRegularExpression("(\\d+)\\s*$").match(l);
        if (m.hasMatch() && l.count(QRegularExpression("\\d+")) >= 2)
            numbers << m.captured(1).toInt();
    }
    return numbers;
}

QImage logoPicture()
{
    QImage img(120, 90, QImage::Format_RGB32);
    img.fill(QColor(20, 90, 160));
    return img;
}

ClinicData clinic(bool showLogo)
{
    ClinicData c;
    c.showLogo = showLogo;
    c.logo = logoPicture();
    c.name = u("کلينيک مشاوره آرامش");
    c.address = u("تهران، خيابان آزادي، پلاک 12");
    c.contactText = "info@clinic.ir\r\n021-5555\r\n";
    return c;
}

CliRun cli(const QStringList& args) { return CliRun::run(args); }
} // namespace

class TestReports : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();

    // subject-list report
    void listNumbersRowsInTableOrder();
    void listBlankTotalsForUnanswered();
    void listWithoutRows();
    void listNumberingStartsAnewEachReport();
    void listPagesCarryHeaderAndFooter();
    void logoOnlyWhenSettingOn_data();
    void logoOnlyWhenSettingOn();
    // result report
    void resultCarriesEveryBlock();
    void resultDescriptionsWrapWithoutLoss();
    void resultUnansweredSubject();
    void resultCarriesNormsAndAspiration();
    void resultNormsOfASmallCell();
    void retestPage();
    // the print buttons of the scoring window
    void printButtonsUseCurrentClinicDetails();
    // the preview window
    void previewSavesPdf();
    // meravel-cli
    void cliReport_data();
    void cliReport();
    void cliWritesSamePagesAsPreview();
    void cliReportReadsOnlyARegularLogo();
    // painter
    void narrowPageShrinksInsteadOfCutting();

private:
    void storeClinic(const ClinicData& c);
    void score(const QString& code, const QString& totals);

    std::unique_ptr<TestFolder> m_folder;
};

void TestReports::init()
{
    m_folder = std::make_unique<TestFolder>();
    QVERIFY(m_folder->isValid());
}

void TestReports::cleanup()
{
    Report::setPreviewInterceptor({});
    m_folder.reset();
}

void TestReports::storeClinic(const ClinicData& c)
{
    QSqlQuery q(Database::connection(DbFile::Settings));
    q.prepare("UPDATE \"Theme\" SET \"Name\"=?, \"Adress\"=?, \"T1\"=?, \"T6\"=?, \"Check1\"=?");
    q.addBindValue(c.name);
    q.addBindValue(c.address);
    q.addBindValue("info@clinic.ir");
    q.addBindValue("021-5555");
    q.addBindValue(c.showLogo ? "1" : "0");
    QVERIFY(q.exec());
    QVERIFY(c.logo.save(ProgramFolder::logoFile(), "BMP"));
}

void TestReports::score(const QString& code, const QString& totals)
{
    const QStringList t = totals.split(' ');
    QVERIFY(m_folder->exec(QString("UPDATE \"IDE\" SET \"V\"='%1', \"J\"='%2', \"H\"='%3', \"A\"='%4', \"M\"='%5', "
                                   "\"GH\"='%6' WHERE \"Code\"='%7'")
                               .arg(t[0], t[1], t[2], t[3], t[4], t[5], code)));
}

void TestReports::listNumbersRowsInTableOrder()
{
    m_folder->addSubject("30", u("مريم"), u("کريمي"));
    m_folder->addSubject("10", u("سارا"), u("احمدي"));
    m_folder->addSubject("20", u("رضا"), u("نوري"));
    score("30", "41 32 23 14 5 6");
    SubjectListReport report;
    QVERIFY(report.setDataSourceAllSubjects());
    report.applyClinic(false, QImage(), u("کلينيک مشاوره آرامش"), u("تهران"), "021-5555\r\n");
    QCOMPARE(report.rowCount(), 3);
    QCOMPARE(report.document().rows[0].mid(0, 4), (QStringList{"1", u("مريم"), u("کريمي"), "30"}));
    QCOMPARE(report.document().rows[1].mid(0, 4), (QStringList{"2", u("سارا"), u("احمدي"), "10"}));
    QCOMPARE(report.document().rows[2].mid(0, 4), (QStringList{"3", u("رضا"), u("نوري"), "20"}));

    const QString pdf = m_folder->file("list.pdf");
    QVERIFY(report.writePdf(pdf));
    const QString text = pdfText(pdf);
    for (const char* s : {"کلينيک مشاوره آرامش", "گزارش نتيجه تست  رغبت سنج تحصيلي - شغلي مراول   ", "رديف", "نام",
                          "نام خانوادگي", "کد", "گروه", "سن", "جنس", "كلاس", "الف", "آدرس: تهران", "مريم", "کريمي",
                          "021-5555"})
        QVERIFY2(contains(text, u(s)), s);
    QCOMPARE(rowNumbers(pdfText(pdf, 1, true)), (QList<int>{1, 2, 3}));
    // The totals of the first subject, v to g, read right to left on its line.
    QVERIFY(comparable(pdfText(pdf, 1, true)).contains(QRegularExpression("6\\s+5\\s+14\\s+23\\s+32\\s+41")));
}

void TestReports::listBlankTotalsForUnanswered()
{
    m_folder->addSubject("1");
    m_folder->addSubject("2");
    score("1", "1 2 3 4 5 6");
    SubjectListReport report;
    QVERIFY(report.setDataSourceAllSubjects());
    QCOMPARE(report.document().rows[1].mid(8), (QStringList{"", "", "", "", "", ""}));
    QCOMPARE(report.document().rows[0].mid(8), (QStringList{"1", "2", "3", "4", "5", "6"}));
}

void TestReports::listWithoutRows()
{
    SubjectListReport report;
    QVERIFY(report.setDataSourceAllSubjects());
    report.applyClinic(false, QImage(), u("کلينيک مشاوره آرامش"), u("تهران"), "021-5555\r\n");
    QCOMPARE(report.rowCount(), 0);
    const QString pdf = m_folder->file("empty.pdf");
    QVERIFY(report.writePdf(pdf));
    QCOMPARE(pdfPages(pdf), 1);
    const QString text = pdfText(pdf);
    QVERIFY(contains(text, u("کلينيک مشاوره آرامش")));
    QVERIFY(contains(text, u("رديف")));
    QVERIFY(contains(text, u("آدرس: تهران")));
    QVERIFY(rowNumbers(pdfText(pdf, 1, true)).isEmpty());
}

void TestReports::listNumberingStartsAnewEachReport()
{
    for (int i = 1; i <= 4; ++i)
        m_folder->addSubject(QString::number(i));
    for (int round = 0; round < 2; ++round) {
        SubjectListReport report;
        QVERIFY(report.setDataSourceAllSubjects());
        QCOMPARE(report.document().rows.first().first(), QString("1"));
        QCOMPARE(report.document().rows.last().first(), QString("4"));
    }
}

void TestReports::listPagesCarryHeaderAndFooter()
{
    QVERIFY(m_folder->exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i+1 FROM n WHERE i < 75) "
        "INSERT INTO \"IDE\" (\"Code\", \"FName\", \"LName\", \"V\", \"J\", \"H\", \"A\", \"M\", \"GH\") "
        "SELECT i, 'F', 'L', '1', '2', '3', '4', '5', '6' FROM n"));
    SubjectListReport report;
    QVERIFY(report.setDataSourceAllSubjects());
    report.applyClinic(false, QImage(), u("کلينيک مشاوره آرامش"), u("تهران"), "021-5555\r\n");
    const QString pdf = m_folder->file("pages.pdf");
    QVERIFY(report.writePdf(pdf));
    const int pages = pdfPages(pdf);
    QVERIFY2(pages >= 3, qPrintable(QString::number(pages)));
    QCOMPARE(pages, Report::pageCount(report.document()));
    QList<int> all;
    for (int p = 1; p <= pages; ++p) {
        const QString text = pdfText(pdf, p);
        QVERIFY2(contains(text, u("رديف")), qPrintable(QString("page %1").arg(p)));
        QVERIFY2(contains(text, u("آدرس: تهران")), qPrintable(QString("page %1").arg(p)));
        QVERIFY2(contains(text, "021-5555"), qPrintable(QString("page %1").arg(p)));
        // The report header only on the first page.
        QCOMPARE(contains(text, u("کلينيک مشاوره آرامش")), p == 1);
        all << rowNumbers(pdfText(pdf, p, true));
    }
    QList<int> expected;
    for (int i = 1; i <= 75; ++i)
        expected << i;
    QCOMPARE(all, expected);
}

void TestReports::logoOnlyWhenSettingOn_data()
{
    QTest::addColumn<bool>("result");
    QTest::addColumn<bool>("showLogo");
    QTest::newRow("list, on") << false << true;
    QTest::newRow("list, off") << false << false;
    QTest::newRow("result, on") << true << true;
    QTest::newRow("result, off") << true << false;
}

void TestReports::logoOnlyWhenSettingOn()
{
    QFETCH(bool, result);
    QFETCH(bool, showLogo);
    m_folder->addSubject("1");
    score("1", "10 20 30 40 50 0");
    storeClinic(clinic(showLogo));
    const QString pdf = m_folder->file("logo.pdf");
    QString message;
    if (result)
        QVERIFY(ResultReport::writeSubjectPdf("1", ClinicData::load(), pdf, &message));
    else
        QVERIFY(SubjectListReport::writeAllSubjectsPdf(ClinicData::load(), pdf, &message));
    QCOMPARE(pdfImages(pdf), showLogo ? 1 : 0);
}

void TestReports::resultCarriesEveryBlock()
{
    m_folder->addSubject("5", u("سارا"), u("احمدي"));
    QVERIFY(m_folder->exec(
        u("UPDATE \"IDE\" SET \"Sen\"='16', \"Jens\"='دختر', \"Tahsil\"='دوم دبيرستان', \"Date\"='1403/02/10'")));
    score("5", "30 20 20 10 5 40");
    Scoring::Shown shown;
    QCOMPARE(Scoring::scoreSubject("5", &shown), Scoring::SubjectStatus::Scored);
    ResultReport report;
    report.prepare(shown, false, QImage(), u("تهران، خيابان آزادي"), "info@clinic.ir\r\n021-5555\r\n");
    // Every label holds the text the scoring window shows.
    QCOMPARE(report.caption("Label15"), QString("5"));
    QCOMPARE(report.caption("Label16"), u("سارا"));
    QCOMPARE(report.caption("Label21"), u("احمدي"));
    QCOMPARE(report.caption("Label19"), QString("16"));
    QCOMPARE(report.caption("Label20"), u("دختر"));
    QCOMPARE(report.caption("Label22"), u("دوم دبيرستان"));
    QCOMPARE(report.caption("Label14"), QString("1403/02/10"));
    const char* raw[] = {"Label25", "Label29", "Label34", "Label39", "Label44", "Label49"};
    const char* rank[] = {"Label27", "Label30", "Label35", "Label40", "Label45", "Label50"};
    const char* weight[] = {"Label12", "Label31", "Label36", "Label41", "Label46", "Label51"};
    const char* adjusted[] = {"Label18", "Label32", "Label37", "Label42", "Label47", "Label52"};
    for (int t = 0; t < 6; ++t) {
        QCOMPARE(report.caption(raw[t]), shown.rawTotals[t]);
        QCOMPARE(report.caption(rank[t]), shown.ranks[t]);
        QCOMPARE(report.caption(weight[t]), shown.weights[t]);
        QCOMPARE(report.caption(adjusted[t]), shown.adjusted[t]);
    }
    const char* streams[] = {"Label54", "Label56", "Label57", "Label60", "Label62", "Label63"};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(report.caption(streams[i]), shown.streams[i]);
    QCOMPARE(report.caption("Label68"), shown.code3[0]);
    QCOMPARE(report.caption("Label69"), shown.code3[1]);
    QCOMPARE(report.caption("Label70"), shown.code3[2]);
    QCOMPARE(report.caption("Label77"), shown.rows[0].title);
    QCOMPARE(report.caption("Label85"), shown.rows[2].cells[1]);
    QCOMPARE(report.caption("Label92"), shown.rows[0].cells[4]);
    QCOMPARE(report.caption("Label5"), u("آدرس: تهران، خيابان آزادي"));

    const QString pdf = m_folder->file("result.pdf");
    QVERIFY(report.writePdf(pdf));
    QCOMPARE(pdfPages(pdf), 1);
    const QString text = pdfText(pdf);
    for (const char* s : {"پرسشنامه رغبت سنج تحصيلي - شغلي مراول", "تاريخ:", "کد:", "نام:", "نام خانوادگي:", "سن:",
                          "جنس:", "كلاس:", "حروف", "نمره رغبت", "رتبه", " نمره همخواني", "نمره ميزان شده",
                          "رشته علوم رياضي", "رشته علوم تجربي", "رشته علوم انساني", "رشته  خدمات", "رشته صنعت",
                          "رشته کشاورزي", "کد اختصاري1", "کد اختصاري2", "کد اختصاري3", "صفات", "توانايي ها",
                          "نيازمنديها براي کسب مهارت هاي شغلي", "درخواست ها و ارج گذاري ها",
                          "روشهاي شخصي و نحوه خود ابزاري", "نمونه اي از مشاغل", "آدرس: تهران، خيابان آزادي",
                          "سارا", "احمدي", "دختر", "دوم دبيرستان", "1403/02/10", "info@clinic.ir", "021-5555"})
        QVERIFY2(contains(text, u(s)), s);
    for (const QString& s : shown.streams)
        QVERIFY2(contains(text, s), qPrintable(s));
    for (const QString& s : shown.adjusted)
        QVERIFY2(contains(text, s), qPrintable(s));
}

void TestReports::resultDescriptionsWrapWithoutLoss()
{
    m_folder->addSubject("5");
    score("5", "30 20 20 10 5 40");
    Scoring::Shown shown;
    Scoring::scoreSubject("5", &shown);
    ResultReport report;
    report.prepare(shown, false, QImage(), QString(), QString());
    const QString pdf = m_folder->file("descriptions.pdf");
    QVERIFY(report.writePdf(pdf));
    // Every word of every description cell reaches the page: nothing is cut off.
    const QString text = squeezed(pdfText(pdf));
    int words = 0;
    for (const Scoring::DescriptionRow& row : shown.rows) {
        QVERIFY(!row.title.isEmpty());
        for (const QString& cell : row.cells) {
            QVERIFY(cell.size() > 40);
            for (const QString& word :
                 comparable(cell).split(QRegularExpression("[\\s\\x{200C}،؛,]+"), Qt::SkipEmptyParts)) {
                QVERIFY2(text.contains(squeezed(word)), qPrintable(word));
                ++words;
            }
        }
    }
    QVERIFY(words > 150);
}

void TestReports::resultUnansweredSubject()
{
    m_folder->addSubject("8", u("رضا"), u("نوري"));
    Scoring::Shown shown;
    QCOMPARE(Scoring::scoreSubject("8", &shown), Scoring::SubjectStatus::NotAnswered);
    const QString pdf = m_folder->file("unanswered.pdf");
    QString message;
    QVERIFY(ResultReport::writeSubjectPdf("8", ClinicData::load(), pdf, &message));
    const QString text = pdfText(pdf, 1, true);
    QVERIFY(contains(text, u("رضا")));
    QVERIFY(contains(text, u("نوري")));
    // Stream scores of "0", an empty table and type code.
    QCOMPARE(comparable(text).count(QRegularExpression("(^|\\s)0(\\s|$)")), 6);
}

namespace {
// A table of one cell: n boys of class 10 whose v totals are 0..n-1 (the other totals 10);
// only v's first item varies, so v's alpha is 0 and its SEM the population SD.
NormTable::Table boysTable(int n)
{
    std::vector<Psychometrics::Subject> subjects(static_cast<size_t>(n));
    for (int k = 0; k < n; ++k) {
        subjects[size_t(k)].sex = u("پسر");
        subjects[size_t(k)].grade = "10";
        subjects[size_t(k)].totals = {k, 10, 10, 10, 10, 10};
        subjects[size_t(k)].items[0][0] = quint8(k % 2);
    }
    return NormTable::build(subjects, ReferenceGroup::BySex);
}
} // namespace

void TestReports::resultCarriesNormsAndAspiration()
{
    m_folder->addSubject("5"); // a boy of class 10
    score("5", "20 30 25 10 5 2");
    Scoring::Shown shown;
    QCOMPARE(Scoring::scoreSubject("5", &shown), Scoring::SubjectStatus::Scored);
    const NormTable::Table table = boysTable(40);
    ResultReport::Extras extras;
    extras.norms = NormTable::shownNorms(&table, "boys.json", shown);
    extras.congruence = Psychometrics::congruenceText(Psychometrics::code3(*shown.scored), {1, 0, 4});
    ResultReport report;
    report.prepare(shown, false, QImage(), QString(), QString(), extras);

    // v = 20 among 0..39: PR = (20 + 1/2) / 40; T = 50 + 10 (20 - 19.5) / SD; band 20 -/+ SD.
    const double sd = std::sqrt((40.0 * 40 - 1) / 12);
    const QString t = QString::number(50 + 10 * 0.5 / sd, 'f', 1);
    const QString band = QString::number(20 - sd, 'f', 1) + u(" – ") + QString::number(20 + sd, 'f', 1);
    QCOMPARE(report.caption("NormPercentile0"), QStringLiteral("51.3"));
    QCOMPARE(report.caption("NormT0"), t);
    QCOMPARE(report.caption("NormBand0"), band);
    // j = 30 above all 40 totals of 10: PR 100; the totals never vary: no T, no SEM.
    QCOMPARE(report.caption("NormPercentile1"), QStringLiteral("100.0"));
    QCOMPARE(report.caption("NormT1"), QString());
    QCOMPARE(report.caption("NormBand1"), QString());
    QCOMPARE(report.caption("NormPercentile5"), QStringLiteral("0.0")); // 2 below every 10

    const QString pdf = m_folder->file("norms.pdf");
    QVERIFY(report.writePdf(pdf));
    QCOMPARE(pdfPages(pdf), 1); // the description table makes room: still one page
    const QString text = pdfText(pdf);
    for (const QString& s :
         {u("رتبه درصدی"), u("نمره T"), u("دامنه"), u("خطای معیار"), u("هنجار: boys.json"), u("گروه پسر"), u("N = 40"),
          QStringLiteral("51.3"), t, QStringLiteral("100.0"), QString::number(20 - sd, 'f', 1),
          QString::number(20 + sd, 'f', 1), u("هم‌خوانی با کد ج و م"), u("M = 24 از 28"), u("زیاد")})
        QVERIFY2(contains(text, s), qPrintable(s));
    // Every word of the descriptions still reaches the page.
    const QString squeezedText = squeezed(text);
    for (const Scoring::DescriptionRow& row : shown.rows)
        for (const QString& cell : row.cells)
            for (const QString& word :
                 comparable(cell).split(QRegularExpression("[\\s\\x{200C}،؛,]+"), Qt::SkipEmptyParts))
                QVERIFY2(squeezedText.contains(squeezed(word)), qPrintable(word));

    // Without a table or a code, none of it.
    ResultReport plain;
    plain.prepare(shown, false, QImage(), QString(), QString());
    QVERIFY(plain.caption("NormCaption").isNull() && plain.caption("NormPercentile0").isNull());
    QVERIFY(plain.caption("Congruence").isNull());
}

void TestReports::resultNormsOfASmallCell()
{
    m_folder->addSubject("5");
    score("5", "20 30 25 10 5 2");
    Scoring::Shown shown;
    Scoring::scoreSubject("5", &shown);
    const NormTable::Table table = boysTable(29);
    ResultReport report;
    ResultReport::Extras extras;
    extras.norms = NormTable::shownNorms(&table, "small.json", shown);
    extras.percentileChart = true; // no percentile ranks: the chart keeps the totals
    report.prepare(shown, false, QImage(), QString(), QString(), extras);
    QCOMPARE(report.caption("NormCaption"),
             u("هنجار: small.json، گروه پسر (N = 29) — کمتر از 30 نفر در این گروه هنجاری؛ رتبه درصدی داده "
               "نمی‌شود"));
    for (int ty = 0; ty < 6; ++ty)
        QCOMPARE(report.caption(QStringLiteral("NormPercentile%1").arg(ty)), QString());
    // T = 50 + 10 (20 - 14) / SD with SD = sqrt((29^2 - 1) / 12).
    QCOMPARE(report.caption("NormT0"), QString::number(50 + 10 * 6 / std::sqrt((29.0 * 29 - 1) / 12), 'f', 1));
    QCOMPARE(report.caption("ProfileCaption"), u("نیم‌رخ رغبت‌ها"));
    const QString pdf = m_folder->file("small.pdf");
    QVERIFY(report.writePdf(pdf));
    QVERIFY(contains(pdfText(pdf), u("کمتر از 30 نفر در این گروه هنجاری")));
}

void TestReports::retestPage()
{
    m_folder->addSubject("5", u("سارا"), u("احمدي"));
    score("5", "20 30 25 10 5 2");
    m_folder->addSubject("6", u("سارا"), u("احمدي"));
    score("6", "40 30 20 45 5 1");
    const QString out = m_folder->file("retest.pdf");
    const CliRun r = cli({"--folder", m_folder->path(), "compare", "--code", "5", "--code", "6", "--out", out});
    QCOMPARE(r.exit, 0);
    QCOMPARE(pdfPages(out), 1);
    const QString text = pdfText(out);
    for (const char* s : {"مقایسه‌ی دو اجرا", "سارا احمدي", "اجرای نخست: آزمودنی 5 (1402/07/15)",
                          "اجرای دوم: آزمودنی 6 (1402/07/15)", "تفاوت", "RCI", "تغییر معنادار", "کد اجرای نخست ج ه و",
                          "کد اجرای دوم الف و ج", "حرف نخست دو کد: متفاوت", "سه حرف دو کد: متفاوت",
                          "هم‌خوانی دو کد: M = 6 از 28 (کم)", "خطای معیار از گروه همه"})
        QVERIFY2(contains(text, u(s)), s);
    // The differences, in the table's rows.
    const QString layout = comparable(pdfText(out, 1, true));
    QVERIFY2(layout.contains(QRegularExpression("-1\\s+0\\s+35\\s+-5\\s+0\\s+20")), qPrintable(layout));
}

void TestReports::printButtonsUseCurrentClinicDetails()
{
    m_folder->addSubject("5", u("سارا"), u("احمدي"));
    score("5", "30 20 20 10 5 40");
    ScopedScriptedDialogs d;
    std::unique_ptr<MainWindow> main(MainWindow::load(ProgramWindows::openers()));
    QVERIFY(main);
    // New clinic details saved in the panel reach the very next print.
    QTest::mouseClick(main->findChild<QPushButton*>("Command9"), Qt::LeftButton);
    QTest::mouseClick(main->findChild<QPushButton*>("Command67"), Qt::LeftButton);
    main->findChild<QLineEdit*>("Text_Name")->setText(u("کلينيک مشاوره آرامش"));
    main->findChild<QLineEdit*>("Text_Adress")->setText(u("تهران"));
    main->findChild<QLineEdit*>("Text_T1")->setText("new@clinic.ir");
    main->findChild<QLineEdit*>("Text_T6")->setText("021-7777");
    QTest::mouseClick(main->findChild<QPushButton*>("Command64"), Qt::LeftButton);

    std::optional<Report::Document> shownDoc;
    Report::setPreviewInterceptor([&](const Report::Document& doc) { shownDoc = doc; });
    // Opened from the main window, the scoring window prints the clinic data it keeps.
    ProgramWindows::openers().showScoring(main.get());
    QPointer<ScoringWindow> window = ScoringWindow::current();
    QVERIFY(window);
    d.inputAnswers.enqueue("5");
    QTest::mouseClick(window->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QTest::mouseClick(window->findChild<QPushButton*>("Command6"), Qt::LeftButton);
    QVERIFY(shownDoc);
    QCOMPARE(shownDoc->title, QString("DataR1"));
    QCOMPARE(shownDoc->caption("Section1", "Label15"), QString("5"));
    QCOMPARE(shownDoc->caption("Section3", "Label5"), u("آدرس: تهران"));
    QCOMPARE(shownDoc->caption("Section3", "Label13"), QString("new@clinic.ir\r\n021-7777\r\n"));
    QVERIFY(shownDoc->control("Section1", "Image2")->image.isNull()); // show-logo is off

    // The list print: the logo once the setting is on, the clinic name and the footer.
    QVERIFY(main->clinicData().logo.isNull());
    const QImage logo = logoPicture();
    QVERIFY(logo.save(ProgramFolder::logoFile(), "BMP"));
    main->rebuildClinicData();
    main->findChild<QCheckBox*>("Check1")->click();
    shownDoc.reset();
    QTest::mouseClick(window->findChild<QPushButton*>("Command3"), Qt::LeftButton);
    QVERIFY(shownDoc);
    QCOMPARE(shownDoc->title, QString("DataRPrint"));
    QCOMPARE(shownDoc->rows.size(), 1);
    QCOMPARE(shownDoc->caption("Section4", "Label9"), u("کلينيک مشاوره آرامش"));
    QCOMPARE(shownDoc->caption("Section3", "Label14"), u("آدرس: تهران"));
    QCOMPARE(shownDoc->caption("Section3", "Label15"), QString("new@clinic.ir\r\n021-7777\r\n"));
    QCOMPARE(shownDoc->control("Section4", "Image3")->image.size(), logo.size());
    delete window;
}

void TestReports::previewSavesPdf()
{
    m_folder->addSubject("1");
    QWidget owner;
    QPrintPreviewDialog* preview = previewAllSubjects(&owner);
    QVERIFY(preview);
    const QString shots = qEnvironmentVariable("MERAVEL_SHOTS");
    if (!shots.isEmpty()) {
        QTest::qWait(500);
        preview->grab().save(shots + "/preview.png");
    }
    auto* save = preview->findChild<QAction*>("savePdf");
    QVERIFY(save);
    ScopedScriptedDialogs d;
    const QString pdf = m_folder->file("from-preview");
    d.fileAnswers.enqueue(pdf);
    save->trigger();
    QCOMPARE(d.shown.size(), 1);
    QCOMPARE(d.shown[0].kind, QString("save"));
    QVERIFY(QFile::exists(pdf + ".pdf"));
    QVERIFY(contains(pdfText(pdf + ".pdf"), u("رديف")));
    preview->close();
}

void TestReports::cliReport_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("err");
    QTest::newRow("result") << QStringList{"report", "result", "--code", "5", "--out", "OUT"} << 0 << "";
    QTest::newRow("list") << QStringList{"report", "list", "--out", "OUT"} << 0 << "";
    QTest::newRow("unknown code") << QStringList{"report", "result", "--code", "99", "--out", "OUT"} << 1
                                  << u("فردي با اين مشخصات وجود ندارد\n");
    QTest::newRow("quote in code") << QStringList{"report", "result", "--code", "5'", "--out", "OUT"} << 1
                                   << u("فردي با اين مشخصات وجود ندارد\n");
    QTest::newRow("no out") << QStringList{"report", "list"} << 2 << "*";
    QTest::newRow("result without code") << QStringList{"report", "result", "--out", "OUT"} << 2 << "*";
    QTest::newRow("unknown kind") << QStringList{"report", "all", "--out", "OUT"} << 2 << "*";
    QTest::newRow("unwritable") << QStringList{"report", "list", "--out", "/nonexistent/dir/x.pdf"} << 1 << "*";
}

void TestReports::cliReport()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, err);
    m_folder->addSubject("5");
    score("5", "30 20 20 10 5 40");
    const QString out = m_folder->file("cli.pdf");
    args.replaceInStrings(QRegularExpression("^OUT$"), out);
    const CliRun r = cli(QStringList{"--folder", m_folder->path()} + args);
    QCOMPARE(r.exit, exit);
    if (err == "*")
        QVERIFY(!r.err.isEmpty());
    else
        QCOMPARE(r.err, err);
    QCOMPARE(QFile::exists(out), exit == 0);
    // A report holds the same personal data as an export: its owner's alone.
    if (exit == 0) {
#ifdef Q_OS_WIN
        // An access list of the user alone, which wine does not keep.
        QVERIFY(underWine() || PrivateFile::restrictedToOwner(out));
#else
        QCOMPARE(QFile::permissions(out) & QFile::Permissions(0x0777), QFile::ReadUser | QFile::WriteUser);
#endif
    }
}

void TestReports::cliReportReadsOnlyARegularLogo()
{
#ifdef Q_OS_WIN
    QSKIP("pipes in the file system are POSIX");
#else
    m_folder->addSubject("5");
    score("5", "30 20 20 10 5 40");
    storeClinic(clinic(true));
    // A pipe in the logo's place would keep the report waiting for a writer for ever.
    QVERIFY(QFile::remove(m_folder->file("MeravelLogo.jpg")) || !QFile::exists(m_folder->file("MeravelLogo.jpg")));
    QVERIFY(::mkfifo(QFile::encodeName(m_folder->file("MeravelLogo.jpg")).constData(), 0600) == 0);
    const QString out = m_folder->file("list.pdf");
    const CliRun r = cli({"--folder", m_folder->path(), "report", "list", "--out", out});
    QCOMPARE(r.exit, 0);
    QCOMPARE(pdfImages(out), 0);
#endif
}

void TestReports::cliWritesSamePagesAsPreview()
{
    m_folder->addSubject("5", u("سارا"), u("احمدي"));
    score("5", "30 20 20 10 5 40");
    storeClinic(clinic(true));
    const QString fromCli = m_folder->file("cli.pdf"), direct = m_folder->file("direct.pdf");
    QCOMPARE(cli({"--folder", m_folder->path(), "report", "result", "--code", "5", "--out", fromCli}).exit, 0);
    // What the scoring window's print would show, written by the same painter.
    Scoring::Shown shown;
    Scoring::scoreSubject("5", &shown);
    ResultReport report;
    const ClinicData c = ClinicData::load();
    report.prepare(shown, c.showLogo, c.logo, c.address, c.contactText);
    QVERIFY(report.writePdf(direct));
    QCOMPARE(pdfText(fromCli, 0, true), pdfText(direct, 0, true));
    QVERIFY(contains(pdfText(fromCli), u("آدرس: ") + c.address));
    QCOMPARE(pdfImages(fromCli), 1);

    QCOMPARE(cli({"--folder", m_folder->path(), "report", "list", "--out", fromCli}).exit, 0);
    SubjectListReport list;
    list.setDataSourceAllSubjects();
    list.applyClinic(c.showLogo, c.logo, c.name, c.address, c.contactText);
    QVERIFY(list.writePdf(direct));
    QCOMPARE(pdfText(fromCli, 0, true), pdfText(direct, 0, true));
}

void TestReports::narrowPageShrinksInsteadOfCutting()
{
    m_folder->addSubject("5", u("سارا"), u("احمدي"));
    SubjectListReport report;
    report.setDataSourceAllSubjects();
    const QString pdf = m_folder->file("a5.pdf");
    QPdfWriter writer(pdf);
    writer.setPageSize(QPageSize(QPageSize::A5));
    QCOMPARE(Report::render(report.document(), &writer), 1);
    const QString text = pdfText(pdf);
    // Both outer columns are on the page.
    QVERIFY(contains(text, u("رديف")));
    QVERIFY(contains(text, u("ق")));
}

QTEST_MAIN(TestReports)
#include "test_reports.moc"
