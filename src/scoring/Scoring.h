#pragma once
#include "data/InterestTypes.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// The scoring of one subject: six raw totals -> type ranks, the type code and its description
// rows, congruence weights, adjusted scores and the six stream scores. No widgets: the scoring
// window, the result report, the companion tool and the benchmarks all use these routines.
//
// Types are always indexed in the order v, j, h, a, m, g (0..5). Every value a reader sees is
// kept as the text the scoring window shows, because the report prints those texts and later
// stream scores are computed from the texts of earlier ones.
namespace Scoring {

constexpr int TypeCount = InterestTypes::Count;
using Totals = std::array<int, TypeCount>;
using SixTexts = std::array<QString, TypeCount>;

// "و", "ج", "ه", "الف", "م", "ق" for type 0..5 ("" outside).
QString typeLetter(int type);
// The IDE columns of the raw totals: V, J, H, A, M, GH.
const QStringList& totalColumns();

// The six raw totals as whole numbers, or nothing when any of them is empty or not a whole
// number (the subject then counts as not answered). Blanks around the digits are allowed.
std::optional<Totals> parseTotals(const SixTexts& texts);
std::optional<Totals> parseTotals(const QStringList& texts); // must hold six texts

// --- Number texts -------------------------------------------------------------------------

// Shortest decimal: "9", "6.75", "2.5" (point as separator, no trailing zeros).
QString shortestDecimal(double value);
// Format "#########.##": at most two decimals, no trailing zeros, no leading zero before the
// point, the point kept for whole values: 6.1333 -> "6.13", 5.3 -> "5.3", 4 -> "4.".
QString formatTwoPlaces(double value);
// Reads a shown number back ("4." and ".5" included); 0 for text that is not a number.
double readShown(const QString& text);

// --- The steps ----------------------------------------------------------------------------

// Type ranks, single precision: the types holding the lowest total rank 1 (ties included);
// any other type gets the mean of the positions (1 = lowest .. 6 = highest) its total holds.
std::array<float, TypeCount> ranks(const Totals& totals);

// The type code: C1..C4 are the types of the four highest sorted totals, each the last type
// in type order holding that total and not chosen before; the tie pattern (0..3) tells which
// neighbouring pair is shown as tied, a later pair overriding an earlier one.
struct TypeCode {
    std::array<int, 4> chosen{};  // C1..C4 as type indices
    int tiePattern = 0;           // 0 none, 1 C1/C2, 2 C2/C3, 3 C3/C4
    // Each code position: one type, or a tied pair (second >= 0), first at index 0.
    struct Position {
        int first = -1;
        int second = -1;
        bool isPair() const { return second >= 0; }
    };
    std::array<Position, 3> positions{};

    // "و", or "ق-و" for a pair.
    QString text(int position) const;
};
TypeCode typeCode(const Totals& totals);

// The leading type: highest total, the last in type order among equals (= C1 of the code).
int leadingType(const Totals& totals);
// Steps between two types around the ring v-j-h-a-m-g-v (0..3).
int ringDistance(int a, int b);
// 4 minus the ring distance from the leading type.
std::array<int, TypeCount> weights(int leading);

// The six stream scores from the adjusted-score texts, in the order mathematical sciences,
// experimental sciences, humanities, services, industry, agriculture; each computed from the
// shown texts of its inputs (the first two shortest decimal, the others "#########.##").
SixTexts streamScores(const SixTexts& adjustedTexts);

// --- Interpretation indices (the routines are in Interpretation.h) ------------------------

enum class Consistency { High, Medium, Low };

struct Indices {
    std::array<int, 2> pair{}; // the two leading types, highest first
    Consistency consistency = Consistency::High;
    int differentiation = 0; // highest total minus lowest total
};

// What was answered: ticked items of parts 1, 2 and 3, ratings given (of 12), and the flags
// a counsellor should see before reading the profile.
enum Flag : unsigned {
    NoRatings = 1u << 0, // none of the 12 ratings given
    EqualRatings = 1u << 1, // two or more ratings given, all the same
    FewTicks = 1u << 2, // fewer than FewTicksBelow ticks in parts 1 to 3 together
    FlatProfile = 1u << 3, // differentiation below FlatBelow
};
constexpr int FewTicksBelow = 20;
constexpr int FlatBelow = 5;

struct AnswerQuality {
    int part1 = 0, part2 = 0, part3 = 0;
    int ratings = 0;
    unsigned flags = 0;
};

// --- A whole result, as shown ---------------------------------------------------------------

struct Result {
    Totals totals{};
    Totals sorted{};      // highest first
    std::array<float, TypeCount> rank{};
    TypeCode code;
    int leading = 0;
    std::array<int, TypeCount> weight{};
    std::array<double, TypeCount> adjusted{};

    SixTexts rankTexts, weightTexts, adjustedTexts, streamTexts;
    std::array<QString, 3> codeTexts;
    Indices indices; // leading pair, consistency, differentiation
};
Result score(const Totals& totals);

// --- Description rows ---------------------------------------------------------------------

// A record of type1: the traits (sefat) and the five texts (columns 1..5).
struct Description {
    QString sefat;
    std::array<QString, 5> cells;
};
// The row of the description panel for one code position: one record, or for a pair X-Y
// the titles joined by two blanks and each cell joined by " و ".
struct DescriptionRow {
    QString title;
    std::array<QString, 5> cells;
    bool operator==(const DescriptionRow& o) const { return title == o.title && cells == o.cells; }
};
// Looks a letter up ("" texts when there is no record).
using DescriptionLookup = std::function<Description(const QString& letter)>;
DescriptionRow describe(const TypeCode::Position& position, const DescriptionLookup& lookup);
// The first record of type1 whose code is the letter, from the main database; empty texts
// when there is none or the table cannot be read.
Description readDescription(const QString& letter);

// --- One subject from the database --------------------------------------------------------

// Everything the scoring window shows for a subject; the result report prints these texts.
struct Shown {
    // Header band: Code, FName, LName, Jens, Sen, Tahsil, Date (Time read, not shown).
    QString code, firstName, lastName, sex, age, grade, date, time;
    SixTexts rawTotals;                      // texts of V, J, H, A, M, GH
    SixTexts ranks, weights, adjusted;       // empty without a result
    SixTexts streams{"0", "0", "0", "0", "0", "0"};
    std::array<QString, 3> code3;            // the three code positions
    std::array<DescriptionRow, 3> rows;
    // The scored totals and their indices (empty without a result), and for a stored subject
    // what was answered.
    std::optional<Totals> scored;
    Indices indices;
    std::optional<AnswerQuality> quality;

    // Empties the result part (ranks .. description rows; streams back to "0").
    void clearResult();
    // Empties the header and the raw totals (the subject row no longer matches).
    void clearSubject();
    // Fills the result part from a computed result and the descriptions.
    void setResult(const Result& result, const DescriptionLookup& lookup);
};

enum class SubjectStatus { Scored, NotAnswered, NotFound };

// Looks the subject code up in IDE (first row by table order; the code is bound, so a quote
// in it simply finds nothing) and scores it. For NotAnswered the header and raw totals are
// filled and the result is empty; for NotFound everything is empty.
SubjectStatus scoreSubject(const QString& code, Shown* shown, QString* error = nullptr);

// The messages the scoring window and the companion tool show.
QString notFoundMessage();    // "فردي با اين مشخصات وجود ندارد"
QString notAnsweredMessage(); // "آزمودني به سوالات پاسخ نداده است"

} // namespace Scoring
