#pragma once
#include <QString>

// The four answer tables of a subject: one row each, keyed by Code. S1 to S3 hold the ticks
// of the questionnaire's three parts, S4 the ratings.
namespace AnswerTables {
constexpr int S1 = 1, S2 = 2, S3 = 3, S4 = 4;
constexpr int First = S1, Last = S4, Count = 4;

// "S1".."S4"
QString name(int table);

// Adds the rows (only Code) the subject lacks in S1 to S4, on the main database connection,
// so a caller's transaction covers them. Existing rows are left as they are.
bool ensureRows(const QString& code, QString* error = nullptr);
} // namespace AnswerTables
