// The scoring window against a norm table (chosen through the file dialog, remembered in the
// program folder), with an aspiration code typed for the shown subject, the chart drawing
// percentile ranks, and the comparison with a second administration and its printed page.
#include "TestFolder.h"
#include "TestHelpers.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "app/ReportPreview.h"
#include "scoring/ProfileChartWidget.h"
#include "scoring/NormTable.h"
#include "scoring/ScoringWindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QtTest>

#include <cmath>

class TestScoringWindowNorms : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { AppSetup::configure(*qApp); }
    void init();
    void cleanup();
    void normTableChosenAndRemembered();
    void badNormTableIsRefused();
    void aspirationCode();
    void percentileChartToggle();
    void normsAndAspirationReachTheReport();
    void retestAgainstNormTable();
    void retestWithoutTableAndRefusals();

private:
    QString label(const QString& name) const { return labelText(m_window, name); }
    void click(const char* name)
    {
        auto* b = m_window->findChild<QPushButton*>(name);
        QVERIFY(b);
        QVERIFY(b->isVisible());
        QTest::mouseMove(b, b->rect().center());
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
    }
    // A check box is toggled where its indicator is drawn, at its right end in this window.
    void toggle(QCheckBox* box)
    {
        QVERIFY(box && box->isVisible());
        const QPoint at(box->width() - 8, box->height() / 2);
        QTest::mouseClick(box, Qt::LeftButton, {}, at);
    }
    // Typed key by key, as a Persian keyboard sends its letters.
    static void type(QWidget* box, const QString& text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    void select(const QString& code)
    {
        m_dialogs->inputAnswers.enqueue(code);
        click("Command1");
    }
    // A table of one cell: 40 subjects whose v totals are 0..39, all boys of class 10.
    QString writeTable()
    {
        std::vector<Psychometrics::Subject> subjects(40);
        for (int k = 0; k < 40; ++k) {
            subjects[size_t(k)].sex = u("پسر");
            subjects[size_t(k)].grade = "10";
            subjects[size_t(k)].totals = {k, 10, 10, 10, 10, 10};
            subjects[size_t(k)].items[0][0] = quint8(k % 2); // only v's items vary
        }
        const QString path = m_folder->file("boys.json");
        NormTable::save(NormTable::build(subjects, ReferenceGroup::BySex), path);
        return path;
    }

    // A table of one cell, 40 boys of class 10 whose six totals are all k (0..39); one item
    // per type varies, so every alpha is 0 and every SEM the population SD, sqrt(1599 / 12).
    QString writeVaryingTable()
    {
        std::vector<Psychometrics::Subject> subjects(40);
        for (int k = 0; k < 40; ++k) {
            subjects[size_t(k)].sex = u("پسر");
            subjects[size_t(k)].grade = "10";
            subjects[size_t(k)].totals = {k, k, k, k, k, k};
            for (int ty = 0; ty < 6; ++ty)
                subjects[size_t(k)].items[size_t(ty)][0] = quint8(k % 2);
        }
        const QString path = m_folder->file("all.json");
        NormTable::save(NormTable::build(subjects, ReferenceGroup::None), path);
        return path;
    }
    void addSecond()
    {
        m_folder->addSubject("6", "Sara", "Ahmadi");
        QVERIFY(m_folder->exec("UPDATE IDE SET V='40', J='30', H='20', A='45', M='5', GH='1', "
                               "Date='1403/01/20' WHERE Code='6'"));
    }

    TestFolder* m_folder = nullptr;
    ScopedScriptedDialogs* m_dialogs = nullptr;
    ScoringWindow* m_window = nullptr;
};

void TestScoringWindowNorms::init()
{
    m_folder = new TestFolder;
    QVERIFY(m_folder->isValid());
    m_folder->addSubject("5", "Sara", "Ahmadi"); // a boy of class 10
    QVERIFY(m_folder->exec("UPDATE IDE SET V='20', J='30', H='25', A='10', M='5', GH='2' WHERE Code='5'"));
    m_dialogs = new ScopedScriptedDialogs;
    m_window = new ScoringWindow;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestScoringWindowNorms::cleanup()
{
    delete m_window;
    delete m_dialogs;
    delete m_folder;
}

void TestScoringWindowNorms::normTableChosenAndRemembered()
{
    QCOMPARE(label("NormName"), u("بدون جدول هنجار"));
    const QString path = writeTable();
    m_dialogs->fileAnswers.enqueue(path);
    click("CmdNorms");
    QCOMPARE(m_dialogs->shown.last().kind, QStringLiteral("open"));
    select("5");
    // v = 20 among 0..39: 20 below, 1 equal -> PR 51.25; T = 50 + 10 (20 - 19.5) / SD.
    QCOMPARE(label("pr_v"), QStringLiteral("51.3"));
    const double sd = std::sqrt((40.0 * 40 - 1) / 12);
    QCOMPARE(label("t_v"), QString::number(50 + 10 * 0.5 / sd, 'f', 1));
    QCOMPARE(label("t_j"), QString()); // the j totals never vary: no T
    QCOMPARE(label("NormName"), u("هنجار: boys.json، گروه پسر (N = 40)"));
    QCOMPARE(NormTable::rememberedPath(), path);

    // A new window opens with the table chosen before.
    delete m_window;
    m_window = new ScoringWindow;
    m_window->show();
    QCOMPARE(m_window->normTablePath(), path);
    select("5");
    QCOMPARE(label("pr_v"), QStringLiteral("51.3"));

    // A subject without a cell in the table: no scores, and the reason.
    QVERIFY(m_folder->exec(QStringLiteral("UPDATE IDE SET Jens='%1' WHERE Code='5'").arg(u("دختر"))));
    select("5");
    QCOMPARE(label("pr_v"), QString());
    QVERIFY(label("NormName").endsWith(u("جدول هنجار گروهی برای جنس و کلاس این آزمودنی ندارد")));
}

void TestScoringWindowNorms::badNormTableIsRefused()
{
    QFile bad(m_folder->file("bad.json"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write("not json");
    bad.close();
    m_dialogs->fileAnswers.enqueue(bad.fileName());
    click("CmdNorms");
    QCOMPARE(m_dialogs->shown.last().kind, QStringLiteral("message"));
    QCOMPARE(m_dialogs->shown.last().message.text, u("این پرونده جدول هنجار مراول نیست"));
    QVERIFY(m_window->normTablePath().isEmpty());
    QVERIFY(NormTable::rememberedPath().isEmpty());
}

void TestScoringWindowNorms::aspirationCode()
{
    select("5"); // code ج ه و
    auto* box = m_window->findChild<QLineEdit*>("TxtAspiration");
    QVERIFY(box);
    m_window->activateWindow();
    box->setFocus();
    type(box, u("ج و م"));
    QTest::keyClick(box, Qt::Key_Return);
    // ج first in both (22), و third against second (2).
    QCOMPARE(label("Congruence"), u("هم‌خوانی با کد ج و م: M = 24 از 28 (زیاد)"));

    box->clear();
    type(box, u("ج ج"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(m_dialogs->selfClosingTexts().last(), u("کد را با سه حرف متفاوت از «و ج ه الف م ق» بنویسید"));
    QCOMPARE(label("Congruence"), QString());

    // A code typed for one subject is not carried to the next.
    box->clear();
    type(box, u("ج ه و"));
    QTest::keyClick(box, Qt::Key_Return);
    m_folder->addSubject("6");
    QVERIFY(m_folder->exec("UPDATE IDE SET V='1', J='2', H='3', A='4', M='5', GH='6' WHERE Code='6'"));
    select("6");
    QCOMPARE(box->text(), QString());
    QCOMPARE(label("Congruence"), QString());
}

void TestScoringWindowNorms::percentileChartToggle()
{
    auto* toggleBox = m_window->findChild<QCheckBox*>("ChkPercentileChart");
    auto* chart = m_window->findChild<ProfileChartWidget*>("ProfileChart");
    QVERIFY(toggleBox && chart);
    QVERIFY(!toggleBox->isVisible()); // only with a table chosen
    m_dialogs->fileAnswers.enqueue(writeVaryingTable());
    click("CmdNorms");
    QVERIFY(toggleBox->isVisible());
    QCOMPARE(toggleBox->text(), u("شش‌ضلعی با رتبه درصدی"));
    select("5"); // 20 30 25 10 5 2 among 0..39 in every type

    QCOMPARE(chart->profiles().maximum, 50.0);
    QCOMPARE((*chart->profiles().first)[1], 30.0);
    toggle(toggleBox);
    QVERIFY(toggleBox->isChecked());
    // PR = (x + 1/2) / 40 * 100 for x of 0..39.
    QCOMPARE(chart->profiles().maximum, 100.0);
    const double raw[6] = {20, 30, 25, 10, 5, 2};
    for (int ty = 0; ty < 6; ++ty)
        QCOMPARE((*chart->profiles().first)[size_t(ty)], (raw[ty] + 0.5) * 100 / 40);
    QCOMPARE(label("pr_j"), QStringLiteral("76.3"));

    // Off again: the totals.
    toggle(toggleBox);
    QCOMPARE(chart->profiles().maximum, 50.0);
    QCOMPARE((*chart->profiles().first)[3], 10.0);

    // A subject the table has no cell for has no percentile ranks: the chart keeps the totals.
    m_dialogs->fileAnswers.enqueue(writeTable()); // boys only
    click("CmdNorms");
    toggle(toggleBox);
    QVERIFY(toggleBox->isChecked());
    QVERIFY(m_folder->exec(QStringLiteral("UPDATE IDE SET Jens='%1' WHERE Code='5'").arg(u("دختر"))));
    select("5");
    QCOMPARE(label("pr_v"), QString());
    QCOMPARE(chart->profiles().maximum, 50.0);
    QCOMPARE((*chart->profiles().first)[0], 20.0);
}

void TestScoringWindowNorms::normsAndAspirationReachTheReport()
{
    std::optional<Report::Document> printed;
    Report::setPreviewInterceptor([&](const Report::Document& doc) { printed = doc; });
    m_dialogs->fileAnswers.enqueue(writeTable());
    click("CmdNorms");
    select("5");
    auto* box = m_window->findChild<QLineEdit*>("TxtAspiration");
    m_window->activateWindow();
    QTest::mouseClick(box, Qt::LeftButton, {}, box->rect().center());
    type(box, u("ج و م"));
    QTest::keyClick(box, Qt::Key_Return);
    toggle(m_window->findChild<QCheckBox*>("ChkPercentileChart"));
    click("Command6");
    Report::setPreviewInterceptor({});
    QVERIFY(printed);
    auto caption = [&](const char* name) { return printed->caption("Section1", name); };
    QCOMPARE(caption("NormCaption"), u("هنجار: boys.json، گروه پسر (N = 40)"));
    QCOMPARE(caption("NormPercentile0"), QStringLiteral("51.3"));
    QCOMPARE(caption("NormPercentile1"), QStringLiteral("100.0")); // 30 above every j total of 10
    QCOMPARE(caption("NormT1"), QString());
    const double sd = std::sqrt((40.0 * 40 - 1) / 12);
    QCOMPARE(caption("NormBand0"), QString::number(20 - sd, 'f', 1) + u(" – ") + QString::number(20 + sd, 'f', 1));
    QCOMPARE(caption("Congruence"), u("هم‌خوانی با کد ج و م: M = 24 از 28 (زیاد)"));
    QCOMPARE(printed->caption("Section5", "ProfileCaption"), u("نیم‌رخ رغبت‌ها (رتبه درصدی)"));
}

void TestScoringWindowNorms::retestAgainstNormTable()
{
    addSecond();
    m_dialogs->fileAnswers.enqueue(writeVaryingTable());
    click("CmdNorms");
    select("5");
    QVERIFY(!m_window->findChild<QPushButton*>("CmdPrintCompare")->isEnabled());
    m_dialogs->inputAnswers.enqueue(u("۶")); // Persian digits read as the code 6
    click("CmdCompare");
    QCOMPARE(m_dialogs->shown.last().kind, QStringLiteral("input"));
    QCOMPARE(m_dialogs->shown.last().prompt, u(" كد آزمودني اجرای دوم را وارد كنيد "));

    // d = (40 30 20 45 5 1) - (20 30 25 10 5 2); RCI = d / (SD sqrt 2), SD = sqrt(1599 / 12).
    const int d[6] = {20, 0, -5, 35, 0, -1};
    const double se = std::sqrt(1599.0 / 12) * std::sqrt(2.0);
    const char* letters[6] = {"v", "j", "h", "a", "m", "g"};
    for (int ty = 0; ty < 6; ++ty) {
        QCOMPARE(label(QStringLiteral("diff_") + letters[ty]), QString::number(d[ty]));
        QCOMPARE(label(QStringLiteral("rci_") + letters[ty]), QString::number(d[ty] / se, 'f', 2));
        QCOMPARE(label(QStringLiteral("reliable_") + letters[ty]), ty == 3 ? u("بله") : QString());
    }
    QCOMPARE(label("rci_a"), QStringLiteral("2.14"));
    QCOMPARE(label("first_a"), QStringLiteral("10"));
    QCOMPARE(label("second_a"), QStringLiteral("45"));
    // ج ه و against الف و ج: ج first against third (4), و third against second (2).
    QCOMPARE(label("CompareCodes"), u("کد اجرای نخست ج ه و؛ کد اجرای دوم الف و ج"));
    QCOMPARE(label("CompareFirstLetter"), u("حرف نخست دو کد: متفاوت"));
    QCOMPARE(label("CompareSet"), u("سه حرف دو کد: متفاوت"));
    QCOMPARE(label("CompareIachan"), u("هم‌خوانی دو کد: M = 6 از 28 (کم)"));
    QCOMPARE(label("CompareSemFrom"), u("خطای معیار از گروه همه"));
    auto* chart = m_window->findChild<ProfileChartWidget*>("RetestChart");
    QVERIFY(chart->profiles().first && chart->profiles().second);
    // With the comparison filled the window's content still fits 1180 pixels, so that it needs
    // no sideways scrolling on a 1280x720 screen.
    auto* scroll = m_window->findChild<QScrollArea*>("ScoringScroll");
    QVERIFY2(scroll->widget()->minimumSizeHint().width() <= 1180 - 20,
             qPrintable(QString::number(scroll->widget()->minimumSizeHint().width())));
    QCOMPARE((*chart->profiles().second)[3], 45.0);
    QCOMPARE((*chart->profiles().first)[3], 10.0);

    // Printed: the page of both administrations.
    std::optional<Report::Document> printed;
    Report::setPreviewInterceptor([&](const Report::Document& doc) { printed = doc; });
    click("CmdPrintCompare");
    Report::setPreviewInterceptor({});
    QVERIFY(printed);
    QCOMPARE(printed->title, QStringLiteral("Retest"));
    QCOMPARE(printed->displayTitle, u("مقایسه‌ی دو اجرا 5 6"));
    QCOMPARE(printed->caption("Section1", "Cell3_3"), QStringLiteral("35"));
    QCOMPARE(printed->caption("Section1", "Cell4_3"), QStringLiteral("2.14"));
    QCOMPARE(printed->caption("Section1", "Cell5_3"), u("بله"));
    QCOMPARE(printed->caption("Section1", "Iachan"), u("هم‌خوانی دو کد: M = 6 از 28 (کم)"));

    // Another subject shown: the comparison belongs to the one before.
    select("6");
    QCOMPARE(label("diff_v"), QString());
    QVERIFY(!m_window->findChild<QPushButton*>("CmdPrintCompare")->isEnabled());
}

void TestScoringWindowNorms::retestWithoutTableAndRefusals()
{
    // Nothing shown yet.
    click("CmdCompare");
    QCOMPARE(m_dialogs->selfClosingTexts().last(), u("ابتدا آزمودنی اجرای نخست را انتخاب کنید"));
    select("5");
    m_dialogs->inputAnswers.enqueue("77");
    click("CmdCompare");
    QCOMPARE(m_dialogs->selfClosingTexts().last(), u("فردي با اين مشخصات وجود ندارد"));
    m_folder->addSubject("7"); // registered, not answered
    m_dialogs->inputAnswers.enqueue("7");
    click("CmdCompare");
    QCOMPARE(m_dialogs->selfClosingTexts().last(), u("آزمودني به سوالات پاسخ نداده است"));
    QCOMPARE(label("diff_v"), QString());

    // Without a table the SEMs are those of all answered subjects; their items never vary
    // here, so no alpha, no SEM and no RCI, but the differences and the codes.
    addSecond();
    m_dialogs->inputAnswers.enqueue("6");
    click("CmdCompare");
    QCOMPARE(label("diff_a"), QStringLiteral("35"));
    QCOMPARE(label("rci_a"), QString());
    QCOMPARE(label("reliable_a"), QString());
    QCOMPARE(label("CompareSemFrom"), u("خطای معیار از گروه همه"));
    QVERIFY(m_window->findChild<QPushButton*>("CmdPrintCompare")->isEnabled());
}

QTEST_MAIN(TestScoringWindowNorms)
#include "test_scoringwindow_norms.moc"
