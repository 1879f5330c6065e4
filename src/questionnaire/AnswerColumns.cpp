#include "questionnaire/AnswerColumns.h"

namespace AnswerColumns {
QString tickLetter(int type)
{
    static const char* const letters[] = {"v", "J", "H", "a", "M", "G"};
    return QString::fromLatin1(letters[type]);
}

QString ratingLetter(int type)
{
    static const char* const letters[] = {"V", "J", "H", "A", "M", "G"};
    return QString::fromLatin1(letters[type]);
}

int itemsPerType(int table)
{
    switch (table) {
    case 1:
    case 2: return 11;
    case 3: return 14;
    default: return 2;
    }
}

QString column(int table, int type, int item)
{
    return (table == 4 ? ratingLetter(type) : tickLetter(type)) + QString::number(item);
}

QStringList columns(int table)
{
    QStringList out;
    for (int t = 0; t < TypeCount; ++t)
        for (int k = 1; k <= itemsPerType(table); ++k)
            out << column(table, t, k);
    return out;
}

QString tableName(int table) { return "S" + QString::number(table); }

QString totalColumn(int type)
{
    static const char* const names[] = {"V", "J", "H", "A", "M", "GH"};
    return QString::fromLatin1(names[type]);
}
} // namespace AnswerColumns
