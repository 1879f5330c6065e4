#pragma once
// What the test window child enters at each turn, so that the crash test can tell from the
// database which turn was the last one stored and whether all of it was.
#include "questionnaire/AnswerColumns.h"
#include "questionnaire/Totals.h"

#include <QString>

namespace CrashPattern {
inline int hash(const QString& column)
{
    int h = 0;
    for (QChar c : column)
        h = h * 7 + c.unicode();
    return h & 0xFFFF;
}
// Turn i ticks about a third of the items, a different third at the next turn.
inline bool ticked(const QString& column, int turn) { return (hash(column) + turn) % 3 == 0; }
inline QString rating(const QString& column, int turn) { return QString::number((hash(column) + turn) % 7 + 1); }
// The first name carries the turn number.
inline QString firstName(int turn) { return QStringLiteral("F%1").arg(turn); }
// Every fourth turn is Save and exit (totals stored, window reopened); the others are Next.
inline bool savesAt(int turn) { return turn > 0 && turn % 4 == 0; }
// The last turn of a run leaves by the close box, which stores the totals as well.
inline bool closesAt(int turn, int turns) { return turn > 0 && turn == turns && !savesAt(turn); }
inline bool storesTotalsAt(int turn, int turns) { return savesAt(turn) || closesAt(turn, turns); }

inline Totals::Answers answers(int turn)
{
    Totals::Answers a;
    for (int table = 1; table <= 4; ++table)
        for (const QString& c : AnswerColumns::columns(table))
            a[table - 1].insert(c, table < 4 ? (ticked(c, turn) ? "1" : "0") : rating(c, turn));
    return a;
}
} // namespace CrashPattern
