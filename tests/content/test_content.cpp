// The shipped questionnaire content, descriptions, information pages and help text: fixed
// texts unchanged, no repeated or near-identical items, standard Persian letters and
// half-spaces, Persian punctuation, one digit style per text, description cells that fit.
#include "TestFolder.h"
#include "app/InfoWindows.h"
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/QuestionnaireContent.h"
#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextDocument>
#include <QtTest>

// The backup window's help text is read from the library's resource; the information pages
// come through the functions that show them, which load their own resource.
static void initHelpResource() { Q_INIT_RESOURCE(backup); }

namespace {
QString u(const char* text) { return QString::fromUtf8(text); }

// ---- the texts the program quotes as they are (their own letters and blanks) ----

struct FixedItem {
    int table, type, k;
    const char* text;
};
const FixedItem FixedItems[] = {
    {1, 0, 2, "تعمير اتومبيل"},
    {1, 1, 9, "گذراندن دوره شيمي"},
    {2, 3, 1, "مي توانم بخوبي مطالب را براي ديگران توضيح دهم"},
    {2, 2, 3, "مي توانم در نمايش عروسكي بازي كنم"},
    {3, 4, 6, "مدير هتل"},
    {3, 1, 12, "گياه شناس"},
};
const char* const FixedAbilityV = "و - توانايي مكانيكي";
const char* const FixedSkillV = "و - مهارت هاي دستي - استفاده از ابزار ";
const char* const FixedInstruction1 =
    "سؤال اول: فعاليت ها –  هر يك از فعاليت ها ي زير كه مايل و علاقمند به انجام آنها هستيد را علامت بزنيد";
const char* const FixedInstruction2 = "سؤال دوم :  تجربه ها - هر يك از فعاليت ها ي زير را كه تاكنون تجربه كرده ايد و "
                                      "مي توانيد آنرا انجام دهيد علامت بزنيد ";
const char* const FixedInstruction2v = "سؤال دوم :  تجربه ها - هر يك از فعاليت ها ي زير را كه تاكنون تجربه كرده ايد و "
                                       "مي توانيد آنرا انجام دهيد  يك علامت بزنيد ";
const char* const FixedInstruction3 =
    "سؤال سوم : مشاغل – اين فهرست براي بررسي احساسات و نگرش ها ي شما نسبت به مشاغل گوناگون مي پردازد مشاغلي را كه "
    "به آنها علاقه داريد يا براي شما خوشايند هستند علامت بزنيد";
const char* const FixedPart4Opening = "سؤال  چهارم : خود سنجي ها";
// Button captions and messages quoted inside the authored texts, as the program shows them.
const char* const QuotedInIntroduction[] = {"«بعدي»", "«قبلي»", "«ذخيره و خروج»"};
const char* const QuotedInHelp[] = {"«نسخه پشتيبان تهيه گرديد»", "«بازيابي اطلاعات انجام شد»"};

const char* const TypeLetters[] = {"و", "ج", "ه", "الف", "م", "ق"};
constexpr int MaxDescriptionLength = 90;

bool isFixedItem(int table, int type, int k)
{
    for (const FixedItem& f : FixedItems)
        if (f.table == table && f.type == type && f.k == k)
            return true;
    return false;
}

QString withoutQuoted(QString text, std::initializer_list<const char*> quoted)
{
    for (const char* q : quoted)
        text.remove(u(q));
    return text;
}

// ---- folding and distance for the near-duplicate check ----

// Letters folded to one form, half-spaces and runs of blanks to one blank, and the shared
// opening of part 2 dropped, so that only what the items say is compared.
QString folded(QString text)
{
    text.replace(QChar(0x064A), QChar(0x06CC))
        .replace(QChar(0x0649), QChar(0x06CC))
        .replace(QChar(0x0643), QChar(0x06A9));
    text.replace(QChar(0x200C), QLatin1Char(' '));
    text = text.simplified();
    const QString opening = u("می توانم ");
    if (text.startsWith(opening))
        text = text.mid(opening.size());
    return text;
}

int editDistance(const QString& a, const QString& b)
{
    QVector<int> row(b.size() + 1);
    for (int j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (int i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = i;
        for (int j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = up;
        }
    }
    return row[b.size()];
}

// Two texts are near-duplicates when at most a fifth of the longer one differs.
bool nearDuplicates(const QString& a, const QString& b)
{
    const QString fa = folded(a), fb = folded(b);
    return editDistance(fa, fb) * 5 <= std::max(fa.size(), fb.size());
}

// ---- orthography rules; each returns what is wrong, "" when the text is sound ----

QString letterFault(const QString& text)
{
    for (QChar c : {QChar(0x064A), QChar(0x0643), QChar(0x0649)})
        if (text.contains(c))
            return QStringLiteral("U+%1 in \"%2\"").arg(c.unicode(), 4, 16, QLatin1Char('0')).arg(text);
    return {};
}

QString halfSpaceFault(const QString& text)
{
    static const QRegularExpression rules[] = {
        // the verbal prefix written apart: "می توانم"
        QRegularExpression(u("(^|[\\s(«])(ن?می) \\S")),
        // suffixes written apart: "کتاب ها", "ساده تر", "جداگانه ای", "روزانه ام"
        QRegularExpression(u("\\S (ها|های|هایی|هایم|هایش|تر|ترین|ام|ات|اش|ای|اند)(?=$|[\\s،؛.:!؟)»])")),
        // compounds written apart: "شیمی دان", "برنامه نویس", "سرمایه گذاری", "واقع گرا"
        QRegularExpression(u("\\S (دان|شناس|شناسی|نویس|نویسی|گذاری|ریزی|گرا|گرایی)(?=$|[\\s،؛.:!؟)»])")),
        // tanwin left out: "لطفا", "حتما"
        QRegularExpression(u("(?<![\\x{0600}-\\x{06FF}\\x{200C}])(لطفا|حتما|مثلا|قبلا|اصلا|کاملا|واقعا|تقریبا)"
                             "(?![\\x{0600}-\\x{06FF}\\x{200C}])")),
    };
    for (const QRegularExpression& rule : rules) {
        const QRegularExpressionMatch m = rule.match(text);
        if (m.hasMatch())
            return QStringLiteral("\"%1\" in \"%2\"").arg(m.captured(0), text);
    }
    return {};
}

QString punctuationFault(const QString& text)
{
    // Latin , ; ? next to Persian letters; straight double quotes in Persian prose.
    static const QRegularExpression latin(u("[\\x{0600}-\\x{06FF}]\\s*[,;?]|[,;?]\\s*[\\x{0600}-\\x{06FF}]|\""));
    const QRegularExpressionMatch m = latin.match(text);
    if (m.hasMatch())
        return QStringLiteral("\"%1\" in \"%2\"").arg(m.captured(0), text);
    return {};
}

QString digitFault(const QString& text)
{
    bool ascii = false, persian = false, arabicIndic = false;
    for (QChar c : text) {
        ascii |= c >= QLatin1Char('0') && c <= QLatin1Char('9');
        persian |= c.unicode() >= 0x06F0 && c.unicode() <= 0x06F9;
        arabicIndic |= c.unicode() >= 0x0660 && c.unicode() <= 0x0669;
    }
    if (int(ascii) + int(persian) + int(arabicIndic) > 1)
        return QStringLiteral("mixed digits in \"%1\"").arg(text);
    return {};
}

// Every rule on one authored text.
QString orthographyFault(const QString& text)
{
    for (const QString& fault : {letterFault(text), halfSpaceFault(text), punctuationFault(text), digitFault(text)})
        if (!fault.isEmpty())
            return fault;
    return {};
}

QString resourceText(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

QString htmlText(const QString& html)
{
    QTextDocument doc;
    doc.setHtml(html);
    return doc.toPlainText();
}

struct Description {
    QString code;
    QStringList texts; // sefat, then cells 1..5
};

QVector<Description> shippedDescriptions()
{
    QVector<Description> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("content-check"));
        db.setDatabaseName(TestFolder::templateFolder() + QStringLiteral("/meravelDB.mdb"));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT code, sefat, \"1\", \"2\", \"3\", \"4\", \"5\" FROM type1 ORDER BY rid"));
            while (q.next()) {
                Description d{q.value(0).toString(), {}};
                for (int i = 1; i <= 6; ++i)
                    d.texts << q.value(i).toString();
                rows << d;
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("content-check"));
    return rows;
}
} // namespace

class TestContent : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void rulesCatchWhatTheyShould();
    void fixedTextsUnchanged();
    void noRepeatedOrNearDuplicateItems();
    void questionnaireInStandardPersian();
    void pagesAndHelpInStandardPersian();
    void descriptionsBalancedAndFitTheirCells();
    void workbookCarriesTheSameTexts();

private:
    // Every authored text of the questionnaire with where it stands, fixed texts left out.
    QList<QPair<QString, QString>> authoredQuestionnaireTexts() const;
};

void TestContent::initTestCase()
{
    initHelpResource();
    QVERIFY(QuestionnaireContent::isLoaded());
}

void TestContent::rulesCatchWhatTheyShould()
{
    // The checks themselves: the faults the content had before must be caught, sound text
    // must pass.
    QVERIFY(!letterFault(u("تعمير وسايل برقی")).isEmpty());
    QVERIFY(!letterFault(u("كار با ابزار")).isEmpty());
    QVERIFY(letterFault(u("کار با ابزار")).isEmpty());
    QVERIFY(!halfSpaceFault(u("مي توانم")).isEmpty() || !letterFault(u("مي توانم")).isEmpty());
    QVERIFY(!halfSpaceFault(u("می توانم شعر بگویم")).isEmpty());
    QVERIFY(!halfSpaceFault(u("خواندن کتاب ها")).isEmpty());
    QVERIFY(!halfSpaceFault(u("توضیح جداگانه ای دارد")).isEmpty());
    QVERIFY(!halfSpaceFault(u("نتیجه نزدیک تر خواهد بود")).isEmpty());
    QVERIFY(!halfSpaceFault(u("شیمی دان")).isEmpty());
    QVERIFY(!halfSpaceFault(u("برنامه ریزی و سرمایه گذاری")).isEmpty());
    QVERIFY(!halfSpaceFault(u("لطفا بخوانید")).isEmpty());
    QVERIFY(
        halfSpaceFault(u("لطفاً پیش از پاسخ دادن، کتاب‌ها را بخوانید")).isEmpty());
    QVERIFY(halfSpaceFault(u("می‌توانم یک ساز موسیقی بنوازم")).isEmpty());
    QVERIFY(halfSpaceFault(u("نامزد شدن در انتخابات")).isEmpty()); // "ات" only as a word of its own
    QVERIFY(halfSpaceFault(u("اصلاح متن")).isEmpty());
    QVERIFY(!punctuationFault(u("فعالیت‌ها, تجربه‌ها")).isEmpty());
    QVERIFY(!punctuationFault(u("آماده‌اید?")).isEmpty());
    QVERIFY(punctuationFault(u("دکمه‌ی Save را بزنید، سپس BACKUP")).isEmpty());
    QVERIFY(!digitFault(u("از 1 تا ۷")).isEmpty());
    QVERIFY(digitFault(u("از ۱ تا ۷")).isEmpty());

    QVERIFY(nearDuplicates(u("می‌توانم مسئله‌های فیزیک را حل کنم"),
                           u("مي توانم مسئله هاي فيزيك را حل كنم")));
    QVERIFY(nearDuplicates(u("تعمیر دوچرخه و موتورسیکلت"), u("تعمیر دوچرخه یا موتورسیکلت")));
    QVERIFY(!nearDuplicates(u("زیست‌شناس"), u("زمین‌شناس")));
    QVERIFY(!nearDuplicates(u("نویسنده"), u("نوازنده")));
    QCOMPARE(editDistance(u("abc"), u("axcd")), 2);
    QCOMPARE(editDistance(QString(), u("ab")), 2);
}

void TestContent::fixedTextsUnchanged()
{
    for (const FixedItem& f : FixedItems)
        QCOMPARE(QuestionnaireContent::item(f.table, f.type, f.k), u(f.text));
    QCOMPARE(QuestionnaireContent::ratingLabel(0, 1), u(FixedAbilityV));
    QCOMPARE(QuestionnaireContent::ratingLabel(0, 2), u(FixedSkillV));
    QCOMPARE(QuestionnaireContent::instruction(1), u(FixedInstruction1));
    QCOMPARE(QuestionnaireContent::instruction(2, 1), u(FixedInstruction2));
    QCOMPARE(QuestionnaireContent::instruction(2, 0), u(FixedInstruction2v));
    QCOMPARE(QuestionnaireContent::instruction(3), u(FixedInstruction3));
    QVERIFY(QuestionnaireContent::instruction(4).startsWith(u(FixedPart4Opening)));

    const QString intro = QuestionnaireContent::introduction();
    for (const char* q : QuotedInIntroduction)
        QVERIFY2(intro.contains(u(q)), q);
    const QString help = resourceText(QStringLiteral(":/backup/help.txt"));
    QVERIFY(!help.isEmpty());
    for (const char* q : QuotedInHelp)
        QVERIFY2(help.contains(u(q)), q);
}

void TestContent::noRepeatedOrNearDuplicateItems()
{
    for (int table = 1; table <= 3; ++table) {
        QStringList texts, where;
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                texts << QuestionnaireContent::item(table, type, k);
                where << AnswerColumns::tableName(table) + ' ' + AnswerColumns::column(table, type, k);
            }
        for (int i = 0; i < texts.size(); ++i)
            for (int j = i + 1; j < texts.size(); ++j)
                QVERIFY2(!nearDuplicates(texts[i], texts[j]),
                         qPrintable(where[i] + " / " + where[j] + ": " + texts[i] + " / " + texts[j]));
    }
}

QList<QPair<QString, QString>> TestContent::authoredQuestionnaireTexts() const
{
    QList<QPair<QString, QString>> texts;
    for (int table = 1; table <= 3; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                if (!isFixedItem(table, type, k))
                    texts.append({AnswerColumns::tableName(table) + ' ' + AnswerColumns::column(table, type, k),
                                  QuestionnaireContent::item(table, type, k)});
    for (int type = 1; type < AnswerColumns::TypeCount; ++type)
        for (int k = 1; k <= 2; ++k)
            texts.append({AnswerColumns::column(4, type, k), QuestionnaireContent::ratingLabel(type, k)});
    QString intro = QuestionnaireContent::introduction();
    for (const char* q : QuotedInIntroduction)
        intro.remove(u(q));
    texts.append({QStringLiteral("introduction"), intro});
    texts.append(
        {QStringLiteral("instruction 4"), QuestionnaireContent::instruction(4).mid(u(FixedPart4Opening).size())});
    return texts;
}

void TestContent::questionnaireInStandardPersian()
{
    const auto texts = authoredQuestionnaireTexts();
    QCOMPARE(texts.size(), 216 - 6 + 10 + 2);
    for (const auto& [where, text] : texts) {
        QVERIFY2(!text.trimmed().isEmpty(), qPrintable(where));
        const QString fault = orthographyFault(text);
        QVERIFY2(fault.isEmpty(), qPrintable(where + ": " + fault));
        // Items and labels carry no final punctuation and no doubled or outer blanks.
        if (where != "introduction" && where != "instruction 4") {
            QVERIFY2(text == text.simplified(), qPrintable(where));
            QVERIFY2(!QStringLiteral(".،؛:").contains(text.back()), qPrintable(where));
        }
    }
    // Part 2 items are first-person sentences that begin with the half-spaced prefix.
    for (int type = 0; type < AnswerColumns::TypeCount; ++type)
        for (int k = 1; k <= 11; ++k)
            if (!isFixedItem(2, type, k))
                QVERIFY2(QuestionnaireContent::item(2, type, k).startsWith(u("می\u200cتوانم ")),
                         qPrintable(AnswerColumns::column(2, type, k)));

    // The introduction tells how part 4 is answered, how to move and how to finish.
    const QString intro = QuestionnaireContent::introduction();
    QVERIFY(intro.contains(u("تایپ")));
    QVERIFY(intro.contains(u("Esc")));
    // The self-rating instruction anchors the middle of the scale and says when ratings may
    // be equal.
    const QString part4 = QuestionnaireContent::instruction(4);
    QVERIFY(part4.contains(u("۴ یعنی مانند بیشتر همسالانم")));
    QVERIFY(part4.contains(u("یکسان")));
}

void TestContent::pagesAndHelpInStandardPersian()
{
    struct Page {
        const char* name;
        QString text;
    };
    const QList<Page> pages{
        {"about", htmlText(InfoWindows::aboutPage())},
        {"introduction", htmlText(InfoWindows::introductionPage())},
        {"backup help",
         withoutQuoted(resourceText(QStringLiteral(":/backup/help.txt")), {QuotedInHelp[0], QuotedInHelp[1]})},
    };
    for (const Page& p : pages) {
        QVERIFY2(p.text.size() > 100, p.name);
        for (const QString& paragraph : p.text.split(QLatin1Char('\n'))) {
            const QString fault = orthographyFault(paragraph);
            QVERIFY2(fault.isEmpty(), qPrintable(QString::fromLatin1(p.name) + ": " + fault));
        }
        QVERIFY2(digitFault(p.text).isEmpty(), p.name);
    }
    // The About page shows the program's version, not the placeholder for it.
    QVERIFY(!pages[0].text.contains(QLatin1Char('{')));
    QVERIFY(pages[0].text.contains(QChar(0x066B)));
    // The introduction page names the stream scores as the report does, not by the name of
    // the type weights.
    QVERIFY(!pages[1].text.contains(u("نمره‌ی هماهنگی")) && !pages[1].text.contains(u("نمره هماهنگی")));
}

void TestContent::descriptionsBalancedAndFitTheirCells()
{
    const QVector<Description> rows = shippedDescriptions();
    QCOMPARE(rows.size(), 6);
    for (int t = 0; t < 6; ++t) {
        const Description& d = rows[t];
        QCOMPARE(d.code, u(TypeLetters[t]));
        for (int i = 0; i < d.texts.size(); ++i) {
            const QString where = d.code + (i == 0 ? QStringLiteral(" sefat") : QStringLiteral(" cell %1").arg(i));
            const QString& text = d.texts[i];
            QVERIFY2(!text.isEmpty(), qPrintable(where));
            // A tied pair joins two cells; at this length both still fit their box.
            QVERIFY2(text.size() <= MaxDescriptionLength, qPrintable(where + QStringLiteral(": %1").arg(text.size())));
            const QString fault = orthographyFault(text);
            QVERIFY2(fault.isEmpty(), qPrintable(where + ": " + fault));
        }
        // The row title begins with the type's name, then its traits.
        QVERIFY2(d.texts[0].contains(u("؛ ")), qPrintable(d.code));
        // Every type's self-expression cell names a strength and, after the semicolon, a limit.
        QVERIFY2(d.texts[4].contains(u("؛ ")), qPrintable(d.code));
    }
    // "متهور" alone reads as "reckless": the printed name carries its gloss.
    QVERIFY(rows[4].texts[0].startsWith(u("متهور (کارآفرین)؛ ")));
}

void TestContent::workbookCarriesTheSameTexts()
{
    WorkbookReader reader;
    QString error;
    QVERIFY2(
        reader.open(TestFolder::templateFolder() + '/' + QString::fromLatin1(WorkbookImport::BlankWorkbook), &error),
        qPrintable(error));
    QStringList addresses;
    QStringList expected;
    for (int table = 1; table <= 4; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                addresses << QStringLiteral("B%1").arg(WorkbookImport::answerRow(table, type, k));
                expected << (table == 4 ? QuestionnaireContent::ratingLabel(type, k)
                                        : QuestionnaireContent::item(table, type, k));
            }
    // The workbook's own captions: its title and the skills heading.
    const QString title = QStringLiteral("B1");
    const QString skills = QStringLiteral("B%1").arg(WorkbookImport::answerRow(4, 0, 2) - 1);
    QHash<QString, QString> cells;
    QVERIFY2(reader.readCells(QString::fromLatin1(WorkbookImport::SheetName), addresses + QStringList{title, skills},
                              &cells, &error),
             qPrintable(error));
    for (int i = 0; i < addresses.size(); ++i)
        QCOMPARE(cells.value(addresses[i]), expected[i]);
    for (const QString& caption : {title, skills}) {
        QVERIFY2(!cells.value(caption).isEmpty(), qPrintable(caption));
        const QString fault = orthographyFault(cells.value(caption));
        QVERIFY2(fault.isEmpty(), qPrintable(caption + ": " + fault));
    }
}

QTEST_MAIN(TestContent)
#include "test_content.moc"
