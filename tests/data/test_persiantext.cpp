// The digit and name foldings every entry path and every look-up goes through.
#include "DigitSets.h"
#include "data/PersianText.h"

#include <QtTest>

using PersianText::digitValue;
using PersianText::foldDigits;
using PersianText::foldName;

class TestPersianText : public QObject {
    Q_OBJECT
private slots:
    void digits_data();
    void digits();
    void notDigits();
    void foldDigitsLeavesTheRest();
    void names_data();
    void names();
};

void TestPersianText::digits_data()
{
    QTest::addColumn<QChar>("digit");
    QTest::addColumn<int>("value");
    for (const DigitSet& s : AllDigitSets)
        for (int v = 0; v <= 9; ++v)
            QTest::addRow("%s %d", s.name, v) << s.digit(v) << v;
}

void TestPersianText::digits()
{
    QFETCH(QChar, digit);
    QFETCH(int, value);
    QCOMPARE(digitValue(digit), value);
    QCOMPARE(foldDigits(QString(digit)), QString(QChar(u'0' + value)));
    // Within a longer text, and as the name folding reads it.
    QCOMPARE(foldDigits(QString("a") + digit + digit), QString("a") + QChar(u'0' + value) + QChar(u'0' + value));
    QCOMPARE(foldName(QString(digit)), QString(QChar(u'0' + value)));
}

void TestPersianText::notDigits()
{
    // Neighbours of the three digit ranges, and digits of other scripts, are no digits here.
    for (char16_t c : {u'/', u':', char16_t(0x065F), char16_t(0x066A), char16_t(0x06EF), char16_t(0x06FA),
                       char16_t(0x0966) /* Devanagari zero */, char16_t(0xFF10) /* full-width zero */})
        QVERIFY2(digitValue(QChar(c)) == -1, qPrintable(QString::number(c, 16)));
    QCOMPARE(foldDigits(QString(QChar(0x0966))), QString(QChar(0x0966)));
}

void TestPersianText::foldDigitsLeavesTheRest()
{
    // Letters (Arabic yeh and kaf included), blanks and signs stay as they are.
    const QString mixed = QString::fromUtf8(" كد ۱۲-٣٤ x ");
    QCOMPARE(foldDigits(mixed), QString::fromUtf8(" كد 12-34 x "));
    QCOMPARE(foldDigits(QString()), QString());
}

void TestPersianText::names_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("folded");
    auto row = [](const char* name, const char* typed, const char* folded) {
        QTest::newRow(name) << QString::fromUtf8(typed) << QString::fromUtf8(folded);
    };
    row("persian yeh stays", "علی", "علی");
    row("arabic yeh", "علي", "علی");
    row("alef maksura", "مصطفى", "مصطفی");
    row("arabic kaf and yeh", "كريمي", "کریمی");
    row("teh marbuta", "فاطمة", "فاطمه");
    row("heh with yeh above", "خانۀ", "خانه");
    row("alef with hamza above", "أحمد", "احمد");
    row("alef with hamza below", "إبراهیم", "ابراهیم");
    row("alef wasla", "ٱمین", "امین");
    row("alef with madda", "آرش", "ارش");
    row("zero-width non-joiner", "محمد\u200Cرضا", "محمدرضا");
    row("blank kept as one", "محمد   رضا", "محمد رضا");
    row("leading and trailing blanks", "  رضا \t", "رضا");
    row("tab and newline inside", "محمد\t\nرضا", "محمد رضا");
    row("fatha damma kasra", "مُحَمِّد", "محمد");
    row("tanwin and sukun", "شكرًا جِدًّا", "شکرا جدا");
    row("superscript alef", "رحمٰن", "رحمن");
    row("tatweel", "كـــريم", "کریم");
    row("persian digits", "کلاس ۱۲", "کلاس 12");
    row("arabic-indic digits", "گروه ٣", "گروه 3");
    row("latin untouched", "Ali  Reza", "Ali Reza");
    row("only marks", "\u200C\u0640\u064E ", "");
    row("empty", "", "");
    row("persian keheh and yeh stay", "کوچکی", "کوچکی");
}

void TestPersianText::names()
{
    QFETCH(QString, typed);
    QFETCH(QString, folded);
    QCOMPARE(foldName(typed), folded);
    // Folding a folded name changes nothing.
    QCOMPARE(foldName(folded), folded);
}

QTEST_GUILESS_MAIN(TestPersianText)
#include "test_persiantext.moc"
