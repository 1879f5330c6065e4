#pragma once
#include "data/AnswerTables.h"
#include "data/InterestTypes.h"

#include <QString>
#include <QStringList>
#include <array>

// The answer tables S1 to S4: which column holds which answer. Types are always in the order
// v, j, h, a, m, g.
namespace AnswerColumns {
constexpr int TypeCount = InterestTypes::Count;

// Column letter of type t (0..5) in S1..S3: v J H a M G; in S4: V J H A M G.
QString tickLetter(int type);
QString ratingLetter(int type);
// Items per type: 11 in S1 and S2, 14 in S3, 2 in S4.
int itemsPerType(int table);
// The column of item k (1-based) of type t in table 1..4 ("v2", "J9", "V1").
QString column(int table, int type, int item);
// Every answer column of the table, in type order, items rising.
QStringList columns(int table);
// "S1".."S4"
QString tableName(int table);
// The IDE total columns V J H A M GH.
QString totalColumn(int type);
} // namespace AnswerColumns
