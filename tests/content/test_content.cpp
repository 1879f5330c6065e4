// The shipped questionnaire content, descriptions, information pages and help text: fixed
// texts unchanged, no repeated or near-identical items, the six types balanced against each
// other (no interest in all three parts, no part-2 item that restates a part-1 item, similar
// lengths, "or" items spread evenly, neutral realistic lists, nothing bound to school, office
// or politics, comparable ratings), standard Persian letters and half-spaces, Persian
// punctuation, one digit style per text, description cells that fit.
#include "TestFolder.h"
#include "app/InfoWindows.h"
#include "data/Utf8.h"
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/QuestionnaireContent.h"
#include "records/WorkbookImport.h"
#include "records/WorkbookReader.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextDocument>
#include <QtTest>

// The backup window's help text is read from the library's resource; the information pages
// come through the functions that show them, which load their own resource.
static void initHelpResource() { Q_INIT_RESOURCE(backup); }

namespace {
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

// ---- balance between the six types ----

// The tick items of parts 1 to 3 keyed "S1 v1", from the shipped content or from a file of
// the same form (the content as it stood before its balance revision is kept for the checks'
// own test).
using Items = QMap<QString, QString>;

QString itemKey(int table, int type, int k)
{
    return AnswerColumns::tableName(table) + ' ' + AnswerColumns::column(table, type, k);
}

Items shippedItems()
{
    Items items;
    for (int table = 1; table <= 3; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                items.insert(itemKey(table, type, k), QuestionnaireContent::item(table, type, k));
    return items;
}

Items itemsOfFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QJsonObject all = QJsonDocument::fromJson(f.readAll()).object().value(QLatin1String("items")).toObject();
    Items items;
    for (int table = 1; table <= 3; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                items.insert(itemKey(table, type, k),
                             all.value(AnswerColumns::tableName(table))
                                 .toObject()
                                 .value(AnswerColumns::column(table, type, k))
                                 .toString());
    return items;
}

QString typeText(const Items& items, int table, int type, int k)
{
    return folded(items.value(itemKey(table, type, k)));
}

// What an item says, as a set of words: folded, half-spaced parts as words of their own,
// suffixes, particles and light verbs dropped, and the verb forms the items use brought to one
// stem ("بنوازم" and "نواختن" both "نواز"; "نهال" counts as "درخت").
QSet<QString> contentWords(const QString& text)
{
    static const QSet<QString> dropped = [] {
        QSet<QString> set;
        for (const QString& w : u("و یا با از در به را یک برای تا که این آن هم بر روی کنم کردن کند دادن دهم دهی بدهم "
                                  "ها های هایی هایش هایم هایشان ی ای ام اش ات اند کار خود دیگر چند")
                                    .split(' '))
            set.insert(w);
        return set;
    }();
    static const QHash<QString, QString> stems{
        {u("بکارم"), u("کاشت")},  {u("کاشتن"), u("کاشت")},  {u("نهال"), u("درخت")},   {u("رسیدگی"), u("نگهداری")},
        {u("بنوازم"), u("نواز")}, {u("نواختن"), u("نواز")}, {u("بدوزم"), u("دوز")},   {u("دوختن"), u("دوز")},
        {u("بسازم"), u("ساز")},   {u("ساختن"), u("ساز")},   {u("بنویسم"), u("نویس")}, {u("نوشتن"), u("نویس")},
        {u("بخوانم"), u("خوان")}, {u("خواندن"), u("خوان")}, {u("بفروشم"), u("فروش")},
    };
    QString t = folded(text);
    for (QChar c : {QChar('('), QChar(')'), QChar(0x060C), QChar(0x061B), QChar(':')})
        t.replace(c, QLatin1Char(' '));
    QSet<QString> words;
    for (const QString& w : t.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        if (!dropped.contains(w))
            words.insert(stems.value(w, w));
    return words;
}

// An item of another part that says almost the same thing: a few letters apart (any two
// parts), or, between parts 1 and 2, at least two thirds of the shorter item's words found in
// the other ("کار با میکروسکوپ" / "می‌توانم با میکروسکوپ کار کنم").
bool restates(const QString& a, const QString& b, bool wordsToo)
{
    if (nearDuplicates(a, b))
        return true;
    if (!wordsToo)
        return false;
    const QSet<QString> wa = contentWords(a), wb = contentWords(b);
    const int shared = int((wa & wb).size());
    return shared > 0 && shared * 3 >= 2 * int(std::min(wa.size(), wb.size()));
}

QStringList restatedAcrossParts(const Items& items)
{
    QStringList found;
    for (int type = 0; type < AnswerColumns::TypeCount; ++type)
        for (int ta = 1; ta <= 3; ++ta)
            for (int tb = ta + 1; tb <= 3; ++tb)
                for (int ka = 1; ka <= AnswerColumns::itemsPerType(ta); ++ka)
                    for (int kb = 1; kb <= AnswerColumns::itemsPerType(tb); ++kb)
                        if (restates(items.value(itemKey(ta, type, ka)), items.value(itemKey(tb, type, kb)), tb == 2))
                            found << itemKey(ta, type, ka) + " / " + itemKey(tb, type, kb);
    return found;
}

// Narrow interests, each found by the words that name it in any part (matched on the folded
// text, where a half-space reads as a blank). One interest may appear in two parts of its type,
// never in all three: otherwise one hobby earns three points.
struct Interest {
    int type;
    const char* name;
    const char* pattern;
};
const Interest Interests[] = {
    {0, "sewing", "خیاط|دوخت|بدوز"},
    {0, "carpentry", "نجار|چوب"},
    {0, "welding", "جوش"},
    {0, "electronics", "الکترونیک|مدار|لحیم"},
    {0, "plants", "باغچه|گلخانه|نهال|کشاورز|باغبان|گیاه"},
    {0, "cars", "خودرو|اتومبیل"},
    {0, "computers and phones", "رایانه|تلفن همراه|گوشی"},
    {1, "stars", "ستاره|ستارگان|کهکشان|فلکی|نجوم"},
    {1, "programming", "برنامه نویس|برنامه ی( ساده ی)? رایانه"},
    {1, "chemistry", "شیمی|عناصر"},
    {1, "microscope", "میکروسکوپ"},
    {1, "medicine", "بیماری|پزشک|دارو"},
    {1, "rocks", "سنگ|کانی|زمین شناس"},
    {2, "instrument", "ساز موسیقی|نواز|نواخت"},
    {2, "poetry", "شعر|شاعر"},
    {2, "acting", "بازیگر|بازی در نمایش|نمایش .*بازی"},
    {2, "decoration", "دکوراسیون|چیدمان|تزئین"},
    {2, "film", "فیلم|ویدئو|سینما|تدوین"},
    {2, "drawing", "نقاش|چهره|تصویرسازی"},
    {2, "calligraphy", "خوشنویس"},
    {2, "sculpture", "مجسمه|سفال"},
    {2, "photography", "عکاس|عکس"},
    {2, "singing", "آواز|خواننده"},
    {2, "stories", "داستان|نویسنده"},
    {2, "composing", "آهنگ"},
    {2, "clothes", "لباس"},
    {2, "graphics", "گرافیک|پوستر|آگهی"},
    {3, "nursing", "پرستار|بیمار(?!ستان)"},
    {3, "first aid", "کمک های اولیه|امداد|پانسمان"},
    {3, "teaching children", "(^| )درس|تکلیف|معلم|آموزگار"},
    {3, "counselling", "مشاور"},
    {3, "coaching", "ورزش|(^| )شنا( |$)"},
    {3, "elderly", "سالمند"},
    {3, "disability", "معلولیت|نابینا|ناشنوا|زبان اشاره|استثنایی"},
    {4, "selling", "فروش|بفروش|بازاریاب"},
    {4, "business", "کسب ?و ?کار|کارآفرین|درآمدزا|راه اندازی|راه بیندازم"},
    {4, "events", "جشن|همایش|نمایشگاه|مراسم"},
    {4, "speaking", "سخنران"},
    {4, "advertising", "تبلیغ"},
    {4, "negotiation", "مذاکره|چانه"},
    {5, "accounts", "حسابدار|دخل و خرج|حساب پول|حساب صندوق"},
    {5, "checking figures", "حسابرس|ارقام|اشتباه (های )?(حساب|جمع)"},
    {5, "typing", "تایپ"},
    {5, "inventory", "انبار|موجودی"},
    {5, "filing", "بایگانی|پرونده"},
    {5, "spreadsheets", "صفحه گسترده"},
    {5, "forms", "فرم"},
    {5, "statistics", "آمار|نظرسنجی"},
    {5, "library", "کتابخانه|کتابدار|طبقه بندی"},
};

// "letter interest" -> the items that carry it, for every interest found in all three parts.
QMap<QString, QString> interestsInAllParts(const Items& items)
{
    QMap<QString, QString> found;
    for (const Interest& interest : Interests) {
        const QRegularExpression rx(u(interest.pattern));
        QStringList where;
        int parts = 0;
        for (int table = 1; table <= 3; ++table) {
            bool inPart = false;
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k)
                if (rx.match(typeText(items, table, interest.type, k)).hasMatch()) {
                    where << itemKey(table, interest.type, k);
                    inPart = true;
                }
            parts += int(inPart);
        }
        if (parts == 3)
            found.insert(u(TypeLetters[interest.type]) + ' ' + QLatin1String(interest.name), where.join(' '));
    }
    return found;
}

// Per part, each type's mean item length (what the item says, without the shared opening of
// part 2) within a quarter of the part's mean: short broad labels are ticked more easily than
// specific situations.
QStringList lengthsOutOfBalance(const Items& items)
{
    QStringList found;
    for (int table = 1; table <= 3; ++table) {
        const int n = AnswerColumns::itemsPerType(table);
        double mean[AnswerColumns::TypeCount] = {}, part = 0;
        for (int type = 0; type < AnswerColumns::TypeCount; ++type) {
            for (int k = 1; k <= n; ++k)
                mean[type] += typeText(items, table, type, k).size();
            part += mean[type];
            mean[type] /= n;
        }
        part /= n * AnswerColumns::TypeCount;
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            if (mean[type] < 0.75 * part || mean[type] > 1.25 * part)
                found << QStringLiteral("%1 %2: %3 against %4")
                             .arg(AnswerColumns::tableName(table), u(TypeLetters[type]))
                             .arg(mean[type], 0, 'f', 1)
                             .arg(part, 0, 'f', 1);
    }
    return found;
}

// An "A یا B" item asks for either, an "A و B" item for both. Per part, the types' counts of
// "or" items differ by one at most, and no type has more than two items that join two things
// with "و" (pairs that name one thing, such as "دخل و خرج", do not count).
QStringList conjunctionsOutOfBalance(const Items& items)
{
    static const QRegularExpression either(u(" یا "));
    static const QRegularExpression both(u(" و (?!خرج|برق|غیاب)"));
    QStringList found;
    for (int table = 1; table <= 3; ++table) {
        int fewest = 1000, most = 0;
        for (int type = 0; type < AnswerColumns::TypeCount; ++type) {
            int ors = 0, ands = 0;
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                const QString t = typeText(items, table, type, k);
                ors += int(either.match(t).hasMatch());
                ands += int(both.match(t).hasMatch());
            }
            fewest = std::min(fewest, ors);
            most = std::max(most, ors);
            if (ands > 2)
                found << QStringLiteral("%1 %2: %3 \"and\" items")
                             .arg(AnswerColumns::tableName(table), u(TypeLetters[type]))
                             .arg(ands);
        }
        if (most - fewest > 1)
            found << QStringLiteral("%1: \"or\" items per type from %2 to %3")
                         .arg(AnswerColumns::tableName(table))
                         .arg(fewest)
                         .arg(most);
    }
    return found;
}

// Realistic items that mostly boys have done or would pick (trades, vehicles, power tools); at
// most half of each part's realistic list.
QStringList maleTypedRealisticOverHalf(const Items& items)
{
    static const QRegularExpression male(
        u("خودرو|اتومبیل|موتورسیکلت|تراکتور|کامیون|جرثقیل|جوش|لوله کش|بنّا|(^| )بنا$|نجار|(^| )اره( |$)|چکش|برق کار|"
          "سیم کشی|پریز|دریل|آچار|شیر آب|دوچرخه|خلبان|لوازم خانگی|تراش"));
    QStringList found;
    for (int table = 1; table <= 3; ++table) {
        const int n = AnswerColumns::itemsPerType(table);
        QStringList where;
        for (int k = 1; k <= n; ++k)
            if (male.match(typeText(items, table, 0, k)).hasMatch())
                where << itemKey(table, 0, k);
        if (where.size() > n / 2)
            found << where.join(' ');
    }
    return found;
}

// Items of parts 1 and 2 fit a pupil and an adult alike: none is bound to school (only a pupil
// has done it) or to an office (only an adult has); no item of any part names politics or a
// political office.
QStringList boundToOneAgeOrPolitical(const Items& items)
{
    static const QRegularExpression school(u("مدرسه|دانش آموز|همکلاسی|کلاس|توجیبی"));
    static const QRegularExpression office(u("اداری|انبار|صورت جلسه|بورس|قرارداد|دخل و خرج"));
    static const QRegularExpression political(u("سیاس|انتخابات|شهردار|وزیر|مجلس|(^| )رهبری|حزب"));
    QStringList found;
    for (int table = 1; table <= 3; ++table)
        for (int type = 0; type < AnswerColumns::TypeCount; ++type)
            for (int k = 1; k <= AnswerColumns::itemsPerType(table); ++k) {
                const QString t = typeText(items, table, type, k);
                if (political.match(t).hasMatch())
                    found << itemKey(table, type, k) + " political";
                else if (table < 3 && school.match(t).hasMatch())
                    found << itemKey(table, type, k) + " school";
                else if (table < 3 && office.match(t).hasMatch())
                    found << itemKey(table, type, k) + " office";
            }
    return found;
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
    void balanceChecksCatchTheUnbalancedContent();
    void typesBalancedAgainstEachOther();
    void ratingsComparableAcrossTypes();
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

void TestContent::balanceChecksCatchTheUnbalancedContent()
{
    // The content as it stood before its balance revision, with the faults a native reading
    // found in it: each check must name them.
    const Items before = itemsOfFile(QFINDTESTDATA("items-before-balance.json"));
    QCOMPARE(before.size(), 216);
    QCOMPARE(before.value(QStringLiteral("S1 v2")), u(FixedItems[0].text));

    // One interest in all three parts of its type.
    const QMap<QString, QString> triples = interestsInAllParts(before);
    for (const char* interest :
         {"و sewing", "و carpentry", "ج stars", "ج programming", "ه instrument", "ه poetry", "ه acting", "ه decoration",
          "ه film", "ه drawing", "الف nursing", "الف first aid", "الف teaching children", "م selling", "م business",
          "م events", "ق accounts", "ق checking figures"})
        QVERIFY2(triples.contains(u(interest)), interest);
    QCOMPARE(triples.value(u("ه poetry")), QStringLiteral("S1 H3 S2 H5 S3 H3"));
    QCOMPARE(triples.value(u("و sewing")), QStringLiteral("S1 v7 S2 v7 S3 v12"));

    // An item of another part in almost the same words.
    const QStringList restated = restatedAcrossParts(before);
    for (const char* pair : {"S1 J4 / S2 J1", "S1 H2 / S2 H2", "S1 M4 / S2 M3", "S1 G8 / S2 G6", "S1 G4 / S2 G4",
                             "S1 a9 / S2 a2", "S1 v6 / S2 v9", "S1 M11 / S2 M7", "S1 H9 / S3 H12"})
        QVERIFY2(restated.contains(QLatin1String(pair)), pair);
    // Same interest, other words: not a restatement.
    QVERIFY(!restated.contains(QStringLiteral("S1 v1 / S2 v1")));
    QVERIFY(!restated.contains(QStringLiteral("S1 H6 / S3 H14")));

    // The artistic labels of part 1 were the shortest by far; part 2's were just inside.
    const QStringList lengths = lengthsOutOfBalance(before);
    QCOMPARE(lengths.size(), 1);
    QVERIFY2(lengths[0].startsWith(u("S1 ه: 17.5")), qPrintable(lengths[0]));

    // In part 1, conventional had no "or" item against four realistic ones and joined two things
    // with "و" in six items.
    const QStringList conjunctions = conjunctionsOutOfBalance(before);
    QVERIFY(conjunctions.contains(QStringLiteral("S1: \"or\" items per type from 0 to 4")));
    QVERIFY(conjunctions.contains(u("S1 ق: 6 \"and\" items")));

    // In part 3, realistic had eight of fourteen male trades.
    QCOMPARE(maleTypedRealisticOverHalf(before),
             QStringList{QStringLiteral("S3 v1 S3 v2 S3 v3 S3 v4 S3 v5 S3 v8 S3 v9 S3 v14")});

    // Nine items only a pupil has done, office-only work, and politics.
    const QStringList bound = boundToOneAgeOrPolitical(before);
    for (const char* fault : {"S1 a9 school", "S1 M5 school", "S1 M7 political", "S1 M9 school", "S1 M10 school",
                              "S2 a2 school", "S2 M8 political", "S2 G2 school", "S2 G8 school", "S1 M1 political",
                              "S3 M12 political", "S1 G8 office", "S1 G9 office"})
        QVERIFY2(bound.contains(QLatin1String(fault)), fault);

    // The checks' edges: a half-spaced compound splits into words; verb forms meet their
    // infinitive; a shared word alone does not make a restatement.
    QVERIFY(restates(u("کاشتن درخت و رسیدگی به باغچه"),
                     u("می‌توانم در باغچه نهال بکارم و از آن نگهداری کنم"),
                     true));
    QVERIFY(!restates(u("کاشتن درخت و رسیدگی به باغچه"),
                      u("می‌توانم در باغچه نهال بکارم و از آن نگهداری کنم"),
                      false));
    QVERIFY(!restates(u("نوشتن داستان کوتاه برای مجله یا سایت"),
                      u("می‌توانم برای یک مناسبت، شعری موزون بگویم"), true));
    QCOMPARE(contentWords(u("می‌توانم در صفحه‌گسترده با فرمول جمع بزنم")),
             (QSet<QString>{u("صفحه"), u("گسترده"), u("فرمول"), u("جمع"), u("بزنم")}));
}

void TestContent::typesBalancedAgainstEachOther()
{
    // Every check on the shipped items at once, so that one run names every fault.
    const Items items = shippedItems();
    QStringList faults;
    const QMap<QString, QString> triples = interestsInAllParts(items);
    for (auto it = triples.cbegin(); it != triples.cend(); ++it)
        faults << it.key() + " in all three parts: " + it.value();
    for (const QString& pair : restatedAcrossParts(items))
        faults << "restated: " + pair;
    for (const QString& type : lengthsOutOfBalance(items))
        faults << "mean length " + type;
    faults << conjunctionsOutOfBalance(items);
    for (const QString& male : maleTypedRealisticOverHalf(items))
        faults << "male-typed over half: " + male;
    faults << boundToOneAgeOrPolitical(items);
    for (const QString& fault : faults)
        qWarning().noquote() << fault;
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 faults, listed above").arg(faults.size())));
}

void TestContent::ratingsComparableAcrossTypes()
{
    // Each type's first rating is a broad ability ("توانایی …"), its second a skill in named
    // activities ("مهارت در …"), so that no type gets a virtue everyone rates high or an adult
    // profession pupils lack. The realistic pair is fixed wording.
    for (int type = 1; type < AnswerColumns::TypeCount; ++type) {
        const QString letter = u(TypeLetters[type]) + QStringLiteral(" - ");
        const QString ability = QuestionnaireContent::ratingLabel(type, 1);
        const QString skill = QuestionnaireContent::ratingLabel(type, 2);
        QVERIFY2(ability.startsWith(letter + u("توانایی ")), qPrintable(ability));
        QVERIFY2(skill.startsWith(letter + u("مهارت در ")), qPrintable(skill));
        QVERIFY2(skill.size() - letter.size() <= 40, qPrintable(skill));
    }
    for (const char* unequal : {"همدلی", "حسابداری", "رهبری"})
        for (int type = 1; type < AnswerColumns::TypeCount; ++type)
            QVERIFY2(!QuestionnaireContent::ratingLabel(type, 2).contains(u(unequal)), unequal);
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
    // It speaks to the subject throughout ("همسالانتان", never "همسالانم"), and forbids the same
    // number in every row, not a number in every row.
    QVERIFY(part4.contains(u("۴ یعنی مانند بیشتر همسالانتان")));
    QVERIFY(!part4.contains(u("همسالانم")));
    QVERIFY(part4.contains(u("به همه‌ی ردیف‌ها عدد یکسان ندهید")));
    QVERIFY(!part4.contains(u("یک عدد ندهید")));
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
    // "متهور" alone reads as "reckless", "قراردادی" as "contractual": the printed names carry
    // their gloss.
    QVERIFY(rows[4].texts[0].startsWith(u("متهور (کارآفرین)؛ ")));
    QVERIFY(rows[5].texts[0].startsWith(u("قراردادی (منظم)؛ ")));
    // One limit per type, in cell 4: the traits of the row title carry none.
    for (const char* limit : {"کم‌حرف", "کم‌حوصله", "خوددار", "گریزان"})
        for (int t = 0; t < 6; ++t)
            QVERIFY2(!rows[t].texts[0].contains(u(limit)), limit);
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
