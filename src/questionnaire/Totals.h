#pragma once
#include "data/InterestTypes.h"

#include <QHash>
#include <QString>
#include <array>

// The six per-type totals: for each type, the ticked items of parts 1 to 3 (only the value 1
// counts) plus its two ratings (an empty rating counts 0): 0 to 50. The test window and the
// workbook import both use it.
namespace Totals {
using Six = std::array<int, InterestTypes::Count>;
// A subject's answers: one map per table S1..S4 (index 0..3), column name -> text; column
// names are matched without regard to case.
using Answers = std::array<QHash<QString, QString>, 4>;

// The value of an answer column in a row of S1..S4 (AnswerStore::readRows), its name matched without regard to case.
QString columnValue(const QHash<QString, QString>& row, const QString& column);
bool isTicked(const QString& value);
int ratingValue(const QString& value); // "1".."7" (or any whole number) -> value, else 0
Six compute(const Answers& answers);

// Writes the totals into the subject's IDE row as decimal digits. Runs on the main
// database connection, so a caller's transaction covers it.
bool store(const QString& code, const Six& totals, QString* error = nullptr);
} // namespace Totals
