// The scoring window against a norm table (chosen through the file dialog, remembered in the
// program folder) and with an aspiration code typed for the shown subject.
#include "TestFolder.h"
#include "TestHelpers.h"
#include "app/AppSetup.h"
#include "ScriptedDialogs.h"
#include "app/Dialogs.h"
#include "scoring/NormTable.h"
#include "scoring/ScoringWindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

private:
    QString label(const QString& name) const
    {
        auto* l = m_window->findChild<QLabel*>(name);
        return l ? l->text() : QStringLiteral("<missing %1>").arg(name);
    }
    void click(const char* name)
    {
        auto* b = m_window->findChild<QPushButton*>(name);
        QVERIFY(b);
        QTest::mouseMove(b, b->rect().center());
        QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
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

QTEST_MAIN(TestScoringWindowNorms)
#include "test_scoringwindow_norms.moc"
