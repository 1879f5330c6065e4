#pragma once
#include "data/InterestTypes.h"
#include "scoring/Scoring.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

// The statistics a counsellor reads beside the raw totals, computed from the clinic's own
// answers: item statistics and the scales' internal consistency, the order of the six types
// around the ring, standard scores against a reference group, the change between two
// administrations and the fit of a code with an aspired occupation's code. No database here:
// the subjects come from ReferenceGroup, the norm cells from NormTable.
namespace Psychometrics {

using Scoring::TypeCount;
// The items of one type: its ticks in parts 1 to 3 (11 + 11 + 14) and its two ratings.
constexpr int TickItems = 36;
constexpr int ItemsPerType = TickItems + 2;
// Below this many subjects a norm cell gives no percentile ranks.
constexpr int MinPercentileCell = 30;
// A reliable change: |RCI| above this.
constexpr double ReliableChange = 1.96;

// Where item index (0..37) of a type is answered: the table (1..4) and its 1-based number there.
struct ItemPlace {
    int table = 0;
    int number = 0;
};
ItemPlace itemPlace(int index);
// The answer column of the item ("v1", "J14", "A2"), as the answer tables name it.
QString itemKey(int type, int index);

// An answer text as an item value: a tick counts 1 exactly when the totals count it; a rating
// is its digit 1..7, anything else 0. Persian and Arabic-Indic digits are digits.
int tickValue(const QString& text);
int ratingValue(const QString& text);
// The same for UTF-8 straight from a database row (no conversion for plain ASCII).
int tickValue(const char* text, int size);
int ratingValue(const char* text, int size);

using Items = std::array<std::array<quint8, ItemsPerType>, TypeCount>;

// One answered subject of a reference group.
struct Subject {
    QString code, sex, grade; // Code, Jens, Tahsil as stored
    Scoring::Totals totals{}; // the stored totals
    Items items{};
};

// Which of the two sexes a Jens text is (compared folded): 0 boy, 1 girl, -1 neither.
int sexIndex(const QString& jens);
QString boyText(); // "پسر"
QString girlText(); // "دختر"

// ---- item analysis ----------------------------------------------------------------------------

enum ItemFlag : unsigned { Easy = 1u << 0, Hard = 1u << 1, Weak = 1u << 2 };
constexpr double EasyAbove = 0.70, HardBelow = 0.10, WeakBelow = 0.30;

// Empty where a value is undefined (no subjects, an item or a sum that never varies).
struct ItemStat {
    std::optional<double> p, r, alphaIfDeleted, pBoys, pGirls;
    unsigned flags = 0;
};
struct TypeStat {
    std::optional<double> alpha;
    std::array<ItemStat, ItemsPerType> items;
};
struct Hexagon {
    // Pearson correlations of the six totals (diagonal 1); empty when a total never varies.
    std::array<std::array<std::optional<double>, TypeCount>, TypeCount> r{};
    std::optional<double> adjacent, alternate, opposite; // means of the 6, 6 and 3 pairs
    std::optional<double> ci; // correspondence index, -1..1
    int agreements = 0, violations = 0, ties = 0; // of the 72 predictions
};
struct Analysis {
    int n = 0, boys = 0, girls = 0;
    std::array<TypeStat, TypeCount> types;
    Hexagon hexagon;
};

// Calls visit on each subject that members names (indices into subjects, in their order), or
// on every subject when members is null: the selection analyze() and the norm cells read.
template <typename Visit>
void forEachMember(const std::vector<Subject>& subjects, const std::vector<int>* members, Visit visit)
{
    if (members)
        for (int i : *members)
            visit(subjects[size_t(i)]);
    else
        for (const Subject& s : subjects)
            visit(s);
}

// The statistics of the given subjects (indices into subjects; all of them without).
Analysis analyze(const std::vector<Subject>& subjects, const std::vector<int>* members = nullptr);
// The hexagon's part from the correlation matrix alone.
Hexagon hexagonOrder(const std::array<std::array<std::optional<double>, TypeCount>, TypeCount>& r);
// The flags' stable identifiers ("easy", "hard", "weak") and their words («آسان», «دشوار», «ضعیف»).
QStringList flagIds(unsigned flags);
QStringList flagWords(unsigned flags);

// ---- norms ------------------------------------------------------------------------------------

constexpr int MaxTotal = 50;

// One type's distribution in a norm cell.
struct Distribution {
    int n = 0;
    double mean = 0, sd = 0; // sd of the population (divided by n)
    std::optional<double> alpha;
    std::array<int, MaxTotal + 1> frequency{};
};

struct NormScore {
    std::optional<double> percentile; // empty when the cell has fewer than MinPercentileCell subjects
    std::optional<double> t; // empty when the cell's SD is 0
    std::optional<double> sem; // empty when the cell's alpha is undefined
};

// PR = 100 * (below + equal / 2) / n; T = 50 + 10 (x - mean) / sd; SEM = sd * sqrt(1 - alpha)
// (alpha above 1 cannot happen; below 0 the SEM exceeds the SD, as the formula says).
NormScore normScore(const Distribution& d, int total);
std::optional<double> sem(const Distribution& d);

// ---- retest and aspiration --------------------------------------------------------------------

// A three-letter code: type indices, the letter shown first for a tied position.
using Code3 = std::array<int, 3>;
Code3 code3(const Scoring::Totals& totals);
// Iachan's agreement index M of a subject's code with another (0..28).
int iachan(const Code3& subject, const Code3& other);
// «کم» 0..7, «متوسط» 8..17, «زیاد» 18..28.
QString iachanWords(int m);
// Reads a typed code: three different type letters as shown (و ج ه الف م ق), with or without
// blanks, hyphens or commas between; the Latin keys v j h a m g are read too. Empty on
// anything else.
std::optional<Code3> parseCode(const QString& text);
QString codeText(const Code3& code); // "و ج ه"
// The refusal of a code parseCode does not read.
QString badCodeMessage();
// The line the scoring window shows and the result report prints for an aspiration code:
// «هم‌خوانی با کد ج و م: M = 24 از 28 (زیاد)», the subject's code against it.
QString congruenceText(const Code3& subject, const Code3& aspiration);

struct Retest {
    std::array<int, TypeCount> diff{}; // second - first
    std::array<std::optional<double>, TypeCount> rci{};
    std::array<bool, TypeCount> reliable{};
    Code3 first{}, second{};
    bool firstLetterAgrees = false, setAgrees = false;
    int iachan = 0;
};
// RCI = d / (SEM * sqrt 2); a type without a SEM (or a SEM of 0) has none and is not flagged.
Retest retest(const Scoring::Totals& first, const Scoring::Totals& second,
              const std::array<std::optional<double>, TypeCount>& sems);

} // namespace Psychometrics
