#include "questionnaire/AnswerColumns.h"

namespace AnswerColumns {
QString tickLetter(int type)
{
    return QString::fromLatin1(InterestTypes::TickPrefix[type]);
}

QString ratingLetter(int type)
{
    return QString::fromLatin1(InterestTypes::RatingPrefix[type]);
}

int itemsPerType(int table)
{
    switch (table) {
    case AnswerTables::S1:
    case AnswerTables::S2: return 11;
    case AnswerTables::S3: return 14;
    default: return 2;
    }
}

QString column(int table, int type, int item)
{
    return (table == AnswerTables::S4 ? ratingLetter(type) : tickLetter(type)) + QString::number(item);
}

QStringList columns(int table)
{
    QStringList out;
    for (int t = 0; t < TypeCount; ++t)
        for (int k = 1; k <= itemsPerType(table); ++k)
            out << column(table, t, k);
    return out;
}

QString tableName(int table) { return AnswerTables::name(table); }

QString totalColumn(int type)
{
    return QString::fromLatin1(InterestTypes::TotalColumn[type]);
}
} // namespace AnswerColumns
