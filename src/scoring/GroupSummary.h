#pragma once
#include "data/SubjectReader.h"
#include "scoring/Scoring.h"

#include <QString>
#include <QVariantList>
#include <QVector>
#include <array>

// The summary of a group of subjects: how many, how many answered, the distribution of the
// leading types, the most frequent type codes, the mean and spread of each raw total, the
// mean stream scores and the consistency of the leading pairs. Reads the subject rows once
// (SubjectReader, in table order) and scores each ordering of totals once, as the export does.
namespace GroupSummary {

// Which subjects: each non-empty condition narrows the selection (all subjects without any).
struct Selection {
    QString group; // Group, exactly
    QString sex; // Jens, exactly
    QString grade; // Tahsil (the class), exactly
    QString from, to; // Date as stored (YYYY/MM/DD), inclusive
    QString column, value; // one more exact condition on Code, FName, LName or Group
                           // (the look-up window's grid filter); empty column: none
    bool onlyCodes = false; // only the subjects of these codes (the rows of a folded name search)
    QStringList codes;
};

struct CodeCount {
    QString code; // the three code positions as shown, separated by blanks ("و ج ه", "ق-و ج ه")
    int count = 0;
};

struct Summary {
    int subjects = 0; // selected, answered or not
    int answered = 0; // with six whole-number totals; everything below counts only these
    std::array<int, Scoring::TypeCount> leading{}; // subjects per leading type
    QVector<CodeCount> topCodes; // at most ten, most frequent first
    std::array<double, Scoring::TypeCount> mean{}, sd{}; // raw totals (standard deviation of the group)
    std::array<double, Scoring::TypeCount> streamMean{}; // in the order of the stream scores
    std::array<int, 3> consistency{}; // high, medium, low
};

constexpr int TopCodeCount = 10;

// The condition of the selection on IDE (empty for all subjects) and the values it binds;
// false with a reason when the column is not one of the four.
bool filter(const Selection& selection, SubjectReader::Filter* filter, QString* error = nullptr);

// False with a reason when the subjects cannot be read or the column is not one of the four.
bool compute(const Selection& selection, Summary* summary, QString* error = nullptr);

// Whole percentages of the counts that add up to exactly 100 (largest remainders get the
// rounding; equal remainders go to the earlier count); all 0 when the counts sum to 0.
QVector<int> percentages(const QVector<int>& counts);

} // namespace GroupSummary
